// The interactive shell: a prompt, one line read and evaluated, its code
// shown as "[code:name]". `cli` runs it on the current interpreter, `interp`
// in a fresh one (or runs a script there). At a terminal lines are read with
// the line editor (cursor keys, history in ~/.nuvel_history); from a pipe or
// a file they are read as plain lines.
#include <memory>
#include <optional>
#include <string>

#include "core/cmd_helpers.h"
#include "core/config.h"
#include "core/switches.h"
#include "core/var_store.h"
#include "expr/expr_engine.h"
#include "platform/console.h"
#include "platform/fs.h"
#include "platform/identity.h"
#include "platform/line_edit.h"
#include "platform/process.h"
#include "platform/system.h"
#include "syslib/prompt_macros.h"

namespace lang {
namespace {

using core::Code;
using core::CommandRow;
using core::Interp;
using core::kAnyWords;
using core::switches;
using core::Value;

// Longest line the shell reads at once.
constexpr size_t kLineMax = 4096;
// Longest prompt template.
constexpr size_t kTemplateMax = 256;

std::string prompt_text(Interp& interp, std::string_view templ, std::string_view host) {
  if (templ.empty()) {
    std::string user = platform::user_name();
    if (user.empty()) return "Nuvel> ";
    return user + "@" + std::string(host.empty() ? std::string_view("Nuvel") : host) + "> ";
  }
  return syslib::expand_prompt(interp, templ.substr(0, kTemplateMax), host) + " ";
}

// "Nuvel user - script" (or the administrator and elevated forms).
void set_shell_title() {
  std::string title = platform::is_elevated() ? "Nuvel [Elevated]" : "Nuvel";
  title += platform::is_admin() ? std::string(" [Administrator]") : " " + platform::user_name();
  title += " - ";
  const std::string& script = core::process().script_name;
  title += script.empty() ? std::string("<No file>") : script.substr(0, 80);
  platform::set_title(title);
}

// A line whose backslash escapes the shell will not translate.
bool has_escape(std::string_view line) {
  for (size_t i = 0; i + 1 < line.size(); ++i) {
    if (line[i] == '\\' && std::string_view("t\\\"n").find(line[i + 1]) != std::string_view::npos) {
      return true;
    }
  }
  return false;
}

// The escape switch as the shell found it, put back however the shell ends.
class EscapeRestore {
 public:
  EscapeRestore() : saved_(switches().escape) {}
  ~EscapeRestore() { switches().escape = saved_; }
  EscapeRestore(const EscapeRestore&) = delete;
  EscapeRestore& operator=(const EscapeRestore&) = delete;

