// Registers every built-in command family into a new interpreter.
#include "builtins/builtins.h"

#include "core/command_table.h"

namespace core {

void nuvelRegisterCoreCommands(Interp& interp, int flag) {
  interp.install = &nuvelRegisterCoreCommands;
  // Every family's rows go into the table in one sorted merge.
  open_row_batch(interp);
  lang::register_error_cmds(interp);
  lang::register_cmdcount_cmds(interp);
  lang::register_source_cmds(interp);
  lang::register_eval_cmds(interp);
  lang::register_option_cmds(interp);
  lang::register_help_cmds(interp);
  vars::register_var_cmds(interp);
  vars::register_exit_cmds(interp, flag == 0);
  lang::register_proc_cmds(interp);
  lang::register_control_cmds(interp);
  lang::register_goto_cmds(interp);
  expr::register_operator_cmds(interp);
  expr::register_increment_cmds(interp);
  expr::register_expr_cmds(interp);
  expr::register_numeric_cmds(interp);
  lists::register_list_cmds(interp);
  lists::register_list_search_cmds(interp);
  strings::register_string_cmds(interp);
  strings::register_string_extra_cmds(interp);
  strings::register_string_split_cmds(interp);
  strings::register_format_cmds(interp);
  strings::register_scan_cmds(interp);
  strings::register_encoding_cmds(interp);
  strings::register_binary_cmds(interp);
  vars::register_var_info_cmds(interp);
  expr::register_base_cmds(interp);
  strings::register_char_test_cmds(interp);
  strings::register_text_util_cmds(interp);
  lists::register_list_util_cmds(interp);
  vars::register_misc_cmds(interp);
  collections::register_array_cmds(interp);
  collections::register_array_convert_cmds(interp);
  collections::register_dict_cmds(interp);
  containers::register_stack_cmds(interp);
  syslib::register_stream_cmds(interp);
  syslib::register_date_cmds(interp);
  syslib::register_whole_file_cmds(interp);
  syslib::register_file_cmds(interp);
  syslib::register_fs_cmds(interp);
  syslib::register_time_cmds(interp);
  syslib::register_clock_cmds(interp);
  syslib::register_timer_cmds(interp);
  syslib::register_http_cmds(interp);
  syslib::install_external_commands(interp);
  syslib::register_process_cmds(interp);
  syslib::register_env_cmds(interp);
  vars::register_info_cmds(interp);
  syslib::register_lib_cmds(interp);
  lang::register_debug_cmds(interp);
  lang::register_shell_cmds(interp);
  lang::register_script_cmds(interp);
  syslib::register_input_cmds(interp);
  vars::register_struct_cmds(interp);
  vars::register_pointer_cmds(interp);
  vars::register_memdiag_cmds(interp);
  lang::register_struct_eval_cmds(interp);
  syslib::register_screen_cmds(interp);
  syslib::register_conout_cmds(interp);
  syslib::register_dialog_cmds(interp);
  syslib::register_desktop_cmds(interp);
  close_row_batch(interp);
}

std::unique_ptr<Interp> nuvelCreateTopInterp(int count, const std::vector<std::string>* words) {
  auto interp = std::make_unique<Interp>();
  nuvelRegisterCoreCommands(*interp, 0);
  nuvelSetStartupVars(*interp, count, words);
  return interp;
}

}  // namespace core
