// The variable store: finding, creating, assigning, linking and deleting
// variables in call frames, with the ::name and name(subscript) forms.
#include <algorithm>
#include <atomic>

#include "containers/hash_table.h"
#include "core/cmd_helpers.h"
#include "core/glob.h"
#include "core/list_value.h"
#include "core/switches.h"
#include "core/text_util.h"
#include "core/var.h"
#include "platform/system.h"

namespace vars {

using core::nuvelSetError;

const char* var_type_name(int type) {
  static const char* const kNames[] = {"auto",  "const",   "array",   "struct",
                                       "field", "pointer", "variant", "dictionary",
                                       "stack", "unknown", "list"};
  return type >= 0 && type <= 10 ? kNames[type] : "error";
}

const VarExtra Var::kNone;

CallFrame::~CallFrame() {
  // Release records one by one so that no chain of destructors recurses.
  index.clear();
  while (!vars.empty()) vars.pop_back();
}

namespace {

bool is_global_name(std::string_view name) {
  return core::has_global_prefix(name);
}

// The value a link shows: its target's current value, following chains of
// links to the record that holds the value. Null when a target is gone.
// `kind` receives the kind of that record (element links keep their own).
std::optional<Value> linked_value(const Var& link, int32_t& kind) {
  const Var* at = &link;
  std::shared_ptr<Var> hold;
  for (int hops = 0; at->is_link() && hops < 1000; ++hops) {
    std::shared_ptr<Var> next = at->target();
    if (!next) return std::nullopt;
    if (at->subscript() && next->type == VT_ARRAY) {
      Var* owner = array_owner(*next);
      Value v;
      if (owner && owner->table && owner->table->get(*at->subscript(), &v)) return v;
      return at->value;
    }
    hold = std::move(next);
    at = hold.get();
  }
  kind = at->type;
  return at->value;
}

CallFrame* frame_for(Interp& interp, std::string_view& name, int scope) {
  if (is_global_name(name)) {
    name.remove_prefix(2);
    return interp.global_frame.get();
  }
  return scope == -1 ? interp.callframe : interp.global_frame.get();
}

// Equal bytes; variable names are short, so a plain loop beats a library call.
inline bool same_bytes(const char* a, const char* b, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    if (a[i] != b[i]) return false;
  }
  return true;
}

[[gnu::always_inline]] inline Var* find_in(CallFrame& frame, std::string_view name) {
  if (!frame.index.empty()) {
    auto it = frame.index.find(name);
    return it == frame.index.end() ? nullptr : it->second;
  }
  const size_t size = name.size();
  if (size == 0) return nullptr;
  for (auto it = frame.vars.rbegin(); it != frame.vars.rend(); ++it) {
    const std::string& n = (*it)->name;
    if (n.size() == size && n[0] == name[0] && same_bytes(n.data(), name.data(), size)) {
      return it->get();
    }
  }
  return nullptr;
}

VarPtr make_var(std::string_view name, const Value& value, int32_t level) {
  auto v = new_record();
  v->name.assign(name.data(), name.size());
  v->value = value;
  v->type = VT_AUTO;
  v->level = level;
  v->changed = true;
  return v;
}

}  // namespace

// --- Look-up -------------------------------------------------------------------------

CallFrame* frame_at_level(Interp& interp, int n) {
  if (n < 0) n = 0;
  CallFrame* f = interp.callframe;
  while (f && f->level > n && f->level != 0) f = f->parent;
  return f ? f : interp.global_frame.get();
}

