// The `string` command: one entry point whose subcommands (compared without
// case) transform, test, index and cut texts. Subcommands that also exist as
// stand-alone commands (left, right, mids, match, slice, map) run those.
#include "strings/string_cmds.h"

#include <algorithm>
#include <string>
#include <vector>

#include "core/cmd_helpers.h"
#include "core/list_index.h"
#include "core/var.h"
#include "strings/string_support.h"

namespace expr {
namespace {

using core::CommandSpec;
using core::nuvelSetError;
using core::nuvelSetResult;
using core::nuvelWrongArgs;

enum class Sub {
  ToLower,
  ToUpper,
  IsEmpty,
  Length,
  Trim,
  TrimLeft,
  TrimRight,
  ToTitle,
  InitCaps,
  IsAlpha,
  IsAlnum,
  Repeat,
  Reverse,
  Equal,
  Index,
  Range,
  Replace,
  ToArray,
  Left,
  Right,
  Mids,
  Match,
  Slice,
  Map,
};

struct SubEntry {
  std::string_view name;
  Sub sub;
  int required;  // positional arguments after the subcommand
};

constexpr SubEntry kSubs[] = {
    {"tolower", Sub::ToLower, 1},     {"toupper", Sub::ToUpper, 1},  {"isempty", Sub::IsEmpty, 1},
    {"length", Sub::Length, 1},       {"trim", Sub::Trim, 1},        {"trimleft", Sub::TrimLeft, 1},
    {"trimright", Sub::TrimRight, 1}, {"totitle", Sub::ToTitle, 1},  {"initcaps", Sub::InitCaps, 1},
    {"is_alpha", Sub::IsAlpha, 1},    {"is_alnum", Sub::IsAlnum, 1}, {"repeat", Sub::Repeat, 1},
    {"reverse", Sub::Reverse, 1},     {"equal", Sub::Equal, 2},      {"index", Sub::Index, 2},
    {"range", Sub::Range, 3},         {"replace", Sub::Replace, 3},  {"toarray", Sub::ToArray, 2},
    {"left", Sub::Left, 0},           {"right", Sub::Right, 0},      {"mids", Sub::Mids, 0},
    {"match", Sub::Match, 0},         {"slice", Sub::Slice, 0},      {"map", Sub::Map, 0},
};

const SubEntry* find_sub(std::string_view word) {
  for (const SubEntry& e : kSubs) {
    if (core::iequals(word, e.name)) return &e;
  }
  return nullptr;
}

// Runs a stand-alone command for `string <sub> ...`, naming it "string <sub>"
// in its messages.
Code delegate(Interp& interp, int argc, Value* argv, core::CommandHandler handler) {
  std::vector<Value> words(argv + 1, argv + argc);
  words[0] = Value(std::string(argv[0].view()) + " " + std::string(argv[1].view()));
  return handler(interp, static_cast<int>(words.size()), words.data(), nullptr);
}

// Applies a text transformation to the argument, or with -var to the value
// of the plain variable it names, whose value then changes in place.
template <class Transform>
Code transform(Interp& interp, Value* argv, const ArgSplit& a, Transform f) {
  vars::Var* var = a.has(0) ? plain_var(interp, a[0].view()) : nullptr;
  Value text = var ? var->value : a[0];
  Value out(f(text.view()));
  if (var) {
    if (!writable(*var)) {
      std::string who = std::string(argv[0].view()) + " " + std::string(argv[1].view());
      return refuse_store(interp, who, a[0].view(), var->type, var->is_constant);
    }
    if (!out.same_rep(text) && !store_text(interp, a[0].view(), out)) return Code::Error;
  }
  nuvelSetResult(interp, std::move(out));
  return Code::Ok;
}

std::string trim_chars(std::string_view text, std::string_view chars, bool left, bool right) {
  ByteSet set(chars, false);
  size_t b = 0;
  size_t e = text.size();
  if (left)
    while (b < e && set.has(text[b])) ++b;
  if (right)
    while (e > b && set.has(text[e - 1])) --e;
  return std::string(text.substr(b, e - b));
}

std::string title_case(std::string_view text) {
  std::string out = to_lower_text(text);
  for (char& c : out) {
    if (!is_blank(c)) {
      c = fold_upper(c);
      break;
    }
  }
  return out;
}

std::string initial_caps(std::string_view text) {
  std::string out = to_lower_text(text);
  for (size_t i = 0; i < out.size(); ++i) {
    if (i == 0 || is_blank(out[i - 1])) out[i] = fold_upper(out[i]);
  }
  return out;
}

// A position word of index and range: a decimal number (its leading digits),
// "end" for the last character or "end-N" for N before it. Positions before
// the text come back negative; nullopt for a malformed "end" form.
std::optional<int64_t> read_position(std::string_view word, size_t length) {
  const int64_t last = static_cast<int64_t>(length) - 1;
  if (word.substr(0, 3) == "end") {
    std::string_view rest = word.substr(3);
    if (rest.empty()) return last;
    std::optional<int64_t> n = end_offset(rest);
    if (!n) return std::nullopt;
    return last - *n;
  }
  return leading_decimal(word);
}

// string range text first last: the characters first..last (0-based); last
// may be "end" or "end-N" (N characters before the last one) and is capped
// at the last character; an empty result when first lies past last or past
// the text. A negative number reports an invalid argument.
Code string_range(Interp& interp, Value* argv, const Value& text, const Value& first_word,
                  const Value& last_word) {
  std::optional<int64_t> first = read_position(first_word.view(), text.size());
  if (!first || (*first < 0 && first_word.view().substr(0, 3) != "end")) {
    nuvelSetError(&interp, "%s: Invalid argument '%s'\n", argv[0].c_str(), first_word.c_str());
    return Code::Error;
  }
  std::optional<int64_t> last = read_position(last_word.view(), text.size());
  if (!last || (*last < 0 && last_word.view().substr(0, 3) != "end")) {
    nuvelSetError(&interp, "%s: Invalid argument '%s'\n", argv[0].c_str(), last_word.c_str());
    return Code::Error;
  }
  const int64_t size = static_cast<int64_t>(text.size());
  int64_t from = std::max<int64_t>(*first, 0);
  int64_t to = std::min(*last, size - 1);
  if (from > to || from >= size) {
    nuvelSetResult(interp, Value());
  } else if (from == 0 && to == size - 1) {
    nuvelSetResult(interp, text);
  } else {
    nuvelSetResult(
        interp, text.view().substr(static_cast<size_t>(from), static_cast<size_t>(to - from + 1)));
  }
  return Code::Ok;
}

// string replace text from to ?-glob?: every occurrence of `from`, left to
// right and not overlapping, replaced by `to`. The text comes back unchanged
// when the outcome would be empty, when `from` is empty and with -glob.
Code string_replace(Interp& interp, int argc, Value* argv) {
  ArgSplit a(argc, argv, 2, 3, {"-glob"});
  if (a.count() < 3) return nuvelWrongArgs(interp, argc, argv);
  std::string_view text = a[0].view();
  std::string_view from = a[1].view();
  if (a.has(0) || from.empty() || text.find(from) == std::string_view::npos) {
    nuvelSetResult(interp, a[0]);
    return Code::Ok;
  }
  std::string out;
  size_t at = 0;
  for (size_t hit; (hit = text.find(from, at)) != std::string_view::npos; at = hit + from.size()) {
    out.append(text.substr(at, hit - at));
    out.append(a[2].view());
  }
  out.append(text.substr(at));
  nuvelSetResult(interp, out.empty() ? a[0] : Value(std::move(out)));
  return Code::Ok;
}

// string toarray text name: the text cut at line feeds into the elements
// name(0), name(1), ... (no element for the empty piece after a final line
// feed). The result is the number stored.
Code string_toarray(Interp& interp, Value* argv, const Value& text, const Value& name) {
  if (vars::Var* v = vars::nuvelGetVar(interp, name.view())) {
    vars::Var* owner = vars::array_owner(*v);
    if (v->type == vars::VT_ARRAY || (owner && owner->type == vars::VT_ARRAY)) {
      nuvelSetError(&interp, "%s %s: Array '%s' exists\n", argv[0].c_str(), argv[1].c_str(),
                    name.c_str());
      return Code::Error;
    }
  }
  std::string_view t = text.view();
  int64_t n = 0;
  size_t from = 0;
  while (from < t.size()) {
    size_t nl = t.find('\n', from);
    size_t end = nl == std::string_view::npos ? t.size() : nl;
    if (vars::nuvelArraySetElement(interp, name.view(), std::to_string(n),
                                   Value(t.substr(from, end - from)), false, false) != 0) {
      return Code::Error;
    }
    ++n;
    if (nl == std::string_view::npos) break;
    from = nl + 1;
  }
  return core::result_int(interp, n);
}

// string subcommand text ?more? ?-var?
// Results and side effects: those of the subcommand; see the table above
// each helper. Fewer than two words after `string` give the usage error, an
// unknown subcommand with at least three words "Unhandled command".
Code nuvelCommandString(Interp& interp, int argc, Value* argv, void*) {
  if (argc < 3) return nuvelWrongArgs(interp, argc, argv);
  const SubEntry* entry = find_sub(argv[1].view());
  if (!entry) {
    if (argc < 4) return nuvelWrongArgs(interp, argc, argv);
    nuvelSetError(&interp, "%s %s: Unhandled command\n", argv[0].c_str(), argv[1].c_str());
    return Code::Error;
  }
  switch (entry->sub) {
    case Sub::Left:
      return delegate(interp, argc, argv, nuvelCommandLeft);
    case Sub::Right:
      return delegate(interp, argc, argv, nuvelCommandRight);
    case Sub::Mids:
      return delegate(interp, argc, argv, nuvelCommandMids);
    case Sub::Match:
      return delegate(interp, argc, argv, nuvelCommandMatch);
    case Sub::Slice:
      return delegate(interp, argc, argv, nuvelCommandSlice);
    case Sub::Map:
      return delegate(interp, argc, argv, nuvelCommandMap);
    case Sub::Replace:
      return string_replace(interp, argc, argv);
    default:
      break;
  }
  ArgSplit a(argc, argv, 2, entry->required, {"-var"});
  if (a.count() < entry->required) return nuvelWrongArgs(interp, argc, argv);
  auto text = [&]() { return text_or_var(interp, a[0], a.has(0)); };
  switch (entry->sub) {
    case Sub::ToLower:
      return transform(interp, argv, a, to_lower_text);
    case Sub::ToUpper:
      return transform(interp, argv, a, to_upper_text);
    case Sub::Trim:
    case Sub::TrimLeft:
    case Sub::TrimRight: {
      std::string_view chars = a.count() >= 2 ? a[1].view() : std::string_view(" ");
      bool left = entry->sub != Sub::TrimRight;
      bool right = entry->sub != Sub::TrimLeft;
      return transform(interp, argv, a,
                       [&](std::string_view t) { return trim_chars(t, chars, left, right); });
    }
    case Sub::ToTitle:
      return transform(interp, argv, a, title_case);
    case Sub::InitCaps:
      return transform(interp, argv, a, initial_caps);
    case Sub::Reverse:
      return transform(interp, argv, a,
                       [](std::string_view t) { return std::string(t.rbegin(), t.rend()); });
    case Sub::IsEmpty:
      return core::result_bool(interp, text().empty());
    case Sub::Length:
      return core::result_int(interp, static_cast<int64_t>(text().size()));
    case Sub::IsAlpha:
      return core::result_bool(interp, all_of_class(text().view(), CharClass::Alpha));
    case Sub::IsAlnum:
      return core::result_bool(interp, all_of_class(text().view(), CharClass::Alnum));
    case Sub::Repeat: {
      int32_t count = a.count() >= 2 ? arg_int(a[1]) : 1;
      // A result of gigabytes would take the memory of the whole machine.
      constexpr int32_t kMaxRepeat = 64 * 1024 * 1024;
      if (count > kMaxRepeat) {
        core::nuvelSetError(&interp, "string repeat: Count %li is over the limit of %li\n",
                            static_cast<long>(count), static_cast<long>(kMaxRepeat));
        return Code::Error;
      }
      if (count <= 0 || a[0].empty()) {
        nuvelSetResult(interp, Value());
      } else {
        nuvelSetResult(interp, Value(std::string(static_cast<size_t>(count), a[0][0])));
      }
      return Code::Ok;
    }
    case Sub::Equal: {
      Value x = text();
      Value y = text_or_var(interp, a[1], a.has(0));
      return core::result_bool(interp, x == y);
    }
    case Sub::Index: {
      Value t = text();
      std::optional<int64_t> pos = read_position(a[1].view(), t.size());
      if (!pos || (*pos >= 0 && static_cast<uint64_t>(*pos) >= t.size())) {
        nuvelSetError(&interp, "%s %s: Invalid argument\n", argv[0].c_str(), argv[1].c_str());
        return Code::Error;
      }
      nuvelSetResult(interp, *pos < 0 ? Value() : Value(t.view().substr(*pos, 1)));
      return Code::Ok;
    }
    case Sub::Range:
      return string_range(interp, argv, text(), a[1], a[2]);
    case Sub::ToArray:
      return string_toarray(interp, argv, a[0], a[1]);
    default:
      return Code::Error;
  }
}

const CommandSpec kStringCommands[] = {
    {"string", nuvelCommandString},
};

}  // namespace

void register_string_cmds(Interp& interp) {
  core::nuvelRegisterFamily(interp, kStringCommands);
}

}  // namespace expr
