// Registration functions of the command families. Each family's source file
// ends with its table and one of these functions; core/builtins.cpp calls them.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/nuvel.h"

namespace core {
// Registers every built-in family into `interp` and makes interpreters
// created from it do the same. `flag` 0 also registers exit.
void nuvelRegisterCoreCommands(Interp& interp, int flag);
// A first interpreter of the process: record, every built-in family and the
// start-up variables. Later interpreters come from nuvelCreateInterp.
std::unique_ptr<Interp> nuvelCreateTopInterp(int count, const std::vector<std::string>* words);
}  // namespace core

namespace vars {
void register_var_cmds(core::Interp& interp);
void register_exit_cmds(core::Interp& interp, bool with_exit);
void register_var_info_cmds(core::Interp& interp);
void register_misc_cmds(core::Interp& interp);
void register_struct_cmds(core::Interp& interp);
void register_pointer_cmds(core::Interp& interp);
void register_memdiag_cmds(core::Interp& interp);
void register_info_cmds(core::Interp& interp);
}  // namespace vars

namespace expr {
void register_operator_cmds(core::Interp& interp);
void register_increment_cmds(core::Interp& interp);
void register_expr_cmds(core::Interp& interp);
void register_numeric_cmds(core::Interp& interp);
void register_base_cmds(core::Interp& interp);
}  // namespace expr

namespace lang {
void register_error_cmds(core::Interp& interp);
void register_cmdcount_cmds(core::Interp& interp);
void register_source_cmds(core::Interp& interp);
void register_eval_cmds(core::Interp& interp);
void register_struct_eval_cmds(core::Interp& interp);
void register_option_cmds(core::Interp& interp);
void register_proc_cmds(core::Interp& interp);
void register_control_cmds(core::Interp& interp);
void register_goto_cmds(core::Interp& interp);
void register_help_cmds(core::Interp& interp);
}  // namespace lang

namespace lists {
void register_list_cmds(core::Interp& interp);
void register_list_search_cmds(core::Interp& interp);
}  // namespace lists

namespace strings {
void register_string_cmds(core::Interp& interp);
void register_string_extra_cmds(core::Interp& interp);
void register_string_split_cmds(core::Interp& interp);
void register_format_cmds(core::Interp& interp);
void register_scan_cmds(core::Interp& interp);
void register_encoding_cmds(core::Interp& interp);
void register_binary_cmds(core::Interp& interp);
}  // namespace strings

namespace lists {
void register_list_util_cmds(core::Interp& interp);
}  // namespace lists
namespace strings {
void register_char_test_cmds(core::Interp& interp);
void register_text_util_cmds(core::Interp& interp);
}  // namespace strings
namespace collections {
void register_array_cmds(core::Interp& interp);
void register_array_convert_cmds(core::Interp& interp);
void register_dict_cmds(core::Interp& interp);
}  // namespace collections

namespace containers {
void register_stack_cmds(core::Interp& interp);
}  // namespace containers

namespace syslib {
void register_stream_cmds(core::Interp& interp);
void register_date_cmds(core::Interp& interp);
void register_whole_file_cmds(core::Interp& interp);
void register_file_cmds(core::Interp& interp);
void register_fs_cmds(core::Interp& interp);
void register_time_cmds(core::Interp& interp);
void register_clock_cmds(core::Interp& interp);
void register_timer_cmds(core::Interp& interp);
void register_http_cmds(core::Interp& interp);
void install_external_commands(core::Interp& interp);
void register_process_cmds(core::Interp& interp);
void register_env_cmds(core::Interp& interp);
void register_lib_cmds(core::Interp& interp);
}  // namespace syslib

namespace lang {
void register_debug_cmds(core::Interp& interp);
void register_shell_cmds(core::Interp& interp);
void register_script_cmds(core::Interp& interp);
}  // namespace lang
namespace syslib {
void register_input_cmds(core::Interp& interp);
void register_screen_cmds(core::Interp& interp);
void register_conout_cmds(core::Interp& interp);
void register_dialog_cmds(core::Interp& interp);
void register_desktop_cmds(core::Interp& interp);
}  // namespace syslib
