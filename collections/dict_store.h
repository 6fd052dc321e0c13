// Dictionary variables as the variable commands see them: taking a dictionary
// result over into a variable (set name [dict ...]) and the text form cache
// that lets $d and dict get on a large dictionary avoid re-reading it.
#pragma once

#include <string_view>
#include <vector>

#include "core/dict_text.h"
#include "core/nuvel.h"
#include "core/var.h"

namespace collections {

// The record that holds a dictionary's table when `name` is a dictionary
// variable (following links), else null.
vars::Var* dict_variable(core::Interp& interp, std::string_view name);

// set name value with a dictionary result: makes name a dictionary variable
// holding the pairs of `value`. `cmd` names the command in messages.
core::Code dict_take_over(core::Interp& interp, const char* cmd, std::string_view name,
                          const core::Value& value);

// Sets a key path in a dictionary variable, exactly as dict set name key...
// value (creating the variable). `keys` holds at least one key.
core::Code dict_set_path(core::Interp& interp, const char* cmd, std::string_view name,
                         const core::Value* keys, int nkeys, const core::Value& value);

using vars::dict_table_changed;
using vars::dict_table_text;

}  // namespace collections
