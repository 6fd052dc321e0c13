// The macro list of one preprocessor run and the substitution of macro words.
#pragma once

#include <bitset>
#include <string>
#include <string_view>
#include <unordered_map>

#include "containers/pair_list.h"
#include "expr/expr_engine.h"

namespace mpp {

inline bool is_word_char(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// Characters that end a macro word in script text: ' CR LF TAB } ] ) space.
inline bool ends_macro_word(char c) {
  switch (c) {
    case '\'':
    case '\r':
    case '\n':
    case '\t':
    case '}':
    case ']':
    case ')':
    case ' ':
      return true;
    default:
      return false;
  }
}

// Name -> value texts in definition order (a PairList, as the design keeps
// them), with a hash index beside it so that the look-up made at every word
// start costs the same for ten macros or ten thousand. Invariant: `index_`
// holds exactly the names of `list_`, each pointing at its node.
class MacroTable {
 public:
  // A run starts with True = 1, False = 0 and __LINE__ = 0.
  MacroTable();
  MacroTable(const MacroTable&) = delete;
  MacroTable& operator=(const MacroTable&) = delete;

  // Defines or redefines `name` (ignored when empty).
  void define(std::string_view name, std::string_view value);
  bool undefine(std::string_view name);
  const std::string* find(std::string_view name) const;
  int32_t count() const { return list_.count(); }
  const containers::PairList& list() const { return list_; }

  // __LINE__ becomes the 1-based line number (when it is defined).
  void set_line(long line);

  // Follows a value that names a macro to its final value, at most `steps`
  // steps (so a macro naming itself ends).
  std::string resolve(std::string_view value, int steps) const;
  // The text that replaces the macro word `name` (which must be defined): the
  // value's chain followed, every delimited part inside it that names a macro
  // replaced once, one pair of enclosing double quotes removed.
  std::string expansion(std::string_view name) const;
  // Substitutes macros at word starts throughout `text` (used for the texts
  // of #echo, #if and #exec); the end of the text also ends a word.
  std::string substitute(std::string_view text) const;
  // Every macro as a name map for the prefix translator.
  expr::NameMap name_map() const;

 private:
  struct Hash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
  };
  containers::PairList list_;
  std::unordered_map<std::string, containers::PairNode*, Hash, std::equal_to<>> index_;
  // A quick refusal before hashing: the first characters and the longest
  // length of every name ever defined in this run.
  std::bitset<256> first_chars_;
  size_t longest_ = 0;
};

}  // namespace mpp
