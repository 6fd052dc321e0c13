// The array command and its relatives: dim, array_set, array_foreach and
// is_array. Elements live in the hash_table of the array's record; every
// listing shows them in the table's scan order.
#include <algorithm>
#include <cstdlib>

#include "collections/array_store.h"
#include "containers/hash_table.h"
#include "core/cmd_helpers.h"
#include "core/collection_text.h"
#include "core/list_value.h"
#include "core/switches.h"
#include "core/var_store.h"
#include "platform/console.h"

namespace collections {

using containers::hash_table;
using core::Code;
using core::fail;
using core::Interp;
using core::Msg;
using core::Value;
using vars::VarRef;

// The most buckets an array table is made with, and the most elements one
// `array blank` creates.
constexpr int64_t kMaxArraySize = 10000000;

Code make_array(Interp& interp, std::string_view name, int64_t size) {
  if (size < 1) size = 1;
  if (size > kMaxArraySize) size = kMaxArraySize;
  if (VarRef var = vars::lookup(interp, name)) {
    VarRef owner = var.storage();
    if (owner && owner.kind() == vars::VT_ARRAY) return fail(interp, Msg::ArrayAlreadyExists, name);
    return Code::Error;
  }
  return vars::create_array(interp, name, static_cast<int32_t>(size)) ? Code::Ok : Code::Error;
}

Code array_set_words(Interp& interp, int argc, Value* argv) {
  std::string name(argv[1].view());
  bool make_const = false, nocase = false;
  std::vector<Value> data;
  for (int k = 2; k < argc; ++k) {
    if (core::iequals(argv[k].view(), "-const")) {
      make_const = true;
    } else if (core::iequals(argv[k].view(), "-nocase")) {
      nocase = true;
    } else {
      data.push_back(argv[k]);
    }
  }
  if (VarRef var = vars::lookup(interp, name)) {
    VarRef owner = var.storage();
    if (var.is_constant() || (owner && owner.is_constant())) {
      return fail(interp, Msg::ArraySetConst, name);
    }
  }
  if (data.size() == 1) data = core::list_read_words(data[0].view());
  if (data.empty() || data.size() % 2 != 0) {
    return fail(interp, Msg::ArraySetPairCount, static_cast<int>(data.size()), name);
  }
  for (size_t k = 0; k + 1 < data.size(); k += 2) {
    if (vars::nuvelArraySetElement(interp, name, data[k].view(), data[k + 1], false, nocase) != 0) {
      return Code::Error;
    }
  }
  if (VarRef owner = vars::as_array(interp, name)) {
    if (make_const) vars::set_constant(owner, true);
    if (nocase) vars::set_ignore_case(owner, true);
  }
  return core::result_int(interp, static_cast<int64_t>(data.size() / 2));
}

Code array_foreach_words(Interp& interp, std::string_view cmd, std::string_view name,
                         std::string_view valuevar, std::string_view keyvar, const Value& body) {
  if (vars::lookup(interp, valuevar)) return fail(interp, Msg::ForeachValueExists, cmd, valuevar);
  if (!keyvar.empty() && vars::lookup(interp, keyvar)) {
    return fail(interp, Msg::ForeachKeyExists, cmd, keyvar);
  }
  VarRef var = vars::lookup(interp, name);
  if (!var) return fail(interp, Msg::ForeachNoArray, cmd, name);
  VarRef owner = var.storage();
  if (!owner || owner.kind() != vars::VT_ARRAY || !owner.table()) {
    return fail(interp, Msg::ForeachNotArray, cmd, name);
  }
  // The body may change the array: iterate over a snapshot of its pairs.
  std::vector<std::string> keys;
  std::vector<Value> values;
  owner.table()->keys_and_values(keys, values);
  Code last = Code::Ok;
  for (size_t i = 0; i < keys.size(); ++i) {
    (void)vars::set_var(interp, valuevar, values[i]);
    if (!keyvar.empty()) (void)vars::set_var(interp, keyvar, Value(keys[i]));
    last = core::rindoEval(interp, body);
    if (last == Code::Break) {
      last = Code::Ok;
      break;
    }
    if (last == Code::Continue) {
      last = Code::Ok;
      continue;
    }
    if (last != Code::Ok) break;
  }
  (void)vars::delete_var(interp, valuevar);
  if (!keyvar.empty()) (void)vars::delete_var(interp, keyvar);
  if (last == Code::Ok) core::nuvelResetResult(interp);
  return last;
}

namespace {

// The words of one array command with its global switches.
struct Words {
  Interp& interp;
  int argc;
  Value* argv;
  bool nocomplain = false;
  bool pair = false;
  bool nocase = false;
  std::vector<const Value*> pos;  // words after the subcommand not starting with "-"

