// Number reading and printing shared by the operator commands, the expression
// engine and the numeric utilities. Numbers travel as text; each reader here
// applies one of the program's reading rules and caches its reading on the
// Value (Value::number_cache), keyed by the reader, so a literal in a loop
// body is read once.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/value.h"

namespace expr {

using core::Value;

// --- Plain readers (no cache) -------------------------------------------------

// The integer value reader. Prefixes are tested without regard to case:
//   "0x"/"&h" hexadecimal (blanks after the prefix skipped, at most 16 digits,
//             17 or more give 0), "0b"/"&b" binary (only 0 and 1 after the
//             prefix, at most 64 digits, anything else gives 0), "0o" octal
//             (stops at the first non-octal digit), any other leading "0"
//             decimal, any other "&" an unknown type (value 0),
//   otherwise decimal with leading blanks and a sign, stopping at the first
//   non-digit. Arithmetic wraps modulo 2^64.
struct IntReading {
  int64_t value = 0;
  bool unknown_type = false;  // "&" followed by something other than h or b
};
IntReading read_int_text(std::string_view text);

// A float literal: an optional sign, digits and exactly one ".", with at least
// one digit and nothing else (no exponent).
bool is_float_literal(std::string_view text);

// The C library's text-to-double reading of the leading number ("abc" is 0).
double read_double_text(std::string_view text);

// Numeric classification of the relational commands.
enum class NumClass : uint8_t { NotNumeric, Integer, Float };
NumClass classify_text(std::string_view text);

// --- Cached readers -------------------------------------------------------------

// An operand of the combined-math commands: a float literal (with its double
// value) or an integer read by the integer value reader.
struct ArithOperand {
  bool is_float = false;
  bool unknown_type = false;
  int64_t i = 0;   // integer value reader result (also for float literals)
  double d = 0.0;  // double value (float literals; integers converted)
};
ArithOperand read_arith(const Value& v);

// An operand of the relational commands.
struct RelOperand {
  NumClass cls = NumClass::NotNumeric;
  int64_t i = 0;   // integer value reader result (Integer)
  double d = 0.0;  // double value (Float, or Integer converted)
};
RelOperand read_rel(const Value& v);

// Cached forms of the plain readers.
IntReading read_int(const Value& v);
int64_t read_decimal(const Value& v);
double read_double(const Value& v);

// --- Conversions and printing ------------------------------------------------------

// Double to 64-bit integer without undefined behaviour: truncates toward
// zero, saturates at the 64-bit limits, NaN gives 0.
int64_t double_to_int(double d);

// Wrapping 64-bit arithmetic (computed in unsigned).
inline int64_t wrap_add(int64_t a, int64_t b) {
  return static_cast<int64_t>(static_cast<uint64_t>(a) + static_cast<uint64_t>(b));
}
inline int64_t wrap_sub(int64_t a, int64_t b) {
  return static_cast<int64_t>(static_cast<uint64_t>(a) - static_cast<uint64_t>(b));
}
inline int64_t wrap_mul(int64_t a, int64_t b) {
  return static_cast<int64_t>(static_cast<uint64_t>(a) * static_cast<uint64_t>(b));
}
// Integer power with wrapping; exponent 0 gives 1, a negative exponent the
// integer part of the real result (1 for base 1, +-1 for base -1, else 0).
int64_t int_pow(int64_t base, int64_t exponent);

// Printing: "%I64i", "%I64u", "%.15f" and a caller-chosen precision.
Value int_value(int64_t v);
Value uint_value(uint64_t v);
std::string format_double(const char* format, double d);
Value float15_value(double d);  // "%.15f"
// The double that reading back the "%.15f" text of the finite `d` gives
// (fifteen decimals keep every double of magnitude 8 or more; smaller ones
// move to the double nearest their rounded decimal), without the text.
double float15_reread(double d);
// The "%.15f" text of a finite `d` that reads back as itself (a result of
// float15_reread), with that reading recorded as read_arith would record it.
Value float15_known(double d);
// "%.15f" of a finite double below 2^63 in magnitude (and not subnormal)
// into `buf` (at least 48 characters); returns the length, 0 for the doubles
// it does not handle.
size_t fixed15_chars(double d, char* buf);
// Fifteen decimals, padded to `width` ("%.15f" for 0, "%15.15f" for 15).
std::string fixed15(double d, int width);

// --- Shared numeric routines --------------------------------------------------------

// Rounds half away from zero at `places` decimals (the rounding rule of
// round() and the round command).
double round_half_away(double x, int places);
// The rounded value printed with exactly `places` decimals (negative counts
// as 0; very large counts are capped).
std::string format_rounded(double x, int places);
// The n-th Fibonacci number modulo 2^64 (fib(0) = 0, fib(1) = fib(2) = 1);
// 0 for negative n. Logarithmic in n.
int64_t fibonacci(int64_t n);

}  // namespace expr