 private:
  uint16_t saved_;
};

// Evaluates one line as the shell does; returns its code, or nothing when
// the preprocessor left no text (the previous code stands).
std::optional<Code> eval_line(Interp& interp, std::string line) {
  if (switches().preprocessor) {
    int pre = core::mpp_preprocess(interp, line, true, "CLI");
    if (pre < 0) return Code::Error;  // the preprocessor printed why
    if (!line.empty()) expr::normalise_numeric_literals(line);
    if (line.find_first_not_of(" \t\r\n") == std::string::npos) return std::nullopt;
  }
  if (!switches().escape && has_escape(line)) {
    platform::out(
        "Note: Backslash escapes are disabled in the CLI with autoexec ON + escape OFF\n");
  }
  (void)vars::set_var(interp, "errorCode", Value("0"));
  (void)vars::set_var(interp, "errorInfo", Value(""));
  (void)vars::set_var(interp, "errorLine", Value("0"));
  (void)vars::set_var(interp, "errorMsg", Value(""));
  Code rc = rindoEval(interp, Value(std::move(line)));
  platform::reset_attribute();
  if (switches().autoexec) switches().escape = 0;
  return rc;
}

// The shell loop. Returns the exit value: the number the last non-empty
// result began with (0 when input ended).
int64_t nuvelShell(Interp& interp, std::string_view host, std::string_view templ) {
  EscapeRestore escape_restore;
  std::unique_ptr<platform::LineEditor> editor;
  if (platform::stdin_is_terminal()) {
    std::string home = platform::home_directory();
    editor = std::make_unique<platform::LineEditor>(home.empty() ? std::string()
                                                                 : home + "/.nuvel_history");
  }
  Code code = Code::Ok;
  int64_t exit_value = 0;
  for (;;) {
    if (std::optional<bool> v = core::config_switch("BackslashEscapes")) {
      switches().escape = *v ? 1 : 0;
    }
    if (switches().autoexec) switches().escape = 0;
    interp.last_subst_code = 0;
    platform::reset_attribute();
    std::string prompt = prompt_text(interp, templ, host);
    set_shell_title();
    std::string line;
    if (editor) {
      platform::LineEditor::Status status = editor->read(prompt, line);
      if (status == platform::LineEditor::Status::Interrupted) continue;
      if (status == platform::LineEditor::Status::End) {
        platform::out(core::text_of(core::Msg::ShellInputEnded));
        return 0;
      }
    } else {
      platform::out(prompt);
      platform::flush();
      std::optional<std::string> read = platform::read_plain_line(kLineMax);
      if (!read && !platform::stdin_at_end() && platform::take_break_flag()) {
        platform::out("\n");  // Ctrl+C abandons the line being read
        continue;
      }
      if (!read) {
        platform::out(core::text_of(core::Msg::ShellInputEnded));
        return 0;
      }
      line = std::move(*read);
    }
    if (!line.empty()) {
      std::optional<Code> done = eval_line(interp, std::move(line));
      if (done) {
        code = *done;
        if (!interp.result.empty()) exit_value = core::leading_int(interp.result.view());
        if (code == Code::Exit) break;
        if (switches().echo && !interp.result.empty()) {
          platform::out(interp.result.view());
          platform::out("\n");
        }
      }
    }
    int c = core::code_int(code);
    platform::out(core::format_message("[%d:%s]\n", {c, core::nuvelResultCodeName(interp, c)}));
  }
  return exit_value;
}

// cli ?-tty?
// Runs the interactive shell on this interpreter ("-tty": only when standard
// input is a terminal, else nothing). Results: code 1 when the shell ended
// with a non-zero exit value, else 0; the result is empty.
Code nuvelCommandCli(Interp& interp, int argc, Value* argv, void*) {
  if (argc == 2) {
    if (!core::iequals(argv[1].view(), "-tty")) {
      return core::fail(interp, core::Msg::UnknownOption, argv[1]);
    }
    if (!platform::stdin_is_terminal()) return Code::Ok;
  }
  int64_t exit_value = nuvelShell(interp, syslib::kShellHost, syslib::kDefaultPromptTemplate);
  core::nuvelResetResult(interp);
  return exit_value != 0 ? Code::Error : Code::Ok;
}

// interp ?script? ?arg ...?
// Without a script: the interactive shell in a fresh interpreter (code 1
// when its exit value is not 0). With one: the words, joined as eval joins
// them, run in a fresh interpreter. Results: the script's result and code
// (return and exit become ok). The fresh interpreter has its own variables,
// procedures and result and is gone when the command ends.
Code nuvelCommandInterp(Interp& interp, int argc, Value* argv, void*) {
  std::unique_ptr<Interp> fresh = core::nuvelCreateInterp(0, nullptr);
  if (argc == 1) {
    int64_t exit_value = nuvelShell(*fresh, syslib::kShellHost, syslib::kDefaultPromptTemplate);
    fresh.reset();
    core::nuvelResetResult(interp);
    return exit_value != 0 ? Code::Error : Code::Ok;
  }
  std::vector<Value> words(argv, argv + argc);
  words[0] = Value("eval");
  Code rc = core::nuvelCallCommand(*fresh, argc, words.data());
  Value result = fresh->result;
  fresh.reset();
  core::nuvelSetResult(interp, result);
  if (rc == Code::Return || rc == Code::Exit) rc = Code::Ok;
  return rc;
}

constexpr CommandRow kShellCommands[] = {
    {"cli", nuvelCommandCli, 1, 2, "?-tty?", core::kUnsafe | core::kNoFuzz},
    {"interp", nuvelCommandInterp, 1, kAnyWords, "?script? ?arg ...?",
     core::kUnsafe | core::kNoFuzz},
};

}  // namespace

[[gnu::section(".text.startup.register")]] void register_shell_cmds(Interp& interp) {
  core::register_rows(interp, kShellCommands);
}

}  // namespace lang
