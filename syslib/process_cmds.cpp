// Child processes: exec (and @) runs a shell command line and waits for it;
// shell opens an interactive shell; spawn runs a program directly with its
// output captured; pipe runs a command line with text on its standard input
// and returns its output.
//
// Every child shares the interpreter's terminal. Console output is flushed
// before a child starts, so what the script printed appears before what the
// child prints. Ctrl+C while a child runs reaches the child (it is in our
// process group); when the child ends by it, the break flag raised in the
// interpreter meanwhile stops the script as any Ctrl+C does; when the child
// handles it and ends normally, the script goes on.
#include <csignal>

#include "core/cmd_helpers.h"
#include "core/switches.h"
#include "platform/console.h"
#include "platform/process.h"
#include "platform/system.h"

namespace syslib {
namespace {

using core::Code;
using core::CommandRow;
using core::Interp;
using core::Value;

// What the process commands keep per interpreter.
struct ProcessState {
  // exec prints the shell notice the first time a lone shell name is run.
  bool shell_notice_pending = true;
};

// Runs a child through `run` and returns its status. A break flag raised
// while the child ran is dropped unless the child itself ended by Ctrl+C.
// The console title, which a child may change, is put back afterwards.
template <class Run>
int run_child(Run run) {
  bool break_before = platform::break_flag();
  std::string title = platform::title();
  int status = run();
  if (!break_before && status != 128 + SIGINT) (void)platform::take_break_flag();
  if (!title.empty()) platform::set_title(title);
  return status;
}

// The shells a lone word may name: exec prints the notice before them.
bool names_shell(std::string_view word) {
  size_t slash = word.rfind('/');
  std::string_view base = slash == std::string_view::npos ? word : word.substr(slash + 1);
  for (const char* shell : {"sh", "bash", "dash", "zsh", "ksh", "mksh", "fish", "csh", "tcsh"}) {
    if (base == shell) return true;
  }
  std::string login = platform::get_env("SHELL");
  return !login.empty() && word == login;
}

void print_shell_notice() {
  platform::outf("Type EXIT to exit the shell and return to %s\n\n", "Nuvel");
}

// exec word ?word ...?   (also @ word ?word ...?)
// Results: the exit status of `/bin/sh -c "word word ..."` (128 + signal when
// the child was killed); the words are joined by single spaces, so the text is
// a shell command line with the shell's quoting, redirections and pipes.
// Errors: the shell cannot be started.
// Side effects: escapes in the joined text are translated while the escape
// switch is on; the child uses the interpreter's standard streams.
Code nuvelCommandExec(Interp& interp, int argc, Value* argv, void*) {
  // "exec" and "@" are the command itself, not part of the command line.
  std::string line;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) line.push_back(' ');
    line += argv[i].view();
  }
  if (core::switches().escape) line = core::nuvelUnescape(line);
  auto& state = interp.state<ProcessState>();
  if (argc == 2 && state.shell_notice_pending && names_shell(argv[1].view()) &&
      !platform::find_program(argv[1].view()).empty()) {
    print_shell_notice();
    state.shell_notice_pending = false;
  }
  int status = run_child([&line] { return platform::run_shell(line); });
  if (status < 0) {
    core::nuvelResetResult(interp);
    return core::fail(interp, core::Msg::ChildRunFailed, line);
  }
  return core::result_int(interp, status);
}

// shell ?word ...?
// Results: "0" once the interactive shell has ended.
// Side effects: runs `/bin/sh -i`; with words, the shell first runs them as a
// command line (at most 260 characters). The terminal title is "Command
// Shell" meanwhile; without words a notice says how to come back.
Code nuvelCommandShell(Interp& interp, int argc, Value* argv, void*) {
  std::string line;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) line.push_back(' ');
    line += argv[i].view();
  }
  if (line.size() > 260) line.resize(260);
  if (argc == 1) print_shell_notice();
  int status = run_child([&line] {
    platform::set_title("Command Shell");
    return platform::run_interactive_shell(line);
  });
  if (status < 0) {
    core::nuvelResetResult(interp);
    return core::fail(interp, core::Msg::ChildRunFailed, line.empty() ? "/bin/sh" : line);
  }
  core::nuvelSetResult(interp, "0");
  return Code::Ok;
}

