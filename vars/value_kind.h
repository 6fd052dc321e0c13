// What a value text looks like, as the vars listing classifies it.
#pragma once

#include <string_view>

namespace vars {

// "empty", "float", "hexint", "binary", "octal", "integer", "int64", "list",
// "sci" or "string".
const char* kind_of_value(std::string_view v);

}  // namespace vars