namespace {

[[gnu::always_inline]] inline Var* find_cached(CallFrame& frame, std::string_view name,
                                               core::VarLookupCache* cache) {
  if (!cache) return find_in(frame, name);
  if (cache->stamp != frame.stamp) {
    cache->var = find_in(frame, name);
    cache->stamp = frame.stamp;
  }
  return cache->var;
}

Var* get_var(Interp& interp, std::string_view name, int scope, core::VarLookupCache* cache) {
  if (!interp.callframe) {
    nuvelSetError(&interp, "getvar: NULL callframe\n");
    return nullptr;
  }
  if (name.empty()) return nullptr;
  CallFrame* frame = frame_for(interp, name, scope);
  if (name.empty() || !frame) return nullptr;
  Var* var = find_cached(*frame, name, cache);
  if (!var || !var->is_link()) return var;
  // A link shows its target as it is now: its value and its kind (the
  // target may have become an array or a dictionary since the link was made).
  int32_t kind = var->type;
  std::optional<Value> current = linked_value(*var, kind);
  if (!current) {
    // The target is gone: the link reads as missing and is dropped.
    remove_var_record(*frame, var);
    return nullptr;
  }
  if (var->level != interp.callframe->level && current->empty()) {
    var->value = Value("{}");
  } else {
    var->value = std::move(*current);
  }
  var->type = kind;
  return var;
}

}  // namespace

Var* nuvelGetVar(Interp& interp, std::string_view name, int scope) {
  return get_var(interp, name, scope, nullptr);
}

Var* nuvelGetVarSearching(Interp& interp, std::string_view name, core::VarLookupCache& cache) {
  return get_var(interp, name, -1, &cache);
}

VarPtr nuvelGetVarShared(Interp& interp, std::string_view name, int scope) {
  Var* var = nuvelGetVar(interp, name, scope);
  return var ? var->shared_from_this() : nullptr;
}

Var* nuvelGetVarGlob(Interp& interp, std::string_view pattern, bool nocase, int scope) {
  if (!interp.callframe) {
    nuvelSetError(&interp, "getvarglob: NULL callframe\n");
    return nullptr;
  }
  if (pattern.empty()) return nullptr;
  CallFrame* frame = frame_for(interp, pattern, scope);
  for (auto it = frame->vars.rbegin(); it != frame->vars.rend(); ++it) {
    if (*it && core::glob_match(pattern, (*it)->name, nocase)) {
      return nuvelGetVar(interp, (*it)->name, frame == interp.callframe ? -1 : 0);
    }
  }
  return nullptr;
}

Var* find_plain_local(Interp& interp, std::string_view name) {
  if (name.empty() || is_global_name(name) || !interp.callframe) return nullptr;
  Var* var = find_in(*interp.callframe, name);
  if (!var || var->is_link() || var->type != VT_AUTO) return nullptr;
  return var;
}

Var* find_plain_local_searching(Interp& interp, std::string_view name,
                                core::VarLookupCache& cache) {
  if (name.empty() || is_global_name(name) || !interp.callframe) return nullptr;
  Var* var = find_cached(*interp.callframe, name, &cache);
  if (!var || var->is_link() || var->type != VT_AUTO) return nullptr;
  return var;
}

bool var_exists(Interp& interp, std::string_view name) {
  return nuvelGetVar(interp, name, -1) != nullptr;
}

bool take_var_changed(Interp& interp, std::string_view name) {
  Var* var = nuvelGetVar(interp, name, -1);
  if (!var) return false;
  bool changed = var->changed;
  var->changed = false;
  std::shared_ptr<Var> hold;
  for (int hops = 0; var->is_link() && hops < 1000; ++hops) {
    hold = var->target();
    if (!hold) break;
    var = hold.get();
    changed = changed || var->changed;
    var->changed = false;
  }
  return changed;
}

int set_var_type(Interp& interp, std::string_view name, int type) {
  Var* v = nuvelGetVar(interp, name);
  if (!v) return 0;
  v->type = type;
  return 1;
}

int set_var_size(Interp& interp, std::string_view name, int size) {
  Var* v = nuvelGetVar(interp, name);
  if (!v) return 0;
  v->size = size;
  return 1;
}

