// Commands that end a script: exit, die and stop.
#include "core/cmd_helpers.h"
#include "platform/console.h"

namespace vars {
namespace {

using core::Code;
using core::Interp;
using core::Value;

// exit ?value?
// Results: value (when given); the code is exit, and the process exit code
// becomes the value (0 when none).
Code nuvelCommandExit(Interp& interp, int argc, Value* argv, void*) {
  interp.exit_value = 0;
  if (argc > 1) {
    core::nuvelSetResult(interp, argv[1]);
    interp.exit_value = static_cast<int>(core::leading_int(argv[1].view()));
  }
  return Code::Exit;
}

// die ?message? ?-code value?
// Prints the message (escapes expanded) and ends the script with code exit;
// the process exit code is the -code value, or 1.
Code nuvelCommandDie(Interp& interp, int argc, Value* argv, void*) {
  interp.exit_value = 1;
  if (argc > 1 && argv[1].view() != "-code") {
    std::string text = core::nuvelUnescape(argv[1].view());
    text.push_back('\n');
    platform::out(text);
  }
  for (int i = 2; i + 1 < argc; ++i) {
    if (core::iequals(argv[i].view(), "-code")) {
      core::nuvelSetResult(interp, argv[i + 1]);
      interp.exit_value = static_cast<int>(core::leading_int(argv[i + 1].view()));
      break;
    }
  }
  platform::flush();
  return Code::Exit;
}

// stop
// Ends the script with code stop.
Code nuvelCommandStop(Interp&, int, Value*, void*) {
  return Code::Stop;
}

constexpr core::CommandRow kExitCommands[] = {
    {"die", nuvelCommandDie, 1, core::kAnyWords, "?message? ?-code value?", core::kNoFuzz},
    {"stop", nuvelCommandStop, 1, core::kAnyWords, "", core::kNoFuzz},
};

// Registered only where a script may end the process.
constexpr core::CommandRow kExitCommand[] = {
    {"exit", nuvelCommandExit, 1, core::kAnyWords, "?value?", core::kNoFuzz},
};

}  // namespace

[[gnu::section(".text.startup.register")]] void register_exit_cmds(core::Interp& interp,
                                                                   bool with_exit) {
  core::register_rows(interp, kExitCommands);
  if (with_exit) core::register_rows(interp, kExitCommand);
}

}  // namespace vars
