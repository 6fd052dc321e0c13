// Path texts and name patterns shared by the file commands: file-name words,
// folder and name parts with either separator, pattern matching and the
// pattern walk behind glob, ls, copyfile and file delete.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/nuvel.h"

namespace syslib {

// A file-name word as the commands use it: backslash escapes translated
// while the escape switch is on.
std::string file_word(const core::Value& word);

inline bool is_separator(char c) {
  return c == '/' || c == '\\';
}
// Position of the last "/" or "\" in the text, or npos.
size_t last_separator(std::string_view path);
// Every "\" becomes "/".
std::string forward_slashes(std::string_view path);

// Whether a pattern holds "*", "?" or "[" (a backslash quotes the next one).
bool has_wildcards(std::string_view pattern);
// Pattern matching for names: "*" any run, "?" any one byte, "[abc]" and
// "[a-z]" one byte of a set, "\x" the byte x. Byte for byte, case counts.
bool name_match(std::string_view pattern, std::string_view name);
// The pattern with its backslash quotes removed.
std::string unquote_pattern(std::string_view pattern);
// "{a,b}c" becomes "ac" and "bc" (nested braces too); a pattern without a
// complete brace group comes back alone.
std::vector<std::string> expand_braces(std::string_view pattern);

// Matches a multi-level pattern ("src/*/*.c") against the file system.
// Relative patterns are taken against `base` (the current folder when
// empty) and give paths relative to it; names starting with "." match only
// a pattern component that starts with ".". The paths found are appended to
// `out` in no set order.
void glob_paths(std::string_view pattern, std::string_view base, std::vector<std::string>& out);

}  // namespace syslib