int set_var_pointer(Interp& interp, std::string_view name, int flag) {
  Var* v = nuvelGetVar(interp, name);
  if (!v) return 0;
  v->is_pointer = flag != 0;
  return 1;
}

CallFrame* frame_of(Interp& interp, const Var* var) {
  if (!var) return nullptr;
  auto holds = [var](const CallFrame& f) {
    return var->frame_slot < f.vars.size() && f.vars[var->frame_slot].get() == var;
  };
  for (CallFrame* f = interp.callframe; f; f = f->parent) {
    if (holds(*f)) return f;
  }
  if (interp.global_frame && holds(*interp.global_frame)) return interp.global_frame.get();
  return nullptr;
}

uint64_t fresh_frame_stamp() {
  // Unique in the process, so that no two frames of any interpreters (which
  // may share compiled scripts through their texts) ever carry the same
  // stamp. A thread takes a block of 2^40 stamps from the shared counter and
  // counts within it, with no atomic operation per procedure call.
  static std::atomic<uint64_t> blocks{0};
  thread_local uint64_t next = 0;
  thread_local uint64_t end = 0;
  if (next == end) {
    next = (blocks.fetch_add(1, std::memory_order_relaxed) << 40) + 1;
    end = next - 1 + (uint64_t{1} << 40);
  }
  return next++;
}

namespace {

// Makes `var` the indexed record of its name. The key is a view of the
// indexed record's own name, so it is replaced with the record: a view of
// the older record's name would dangle once that record is removed.
void index_newest(CallFrame& frame, Var* var) {
  auto it = frame.index.find(var->name);
  if (it != frame.index.end()) {
    frame.index.erase(it);
    ++frame.shadowed;
  }
  frame.index.emplace(var->name, var);
}

}  // namespace

void rebuild_index(CallFrame& frame) {
  frame.index.clear();
  frame.shadowed = 0;
  // Oldest first, so the newest record of a name wins.
  for (const VarPtr& v : frame.vars) {
    if (v) index_newest(frame, v.get());
  }
  if (frame.index.empty() && frame.holes > 0) {
    frame.vars.clear();  // nothing but holes: a frame without an index has none
    frame.holes = 0;
  }
}

void add_var_record(CallFrame& frame, VarPtr var) {
  frame.stamp = fresh_frame_stamp();
  Var* raw = var.get();
  raw->frame_slot = static_cast<uint32_t>(frame.vars.size());
  frame.vars.push_back(std::move(var));
  if (!frame.index.empty()) {
    index_newest(frame, raw);
  } else if (frame.vars.size() > kFrameIndexThreshold) {
    rebuild_index(frame);
  }
}

namespace {

// Drops the holes of an indexed frame once they make up half of it, or at
// once when its last record went (a frame without an index has no holes).
void compact_holes(CallFrame& frame) {
  if (frame.holes == 0) return;
  if (!frame.index.empty() && (frame.holes < 16 || frame.holes * 2 < frame.vars.size())) return;
  std::erase(frame.vars, nullptr);
  frame.holes = 0;
  for (size_t i = 0; i < frame.vars.size(); ++i) {
    frame.vars[i]->frame_slot = static_cast<uint32_t>(i);
  }
}

}  // namespace

