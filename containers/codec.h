// Byte codecs shared by the encoding commands and the HTTP client: Base64
// (RFC 4648, standard and URL-safe alphabets) and hexadecimal text. All of
// them are binary safe: NUL bytes travel like any other byte.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace containers {

enum class Base64Alphabet {
  Standard,  // A-Z a-z 0-9 + /, padded with '='
  Url,       // A-Z a-z 0-9 - _, no padding
};

// Encodes `bytes`. With `wrap` > 0 a line end ("\n") follows every `wrap`
// encoded characters except at the very end.
std::string base64_encode(std::string_view bytes,
                          Base64Alphabet alphabet = Base64Alphabet::Standard, size_t wrap = 0);

// Decodes Base64 text; blanks and line ends anywhere are ignored. Padding is
// optional, but when present it must complete the last group and nothing
// but blanks may follow it. Characters outside the alphabet, a lone
// trailing character and non-zero bits left over in the last character make
// the text invalid (nullopt).
std::optional<std::string> base64_decode(std::string_view text,
                                         Base64Alphabet alphabet = Base64Alphabet::Standard);

// Two hex digits per byte.
std::string hex_encode(std::string_view bytes, bool upper = false);

// The bytes of a hex text; blanks and line ends are ignored, digits of
// either case are accepted. An odd number of digits or any other character
// makes the text invalid (nullopt).
std::optional<std::string> hex_decode(std::string_view text);

// The value of one hex digit, or -1.
inline int hex_digit_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace containers
