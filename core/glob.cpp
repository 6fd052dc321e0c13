// Glob matching with backtracking to the last "*" only, so a match costs at
// most pattern length times text length steps.
#include "core/glob.h"

namespace core {
namespace {

inline char fold(char c, bool nocase) {
  return nocase && c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

bool glob_match(std::string_view pattern, std::string_view text, bool nocase) {
  size_t p = 0;
  size_t t = 0;
  size_t star = std::string_view::npos;  // position of the last "*" seen
  size_t mark = 0;                       // text position that "*" has reached
  while (t < text.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      mark = t;
    } else if (p < pattern.size() &&
               (pattern[p] == '?' || fold(pattern[p], nocase) == fold(text[t], nocase))) {
      ++p;
      ++t;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      t = ++mark;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

}  // namespace core
