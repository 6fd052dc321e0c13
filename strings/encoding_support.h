// Helpers shared by the encoding and binary command families: whole-word
// number readings (a word that is not entirely a number is refused instead
// of read as 0) and the UTF-8 reader.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace expr {

// A word that is entirely one integer in the forms of the integer value
// reader (decimal with a sign, "0x"/"&h" hex, "0b"/"&b" binary, "0o"
// octal), blanks around it allowed; its value as that reader gives it.
std::optional<int64_t> whole_int(std::string_view word);

// A word that is entirely one floating-point number (blanks around it
// allowed).
std::optional<double> whole_double(std::string_view word);

// Reads one UTF-8 encoded code point at `at`. Returns its length in bytes,
// or 0 when the bytes there are no valid encoding (a stray continuation
// byte, a truncated or overlong sequence, a surrogate or a value above
// U+10FFFF).
size_t utf8_decode(std::string_view text, size_t at, uint32_t& code);

// Appends the UTF-8 encoding of a valid code point.
void utf8_append(std::string& out, uint32_t code);

}  // namespace expr