bool remove_var_record(CallFrame& frame, const Var* var) {
  if (!var) return false;
  if (frame.index.empty()) {
    // A small frame: close the gap and renumber what follows.
    for (auto it = frame.vars.rbegin(); it != frame.vars.rend(); ++it) {
      if (it->get() != var) continue;
      frame.stamp = fresh_frame_stamp();
      VarPtr keep = std::move(*it);  // freed after the frame is consistent
      auto at = frame.vars.erase(std::next(it).base());
      for (; at != frame.vars.end(); ++at) --(*at)->frame_slot;
      return true;
    }
    return false;
  }
  size_t slot = var->frame_slot;
  if (slot >= frame.vars.size() || frame.vars[slot].get() != var) return false;
  frame.stamp = fresh_frame_stamp();
  VarPtr keep = std::move(frame.vars[slot]);  // freed after the frame is consistent
  frame.vars[slot] = nullptr;
  ++frame.holes;
  auto entry = frame.index.find(keep->name);
  if (entry != frame.index.end() && entry->second == var) {
    frame.index.erase(entry);
    // An older record of the same name becomes visible again.
    if (frame.shadowed > 0) {
      for (size_t i = slot; i-- > 0;) {
        const VarPtr& older = frame.vars[i];
        if (older && older->name == keep->name) {
          frame.index.emplace(older->name, older.get());
          --frame.shadowed;
          break;
        }
      }
    }
  } else if (frame.shadowed > 0) {
    --frame.shadowed;  // a hidden record: a newer one keeps the name
  }
  compact_holes(frame);
  return true;
}

void clear_var_records(CallFrame& frame) {
  frame.stamp = fresh_frame_stamp();
  frame.index.clear();
  frame.holes = 0;
  frame.shadowed = 0;
  while (!frame.vars.empty()) frame.vars.pop_back();
}

// --- Change --------------------------------------------------------------------------

void write_chain_links(Var& var, const Value& value) {
  Var* at = &var;
  std::shared_ptr<Var> hold;
  for (int hops = 0; at && hops < 1000; ++hops) {
    if (at->is_link() && at->subscript()) {
      if (auto arr = at->target()) {
        if (Var* owner = array_owner(*arr); owner && owner->table) {
          owner->table->set(*at->subscript(), value.empty() ? Value("{}") : value);
          owner->changed = true;
        }
      }
      at->value = value;
      at->changed = true;
      at->size = static_cast<int32_t>(value.size());
      return;
    }
    at->value = value;
    at->changed = true;
    at->size = static_cast<int32_t>(value.size());
    if (!at->is_link()) return;
    hold = at->target();
    at = hold.get();
  }
}

namespace {

int set_found_var(Interp& interp, std::string_view name, Var* var, const Value& value);

}  // namespace

int set_var(Interp& interp, std::string_view name, const Value& value) {
  if (name.empty() || !interp.callframe) return 1;
  return set_found_var(interp, name, nuvelGetVar(interp, name, -1), value);
}

int set_var(Interp& interp, std::string_view name, const Value& value,
            core::VarLookupCache& cache) {
  if (name.empty() || !interp.callframe) return 1;
  return set_found_var(interp, name, nuvelGetVar(interp, name, cache), value);
}

namespace {

// Assigns to the record the name found (null: none, so one is made).
int set_found_var(Interp& interp, std::string_view name, Var* var, const Value& value) {
  if (var) {
    if (var->type == VT_AUTO) {
      write_chain(*var, value);
      return 0;
    }
    if (var->type == VT_DICTIONARY) {
      nuvelSetError(&interp, "set_var: Can't assign to '%s' (type %s)\n", var->name.c_str(),
                    var_type_name(var->type));
    } else {
      nuvelSetError(&interp, "set_var: Bad variable type '%s' (type %s)\n", var->name.c_str(),
                    var_type_name(var->type));
    }
    return 1;
  }
  CallFrame* frame = frame_for(interp, name, -1);
  if (name.empty()) return 1;
  add_var_record(*frame, make_var(name, value, frame->level));
  return 0;
}

}  // namespace

void add_fresh_local(Interp& interp, std::string_view name, const Value& value) {
  CallFrame& frame = *interp.callframe;
  add_var_record(frame, make_var(name, value, frame.level));
}

