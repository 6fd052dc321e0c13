// Glob matching shared by lsearch, in/ni, commands and the string commands.
#pragma once

#include <string_view>

namespace core {

// "*" matches any run of characters (none included), "?" any one character;
// every other pattern character matches itself, letters without regard to
// case when `nocase` is set. There are no character classes and no escapes.
bool glob_match(std::string_view pattern, std::string_view text, bool nocase);

}  // namespace core
