// Registers every built-in command family into a new interpreter.
#include "core/builtins.h"

namespace core {

void nuvelRegisterCoreCommands(Interp& interp, int flag) {
  register_error_cmds(interp);
  register_cmdcount_cmds(interp);
  register_source_cmds(interp);
  vars::register_var_cmds(interp);
  vars::register_exit_cmds(interp, flag == 0);
  vars::register_proc_cmds(interp);
  vars::register_control_cmds(interp);
  vars::register_goto_cmds(interp);
  syslib::register_stream_cmds(interp);
  syslib::install_external_commands();
}

}  // namespace core
