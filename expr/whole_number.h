// Whole-text number readers for the commands that must not take a partial
// or wrapped number: conversions, value tests and comparisons. They accept
// the forms of the integer value reader ("12", "-12", "0x1F", "&h1F",
// "0b101", "&b101", "0o17") but the whole text must be the number, and a
// value beyond 64 bits is refused instead of wrapping.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace expr {

// A 64-bit magnitude with its sign. Decimal texts reach -2^63 ..
// 2^64-1; base-prefixed texts are unsigned 64-bit patterns (16 hex digits).
struct WholeInt {
  uint64_t magnitude = 0;
  bool negative = false;
  // The 64-bit pattern: negative values in two's complement.
  uint64_t bits() const { return negative ? 0 - magnitude : magnitude; }
  int64_t as_int64() const { return static_cast<int64_t>(bits()); }
};
std::optional<WholeInt> read_whole_int(std::string_view text);
// The same limited to the signed 64-bit range (-2^63 .. 2^63-1).
std::optional<int64_t> read_whole_int64(std::string_view text);

// The value of the digits of `base` (2..36) making up all of `t`; with
// `separators`, "_" may stand between digits. nullopt when empty, foreign or
// over 64 bits.
std::optional<uint64_t> read_digits(std::string_view t, int base, bool separators);

// The digit value of c in bases up to 36 (either case), or -1.
int digit_value(char c);

// A number as the relational commands compare it: an integer (any form
// above, as its 64-bit pattern) or, as a double, a float literal (sign,
// digits, one ".") or a decimal integer too long for 64 bits. Blanks around
// the text are allowed.
struct WholeNumber {
  bool is_int = false;
  int64_t i = 0;
  double d = 0.0;
};
std::optional<WholeNumber> read_whole_number(std::string_view text);

// -1, 0 or 1 comparing two numbers (integers exactly, else as doubles).
int compare_numbers(const WholeNumber& a, const WholeNumber& b);

// -1, 0 or 1 comparing two values as the relational commands do: as numbers
// when both are numbers, else byte by byte (ASCII letters folded with
// `nocase`).
int compare_values(std::string_view a, std::string_view b, bool nocase);

}  // namespace expr
