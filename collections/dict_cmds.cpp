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

// The dictionary variable `name`, created when missing. Null (with `other` set)
// when the name belongs to a variable of another type.
VarRef dict_variable_or_create(Interp& interp, std::string_view name, bool& other) {
  other = false;
  VarRef var = vars::lookup(interp, name);
  if (!var) return vars::create_dict(interp, name, kDictBuckets);
  VarRef owner = var.storage();
  if (!owner || owner.kind() != vars::VT_DICTIONARY || !owner.table()) {
    other = true;
    return VarRef();
  }
  return owner;
}

}  // namespace

Code dict_set_path(Interp& interp, std::string_view cmd, std::string_view name, const Value* keys,
                   int nkeys, const Value& value) {
  bool other = false;
  VarRef dict = dict_variable_or_create(interp, name, other);
  if (!dict) return fail(interp, other ? Msg::DictSetNotDict : Msg::DictSetCreateFailed, cmd, name);
  Value stored;
  if (nkeys == 1) {
    stored = value;
  } else {
    Value current;
    if (dict.table()->get(keys[0].view(), &current)) {
      stored = Value(nested_set(current, keys, 1, nkeys, value));
    } else {
      stored = Value(nested_text(keys, 1, nkeys, value));
    }
  }
  if (!vars::set_element(dict, keys[0].view(), stored)) {
    return fail(interp, Msg::DictSetUnexpected, cmd, name);
  }
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

Code dict_take_over(Interp& interp, std::string_view cmd, std::string_view name,
                    const Value& value) {
  VarRef var = vars::lookup(interp, name);
  VarRef owner = var.storage();
  if (var && (!owner || owner.is_constant() ||
              (owner.kind() != vars::VT_AUTO && owner.kind() != vars::VT_DICTIONARY))) {
    // Only plain variables and dictionaries take a dictionary over; anything
    // else is refused by the ordinary assignment.
    return vars::access_var(interp, name, &value, true) == 0 ? Code::Ok : Code::Error;
  }
  if (value.empty() || value.view() == "{}") {
    if (!var) {
      if (!vars::create_dict(interp, name, kWorkBuckets)) {
        return fail(interp, Msg::DictTakeOverFailed, cmd, name);
      }
    } else if (!owner) {
      return fail(interp, Msg::DictTakeOverFailed, cmd, name);
    } else {
      vars::make_dict(var, kWorkBuckets);
    }
    core::nuvelSetResult(interp, value);
    return Code::Ok;
  }
  std::vector<Value> items = read_items(value);
  if (items.size() % 2 != 0) {
    if (vars::lookup(interp, value.view()))
      return fail(interp, Msg::DictTakeOverVarname, cmd, value);
    return fail(interp, Msg::DictTakeOverPairs, cmd, value, items.size());
  }
  if (owner && owner.kind() == vars::VT_DICTIONARY && owner.table()) {
    vars::clear_elements(owner);
  } else if (owner) {
    // A plain variable becomes an empty dictionary before the pairs arrive.
    vars::make_dict(var, kDictBuckets);
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
  if (vars::lookup(w.interp, text.view())) {
    (void)fail(w.interp, Msg::DictReceivedVarname, text);
  } else {
    (void)fail(w.interp, Msg::DictKeyNotKnown, w.argv[k]);
  }
  core::nuvelResetResult(w.interp);
  return Code::Error;
}

// dict get|filter dictText ?key ...?
// The nested look-up: each key is searched among the pairs of the level
// before it; the value of the last key is the result.
Code dict_get(Interp& interp, int argc, Value* argv, void*) {
  Words w{interp, argc, argv};
  const Value& text = argv[2];
  if (argc == 3) {
    core::nuvelSetResult(interp, text);
    return Code::Ok;
  }
  std::vector<Value> items;
  int k = 3;
  if (const hash_table* table = vars::dict_table_of_text(text)) {
    // A dictionary variable's own text: the first key is looked up directly.
    Value v;
    if (!table->get(argv[3].view(), &v)) return key_not_found(w, 3);
    if (argc == 4) {
      core::nuvelSetResult(interp, std::move(v));
      return Code::Ok;
    }
    items = read_items(v);
    k = 4;
  } else {
    items = read_items(text);
  }
  for (; k < argc; ++k) {
    if (items.size() % 2 != 0) {
      if (items.size() == 1 && k > 3) return key_not_found(w, k);
      (void)fail(interp, Msg::DictMissingValue);
      core::nuvelResetResult(interp);
      return Code::Error;
    }
    size_t i = 0;
    while (i + 1 < items.size() && items[i].view() != argv[k].view()) i += 2;
    if (i + 1 >= items.size()) return key_not_found(w, k);
    if (k + 1 == argc) {
      core::nuvelSetResult(interp, items[i + 1]);
      return Code::Ok;
    }
    Value next = items[i + 1];
    items = read_items(next);
  }
  return key_not_found(w, argc - 1);
}

// dict create ?key value ...?
Code dict_create(Interp& interp, int argc, Value* argv, void*) {
  // One word alone is neither an empty dictionary nor a pair.
  if (argc == 3) return core::nuvelWrongArgs(interp, argc, argv);
  if (argc > 2 && (argc - 2) % 2 != 0) return fail(interp, Msg::DictMismatchedPair);
  std::string out;
  for (int k = 2; k < argc; ++k) append_dict_item(out, argv[k].view());
  if (out.empty() && argc > 2) out = "{}";
  return set_dict_result(interp, std::move(out));
}

// dict item dictText key ?default? ?-nocase? ?-glob?
Code dict_item(Interp& interp, int argc, Value* argv, void*) {
  Words w{interp, argc, argv};
  std::vector<const Value*> pos;
  for (int k = 2; k < argc; ++k)
    if (!core::starts_with(argv[k].view(), "-")) pos.push_back(&argv[k]);
  if (pos.size() < 2) return wrong(w);
  bool nocase = w.has("-nocase");
  bool glob = w.has("-glob");
  std::vector<Value> items = read_items(*pos[0]);
  std::string_view key = pos[1]->view();
  for (size_t i = 0; i + 1 < items.size(); i += 2) {
    std::string_view k = items[i].view();
    bool match = glob ? wild_match(key, k, nocase) : containers::equal_text(k, key, nocase);
    if (match) {
      core::nuvelSetResult(interp, items[i + 1]);
      return Code::Ok;
    }
  }
  core::nuvelSetResult(interp, pos.size() > 2 ? *pos[2] : Value());
  return Code::Ok;
}

// dict keys|values dictText ?pattern?
Code dict_keys_values(Interp& interp, int argc, Value* argv, bool keys) {
  std::vector<Value> items = read_items(argv[2]);
  if (items.size() % 2 != 0) return fail(interp, Msg::MismatchedPairs, items.size());
  std::string out;
  for (size_t i = 0; i + 1 < items.size(); i += 2) {
    if (argc > 3 && !wild_match(argv[3].view(), items[i].view(), true)) continue;
    if (!out.empty()) out.push_back(' ');
    append_braced(out, items[keys ? i : i + 1].view());
  }
  core::nuvelSetResult(interp, Value(std::move(out)));
  return Code::Ok;
}

Code dict_keys(Interp& interp, int argc, Value* argv, void*) {
  return dict_keys_values(interp, argc, argv, true);
}

Code dict_values(Interp& interp, int argc, Value* argv, void*) {
  return dict_keys_values(interp, argc, argv, false);
}

// dict size nameOrText
Code dict_size(Interp& interp, int argc, Value* argv, void*) {
  if (VarRef var = vars::lookup(interp, argv[2].view())) {
    VarRef owner = var.storage();
    if (!owner || owner.kind() != vars::VT_DICTIONARY || !owner.table()) {
      return fail(interp, Msg::DictNotADictionary);
    }
    return core::result_int(interp, owner.table()->count());
  }
  std::vector<Value> items = read_items(argv[2]);
  if (items.size() % 2 != 0) return fail(interp, Msg::DictMismatchedPairIn, argv[2]);
  return core::result_int(interp, static_cast<int64_t>(items.size() / 2));
}

// dict merge ?dictText ...?
Code dict_merge(Interp& interp, int argc, Value* argv, void*) {
  if (argc == 3) return set_dict_result(interp, std::string(argv[2].view()));
  hash_table work(kWorkBuckets);
  for (int k = 2; k < argc; ++k) {
    std::vector<Value> items = read_items(argv[k]);
    if (items.size() % 2 != 0) return fail(interp, Msg::DictMissingValueIn, argv[k]);
    load_pairs(work, items);
  }
  return set_dict_result(interp, vars::table_text(work));
}

// dict remove dictText ?key ...?
Code dict_remove(Interp& interp, int argc, Value* argv, void*) {
  if (argc == 3) return set_dict_result(interp, std::string(argv[2].view()));
  std::vector<Value> items = read_items(argv[2]);
  if (items.size() % 2 != 0) return fail(interp, Msg::MismatchedPairs, items.size());
  hash_table work(kWorkBuckets);
  load_pairs(work, items);
  for (int k = 3; k < argc; ++k) {
    if (!work.remove(argv[k].view())) return fail(interp, Msg::DictRemoveFailed, argv[k]);
  }
  return set_dict_result(interp, vars::table_text(work));
}

// dict replace dictText ?key value ...?
Code dict_replace(Interp& interp, int argc, Value* argv, void*) {
  if (argc == 3) return set_dict_result(interp, std::string(argv[2].view()));
  if ((argc - 3) % 2 != 0) return fail(interp, Msg::MismatchedPairs, argc - 3);
  hash_table work(kWorkBuckets);
  load_pairs(work, read_items(argv[2]));
  for (int k = 3; k + 1 < argc; k += 2) work.set(argv[k].view(), argv[k + 1]);
  return set_dict_result(interp, vars::table_text(work));
}

// Checks that an iterator variable is missing or plain.
bool iterator_usable(Interp& interp, std::string_view name) {
  VarRef v = vars::lookup(interp, name);
  return !v || v.kind() == vars::VT_AUTO;
}

// Sets the two iterator variables of dict for / dict map.
bool set_iterators(Interp& interp, const Value& keyvar, const Value& valuevar, const Value& key,
                   const Value& value) {
  if (vars::set_var(interp, keyvar.view(), key) != 0) {
    (void)fail(interp, Msg::DictKeyVarSetFailed, keyvar);
    return false;
  }
  if (vars::set_var(interp, valuevar.view(), value) != 0) {
    (void)fail(interp, Msg::DictValueVarSetFailed, valuevar);
    return false;
  }
  return true;
}

// dict for {keyVar valueVar} dictText body
// Runs body once per pair. break ends the loop and continue moves on, both
// with code ok; return, exit and stop end the loop with their code; any other
// code moves on, and the last body's code is the command's code.
Code dict_for(Interp& interp, int argc, Value* argv, void*) {
  std::vector<Value> names = read_items(argv[2]);
  if (names.size() != 2) return fail(interp, Msg::DictIteratorCount, names.size());
  if (!iterator_usable(interp, names[0].view())) return fail(interp, Msg::DictKeyVarNotAuto);
  if (!iterator_usable(interp, names[1].view())) return fail(interp, Msg::DictValueVarNotAuto);
  std::vector<Value> items = read_items(argv[3]);
  Value body = argv[4];
  Code last = Code::Ok;
  for (size_t i = 0; i + 1 < items.size(); i += 2) {
    if (!set_iterators(interp, names[0], names[1], items[i], items[i + 1])) return Code::Error;
    last = core::rindoEval(interp, body);
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
  if (last == Code::Ok) core::nuvelResetResult(interp);
  return last;
}

// dict map {keyVar valueVar} dictText body
// Runs body once per pair and sets the key to the value of valueVar afterwards;
// the result is the mapped dictionary text.
Code dict_map(Interp& interp, int argc, Value* argv, void*) {
  std::vector<Value> names = read_items(argv[2]);
  if (names.size() != 2) return fail(interp, Msg::DictMapIteratorPair, names.size());
  std::vector<Value> items = read_items(argv[3]);
  hash_table work(kWorkBuckets);
  load_pairs(work, items, true);
  Value body = argv[4];
  for (size_t i = 0; i + 1 < items.size(); i += 2) {
    if (!set_iterators(interp, names[0], names[1], items[i], items[i + 1])) return Code::Error;
    Code c = core::rindoEval(interp, body);
    if (c == Code::Continue) continue;
    if (c == Code::Break) break;
    if (c != Code::Ok) return c;
    auto key = vars::get_var_value(interp, names[0].view());
    if (!key) return fail(interp, Msg::DictKeyVarAccessFailed, names[0]);
    auto value = vars::get_var_value(interp, names[1].view());
    if (!value) return fail(interp, Msg::DictValueVarAccessFailed, names[1]);
    work.set(key->view(), value->empty() ? Value("{}") : *value);
  }
  std::string out;
  work.for_each([&out](const std::string& key, const Value& value) {
    if (!out.empty()) out.push_back(' ');
    append_braced(out, key);
    out.push_back(' ');
    append_braced(out, value.view());
  });
  return set_dict_result(interp, std::move(out));
}

// dict with name ?-unset? body
Code dict_with(Interp& interp, int argc, Value* argv, void*) {
  std::string name(argv[2].view());
  VarRef var = vars::lookup(interp, name);
  if (!var) return fail(interp, Msg::SubVariableNotFound, name);
  VarRef owner = var.storage();
  Value text;
  if (owner && owner.kind() == vars::VT_DICTIONARY) {
    text = vars::dict_text(owner);
  } else if (owner && owner.kind() == vars::VT_AUTO) {
    text = owner.value();
  } else {
    return fail(interp, Msg::DictUnexpectedError);
  }
  std::vector<Value> items = read_items(text);
  if (items.size() % 2 != 0) return fail(interp, Msg::MismatchedPairs, items.size());
  for (size_t i = 0; i + 1 < items.size(); i += 2) {
    if (core::set_variable(interp, items[i].view(), items[i + 1]) != 0) {
      return fail(interp, Msg::DictWithSetFailed, items[i]);
    }
  }
  bool unset = core::find_option(argc, argv, "-unset", 3) >= 0;
  Value body = argv[argc - 1];
  Code c = core::rindoEval(interp, body);
  if (unset) {
    for (size_t i = 0; i < items.size(); i += 2) {
      if (vars::delete_var(interp, items[i].view()) == 0) {
        return fail(interp, Msg::DictWithUnsetFailed, items[i]);
      }
    }
  }
  return c;
}

// dict set name key ?key ...? value
Code dict_set(Interp& interp, int argc, Value* argv, void*) {
  return dict_set_path(interp, argv[0].view(), argv[2].view(), argv + 3, argc - 4, argv[argc - 1]);
}

// dict unset name ?key ...?
Code dict_unset(Interp& interp, int argc, Value* argv, void*) {
  VarRef dict = vars::as_dict(interp, argv[2].view());
  if (!dict) return fail(interp, Msg::NotADictionary, argv[2]);
  for (int k = 3; k < argc; ++k) vars::remove_element(dict, argv[k].view());
  core::nuvelSetResult(interp, vars::dict_text(dict));
  return Code::Ok;
}

// dict lappend name key ?value ...? / dict append name key ?text ...?
Code dict_lappend(Interp& interp, int argc, Value* argv, bool as_list) {
  std::string name(argv[2].view());
  bool other = false;
  VarRef dict = dict_variable_or_create(interp, name, other);
  if (!dict) {
    if (!as_list) return fail(interp, Msg::DictSetKeyFailed, argv[3], name);
    return fail(interp, other ? Msg::NotADictionary : Msg::DictVariableNotFound, name);
  }
  Value current;
  dict.table()->get(argv[3].view(), &current);
  std::string next(current.view());
  if (as_list) {
    for (int k = 4; k < argc; ++k) {
      if (!next.empty()) next.push_back(' ');
      if (argv[k].empty()) {
        next += "{}";
      } else {
        append_braced(next, argv[k].view());
      }
    }
  } else {
    for (int k = 4; k < argc; ++k) next += argv[k].view();
  }
  Value stored(std::move(next));
  if (!vars::set_element(dict, argv[3].view(), stored)) {
    return fail(interp, Msg::DictSetKeyFailed, argv[3], name);
  }
  if (as_list) {
    core::nuvelSetResult(interp, vars::dict_text(dict));
  } else {
    std::string result(argv[3].view());
    result.push_back(' ');
    result += stored.view();
    core::nuvelSetResult(interp, Value(std::move(result)));
  }
  return Code::Ok;
}

Code dict_lappend_cmd(Interp& interp, int argc, Value* argv, void*) {
  return dict_lappend(interp, argc, argv, true);
}

Code dict_append(Interp& interp, int argc, Value* argv, void*) {
  return dict_lappend(interp, argc, argv, false);
}

// dict exists name ?key ...?
Code dict_exists(Interp& interp, int argc, Value* argv, void*) {
  VarRef dict = vars::as_dict(interp, argv[2].view());
  if (!dict) return core::result_bool(interp, false);
  if (argc == 3) return core::result_bool(interp, true);
  for (int k = 3; k < argc; ++k) {
    if (dict.table()->get(argv[k].view())) return core::result_bool(interp, true);
  }
  return core::result_bool(interp, false);
}

// dict clear name ?name ...? ?-nocomplain?
Code dict_clear(Interp& interp, int argc, Value* argv, void*) {
  bool nocomplain = Words{interp, argc, argv}.has("-nocomplain");
  int64_t processed = 0;
  for (int k = 2; k < argc; ++k) {
    if (core::starts_with(argv[k].view(), "-")) continue;
    if (VarRef dict = vars::as_dict(interp, argv[k].view())) {
      vars::clear_elements(dict);
    } else if (!nocomplain) {
      (void)fail(interp, Msg::DictClearFailed, argv[k]);
      core::nuvelSetResultInt(interp, processed);
      return Code::Error;
    }
    ++processed;
  }
  return core::result_int(interp, processed);
}

// dict walk name ?limit? ?-bare?
Code dict_walk(Interp& interp, int argc, Value* argv, void*) {
  VarRef dict = vars::as_dict(interp, argv[2].view());
  if (!dict) return fail(interp, Msg::DictVariableNotFound, argv[2]);
  int limit = 0;
  if (argc > 3 && !core::starts_with(argv[3].view(), "-")) {
    limit = static_cast<int>(core::leading_int(argv[3].view()));
  }
  dict.table()->dump(limit, false, Words{interp, argc, argv}.has("-bare"));
  core::nuvelResetResult(interp);
  return Code::Ok;
}

// dict info name
Code dict_info(Interp& interp, int argc, Value* argv, void*) {
  VarRef var = vars::lookup(interp, argv[2].view());
  VarRef dict = vars::as_dict(interp, argv[2].view());
  if (!dict) return Code::Error;
  platform::outf("Dictionary '%s' at address 0x%" PRIxPTR " %i item(s)\n", argv[2].c_str(),
                 reinterpret_cast<uintptr_t>(var.record()), dict.table()->count());
  dict.table()->statistics();
  core::nuvelResetResult(interp);
  return Code::Ok;
}

uintptr_t address(const void* p) {
  return reinterpret_cast<uintptr_t>(p);
}

// dict debug name ?limit?
Code dict_debug(Interp& interp, int argc, Value* argv, void*) {
  VarRef var = vars::lookup(interp, argv[2].view());
  int limit = argc > 3 ? static_cast<int>(core::leading_int(argv[3].view())) : 0;
  platform::set_attribute(13);
  platform::out(std::string(70, '-') + "\n");
  platform::outf("Dict object\t0x%" PRIxPTR " (%.40s)\n", address(var.record()), argv[2].c_str());
  if (var) {
    // The record after this one in its frame's list (older records follow).
    VarRef next = vars::older_record(interp, var);
    VarRef owner = var.storage();
    platform::outf("this->next\t0x%" PRIxPTR "\n", address(next.record()));
    platform::outf("this->parent\t0x%" PRIxPTR "\n", address(var.target().record()));
    platform::outf("this->val\t%.50s\n", var.value().c_str());
    const hash_table* table = owner ? owner.table() : nullptr;
    platform::outf("this->table\t0x%" PRIxPTR "\n", address(table));
    if (table) table->info(limit);
  }
  platform::out(std::string(70, '-') + "\n");
  platform::reset_attribute();
  core::nuvelResetResult(interp);
  return Code::Ok;
}

constexpr core::EnsembleRow kDictRows[] = {
    {"create", dict_create, 2, core::kAnyWords, "create ?key value ...?"},
    {"get", dict_get, 3, core::kAnyWords, "get dictText ?key ...?"},
    {"filter", dict_get, 3, core::kAnyWords, "filter dictText ?key ...?"},
    {"item", dict_item, 4, core::kAnyWords, "item dictText key ?default? ?-nocase? ?-glob?"},
    {"keys", dict_keys, 3, core::kAnyWords, "keys dictText ?pattern?"},
    {"values", dict_values, 3, core::kAnyWords, "values dictText ?pattern?"},
    {"size", dict_size, 3, core::kAnyWords, "size name|dictText"},
    {"merge", dict_merge, 2, core::kAnyWords, "merge ?dictText ...?"},
    {"remove", dict_remove, 3, core::kAnyWords, "remove dictText ?key ...?"},
    {"replace", dict_replace, 3, core::kAnyWords, "replace dictText ?key value ...?"},
    {"for", dict_for, 5, 5, "for {keyVar valueVar} dictText body"},
    {"map", dict_map, 5, 5, "map {keyVar valueVar} dictText body"},
    {"with", dict_with, 4, core::kAnyWords, "with name ?-unset? body"},
    {"set", dict_set, 5, core::kAnyWords, "set name key ?key ...? value"},
    {"unset", dict_unset, 3, core::kAnyWords, "unset name ?key ...?"},
    {"lappend", dict_lappend_cmd, 4, core::kAnyWords, "lappend name key ?value ...?"},
    {"append", dict_append, 4, core::kAnyWords, "append name key ?text ...?"},
    {"exists", dict_exists, 3, core::kAnyWords, "exists name ?key ...?"},
    {"clear", dict_clear, 3, core::kAnyWords, "clear name ?name ...? ?-nocomplain?"},
    {"walk", dict_walk, 3, core::kAnyWords, "walk name ?limit? ?-bare?"},
    {"info", dict_info, 3, core::kAnyWords, "info name"},
    {"debug", dict_debug, 3, core::kAnyWords, "debug name ?limit?"},
};

constexpr core::Ensemble kDictEnsemble{"dict", kDictRows, Msg::UnknownOption};

// dict subcommand ?argument ...?
// Results: as each subcommand describes; dictionary texts made by create,
// merge, remove, replace and map are marked so that set takes them over as a
// dictionary variable.
Code nuvelCommandDict(Interp& interp, int argc, Value* argv, void*) {
  return core::dispatch_ensemble(interp, kDictEnsemble, argc, argv);
}

constexpr core::CommandRow kDictCommands[] = {
    {"dict", nuvelCommandDict, 2, core::kAnyWords, "subcommand ?argument ...?"},
};

}  // namespace

[[gnu::section(".text.startup.register")]] void register_dict_cmds(Interp& interp) {
  core::register_rows(interp, kDictCommands);
  core::register_ensemble(interp, kDictEnsemble);
}

}  // namespace collections