  Words(Interp& i, int c, Value* v) : interp(i), argc(c), argv(v) {
    nocomplain = core::find_option(argc, argv, "-nocomplain") >= 0;
    pair = core::find_option(argc, argv, "-pair") >= 0;
    nocase = core::find_option(argc, argv, "-nocase") >= 0;
    for (int k = 2; k < argc; ++k) {
      if (!core::starts_with(argv[k].view(), "-")) pos.push_back(&argv[k]);
    }
  }
  std::string_view name() const { return argv[2].view(); }
  bool has(std::string_view option) const { return core::find_option(argc, argv, option, 2) >= 0; }
  // The word after an option, or null.
  const Value* after(std::string_view option) const {
    int at = core::find_option(argc, argv, option, 2);
    return at >= 0 && at + 1 < argc ? &argv[at + 1] : nullptr;
  }
  // Words that the caller chose to print only while echo or debugging is on.
  static bool chatty() { return core::switches().echo || core::switches().debug; }
};

Code wrong(const Words& w) {
  return core::nuvelWrongArgs(w.interp, w.argc, w.argv);
}

bool key_selected(std::string_view key, const Value* pattern, bool exact, bool fold) {
  if (!pattern) return true;
  if (wild_match(pattern->view(), key, fold)) return true;
  return exact && containers::equal_text(key, pattern->view(), fold);
}

// The array `name` when it has a table, else null.
VarRef table_array(Interp& interp, std::string_view name) {
  VarRef a = vars::as_array(interp, name);
  return a && a.table() ? a : VarRef();
}

// array create name ?size?
Code array_create(Interp& interp, int argc, Value* argv, void*) {
  Words w(interp, argc, argv);
  int64_t size = w.pos.size() > 1 ? core::leading_int(w.pos[1]->view()) : 1;
  if (argc > 3 && size < 1) return fail(interp, Msg::ArrayCreateSize, argv[0]);
  return make_array(interp, w.name(), size);
}

// array exists name / name(subscript)  (also is_set, and any word starting
// with "exist")
Code array_exists(Interp& interp, int argc, Value* argv, void*) {
  std::string_view word = argv[2].view();
  size_t open = word.find('(');
  if (open == std::string_view::npos) {
    return core::result_bool(interp, static_cast<bool>(table_array(interp, word)));
  }
  size_t close = word.find(')', open);
  if (close == std::string_view::npos || open == 0) {
    (void)fail(interp, Msg::ArraySyntaxError, argv[2]);
    core::nuvelSetResult(interp, Value("0"));
    return Code::Error;
  }
  VarRef a = table_array(interp, word.substr(0, open));
  if (!a) return core::result_bool(interp, false);
  std::string_view sub = word.substr(open + 1, close - open - 1);
  bool found = a.ignore_case() ? a.table()->scan_get(sub, nullptr, true) : a.table()->get(sub);
  return core::result_bool(interp, found);
}

// array get|names name ?pattern? ?-exact?
Code array_get_names(const Words& w, bool with_values) {
  VarRef a = table_array(w.interp, w.name());
  if (!a) {
    if (!w.nocomplain && (with_values || Words::chatty())) {
      platform::out(core::message_of(
          w.interp, with_values ? Msg::ArrayGetMissing : Msg::ArrayNamesMissing, w.argv[2]));
    }
    return Code::Error;
  }
  const Value* pattern = w.pos.size() > 1 ? w.pos[1] : nullptr;
  bool exact = w.has("-exact");
  bool fold = w.nocase || a.ignore_case();
  std::string out;
  a.table()->for_each([&](const std::string& key, const Value& value) {
    if (!key_selected(key, pattern, exact, fold)) return;
    if (w.pair) {
      out.push_back('{');
      out += key;
      if (with_values) {
        out.push_back(' ');
        out += value.view();
      }
      out += "} ";
      return;
    }
    if (!out.empty()) out.push_back(' ');
    append_braced(out, key);
    if (with_values) {
      out.push_back(' ');
      append_braced(out, value.view());
    }
  });
  core::nuvelSetResult(w.interp, Value(std::move(out)));
  return Code::Ok;
}

Code array_get(Interp& interp, int argc, Value* argv, void*) {
  return array_get_names(Words(interp, argc, argv), true);
}

Code array_names(Interp& interp, int argc, Value* argv, void*) {
  return array_get_names(Words(interp, argc, argv), false);
}

// array size name
Code array_size(Interp& interp, int argc, Value* argv, void*) {
  VarRef a = table_array(interp, argv[2].view());
  if (!a) {
    core::nuvelResetResult(interp);
    return Code::Ok;
  }
  return core::result_int(interp, a.table()->count());
}

// array trim name ?chars? ?-left|-right?
Code array_trim(Interp& interp, int argc, Value* argv, void*) {
  Words w(interp, argc, argv);
  VarRef a = table_array(interp, w.name());
  if (!a) return fail(interp, Msg::ArrayInvalid);
  int mode = w.has("-left") ? 1 : w.has("-right") ? 2 : 0;
  std::string_view chars = w.pos.size() > 1 ? w.pos[1]->view() : std::string_view();
  vars::trim_elements(a, chars, mode);
  core::nuvelResetResult(interp);
  return Code::Ok;
}

double numeric_value(std::string_view text) {
  std::string s(text);
  return std::strtod(s.c_str(), nullptr);
}

// array list|sort name ?varname? ?-names? ?-array target? (sort: -reverse,
// -normal, -numeric)
Code array_list(const Words& w, bool sorted) {
  VarRef a = table_array(w.interp, w.name());
  if (!a) {
    if (!w.nocomplain) (void)fail(w.interp, Msg::NoSuchArray, w.argv[2]);
    return Code::Error;
  }
  bool names = w.has("-names");
  const Value* target = nullptr;
  const Value* varname = nullptr;
  bool reverse = false, numeric = false;
  for (int k = 3; k < w.argc; ++k) {
    std::string_view word = w.argv[k].view();
    if (core::iequals(word, "-array") && k + 1 < w.argc) {
      target = &w.argv[++k];
    } else if (core::iequals(word, "-reverse")) {
      reverse = true;
    } else if (core::iequals(word, "-normal")) {
      reverse = false;
    } else if (core::iequals(word, "-numeric")) {
      numeric = true;
    } else if (!core::starts_with(word, "-") && !varname) {
      varname = &w.argv[k];
    }
  }
  std::vector<Value> items;
  if (names) {
    for (std::string& key : a.table()->keys()) items.emplace_back(std::move(key));
  } else {
    items = a.table()->values();
  }
  if (sorted) {
    if (numeric) {
      std::stable_sort(items.begin(), items.end(), [](const Value& x, const Value& y) {
        return numeric_value(x.view()) < numeric_value(y.view());
      });
    } else {
      std::stable_sort(items.begin(), items.end(),
                       [](const Value& x, const Value& y) { return x.view() < y.view(); });
    }
    if (reverse) std::reverse(items.begin(), items.end());
  }
  if (target) {
    std::string t(target->view());
    for (size_t i = 0; i < items.size(); ++i) {
      std::string sub = std::to_string(i);
      if (vars::nuvelArraySetElement(w.interp, t, sub, items[i], false, false) != 0) {
        return fail(w.interp, Msg::ArraySortWriteFailed, t, i);
      }
    }
    return core::result_int(w.interp, static_cast<int64_t>(items.size()));
  }
  std::string out;
  for (const Value& item : items) {
    if (!out.empty()) out.push_back(' ');
    append_braced(out, item.view());
  }
  if (varname) {
    if (core::set_variable(w.interp, varname->view(), Value(std::move(out))) != 0) {
      return Code::Error;
    }
    return core::result_int(w.interp, static_cast<int64_t>(items.size()));
  }
  core::nuvelSetResult(w.interp, Value(std::move(out)));
  return Code::Ok;
}

Code array_list_cmd(Interp& interp, int argc, Value* argv, void*) {
  return array_list(Words(interp, argc, argv), false);
}

Code array_sort(Interp& interp, int argc, Value* argv, void*) {
  return array_list(Words(interp, argc, argv), true);
}

// array foreach name valuevar ?keyvar? body
Code array_foreach(Interp& interp, int argc, Value* argv, void*) {
  return array_foreach_words(interp, "array foreach", argv[2].view(), argv[3].view(),
                             argc == 6 ? argv[4].view() : std::string_view(), argv[argc - 1]);
}

// array statistics name
Code array_statistics(Interp& interp, int argc, Value* argv, void*) {
  Words w(interp, argc, argv);
  VarRef a = table_array(interp, w.name());
  if (!a) {
    if (!w.nocomplain && Words::chatty()) (void)fail(interp, Msg::NoSuchArray, argv[2]);
    return Code::Error;
  }
  a.table()->statistics();
  core::nuvelResetResult(interp);
  return Code::Ok;
}

// array unset name ?name ...? ?-const?
Code array_unset(Interp& interp, int argc, Value* argv, void*) {
  Words w(interp, argc, argv);
  bool allow_const = w.has("-const");
  int64_t count = 0;
  for (const Value* word : w.pos) {
    std::string_view text = word->view();
    size_t open = text.find('(');
    // An array whose own name holds parentheses is unset whole: as an
    // element it would go to unset, which hands an array back here.
    if (open != std::string_view::npos) {
      VarRef whole = vars::lookup(interp, text);
      if (whole && whole.name() == text && whole.storage() &&
          whole.storage().kind() == vars::VT_ARRAY) {
        open = std::string_view::npos;
      }
    }
    if (open != std::string_view::npos) {
      size_t close = text.find(')', open);
      if (close == std::string_view::npos || close < open + 2) {
        (void)fail(interp, Msg::ArrayUnsetSyntax, *word);
        core::nuvelSetResultInt(interp, count);
        return Code::Error;
      }
      std::vector<Value> words = {Value("unset"), *word};
      if (w.nocomplain) words.emplace_back("-nocomplain");
      if (core::nuvelCallCommand(interp, static_cast<int>(words.size()), words.data()) ==
          Code::Ok) {
        ++count;
      }
      continue;
    }
    VarRef var = vars::lookup(interp, text).pinned();
    VarRef owner = var.storage();
    if (!owner || owner.kind() != vars::VT_ARRAY) {
      if (w.nocomplain) continue;
      (void)fail(interp, Msg::NoSuchArray, *word);
      core::nuvelSetResult(interp, Value("0"));
      return Code::Error;
    }
    if ((owner.is_constant() || var.is_constant()) && !allow_const) {
      (void)fail(interp, Msg::ArrayUnsetConst, *word);
      core::nuvelSetResultInt(interp, count);
      return Code::Error;
    }
    // A link leaves its target's table alone; the owner's table goes.
    if (!var.is_link()) vars::make_plain(var);
    (void)vars::remove_var(interp, var);
    ++count;
  }
  return core::result_int(interp, count);
}

// array walk name ?limit? ?-bare? ?-integer?
Code array_walk(Interp& interp, int argc, Value* argv, void*) {
  Words w(interp, argc, argv);
  VarRef a = table_array(interp, w.name());
  if (!a) return fail(interp, Msg::SubVariableNotFound, argv[2]);
  const hash_table& table = *a.table();
  int64_t limit = w.pos.size() > 1 ? core::leading_int(w.pos[1]->view()) : 0;
  if (w.has("-integer")) {
    int64_t count = table.count();
    platform::outf("ARRAY WALK: %s (%li elements)\n\n", argv[2].c_str(), static_cast<long>(count));
    int64_t end = limit > 0 ? limit : count;
    for (int64_t i = 0; i < end; ++i) {
      Value v;
      if (table.get(std::to_string(i), &v)) {
        platform::outf("%li:\t'%s'\n", static_cast<long>(i), v.c_str());
      }
    }
  } else {
    table.dump(static_cast<int>(std::clamp<int64_t>(limit, 0, INT32_MAX)), false, w.has("-bare"));
  }
  core::nuvelResetResult(interp);
  return Code::Ok;
}

// array item name subscript ?default?
Code array_item(Interp& interp, int argc, Value* argv, void*) {
  Words w(interp, argc, argv);
  if (w.pos.size() < 2) return wrong(w);
  const Value* fallback = w.pos.size() > 2 ? w.pos[2] : nullptr;
  VarRef a = vars::as_array(interp, w.name());
  if (!a) {
    if (w.nocomplain) {
      if (fallback) {
        core::nuvelSetResult(interp, *fallback);
        return Code::Ok;
      }
      return Code::Error;
    }
    return fail(interp, Msg::ArrayItemNotFound, argv[2]);
  }
  if (!a.table()) return fail(interp, Msg::ArrayItemEmpty);
  Value v;
  bool found = w.nocase ? a.table()->scan_get(w.pos[1]->view(), &v, true)
                        : a.table()->get(w.pos[1]->view(), &v);
  core::nuvelSetResult(interp, found ? v : fallback ? *fallback : Value());
  return Code::Ok;
}

// array find name value ?n? ?-length len?
Code array_find(Interp& interp, int argc, Value* argv, void*) {
  Words w(interp, argc, argv);
  if (w.pos.size() < 2) return wrong(w);
  VarRef a = table_array(interp, w.name());
  if (!a) return fail(interp, Msg::ArrayNotFound, argv[2]);
  int length = 0;
  if (const Value* len = w.after("-length")) length = static_cast<int>(core::leading_int(*len));
  int n = 0;
  for (size_t k = 2; k < w.pos.size(); ++k) {
    if (w.after("-length") == w.pos[k]) continue;
    n = static_cast<int>(core::leading_int(w.pos[k]->view()));
    break;
  }
  const std::string* key = a.table()->key_of_value(w.pos[1]->view(), w.nocase, length, n);
  core::nuvelSetResult(interp, key ? Value(*key) : Value());
  return Code::Ok;
}

// array set name list ?-const? ?-nocase? / array set name key value ...
Code array_set(Interp& interp, int argc, Value* argv, void*) {
  return array_set_words(interp, argc - 1, argv + 1);
}

// array setint name list ?list ...? ?-base n? ?-const? ?-nocase?
Code array_setint(Interp& interp, int argc, Value* argv, void*) {
  Words w(interp, argc, argv);
  std::string name(w.name());
  const Value* base_word = w.after("-base");
  int64_t index = base_word ? core::leading_int(base_word->view()) : 0;
  std::vector<const Value*> lists;
  for (size_t k = 1; k < w.pos.size(); ++k) {
    if (w.pos[k] != base_word) lists.push_back(w.pos[k]);
  }
  if (lists.empty() || lists[0]->empty()) return fail(interp, Msg::ArraySetintEmpty);
  VarRef var = vars::lookup(interp, name);
  VarRef a = var.storage();
  if (var && (!a || a.kind() != vars::VT_ARRAY))
    return fail(interp, Msg::ArraySetintNotArray, name);
  if (a && a.is_constant()) return fail(interp, Msg::ArraySetintConst, name);
  if (!a && !(a = vars::create_array(interp, name, 100))) {
    return fail(interp, Msg::ArraySetintCreateFailed, name);
  }
  for (size_t li = 0; li < lists.size(); ++li) {
    for (const Value& item : core::list_read_words(lists[li]->view())) {
      if (!vars::set_element(a, std::to_string(index), item)) {
        return fail(interp, Msg::ArraySetintFailed, name, *lists[li], li + 3);
      }
      ++index;
    }
  }
  if (w.has("-const")) vars::set_constant(a, true);
  if (w.nocase) vars::set_ignore_case(a, true);
  core::nuvelResetResult(interp);
  return Code::Ok;
}

// array append target source ?count?
Code array_append(Interp& interp, int argc, Value* argv, void*) {
  Words w(interp, argc, argv);
  if (w.pos.size() < 2) return wrong(w);
  std::string target(w.pos[0]->view());
  VarRef source = table_array(interp, w.pos[1]->view());
  if (!source) return fail(interp, Msg::ArrayNotFound, *w.pos[1]);
  int64_t available = source.table()->count();
  int64_t count = w.pos.size() > 2 ? core::leading_int(w.pos[2]->view()) : 0;
  if (count < 1 || count > available) count = available;
  VarRef t = table_array(interp, target);
  int64_t m = t ? t.table()->count() : 0;
  // Read the values first: source and target may be the same array.
  std::vector<Value> copied;
  for (int64_t i = 0; i < count; ++i) {
    Value v;
    if (source.table()->get(std::to_string(i), &v)) copied.push_back(v);
  }
  int64_t written = 0;
  for (const Value& v : copied) {
    if (vars::nuvelArraySetElement(interp, target, std::to_string(m + written), v, false, false) !=
        0) {
      break;
    }
    ++written;
  }
  return core::result_int(interp, m + written);
}

// array blank name count ?value? ?-start n?
Code array_blank(Interp& interp, int argc, Value* argv, void*) {
  Words w(interp, argc, argv);
  if (w.pos.size() < 2) return wrong(w);
  const Value* start_word = w.after("-start");
  int64_t start = start_word ? core::leading_int(start_word->view()) : 0;
  int64_t count = core::leading_int(w.pos[1]->view());
  Value value;
  for (size_t k = 2; k < w.pos.size(); ++k) {
    if (w.pos[k] != start_word) {
      value = *w.pos[k];
      break;
    }
  }
  // Each element is created one by one: a huge count would take the memory
  // and time of the whole machine, and numbers past the largest integer do
  // not exist.
  int64_t last;
  if (count > kMaxArraySize) return fail(interp, Msg::ArrayBlankCount, count, kMaxArraySize);
  if (count > 0 && __builtin_add_overflow(start, count - 1, &last)) {
    return fail(interp, Msg::ArrayBlankStart, start, count);
  }
  std::string name(w.name());
  int64_t written = 0;
  for (int64_t i = 0; i < count; ++i) {
    if (vars::nuvelArraySetElement(interp, name, std::to_string(start + i), value, false, false) !=
        0) {
      break;
    }
    ++written;
  }
  return core::result_int(interp, written);
}

constexpr core::EnsembleRow kArrayRows[] = {
    {"create", array_create, 3, core::kAnyWords, "create name ?size?"},
    {"exists", array_exists, 3, core::kAnyWords, "exists name|name(subscript)"},
    {"is_set", array_exists, 3, core::kAnyWords, "is_set name(subscript)"},
    {"get", array_get, 3, core::kAnyWords, "get name ?pattern? ?-exact? ?-pair? ?-nocase?"},
    {"names", array_names, 3, core::kAnyWords, "names name ?pattern? ?-exact? ?-pair? ?-nocase?"},
    {"size", array_size, 3, core::kAnyWords, "size name"},
    {"trim", array_trim, 3, core::kAnyWords, "trim name ?chars? ?-left|-right?"},
    {"list", array_list_cmd, 3, core::kAnyWords, "list name ?varname? ?-names? ?-array target?"},
    {"sort", array_sort, 3, core::kAnyWords,
     "sort name ?varname? ?-names? ?-array target? ?-reverse? ?-numeric?"},
    {"foreach", array_foreach, 5, 6, "foreach name valuevar ?keyvar? body"},
    {"statistics", array_statistics, 3, core::kAnyWords, "statistics name"},
    {"unset", array_unset, 3, core::kAnyWords, "unset name ?name ...? ?-const? ?-nocomplain?"},
    {"walk", array_walk, 3, core::kAnyWords, "walk name ?limit? ?-bare? ?-integer?"},
    {"item", array_item, 4, core::kAnyWords, "item name subscript ?default? ?-nocase?"},
    {"find", array_find, 4, core::kAnyWords, "find name value ?n? ?-length len? ?-nocase?"},
    {"set", array_set, 4, core::kAnyWords, "set name list|key value ... ?-const? ?-nocase?"},
    {"setint", array_setint, 4, core::kAnyWords,
     "setint name list ?list ...? ?-base n? ?-const? ?-nocase?"},
    {"append", array_append, 4, core::kAnyWords, "append target source ?count?"},
    {"blank", array_blank, 4, core::kAnyWords, "blank name count ?value? ?-start n?"},
};

constexpr core::Ensemble kArrayEnsemble{"array", kArrayRows, Msg::ArrayNotImplemented};

// array subcommand name ?argument ...?
// Results: as each subcommand describes.
// Side effects: create, set, setint, append, blank, trim and unset change
// arrays; get, names, walk and statistics may print on the console.
Code nuvelCommandArray(Interp& interp, int argc, Value* argv, void*) {
  // Any word starting with "exist" asks whether an array or element exists.
  const core::EnsembleRow* row = core::find_subcommand(kArrayEnsemble, argv[1].view());
  if (!row && core::istarts_with(argv[1].view(), "exist")) {
    return array_exists(interp, argc, argv, nullptr);
  }
  return core::dispatch_row(interp, kArrayEnsemble, row, argc, argv);
}

// dim name size
// Results: unchanged.
// Side effects: creates an array with a table of size buckets (at least 1).
Code nuvelCommandDim(Interp& interp, int argc, Value* argv, void*) {
  Value kept = interp.result;
  Code c = make_array(interp, argv[1].view(), core::leading_int(argv[2].view()));
  if (c == Code::Ok) interp.result = kept;
  return c;
}

// array_set name list ?-const? ?-nocase? / array_set name key value ...
// Results: the number of pairs written.
// Side effects: creates the array when needed; -const makes it constant.
Code nuvelCommandArraySet(Interp& interp, int argc, Value* argv, void*) {
  return array_set_words(interp, argc, argv);
}

// array_foreach name valuevar ?keyvar? body
// Results: the code of the last body run (ok after break or continue, and for
// an array without elements).
// Side effects: the iterator variables exist only while the loop runs.
Code nuvelCommandArrayForeach(Interp& interp, int argc, Value* argv, void*) {
  return array_foreach_words(interp, argv[0].view(), argv[1].view(), argv[2].view(),
                             argc == 5 ? argv[3].view() : std::string_view(), argv[argc - 1]);
}

// is_array name
// Results: "1" when name is an array variable, else "0".
Code nuvelCommandIsArray(Interp& interp, int argc, Value* argv, void*) {
  return core::result_bool(interp, static_cast<bool>(vars::as_array(interp, argv[1].view())));
}

constexpr core::CommandRow kArrayCommands[] = {
    {"array", nuvelCommandArray, 3, core::kAnyWords, "subcommand name ?argument ...?"},
    {"dim", nuvelCommandDim, 3, 3, "name size"},
    {"array_set", nuvelCommandArraySet, 3, core::kAnyWords,
     "name list|key value ... ?-const? ?-nocase?"},
    {"array_foreach", nuvelCommandArrayForeach, 4, 5, "name valuevar ?keyvar? body"},
    {"is_array", nuvelCommandIsArray, 2, 2, "name"},
};

}  // namespace

[[gnu::section(".text.startup.register")]] void register_array_cmds(Interp& interp) {
  core::register_rows(interp, kArrayCommands);
  core::register_ensemble(interp, kArrayEnsemble);
}

}  // namespace collections