int define_const(Interp& interp, std::string_view name, const Value& value, bool is_protected,
                 bool replace) {
  Var* var = nuvelGetVar(interp, name, -1);
  if (var) {
    if (!replace) {
      std::string n(name);
      nuvelSetError(&interp, "%s: Variable '%s' already exists\n", "const", n.c_str());
      return 1;
    }
    var->value = value;
    var->is_constant = true;
    var->is_pointer = false;
    var->is_protected = is_protected;
    var->changed = false;
    return 0;
  }
  CallFrame* frame = frame_for(interp, name, -1);
  if (name.empty()) return 1;
  VarPtr v = make_var(name, value, 0);
  v->is_constant = true;
  v->is_protected = is_protected;
  v->changed = false;
  add_var_record(*frame, std::move(v));
  return 0;
}

int delete_var(Interp& interp, std::string_view name) {
  CallFrame* frame = frame_for(interp, name, -1);
  if (!frame || name.empty()) return 0;
  Var* var = find_in(*frame, name);
  if (!var) return 0;
  if (var->type != VT_AUTO && var->type != VT_STRUCT && var->type != VT_FIELD) return 0;
  return remove_var_record(*frame, var) ? 1 : 0;
}

void propagate_links(Var& var) {
  Var* at = &var;
  std::shared_ptr<Var> hold;
  for (int hops = 0; at->is_link() && hops < 1000; ++hops) {
    hold = at->target();
    if (!hold) break;
    if (at->subscript()) {
      if (Var* owner = array_owner(*hold); owner && owner->table) {
        owner->table->set(*at->subscript(), var.value.empty() ? Value("{}") : var.value);
      }
      break;
    }
    hold->value = var.value;
    hold->changed = true;
    at = hold.get();
  }
  var.changed = true;
}

// --- access_var ----------------------------------------------------------------------

namespace {

// Splits name(subscript); returns false when the name has no element form.
// `malformed` is set for a "(" without a proper ")".
bool split_element(std::string_view name, std::string_view& base, std::string& subscript,
                   bool& malformed) {
  malformed = false;
  size_t open = name.find('(');
  if (open == std::string_view::npos) return false;
  size_t close = name.find(')');
  if (close == std::string_view::npos || close < open + 2) {
    malformed = true;
    return false;
  }
  base = name.substr(0, open);
  std::string_view sub = name.substr(open + 1, close - open - 1);
  while (!sub.empty() && sub.front() == '"') sub.remove_prefix(1);
  while (!sub.empty() && sub.back() == '"') sub.remove_suffix(1);
  subscript.clear();
  for (size_t i = 0; i < sub.size(); ++i) {
    if (sub[i] == '\\' && i + 1 < sub.size() && sub[i + 1] == ' ') continue;
    subscript.push_back(sub[i]);
  }
  return true;
}

// Reads a struct member through the "name.member" form when no variable of
// that name exists (a link to a struct, a member read from another frame):
// the text before the first "." names the struct, the rest the field.
bool read_member(Interp& interp, std::string_view name, Value& out) {
  size_t dot = name.find('.');
  if (dot == std::string_view::npos) return false;
  Var* owner = nuvelGetVar(interp, name.substr(0, dot));
  if (!owner) return false;
  std::optional<MemberInfo> m = struct_member(VarRef(owner), name.substr(dot + 1));
  if (!m) return false;
  out = read_member_text(interp, m->address, m->width).value_or(Value());
  return true;
}

}  // namespace

bool append_element_in_place(Interp& interp, std::string_view name, std::string_view tail,
                             Value& out) {
  std::string_view base;
  std::string subscript;
  bool malformed = false;
  if (!split_element(name, base, subscript, malformed)) return false;
  Var* var = nuvelGetVar(interp, base);
  if (!var || var->subscript()) return false;
  Var* owner = array_owner(*var);
  if (!owner || owner->type != VT_ARRAY || !owner->table || owner->ignore_case) return false;
  containers::HashNode* node = owner->table->find_node(subscript);
  if (!node) return false;
  // The result slot may hold the element's text (the last append's result).
  if (interp.result.same_rep(node->value)) core::nuvelResetResult(interp);
  if (!owner->table->append_in_place(subscript, tail)) return false;
  owner->changed = true;
  out = node->value;
  return true;
}

