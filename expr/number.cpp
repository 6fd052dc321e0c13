// Number reading and printing shared by the operator commands, the expression
// engine and the numeric utilities.
#include "expr/number.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "core/int_ops.h"
#include "core/text_util.h"

namespace expr {
namespace {

// Which reader filled a Value's number cache. A canonical decimal integer
// ("-12", "0", no leading zeros) reads the same under every reader, so its
// entry serves them all; the other entries serve only their own reader.
enum Reader : uint8_t {
  kNone = 0,
  kCanonInt = 1,   // i
  kFloatLit = 2,   // d (strtod) and i (integer value reader)
  kArithInt = 3,   // i, ok = known type
  kRelNotNum = 4,  // not numeric
  kRelInt = 5,     // i (integer value reader)
  kRelFloat = 6,   // d (strtod)
  kDecimal = 7,    // i
  kDouble = 8,     // d
};

inline bool is_digit(char c) {
  return c >= '0' && c <= '9';
}
using core::is_blank;
inline char lower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

int hex_digit(char c) {
  if (is_digit(c)) return c - '0';
  c = lower(c);
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// canonical_int on a Value, remembering the reading on it.
bool canonical_value(const Value& v, int64_t& out) {
  return v.canonical_int(out);
}

core::NumberCache* cache_of(const Value& v) {
  return v.number_cache();
}

}  // namespace

// --- Plain readers -------------------------------------------------------------------

IntReading read_int_text(std::string_view t) {
  IntReading r;
  if (t.size() >= 2) {
    char c0 = t[0];
    char c1 = lower(t[1]);
    bool zero = c0 == '0';
    bool amp = c0 == '&';
    if ((zero && c1 == 'x') || (amp && c1 == 'h')) {
      size_t i = 2;
      while (i < t.size() && is_blank(t[i])) ++i;
      uint64_t v = 0;
      int digits = 0;
      for (; i < t.size(); ++i) {
        int d = hex_digit(t[i]);
        if (d < 0) break;
        if (++digits > 16) return r;  // 17 or more digits give 0
        v = (v << 4) | static_cast<uint64_t>(d);
      }
      r.value = static_cast<int64_t>(v);
      return r;
    }
    if ((zero || amp) && c1 == 'b') {
      if (t.size() - 2 > 64) return r;
      uint64_t v = 0;
      for (size_t i = 2; i < t.size(); ++i) {
        if (t[i] != '0' && t[i] != '1') return r;
        v = (v << 1) | static_cast<uint64_t>(t[i] - '0');
      }
      r.value = static_cast<int64_t>(v);
      return r;
    }
    if (zero && c1 == 'o') {
      uint64_t v = 0;
      for (size_t i = 2; i < t.size() && t[i] >= '0' && t[i] <= '7'; ++i) {
        v = (v << 3) | static_cast<uint64_t>(t[i] - '0');
      }
      r.value = static_cast<int64_t>(v);
      return r;
    }
  }
  if (!t.empty() && t[0] == '&') {
    r.unknown_type = true;
    return r;
  }
  r.value = core::leading_int(t);
  return r;
}

bool is_float_literal(std::string_view t) {
  size_t i = 0;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
  bool digit = false;
  int dots = 0;
  for (; i < t.size(); ++i) {
    if (is_digit(t[i])) {
      digit = true;
    } else if (t[i] == '.') {
      ++dots;
    } else {
      return false;
    }
  }
  return digit && dots == 1;
}

// Plain decimal text (an optional sign, digits, at most one "."): read with
// from_chars, which gives the same correctly rounded value as strtod faster.
bool plain_decimal(std::string_view t) {
  size_t i = (!t.empty() && (t[0] == '-' || t[0] == '+')) ? 1 : 0;
  bool digit = false;
  bool dot = false;
  for (; i < t.size(); ++i) {
    if (is_digit(t[i])) {
      digit = true;
    } else if (t[i] == '.' && !dot) {
      dot = true;
    } else {
      return false;
    }
  }
  return digit;
}

double read_double_text(std::string_view t) {
  if (plain_decimal(t) && t.size() < 400) {
    std::string_view u = t[0] == '+' ? t.substr(1) : t;
    double d = 0.0;
    auto [end, ec] = std::from_chars(u.data(), u.data() + u.size(), d);
    if (ec == std::errc() && end == u.data() + u.size()) return d;
  }
  // strtod needs a terminated text; numbers are short, so copy only a
  // bounded prefix unless the text is long.
  char buf[64];
  if (t.size() < sizeof buf) {
    t.copy(buf, t.size());
    buf[t.size()] = '\0';
    return std::strtod(buf, nullptr);
  }
  std::string s(t);
  return std::strtod(s.c_str(), nullptr);
}

NumClass classify_text(std::string_view t) {
  size_t i = 0;
  while (i < t.size() && is_blank(t[i])) ++i;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
  size_t start = i;
  if (i < t.size() && t[i] == '.') ++i;
  if (i >= t.size() || !is_digit(t[i])) return NumClass::NotNumeric;
  // A digit directly followed by a base letter and a digit is an integer.
  if (i + 2 < t.size()) {
    char b = t[i + 1];
    if ((b == 'X' || b == 'x' || b == 'b' || b == 'o' || b == 'r') && is_digit(t[i + 2])) {
      return NumClass::Integer;
    }
  }
  int dots = 0;
  for (size_t k = start; k < t.size(); ++k) {
    if (t[k] == '.') {
      ++dots;
    } else if (!is_digit(t[k])) {
      return NumClass::NotNumeric;
    }
  }
  if (dots == 0) return NumClass::Integer;
  return dots == 1 ? NumClass::Float : NumClass::NotNumeric;
}

// --- Cached readers ---------------------------------------------------------------------

ArithOperand read_arith(const Value& v) {
  ArithOperand r;
  std::string_view t = v.view();
  if (canonical_value(v, r.i)) {
    r.d = static_cast<double>(r.i);
    return r;
  }
  core::NumberCache* c = cache_of(v);
  if (c) {
    switch (c->reader) {
      case kFloatLit:
        r.is_float = true;
        r.i = c->i;
        r.d = c->d;
        return r;
      case kArithInt:
        r.i = c->i;
        r.unknown_type = !c->ok;
        r.d = static_cast<double>(r.i);
        return r;
      default:
        break;
    }
  }
  if (is_float_literal(t)) {
    r.is_float = true;
    r.d = read_double_text(t);
    r.i = core::leading_int(t);
    if (c) *c = core::NumberCache{kFloatLit, true, r.i, r.d};
    return r;
  }
  IntReading ir = read_int_text(t);
  r.i = ir.value;
  r.unknown_type = ir.unknown_type;
  r.d = static_cast<double>(r.i);
  if (c) *c = core::NumberCache{kArithInt, !ir.unknown_type, r.i, 0.0};
  return r;
}

RelOperand read_rel(const Value& v) {
  RelOperand r;
  std::string_view t = v.view();
  if (canonical_value(v, r.i)) {
    r.cls = NumClass::Integer;
    r.d = static_cast<double>(r.i);
    return r;
  }
  core::NumberCache* c = cache_of(v);
  if (c) {
    switch (c->reader) {
      case kFloatLit:
      case kRelFloat:
        r.cls = NumClass::Float;
        r.d = c->d;
        return r;
      case kRelInt:
        r.cls = NumClass::Integer;
        r.i = c->i;
        r.d = static_cast<double>(r.i);
        return r;
      case kRelNotNum:
        return r;
      default:
        break;
    }
  }
  r.cls = classify_text(t);
  switch (r.cls) {
    case NumClass::NotNumeric:
      if (c) *c = core::NumberCache{kRelNotNum, false, 0, 0.0};
      break;
    case NumClass::Integer:
      r.i = read_int_text(t).value;
      r.d = static_cast<double>(r.i);
      if (c) *c = core::NumberCache{kRelInt, true, r.i, 0.0};
      break;
    case NumClass::Float:
      r.d = read_double_text(t);
      if (c) *c = core::NumberCache{kRelFloat, true, 0, r.d};
      break;
  }
  return r;
}

IntReading read_int(const Value& v) {
  IntReading r;
  std::string_view t = v.view();
  if (canonical_value(v, r.value)) return r;
  core::NumberCache* c = cache_of(v);
  if (c) {
    switch (c->reader) {
      case kFloatLit:
      case kRelInt:
        r.value = c->i;
        return r;
      case kArithInt:
        r.value = c->i;
        r.unknown_type = !c->ok;
        return r;
      default:
        break;
    }
  }
  r = read_int_text(t);
  if (c && c->reader == kNone) *c = core::NumberCache{kArithInt, !r.unknown_type, r.value, 0.0};
  return r;
}

int64_t read_decimal(const Value& v) {
  int64_t i;
  std::string_view t = v.view();
  if (canonical_value(v, i)) return i;
  core::NumberCache* c = cache_of(v);
  if (c && (c->reader == kDecimal || c->reader == kFloatLit)) return c->i;
  i = core::leading_int(t);
  if (c && c->reader == kNone) *c = core::NumberCache{kDecimal, true, i, 0.0};
  return i;
}

double read_double(const Value& v) {
  int64_t i;
  std::string_view t = v.view();
  if (canonical_value(v, i)) return static_cast<double>(i);
  core::NumberCache* c = cache_of(v);
  if (c && (c->reader == kDouble || c->reader == kFloatLit || c->reader == kRelFloat)) return c->d;
  double d = read_double_text(t);
  if (c && c->reader == kNone) *c = core::NumberCache{kDouble, true, 0, d};
  return d;
}

// --- Conversions and printing -----------------------------------------------------------

int64_t double_to_int(double d) {
  if (std::isnan(d)) return 0;
  if (d >= 9223372036854775808.0) return std::numeric_limits<int64_t>::max();
  if (d < -9223372036854775808.0) return std::numeric_limits<int64_t>::min();
  return static_cast<int64_t>(d);
}

int64_t int_pow(int64_t base, int64_t exponent) {
  return core::int_power(base, exponent);
}

Value int_value(int64_t v) {
  return Value::from_int(v);
}

Value uint_value(uint64_t v) {
  char buf[24];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
  (void)ec;
  return Value(std::string_view(buf, static_cast<size_t>(end - buf)));
}

std::string format_double(const char* format, double d) {
  char buf[64];
  int n = std::snprintf(buf, sizeof buf, format, d);
  if (n < 0) return std::string();
  if (static_cast<size_t>(n) < sizeof buf) return std::string(buf, static_cast<size_t>(n));
  std::string s(static_cast<size_t>(n) + 1, '\0');
  std::snprintf(s.data(), s.size(), format, d);
  s.resize(static_cast<size_t>(n));
  return s;
}

namespace {

// "%.15f" of a finite double below 2^63 in magnitude, by exact integer
// arithmetic: d * 10^15 = mant * 10^15 * 2^e, rounded half to even as
// printf rounds. Returns the length written to `buf` (at least 40
// characters), 0 for values outside that range.
size_t fixed15_quick(double d, char* buf) {
  using u128 = unsigned __int128;
  constexpr uint64_t kScale = 1000000000000000ULL;  // 10^15
  uint64_t bits;
  std::memcpy(&bits, &d, sizeof bits);
  const bool negative = (bits >> 63) != 0;
  const int field = static_cast<int>((bits >> 52) & 0x7FF);
  uint64_t mant = bits & ((1ULL << 52) - 1);
  u128 q = 0;
  if (field != 0 || mant != 0) {
    if (field == 0 || field == 0x7FF) return 0;  // subnormal, infinite, NaN
    mant |= 1ULL << 52;
    const int e = field - 1075;                             // d = mant * 2^e
    if (e > 10) return 0;                                   // 2^63 or more
    const u128 product = static_cast<u128>(mant) * kScale;  // below 2^103
    if (e >= 0) {
      q = product << e;
    } else if (-e < 110) {
      const int shift = -e;
      q = product >> shift;
      const u128 rest = product & ((static_cast<u128>(1) << shift) - 1);
      const u128 half = static_cast<u128>(1) << (shift - 1);
      if (rest > half || (rest == half && (q & 1) != 0)) ++q;
    }
  }
  uint64_t whole;
  uint64_t fraction;
  if (q <= UINT64_MAX) {  // 64-bit division is much cheaper
    whole = static_cast<uint64_t>(q) / kScale;
    fraction = static_cast<uint64_t>(q) % kScale;
  } else {
    whole = static_cast<uint64_t>(q / kScale);
    fraction = static_cast<uint64_t>(q % kScale);
  }
  char* p = buf;
  if (negative) *p++ = '-';
  p = std::to_chars(p, p + 24, whole).ptr;
  *p++ = '.';
  for (int i = 14; i >= 0; --i) {
    p[i] = static_cast<char>('0' + fraction % 10);
    fraction /= 10;
  }
  p += 15;
  return static_cast<size_t>(p - buf);
}

}  // namespace

size_t fixed15_chars(double d, char* buf) {
  return fixed15_quick(d, buf);
}

std::string fixed15(double d, int width) {
  const char* format = width ? "%15.15f" : "%.15f";
  char quick[48];
  if (size_t n = fixed15_quick(d, quick)) {
    std::string s(quick, n);
    if (s.size() < static_cast<size_t>(width))
      s.insert(0, static_cast<size_t>(width) - s.size(), ' ');
    return s;
  }
  if (!std::isfinite(d)) return format_double(format, d);
  char buf[400];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::fixed, 15);
  if (ec != std::errc()) return format_double(format, d);
  std::string s(buf, static_cast<size_t>(end - buf));
  if (s.size() < static_cast<size_t>(width))
    s.insert(0, static_cast<size_t>(width) - s.size(), ' ');
  return s;
}

Value float15_value(double d) {
  return Value(fixed15(d, 0));
}

Value float15_known(double d) {
  char buf[48];
  size_t n = fixed15_quick(d, buf);
  Value v = n ? Value(std::string_view(buf, n)) : float15_value(d);
  if (core::NumberCache* c = v.number_cache()) {
    // The leading integer of the text: below 2^53 the rounded decimal never
    // crosses an integer the double itself has not reached.
    int64_t lead = std::fabs(d) < 9007199254740992.0 ? static_cast<int64_t>(std::trunc(d))
                                                     : core::leading_int(v.view());
    *c = core::NumberCache{kFloatLit, true, lead, d};
  }
  return v;
}

double float15_reread(double d) {
  // From 8 on, a step of the fifteenth decimal (1e-15) is less than a
  // double's spacing, so the rounded decimal reads back as `d` itself.
  if (!(std::fabs(d) < 8.0)) return d;
  uint64_t bits;
  std::memcpy(&bits, &d, sizeof bits);
  const int field = static_cast<int>((bits >> 52) & 0x7FF);
  uint64_t mant = bits & ((1ULL << 52) - 1);
  if (field == 0) return std::copysign(0.0, d);  // zero or subnormal: "0.000..."
  // The rounded decimal as q / 10^15, q below 2^53: q and 10^15 are exact
  // doubles, so their quotient is the correctly rounded reading.
  using u128 = unsigned __int128;
  mant |= 1ULL << 52;
  const int shift = 1075 - field;  // d = mant / 2^shift, shift >= 50
  if (shift >= 110) return std::copysign(0.0, d);
  const u128 product = static_cast<u128>(mant) * 1000000000000000ULL;
  u128 q = product >> shift;
  const u128 rest = product & ((static_cast<u128>(1) << shift) - 1);
  const u128 half = static_cast<u128>(1) << (shift - 1);
  if (rest > half || (rest == half && (q & 1) != 0)) ++q;
  return std::copysign(static_cast<double>(static_cast<uint64_t>(q)) / 1e15, d);
}

// Decimals printed by rounding are capped here; beyond it a double has no
// digits left to show and the text would only grow.
constexpr int kMaxRoundPlaces = 340;

double round_half_away(double x, int places) {
  if (x == 0.0) return x;
  double scale = places <= 0 ? 1.0 : std::pow(10.0, places);
  double y = x * scale;
  // Past 2^53 a double holds no fraction: the value is already rounded.
  if (!std::isfinite(y) || std::fabs(y) >= 9007199254740992.0) return x;
  double whole;
  double frac = std::modf(y, &whole);
  if (x >= 0 && frac >= 0.5) whole += 1.0;
  if (x < 0 && frac <= -0.5) whole -= 1.0;
  return whole / scale;
}

std::string format_rounded(double x, int places) {
  if (places < 0) places = 0;
  if (places > kMaxRoundPlaces) places = kMaxRoundPlaces;
  char format[16];
  std::snprintf(format, sizeof format, "%%.%df", places);
  return format_double(format, round_half_away(x, places));
}

// Fibonacci numbers modulo 2^64 by fast doubling: F(2k) = F(k)(2F(k+1) -
// F(k)), F(2k+1) = F(k)^2 + F(k+1)^2. Negative n gives 0.
int64_t fibonacci(int64_t n) {
  if (n <= 0) return 0;
  uint64_t a = 0;  // F(k)
  uint64_t b = 1;  // F(k+1)
  for (int bit = 62; bit >= 0; --bit) {
    uint64_t c = a * (2 * b - a);
    uint64_t d = a * a + b * b;
    a = c;
    b = d;
    if ((static_cast<uint64_t>(n) >> bit) & 1) {
      uint64_t t = a + b;
      a = b;
      b = t;
    }
  }
  return static_cast<int64_t>(a);
}

}  // namespace expr
