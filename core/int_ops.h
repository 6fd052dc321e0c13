// Integer operators: wrapping 64-bit arithmetic and comparisons, shared by the
// operator commands and the evaluator, which computes chains of them without
// calling the commands.
#pragma once

#include <cstdint>
#include <limits>
#include <string_view>

namespace core {

enum class IntOp : uint8_t {
  None,
  Add,
  Sub,
  Mul,
  Div,
  Mod,
  Pow,
  And,
  Or,
  Xor,
  LAnd,
  LOr,
  Gt,
  Ge,
  Lt,
  Le,
  Eq,
  Ne
};

// Operators of the combined-math commands by name (+ - * / % ** & | ^ && ||);
// None for any other name (the shifts take a width and are not listed).
inline IntOp int_math_op(std::string_view n) {
  if (n.size() == 1) {
    switch (n[0]) {
      case '+':
        return IntOp::Add;
      case '-':
        return IntOp::Sub;
      case '*':
        return IntOp::Mul;
      case '/':
        return IntOp::Div;
      case '%':
        return IntOp::Mod;
      case '&':
        return IntOp::And;
      case '|':
        return IntOp::Or;
      case '^':
        return IntOp::Xor;
      default:
        return IntOp::None;
    }
  }
  if (n == "**") return IntOp::Pow;
  if (n == "&&") return IntOp::LAnd;
  if (n == "||") return IntOp::LOr;
  return IntOp::None;
}

// Operators of the relational commands by name (> >= < <= == !=).
inline IntOp int_compare_op(std::string_view n) {
  if (n == ">") return IntOp::Gt;
  if (n == ">=") return IntOp::Ge;
  if (n == "<") return IntOp::Lt;
  if (n == "<=") return IntOp::Le;
  if (n == "==") return IntOp::Eq;
  if (n == "!=") return IntOp::Ne;
  return IntOp::None;
}

// Integer power with wrapping; exponent 0 gives 1, a negative exponent the
// integer part of the real result (1 for base 1, +-1 for base -1, else 0).
inline int64_t int_power(int64_t base, int64_t exponent) {
  if (exponent == 0) return 1;
  if (exponent < 0) {
    if (base == 1) return 1;
    if (base == -1) return (exponent % 2 == 0) ? 1 : -1;
    return 0;
  }
  uint64_t result = 1;
  uint64_t b = static_cast<uint64_t>(base);
  uint64_t e = static_cast<uint64_t>(exponent);
  while (e) {
    if (e & 1) result *= b;
    b *= b;
    e >>= 1;
  }
  return static_cast<int64_t>(result);
}

// Computes x op y into r (comparisons give 1 or 0). Returns false, leaving r
// alone, where the command reports a fault instead: division or remainder by
// zero, a power that overflows to the most negative number, or no operator.
inline bool int_operate(IntOp op, int64_t x, int64_t y, int64_t& r) {
  auto u = [](int64_t v) { return static_cast<uint64_t>(v); };
  switch (op) {
    case IntOp::Add:
      r = static_cast<int64_t>(u(x) + u(y));
      return true;
    case IntOp::Sub:
      r = static_cast<int64_t>(u(x) - u(y));
      return true;
    case IntOp::Mul:
      r = static_cast<int64_t>(u(x) * u(y));
      return true;
    case IntOp::Div:
      if (y == 0) return false;
      // The most negative number divided by -1 wraps to itself.
      r = y == -1 ? static_cast<int64_t>(0 - u(x)) : x / y;
      return true;
    case IntOp::Mod:
      if (y == 0) return false;
      r = y == -1 ? 0 : x % y;
      return true;
    case IntOp::Pow: {
      int64_t p = int_power(x, y);
      if (p == std::numeric_limits<int64_t>::min()) return false;
      r = p;
      return true;
    }
    case IntOp::And:
      r = x & y;
      return true;
    case IntOp::Or:
      r = x | y;
      return true;
    case IntOp::Xor:
      r = x ^ y;
      return true;
    case IntOp::LAnd:
      r = (x != 0 && y != 0) ? 1 : 0;
      return true;
    case IntOp::LOr:
      r = (x != 0 || y != 0) ? 1 : 0;
      return true;
    case IntOp::Gt:
      r = x > y;
      return true;
    case IntOp::Ge:
      r = x >= y;
      return true;
    case IntOp::Lt:
      r = x < y;
      return true;
    case IntOp::Le:
      r = x <= y;
      return true;
    case IntOp::Eq:
      r = x == y;
      return true;
    case IntOp::Ne:
      r = x != y;
      return true;
    case IntOp::None:
      return false;
  }
  return false;
}

}  // namespace core
