// Text rules shared by the array, dictionary and variable commands: their own
// item quoting (braces for a space or a tab, nothing else escaped) and the
// wildcard match used by their filters.
#pragma once

#include <string>
#include <string_view>

#include "containers/text_compare.h"
#include "core/glob.h"

namespace collections {

inline bool has_space_or_tab(std::string_view item) {
  return item.find_first_of(" \t") != std::string_view::npos;
}

// Appends an item, wrapped in braces exactly when it holds a space or a tab.
inline void append_braced(std::string& out, std::string_view item) {
  if (has_space_or_tab(item)) {
    out.push_back('{');
    out.append(item);
    out.push_back('}');
  } else {
    out.append(item);
  }
}

// Appends a list item after a separating space: braced as above, "{}" when
// empty (the dictionary text rule).
inline void append_dict_item(std::string& out, std::string_view item) {
  if (!out.empty()) out.push_back(' ');
  if (item.empty()) {
    out += "{}";
  } else {
    append_braced(out, item);
  }
}

// Wildcard match: "*" any run, "?" any one character, nothing else special;
// with `fold` ASCII letters compare without regard to case.
inline bool wild_match(std::string_view pattern, std::string_view text, bool fold) {
  return core::glob_match(pattern, text, fold);
}

}  // namespace collections
