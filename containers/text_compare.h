// Text comparisons shared by the containers: exact or ASCII case-folded
// equality, optionally limited to a number of leading characters.
#pragma once

#include <cstddef>
#include <string_view>

namespace containers {

inline char ascii_lower(char c) {
  return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

// Equality without regard to ASCII letter case.
inline bool equal_fold(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (ascii_lower(a[i]) != ascii_lower(b[i])) return false;
  return true;
}

inline bool equal_text(std::string_view a, std::string_view b, bool fold_case) {
  return fold_case ? equal_fold(a, b) : a == b;
}

// Equality of the first `prefix_len` characters when `prefix_len` > 0 (a text
// shorter than that takes part with all of its characters, so "ab" and "abc"
// differ under a prefix of 3), of the whole texts otherwise.
inline bool equal_prefix(std::string_view a, std::string_view b, int prefix_len, bool fold_case) {
  if (prefix_len > 0) {
    size_t n = static_cast<size_t>(prefix_len);
    a = a.substr(0, n);
    b = b.substr(0, n);
  }
  return equal_text(a, b, fold_case);
}

}  // namespace containers
