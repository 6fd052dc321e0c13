// Array helpers shared by the array command family and the conversion
// commands: finding an array through links, creating one, and the element
// writers behind array set and array_foreach.
#pragma once

#include <cstdint>
#include <string_view>

#include "core/nuvel.h"
#include "core/var.h"

namespace collections {

// The record that holds the array `name` (following links), or null when the
// name is missing or not an array.
vars::Var* find_array(core::Interp& interp, std::string_view name);

// dim name size: a new array with `size` buckets (at least 1). An existing
// array is reported with `cmd`; another existing variable fails silently.
core::Code make_array(core::Interp& interp, const char* cmd, std::string_view name, int64_t size);

// array_set with argv[0] the command word and argv[1] the array name.
core::Code array_set_words(core::Interp& interp, int argc, core::Value* argv);

// array_foreach: runs body for every element in scan order (`keyvar` may be
// empty).
core::Code array_foreach_words(core::Interp& interp, const char* cmd, std::string_view name,
                               std::string_view valuevar, std::string_view keyvar,
                               const core::Value& body);

}  // namespace collections