namespace {
int set_element(Interp& interp, Var* var, std::string_view name, std::string_view sub,
                const Value& value, bool is_const, bool nocase);
}  // namespace

int access_var(Interp& interp, std::string_view name, const Value* value, bool report) {
  const char* cmd = "set";
  std::string_view base;
  std::string subscript;
  bool malformed = false;
  if (split_element(name, base, subscript, malformed)) {
    Var* existing = nuvelGetVar(interp, base);
    if (existing && existing->type != VT_ARRAY && existing->type != VT_AUTO) {
      std::string base_s(base);
      if (report)
        nuvelSetError(&interp, "%s: Variable '%s' can't store an array\n", cmd, base_s.c_str());
      return 1;
    }
    if (value) {
      // The record found above is the one a second search would find: the
      // search changes nothing a repeated search could see.
      int rc = base.empty() || subscript.empty()
                   ? 1
                   : set_element(interp, existing, base, subscript, *value, false, false);
      core::nuvelSetResult(interp, rc == 0 ? *value : Value());
      return rc;
    }
    Var* array = existing;
    std::optional<Value> element;
    if (array) element = array_get_element(interp, *array, subscript);
    if (!element) {
      std::string base_s(base);
      if (report)
        nuvelSetError(&interp, "%s: No such array element %s(%s)\n", cmd, base_s.c_str(),
                      subscript.c_str());
      return 1;
    }
    core::nuvelSetResult(interp, std::move(*element));
    return 0;
  }
  if (malformed) {
    std::string n(name);
    if (report) nuvelSetError(&interp, "%s: Syntax error '%s'\n", cmd, n.c_str());
    return 1;
  }
  Var* var = nuvelGetVar(interp, name, -1);
  if (!value) {
    if (!var) {
      Value member;
      if (read_member(interp, name, member)) {
        core::nuvelSetResult(interp, member);
        return 0;
      }
      std::string n(name);
      if (report) nuvelSetError(&interp, "%s: Variable '%s' not found\n", cmd, n.c_str());
      core::nuvelResetResult(interp);
      return 1;
    }
    switch (var->type) {
      case VT_AUTO:
        core::nuvelSetResult(interp, var->is_pointer ? Value() : var->value);
        return 0;
      case VT_FIELD:
        core::nuvelSetResult(interp, field_value(interp, *var));
        return 0;
      case VT_STRUCT:
        core::nuvelSetResult(interp, Value("<struct>"));
        return 0;
      case VT_DICTIONARY:
        core::nuvelSetResult(interp, dict_text_form(*var));
        return 0;
      default:
        core::nuvelResetResult(interp);
        return 0;
    }
  }
  if (!var) {
    if (set_var(interp, name, *value) != 0) {
      if (report) nuvelSetError(&interp, "%s: Unhandled error\n", cmd);
      return 1;
    }
    core::nuvelSetResult(interp, *value);
    return 0;
  }
  if (var->type == VT_AUTO && !var->is_pointer && !var->is_constant) {
    write_chain(*var, *value);
    core::nuvelSetResult(interp, *value);
    return 0;
  }
  if (var->type == VT_DICTIONARY) {
    // A text assigned to a dictionary makes it a plain variable again: the
    // record that owns the table (at the end of a chain of links) gives it
    // up as well as the record the name found.
    if (Var* owner = array_owner(*var); owner && owner != var) {
      owner->table.reset();
      owner->type = VT_AUTO;
      owner->value = Value();
      owner->changed = true;
    }
    var->table.reset();
    var->type = VT_AUTO;
    var->value = Value();
    if (var->extra) var->extra->subscript.reset();
    if (set_var(interp, name, *value) != 0) return 1;
    core::nuvelSetResult(interp, *value);
    return 0;
  }
  if (report) {
    std::string n(name);
    nuvelSetError(&interp, "%s: Variable type %s object '%s' not handled\n", cmd,
                  var->is_constant ? "const" : var_type_name(var->type), n.c_str());
  }
  return 1;
}

