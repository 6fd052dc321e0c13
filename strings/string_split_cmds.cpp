// String commands that cut a text into pieces or rewrite a variable's value:
// chomp, chartok, strtok, strsplit, replacechar, slice and map.
#include <algorithm>
#include <string>
#include <vector>

#include "core/cmd_helpers.h"
#include "core/list_value.h"
#include "core/var_store.h"
#include "strings/string_cmds.h"
#include "strings/string_support.h"

namespace strings {

using core::CommandRow;
using core::kAnyWords;
using core::Msg;
using core::nuvelSetResult;

namespace {

constexpr size_t npos = std::string_view::npos;

// chomp var ?length? ?-leave?
// Results: the first length characters of the variable's value; with length
// 0 (the default) the first word after leading white space; a negative
// length takes the whole value.
// Side effects: unless -leave is given, what was taken (and, for a word, the
// white space before it) is removed from the variable's value.
Code nuvelCommandChomp(Interp& interp, int argc, Value* argv, void*) {
  ArgSplit a(argc, argv, 1, 1, {"-leave"});
  std::string_view name = a[0].view();
  vars::VarRef var = vars::lookup(interp, name);
  if (!var || !writable(var)) {
    nuvelSetResult(interp, Value());
    return core::fail(interp, Msg::VariableInvalid, a[0]);
  }
  Value value = var.value();
  std::string_view v = value.view();
  if (v.empty()) {
    nuvelSetResult(interp, Value());
    return Code::Ok;
  }
  int32_t length = a.count() >= 2 ? arg_int(a[1]) : 0;
  std::string_view taken;
  std::string_view rest;
  if (length == 0) {
    size_t b = 0;
    while (b < v.size() && core::is_blank_or_line_end(v[b])) ++b;
    size_t e = b;
    while (e < v.size() && !core::is_blank_or_line_end(v[e])) ++e;
    taken = v.substr(b, e - b);
    rest = v.substr(e);
  } else if (length < 0 || static_cast<size_t>(length) >= v.size()) {
    taken = v;
  } else {
    taken = v.substr(0, static_cast<size_t>(length));
    rest = v.substr(static_cast<size_t>(length));
  }
  Value result(taken);
  if (!a.has(0) && !store_text(interp, name, Value(rest))) return Code::Error;
  nuvelSetResult(interp, std::move(result));
  return Code::Ok;
}

// Stores the pieces as elements 0, 1, ... of an array; the count or -1.
int64_t store_pieces(Interp& interp, std::string_view array,
                     const std::vector<std::string_view>& pieces) {
  int64_t n = 0;
  for (std::string_view piece : pieces) {
    if (vars::nuvelArraySetElement(interp, array, std::to_string(n), Value(piece), false, false) !=
        0) {
      return -1;
    }
    ++n;
  }
  return n;
}

// The non-empty runs of the text between characters of the set.
std::vector<std::string_view> split_at_set(std::string_view text, const ByteSet& set) {
  std::vector<std::string_view> pieces;
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && set.has(text[i])) ++i;
    size_t b = i;
    while (i < text.size() && !set.has(text[i])) ++i;
    if (i > b) pieces.push_back(text.substr(b, i - b));
  }
  return pieces;
}

// The non-empty pieces between occurrences of the separator text.
std::vector<std::string_view> split_at_text(std::string_view text, std::string_view sep,
                                            bool nocase) {
  std::vector<std::string_view> pieces;
  if (sep.empty()) {
    if (!text.empty()) pieces.push_back(text);
    return pieces;
  }
  size_t from = 0;
  while (from <= text.size()) {
    size_t at = find_text(text, sep, from, nocase);
    size_t end = at == npos ? text.size() : at;
    if (end > from) pieces.push_back(text.substr(from, end - from));
    if (at == npos) break;
    from = at + sep.size();
  }
  return pieces;
}

// chartok text chars array
// Results: the number of pieces stored.
// Side effects: the text, split at runs of characters of the set (empty
// pieces skipped), becomes the elements 0, 1, ... of the array.
Code nuvelCommandChartok(Interp& interp, int argc, Value* argv, void*) {
  int64_t n = store_pieces(interp, argv[3].view(),
                           split_at_set(argv[1].view(), ByteSet(argv[2].view(), false)));
  if (n < 0) return Code::Error;
  return core::result_int(interp, n);
}

