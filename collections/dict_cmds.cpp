// The dict command: dictionary texts (lists of alternating keys and values)
// and dictionary variables (a Var of type dictionary owning a hash_table).
#include <cinttypes>
#include <memory>
#include <unordered_map>

#include "collections/dict_store.h"
#include "containers/hash_table.h"
#include "core/cmd_helpers.h"
#include "core/collection_text.h"
#include "core/list_value.h"
#include "platform/console.h"

namespace collections {

using containers::hash_table;
using core::Code;
using core::Interp;
using core::nuvelSetError;
using core::Value;
using vars::Var;
using vars::VarPtr;

namespace {

constexpr int32_t kDictBuckets = 100;  // dictionary variables
constexpr int32_t kWorkBuckets = 50;   // working tables and set's dictionaries

}  // namespace

namespace {

// --- Dictionary texts ------------------------------------------------------------

std::vector<Value> read_items(const Value& text) {
  return core::list_read_words(text.view());
}

// Loads the pairs of `items` into a table (a trailing odd item is ignored).
void load_pairs(hash_table& table, const std::vector<Value>& items, bool braced_empty = false) {
  for (size_t k = 0; k + 1 < items.size(); k += 2) {
    const Value& v = items[k + 1];
    table.set(items[k].view(), braced_empty && v.empty() ? Value("{}") : v);
  }
}

// The nested text for keys[from..] and value: "k2 {k3 {... value}}".
std::string nested_text(const Value* keys, int from, int nkeys, const Value& value) {
  std::string out;
  int opened = 0;
  for (int k = from; k < nkeys; ++k) {
    if (k > from) out += " {";
    if (k > from) ++opened;
    std::string item;
    append_dict_item(item, keys[k].view());
    out += item;
  }
  std::string v;
  append_dict_item(v, value.view());
  out.push_back(' ');
  out += v;
  out.append(static_cast<size_t>(opened), '}');
  return out;
}

// The nested-set routine: sets keys[from..] to value inside the dictionary
// text `current`, replacing the value along the path or inserting the missing
// keys, and keeping every other pair as it was. A text that is not a
// dictionary (odd item count) is replaced by the nested text.
std::string nested_set(const Value& current, const Value* keys, int from, int nkeys,
                       const Value& value) {
  std::vector<Value> items = read_items(current);
  if (items.size() % 2 != 0) return nested_text(keys, from, nkeys, value);
  bool found = false;
  for (size_t k = 0; k + 1 < items.size(); k += 2) {
    if (items[k].view() != keys[from].view()) continue;
    found = true;
    if (from + 1 == nkeys) {
      items[k + 1] = value;
    } else {
      items[k + 1] = Value(nested_set(items[k + 1], keys, from + 1, nkeys, value));
    }
    break;
  }
  if (!found) {
    items.push_back(keys[from]);
    items.push_back(from + 1 == nkeys ? value : Value(nested_text(keys, from + 1, nkeys, value)));
  }
  std::string out;
  for (const Value& item : items) append_dict_item(out, item.view());
  return out;
}

// Makes `var` (the record that owns the storage) an empty dictionary.
void make_dictionary(Var& owner, int32_t buckets) {
  owner.type = vars::VT_DICTIONARY;
  owner.value = Value("<dict>");
  dict_table_changed(owner);
  owner.table = std::make_shared<hash_table>(buckets);
  owner.changed = true;
}

Var* owner_of(Var& var) {
  Var* owner = vars::array_owner(var);
  return owner ? owner : nullptr;
}

// The dictionary variable `name`, created when missing. Null (with `other` set)
// when the name belongs to a variable of another type.
Var* dict_variable_or_create(Interp& interp, std::string_view name, bool& other) {
  other = false;
  VarPtr var = vars::nuvelGetVarShared(interp, name, -1);
  if (!var) {
    if (vars::set_var(interp, name, Value("<dict>")) != 0) return nullptr;
    var = vars::nuvelGetVarShared(interp, name, -1);
    if (!var) return nullptr;
    make_dictionary(*var, kDictBuckets);
    return var.get();
  }
  Var* owner = owner_of(*var);
  if (!owner || owner->type != vars::VT_DICTIONARY || !owner->table) {
    other = true;
    return nullptr;
  }
  return owner;
}

}  // namespace

Var* dict_variable(Interp& interp, std::string_view name) {
  Var* var = vars::nuvelGetVar(interp, name, -1);
  if (!var) return nullptr;
  Var* owner = owner_of(*var);
  if (!owner || owner->type != vars::VT_DICTIONARY || !owner->table) return nullptr;
  return owner;
}

Code dict_set_path(Interp& interp, const char* cmd, std::string_view name, const Value* keys,
                   int nkeys, const Value& value) {
  std::string n(name);
  bool other = false;
  Var* dict = dict_variable_or_create(interp, name, other);
  if (!dict) {
    if (other) {
      nuvelSetError(&interp, "%s %s: Variable '%s' is not a dictionary\n", cmd, "set", n.c_str());
    } else {
      nuvelSetError(&interp, "%s %s: Can't create dictionary var '%s'\n", cmd, "set", n.c_str());
    }
    return Code::Error;
  }
  Value stored;
  if (nkeys == 1) {
    stored = value;
  } else {
    Value current;
    if (dict->table->get(keys[0].view(), &current)) {
      stored = Value(nested_set(current, keys, 1, nkeys, value));
    } else {
      stored = Value(nested_text(keys, 1, nkeys, value));
    }
  }
  dict_table_changed(*dict);
  if (!dict->table->set(keys[0].view(), stored)) {
    nuvelSetError(&interp, "%s set:Unexpected error setting '%s'\n", cmd, n.c_str());
    return Code::Error;
  }
  dict->changed = true;
  std::string result(keys[0].view());
  result.push_back(' ');
  if (stored.empty()) {
    result += "{}";
  } else if (stored.view().find(' ') != std::string_view::npos) {
    result.push_back('{');
    result += stored.view();
    result.push_back('}');
  } else {
    result += stored.view();
  }
  core::nuvelSetResult(interp, Value(std::move(result)));
  return Code::Ok;
}

Code dict_take_over(Interp& interp, const char* cmd, std::string_view name, const Value& value) {
  std::string n(name);
  VarPtr var = vars::nuvelGetVarShared(interp, name, -1);
  Var* owner = var ? owner_of(*var) : nullptr;
  if (var && (!owner || owner->is_constant ||
              (owner->type != vars::VT_AUTO && owner->type != vars::VT_DICTIONARY))) {
    // Only plain variables and dictionaries take a dictionary over; anything
    // else is refused by the ordinary assignment.
    return vars::access_var(interp, name, &value, true) == 0 ? Code::Ok : Code::Error;
  }
  if (value.empty() || value.view() == "{}") {
    if (!var) {
      if (vars::set_var(interp, name, Value("<dict>")) != 0 ||
          !(var = vars::nuvelGetVarShared(interp, name, -1))) {
        nuvelSetError(&interp, "%s: Failed to create dictionary '%s'\n", cmd, n.c_str());
        return Code::Error;
      }
      owner = owner_of(*var);
    }
    if (!owner) {
      nuvelSetError(&interp, "%s: Failed to create dictionary '%s'\n", cmd, n.c_str());
      return Code::Error;
    }
    make_dictionary(*owner, kWorkBuckets);
    if (owner != var.get()) var->type = vars::VT_DICTIONARY;
    core::nuvelSetResult(interp, value);
    return Code::Ok;
  }
  std::vector<Value> items = read_items(value);
  if (items.size() % 2 != 0) {
    if (vars::nuvelGetVar(interp, value.view())) {
      nuvelSetError(&interp, "%s: Received varname '%s', expected dict list rvalue\n", cmd,
                    value.c_str());
    } else {
      nuvelSetError(&interp, "%s: Mismatched dictionary pairs in '%s' (%li found, expected 2)\n",
                    cmd, value.c_str(), static_cast<long>(items.size()));
    }
    return Code::Error;
  }
  if (owner && owner->type == vars::VT_DICTIONARY && owner->table) {
    dict_table_changed(*owner);
    owner->table->clear();
  } else if (owner) {
    // A plain variable becomes an empty dictionary before the pairs arrive.
    make_dictionary(*owner, kDictBuckets);
    if (owner != var.get()) var->type = vars::VT_DICTIONARY;
  }
  for (size_t k = 0; k + 1 < items.size(); k += 2) {
    Code c = dict_set_path(interp, "dict", name, &items[k], 1, items[k + 1]);
    if (c != Code::Ok) return c;
  }
  core::nuvelSetResult(interp, value);
  return Code::Ok;
}

namespace {

// Words of one dict command: positional arguments (words not starting with
// "-") and the options among them.
struct Words {
  Interp& interp;
  int argc;
  Value* argv;
  const char* cmd() const { return argv[0].c_str(); }
  const char* sub() const { return argv[1].c_str(); }
  bool has(std::string_view option) const { return core::find_option(argc, argv, option, 2) >= 0; }
};

Code wrong(const Words& w) {
  return core::nuvelWrongArgs(w.interp, w.argc, w.argv);
}

Code set_dict_result(Interp& interp, std::string text) {
  core::nuvelSetResult(interp, Value(std::move(text)));
  interp.result_type = vars::VT_DICTIONARY;
  return Code::Ok;
}

// Reports a key path that ends before its last key (the key at `k` failed).
Code key_not_found(const Words& w, int k) {
  const Value& text = w.argv[2];
  if (vars::nuvelGetVar(w.interp, text.view())) {
    nuvelSetError(&w.interp, "%s %s: Received varname '%s', expected dict list rvalue\n", w.cmd(),
                  w.sub(), text.c_str());
  } else {
    nuvelSetError(&w.interp, "%s %s: Key '%s' not known in dictionary\n", w.cmd(), w.sub(),
                  w.argv[k].c_str());
  }
  core::nuvelResetResult(w.interp);
  return Code::Error;
}

// The nested look-up of dict get and dict filter: each key is searched among
// the pairs of the level before it; the value of the last key is the result.
Code nested_get(const Words& w) {
  const Value& text = w.argv[2];
  if (w.argc == 3) {
    core::nuvelSetResult(w.interp, text);
    return Code::Ok;
  }
  std::vector<Value> items;
  int k = 3;
  if (const hash_table* table = vars::dict_text_table(text)) {
    // A dictionary variable's own text: the first key is looked up directly.
    Value v;
    if (!table->get(w.argv[3].view(), &v)) return key_not_found(w, 3);
    if (w.argc == 4) {
      core::nuvelSetResult(w.interp, std::move(v));
      return Code::Ok;
    }
    items = read_items(v);
    k = 4;
  } else {
    items = read_items(text);
  }
  for (; k < w.argc; ++k) {
    if (items.size() % 2 != 0) {
      if (items.size() == 1 && k > 3) return key_not_found(w, k);
      nuvelSetError(&w.interp, "%s %s: Missing value to go with key\n", w.cmd(), w.sub());
      core::nuvelResetResult(w.interp);
      return Code::Error;
    }
    size_t i = 0;
    while (i + 1 < items.size() && items[i].view() != w.argv[k].view()) i += 2;
    if (i + 1 >= items.size()) return key_not_found(w, k);
    if (k + 1 == w.argc) {
      core::nuvelSetResult(w.interp, items[i + 1]);
      return Code::Ok;
    }
    Value next = items[i + 1];
    items = read_items(next);
  }
  return key_not_found(w, w.argc - 1);
}

// dict create ?key value ...?
Code dict_create(const Words& w) {
  if (w.argc == 3) return wrong(w);
  if (w.argc > 2 && (w.argc - 2) % 2 != 0) {
    nuvelSetError(&w.interp, "%s %s: Mismatched key/value pair\n", w.cmd(), w.sub());
    return Code::Error;
  }
  std::string out;
  for (int k = 2; k < w.argc; ++k) append_dict_item(out, w.argv[k].view());
  if (out.empty() && w.argc > 2) out = "{}";
  return set_dict_result(w.interp, std::move(out));
}

// dict item dictText key ?default? ?-nocase? ?-glob?
Code dict_item(const Words& w) {
  std::vector<const Value*> pos;
  for (int k = 2; k < w.argc; ++k)
    if (!core::starts_with(w.argv[k].view(), "-")) pos.push_back(&w.argv[k]);
  if (pos.size() < 2) return wrong(w);
  bool nocase = w.has("-nocase");
  bool glob = w.has("-glob");
  std::vector<Value> items = read_items(*pos[0]);
  std::string_view key = pos[1]->view();
  for (size_t i = 0; i + 1 < items.size(); i += 2) {
    std::string_view k = items[i].view();
    bool match = glob ? wild_match(key, k, nocase) : containers::equal_text(k, key, nocase);
    if (match) {
      core::nuvelSetResult(w.interp, items[i + 1]);
      return Code::Ok;
    }
  }
  core::nuvelSetResult(w.interp, pos.size() > 2 ? *pos[2] : Value());
  return Code::Ok;
}

// dict keys|values dictText ?pattern?
Code dict_keys_values(const Words& w, bool keys) {
  if (w.argc < 3) return wrong(w);
  std::vector<Value> items = read_items(w.argv[2]);
  if (items.size() % 2 != 0) {
    nuvelSetError(&w.interp, "%s %s: Mismatched key/value pairs (%li)\n", w.cmd(), w.sub(),
                  static_cast<long>(items.size()));
    return Code::Error;
  }
  std::string out;
  for (size_t i = 0; i + 1 < items.size(); i += 2) {
    if (w.argc > 3 && !wild_match(w.argv[3].view(), items[i].view(), true)) continue;
    if (!out.empty()) out.push_back(' ');
    append_braced(out, items[keys ? i : i + 1].view());
  }
  core::nuvelSetResult(w.interp, Value(std::move(out)));
  return Code::Ok;
}

// dict size nameOrText
Code dict_size(const Words& w) {
  if (w.argc < 3) return wrong(w);
  if (Var* var = vars::nuvelGetVar(w.interp, w.argv[2].view())) {
    Var* owner = owner_of(*var);
    if (!owner || owner->type != vars::VT_DICTIONARY || !owner->table) {
      nuvelSetError(&w.interp, "%s %s: Not a dictionary\n", w.cmd(), w.sub());
      return Code::Error;
    }
    return core::result_int(w.interp, owner->table->count());
  }
  std::vector<Value> items = read_items(w.argv[2]);
  if (items.size() % 2 != 0) {
    nuvelSetError(&w.interp, "%s %s: Mismatched key/value pair in '%s'\n", w.cmd(), w.sub(),
                  w.argv[2].c_str());
    return Code::Error;
  }
  return core::result_int(w.interp, static_cast<int64_t>(items.size() / 2));
}

// dict merge ?dictText ...?
Code dict_merge(const Words& w) {
  if (w.argc == 3) return set_dict_result(w.interp, std::string(w.argv[2].view()));
  hash_table work(kWorkBuckets);
  for (int k = 2; k < w.argc; ++k) {
    std::vector<Value> items = read_items(w.argv[k]);
    if (items.size() % 2 != 0) {
      nuvelSetError(&w.interp, "%s %s: Missing value to go with key in '%s'\n", w.cmd(), w.sub(),
                    w.argv[k].c_str());
      return Code::Error;
    }
    load_pairs(work, items);
  }
  return set_dict_result(w.interp, vars::table_text(work));
}

// dict remove dictText ?key ...?
Code dict_remove(const Words& w) {
  if (w.argc < 3) return wrong(w);
  if (w.argc == 3) return set_dict_result(w.interp, std::string(w.argv[2].view()));
  std::vector<Value> items = read_items(w.argv[2]);
  if (items.size() % 2 != 0) {
    nuvelSetError(&w.interp, "%s %s: Mismatched key/value pairs (%li)\n", w.cmd(), w.sub(),
                  static_cast<long>(items.size()));
    return Code::Error;
  }
  hash_table work(kWorkBuckets);
  load_pairs(work, items);
  for (int k = 3; k < w.argc; ++k) {
    if (!work.remove(w.argv[k].view())) {
      nuvelSetError(&w.interp, "%s %s: Failed to remove key '%s'\n", w.cmd(), w.sub(),
                    w.argv[k].c_str());
      return Code::Error;
    }
  }
  return set_dict_result(w.interp, vars::table_text(work));
}

// dict replace dictText ?key value ...?
Code dict_replace(const Words& w) {
  if (w.argc < 3) return wrong(w);
  if (w.argc == 3) return set_dict_result(w.interp, std::string(w.argv[2].view()));
  if ((w.argc - 3) % 2 != 0) {
    nuvelSetError(&w.interp, "%s %s: Mismatched key/value pairs (%li)\n", w.cmd(), w.sub(),
                  static_cast<long>(w.argc - 3));
    return Code::Error;
  }
  hash_table work(kWorkBuckets);
  load_pairs(work, read_items(w.argv[2]));
  for (int k = 3; k + 1 < w.argc; k += 2) work.set(w.argv[k].view(), w.argv[k + 1]);
  return set_dict_result(w.interp, vars::table_text(work));
}

// Checks that an iterator variable is missing or plain.
bool iterator_usable(Interp& interp, std::string_view name) {
  Var* v = vars::nuvelGetVar(interp, name);
  return !v || v->type == vars::VT_AUTO;
}

// Sets the two iterator variables of dict for / dict map.
bool set_iterators(const Words& w, const Value& keyvar, const Value& valuevar, const Value& key,
                   const Value& value) {
  if (vars::set_var(w.interp, keyvar.view(), key) != 0) {
    nuvelSetError(&w.interp, "%s %s: Failed to set keyVariable '%s'\n", w.cmd(), w.sub(),
                  keyvar.c_str());
    return false;
  }
  if (vars::set_var(w.interp, valuevar.view(), value) != 0) {
    nuvelSetError(&w.interp, "%s %s: Failed to set valueVariable '%s'\n", w.cmd(), w.sub(),
                  valuevar.c_str());
    return false;
  }
  return true;
}

// dict for {keyVar valueVar} dictText body
// Runs body once per pair. break ends the loop and continue moves on, both
// with code ok; return, exit and stop end the loop with their code; any other
// code moves on, and the last body's code is the command's code.
Code dict_for(const Words& w) {
  if (w.argc != 5) return wrong(w);
  std::vector<Value> names = read_items(w.argv[2]);
  if (names.size() != 2) {
    nuvelSetError(&w.interp, "%s %s: Incorrect number of iterator variables (%li)\n", w.cmd(),
                  w.sub(), static_cast<long>(names.size()));
    return Code::Error;
  }
  if (!iterator_usable(w.interp, names[0].view())) {
    nuvelSetError(&w.interp, "%s %s: keyVariable exists and is not an auto type\n", w.cmd(),
                  w.sub());
    return Code::Error;
  }
  if (!iterator_usable(w.interp, names[1].view())) {
    nuvelSetError(&w.interp, "%s %s: valueVariable exists and is not an auto type\n", w.cmd(),
                  w.sub());
    return Code::Error;
  }
  std::vector<Value> items = read_items(w.argv[3]);
  Value body = w.argv[4];
  Code last = Code::Ok;
  for (size_t i = 0; i + 1 < items.size(); i += 2) {
    if (!set_iterators(w, names[0], names[1], items[i], items[i + 1])) return Code::Error;
    last = core::rindoEval(w.interp, body);
    if (last == Code::Break) {
      last = Code::Ok;
      break;
    }
    if (last == Code::Continue) {
      last = Code::Ok;
      continue;
    }
    if (last == Code::Return || last == Code::Exit || last == Code::Stop) return last;
  }
  if (last == Code::Ok) core::nuvelResetResult(w.interp);
  return last;
}

// dict map {keyVar valueVar} dictText body
// Runs body once per pair and sets the key to the value of valueVar afterwards;
// the result is the mapped dictionary text.
Code dict_map(const Words& w) {
  if (w.argc != 5) return wrong(w);
  std::vector<Value> names = read_items(w.argv[2]);
  if (names.size() != 2) {
    nuvelSetError(&w.interp,
                  "%s %s: Expected list pair for keyVariable + valueVariable (found %li)\n",
                  w.cmd(), w.sub(), static_cast<long>(names.size()));
    return Code::Error;
  }
  std::vector<Value> items = read_items(w.argv[3]);
  hash_table work(kWorkBuckets);
  load_pairs(work, items, true);
  Value body = w.argv[4];
  for (size_t i = 0; i + 1 < items.size(); i += 2) {
    if (!set_iterators(w, names[0], names[1], items[i], items[i + 1])) return Code::Error;
    Code c = core::rindoEval(w.interp, body);
    if (c == Code::Continue) continue;
    if (c == Code::Break) break;
    if (c != Code::Ok) return c;
    auto key = vars::get_var_value(w.interp, names[0].view());
    if (!key) {
      nuvelSetError(&w.interp, "%s %s: Failed to access keyVariable '%s'\n", w.cmd(), w.sub(),
                    names[0].c_str());
      return Code::Error;
    }
    auto value = vars::get_var_value(w.interp, names[1].view());
    if (!value) {
      nuvelSetError(&w.interp, "%s %s: Failed to access valueVariable '%s'\n", w.cmd(), w.sub(),
                    names[1].c_str());
      return Code::Error;
    }
    work.set(key->view(), value->empty() ? Value("{}") : *value);
  }
  std::string out;
  work.for_each([&out](const std::string& key, const Value& value) {
    if (!out.empty()) out.push_back(' ');
    append_braced(out, key);
    out.push_back(' ');
    append_braced(out, value.view());
  });
  return set_dict_result(w.interp, std::move(out));
}

// dict with name ?-unset? body
Code dict_with(const Words& w) {
  if (w.argc < 4) return wrong(w);
  std::string name(w.argv[2].view());
  VarPtr var = vars::nuvelGetVarShared(w.interp, name, -1);
  if (!var) {
    nuvelSetError(&w.interp, "%s %s: Variable '%s' not found\n", w.cmd(), w.sub(), name.c_str());
    return Code::Error;
  }
  Var* owner = owner_of(*var);
  Value text;
  if (owner && owner->type == vars::VT_DICTIONARY) {
    text = dict_table_text(*owner);
  } else if (owner && owner->type == vars::VT_AUTO) {
    text = owner->value;
  } else {
    nuvelSetError(&w.interp, "%s %s: Unexpected error\n", w.cmd(), w.sub());
    return Code::Error;
  }
  std::vector<Value> items = read_items(text);
  if (items.size() % 2 != 0) {
    nuvelSetError(&w.interp, "%s %s: Mismatched key/value pairs (%li)\n", w.cmd(), w.sub(),
                  static_cast<long>(items.size()));
    return Code::Error;
  }
  for (size_t i = 0; i + 1 < items.size(); i += 2) {
    if (core::set_variable(w.interp, items[i].view(), items[i + 1]) != 0) {
      nuvelSetError(&w.interp, "%s %s: Failed to set '%s'\n", w.cmd(), w.sub(), items[i].c_str());
      return Code::Error;
    }
  }
  bool unset = core::find_option(w.argc, w.argv, "-unset", 3) >= 0;
  Value body = w.argv[w.argc - 1];
  Code c = core::rindoEval(w.interp, body);
  if (unset) {
    for (size_t i = 0; i < items.size(); i += 2) {
      if (vars::delete_var(w.interp, items[i].view()) == 0) {
        nuvelSetError(&w.interp, "%s %s: Failed to unset '%s'\n", w.cmd(), w.sub(),
                      items[i].c_str());
        return Code::Error;
      }
    }
  }
  return c;
}

// dict unset name ?key ...?
Code dict_unset(const Words& w) {
  if (w.argc < 3) return wrong(w);
  Var* dict = dict_variable(w.interp, w.argv[2].view());
  if (!dict) {
    nuvelSetError(&w.interp, "%s %s: Variable '%s' is not a dictionary\n", w.cmd(), w.sub(),
                  w.argv[2].c_str());
    return Code::Error;
  }
  dict_table_changed(*dict);
  for (int k = 3; k < w.argc; ++k) dict->table->remove(w.argv[k].view());
  dict->changed = true;
  core::nuvelSetResult(w.interp, dict_table_text(*dict));
  return Code::Ok;
}

// dict lappend name key ?value ...? / dict append name key ?text ...?
Code dict_lappend(const Words& w, bool as_list) {
  if (w.argc < 4) return wrong(w);
  std::string name(w.argv[2].view());
  bool other = false;
  Var* dict = dict_variable_or_create(w.interp, name, other);
  if (!dict) {
    if (!as_list) {
      nuvelSetError(&w.interp, "%s %s: Failed to set key '%s' in dictionary '%s'\n", w.cmd(),
                    w.sub(), w.argv[3].c_str(), name.c_str());
    } else if (other) {
      nuvelSetError(&w.interp, "%s %s: Variable '%s' is not a dictionary\n", w.cmd(), w.sub(),
                    name.c_str());
    } else {
      nuvelSetError(&w.interp, "%s %s: Dictionary variable '%s' not found\n", w.cmd(), w.sub(),
                    name.c_str());
    }
    return Code::Error;
  }
  Value current;
  dict->table->get(w.argv[3].view(), &current);
  std::string next(current.view());
  if (as_list) {
    for (int k = 4; k < w.argc; ++k) {
      if (!next.empty()) next.push_back(' ');
      if (w.argv[k].empty()) {
        next += "{}";
      } else {
        append_braced(next, w.argv[k].view());
      }
    }
  } else {
    for (int k = 4; k < w.argc; ++k) next += w.argv[k].view();
  }
  dict_table_changed(*dict);
  Value stored(std::move(next));
  if (!dict->table->set(w.argv[3].view(), stored)) {
    nuvelSetError(&w.interp, "%s %s: Failed to set key '%s' in dictionary '%s'\n", w.cmd(), w.sub(),
                  w.argv[3].c_str(), name.c_str());
    return Code::Error;
  }
  dict->changed = true;
  if (as_list) {
    core::nuvelSetResult(w.interp, dict_table_text(*dict));
  } else {
    std::string result(w.argv[3].view());
    result.push_back(' ');
    result += stored.view();
    core::nuvelSetResult(w.interp, Value(std::move(result)));
  }
  return Code::Ok;
}

// dict exists name ?key ...?
Code dict_exists(const Words& w) {
  if (w.argc < 3) return wrong(w);
  Var* dict = dict_variable(w.interp, w.argv[2].view());
  if (!dict) return core::result_bool(w.interp, false);
  if (w.argc == 3) return core::result_bool(w.interp, true);
  for (int k = 3; k < w.argc; ++k) {
    if (dict->table->get(w.argv[k].view())) return core::result_bool(w.interp, true);
  }
  return core::result_bool(w.interp, false);
}

// dict clear name ?name ...? ?-nocomplain?
Code dict_clear(const Words& w) {
  if (w.argc < 3) return wrong(w);
  bool nocomplain = w.has("-nocomplain");
  int64_t processed = 0;
  for (int k = 2; k < w.argc; ++k) {
    if (core::starts_with(w.argv[k].view(), "-")) continue;
    Var* dict = dict_variable(w.interp, w.argv[k].view());
    if (dict) {
      dict_table_changed(*dict);
      dict->table->clear();
      dict->changed = true;
    } else if (!nocomplain) {
      nuvelSetError(&w.interp, "%s %s: Failed to clear dictionary '%s'\n", w.cmd(), w.sub(),
                    w.argv[k].c_str());
      core::nuvelSetResultInt(w.interp, processed);
      return Code::Error;
    }
    ++processed;
  }
  return core::result_int(w.interp, processed);
}

// dict walk name ?limit? ?-bare?
Code dict_walk(const Words& w) {
  if (w.argc < 3) return wrong(w);
  Var* dict = dict_variable(w.interp, w.argv[2].view());
  if (!dict) {
    nuvelSetError(&w.interp, "%s %s: Dictionary variable '%s' not found\n", w.cmd(), w.sub(),
                  w.argv[2].c_str());
    return Code::Error;
  }
  int limit = 0;
  if (w.argc > 3 && !core::starts_with(w.argv[3].view(), "-")) {
    limit = static_cast<int>(core::leading_int(w.argv[3].view()));
  }
  dict->table->dump(limit, false, w.has("-bare"));
  core::nuvelResetResult(w.interp);
  return Code::Ok;
}

// dict info name
Code dict_info(const Words& w) {
  if (w.argc < 3) return wrong(w);
  Var* var = vars::nuvelGetVar(w.interp, w.argv[2].view());
  Var* dict = dict_variable(w.interp, w.argv[2].view());
  if (!dict) return Code::Error;
  platform::outf("Dictionary '%s' at address 0x%" PRIxPTR " %i item(s)\n", w.argv[2].c_str(),
                 reinterpret_cast<uintptr_t>(var), dict->table->count());
  dict->table->statistics();
  core::nuvelResetResult(w.interp);
  return Code::Ok;
}

// dict debug name ?limit?
Code dict_debug(const Words& w) {
  if (w.argc < 3) return wrong(w);
  VarPtr var = vars::nuvelGetVarShared(w.interp, w.argv[2].view(), -1);
  int limit = w.argc > 3 ? static_cast<int>(core::leading_int(w.argv[3].view())) : 0;
  platform::set_attribute(13);
  platform::out(std::string(70, '-') + "\n");
  platform::outf("Dict object\t0x%" PRIxPTR " (%.40s)\n", reinterpret_cast<uintptr_t>(var.get()),
                 w.argv[2].c_str());
  if (var) {
    // The record after this one in its frame's list (older records follow).
    const Var* next = nullptr;
    if (vars::CallFrame* frame = vars::frame_of(w.interp, var.get())) {
      for (size_t i = frame->vars.size(); i-- > 0;) {
        if (frame->vars[i] == var) {
          if (i > 0) next = frame->vars[i - 1].get();
          break;
        }
      }
    }
    std::shared_ptr<Var> parent = var->target();
    Var* owner = owner_of(*var);
    platform::outf("this->next\t0x%" PRIxPTR "\n", reinterpret_cast<uintptr_t>(next));
    platform::outf("this->parent\t0x%" PRIxPTR "\n", reinterpret_cast<uintptr_t>(parent.get()));
    platform::outf("this->val\t%.50s\n", var->value.c_str());
    const hash_table* table = owner ? owner->table.get() : nullptr;
    platform::outf("this->table\t0x%" PRIxPTR "\n", reinterpret_cast<uintptr_t>(table));
    if (table) table->info(limit);
  }
  platform::out(std::string(70, '-') + "\n");
  platform::reset_attribute();
  core::nuvelResetResult(w.interp);
  return Code::Ok;
}

// dict subcommand ?argument ...?
// Results: as each subcommand describes; dictionary texts made by create,
// merge, remove, replace and map are marked so that set takes them over as a
// dictionary variable.
Code nuvelCommandDict(Interp& interp, int argc, Value* argv, void*) {
  if (argc < 2) return core::nuvelWrongArgs(interp, argc, argv);
  Words w{interp, argc, argv};
  std::string_view sub = argv[1].view();
  auto is = [sub](std::string_view name) { return core::iequals(sub, name); };
  if (is("create")) return dict_create(w);
  if (is("get") || is("filter")) return argc < 3 ? wrong(w) : nested_get(w);
  if (is("item")) return dict_item(w);
  if (is("keys")) return dict_keys_values(w, true);
  if (is("values")) return dict_keys_values(w, false);
  if (is("size")) return dict_size(w);
  if (is("merge")) return dict_merge(w);
  if (is("remove")) return dict_remove(w);
  if (is("replace")) return dict_replace(w);
  if (is("for")) return dict_for(w);
  if (is("map")) return dict_map(w);
  if (is("with")) return dict_with(w);
  if (is("set")) {
    if (argc < 5) return wrong(w);
    return dict_set_path(interp, argv[0].c_str(), argv[2].view(), argv + 3, argc - 4,
                         argv[argc - 1]);
  }
  if (is("unset")) return dict_unset(w);
  if (is("lappend")) return dict_lappend(w, true);
  if (is("append")) return dict_lappend(w, false);
  if (is("exists")) return dict_exists(w);
  if (is("clear")) return dict_clear(w);
  if (is("walk")) return dict_walk(w);
  if (is("info")) return dict_info(w);
  if (is("debug")) return dict_debug(w);
  nuvelSetError(&interp, "%s: Unknown option '%s'\n", argv[0].c_str(), argv[1].c_str());
  return Code::Error;
}

const core::CommandSpec kDictCommands[] = {
    {"dict", nuvelCommandDict},
};

}  // namespace

void register_dict_cmds(Interp& interp) {
  core::nuvelRegisterFamily(interp, kDictCommands);
}

}  // namespace collections