// spawn varName|- ?-echo? ?-nowait? program ?arg ...?
// Results: with "-", the program's output (standard output and standard
// error, any size, bytes as they came); with a variable name, the variable
// receives the output and the result is its length in bytes. A program that
// wrote nothing leaves the variable empty and the result empty.
// Options: -echo copies the output to the console as it arrives; -nowait
// starts the program in its own process group and does not wait for it or
// capture anything (its output goes to the console; it never stays behind as
// a zombie).
// Errors: the program cannot be started.
// Side effects: each word reaches the program as one argument, exactly (no
// shell); escapes in the words are translated while the escape switch is on.
Code nuvelCommandSpawn(Interp& interp, int argc, Value* argv, void*) {
  bool echo = false, nowait = false;
  int i = 2;
  for (int n = 0; n < 2 && i < argc; ++n) {
    if (core::iequals(argv[i].view(), "-echo")) {
      echo = true;
    } else if (core::iequals(argv[i].view(), "-nowait")) {
      nowait = true;
    } else {
      break;
    }
    ++i;
  }
  if (i >= argc) return core::nuvelWrongArgs(interp, argc, argv);
  std::vector<std::string> words;
  std::string text;  // the command as one line, for the failure report
  for (int k = i; k < argc; ++k) {
    std::string w(argv[k].view());
    if (core::switches().escape) w = core::nuvelUnescape(w);
    if (!text.empty()) text.push_back(' ');
    text += w.find(' ') != std::string::npos ? "\"" + w + "\"" : w;
    words.push_back(std::move(w));
  }
  std::string output;
  if (nowait) {
    if (!platform::start_detached(words)) {
      return core::fail(interp, core::Msg::SpawnCreateFailed, argv[i], text, argv[0]);
    }
  } else {
    platform::CaptureOptions options;
    if (echo) {
      options.on_output = [](std::string_view piece) {
        platform::out(piece);
        platform::flush();
      };
    }
    int status = run_child([&] { return platform::run_captured(words, options, output); });
    if (status < 0) {
      return core::fail(interp, core::Msg::SpawnCreateFailed, argv[i], text, argv[0]);
    }
  }
  std::string_view target = argv[1].view();
  if (output.empty()) {
    core::nuvelResetResult(interp);
    if (target == "-") return Code::Ok;
    if (core::set_variable(interp, target, Value("")) != 0) return Code::Error;
    core::nuvelResetResult(interp);
    return Code::Ok;
  }
  if (target == "-") {
    core::nuvelSetResult(interp, Value(std::move(output)));
    return Code::Ok;
  }
  auto length = static_cast<int64_t>(output.size());
  if (core::set_variable(interp, target, Value(std::move(output))) != 0) return Code::Error;
  return core::result_int(interp, length);
}

// pipe command ?-input text? ?-status varName?
// Results: the standard output of `/bin/sh -c command` with one trailing line
// end removed; standard error stays on the console.
// Options: -input writes the text (escapes translated while the escape switch
// is on) to the command's standard input, which is otherwise closed at once;
// -status stores the exit status (128 + signal when killed) in varName.
// Errors: the shell cannot be started.
Code nuvelCommandPipe(Interp& interp, int argc, Value* argv, void*) {
  std::optional<std::string_view> command;
  std::string input;
  std::optional<std::string_view> status_var;
  bool options_done = false;
  for (int i = 1; i < argc; ++i) {
    std::string_view w = argv[i].view();
    if (!options_done && w == "--") {
      options_done = true;
    } else if (!options_done && core::iequals(w, "-input") && i + 1 < argc) {
      input = argv[++i].view();
      if (core::switches().escape) input = core::nuvelUnescape(input);
    } else if (!options_done && core::iequals(w, "-status") && i + 1 < argc) {
      status_var = argv[++i].view();
    } else if (!options_done && w.size() > 1 && w[0] == '-' && !core::parse_int(w)) {
      return core::fail(interp, core::Msg::UnknownOption, w);
    } else if (!command) {
      command = w;
    } else {
      return core::nuvelWrongArgs(interp, argc, argv);
    }
  }
  if (!command) return core::nuvelWrongArgs(interp, argc, argv);
  platform::CaptureOptions options;
  options.input = std::string_view(input);
  options.merge_stderr = false;
  std::string output;
  // "--": a command line that starts with "-" is not read as options of sh.
  std::vector<std::string> words{"/bin/sh", "-c", "--", std::string(*command)};
  int status = run_child([&] { return platform::run_captured(words, options, output); });
  if (status < 0) return core::fail(interp, core::Msg::ChildRunFailed, *command);
  if (status_var && core::set_variable(interp, *status_var, Value(std::to_string(status))) != 0) {
    return Code::Error;
  }
  if (!output.empty() && output.back() == '\n') output.pop_back();
  core::nuvelSetResult(interp, Value(std::move(output)));
  return Code::Ok;
}

constexpr uint32_t kChild = core::kUnsafe | core::kNoFuzz;

const CommandRow kProcessCommands[] = {
    {"exec", nuvelCommandExec, 2, core::kAnyWords, "word ?word ...?", kChild},
    {"@", nuvelCommandExec, 2, core::kAnyWords, "word ?word ...?", kChild},
    {"shell", nuvelCommandShell, 1, core::kAnyWords, "?word ...?", kChild},
    {"spawn", nuvelCommandSpawn, 3, core::kAnyWords,
     "varName|- ?-echo? ?-nowait? program ?arg ...?", kChild},
    {"pipe", nuvelCommandPipe, 2, 6, "command ?-input text? ?-status varName?", kChild},
};

}  // namespace

[[gnu::section(".text.startup.register")]] void register_process_cmds(Interp& interp) {
  core::register_rows(interp, kProcessCommands);
}

}  // namespace syslib
