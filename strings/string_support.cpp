// Helpers shared by the string command families.
#include "strings/string_support.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "core/cmd_helpers.h"
#include "core/list_index.h"
#include "core/var_store.h"

namespace strings {

std::string to_lower_text(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = fold_lower(c);
  return out;
}

std::string to_upper_text(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = fold_upper(c);
  return out;
}

ByteSet::ByteSet(std::string_view chars, bool nocase) {
  for (char c : chars) {
    bits_[static_cast<unsigned char>(c)] = true;
    if (nocase) {
      bits_[static_cast<unsigned char>(fold_lower(c))] = true;
      bits_[static_cast<unsigned char>(fold_upper(c))] = true;
    }
  }
}

size_t find_text(std::string_view hay, std::string_view needle, size_t from, bool nocase) {
  if (needle.empty() || from > hay.size() || needle.size() > hay.size() - from) {
    return std::string_view::npos;
  }
  if (!nocase) return hay.find(needle, from);
  const char first_lower = fold_lower(needle[0]);
  const char first_upper = fold_upper(needle[0]);
  const size_t last = hay.size() - needle.size();
  for (size_t i = from; i <= last; ++i) {
    if (hay[i] != first_lower && hay[i] != first_upper) continue;
    if (equal_text(hay.substr(i, needle.size()), needle, true)) return i;
  }
  return std::string_view::npos;
}

size_t rfind_text(std::string_view hay, std::string_view needle, bool nocase) {
  if (needle.empty() || needle.size() > hay.size()) return std::string_view::npos;
  if (!nocase) return hay.rfind(needle);
  for (size_t i = hay.size() - needle.size() + 1; i-- > 0;) {
    if (equal_text(hay.substr(i, needle.size()), needle, true)) return i;
  }
  return std::string_view::npos;
}

bool equal_text(std::string_view a, std::string_view b, bool nocase) {
  if (!nocase) return a == b;
  return core::iequals(a, b);
}

ArgSplit::ArgSplit(int argc, const Value* argv, int first, int required,
                   std::initializer_list<std::string_view> options) {
  // "-var" may also come first ("string tolower -var name") when the
  // required texts still follow it.
  // Every option word starts with '-', so a word that does not is never
  // compared with them.
  auto may_be_option = [](const Value& word) {
    std::string_view w = word.view();
    return !w.empty() && w[0] == '-';
  };
  int start = first;
  if (argc - first > required && may_be_option(argv[first]) &&
      core::iequals(argv[first].view(), "-var")) {
    ++start;
  }
  for (int i = first; i < argc; ++i) {
    bool positional = i >= start && i - start < required;
    if (!positional && may_be_option(argv[i])) {
      int bit = 0;
      bool matched = false;
      for (std::string_view opt : options) {
        if (core::iequals(argv[i].view(), opt)) {
          flags_ |= 1U << bit;
          matched = true;
          break;
        }
        ++bit;
      }
      if (matched) continue;
    }
    if (count_ < kMax) pos_[static_cast<size_t>(count_)] = &argv[i];
    ++count_;
  }
  if (count_ > kMax) count_ = kMax;
}

vars::VarRef plain_var(Interp& interp, std::string_view name) {
  vars::VarRef v = vars::lookup(interp, name);
  if (!v || v.kind() != vars::VT_AUTO || v.is_pointer()) return vars::VarRef();
  return v;
}

bool writable(vars::VarRef var) {
  return var.kind() == vars::VT_AUTO && !var.is_pointer() && !var.is_constant();
}

Value text_or_var(Interp& interp, const Value& word, bool use_var) {
  if (use_var) {
    if (vars::VarRef v = plain_var(interp, word.view())) return v.value();
  }
  return word;
}

bool store_text(Interp& interp, std::string_view name, Value value) {
  Value saved = std::move(interp.result);
  int rc = vars::access_var(interp, name, &value, false);
  core::nuvelSetResult(interp, std::move(saved));
  return rc == 0;
}

int32_t arg_int(const Value& word) {
  // A canonical integer's number is known; beyond the 32-bit range its text
  // reads as the nearer end, as the number does here.
  int64_t known;
  if (word.known_int(known)) {
    return static_cast<int32_t>(std::clamp<int64_t>(known, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
  }
  return core::leading_decimal32(word.view());
}

}  // namespace strings
