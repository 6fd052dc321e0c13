// Variable commands: set (also registered as variable and =), unset, upvar,
// uplevel, global, static, const, swap, clear, is_set and is_const.
#include "collections/dict_store.h"
#include "containers/hash_table.h"
#include "core/cmd_helpers.h"
#include "core/collection_text.h"
#include "core/var_store.h"
#include "platform/console.h"

namespace vars {
namespace {

using core::Code;
using core::fail;
using core::Msg;
using core::Value;

bool is_global_name(std::string_view name) {
  return core::starts_with(name, "::");
}

// Calls a built-in command with ready-made words; an unknown command (which
// the evaluator would hand to the operating system) counts as a failure.
Code call_builtin(Interp& interp, std::vector<Value> words) {
  if (!core::nuvelGetCommand(interp, words[0].view())) return Code::Error;
  return core::nuvelCallCommand(interp, static_cast<int>(words.size()), words.data());
}

// The frame whose level is exactly `level`, found walking outward from the
// current frame; null when there is none.
CallFrame* frame_with_level(Interp& interp, int level) {
  if (level <= 0) return interp.global_frame.get();
  for (CallFrame* f = interp.callframe; f; f = f->parent) {
    if (f->level == level) return f;
  }
  return nullptr;
}

// Strips double quotes at both ends and turns backslash-space into space.
std::string clean_subscript(std::string_view sub) {
  while (!sub.empty() && sub.front() == '"') sub.remove_prefix(1);
  while (!sub.empty() && sub.back() == '"') sub.remove_suffix(1);
  std::string out;
  for (size_t i = 0; i < sub.size(); ++i) {
    if (sub[i] == '\\' && i + 1 < sub.size() && sub[i + 1] == ' ') continue;
    out.push_back(sub[i]);
  }
  return out;
}

// set name ?value?
// Results: the value read or assigned.
// Side effects: creates or assigns the variable (all name forms); a value just
// produced by dict makes the variable a dictionary.
Code nuvelCommandSet(Interp& interp, int argc, Value* argv, void*) {
  std::string_view name = argv[1].view();
  if (name == "-") return Code::Ok;
  if (name.empty()) return fail(interp, Msg::SetNameEmpty);
  bool dictionary = interp.result_type == VT_DICTIONARY;
  interp.result_type = 0;
  // The marker belongs to the result dict just produced: a value that is not
  // that result (set x 5 after a dict command) is an ordinary assignment.
  if (dictionary && argc == 3 && argv[2].view() == interp.result.view()) {
    return collections::dict_take_over(interp, "set", name, argv[2]);
  }
  int rc = access_var(interp, name, argc == 3 ? &argv[2] : nullptr, true);
  return rc == 0 ? Code::Ok : Code::Error;
}

// --- unset ---------------------------------------------------------------------

struct UnsetOptions {
  bool glob = false;
  bool nocomplain = false;
  bool constants = false;
  bool nocase = false;
};

Code unset_result(Interp& interp, bool ok) {
  core::nuvelSetResult(interp, Value(ok ? "1" : "0"));
  return ok ? Code::Ok : Code::Error;
}

// Removes one array element named base(subscript); nullopt when the word is
// not an element form.
std::optional<bool> unset_element(Interp& interp, std::string_view word, const UnsetOptions& o) {
  size_t open = word.find('(');
  if (open == std::string_view::npos || open == 0) return std::nullopt;
  size_t close = word.rfind(')');
  if (close == std::string_view::npos || close < open) close = word.size();
  std::string sub = clean_subscript(word.substr(open + 1, close - open - 1));
  std::string base(word.substr(0, open));
  VarRef owner = lookup_glob(interp, base, o.nocase).storage();
  return owner && owner.kind() == VT_ARRAY && !owner.is_constant() && remove_element(owner, sub);
}

// Removes every variable matching a glob pattern. False when it stopped.
bool unset_glob(Interp& interp, std::string_view cmd, std::string_view pattern,
                const UnsetOptions& o, bool& matched) {
  CallFrame* frame = interp.callframe;
  if (is_global_name(pattern)) {
    pattern.remove_prefix(2);
    frame = interp.global_frame.get();
  }
  for (VarRef v : frame_records(*frame)) {
    if (!collections::wild_match(pattern, v.name(), o.nocase)) continue;
    matched = true;
    if (v.is_constant() && !o.constants) {
      if (!o.nocomplain) (void)fail(interp, Msg::UnsetConstError, cmd, v.name());
      return false;
    }
    if (v.is_link() || v.kind() == VT_AUTO || v.kind() == VT_POINTER) {
      remove_from_frame(*frame, v);
    } else if (v.kind() == VT_ARRAY && !o.nocomplain) {
      (void)fail(interp, Msg::UnsetArray, v.name());
      return false;
    }
  }
  return true;
}

// Removes one variable by name. False when it failed (reported unless quiet).
bool unset_name(Interp& interp, std::string_view cmd, std::string_view name,
                const UnsetOptions& o) {
  VarRef var = lookup(interp, name).pinned();
  if (!var) {
    if (!o.nocomplain) (void)fail(interp, Msg::NotFound, name);
    return false;
  }
  if (var.kind() == VT_FIELD) {
    core::nuvelSetErrorCode(interp, 6, "Can't unset a struct member");
    return false;
  }
  CallFrame* frame = is_global_name(name) ? interp.global_frame.get() : interp.callframe;
  if (var.is_constant() && !o.constants) {
    if (o.nocomplain) return true;
    (void)fail(interp, Msg::UnsetConstError, cmd, name);
    return false;
  }
  if (var.is_link()) {
    // A link goes away without touching its target.
    remove_from_frame(*frame, var);
    return true;
  }
  switch (var.kind()) {
    case VT_AUTO:
    case VT_POINTER:
      remove_from_frame(*frame, var);
      return true;
    case VT_STRUCT:
      // The members and the block go with the struct.
      if (!release_struct(interp, var)) remove_from_frame(*frame, var);
      return true;
    case VT_ARRAY: {
      std::vector<Value> words = {Value("array"), Value("unset"), Value(name)};
      if (o.nocomplain) words.emplace_back("-nocomplain");
      if (var.is_constant()) words.emplace_back("-const");
      if (call_builtin(interp, std::move(words)) != Code::Ok) {
        (void)fail(interp, Msg::UnsetArrayFailed, name);
        return false;
      }
      return true;
    }
    case VT_DICTIONARY:
      clear_elements(var);
      make_plain(var);
      remove_from_frame(*frame, var);
      return true;
    default:
      (void)fail(interp, Msg::UnsetUnhandledType, var_type_name(var.kind()), name);
      return false;
  }
}

// unset name ... ?-glob? ?-nocomplain? ?-const? ?-nocase?
// Results: "1" when everything named was removed (or -nocomplain), else "0".
// Side effects: removes variables, array elements or dictionaries; stops at
// the first name that fails, and at the first array element word.
Code nuvelCommandUnset(Interp& interp, int argc, Value* argv, void*) {
  UnsetOptions o;
  o.glob = core::find_option_exact(argc, argv, "-glob", 1) >= 0;
  o.nocomplain = core::find_option_exact(argc, argv, "-nocomplain", 1) >= 0;
  o.constants = core::find_option_exact(argc, argv, "-const", 1) >= 0;
  o.nocase = core::find_option_exact(argc, argv, "-nocase", 1) >= 0;
  bool matched = false;
  for (int i = 1; i < argc; ++i) {
    std::string_view word = argv[i].view();
    if (word.empty() || word[0] == '-') continue;
    if (std::optional<bool> removed = unset_element(interp, word, o)) {
      if (*removed) return unset_result(interp, true);
      if (o.nocomplain) {
        core::nuvelSetResult(interp, Value("0"));
        return Code::Ok;
      }
      (void)fail(interp, Msg::UnsetElementError, argv[i]);
      return unset_result(interp, false);
    }
    if (o.glob) {
      if (!unset_glob(interp, argv[0].view(), word, o, matched)) {
        core::nuvelSetResult(interp, Value("0"));
        return o.nocomplain ? Code::Ok : Code::Error;
      }
      continue;
    }
    if (!unset_name(interp, argv[0].view(), word, o)) {
      if (o.nocomplain) return unset_result(interp, true);
      return unset_result(interp, false);
    }
    matched = true;
  }
  if (o.glob && !matched && !o.nocomplain) return unset_result(interp, false);
  return unset_result(interp, true);
}

// --- upvar, uplevel, global, static --------------------------------------------

// Reads a level word: "@n" absolute, "n" relative to the current level.
int level_of(Interp& interp, std::string_view word) {
  int64_t n;
  if (!word.empty() && word[0] == '@') {
    n = core::leading_int(word.substr(1));
  } else {
    // A huge negative distance would overflow; it names no frame either way.
    if (__builtin_sub_overflow(int64_t{interp.callframe->level}, core::leading_int(word), &n)) {
      n = MAX_PROC_LEVEL + 1;
    }
  }
  if (n < 0) n = 0;
  if (n > MAX_PROC_LEVEL) n = MAX_PROC_LEVEL + 1;
  return static_cast<int>(n);
}

bool is_level_word(std::string_view word) {
  return !word.empty() && (word[0] == '@' || (word[0] >= '0' && word[0] <= '9'));
}

Code already_exists(Interp& interp, std::string_view local) {
  return fail(interp, Msg::LinkExists, local, interp.callframe->level);
}

// Links `local` (in the current frame) to the element other = array(sub) of
// the frame at `level`, creating the element there when it is missing. Every
// check comes first: a link that cannot be made changes nothing.
Code link_element(Interp& interp, int level, std::string_view other, std::string_view local) {
  size_t open = other.find('(');
  size_t close = other.find(')', open);
  if (close == std::string_view::npos) close = other.size();
  std::string sub = clean_subscript(other.substr(open + 1, close - open - 1));
  std::string base(other.substr(0, open));
  if (base.empty() || sub.empty()) return fail(interp, Msg::LinkBadSubscript, other);
  CallFrame* frame = frame_with_level(interp, level);
  if (!frame) {
    core::nuvelResetResult(interp);
    return fail(interp, Msg::LinkErrorProcessing, other);
  }
  if (find_in_frame(*interp.callframe, local)) return already_exists(interp, local);
  VarRef array;
  {
    FrameSwitch in_target(interp, frame);
    VarRef found = lookup(interp, base);
    VarRef storage = found.storage();
    if (found && !storage) return fail(interp, Msg::LinkNotCreated, other);
    // A dictionary has a table but no elements to link to: refuse it before
    // anything is written into it.
    if (storage && storage.kind() != VT_ARRAY && storage.kind() != VT_AUTO && storage.table()) {
      return fail(interp, Msg::LinkNotCreated, other);
    }
    if (!array_element(found, sub)) {
      if (nuvelArraySetElement(interp, base, sub, Value(), false, false) != 0) {
        return fail(interp, Msg::LinkParentNotCreated, other);
      }
      found = lookup(interp, base);
    }
    array = found.storage();
  }
  if (!array || !link_to_element(interp, local, array, sub)) {
    return fail(interp, Msg::LinkNotCreated, other);
  }
  return Code::Ok;
}

// The linking worker of upvar, global and static. `level_word` is the number
// the not-found message shows.
Code link_var(Interp& interp, int level, bool level_given, std::string_view other,
              std::string_view local, bool nocomplain, int level_word) {
  if (!level_given && is_global_name(other)) {
    other.remove_prefix(2);
    level = 0;
  }
  if (local.empty() || local.find('(') != std::string_view::npos) local = other;
  if (other.find('(') != std::string_view::npos) return link_element(interp, level, other, local);
  if (is_global_name(other)) {
    if (level > 0) return fail(interp, Msg::LinkLevelConflict, level, other);
    other.remove_prefix(2);
    if (is_global_name(local)) local = other;
  }
  if (find_in_frame(*interp.callframe, local)) return already_exists(interp, local);
  CallFrame* frame = frame_with_level(interp, level);
  if (!frame) {
    if (nocomplain) return Code::Ok;
    return fail(interp, Msg::LinkTargetNotFound, other, level_word);
  }
  if (frame == interp.callframe && local == other) return already_exists(interp, local);
  VarRef target = find_in_frame(*frame, other);
  if (target && target.is_link() && !target.target()) {
    // A link whose target is gone reads as missing.
    remove_from_frame(*frame, target);
    target = VarRef();
  }
  if (!target) target = create_in_frame(*frame, other);
  link_to(interp, local, target);
  return Code::Ok;
}

// upvar ?level? othername ?localname? ?-nocomplain?
// Results: unchanged.
// Side effects: makes localname a link to othername in an outer frame (the
// target is created empty when missing).
Code nuvelCommandUpvar(Interp& interp, int argc, Value* argv, void*) {
  bool nocomplain = argc > 2 && argv[argc - 1].view() == "-nocomplain";
  // -nocomplain is a word of its own: the names take one to three words.
  int n = argc - 1 - (nocomplain ? 1 : 0);
  if (n < 1 || n > 3) return core::nuvelWrongArgs(interp, argc, argv);
  std::string_view level_word, other, local;
  if (n == 1) {
    other = argv[1].view();
  } else if (n == 2 && is_level_word(argv[1].view())) {
    level_word = argv[1].view();
    other = argv[2].view();
  } else if (n == 2) {
    other = argv[1].view();
    local = argv[2].view();
  } else {
    level_word = argv[1].view();
    other = argv[2].view();
    local = argv[3].view();
  }
  if (other.empty()) return core::nuvelWrongArgs(interp, argc, argv);
  bool given = !level_word.empty();
  int level = given ? level_of(interp, level_word) : std::max(0, interp.callframe->level - 1);
  int shown =
      given ? static_cast<int>(core::leading_int(level_word.substr(level_word[0] == '@' ? 1 : 0)))
            : level;
  return link_var(interp, level, given, other, local, nocomplain, shown);
}

// uplevel ?level? script
// Results: the script's result and code.
// Side effects: the script runs in the frame of the given level (default: the
// global frame); the current frame is restored afterwards.
Code nuvelCommandUplevel(Interp& interp, int argc, Value* argv, void*) {
  int level = argc == 3 ? level_of(interp, argv[1].view()) : 0;
  CallFrame* frame = interp.callframe;
  while (frame->level != level && frame->parent) frame = frame->parent;
  if (frame->level != level) return fail(interp, Msg::CallframeNotFound, level);
  Value script = argv[argc - 1];
  FrameSwitch in_frame(interp, frame);
  return core::rindoEval(interp, script);
}

// global name ... ?-value value?
// Results: "1", or "0" on failure.
// Side effects: links each name to the global of that name (created when
// missing; with -value a new global gets that value). At the global level the
// names are the globals themselves, so only a missing one is created.
Code nuvelCommandGlobal(Interp& interp, int argc, Value* argv, void*) {
  int names_end = argc;
  const Value* initial = nullptr;
  if (argc >= 3 && core::iequals(argv[argc - 2].view(), "-value")) {
    initial = &argv[argc - 1];
    names_end = argc - 2;
  }
  for (int i = 1; i < names_end; ++i) {
    std::string_view name = argv[i].view();
    std::string_view local = name;
    if (size_t at = name.rfind("::"); at != std::string_view::npos) local = name.substr(at + 2);
    std::string global_name(is_global_name(name) ? name.substr(2) : name);
    bool existed = static_cast<bool>(lookup(interp, global_name, 0));
    Code c = Code::Ok;
    if (interp.callframe->level == 0) {
      if (!existed && initial && set_var(interp, global_name, *initial) != 0) c = Code::Error;
    } else {
      c = link_var(interp, 0, true, global_name, local, false, 0);
      if (c == Code::Ok && initial && !existed && set_var(interp, local, *initial) != 0) {
        c = Code::Error;
      }
    }
    if (c != Code::Ok) {
      (void)fail(interp, Msg::GlobalSetError, argv[1]);
      core::nuvelSetResult(interp, Value("0"));
      return Code::Error;
    }
  }
  core::nuvelSetResult(interp, Value("1"));
  return Code::Ok;
}

// static name ?value?
// Results: unchanged; the code is always ok.
// Side effects: inside a procedure, links name to the global named
// procedure::name, which keeps its value between calls; a new static is set
// to the value word (or to the empty text).
Code nuvelCommandStatic(Interp& interp, int argc, Value* argv, void*) {
  std::string_view name = argv[1].view();
  CallFrame* frame = interp.callframe;
  bool in_proc = frame->level > 0;
  std::string storage =
      in_proc ? std::string(frame->proc_name.view()) + "::" + std::string(name) : std::string(name);
  bool existed = static_cast<bool>(lookup(interp, storage, 0));
  if (in_proc && !find_in_frame(*frame, name)) {
    (void)link_var(interp, 0, true, storage, name, false, 0);
  }
  if (!existed) {
    (void)set_var(interp, name, Value());
    if (argc == 3) (void)set_var(interp, name, argv[2]);
  }
  return Code::Ok;
}

// const name value ?-nocomplain?
// Results: unchanged.
// Side effects: defines a constant; -nocomplain replaces an existing value.
Code nuvelCommandConst(Interp& interp, int argc, Value* argv, void*) {
  bool replace = core::find_option_exact(argc, argv, "-nocomplain", 3) >= 0;
  if (argv[1].empty()) return core::nuvelWrongArgs(interp, argc, argv);
  return define_const(interp, argv[1].view(), argv[2], false, replace) == 0 ? Code::Ok
                                                                            : Code::Error;
}

// swap name1 name2
// Results: unchanged.
// Side effects: the two variables exchange names (so values, types and flags
// change places); constants are never swapped.
Code nuvelCommandSwap(Interp& interp, int argc, Value* argv, void*) {
  VarRef a = lookup(interp, argv[1].view());
  VarRef b = lookup(interp, argv[2].view());
  if (!a || !b) {
    platform::out(core::message_of(interp, Msg::NotFound, a ? argv[2] : argv[1]));
    return Code::Error;
  }
  if (a.is_constant() || b.is_constant()) {
    platform::out(core::message_of(interp, Msg::SwapConst));
    return Code::Ok;
  }
  swap_names(interp, a, b);
  return Code::Ok;
}

// clear ?-list?
// Results: the number of variables removed through unset, or their names.
// Side effects: removes every unprotected global variable.
Code nuvelCommandClear(Interp& interp, int argc, Value* argv, void*) {
  if (interp.callframe->level != 0) return fail(interp, Msg::ClearNotGlobal);
  bool as_list = core::find_option(argc, argv, "-list") >= 0;
  CallFrame* frame = interp.global_frame.get();
  int64_t count = 0;
  std::string names;
  for (VarRef v : frame_records(*frame)) {
    if (v.is_protected() || v.kind() == VT_FIELD) continue;
    // A record already removed with another one (a struct's members) is gone.
    if (!find_in_frame(*frame, v.name())) continue;
    set_constant(v, false);
    Value name(v.name());
    if (v.kind() == VT_STRUCT && !v.is_link()) {
      if (call_builtin(interp, {Value("struct"), Value("unset"), name, Value("-nocomplain")}) !=
          Code::Ok) {
        remove_from_frame(*frame, v);
      }
      continue;
    }
    if (v.kind() == VT_STACK && !v.is_link()) {
      (void)call_builtin(interp, {Value("stack"), Value("unset"), name, Value("-nocomplain")});
      continue;
    }
    if (call_builtin(interp, {Value("unset"), name, Value("-nocomplain")}) == Code::Ok) {
      ++count;
      collections::append_dict_item(names, name.view());
    }
  }
  if (as_list) {
    core::nuvelSetResult(interp, names.empty() ? Value("{}") : Value(std::move(names)));
    return Code::Ok;
  }
  return core::result_int(interp, count);
}

// is_set name ?-nocase?
// Results: "1" when the variable, or the array element name(subscript), exists.
Code nuvelCommandIsSet(Interp& interp, int argc, Value* argv, void*) {
  bool nocase = core::find_option(argc, argv, "-nocase") >= 0;
  std::string name;
  for (int i = 1; i < argc; ++i) {
    if (!core::starts_with(argv[i].view(), "-")) name += argv[i].view();
  }
  size_t open = name.find('(');
  if (open != std::string::npos && open > 0) {
    size_t close = name.find(')', open);
    if (close == std::string::npos) return core::result_bool(interp, false);
    std::string sub = clean_subscript(std::string_view(name).substr(open + 1, close - open - 1));
    VarRef owner = as_array(interp, std::string_view(name).substr(0, open));
    const containers::hash_table* table = owner ? owner.table() : nullptr;
    if (!table) return core::result_bool(interp, false);
    bool found = nocase ? table->scan_get(sub, nullptr, true) : table->get(sub);
    return core::result_bool(interp, found);
  }
  return core::result_bool(interp, !name.empty() && lookup(interp, name));
}

// is_const name
// Results: "1" when the variable exists in the current frame and is a constant.
Code nuvelCommandIsConst(Interp& interp, int argc, Value* argv, void*) {
  VarRef var = lookup(interp, argv[1].view());
  return core::result_bool(interp, var && var.is_constant());
}

// append name ?value ...?
// Results: the variable's new value.
// Side effects: appends each value to the variable, creating it when missing;
// every name form of set is accepted.
Code nuvelCommandAppend(Interp& interp, int argc, Value* argv, void*) {
  std::string_view name = argv[1].view();
  VarRef var = lookup(interp, name);
  bool element = name.find('(') != std::string_view::npos;
  if (element) {
    std::string tail;
    for (int k = 2; k < argc; ++k) tail += argv[k].view();
    Value grown;
    if (append_element_in_place(interp, name, tail, grown)) {
      core::nuvelSetResult(interp, grown);
      return Code::Ok;
    }
  }
  bool plain = var && var.kind() == VT_AUTO && !var.is_constant() && !var.is_pointer() && !element;
  if (plain) {
    // The result slot may share the old value; release it so that the
    // variable holds the only reference and the text can grow in place.
    if (interp.result.same_rep(var.value())) core::nuvelResetResult(interp);
    std::string tail;
    for (int k = 2; k < argc; ++k) tail += argv[k].view();
    if (append_in_place(var, tail)) {
      core::nuvelSetResult(interp, var.value());
      return Code::Ok;
    }
  }
  std::string text;
  if (var || name.find('(') != std::string_view::npos) {
    if (access_var(interp, name, nullptr, false) == 0) text = std::string(interp.result.view());
  }
  for (int k = 2; k < argc; ++k) text += argv[k].view();
  Value value(std::move(text));
  return access_var(interp, name, &value, true) == 0 ? Code::Ok : Code::Error;
}

constexpr core::CommandRow kVarCommands[] = {
    {"append", nuvelCommandAppend, 2, core::kAnyWords, "name ?value ...?"},
    {"set", nuvelCommandSet, 2, 3, "name ?value?"},
    {"variable", nuvelCommandSet, 2, 3, "name ?value?"},
    {"=", nuvelCommandSet, 2, 3, "name ?value?"},
    {"unset", nuvelCommandUnset, 2, core::kAnyWords,
     "name ?name ...? ?-glob? ?-nocomplain? ?-const? ?-nocase?"},
    {"upvar", nuvelCommandUpvar, 2, 5, "?level? othername ?localname? ?-nocomplain?"},
    {"uplevel", nuvelCommandUplevel, 2, 3, "?level? script"},
    {"global", nuvelCommandGlobal, 2, core::kAnyWords, "name ?name ...? ?-value value?"},
    {"static", nuvelCommandStatic, 2, 3, "name ?value?"},
    {"const", nuvelCommandConst, 3, core::kAnyWords, "name value ?-nocomplain?"},
    {"swap", nuvelCommandSwap, 3, 3, "name1 name2"},
    {"clear", nuvelCommandClear, 1, core::kAnyWords, "?-list?"},
    {"is_set", nuvelCommandIsSet, 2, core::kAnyWords, "name ?-nocase?"},
    {"is_const", nuvelCommandIsConst, 2, 2, "name"},
};

}  // namespace

[[gnu::section(".text.startup.register")]] void register_var_cmds(core::Interp& interp) {
  core::register_rows(interp, kVarCommands);
  interp.set_handler = nuvelCommandSet;
  interp.append_handler = nuvelCommandAppend;
}

}  // namespace vars