std::optional<Value> get_var_value(Interp& interp, std::string_view text) {
  if (text.empty()) return std::nullopt;
  size_t open = text.find('{');
  if (open != std::string_view::npos) {
    int depth = 0;
    for (size_t i = open; i < text.size(); ++i) {
      if (text[i] == '{') {
        ++depth;
      } else if (text[i] == '}' && --depth == 0) {
        return get_var_value(interp, text.substr(open + 1, i - open - 1));
      }
    }
    return std::nullopt;
  }
  std::string name(text);
  if (text[0] == '$') {
    auto inner = get_var_value(interp, text.substr(1));
    if (!inner) return std::nullopt;
    name = std::string(inner->view());
  }
  Value saved = interp.result;
  if (access_var(interp, name, nullptr, false) != 0) {
    interp.result = saved;
    return std::nullopt;
  }
  Value v = interp.result;
  interp.result = saved;
  return v;
}

// --- Subscripts ----------------------------------------------------------------------

bool plain_subscript_key(Interp& interp, const core::Value& subscript, core::Value& key) {
  std::string_view raw = subscript.view();
  if (raw.empty() || raw.front() == ' ' || raw.front() == '\t' || raw.back() == ' ' ||
      raw.back() == '\t' || raw.find("\\ ") != std::string_view::npos ||
      subscript.size() > core::kCompileCacheLimit || interp.eval_depth >= core::kMaxEvalDepth ||
      platform::break_flag()) {
    return false;
  }
  const core::CompiledScript& script = core::compiled_script(subscript);
  if (script.has_error || script.commands.size() != 1) return false;
  const core::CompiledCommand& cmd = script.commands[0];
  if (cmd.words.size() != 1 || cmd.words[0].expand) return false;
  const std::vector<core::WordPart>& parts = cmd.words[0].parts;
  auto part_text = [&](const core::WordPart& part, Value& v) {
    if (part.kind == core::WordPart::Literal) {
      v = part.text;
      return true;
    }
    if (part.kind != core::WordPart::Variable || part.has_subscript || part.text.empty() ||
        part.text[0] == '$' || part.text[0] == '{') {
      return false;
    }
    Var* var = nuvelGetVar(interp, part.text.view(), part.lookup);
    if (!var) return false;
    if (var->type == VT_FIELD) {
      v = field_value(interp, *var);
    } else if (var->type == VT_DICTIONARY) {
      v = dict_text_form(*var);
    } else {
      v = var->value;
    }
    return true;
  };
  if (parts.size() == 1) {
    if (!part_text(parts[0], key)) return false;
  } else {
    std::string joined;
    for (const core::WordPart& part : parts) {
      Value v;
      if (!part_text(part, v)) return false;
      joined += v.view();
    }
    key = Value(std::move(joined));
  }
  if (key.empty()) return false;
  // The substitution pass leaves its word as the result.
  interp.result = key;
  interp.result_length = 0;
  return true;
}

// --- Frames --------------------------------------------------------------------------

void nuvelDropCallFrame(Interp& interp) {
  CallFrame* frame = interp.callframe;
  if (!frame || !frame->parent) return;
  frame->proc_name = Value();
  clear_var_records(*frame);
  interp.callframe = frame->parent;
}

FrameGuard::FrameGuard(Interp& interp, const Value& proc_name) : interp_(interp) {
  frame_.parent = interp.callframe;
  frame_.level = interp.callframe ? interp.callframe->level + 1 : 1;
  frame_.proc_name = proc_name;
  frame_.has_proc_name = true;
  interp.callframe = &frame_;
}

FrameGuard::~FrameGuard() {
  // Restore the frame that was current when this one was pushed, even if a
  // handler left the current frame pointing elsewhere.
  interp_.callframe = &frame_;
  nuvelDropCallFrame(interp_);
}

