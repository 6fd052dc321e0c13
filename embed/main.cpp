// The entry point of nuvel_embed: runs the embedded script, or each
// command-line argument through source. Evaluation runs on a thread with a
// large stack so that deep procedure nesting cannot exhaust it.
#include <cstddef>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "builtins/builtins.h"
#include "core/cmd_helpers.h"
#include "core/config.h"
#include "core/switches.h"
#include "platform/console.h"
#include "platform/system.h"
#include "syslib/console_layer.h"
#include "syslib/plugins.h"

namespace embed {
extern const unsigned char kScriptBytes[];
extern const std::size_t kScriptSize;
}  // namespace embed

namespace {

using core::Code;

constexpr size_t kEvalStackBytes = size_t{1} << 30;
constexpr int kMaxParameters = 10;

std::string embedded_script() {
  return std::string(reinterpret_cast<const char*>(embed::kScriptBytes), embed::kScriptSize);
}

// The process exit code of an evaluation: 0 after success, the exit value
// after exit or die, 1 after an error, a stop or a stray loop code.
int exit_code_of(const core::Interp& interp, Code code) {
  switch (code) {
    case Code::Ok:
    case Code::Return:
      return 0;
    case Code::Exit:
      return interp.exit_value;
    default:
      return 1;
  }
}

// A run that ends with an error whose message nobody saw (reports are
// echoed only while verbose or debug is on, and `error` itself reports
// nothing) says so once on standard error, so a failure is never silent.
void show_unreported_error(core::Interp& interp, Code code) {
  if (code != Code::Error) return;
  std::string message(interp.result.view());
  if (message.empty()) message = interp.last_report;
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) {
    message.pop_back();
  }
  if (message.empty()) return;
  if (interp.last_report_shown && interp.last_report == message) return;
  platform::flush();
  platform::err("nuvel_embed: ");
  platform::err(message);
  platform::err("\n");
}

// Runs at_exit where start-up calls it. A failing at_exit makes the exit code
// non-zero; a missing one leaves the code of the script.
int finish(core::Interp& interp, Code code) {
  int result = exit_code_of(interp, code);
  if (core::nuvelGetCommand(interp, "at_exit") == nullptr) return result;
  Code at_exit = core::nuvelRunAtExit(&interp);
  if (at_exit == Code::Exit) return interp.exit_value;
  if (at_exit != Code::Ok && at_exit != Code::Return) return result != 0 ? result : 1;
  return result;
}

int run(int argc, char** argv) {
  core::config_path_from_environment();
  std::unique_ptr<core::Interp> interp = std::make_unique<core::Interp>();
  core::nuvelRegisterCoreCommands(*interp, 0);
  std::vector<std::string> words;
  words.emplace_back(argv[0]);
  words.emplace_back("{}");
  for (int i = 1; i < argc; ++i) words.emplace_back(argv[i]);
  core::nuvelSetStartupVars(*interp, static_cast<int>(words.size()), &words);
  core::process().script_name = "internal.tcl";
  platform::install_signal_handlers();
  platform::set_title("Nuvel");
  std::srand(
      static_cast<unsigned>(platform::tick_ms() * 1000u + static_cast<unsigned>(time(nullptr))));

  bool echo = false;
  bool debug_libraries = false;
  int parameters = 0;
  // "script.tcl -- a b c": the words after "--" are the script's arguments.
  int dashes = argc;
  for (int i = 1; i < argc; ++i) {
    if (std::string_view(argv[i]) == "--") {
      dashes = i;
      break;
    }
  }
  for (int i = 1; i < dashes; ++i) {
    std::string_view arg = argv[i];
    if (arg.find('"') != std::string_view::npos) {
      platform::out(
          "Syntax error: Embedded \" found. Don't end quoted paths with a \\ character\n");
      return 4;
    }
    if (arg.empty() || arg[0] != '/') {
      if (++parameters > kMaxParameters) {
        platform::out("Too many parameters: use nuvel_embed /? for help\n");
        return 1;
      }
    } else if (arg == "/?") {
      syslib::show_usage_and_exit();
    } else if (core::iequals(arg, "/ECHO")) {
      echo = true;
    } else if (core::iequals(arg, "/DEBUG")) {
      debug_libraries = true;
    }
  }
  if (debug_libraries) {
    syslib::print_library_report(*interp);
    return 0;
  }
  if (echo) {
    platform::out(embedded_script());
    platform::out("\n");
    return 0;
  }
  if (dashes < argc) {
    // Every file before "--" runs in turn; the last one gets the arguments.
    int exit_code = 0;
    for (int i = 1; i < dashes; ++i) {
      std::vector<core::Value> words{core::Value("source"), core::Value(argv[i])};
      if (i + 1 == dashes) {
        for (int k = dashes + 1; k < argc; ++k) words.emplace_back(argv[k]);
      }
      Code code = core::nuvelCallCommand(*interp, static_cast<int>(words.size()), words.data());
      show_unreported_error(*interp, code);
      exit_code = code == Code::Ok ? 0 : finish(*interp, code);
      if (code == Code::Exit) break;
    }
    return exit_code;
  }
  if (argc > 1) {
    int exit_code = 0;
    for (int i = 1; i < argc; ++i) {
      std::string command = "source ";
      command += argv[i];
      Code code = core::rindoEval(*interp, core::Value(command));
      show_unreported_error(*interp, code);
      exit_code = code == Code::Ok ? 0 : finish(*interp, code);
      if (code == Code::Exit) break;
    }
    return exit_code;
  }
  std::string text = embedded_script();
  // A script whose preprocessing failed runs nothing; #exit (-12) is success.
  int pre = core::mpp_preprocess(*interp, text, true, "internal.tcl");
  if (pre < 0 && pre != -12) return 1;
  Code code = core::rindoEval(*interp, core::Value(std::move(text)));
  show_unreported_error(*interp, code);
  if (code == Code::Error) return 1;
  return finish(*interp, code);
}

}  // namespace

int main(int argc, char** argv) {
  int code = platform::run_with_stack(kEvalStackBytes, [&] { return run(argc, argv); });
  platform::flush();
  // Output that could not be written (closed descriptor, full disk, reader
  // gone) must not pass for success.
  if (platform::take_write_error() != 0) {
    platform::err("SafeWriteFile: Console not open\n");
    if (code == 0) code = 1;
  }
  return code;
}
