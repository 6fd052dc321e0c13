// List commands that build, pick and rearrange elements: list, llength,
// lcount, lindex, lrange, lreplace, lreverse, lappend, lassign, lset, lmap,
// lrand, join, split, concat, index, cset, setl, setr. The search and sort
// commands live in lists/list_search_cmds.cpp.
#include <array>
#include <cmath>
#include <limits>

#include "core/cmd_helpers.h"
#include "core/list_index.h"
#include "core/list_value.h"
#include "core/switches.h"
#include "core/text_util.h"
#include "core/var_store.h"
#include "expr/random.h"
#include "platform/console.h"

namespace lists {
namespace {

using core::brace_strip;
using core::Code;
using core::CommandRow;
using core::end_offset;
using core::Interp;
using core::kAnyWords;
using core::leading_decimal32;
using core::list_append_braced;
using core::list_append_element;
using core::list_read_elements;
using core::list_read_standard;
using core::list_read_words;
using core::list_standard;
using core::list_words;
using core::list_write;
using core::Msg;
using core::nuvelSetResult;
using core::read_decimal;
using core::Value;
using expr::random_range;

std::string_view trim_tab_space(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

Code set_text_result(Interp& interp, std::string&& text) {
  nuvelSetResult(interp, Value(std::move(text)));
  return Code::Ok;
}

// list ?elem ...?
// Results: the list writer applied to the arguments ("" without any).
Code nuvelCommandList(Interp& interp, int argc, Value* argv, void*) {
  if (argc < 2) {
    core::nuvelResetResult(interp);
    return Code::Ok;
  }
  return set_text_result(interp, list_write(std::span<const Value>(argv + 1, argc - 1)));
}

// llength list
// Results: the element count under the standard reader, an explicit empty
// last element included.
Code nuvelCommandLLength(Interp& interp, int argc, Value* argv, void*) {
  return core::result_int(interp, static_cast<int64_t>(list_standard(argv[1])->count(true)));
}

// lcount list ?-var?
// Results: the element count under the word-list reader. With -var the first
// argument names the variable whose value is counted.
Code nuvelCommandLCount(Interp& interp, int argc, Value* argv, void*) {
  Value text = argv[1];
  if (core::find_option(argc, argv, "-var", 2) >= 0) {
    std::optional<Value> v = vars::get_var_value(interp, argv[1].view());
    if (!v) {
      return core::fail(interp, Msg::ValueNotFound);
    }
    text = std::move(*v);
  }
  std::string_view view = text.view();
  size_t end = view.size();
  while (end > 0 && core::is_blank_or_line_end(view[end - 1])) --end;
  if (end != view.size()) text = Value(view.substr(0, end));
  return core::result_int(interp, static_cast<int64_t>(list_words(text)->size()));
}

// The quote warning of the standard reader, as lindex reports it.
Code quote_warning(Interp& interp) {
  Code rc = core::fail(interp, Msg::ListQuoteWarning);
  nuvelSetResult(interp, Value("0"));
  return rc;
}

// One step of lindex descent. `current` is replaced by the selected element;
// `stop` is set when the descent ends (a single element or nothing left).
enum class Step { Next, Stop, Fail, Warn };

Step lindex_numeric(Value& current, int64_t index) {
  auto form = list_standard(current);
  if (form->warning) return Step::Warn;
  size_t count = form->count(false);
  if (count == 1) {
    // A value that reads as one element: index 0 selects it, brace-stripped,
    // and the descent ends; any other index is past the end.
    if (index != 0) {
      current = Value();
      return Step::Stop;
    }
    std::string text(current.view());
    if (brace_strip(text)) current = Value(std::move(text));
    return Step::Stop;
  }
  if (index < 0 || static_cast<uint64_t>(index) >= count) {
    current = Value();
    return Step::Stop;
  }
  current = form->elements[static_cast<size_t>(index)];
  return Step::Next;
}

// An index word starting with "end": the last element, end-N the one N
// before it (element 0 when N reaches past the start); an empty list fails.
Step lindex_end(Value& current, std::string_view word) {
  auto form = list_standard(current);
  if (form->warning) return Step::Warn;
  size_t count = form->count(false);
  if (count == 0) {
    current = Value();
    return Step::Fail;
  }
  size_t pick = count - 1;
  if (std::optional<int64_t> n = end_offset(word.substr(3))) {
    pick = *n >= 0 && static_cast<uint64_t>(*n) < count ? count - 1 - static_cast<size_t>(*n) : 0;
  }
  current = form->elements[pick];
  return Step::Next;
}

// True when an index word holds nothing a list reader would cut or group.
bool plain_index_word(std::string_view w) {
  for (char c : w) {
    if (core::is_blank_or_line_end(c) || c == '{' || c == '}' || c == '"') return false;
  }
  return true;
}

// lindex list ?index ...?
// Results: the element picked by the indexes (each index word may itself be a
// list of indexes for nested lists); the list itself without indexes. A
// negative index or one past the end gives the empty string.
Code nuvelCommandLIndex(Interp& interp, int argc, Value* argv, void*) {
  Value current = argv[1];
  for (int k = 2; k < argc; ++k) {
    std::string_view word = argv[k].view();
    Step step;
    int64_t known;
    if (argv[k].known_int(known) && known != std::numeric_limits<int64_t>::min()) {
      // A canonical integer index: the number its text reads as.
      step = lindex_numeric(current, known);
    } else if (core::istarts_with(word, "end")) {
      step = lindex_end(current, word);
    } else {
      if (word.empty()) continue;  // no indexes: the value itself
      std::vector<Value> split_indexes;
      std::span<const Value> indexes(&argv[k], 1);
      if (!plain_index_word(word)) {
        split_indexes = list_read_standard(word);
        indexes = split_indexes;
      }
      step = Step::Next;
      for (const Value& index_word : indexes) {
        std::optional<int64_t> index = read_decimal(index_word.view());
        if (!index) {
          step = Step::Fail;
          break;
        }
        step = lindex_numeric(current, *index);
        if (step != Step::Next) break;
      }
    }
    if (step == Step::Warn) return quote_warning(interp);
    if (step == Step::Fail) {
      core::nuvelResetResult(interp);
      return Code::Error;
    }
    if (step == Step::Stop) break;
  }
  nuvelSetResult(interp, std::move(current));
  return Code::Ok;
}

// lrange list first last
// Results: elements first..last under the word-list reader; "{}" for an
// empty list argument. first is a plain number, last may be end or end-N.
Code nuvelCommandLRange(Interp& interp, int argc, Value* argv, void*) {
  if (argv[1].empty()) return set_text_result(interp, "{}");
  auto elements = list_words(argv[1]);
  const int64_t count = static_cast<int64_t>(elements->size());
  int64_t first = leading_decimal32(argv[2].view());
  int64_t last;
  std::string_view lw = argv[3].view();
  if (core::starts_with(lw, "end")) {
    std::optional<int64_t> n = end_offset(lw.substr(3));
    if (!n) {
      last = count - 1;
    } else {
      last = *n < count ? count - *n - 1 : 0;
    }
  } else {
    last = leading_decimal32(lw);
  }
  if (first < 0 || last >= count) {
    return core::fail(interp, Msg::InvalidRangeValue, first, last);
  }
  std::string out;
  for (int64_t k = first; k <= last; ++k) {
    list_append_braced(out, (*elements)[static_cast<size_t>(k)].view());
  }
  return set_text_result(interp, std::move(out));
}

// An lreplace index: a number (negative counts as 0), end, or end-N (below 0
// counts as 0); "end" followed by anything else counts as 0.
int64_t lreplace_index(std::string_view word, int64_t count) {
  int64_t v;
  if (core::istarts_with(word, "end")) {
    std::string_view rest = word.substr(3);
    if (rest.empty()) {
      v = count - 1;
    } else if (std::optional<int64_t> n = end_offset(rest)) {
      v = *n > count ? -1 : count - 1 - *n;
    } else {
      v = 0;
    }
  } else {
    v = leading_decimal32(word);
  }
  return v < 0 ? 0 : v;
}

// lreplace list first ?last? ?elem ...?
// Results: the list with elements first..last replaced by the elements given
// (a missing last counts as first). Elements come from the word-list reader.
Code nuvelCommandLReplace(Interp& interp, int argc, Value* argv, void*) {
  auto elements = list_words(argv[1]);
  const int64_t count = static_cast<int64_t>(elements->size());
  int64_t first = lreplace_index(argv[2].view(), count);
  std::string out;
  if (argv[1].empty()) {
    if (first != 0) {
      return core::fail(interp, Msg::ListLacksElement, first);
    }
    for (int k = 4; k < argc; ++k) list_append_element(out, argv[k].view());
    return set_text_result(interp, std::move(out));
  }
  if (count == 0) {
    return core::fail(interp, Msg::FailedToProcessArgs);
  }
  int64_t last = argc > 3 ? lreplace_index(argv[3].view(), count) : first;
  if (last < first) {
    return core::fail(interp, Msg::StartAfterEnd);
  }
  size_t head = static_cast<size_t>(std::min(first, count));
  out = list_write(std::span<const Value>(elements->data(), head));
  for (int k = 4; k < argc; ++k) list_append_element(out, argv[k].view());
  for (int64_t k = last + 1; k < count; ++k) {
    list_append_braced(out, (*elements)[static_cast<size_t>(k)].view());
  }
  size_t lead = 0;
  while (lead < out.size() && out[lead] == ' ') ++lead;
  out.erase(0, lead);
  return set_text_result(interp, std::move(out));
}

// lreverse list
// Results: the word-list reader's elements from last to first.
Code nuvelCommandLReverse(Interp& interp, int argc, Value* argv, void*) {
  auto elements = list_words(argv[1]);
  std::string out;
  out.reserve(argv[1].size() + 8);
  for (size_t k = elements->size(); k-- > 0;) list_append_braced(out, (*elements)[k].view());
  return set_text_result(interp, std::move(out));
}

// What append_escaped does with each character: 1 puts a backslash before
// it, 2 (the space) braces the whole word.
constexpr std::array<uint8_t, 256> kEscapeClass = [] {
  std::array<uint8_t, 256> cls{};
  for (unsigned char c : {'{', '}', '[', ']', '$', '\\'}) cls[c] = 1;
  cls[static_cast<unsigned char>(' ')] = 2;
  return cls;
}();

// Appends one lappend value: a backslash before each of { } [ ] $ \, an
// empty value as "{}", a value holding a space inside braces.
void append_escaped(std::string& out, std::string_view v) {
  if (v.empty()) {
    out += "{}";
    return;
  }
  uint8_t found = 0;
  for (char c : v) found |= kEscapeClass[static_cast<unsigned char>(c)];
  if (found == 0) {
    out.append(v);  // (most words: numbers, names)
    return;
  }
  bool brace = (found & 2) != 0;
  if (brace) out.push_back('{');
  for (char c : v) {
    if (kEscapeClass[static_cast<unsigned char>(c)] == 1) out.push_back('\\');
    out.push_back(c);
  }
  if (brace) out.push_back('}');
}

// The words lappend adds to a value that is empty or not.
std::string lappend_tail(int argc, const Value* argv, bool empty) {
  std::string tail;
  for (int k = 2; k < argc; ++k) {
    if (!(empty && k == 2)) tail.push_back(' ');
    append_escaped(tail, argv[k].view());
  }
  return tail;
}

// lappend on an array element, name(subscript): the element is created when
// missing, and grows where it lies when nothing else holds its text.
Code lappend_element(Interp& interp, int argc, Value* argv) {
  std::string_view name = argv[1].view();
  // Only whether the element is empty is read first: a copy of its text
  // would make every append cost the whole text.
  bool empty = vars::access_var(interp, name, nullptr, false) != 0 || interp.result.empty();
  std::string tail = lappend_tail(argc, argv, empty);
  Value grown;
  if (!empty && vars::append_element_in_place(interp, name, tail, grown)) {
    nuvelSetResult(interp, grown);
    return Code::Ok;
  }
  std::string text;
  if (!empty && vars::access_var(interp, name, nullptr, false) == 0) text = interp.result.view();
  Value value(text + tail);
  return vars::access_var(interp, name, &value, true) == 0 ? Code::Ok : Code::Error;
}

// lappend var value ?value ...?
// Results: the variable's new value.
// Side effects: creates the variable when missing and appends each value,
// separated by single spaces. The value grows in place when nothing else
// holds it, so appending in a loop stays linear.
Code nuvelCommandLAppend(Interp& interp, int argc, Value* argv, void*) {
  std::string_view name = argv[1].view();
  if (name.find('(') != std::string_view::npos && name.back() == ')') {
    return lappend_element(interp, argc, argv);
  }
  // Held only where a search may drop a stale link's record (set_var);
  // holding costs an atomic count.
  vars::VarRef var = vars::lookup(interp, name);
  if (var && (var.kind() != vars::VT_AUTO || var.is_constant() || var.is_pointer())) {
    return core::fail(interp, Msg::LappendVarType, argv[1]);
  }
  if (!var) {
    if (vars::set_var(interp, name, Value()) != 0 || !(var = vars::lookup(interp, name).pinned())) {
      const core::Switches& sw = core::switches();
      if (sw.debug || sw.single_step || sw.stacktrace || interp.trace_on) {
        platform::out(core::message_of(interp, Msg::LappendNoVariable, argv[1]));
      }
      return Code::Error;
    }
  }
  std::string tail = lappend_tail(argc, argv, var.value().empty());
  // The result slot may share the old value (the last lappend's result);
  // release it so that the variable holds the only reference.
  if (interp.result.same_rep(var.value())) core::nuvelResetResult(interp);
  // The elements read from the old text stay valid for the longer one.
  std::shared_ptr<const core::StandardList> form =
      var.is_link() ? nullptr : var.value().cached<core::StandardList>(core::CacheSlot::ListTcl);
  if (vars::append_in_place(var, tail)) {
    if (form) list_extend_cached(var.value(), std::move(form), tail);
  } else {
    var = var.pinned();
    std::string text(var.value().view());
    text += tail;
    if (vars::set_var(interp, name, Value(std::move(text))) != 0) return Code::Error;
  }
  nuvelSetResult(interp, var.value());
  return Code::Ok;
}

// lassign list var ?var ...?
// Results: the elements left over, written as a list ("" when none are).
// Side effects: sets each variable to the next element, or to "{}" once the
// elements are exhausted.
Code nuvelCommandLAssign(Interp& interp, int argc, Value* argv, void*) {
  auto form = list_standard(argv[1]);
  const size_t count = form->count(false);
  size_t next = 0;
  for (int k = 2; k < argc; ++k) {
    Value v = next < count ? form->elements[next] : Value("{}");
    if (next < count) ++next;
    if (core::set_variable(interp, argv[k].view(), v) != 0) return Code::Error;
  }
  std::string rest;
  if (next < count) {
    rest = list_write(std::span<const Value>(form->elements.data() + next, count - next));
  }
  return set_text_result(interp, std::move(rest));
}

// lset failures, each with its own message.
enum class LsetFault { None, IndexBeyond, ValueBeyond, OutOfIndexes, Invalid };

// Replaces the element at indexes[depth..] inside `list` and returns the
// rewritten list text in `out`.
LsetFault lset_replace(std::string_view list, std::span<const int64_t> indexes,
                       std::string_view value, std::string& out) {
  if (indexes.empty()) return LsetFault::OutOfIndexes;
  std::vector<Value> elements = list_read_elements(trim_tab_space(list));
  const int64_t count = static_cast<int64_t>(elements.size());
  int64_t at = indexes[0];
  if (at < 0) return LsetFault::Invalid;
  if (indexes.size() > 1) {
    if (at >= count) return LsetFault::IndexBeyond;
    std::string inner;
    LsetFault f =
        lset_replace(elements[static_cast<size_t>(at)].view(), indexes.subspan(1), value, inner);
    if (f != LsetFault::None) return f;
    elements[static_cast<size_t>(at)] = Value(std::move(inner));
  } else {
    if (at >= count) return LsetFault::ValueBeyond;
    elements[static_cast<size_t>(at)] = value.empty() ? Value("{}") : Value(value);
  }
  out = list_write(elements);
  return LsetFault::None;
}

// lset var ?index ...? value
// Results: the variable's rewritten value.
// Side effects: replaces one element (nested with several indexes) of the
// list held by the variable, read with the element reader; without an index
// the variable is set to the value. A missing variable is created empty.
Code nuvelCommandLSet(Interp& interp, int argc, Value* argv, void*) {
  std::string_view name = argv[1].view();
  vars::VarRef var = vars::lookup(interp, name);
  if (var && var.kind() != vars::VT_AUTO) {
    return core::fail(interp, Msg::VarTypeNotHandled, argv[1], vars::var_type_name(var.kind()));
  }
  if (!var) {
    if (vars::set_var(interp, name, Value()) != 0) return Code::Error;
    var = vars::lookup(interp, name);
    if (!var) return Code::Error;
  }
  const Value& value = argv[argc - 1];
  std::string index_text;
  for (int k = 2; k < argc - 1; ++k) {
    if (k > 2) index_text.push_back(' ');
    index_text += argv[k].view();
  }
  if (argc == 3 || index_text.empty()) {
    return core::set_variable(interp, name, value) == 0 ? Code::Ok : Code::Error;
  }
  std::string_view list = trim_tab_space(var.value().view());
  std::vector<int64_t> indexes;
  auto fail = [&](Msg id, int64_t n = 0) {
    Code rc = core::fail(interp, id, n);
    core::nuvelResetResult(interp);
    return rc;
  };
  if (core::starts_with(index_text, "end")) {
    const int64_t count = static_cast<int64_t>(list_read_elements(list).size());
    std::string_view rest = std::string_view(index_text).substr(3);
    if (rest.empty()) {
      indexes.push_back(count - 1);
    } else {
      std::optional<int64_t> n = end_offset(rest);
      if (!n || *n < 0 || *n >= count) return fail(Msg::InvalidEndArgument);
      indexes.push_back(count - *n - 1);
    }
    if (indexes[0] < 0) return fail(Msg::IndexNotBelowCount);
  } else {
    for (const Value& w : list_read_standard(index_text)) {
      std::optional<int64_t> n = read_decimal(w.view());
      if (!n) return fail(Msg::InvalidArgumentBare);
      if (*n < 0) return fail(Msg::InvalidIndexValue, *n);
      indexes.push_back(*n);
    }
  }
  std::string out;
  switch (lset_replace(list, indexes, value.view(), out)) {
    case LsetFault::None:
      break;
    case LsetFault::IndexBeyond:
      return fail(Msg::IndexAboveCount);
    case LsetFault::ValueBeyond:
      return fail(Msg::IndexNotBelowCount);
    case LsetFault::OutOfIndexes:
      return fail(Msg::InvalidIndexIntoList);
    case LsetFault::Invalid:
      return fail(Msg::InvalidArgumentBare);
  }
  Value result(std::move(out));
  if (core::set_variable(interp, name, result) != 0) return Code::Error;
  nuvelSetResult(interp, std::move(result));
  return Code::Ok;
}

// lmap lambda list
// Results: the results of [apply lambda element] for each element of the
// word-list reader, written as a list; "{}" when there are no elements.
Code nuvelCommandLMap(Interp& interp, int argc, Value* argv, void*) {
  auto elements = list_words(argv[2]);
  if (elements->empty()) return set_text_result(interp, "{}");
  bool have_apply = core::nuvelGetCommand(interp, "apply") != nullptr;
  std::string out;
  for (const Value& element : *elements) {
    Value words[3] = {Value("apply"), argv[1], element};
    Code rc = have_apply ? core::nuvelCallCommand(interp, 3, words) : Code::Error;
    if (rc != Code::Ok && rc != Code::Return) {
      return core::fail(interp, Msg::LmapApplyFailed, core::code_int(rc), argv[1], element);
    }
    list_append_braced(out, interp.result.view());
  }
  return set_text_result(interp, std::move(out));
}

// lrand list
// Results: one element of the list chosen at random ("" for an empty list).
Code nuvelCommandLRand(Interp& interp, int argc, Value* argv, void*) {
  auto form = list_standard(argv[1]);
  size_t count = form->count(false);
  if (count == 0) {
    core::nuvelResetResult(interp);
    return Code::Ok;
  }
  size_t pick =
      random_range(interp, 0, static_cast<uint32_t>(std::min<size_t>(count - 1, UINT32_MAX)));
  nuvelSetResult(interp, form->elements[pick]);
  return Code::Ok;
}

// join list ?separator?
// Results: the word-list reader's elements joined with the separator (one
// space when it is missing or empty); an element that still starts with "{"
// is read once more and its own elements are joined in its place.
Code nuvelCommandJoin(Interp& interp, int argc, Value* argv, void*) {
  std::string_view sep = argc > 2 && !argv[2].empty() ? argv[2].view() : std::string_view(" ");
  auto elements = list_words(argv[1]);
  std::string out;
  out.reserve(argv[1].size());
  bool first = true;
  for (const Value& e : *elements) {
    if (!first) out += sep;
    first = false;
    std::string_view v = e.view();
    if (v == "{}") {
      out.push_back(' ');
    } else if (!v.empty() && v[0] == '{') {
      bool inner_first = true;
      for (const Value& sub : list_read_words(v)) {
        if (!inner_first) out += sep;
        inner_first = false;
        out += sub.view();
      }
    } else {
      out += v;
    }
  }
  return set_text_result(interp, std::move(out));
}

// Stores the pieces of split -array as elements "0", "1", ...
Code store_pieces(Interp& interp, std::string_view array, const std::vector<std::string>& pieces) {
  for (size_t k = 0; k < pieces.size(); ++k) {
    std::string key = std::to_string(k);
    if (vars::nuvelArraySetElement(interp, array, key, Value(pieces[k]), false, false) != 0) {
      return core::fail(interp, Msg::SplitSetElementFailed, array, key, pieces[k]);
    }
  }
  return Code::Ok;
}

// split string ?chars? ?-literal? ?-array name?
// Results: the pieces of the string as a list (one piece comes back as it
// is). By default every one of the characters separates; with -literal the
// whole text does; empty chars split into single characters. With -array the
// pieces are also stored as name(0), name(1), ...
Code nuvelCommandSplit(Interp& interp, int argc, Value* argv, void*) {
  std::string_view text = argv[1].view();
  bool literal = false;
  bool have_chars = false;
  std::string_view chars;
  std::string_view array;
  bool have_array = false;
  for (int k = 2; k < argc; ++k) {
    std::string_view w = argv[k].view();
    if (core::iequals(w, "-literal")) {
      literal = true;
    } else if (core::iequals(w, "-array") && k + 1 < argc) {
      array = argv[++k].view();
      have_array = true;
    } else if (!have_chars) {
      chars = w;
      have_chars = true;
    }
  }
  if (have_array && vars::lookup(interp, array)) {
    return core::fail(interp, Msg::SplitArrayExists, array);
  }
  std::vector<std::string> pieces;
  std::string out;
  if (have_chars && chars.empty()) {
    // Single characters; a few that lists would misread are braced.
    for (char c : text) {
      pieces.emplace_back(1, c);
      if (!out.empty()) out.push_back(' ');
      bool brace =
          c == '\b' || c == '\t' || c == '\n' || c == '\r' || c == ' ' || c == '"' || c == '$';
      if (brace) out.push_back('{');
      out.push_back(c);
      if (brace) out.push_back('}');
    }
    if (have_array) {
      if (pieces.empty()) pieces.emplace_back(text);
      if (store_pieces(interp, array, pieces) != Code::Ok) return Code::Error;
      return core::result_int(interp, static_cast<int64_t>(text.size()));
    }
    return set_text_result(interp, std::move(out));
  }
  if (have_chars && !text.empty()) {
    if (literal) {
      size_t from = 0;
      while (from < text.size()) {
        size_t at = text.find(chars, from);
        if (at == std::string_view::npos) at = text.size();
        pieces.emplace_back(text.substr(from, at - from));
        from = at == text.size() ? at : at + chars.size();
      }
    } else {
      // Each character of `chars` separates; the pieces between separators
      // are kept, empty ones too.
      bool separates[256] = {};
      for (char c : chars) separates[static_cast<unsigned char>(c)] = true;
      size_t from = 0;
      for (size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || separates[static_cast<unsigned char>(text[i])]) {
          pieces.emplace_back(text.substr(from, i - from));
          from = i + 1;
        }
      }
    }
  }
  if (have_array) {
    std::vector<std::string> stored = pieces;
    if (stored.empty()) stored.emplace_back(text);
    if (store_pieces(interp, array, stored) != Code::Ok) return Code::Error;
  }
  if (pieces.size() <= 1) {
    nuvelSetResult(interp, pieces.empty() ? argv[1] : Value(pieces[0]));
    return Code::Ok;
  }
  out.reserve(text.size() + pieces.size());
  for (const std::string& p : pieces) list_append_braced(out, p);
  return set_text_result(interp, std::move(out));
}

// concat ?arg ...?
// Results: the arguments without their leading and trailing spaces and tabs,
// joined with single spaces.
Code nuvelCommandConcat(Interp& interp, int argc, Value* argv, void*) {
  std::string out;
  for (int k = 1; k < argc; ++k) {
    if (k > 1) out.push_back(' ');
    out += trim_tab_space(argv[k].view());
  }
  return set_text_result(interp, std::move(out));
}

// index string position ?-var?
// Results: the character at the position (negative counts as 0), or "" when
// the text is shorter. With -var the first argument names a variable whose
// value is used when it exists.
Code nuvelCommandIndex(Interp& interp, int argc, Value* argv, void*) {
  Value text = argv[1];
  if (core::find_option(argc, argv, "-var", 3) >= 0) {
    if (std::optional<Value> v = vars::get_var_value(interp, argv[1].view())) text = std::move(*v);
  }
  int64_t pos = leading_decimal32(argv[2].view());
  if (pos < 0) pos = 0;
  if (static_cast<size_t>(pos) >= text.size()) {
    core::nuvelResetResult(interp);
    return Code::Ok;
  }
  nuvelSetResult(interp, text.view().substr(static_cast<size_t>(pos), 1));
  return Code::Ok;
}

// The value of an existing variable for cset/setl/setr, or a report.
std::optional<std::string> overwrite_target(Interp& interp, Value* argv) {
  vars::VarRef var = vars::lookup(interp, argv[1].view());
  if (!var) {
    (void)core::fail(interp, Msg::VariableNotFound, argv[1]);
    return std::nullopt;
  }
  return std::string(var.value().view());
}

Code store_overwritten(Interp& interp, Value* argv, std::string&& value, int64_t result) {
  if (vars::set_var(interp, argv[1].view(), Value(std::move(value))) != 0) return Code::Error;
  return core::result_int(interp, result);
}

// setl var text
// Results: the length of the text.
// Side effects: the start of the variable's value is overwritten with the
// start of the text; the value keeps its length.
Code nuvelCommandSetL(Interp& interp, int argc, Value* argv, void*) {
  std::optional<std::string> value = overwrite_target(interp, argv);
  if (!value) return Code::Error;
  if (value->empty()) {
    return core::fail(interp, Msg::TargetStringEmpty);
  }
  std::string_view text = argv[2].view();
  size_t n = std::min(text.size(), value->size());
  value->replace(0, n, text.substr(0, n));
  return store_overwritten(interp, argv, std::move(*value), static_cast<int64_t>(text.size()));
}

// setr var text
// Results: the number of characters written.
// Side effects: the text is written over the end of the variable's value
// (over its start when the value is shorter than the text); the value keeps
// its length.
Code nuvelCommandSetR(Interp& interp, int argc, Value* argv, void*) {
  std::optional<std::string> value = overwrite_target(interp, argv);
  if (!value) return Code::Error;
  std::string_view text = argv[2].view();
  size_t written;
  if (value->size() < text.size()) {
    written = value->size();
    value->replace(0, written, text.substr(0, written));
  } else {
    written = text.size();
    value->replace(value->size() - written, written, text);
  }
  return store_overwritten(interp, argv, std::move(*value), static_cast<int64_t>(written));
}

// cset var text ?length?
// Results: the length of the text used ("0" for an empty value).
// Side effects: the text (cut to the length when it is positive and shorter)
// is written over the middle of the variable's value; the value keeps its
// length.
Code nuvelCommandCSet(Interp& interp, int argc, Value* argv, void*) {
  std::optional<std::string> value = overwrite_target(interp, argv);
  if (!value) return Code::Error;
  if (value->empty()) return core::result_int(interp, 0);
  std::string_view text = argv[2].view();
  if (argc > 3) {
    int64_t len = leading_decimal32(argv[3].view());
    if (len > 0 && static_cast<size_t>(len) < text.size()) text = text.substr(0, len);
  }
  size_t n = std::min(text.size(), value->size());
  double start =
      std::trunc(static_cast<double>(value->size()) / 2.0 - static_cast<double>(n) / 2.0);
  size_t at = start < 0 ? 0 : static_cast<size_t>(start);
  if (at + n > value->size()) at = value->size() - n;
  value->replace(at, n, text.substr(0, n));
  return store_overwritten(interp, argv, std::move(*value), static_cast<int64_t>(text.size()));
}

constexpr CommandRow kListCommands[] = {
    {"list", nuvelCommandList, 1, kAnyWords, "?elem ...?"},
    {"llength", nuvelCommandLLength, 2, kAnyWords, "list"},
    {"lcount", nuvelCommandLCount, 2, kAnyWords, "list ?-var?"},
    {"lindex", nuvelCommandLIndex, 2, kAnyWords, "list ?index ...?"},
    {"lrange", nuvelCommandLRange, 4, kAnyWords, "list first last"},
    {"lreplace", nuvelCommandLReplace, 3, kAnyWords, "list first ?last? ?elem ...?"},
    {"lreverse", nuvelCommandLReverse, 2, kAnyWords, "list"},
    {"lappend", nuvelCommandLAppend, 3, kAnyWords, "var value ?value ...?"},
    {"lassign", nuvelCommandLAssign, 3, kAnyWords, "list var ?var ...?"},
    {"lset", nuvelCommandLSet, 3, kAnyWords, "var ?index ...? value"},
    {"lmap", nuvelCommandLMap, 3, kAnyWords, "lambda list"},
    {"lrand", nuvelCommandLRand, 2, kAnyWords, "list"},
    {"join", nuvelCommandJoin, 2, kAnyWords, "list ?separator?"},
    {"split", nuvelCommandSplit, 2, kAnyWords, "string ?chars? ?-literal? ?-array name?"},
    {"concat", nuvelCommandConcat, 1, kAnyWords, "?arg ...?"},
    {"index", nuvelCommandIndex, 3, kAnyWords, "string position ?-var?"},
    {"cset", nuvelCommandCSet, 3, kAnyWords, "var text ?length?"},
    {"setl", nuvelCommandSetL, 3, kAnyWords, "var text"},
    {"setr", nuvelCommandSetR, 3, kAnyWords, "var text"},
};

}  // namespace

[[gnu::section(".text.startup.register")]] void register_list_cmds(core::Interp& interp) {
  core::register_rows(interp, kListCommands);
}

}  // namespace lists