// strtok text separator array ?-nocase?
// Results: the number of pieces stored.
// Side effects: the text, split at each occurrence of the separator (empty
// pieces skipped), becomes the elements 0, 1, ... of the array.
Code nuvelCommandStrtok(Interp& interp, int argc, Value* argv, void*) {
  ArgSplit a(argc, argv, 1, 3, {"-nocase"});
  int64_t n = store_pieces(interp, a[2].view(), split_at_text(a[0].view(), a[1].view(), a.has(0)));
  if (n < 0) return Code::Error;
  return core::result_int(interp, n);
}

// strsplit text ?separator? ?var?
// Results: the non-empty pieces between occurrences of the separator text,
// separated by single spaces, a piece holding a space wrapped in braces.
// Without a separator the text is split at any of the characters {, }, "
// and space. No pieces at all give code 1.
// Side effects: with a third argument the result is also stored there.
Code nuvelCommandStrsplit(Interp& interp, int argc, Value* argv, void*) {
  std::string_view text = argv[1].view();
  std::vector<std::string_view> pieces = argc > 2 && !argv[2].empty()
                                             ? split_at_text(text, argv[2].view(), false)
                                             : split_at_set(text, ByteSet("{}\" ", false));
  if (pieces.empty()) {
    nuvelSetResult(interp, Value());
    return Code::Error;
  }
  std::string out;
  for (std::string_view p : pieces) {
    if (!out.empty()) out.push_back(' ');
    bool brace = p.find(' ') != npos;
    if (brace) out.push_back('{');
    out += p;
    if (brace) out.push_back('}');
  }
  Value result(std::move(out));
  if (argc > 3 && core::set_variable(interp, argv[3].view(), result) != 0) return Code::Error;
  nuvelSetResult(interp, std::move(result));
  return Code::Ok;
}

// replacechar var from to ?-mask?
// Results: the number of characters replaced or deleted.
// Side effects: in the value of the variable (or of the array element
// name(key)) every occurrence of the first character of `from` (with -mask:
// of any character of `from`) becomes the first character of `to`, or is
// deleted when `to` is empty.
Code nuvelCommandReplacechar(Interp& interp, int argc, Value* argv, void*) {
  ArgSplit a(argc, argv, 1, 3, {"-mask"});
  std::string_view name = a[0].view();
  bool element = name.find('(') != npos && name.back() == ')';
  Value value;
  if (element) {
    Value saved = interp.result;
    int rc = vars::access_var(interp, name, nullptr, false);
    value = interp.result;
    nuvelSetResult(interp, std::move(saved));
    if (rc != 0) {
      return core::fail(interp, Msg::ArrayElementError, a[0]);
    }
  } else {
    vars::VarRef var = vars::lookup(interp, name);
    if (!var) {
      return core::fail(interp, Msg::NotFound, a[0]);
    }
    if (!writable(var)) {
      return core::fail(interp, Msg::VariableNotAString, a[0]);
    }
    value = var.value();
  }
  std::string_view from = a[1].view();
  if (from.empty()) return core::result_int(interp, 0);
  ByteSet set(a.has(0) ? from : from.substr(0, 1), false);
  std::string_view to = a[2].view();
  std::string out;
  out.reserve(value.size());
  int64_t count = 0;
  for (char c : value.view()) {
    if (!set.has(c)) {
      out.push_back(c);
      continue;
    }
    ++count;
    if (!to.empty()) out.push_back(to[0]);
  }
  if (count > 0 && !store_text(interp, name, Value(std::move(out)))) {
    return core::fail(interp, element ? Msg::ArrayElementError : Msg::VariableNotAString, a[0]);
  }
  return core::result_int(interp, count);
}

// Writes one slice field: trailing spaces dropped, "{}" when empty, braced
// when it holds a space; a space follows.
void write_field(std::string& out, std::string& field) {
  while (!field.empty() && field.back() == ' ') field.pop_back();
  if (field.empty()) {
    out += "{}";
  } else if (field.find(' ') != npos) {
    out.push_back('{');
    out += field;
    out.push_back('}');
  } else {
    out += field;
  }
  out.push_back(' ');
  field.clear();
}

}  // namespace

