// Value tests beside the eight character-class tests (is_alpha ...): numbers,
// empty and null values, well-formed lists and ranges. Every test answers
// "1" or "0" and fails only on an unknown option.
#include <string>

#include "core/cmd_helpers.h"
#include "core/list_value.h"
#include "core/var_store.h"
#include "expr/option_words.h"
#include "expr/whole_number.h"

namespace strings {
namespace {

using namespace expr;
using core::list_read_standard;

using core::Code;
using core::Interp;
using core::Value;

// The value a test looks at: the word, or with -var the value of the variable
// it names ("" when there is none).
Value tested_value(Interp& interp, const Value& word, bool use_var) {
  if (!use_var) return word;
  return vars::get_var_value(interp, word.view()).value_or(Value());
}

bool is_integer_text(std::string_view t) {
  if (read_whole_int(t)) return true;
  auto n = read_whole_number(t);
  return n && t.find('.') == std::string_view::npos;
}

// is_numeric text ?-integer? ?-float?
// Results: "1" when the text is a number: sign and digits with at most one
// ".", or a base-prefixed integer (0x, 0b, 0o, &h, &b). -integer accepts
// integers only; -float accepts every number.
Code nuvelCommandIsNumeric(Interp& interp, int argc, Value* argv, void*) {
  OptionWords o;
  if (!o.parse(interp, argc, argv, {{"-integer"}, {"-float"}}, OptionWords::Unknown::Value)) {
    return o.code;
  }
  if (o.count() != 1) return core::nuvelWrongArgs(interp, argc, argv);
  std::string_view t = o[0].view();
  if (o.has("-integer")) return core::result_bool(interp, is_integer_text(t));
  return core::result_bool(interp, read_whole_number(t).has_value());
}

// is_empty text ?-var?
// Results: "1" for the empty text and for "{}"; with -var the variable's
// value, a missing variable counting as empty.
Code nuvelCommandIsEmpty(Interp& interp, int argc, Value* argv, void*) {
  OptionWords o;
  if (!o.parse(interp, argc, argv, {{"-var"}}, OptionWords::Unknown::Value)) return o.code;
  if (o.count() != 1) return core::nuvelWrongArgs(interp, argc, argv);
  Value v = tested_value(interp, o[0], o.has("-var"));
  return core::result_bool(interp, v.view().empty() || v.view() == "{}");
}

// is_null value ?-var?
// Results: "1" when the value is empty, "{}" or a number equal to 0 (the
// null handle or address).
Code nuvelCommandIsNull(Interp& interp, int argc, Value* argv, void*) {
  OptionWords o;
  if (!o.parse(interp, argc, argv, {{"-var"}}, OptionWords::Unknown::Value)) return o.code;
  if (o.count() != 1) return core::nuvelWrongArgs(interp, argc, argv);
  Value v = tested_value(interp, o[0], o.has("-var"));
  std::string_view t = v.view();
  if (t.empty() || t == "{}") return core::result_bool(interp, true);
  auto n = read_whole_number(t);
  return core::result_bool(interp, n && (n->is_int ? n->i == 0 : n->d == 0.0));
}

// Whether every braced element closes and every quoted element ends.
bool balanced_elements(std::string_view t) {
  size_t i = 0;
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
  while (i < t.size()) {
    while (i < t.size() && blank(t[i])) ++i;
    if (i >= t.size()) break;
    if (t[i] == '{') {
      int depth = 0;
      for (; i < t.size(); ++i) {
        if (t[i] == '\\') {
          ++i;
        } else if (t[i] == '{') {
          ++depth;
        } else if (t[i] == '}' && --depth == 0) {
          break;
        }
      }
      if (depth != 0 || i >= t.size()) return false;
      ++i;
    } else if (t[i] == '"') {
      for (++i; i < t.size() && t[i] != '"'; ++i) {
        if (t[i] == '\\') ++i;
      }
      if (i >= t.size()) return false;
      ++i;
    } else {
      while (i < t.size() && !blank(t[i])) i += t[i] == '\\' ? 2 : 1;
    }
  }
  return true;
}

// is_list text
// Results: "1" when the standard list reader reads the text with balanced
// braces, closed quotes and no quote warning.
Code nuvelCommandIsList(Interp& interp, int argc, Value* argv, void*) {
  std::string_view t = argv[1].view();
  if (!balanced_elements(t)) return core::result_bool(interp, false);
  bool warning = false;
  (void)list_read_standard(t, &warning);
  return core::result_bool(interp, !warning);
}

// inrange value min max ?-exclusive?
// Results: "1" when min <= value <= max (strictly with -exclusive), compared
// as numbers when both sides are numbers, else byte by byte.
Code nuvelCommandInrange(Interp& interp, int argc, Value* argv, void*) {
  OptionWords o;
  if (!o.parse(interp, argc, argv, {{"-exclusive"}}, OptionWords::Unknown::Value)) {
    return o.code;
  }
  if (o.count() != 3) return core::nuvelWrongArgs(interp, argc, argv);
  int low = compare_values(o[1].view(), o[0].view(), false);
  int high = compare_values(o[0].view(), o[2].view(), false);
  bool inside = o.has("-exclusive") ? (low < 0 && high < 0) : (low <= 0 && high <= 0);
  return core::result_bool(interp, inside);
}

constexpr core::CommandRow kCharTestCommands[] = {
    {"is_numeric", nuvelCommandIsNumeric, 2, 4, "text ?-integer? ?-float?"},
    {"is_empty", nuvelCommandIsEmpty, 2, 3, "text ?-var?"},
    {"is_null", nuvelCommandIsNull, 2, 3, "value ?-var?"},
    {"is_list", nuvelCommandIsList, 2, 2, "text"},
    {"inrange", nuvelCommandInrange, 4, 5, "value min max ?-exclusive?"},
};

}  // namespace

[[gnu::section(".text.startup.register")]] void register_char_test_cmds(core::Interp& interp) {
  core::register_rows(interp, kCharTestCommands);
}

}  // namespace strings
