// File access for the interpreter core (whole-file reads).
#pragma once

#include <string>
#include <string_view>

namespace platform {

bool file_exists(std::string_view path);
// True when `path` names a directory (following links).
bool path_is_directory(std::string_view path);
// Reads a whole file in binary mode; false when it cannot be read.
bool read_file(std::string_view path, std::string& out);

}  // namespace platform
