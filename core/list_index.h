// Number and index readers shared by the list command families.
#pragma once

#include <cstdint>
#include <limits>
#include <optional>
#include <string_view>

namespace core {

// A whole-text decimal integer (optional sign, digits only). Values beyond
// the 64-bit range saturate, so a huge index stays huge instead of wrapping.
inline std::optional<int64_t> read_decimal(std::string_view text) {
  size_t i = 0;
  bool neg = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) neg = text[i++] == '-';
  if (i == text.size()) return std::nullopt;
  int64_t v = 0;
  for (; i < text.size(); ++i) {
    char c = text[i];
    if (c < '0' || c > '9') return std::nullopt;
    int d = c - '0';
    if (v > (std::numeric_limits<int64_t>::max() - d) / 10) {
      v = std::numeric_limits<int64_t>::max();
      while (++i < text.size()) {
        if (text[i] < '0' || text[i] > '9') return std::nullopt;
      }
      break;
    }
    v = v * 10 + d;
  }
  return neg ? -v : v;
}

// The C library's reading of leading digits (blanks, sign, digits; "12ab" is
// 12, "ab" is 0), saturating at the 64-bit range.
inline int64_t leading_decimal(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  size_t from = i;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
  return read_decimal(text.substr(from, i - from)).value_or(0);
}

// The same limited to the 32-bit range of the numbers some commands read.
inline int32_t leading_decimal32(std::string_view text) {
  int64_t v = leading_decimal(text);
  if (v > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (v < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(v);
}

// N of an "end-N" suffix: digits only after the "-"; nullopt for any other
// continuation.
inline std::optional<int64_t> end_offset(std::string_view after_end) {
  if (after_end.size() < 2 || after_end[0] != '-') return std::nullopt;
  std::string_view digits = after_end.substr(1);
  if (digits[0] == '-' || digits[0] == '+') return std::nullopt;
  return read_decimal(digits);
}

}  // namespace core
