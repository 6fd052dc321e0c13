// UTF-8 characters of a text for the commands that count or cut characters.
// A byte that does not start a well-formed sequence (stray continuation
// bytes, overlong forms, surrogates, values beyond U+10FFFF, cut sequences)
// is a character of its own, so every text splits without loss.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace expr {

// One character at a position: its length in bytes (at least 1) and its
// code point, or -1 for a byte that is not well-formed UTF-8.
struct Utf8Char {
  size_t length = 1;
  int32_t code = -1;
};
Utf8Char utf8_char_at(std::string_view text, size_t pos);

// The characters of a text, each a view into it.
std::vector<std::string_view> utf8_chars(std::string_view text);

// The number of characters.
size_t utf8_count(std::string_view text);

// Appends the encoding of a code point (0..0x10FFFF, no surrogates).
void append_utf8(std::string& out, uint32_t code);

}  // namespace expr
