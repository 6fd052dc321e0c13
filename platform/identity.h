// Who and where: the user name, the host name and full paths.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// Name of the user running the process ("" when unknown).
std::string user_name();
// Name of this computer ("" when unknown).
std::string host_name();
// Absolute, lexically normalised form of `path` (the file need not exist);
// "" when it cannot be formed.
std::string full_path(std::string_view path);

}  // namespace platform
