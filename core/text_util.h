// Character classes, name forms and the plain decimal readers shared by every
// layer: one definition of each, so that "blank" and "global name" mean the
// same everywhere.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace core {

// The longest text a command may leave as its result (1 GiB). A command that
// makes a longer one fails instead, so a script that doubles a text in a loop
// ends with a message rather than exhausting memory.
inline constexpr size_t kMaxTextLength = size_t{1} << 30;

// A space or a tab (the blanks between words on one line).
inline bool is_blank(char c) {
  return c == ' ' || c == '\t';
}

// A space, a tab, a carriage return or a line feed (the separators of list
// elements and of words across lines).
inline bool is_blank_or_line_end(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Whether a command or variable name is written in its global form "::name".
inline bool has_global_prefix(std::string_view name) {
  return name.size() >= 2 && name[0] == ':' && name[1] == ':';
}

// The name without one leading "::" (commands are registered without it).
inline std::string_view strip_global_prefix(std::string_view name) {
  if (has_global_prefix(name)) name.remove_prefix(2);
  return name;
}

// Decimal reading of the leading digits after blanks (optional sign), like
// the C library's atol, wrapping modulo 2^64: "12abc" gives 12, "abc" 0.
int64_t leading_int(std::string_view text);
// Whole-text decimal integer; nullopt when the text is not one.
std::optional<int64_t> parse_int(std::string_view text);

}  // namespace core