FrameSwitch::FrameSwitch(Interp& interp, CallFrame* frame)
    : interp_(interp), saved_(interp.callframe) {
  if (frame) interp.callframe = frame;
}

FrameSwitch::~FrameSwitch() {
  interp_.callframe = saved_;
}

// --- Arrays --------------------------------------------------------------------------

Var* array_owner(Var& var) {
  Var* at = &var;
  for (int hops = 0; at->is_link() && !at->subscript() && hops < 1000; ++hops) {
    std::shared_ptr<Var> next = at->target();
    if (!next) return nullptr;
    // Frames keep the target alive while it can be reached.
    at = next.get();
  }
  return at;
}

std::optional<Value> array_get_element(Interp& interp, Var& array, std::string_view subscript) {
  (void)interp;
  Var* owner = array_owner(array);
  if (!owner || owner->type != VT_ARRAY || !owner->table) return std::nullopt;
  Value v;
  if (!owner->table->get(subscript, &v)) return std::nullopt;
  return v;
}

namespace {

// Sets name(subscript) where `var` is what nuvelGetVar found for the name.
int set_element(Interp& interp, Var* var, std::string_view name, std::string_view sub,
                const Value& value, bool is_const, bool nocase) {
  auto make_array = [&](Var& rec) {
    rec.value = Value("<array>");
    rec.type = VT_ARRAY;
    rec.is_constant = is_const;
    rec.ignore_case = nocase;
    rec.table = std::make_shared<containers::hash_table>(250);
  };
  if (!var) {
    if (set_var(interp, name, Value("<array>")) != 0) return 1;
    var = nuvelGetVar(interp, name, -1);
    if (!var) return 1;
    make_array(*var);
    var->table->set(sub, value);
    var->changed = true;
    return 0;
  }
  if (var->type != VT_AUTO) {
    Var* owner = array_owner(*var);
    if (!owner) return 1;
    if (owner->is_constant || var->is_constant) {
      std::string n(name);
      nuvelSetError(&interp, "Can't assign to const array '%s'\n", n.c_str());
      return 1;
    }
    if (!owner->table) return 1;
    if (!owner->table->set(sub, value) && !value.empty()) {
      nuvelSetError(&interp, "array set: Failed to update element\n");
      return 1;
    }
    owner->changed = true;
    var->changed = true;
    return 0;
  }
  // A plain variable becomes an array; through a link, the target does.
  Var* owner = var->is_link() && !var->subscript() ? array_owner(*var) : var;
  if (!owner || owner->subscript()) {
    std::string n(name);
    std::string s(sub);
    nuvelSetError(&interp, "Unexpected error setting array %s(%s)\n", n.c_str(), s.c_str());
    return 1;
  }
  if (owner->type != VT_ARRAY) make_array(*owner);
  if (owner != var) var->type = VT_ARRAY;
  owner->table->set(sub, var->is_link() && value.empty() ? Value("{}") : value);
  owner->changed = true;
  var->changed = true;
  return 0;
}

}  // namespace

int nuvelArraySetElement(Interp& interp, std::string_view name, std::string_view subscript,
                         const Value& value, bool is_const, bool nocase) {
  if (name.empty() || subscript.empty()) return 1;
  return set_element(interp, nuvelGetVar(interp, name, -1), name, subscript, value, is_const,
                     nocase);
}

Value dict_text_form(const Var& var) {
  const Var* owner = array_owner(const_cast<Var&>(var));
  if (!owner || !owner->table) return Value();
  return dict_table_text(*owner);
}

Value field_value(Interp& interp, const Var& var) {
  // The member's own width caps the read: a value that fills the field has
  // no terminator, and the bytes after it belong to the next member.
  std::optional<uint64_t> address = core::read_address(var.value.view());
  if (!address) return Value();
  return read_member_text(interp, *address, var.size).value_or(Value());
}

}  // namespace vars
