// List and container utilities: integer ranges, an element with a default,
// glob filters, any/all tests, walking and emptying containers of any type,
// enumeration constants and word splitting.
#include <string>
#include <vector>

#include "containers/hash_table.h"
#include "core/cmd_helpers.h"
#include "core/glob.h"
#include "core/list_index.h"
#include "core/list_value.h"
#include "core/var_store.h"
#include "expr/option_words.h"
#include "expr/whole_number.h"

namespace lists {
namespace {

using namespace expr;
using core::glob_match;
using core::list_read_words;
using core::read_decimal;

using core::Code;
using core::Interp;
using core::Msg;
using core::Value;

// More elements than this would only exhaust memory.
constexpr int64_t kMaxElements = 8 * 1024 * 1024;

// range ?start? end ?step?
// Results: the integers from start (default 0) up to but excluding end, by
// step (default 1, or -1 when start > end); "" when there are none.
Code nuvelCommandRange(Interp& interp, int argc, Value* argv, void*) {
  int64_t n[3] = {0, 0, 0};
  for (int k = 1; k < argc; ++k) {
    auto v = read_whole_int64(argv[k].view());
    if (!v) return core::fail(interp, Msg::ConvInvalidNumber, argv[k]);
    n[k - 1] = *v;
  }
  int64_t start = argc == 2 ? 0 : n[0];
  int64_t end = argc == 2 ? n[0] : n[1];
  int64_t step = argc == 4 ? n[2] : (start > end ? -1 : 1);
  if (step == 0) return core::fail(interp, Msg::ListXInvalidIncrement);
  __int128 span = static_cast<__int128>(end) - start;
  __int128 count = 0;
  if ((span > 0 && step > 0) || (span < 0 && step < 0)) {
    __int128 s = step;
    count = (span + s + (step > 0 ? -1 : 1)) / s;
  }
  if (count > kMaxElements) {
    return core::fail(interp, Msg::ListXTooMany, std::to_string(static_cast<uint64_t>(count)),
                      kMaxElements);
  }
  std::string out;
  __int128 v = start;
  for (__int128 i = 0; i < count; ++i, v += step) {
    if (!out.empty()) out += ' ';
    out += std::to_string(static_cast<int64_t>(v));
  }
  return set_text(interp, std::move(out));
}

// An index word of the list commands: a whole integer, "end" or "end-N".
std::optional<int64_t> index_word(std::string_view w, int64_t count) {
  if (core::istarts_with(w, "end")) {
    if (w.size() == 3) return count - 1;
    if (w[3] != '-') return std::nullopt;
    auto n = read_whole_int(w.substr(4));
    if (!n || n->negative || n->magnitude > uint64_t{INT64_MAX}) return std::nullopt;
    return count - 1 - static_cast<int64_t>(n->magnitude);
  }
  auto n = read_whole_int(w);
  // A decimal index beyond 64 bits is far outside any list.
  if (!n) return read_decimal(w);
  if (!n->negative && n->magnitude > uint64_t{INT64_MAX}) return INT64_MAX;
  return n->as_int64();
}

// item list index ?default?
// Results: the element at the index (0-based, "end", "end-N"), or the
// default ("" without one) when the index is outside the list.
Code nuvelCommandItem(Interp& interp, int argc, Value* argv, void*) {
  auto form = list_standard(argv[1]);
  auto count = static_cast<int64_t>(form->count(false));
  auto index = index_word(argv[2].view(), count);
  if (!index) return core::fail(interp, Msg::InvalidArgument, argv[2]);
  if (*index < 0 || *index >= count) {
    core::nuvelSetResult(interp, argc > 3 ? argv[3] : Value());
    return Code::Ok;
  }
  core::nuvelSetResult(interp, form->elements[static_cast<size_t>(*index)]);
  return Code::Ok;
}

// filter list pattern ?-not? ?-nocase? ?-exact?
// Results: the elements matching the glob pattern (or equal to it with
// -exact), or with -not those that do not; "{}" when none is left.
Code nuvelCommandFilter(Interp& interp, int argc, Value* argv, void*) {
  OptionWords o;
  if (!o.parse(interp, argc, argv, {{"-not"}, {"-nocase"}, {"-exact"}},
               OptionWords::Unknown::Value)) {
    return o.code;
  }
  if (o.count() != 2) return core::nuvelWrongArgs(interp, argc, argv);
  bool nocase = o.has("-nocase");
  bool keep_matching = !o.has("-not");
  std::string_view pattern = o[1].view();
  auto form = list_standard(o[0]);
  std::vector<Value> kept;
  for (size_t i = 0; i < form->count(false); ++i) {
    std::string_view e = form->elements[i].view();
    bool hit = false;
    if (o.has("-exact")) {
      hit = nocase ? core::iequals(e, pattern) : e == pattern;
    } else {
      hit = glob_match(pattern, e, nocase);
    }
    if (hit == keep_matching) kept.push_back(form->elements[i]);
  }
  return set_text(interp, kept.empty() ? "{}" : list_write(kept));
}

bool truthy(std::string_view t) {
  if (auto n = read_whole_number(t)) return n->is_int ? n->i != 0 : n->d != 0.0;
  return core::iequals(t, "true") || core::iequals(t, "yes") || core::iequals(t, "on");
}

// any list ?lambda? / all list ?lambda?
// Results: "1" when at least one (any) or every (all) element is true: the
// element itself, or the result of apply lambda element; true is a non-zero
// number or true/yes/on. A failing lambda passes its code on.
Code nuvelCommandAnyAll(Interp& interp, int argc, Value* argv, void*) {
  bool want_any = core::iequals(argv[0].view(), "any");
  auto form = list_standard(argv[1]);
  for (size_t i = 0; i < form->count(false); ++i) {
    bool t = false;
    if (argc > 2) {
      Value words[3] = {Value("apply"), argv[2], form->elements[i]};
      Code rc = core::nuvelCallCommand(interp, 3, words);
      if (rc != Code::Ok && rc != Code::Return) return rc;
      t = truthy(interp.result.view());
    } else {
      t = truthy(form->elements[i].view());
    }
    if (t == want_any) return core::result_bool(interp, want_any);
  }
  return core::result_bool(interp, !want_any);
}

// The type of a variable, following a link to its target.
int effective_type(vars::VarRef var) {
  return var.kind();
}

// walk name ?limit? ?-bare?
// Results: "" after array walk or dict walk, chosen by the variable's type.
Code nuvelCommandWalk(Interp& interp, int argc, Value* argv, void*) {
  vars::VarRef var = vars::lookup(interp, argv[1].view());
  if (!var) return core::fail(interp, Msg::VariableNotFound, argv[1]);
  int type = effective_type(var);
  if (type != vars::VT_ARRAY && type != vars::VT_DICTIONARY) {
    return core::fail(interp, Msg::ListXNotContainer, argv[1]);
  }
  std::vector<Value> words = {Value(type == vars::VT_ARRAY ? "array" : "dict"), Value("walk")};
  for (int k = 1; k < argc; ++k) words.push_back(argv[k]);
  return core::nuvelCallCommand(interp, static_cast<int>(words.size()), words.data());
}

// empty name ?name ...?
// Results: the number of variables emptied.
// Side effects: each variable keeps its type and loses its contents: a
// plain one becomes "", an array, dictionary or stack loses its elements; a
// missing name is created empty.
Code nuvelCommandEmpty(Interp& interp, int argc, Value* argv, void*) {
  int64_t count = 0;
  for (int k = 1; k < argc; ++k) {
    std::string_view name = argv[k].view();
    vars::VarRef var = vars::lookup(interp, name);
    if (var && (var.is_constant() || effective_type(var) == vars::VT_CONST)) {
      core::nuvelSetResultInt(interp, count);
      return core::fail(interp, Msg::ListXConst, argv[k]);
    }
    int type = var ? effective_type(var) : vars::VT_AUTO;
    if (type == vars::VT_ARRAY) {
      if (vars::VarRef owner = var.storage()) vars::clear_elements(owner);
    } else if (type == vars::VT_DICTIONARY || type == vars::VT_STACK) {
      Value words[3] = {Value(type == vars::VT_STACK ? "stack" : "dict"), Value("clear"), argv[k]};
      Code rc = core::nuvelCallCommand(interp, 3, words);
      if (rc != Code::Ok) return rc;
    } else if (vars::set_var(interp, name, Value()) != 0) {
      return core::fail(interp, Msg::ListXNotSet, argv[k]);
    }
    ++count;
  }
  return core::result_int(interp, count);
}

// enum {name ?{name value}? ...} ?-start n? ?-nocomplain?
// Results: the number of constants defined.
// Side effects: defines each name as a constant holding the counter, which
// starts at n (default 0) and goes up by one; an element "name value" sets
// the counter to value first.
Code nuvelCommandEnum(Interp& interp, int argc, Value* argv, void*) {
  OptionWords o;
  if (!o.parse(interp, argc, argv, {{"-start", true}, {"-nocomplain"}})) return o.code;
  if (o.count() != 1) return core::nuvelWrongArgs(interp, argc, argv);
  int64_t counter = 0;
  if (const Value* s = o.value("-start")) {
    auto v = read_whole_int64(s->view());
    if (!v) return core::fail(interp, Msg::ConvInvalidNumber, *s);
    counter = *v;
  }
  bool replace = o.has("-nocomplain");
  std::vector<Value> items = list_read_words(o[0].view());
  // Everything is checked before anything is defined.
  struct Entry {
    Value name;
    int64_t value;
  };
  std::vector<Entry> entries;
  for (const Value& item : items) {
    std::vector<Value> parts = list_read_words(item.view());
    if (parts.empty()) continue;
    if (parts.size() > 2) return core::fail(interp, Msg::InvalidArgument, item);
    if (parts.size() == 2) {
      auto v = read_whole_int64(parts[1].view());
      if (!v) return core::fail(interp, Msg::ConvInvalidNumber, parts[1]);
      counter = *v;
    }
    if (!replace && vars::var_exists(interp, parts[0].view())) {
      return core::fail(interp, Msg::ListXExists, parts[0]);
    }
    entries.push_back({parts[0], counter});
    counter = static_cast<int64_t>(static_cast<uint64_t>(counter) + 1);
  }
  int64_t defined = 0;
  for (const Entry& e : entries) {
    if (vars::define_const(interp, e.name.view(), Value::from_int(e.value), false, replace) != 0) {
      core::nuvelSetResultInt(interp, defined);
      return core::fail(interp, Msg::ListXExists, e.name);
    }
    ++defined;
  }
  return core::result_int(interp, defined);
}

// tokenise text ?arrayName?
// Results: the words of the text (quotes and braces group, backslash pairs
// kept) as a list, or with an array name their count.
// Side effects: with an array name, a new array holding the words as
// elements 0, 1, ...
Code nuvelCommandTokenise(Interp& interp, int argc, Value* argv, void*) {
  std::vector<Value> words = list_read_words(argv[1].view());
  if (argc == 2) return set_text(interp, list_write(words));
  std::string_view name = argv[2].view();
  if (vars::var_exists(interp, name)) return core::fail(interp, Msg::ArrayExists, argv[2]);
  for (size_t i = 0; i < words.size(); ++i) {
    if (vars::nuvelArraySetElement(interp, name, std::to_string(i), words[i], false, false) != 0) {
      return core::fail(interp, Msg::ListXNotSet, argv[2]);
    }
  }
  return core::result_int(interp, static_cast<int64_t>(words.size()));
}

constexpr core::CommandRow kListUtilCommands[] = {
    {"range", nuvelCommandRange, 2, 4, "?start? end ?step?"},
    {"item", nuvelCommandItem, 3, 4, "list index ?default?"},
    {"filter", nuvelCommandFilter, 3, 6, "list pattern ?-not? ?-nocase? ?-exact?"},
    {"any", nuvelCommandAnyAll, 2, 3, "list ?lambda?"},
    {"all", nuvelCommandAnyAll, 2, 3, "list ?lambda?"},
    {"walk", nuvelCommandWalk, 2, 4, "name ?limit? ?-bare?"},
    {"empty", nuvelCommandEmpty, 2, core::kAnyWords, "name ?name ...?"},
    {"enum", nuvelCommandEnum, 2, 5, "{name ?{name value}? ...} ?-start n? ?-nocomplain?"},
    {"tokenise", nuvelCommandTokenise, 2, 3, "text ?arrayName?"},
};

}  // namespace

[[gnu::section(".text.startup.register")]] void register_list_util_cmds(Interp& interp) {
  core::register_rows(interp, kListUtilCommands);
}

}  // namespace lists