// slice text stop ?stop ...?
// Results: the text cut into fixed-width columns. Stops are 1-based column
// numbers that end a field (the character at the stop column belongs to the
// field it ends); they must not decrease. Each line (CR ignored) starts
// again at the first stop; leading blanks of a field are skipped.
Code nuvelCommandSlice(Interp& interp, int argc, Value* argv, void*) {
  if (argc == 2) {
    nuvelSetResult(interp, argv[1]);
    return Code::Ok;
  }
  std::vector<int64_t> stops;
  for (int i = 2; i < argc; ++i) {
    int64_t s = arg_int(argv[i]);
    if (!stops.empty() && s < stops.back()) {
      return core::fail(interp, Msg::SliceStopOutOfSequence, s);
    }
    stops.push_back(s);
  }
  std::string out;
  std::string field;
  int64_t column = 0;
  size_t next = 0;
  bool pending = false;
  for (char c : argv[1].view()) {
    if (c == '\r') continue;
    if (c == '\n') {
      if (pending) write_field(out, field);
      pending = false;
      column = 0;
      next = 0;
      continue;
    }
    ++column;
    pending = true;
    if (!(field.empty() && (c == ' ' || c == '\t'))) field.push_back(c);
    while (next < stops.size() && column >= stops[next]) {
      write_field(out, field);
      pending = false;
      ++next;
    }
  }
  if (pending) write_field(out, field);
  while (!out.empty() && out.back() == ' ') out.pop_back();
  nuvelSetResult(interp, Value(std::move(out)));
  return Code::Ok;
}

// map ?-nocase? mapping text
// Results: the text with every occurrence of a key of the mapping (a list of
// key value pairs, read with the standard reader) replaced by its value.
// At each position the first key in the mapping that matches wins; the
// replaced text is not searched again.
Code nuvelCommandMap(Interp& interp, int argc, Value* argv, void*) {
  bool nocase = false;
  for (int i = 1; i < argc - 2; ++i) {
    if (core::iequals(argv[i].view(), "-nocase")) nocase = true;
  }
  auto form = core::list_standard(argv[argc - 2]);
  const std::vector<Value>& pairs = form->elements;
  size_t count = form->count(true);
  if (count % 2 != 0) {
    return core::fail(interp, Msg::MapOddList);
  }
  std::string_view text = argv[argc - 1].view();
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    bool hit = false;
    for (size_t k = 0; k < count; k += 2) {
      std::string_view key = pairs[k].view();
      if (key.empty() || key.size() > text.size() - i) continue;
      if (equal_text(text.substr(i, key.size()), key, nocase)) {
        out += pairs[k + 1].view();
        i += key.size();
        hit = true;
        break;
      }
    }
    if (!hit) out.push_back(text[i++]);
  }
  nuvelSetResult(interp, Value(std::move(out)));
  return Code::Ok;
}

namespace {

constexpr CommandRow kStringSplitCommands[] = {
    {"chomp", nuvelCommandChomp, 2, kAnyWords, "var ?length? ?-leave?"},
    {"chartok", nuvelCommandChartok, 4, kAnyWords, "text chars array"},
    {"strtok", nuvelCommandStrtok, 4, kAnyWords, "text separator array ?-nocase?"},
    {"strsplit", nuvelCommandStrsplit, 2, kAnyWords, "text ?separator? ?var?"},
    {"replacechar", nuvelCommandReplacechar, 4, kAnyWords, "var from to ?-mask?"},
    {"slice", nuvelCommandSlice, 2, kAnyWords, "text stop ?stop ...?"},
    {"map", nuvelCommandMap, 3, kAnyWords, "?-nocase? mapping text"},
};

}  // namespace

std::span<const CommandRow> string_split_rows() {
  return kStringSplitCommands;
}

[[gnu::section(".text.startup.register")]] void register_string_split_cmds(Interp& interp) {
  core::register_rows(interp, kStringSplitCommands);
}

}  // namespace strings
