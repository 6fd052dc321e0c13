// Dictionary variables as the variable commands see them: taking a dictionary
// result over into a variable (set name [dict ...]) and setting a key path.
#pragma once

#include <string_view>

#include "core/nuvel.h"

namespace collections {

// set name value with a dictionary result: makes name a dictionary variable
// holding the pairs of `value`. `cmd` names the command in messages.
core::Code dict_take_over(core::Interp& interp, std::string_view cmd, std::string_view name,
                          const core::Value& value);

// Sets a key path in a dictionary variable, exactly as dict set name key...
// value (creating the variable). `keys` holds at least one key; `cmd` names
// the command in messages.
core::Code dict_set_path(core::Interp& interp, std::string_view cmd, std::string_view name,
                         const core::Value* keys, int nkeys, const core::Value& value);

}  // namespace collections
