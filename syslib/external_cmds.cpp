// Unknown commands as operating-system commands: while autoexec is on, a name
// that is not in the command table runs through /bin/sh -c.
#include "core/cmd_helpers.h"
#include "platform/system.h"

namespace syslib {
namespace {

// Runs the words joined by blanks as a shell command line, when the first
// word names a program that exists. A name that is no program (a typo, or a
// condition written for another language) runs nothing: handing it to the
// shell would let its redirections empty files before the shell found that
// there is no such program.
// Results: the exit status in decimal; code 1 when there is no such program
// or it cannot be started.
core::Code run_external(core::Interp& interp, int argc, core::Value* argv) {
  if (!platform::is_program(argv[0].view())) {
    return core::fail(interp, core::Msg::CommandNotFound, argv[0]);
  }
  std::string line;
  for (int i = 0; i < argc; ++i) {
    if (i > 0) line.push_back(' ');
    line += argv[i].view();
  }
  int status = platform::run_shell(line);
  if (status < 0) {
    return core::fail(interp, core::Msg::ExecFailed, line);
  }
  core::nuvelSetResultInt(interp, status);
  return core::Code::Ok;
}

}  // namespace

[[gnu::section(".text.startup.register")]] void install_external_commands(core::Interp& interp) {
  interp.hooks.run_external = run_external;
}

}  // namespace syslib
