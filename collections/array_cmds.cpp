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
#include "platform/console.h"

namespace collections {

using containers::hash_table;
using core::Code;
using core::Interp;
using core::nuvelSetError;
using core::Value;
using vars::Var;
using vars::VarPtr;

Var* find_array(Interp& interp, std::string_view name) {
  Var* var = vars::nuvelGetVar(interp, name, -1);
  if (!var) return nullptr;
  Var* owner = vars::array_owner(*var);
  if (!owner || owner->type != vars::VT_ARRAY) return nullptr;
  return owner;
}

// The most buckets an array table is made with, and the most elements one
// `array blank` creates.
constexpr int64_t kMaxArraySize = 10000000;

Code make_array(Interp& interp, const char* cmd, std::string_view name, int64_t size) {
  if (size < 1) size = 1;
  if (size > kMaxArraySize) size = kMaxArraySize;
  if (Var* var = vars::nuvelGetVar(interp, name, -1)) {
    Var* owner = vars::array_owner(*var);
    if (owner && owner->type == vars::VT_ARRAY) {
      std::string n(name);
      nuvelSetError(&interp, "%s: Array '%s' already exists\n", cmd, n.c_str());
    }
    return Code::Error;
  }
  if (vars::set_var(interp, name, Value("<array>")) != 0) return Code::Error;
  Var* var = vars::nuvelGetVar(interp, name, -1);
  if (!var) return Code::Error;
  var->type = vars::VT_ARRAY;
  var->table = std::make_shared<hash_table>(static_cast<int32_t>(size));
  var->changed = true;
  return Code::Ok;
}

Code array_set_words(Interp& interp, int argc, Value* argv) {
  if (argc < 3) return core::nuvelWrongArgs(interp, argc, argv);
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
  if (Var* var = vars::nuvelGetVar(interp, name, -1)) {
    Var* owner = vars::array_owner(*var);
    if (var->is_constant || (owner && owner->is_constant)) {
      nuvelSetError(&interp, "%s: Can't assign to const '%s'\n", "array set", name.c_str());
      return Code::Error;
    }
  }
  if (data.size() == 1) data = core::list_read_words(data[0].view());
  if (data.empty() || data.size() % 2 != 0) {
    nuvelSetError(&interp, "array set: Bad list pair count (%i) for '%s'\n",
                  static_cast<int>(data.size()), name.c_str());
    return Code::Error;
  }
  for (size_t k = 0; k + 1 < data.size(); k += 2) {
    if (vars::nuvelArraySetElement(interp, name, data[k].view(), data[k + 1], false, nocase) != 0) {
      return Code::Error;
    }
  }
  if (Var* owner = find_array(interp, name)) {
    if (make_const) owner->is_constant = true;
    if (nocase) owner->ignore_case = true;
  }
  return core::result_int(interp, static_cast<int64_t>(data.size() / 2));
}

Code array_foreach_words(Interp& interp, const char* cmd, std::string_view name,
                         std::string_view valuevar, std::string_view keyvar, const Value& body) {
  std::string n(name), vv(valuevar), kv(keyvar);
  if (vars::nuvelGetVar(interp, valuevar)) {
    nuvelSetError(&interp, "%s: Value iterator '%s' already exists\n", cmd, vv.c_str());
    return Code::Error;
  }
  if (!keyvar.empty() && vars::nuvelGetVar(interp, keyvar)) {
    nuvelSetError(&interp, "%s: Subscript iterator '%s' already exists\n", cmd, kv.c_str());
    return Code::Error;
  }
  Var* var = vars::nuvelGetVar(interp, name);
  if (!var) {
    nuvelSetError(&interp, "%s: Array '%s' does not exist\n", cmd, n.c_str());
    return Code::Error;
  }
  Var* owner = vars::array_owner(*var);
  if (!owner || owner->type != vars::VT_ARRAY || !owner->table) {
    nuvelSetError(&interp, "%s: '%s' is not an array\n", cmd, n.c_str());
    return Code::Error;
  }
  // The body may change the array: iterate over a snapshot of its pairs.
  std::vector<std::string> keys;
  std::vector<Value> values;
  owner->table->keys_and_values(keys, values);
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
  const char* cmd() const { return argv[0].c_str(); }
  const char* sub() const { return argv[1].c_str(); }
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

// array exists name / name(subscript)
Code array_exists(const Words& w) {
  std::string_view word = w.name();
  size_t open = word.find('(');
  if (open == std::string_view::npos) {
    Var* a = find_array(w.interp, word);
    return core::result_bool(w.interp, a && a->table);
  }
  size_t close = word.find(')', open);
  if (close == std::string_view::npos || open == 0) {
    nuvelSetError(&w.interp, "%s %s: Syntax error '%s'\n", w.cmd(), w.sub(), w.argv[2].c_str());
    core::nuvelSetResult(w.interp, Value("0"));
    return Code::Error;
  }
  Var* a = find_array(w.interp, word.substr(0, open));
  if (!a || !a->table) return core::result_bool(w.interp, false);
  std::string_view sub = word.substr(open + 1, close - open - 1);
  bool found = a->ignore_case ? a->table->scan_get(sub, nullptr, true) : a->table->get(sub);
  return core::result_bool(w.interp, found);
}

// array get|names name ?pattern? ?-exact?
Code array_get_names(const Words& w, bool with_values) {
  Var* a = find_array(w.interp, w.name());
  if (!a || !a->table) {
    if (!w.nocomplain && (with_values || Words::chatty())) {
      platform::outf(
          with_values ? "%s %s: No array variable '%s'\n" : "%s %s: No such array variable '%s'\n",
          w.cmd(), w.sub(), w.argv[2].c_str());
    }
    return Code::Error;
  }
  const Value* pattern = w.pos.size() > 1 ? w.pos[1] : nullptr;
  bool exact = w.has("-exact");
  bool fold = w.nocase || a->ignore_case;
  std::string out;
  a->table->for_each([&](const std::string& key, const Value& value) {
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

// array trim name ?chars? ?-left|-right?
Code array_trim(const Words& w) {
  Var* a = find_array(w.interp, w.name());
  if (!a || !a->table) {
    nuvelSetError(&w.interp, "%s %s: Invalid array\n", w.cmd(), w.sub());
    return Code::Error;
  }
  int mode = w.has("-left") ? 1 : w.has("-right") ? 2 : 0;
  std::string_view chars = w.pos.size() > 1 ? w.pos[1]->view() : std::string_view();
  a->table->trim_values(chars, mode);
  a->changed = true;
  core::nuvelResetResult(w.interp);
  return Code::Ok;
}

double numeric_value(std::string_view text) {
  std::string s(text);
  return std::strtod(s.c_str(), nullptr);
}

// array list|sort name ?varname? ?-names? ?-array target? (sort: -reverse,
// -normal, -numeric)
Code array_list(const Words& w, bool sorted) {
  Var* a = find_array(w.interp, w.name());
  if (!a || !a->table) {
    if (!w.nocomplain) {
      nuvelSetError(&w.interp, "%s %s: No such array '%s'\n", w.cmd(), w.sub(), w.argv[2].c_str());
    }
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
    for (std::string& key : a->table->keys()) items.emplace_back(std::move(key));
  } else {
    items = a->table->values();
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
        nuvelSetError(&w.interp, "array sort: Failed to write %s(%li)\n", t.c_str(),
                      static_cast<long>(i));
        return Code::Error;
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

// array unset name ?name ...? ?-const?
Code array_unset(const Words& w) {
  bool allow_const = w.has("-const");
  int64_t count = 0;
  for (const Value* word : w.pos) {
    std::string_view text = word->view();
    size_t open = text.find('(');
    if (open != std::string_view::npos) {
      size_t close = text.find(')', open);
      if (close == std::string_view::npos || close < open + 2) {
        nuvelSetError(&w.interp, "%s %s: %s Syntax error\n", w.cmd(), w.sub(), word->c_str());
        core::nuvelSetResultInt(w.interp, count);
        return Code::Error;
      }
      std::vector<Value> words = {Value("unset"), *word};
      if (w.nocomplain) words.emplace_back("-nocomplain");
      if (core::nuvelCallCommand(w.interp, static_cast<int>(words.size()), words.data()) ==
          Code::Ok) {
        ++count;
      }
      continue;
    }
    VarPtr var = vars::nuvelGetVarShared(w.interp, text, -1);
    Var* owner = var ? vars::array_owner(*var) : nullptr;
    if (!owner || owner->type != vars::VT_ARRAY) {
      if (w.nocomplain) continue;
      nuvelSetError(&w.interp, "%s %s: No such array '%s'\n", w.cmd(), w.sub(), word->c_str());
      core::nuvelSetResult(w.interp, Value("0"));
      return Code::Error;
    }
    if ((owner->is_constant || var->is_constant) && !allow_const) {
      nuvelSetError(&w.interp, "%s: Can't unset a const '%s'\n", w.cmd(), word->c_str());
      core::nuvelSetResultInt(w.interp, count);
      return Code::Error;
    }
    vars::CallFrame* frame = vars::frame_of(w.interp, var.get());
    if (!var->is_link()) {
      // A link leaves its target's table alone; the owner's table goes.
      var->table.reset();
      var->type = vars::VT_AUTO;
      var->value = Value();
    }
    if (frame) vars::remove_var_record(*frame, var.get());
    ++count;
  }
  return core::result_int(w.interp, count);
}

// array walk name ?limit? ?-bare? ?-integer?
Code array_walk(const Words& w) {
  Var* a = find_array(w.interp, w.name());
  if (!a || !a->table) {
    nuvelSetError(&w.interp, "%s %s: Variable '%s' not found\n", w.cmd(), w.sub(),
                  w.argv[2].c_str());
    return Code::Error;
  }
  int64_t limit = w.pos.size() > 1 ? core::leading_int(w.pos[1]->view()) : 0;
  if (w.has("-integer")) {
    int64_t count = a->table->count();
    platform::outf("ARRAY WALK: %s (%li elements)\n\n", w.argv[2].c_str(),
                   static_cast<long>(count));
    int64_t end = limit > 0 ? limit : count;
    for (int64_t i = 0; i < end; ++i) {
      Value v;
      if (a->table->get(std::to_string(i), &v)) {
        platform::outf("%li:\t'%s'\n", static_cast<long>(i), v.c_str());
      }
    }
  } else {
    a->table->dump(static_cast<int>(std::clamp<int64_t>(limit, 0, INT32_MAX)), false,
                   w.has("-bare"));
  }
  core::nuvelResetResult(w.interp);
  return Code::Ok;
}

// array item name subscript ?default?
Code array_item(const Words& w) {
  if (w.pos.size() < 2) return wrong(w);
  const Value* fallback = w.pos.size() > 2 ? w.pos[2] : nullptr;
  Var* var = vars::nuvelGetVar(w.interp, w.name());
  Var* a = var ? vars::array_owner(*var) : nullptr;
  if (!a || a->type != vars::VT_ARRAY) {
    if (w.nocomplain) {
      if (fallback) {
        core::nuvelSetResult(w.interp, *fallback);
        return Code::Ok;
      }
      return Code::Error;
    }
    nuvelSetError(&w.interp, "%s %s: Array '%s' not found (Use -nocomplain)\n", w.cmd(), w.sub(),
                  w.argv[2].c_str());
    return Code::Error;
  }
  if (!a->table) {
    nuvelSetError(&w.interp, "array item: Empty variable\n");
    return Code::Error;
  }
  Value v;
  bool found = w.nocase ? a->table->scan_get(w.pos[1]->view(), &v, true)
                        : a->table->get(w.pos[1]->view(), &v);
  core::nuvelSetResult(w.interp, found ? v : fallback ? *fallback : Value());
  return Code::Ok;
}

// array find name value ?n? ?-length len?
Code array_find(const Words& w) {
  if (w.pos.size() < 2) return wrong(w);
  Var* a = find_array(w.interp, w.name());
  if (!a || !a->table) {
    nuvelSetError(&w.interp, "%s %s: Array '%s' not found\n", w.cmd(), w.sub(), w.argv[2].c_str());
    return Code::Error;
  }
  int length = 0;
  if (const Value* len = w.after("-length")) length = static_cast<int>(core::leading_int(*len));
  int n = 0;
  for (size_t k = 2; k < w.pos.size(); ++k) {
    if (w.after("-length") == w.pos[k]) continue;
    n = static_cast<int>(core::leading_int(w.pos[k]->view()));
    break;
  }
  const std::string* key = a->table->key_of_value(w.pos[1]->view(), w.nocase, length, n);
  core::nuvelSetResult(w.interp, key ? Value(*key) : Value());
  return Code::Ok;
}

// array setint name list ?list ...? ?-base n? ?-const? ?-nocase?
Code array_setint(const Words& w) {
  const char* me = "array setint";
  std::string name(w.name());
  const Value* base_word = w.after("-base");
  int64_t index = base_word ? core::leading_int(base_word->view()) : 0;
  std::vector<const Value*> lists;
  for (size_t k = 1; k < w.pos.size(); ++k) {
    if (w.pos[k] != base_word) lists.push_back(w.pos[k]);
  }
  if (lists.empty() || lists[0]->empty()) {
    nuvelSetError(&w.interp, "%s %s: Requires at least 1 list item\n", w.cmd(), w.sub());
    return Code::Error;
  }
  Var* var = vars::nuvelGetVar(w.interp, name);
  Var* a = var ? vars::array_owner(*var) : nullptr;
  if (var && (!a || a->type != vars::VT_ARRAY)) {
    nuvelSetError(&w.interp, "array setint: '%s' exists and is not an array\n", name.c_str());
    return Code::Error;
  }
  if (a && a->is_constant) {
    nuvelSetError(&w.interp, "%s: Can't assign to const '%s'\n", me, name.c_str());
    return Code::Error;
  }
  if (!a) {
    if (make_array(w.interp, me, name, 100) != Code::Ok || !(a = find_array(w.interp, name))) {
      nuvelSetError(&w.interp, "array setint: Failed to create array variable '%s'\n",
                    name.c_str());
      return Code::Error;
    }
  }
  for (size_t li = 0; li < lists.size(); ++li) {
    for (const Value& item : core::list_read_words(lists[li]->view())) {
      if (!a->table->set(std::to_string(index), item)) {
        nuvelSetError(&w.interp, "%s %s: Error setting '%s' using '%.40s'... (arg %li)\n", w.cmd(),
                      w.sub(), name.c_str(), lists[li]->c_str(), static_cast<long>(li + 3));
        return Code::Error;
      }
      ++index;
    }
  }
  if (w.has("-const")) a->is_constant = true;
  if (w.nocase) a->ignore_case = true;
  a->changed = true;
  core::nuvelResetResult(w.interp);
  return Code::Ok;
}

// array append target source ?count?
Code array_append(const Words& w) {
  if (w.pos.size() < 2) return wrong(w);
  std::string target(w.pos[0]->view());
  Var* source = find_array(w.interp, w.pos[1]->view());
  if (!source || !source->table) {
    nuvelSetError(&w.interp, "%s %s: Array '%s' not found\n", w.cmd(), w.sub(), w.pos[1]->c_str());
    return Code::Error;
  }
  int64_t available = source->table->count();
  int64_t count = w.pos.size() > 2 ? core::leading_int(w.pos[2]->view()) : 0;
  if (count < 1 || count > available) count = available;
  Var* t = find_array(w.interp, target);
  int64_t m = t && t->table ? t->table->count() : 0;
  // Read the values first: source and target may be the same array.
  std::vector<Value> copied;
  for (int64_t i = 0; i < count; ++i) {
    Value v;
    if (source->table->get(std::to_string(i), &v)) copied.push_back(v);
  }
  int64_t written = 0;
  for (const Value& v : copied) {
    if (vars::nuvelArraySetElement(w.interp, target, std::to_string(m + written), v, false,
                                   false) != 0) {
      break;
    }
    ++written;
  }
  return core::result_int(w.interp, m + written);
}

// array blank name count ?value? ?-start n?
Code array_blank(const Words& w) {
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
  if (count > kMaxArraySize) {
    nuvelSetError(&w.interp, "%s %s: Count %li is over the limit of %li\n", w.cmd(), w.sub(),
                  static_cast<long>(count), static_cast<long>(kMaxArraySize));
    return Code::Error;
  }
  if (count > 0 && __builtin_add_overflow(start, count - 1, &last)) {
    nuvelSetError(&w.interp, "%s %s: Start index %li too large for %li items\n", w.cmd(), w.sub(),
                  static_cast<long>(start), static_cast<long>(count));
    return Code::Error;
  }
  std::string name(w.name());
  int64_t written = 0;
  for (int64_t i = 0; i < count; ++i) {
    if (vars::nuvelArraySetElement(w.interp, name, std::to_string(start + i), value, false,
                                   false) != 0) {
      break;
    }
    ++written;
  }
  return core::result_int(w.interp, written);
}

// array subcommand name ?argument ...?
// Results: as each subcommand describes.
// Side effects: create, set, setint, append, blank, trim and unset change
// arrays; get, names, walk and statistics may print on the console.
Code nuvelCommandArray(Interp& interp, int argc, Value* argv, void*) {
  if (argc < 3) return core::nuvelWrongArgs(interp, argc, argv);
  Words w(interp, argc, argv);
  std::string_view sub = argv[1].view();
  auto is = [sub](std::string_view name) { return core::iequals(sub, name); };
  bool needs_four =
      is("item") || is("find") || is("set") || is("setint") || is("append") || is("blank");
  if (needs_four && argc < 4) return wrong(w);
  if (is("create")) {
    int64_t size = w.pos.size() > 1 ? core::leading_int(w.pos[1]->view()) : 1;
    if (argc > 3 && size < 1) {
      nuvelSetError(&interp, "%s create: size <=0 (try: array set)\n", w.cmd());
      return Code::Error;
    }
    return make_array(interp, w.cmd(), w.name(), size);
  }
  if (core::istarts_with(sub, "exist") || is("is_set")) return array_exists(w);
  if (is("get")) return array_get_names(w, true);
  if (is("names")) return array_get_names(w, false);
  if (is("size")) {
    Var* a = find_array(interp, w.name());
    if (!a || !a->table) {
      core::nuvelResetResult(interp);
      return Code::Ok;
    }
    return core::result_int(interp, a->table->count());
  }
  if (is("trim")) return array_trim(w);
  if (is("list")) return array_list(w, false);
  if (is("sort")) return array_list(w, true);
  if (is("foreach")) {
    if (argc != 5 && argc != 6) return wrong(w);
    return array_foreach_words(interp, "array foreach", argv[2].view(), argv[3].view(),
                               argc == 6 ? argv[4].view() : std::string_view(), argv[argc - 1]);
  }
  if (is("statistics")) {
    Var* a = find_array(interp, w.name());
    if (!a || !a->table) {
      if (!w.nocomplain && Words::chatty()) {
        nuvelSetError(&interp, "%s %s: No such array '%s'\n", w.cmd(), w.sub(), argv[2].c_str());
      }
      return Code::Error;
    }
    a->table->statistics();
    core::nuvelResetResult(interp);
    return Code::Ok;
  }
  if (is("unset")) return array_unset(w);
  if (is("walk")) return array_walk(w);
  if (is("item")) return array_item(w);
  if (is("find")) return array_find(w);
  if (is("set")) return array_set_words(interp, argc - 1, argv + 1);
  if (is("setint")) return array_setint(w);
  if (is("append")) return array_append(w);
  if (is("blank")) return array_blank(w);
  nuvelSetError(&interp, "array %s: Not implemented\n", argv[0].c_str());
  return Code::Error;
}

// dim name size
// Results: unchanged.
// Side effects: creates an array with a table of size buckets (at least 1).
Code nuvelCommandDim(Interp& interp, int argc, Value* argv, void*) {
  if (argc != 3) return core::nuvelWrongArgs(interp, argc, argv);
  Value kept = interp.result;
  Code c = make_array(interp, argv[0].c_str(), argv[1].view(), core::leading_int(argv[2].view()));
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
  if (argc != 4 && argc != 5) return core::nuvelWrongArgs(interp, argc, argv);
  return array_foreach_words(interp, argv[0].c_str(), argv[1].view(), argv[2].view(),
                             argc == 5 ? argv[3].view() : std::string_view(), argv[argc - 1]);
}

// is_array name
// Results: "1" when name is an array variable, else "0".
Code nuvelCommandIsArray(Interp& interp, int argc, Value* argv, void*) {
  if (argc != 2) return core::nuvelWrongArgs(interp, argc, argv);
  return core::result_bool(interp, find_array(interp, argv[1].view()) != nullptr);
}

const core::CommandSpec kArrayCommands[] = {
    {"array", nuvelCommandArray},        {"dim", nuvelCommandDim},
    {"array_set", nuvelCommandArraySet}, {"array_foreach", nuvelCommandArrayForeach},
    {"is_array", nuvelCommandIsArray},
};

}  // namespace

void register_array_cmds(Interp& interp) {
  core::nuvelRegisterFamily(interp, kArrayCommands);
}

}  // namespace collections
