// Whole-text number readers of the conversion and test commands.
#include "expr/whole_number.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <string>

#include "expr/number.h"

namespace expr {
namespace {

std::string_view trim_blanks(std::string_view t) {
  while (!t.empty() && (t.front() == ' ' || t.front() == '\t')) t.remove_prefix(1);
  while (!t.empty() && (t.back() == ' ' || t.back() == '\t')) t.remove_suffix(1);
  return t;
}

// The base named by a prefix at the start of t (0x, 0b, 0o, &h, &b), or 10.
int prefix_base(std::string_view t) {
  if (t.size() < 2) return 10;
  char p = static_cast<char>(t[1] | 0x20);
  if (t[0] == '0') return p == 'x' ? 16 : p == 'b' ? 2 : p == 'o' ? 8 : 10;
  if (t[0] == '&') return p == 'h' ? 16 : p == 'b' ? 2 : 10;
  return 10;
}

bool base_prefixed(std::string_view t) {
  if (!t.empty() && (t[0] == '-' || t[0] == '+')) t.remove_prefix(1);
  return t.size() > 2 && prefix_base(t) != 10;
}

}  // namespace

std::optional<uint64_t> read_digits(std::string_view t, int base, bool separators) {
  if (t.empty()) return std::nullopt;
  uint64_t v = 0;
  bool any = false;
  for (char c : t) {
    if (separators && c == '_' && any) continue;
    int d = digit_value(c);
    if (d < 0 || d >= base) return std::nullopt;
    if (v > (std::numeric_limits<uint64_t>::max() - static_cast<uint64_t>(d)) /
                static_cast<uint64_t>(base)) {
      return std::nullopt;
    }
    v = v * static_cast<uint64_t>(base) + static_cast<uint64_t>(d);
    any = true;
  }
  if (!any || t.back() == '_') return std::nullopt;
  return v;
}

int digit_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'z') return c - 'a' + 10;
  if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
  return -1;
}

std::optional<WholeInt> read_whole_int(std::string_view text) {
  std::string_view t = trim_blanks(text);
  WholeInt w;
  if (!t.empty() && (t[0] == '-' || t[0] == '+')) {
    w.negative = t[0] == '-';
    t.remove_prefix(1);
  }
  int base = 10;
  if (t.size() > 2 && (t[0] == '0' || t[0] == '&')) {
    base = prefix_base(t);
    if (base != 10) t.remove_prefix(2);
  }
  std::optional<uint64_t> v = read_digits(t, base, false);
  if (!v) return std::nullopt;
  w.magnitude = *v;
  // A negative decimal stops at -2^63; prefixed forms are bit patterns.
  if (w.negative && w.magnitude > (uint64_t{1} << 63)) return std::nullopt;
  if (w.magnitude == 0) w.negative = false;
  return w;
}

std::optional<int64_t> read_whole_int64(std::string_view text) {
  auto w = read_whole_int(text);
  if (!w || (!w->negative && w->magnitude > uint64_t{INT64_MAX})) return std::nullopt;
  return w->as_int64();
}

std::optional<WholeNumber> read_whole_number(std::string_view text) {
  std::string_view t = trim_blanks(text);
  WholeNumber n;
  if (auto w = read_whole_int(t)) {
    bool fits = w->negative || base_prefixed(t) || w->magnitude <= uint64_t{INT64_MAX};
    if (fits) {
      n.is_int = true;
      n.i = w->as_int64();
      n.d = static_cast<double>(n.i);
      return n;
    }
  }
  // A float literal, or a decimal integer too long for 64 bits.
  std::string_view digits = t;
  if (!digits.empty() && (digits[0] == '-' || digits[0] == '+')) digits.remove_prefix(1);
  bool all_digits = !digits.empty() && digits.find_first_not_of("0123456789") == digits.npos;
  if (!all_digits && !is_float_literal(t)) return std::nullopt;
  n.d = std::strtod(std::string(t).c_str(), nullptr);
  return n;
}

int compare_values(std::string_view a, std::string_view b, bool nocase) {
  auto na = read_whole_number(a);
  auto nb = na ? read_whole_number(b) : std::nullopt;
  if (na && nb) return compare_numbers(*na, *nb);
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    auto x = static_cast<unsigned char>(a[i]);
    auto y = static_cast<unsigned char>(b[i]);
    if (nocase) {
      if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x - 'A' + 'a');
      if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y - 'A' + 'a');
    }
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

int compare_numbers(const WholeNumber& a, const WholeNumber& b) {
  if (a.is_int && b.is_int) return a.i < b.i ? -1 : (a.i > b.i ? 1 : 0);
  return a.d < b.d ? -1 : (a.d > b.d ? 1 : 0);
}

}  // namespace expr
