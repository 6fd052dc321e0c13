// The `string` command: one entry point whose subcommands (compared without
// case) transform, test, index and cut texts. Subcommands that also exist as
// stand-alone commands (left, right, mids, match, slice, map) run those.
#include "strings/string_cmds.h"

#include <algorithm>
#include <string>
#include <vector>

#include "core/cmd_helpers.h"
#include "core/list_index.h"
#include "core/var_store.h"
#include "expr/utf8_text.h"
#include "strings/string_support.h"

namespace strings {
namespace {

using core::Code;
using core::EnsembleRow;
using core::Interp;
using core::kAnyWords;
using core::Msg;
using core::nuvelSetResult;
using core::nuvelWrongArgs;
using core::Value;

// The row of a stand-alone command that `string` also offers.
const core::CommandRow* find_row(std::string_view name) {
  for (auto rows : {string_extra_rows(), string_split_rows()}) {
    for (const core::CommandRow& row : rows) {
      if (name == row.name) return &row;
    }
  }
  return nullptr;
}

// Runs a stand-alone command for `string <sub> ...`, naming it "string <sub>"
// in its messages. The word counts of the stand-alone command's row apply,
// and a wrong count is reported under that name.
Code delegate(Interp& interp, int argc, Value* argv, std::string_view command,
              core::CommandHandler handler) {
  std::vector<Value> words(argv + 1, argv + argc);
  words[0] = Value(std::string(argv[0].view()) + " " + std::string(argv[1].view()));
  int count = static_cast<int>(words.size());
  if (const core::CommandRow* row = find_row(command)) {
    if (count < row->min_words || (row->max_words >= 0 && count > row->max_words)) {
      return nuvelWrongArgs(interp, count, words.data());
    }
  }
  return core::run_handler(interp, handler, count, words.data());
}

// Applies a text transformation to the argument, or with -var to the value
// of the plain variable it names, whose value then changes in place.
template <class Transform>
Code transform(Interp& interp, Value* argv, const ArgSplit& a, Transform f) {
  vars::VarRef var = a.has(0) ? plain_var(interp, a[0].view()) : vars::VarRef();
  Value text = var ? var.value() : a[0];
  Value out(f(text.view()));
  if (var) {
    if (!writable(var)) {
      std::string who = std::string(argv[0].view()) + " " + std::string(argv[1].view());
      return refuse_store(interp, who, a[0].view(), var.kind(), var.is_constant());
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
    if (!core::is_blank_or_line_end(c)) {
      c = fold_upper(c);
      break;
    }
  }
  return out;
}

std::string initial_caps(std::string_view text) {
  std::string out = to_lower_text(text);
  for (size_t i = 0; i < out.size(); ++i) {
    if (i == 0 || core::is_blank_or_line_end(out[i - 1])) out[i] = fold_upper(out[i]);
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
    std::optional<int64_t> n = core::end_offset(rest);
    if (!n) return std::nullopt;
    return last - *n;
  }
  return core::leading_decimal(word);
}

// string range text first last: the characters first..last (0-based); last
// may be "end" or "end-N" (N characters before the last one) and is capped
// at the last character; an empty result when first lies past last or past
// the text. A negative number reports an invalid argument.
Code string_range(Interp& interp, const Value& text, const Value& first_word,
                  const Value& last_word) {
  std::optional<int64_t> first = read_position(first_word.view(), text.size());
  if (!first || (*first < 0 && first_word.view().substr(0, 3) != "end")) {
    return core::fail(interp, Msg::InvalidArgument, first_word);
  }
  std::optional<int64_t> last = read_position(last_word.view(), text.size());
  if (!last || (*last < 0 && last_word.view().substr(0, 3) != "end")) {
    return core::fail(interp, Msg::InvalidArgument, last_word);
  }
  const int64_t size = static_cast<int64_t>(text.size());
  int64_t from = std::max<int64_t>(*first, 0);
  // "end-N" with N reaching past the start stands for the first character.
  int64_t to = std::min(std::max<int64_t>(*last, 0), size - 1);
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
Code string_replace(Interp& interp, int argc, Value* argv, void*) {
  ArgSplit a(argc, argv, 2, 3, {"-glob"});
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
Code string_toarray(Interp& interp, const Value& text, const Value& name) {
  if (vars::VarRef v = vars::lookup(interp, name.view())) {
    vars::VarRef owner = v.storage();
    if (v.kind() == vars::VT_ARRAY || (owner && owner.kind() == vars::VT_ARRAY)) {
      return core::fail(interp, Msg::StringArrayExists, name);
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

// The subcommands that transform a text (or, with -var, a variable's value
// in place).
Code sub_tolower(Interp& interp, int argc, Value* argv, void*) {
  return transform(interp, argv, ArgSplit(argc, argv, 2, 1, {"-var"}), to_lower_text);
}
Code sub_toupper(Interp& interp, int argc, Value* argv, void*) {
  return transform(interp, argv, ArgSplit(argc, argv, 2, 1, {"-var"}), to_upper_text);
}
Code sub_totitle(Interp& interp, int argc, Value* argv, void*) {
  return transform(interp, argv, ArgSplit(argc, argv, 2, 1, {"-var"}), title_case);
}
Code sub_initcaps(Interp& interp, int argc, Value* argv, void*) {
  return transform(interp, argv, ArgSplit(argc, argv, 2, 1, {"-var"}), initial_caps);
}
Code sub_reverse(Interp& interp, int argc, Value* argv, void*) {
  return transform(interp, argv, ArgSplit(argc, argv, 2, 1, {"-var"}),
                   [](std::string_view t) { return std::string(t.rbegin(), t.rend()); });
}

// string trim|trimleft|trimright text ?chars? ?-var?: the characters of the
// set (a space by default) removed at one or both ends.
Code sub_trim(Interp& interp, int argc, Value* argv, void*) {
  ArgSplit a(argc, argv, 2, 1, {"-var"});
  std::string_view chars = a.count() >= 2 ? a[1].view() : std::string_view(" ");
  bool left = !core::iequals(argv[1].view(), "trimright");
  bool right = !core::iequals(argv[1].view(), "trimleft");
  return transform(interp, argv, a,
                   [&](std::string_view t) { return trim_chars(t, chars, left, right); });
}

// The text of the first argument under the -var convention.
Value sub_text(Interp& interp, int argc, Value* argv) {
  ArgSplit a(argc, argv, 2, 1, {"-var"});
  return text_or_var(interp, a[0], a.has(0));
}

Code sub_isempty(Interp& interp, int argc, Value* argv, void*) {
  return core::result_bool(interp, sub_text(interp, argc, argv).empty());
}
Code sub_length(Interp& interp, int argc, Value* argv, void*) {
  return core::result_int(interp, static_cast<int64_t>(sub_text(interp, argc, argv).size()));
}
Code sub_is_alpha(Interp& interp, int argc, Value* argv, void*) {
  return core::result_bool(interp,
                           all_of_class(sub_text(interp, argc, argv).view(), CharClass::Alpha));
}
Code sub_is_alnum(Interp& interp, int argc, Value* argv, void*) {
  return core::result_bool(interp,
                           all_of_class(sub_text(interp, argc, argv).view(), CharClass::Alnum));
}

// string repeat text ?count?: the first character of the text, count times
// (once by default).
Code sub_repeat(Interp& interp, int argc, Value* argv, void*) {
  ArgSplit a(argc, argv, 2, 1, {"-var"});
  int32_t count = a.count() >= 2 ? arg_int(a[1]) : 1;
  // A result of gigabytes would take the memory of the whole machine.
  constexpr int32_t kMaxRepeat = 64 * 1024 * 1024;
  if (count > kMaxRepeat) return core::fail(interp, Msg::RepeatOverLimit, count, kMaxRepeat);
  if (count <= 0 || a[0].empty()) {
    nuvelSetResult(interp, Value());
  } else {
    nuvelSetResult(interp, Value(std::string(static_cast<size_t>(count), a[0][0])));
  }
  return Code::Ok;
}

// string equal a b ?-var?
Code sub_equal(Interp& interp, int argc, Value* argv, void*) {
  ArgSplit a(argc, argv, 2, 2, {"-var"});
  Value x = text_or_var(interp, a[0], a.has(0));
  Value y = text_or_var(interp, a[1], a.has(0));
  return core::result_bool(interp, x == y);
}

// string index text position ?-var?: one character; a position before the
// text gives "", one past its end fails.
Code sub_index(Interp& interp, int argc, Value* argv, void*) {
  ArgSplit a(argc, argv, 2, 2, {"-var"});
  Value t = text_or_var(interp, a[0], a.has(0));
  std::optional<int64_t> pos = read_position(a[1].view(), t.size());
  if (!pos || (*pos >= 0 && static_cast<uint64_t>(*pos) >= t.size())) {
    return core::fail(interp, Msg::InvalidArgumentSub);
  }
  nuvelSetResult(interp, *pos < 0 ? Value() : Value(t.view().substr(*pos, 1)));
  return Code::Ok;
}

Code sub_range(Interp& interp, int argc, Value* argv, void*) {
  ArgSplit a(argc, argv, 2, 3, {"-var"});
  return string_range(interp, text_or_var(interp, a[0], a.has(0)), a[1], a[2]);
}

Code sub_toarray(Interp& interp, int argc, Value* argv, void*) {
  ArgSplit a(argc, argv, 2, 2, {"-var"});
  return string_toarray(interp, a[0], a[1]);
}

Code sub_left(Interp& interp, int argc, Value* argv, void*) {
  return delegate(interp, argc, argv, "left", nuvelCommandLeft);
}
Code sub_right(Interp& interp, int argc, Value* argv, void*) {
  return delegate(interp, argc, argv, "right", nuvelCommandRight);
}
Code sub_mids(Interp& interp, int argc, Value* argv, void*) {
  return delegate(interp, argc, argv, "mids", nuvelCommandMids);
}
Code sub_match(Interp& interp, int argc, Value* argv, void*) {
  return delegate(interp, argc, argv, "match", nuvelCommandMatch);
}
Code sub_slice(Interp& interp, int argc, Value* argv, void*) {
  return delegate(interp, argc, argv, "slice", nuvelCommandSlice);
}
Code sub_map(Interp& interp, int argc, Value* argv, void*) {
  return delegate(interp, argc, argv, "map", nuvelCommandMap);
}

// string to_wchar text: the Unicode code points of the UTF-8 text in
// decimal, as a list; a byte outside any well-formed sequence is a value of
// its own.
Code sub_to_wchar(Interp& interp, int argc, Value* argv, void*) {
  std::string_view t = argv[2].view();
  std::string out;
  for (size_t i = 0; i < t.size();) {
    expr::Utf8Char c = expr::utf8_char_at(t, i);
    if (!out.empty()) out += ' ';
    out += std::to_string(c.code >= 0 ? c.code : static_cast<unsigned char>(t[i]));
    i += c.length;
  }
  nuvelSetResult(interp, Value(std::move(out)));
  return Code::Ok;
}

// Word counts include `string` and the subcommand; the subcommands shared
// with stand-alone commands check the counts of those commands' rows.
constexpr EnsembleRow kStringSubs[] = {
    {"tolower", sub_tolower, 3, kAnyWords, "text ?-var?"},
    {"toupper", sub_toupper, 3, kAnyWords, "text ?-var?"},
    {"isempty", sub_isempty, 3, kAnyWords, "text ?-var?"},
    {"length", sub_length, 3, kAnyWords, "text ?-var?"},
    {"trim", sub_trim, 3, kAnyWords, "text ?chars? ?-var?"},
    {"trimleft", sub_trim, 3, kAnyWords, "text ?chars? ?-var?"},
    {"trimright", sub_trim, 3, kAnyWords, "text ?chars? ?-var?"},
    {"totitle", sub_totitle, 3, kAnyWords, "text ?-var?"},
    {"initcaps", sub_initcaps, 3, kAnyWords, "text ?-var?"},
    {"is_alpha", sub_is_alpha, 3, kAnyWords, "text ?-var?"},
    {"is_alnum", sub_is_alnum, 3, kAnyWords, "text ?-var?"},
    {"repeat", sub_repeat, 3, kAnyWords, "text ?count?"},
    {"reverse", sub_reverse, 3, kAnyWords, "text ?-var?"},
    {"equal", sub_equal, 4, kAnyWords, "a b ?-var?"},
    {"index", sub_index, 4, kAnyWords, "text position ?-var?"},
    {"range", sub_range, 5, kAnyWords, "text first last ?-var?"},
    {"replace", string_replace, 5, kAnyWords, "text from to ?-glob?"},
    {"toarray", sub_toarray, 4, kAnyWords, "text name"},
    {"left", sub_left, 3, kAnyWords, "text n ?-var?"},
    {"right", sub_right, 3, kAnyWords, "text n ?-var?"},
    {"mids", sub_mids, 3, kAnyWords, "text start ?length? ?-var?"},
    {"match", sub_match, 3, kAnyWords, "?-nocase? pattern text"},
    {"slice", sub_slice, 3, kAnyWords, "text stop ?stop ...?"},
    {"map", sub_map, 3, kAnyWords, "?-nocase? mapping text"},
    {"to_wchar", sub_to_wchar, 3, 3, "text"},
};

constexpr core::Ensemble kStringEnsemble{"string", kStringSubs, Msg::StringUnhandled};

// string subcommand text ?more? ?-var?
// Results and side effects: those of the subcommand. Fewer than two words
// after `string` give the usage error, as does an unknown subcommand with
// only one; with more, an unknown subcommand is "Unhandled command".
Code nuvelCommandString(Interp& interp, int argc, Value* argv, void*) {
  const core::EnsembleRow* row = core::find_subcommand(kStringEnsemble, argv[1].view());
  if (argc < 4 && row == nullptr) return nuvelWrongArgs(interp, argc, argv);
  return core::dispatch_row(interp, kStringEnsemble, row, argc, argv);
}

constexpr core::CommandRow kStringCommands[] = {
    {"string", nuvelCommandString, 3, kAnyWords, "subcommand text ?arg ...?"},
};

}  // namespace

[[gnu::section(".text.startup.register")]] void register_string_cmds(Interp& interp) {
  core::register_rows(interp, kStringCommands);
  core::register_ensemble(interp, kStringEnsemble);
}

}  // namespace strings
