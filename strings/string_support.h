// Helpers shared by the string command families: ASCII case folding, byte
// sets, searching with and without case, the "-var" convention and the
// in-place update of a variable's value.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "core/nuvel.h"
#include "core/text_util.h"
#include "core/var_store.h"

namespace vars {
struct Var;
}

namespace strings {

using core::Interp;
using core::Value;

inline char fold_lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
inline char fold_upper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string to_lower_text(std::string_view text);
std::string to_upper_text(std::string_view text);

// A set of bytes; with `nocase` a letter stands for both of its cases.
class ByteSet {
 public:
  ByteSet(std::string_view chars, bool nocase);
  bool has(char c) const { return bits_[static_cast<unsigned char>(c)]; }

 private:
  std::array<bool, 256> bits_{};
};

// Position of `needle` in `hay` at or after `from`, npos when absent (and for
// an empty needle). Letters compare without case when `nocase` is set.
size_t find_text(std::string_view hay, std::string_view needle, size_t from, bool nocase);
// Position of the last occurrence of `needle`, npos when absent or empty.
size_t rfind_text(std::string_view hay, std::string_view needle, bool nocase);
bool equal_text(std::string_view a, std::string_view b, bool nocase);

// The words of a command split into positional arguments and option flags.
// The first `required` words from `first` on are always positional, so a text
// that happens to read "-var" is still a text; later words equal to one of
// the option names (ignoring case) set that option's flag. "-var" is also
// taken as the option when it comes first and the required words follow it.
// Option names start with "-".
class ArgSplit {
 public:
  ArgSplit(int argc, const Value* argv, int first, int required,
           std::initializer_list<std::string_view> options);
  int count() const { return count_; }
  const Value& operator[](int i) const { return *pos_[static_cast<size_t>(i)]; }
  // Whether option number `index` (in the order given) was present.
  bool has(int index) const { return (flags_ >> index) & 1U; }

 private:
  static constexpr int kMax = 8;
  std::array<const Value*, kMax> pos_{};
  int count_ = 0;
  uint32_t flags_ = 0;
};

// A variable a script may read and change as text: a plain (auto, not
// pointer) variable. Null when the name names no such variable.
vars::VarRef plain_var(Interp& interp, std::string_view name);
// Whether the variable's value may be replaced in place.
bool writable(vars::VarRef var);

// The text an argument stands for under the "-var" convention: with
// `use_var`, the value of a plain variable of that name when one exists,
// otherwise the word itself.
Value text_or_var(Interp& interp, const Value& word, bool use_var);

// Replaces a variable's value through the variable store, so linked
// variables follow. Returns false when the store refused; the interpreter
// result is left unchanged.
bool store_text(Interp& interp, std::string_view name, Value value);

// Numbers in string command arguments: the leading decimal digits as a
// 32-bit value, the C library's atol reading.
int32_t arg_int(const Value& word);

}  // namespace strings
