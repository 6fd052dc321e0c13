// The typed side of the variable store: handles on records, look-up by kind,
// and the writers every command family goes through.
#include "core/var_store.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "containers/hash_table.h"
#include "containers/pair_list.h"
#include "containers/stack.h"
#include "core/text_util.h"
#include "core/var.h"

namespace vars {

using containers::hash_table;
using containers::Stack;

// --- VarRef --------------------------------------------------------------------

VarRef VarRef::pinned() const {
  VarRef out(rec_);
  if (rec_) out.pin_ = rec_->shared_from_this();
  return out;
}

const std::string& VarRef::name() const {
  return rec_->name;
}
const Value& VarRef::value() const {
  return rec_->value;
}
int VarRef::kind() const {
  return rec_->type;
}
int VarRef::level() const {
  return rec_->level;
}
bool VarRef::is_constant() const {
  return rec_->is_constant;
}
bool VarRef::is_protected() const {
  return rec_->is_protected;
}
bool VarRef::is_pointer() const {
  return rec_->is_pointer;
}
bool VarRef::ignore_case() const {
  return rec_->ignore_case;
}
bool VarRef::is_link() const {
  return rec_->is_link();
}
bool VarRef::is_element_link() const {
  return rec_->is_link() && rec_->subscript().has_value();
}

VarRef VarRef::storage() const {
  return rec_ ? VarRef(array_owner(*rec_)) : VarRef();
}

VarRef VarRef::target() const {
  if (!rec_ || !rec_->is_link()) return VarRef();
  std::shared_ptr<Var> t = rec_->target();
  // Frames keep a target alive while it can be reached.
  return VarRef(t.get());
}

const hash_table* VarRef::table() const {
  return rec_ ? rec_->table.get() : nullptr;
}

std::shared_ptr<const Stack> VarRef::stack() const {
  return rec_ ? rec_->stack() : nullptr;
}

// --- Look-up -------------------------------------------------------------------

VarRef lookup(Interp& interp, std::string_view name, int scope) {
  return VarRef(nuvelGetVar(interp, name, scope));
}

VarRef lookup(Interp& interp, std::string_view name, core::VarLookupCache& cache) {
  return VarRef(nuvelGetVar(interp, name, cache));
}

const Value* plain_local_value(Interp& interp, std::string_view name, core::VarLookupCache& cache) {
  Var* var = find_plain_local(interp, name, cache);
  return var ? &var->value : nullptr;
}

VarRef lookup_glob(Interp& interp, std::string_view pattern, bool nocase, int scope) {
  return VarRef(nuvelGetVarGlob(interp, pattern, nocase, scope));
}

namespace {

Var* storage_of_kind(Interp& interp, std::string_view name, int kind) {
  Var* var = nuvelGetVar(interp, name, -1);
  if (!var) return nullptr;
  Var* owner = array_owner(*var);
  return owner && owner->type == kind ? owner : nullptr;
}

}  // namespace

VarRef as_array(Interp& interp, std::string_view name) {
  return VarRef(storage_of_kind(interp, name, VT_ARRAY));
}

VarRef as_dict(Interp& interp, std::string_view name) {
  Var* owner = storage_of_kind(interp, name, VT_DICTIONARY);
  return VarRef(owner && owner->table ? owner : nullptr);
}

VarRef as_stack(Interp& interp, std::string_view name) {
  return VarRef(storage_of_kind(interp, name, VT_STACK));
}

std::optional<Value> array_element(VarRef array, std::string_view subscript) {
  Var* owner = array ? array_owner(*array.record()) : nullptr;
  if (!owner || owner->type != VT_ARRAY || !owner->table) return std::nullopt;
  Value v;
  if (!owner->table->get(subscript, &v)) return std::nullopt;
  return v;
}

bool may_find_name_starting(const Interp& interp, std::string_view firsts) {
  const CallFrame* frame = interp.callframe;
  if (frame == nullptr || !frame->index.empty()) return true;
  for (const VarPtr& v : frame->vars) {
    if (v && !v->name.empty() && firsts.find(v->name[0]) != std::string_view::npos) return true;
  }
  return false;
}

bool may_find_name_starting(const Interp& interp, std::string_view firsts, NameStartMemo& memo) {
  const CallFrame* frame = interp.callframe;
  if (frame == nullptr) return true;
  if (memo.stamp != frame->stamp) {
    memo.found = may_find_name_starting(interp, firsts);
    memo.stamp = frame->stamp;
  }
  return memo.found;
}

VarRef find_in_frame(CallFrame& frame, std::string_view name) {
  for (auto it = frame.vars.rbegin(); it != frame.vars.rend(); ++it) {
    if (*it && (*it)->name == name) return VarRef(it->get());
  }
  return VarRef();
}

CallFrame* frame_of(Interp& interp, VarRef var) {
  return var ? frame_of(interp, var.record()) : nullptr;
}

std::vector<VarRef> frame_records(const CallFrame& frame) {
  std::vector<VarRef> out;
  out.reserve(frame.vars.size() - frame.holes);
  for (auto it = frame.vars.rbegin(); it != frame.vars.rend(); ++it) {
    if (*it) out.push_back(VarRef(it->get()).pinned());
  }
  return out;
}

VarRef older_record(Interp& interp, VarRef var) {
  CallFrame* frame = frame_of(interp, var);
  if (!frame) return VarRef();
  for (size_t i = var.record()->frame_slot; i-- > 0;) {
    if (frame->vars[i]) return VarRef(frame->vars[i].get());
  }
  return VarRef();
}

// --- Values --------------------------------------------------------------------

void assign(VarRef var, const Value& value) {
  if (var) write_chain(*var.record(), value);
}

bool append_in_place(VarRef var, std::string_view tail) {
  if (!var) return false;
  // A link (global, upvar) keeps a copy of its target's value, which would
  // make the text shared: the links of the chain let go of their copies for
  // the append and take the grown text afterwards.
  std::vector<Var*> links;
  std::vector<std::shared_ptr<Var>> hold;
  Var* at = var.record();
  for (int hops = 0; at->is_link(); ++hops) {
    if (hops >= 1000 || at->subscript()) return false;
    std::shared_ptr<Var> next = at->target();
    if (!next) return false;
    links.push_back(at);
    at = next.get();
    hold.push_back(std::move(next));
  }
  Var& rec = *at;
  if (rec.type != VT_AUTO || rec.is_constant || rec.is_pointer) return false;
  for (Var* link : links) link->value = Value();
  bool grown = tail.empty() || rec.value.append_in_place(tail);
  for (Var* link : links) {
    link->value = rec.value;
    if (grown) link->changed = true;
  }
  if (!grown) return false;
  rec.changed = true;
  rec.size = static_cast<int32_t>(std::min<size_t>(rec.value.size(), INT32_MAX));
  return true;
}

// --- Elements ------------------------------------------------------------------

bool set_element(VarRef storage, std::string_view key, const Value& value) {
  Var* rec = storage.record();
  if (!rec || !rec->table) return false;
  if (!rec->table->set(key, value)) return false;
  rec->changed = true;
  return true;
}

bool remove_element(VarRef storage, std::string_view key) {
  Var* rec = storage.record();
  if (!rec || !rec->table || !rec->table->remove(key)) return false;
  rec->changed = true;
  return true;
}

void clear_elements(VarRef storage) {
  Var* rec = storage.record();
  if (!rec || !rec->table) return;
  rec->table->clear();
  rec->changed = true;
}

void trim_elements(VarRef storage, std::string_view chars, int mode) {
  Var* rec = storage.record();
  if (!rec || !rec->table) return;
  rec->table->trim_values(chars, mode);
  rec->changed = true;
}

Value dict_text(VarRef var) {
  return var ? dict_text_form(*var.record()) : Value();
}

// --- Kinds ---------------------------------------------------------------------

namespace {

// A new plain variable `name` holding `marker`, or null when the name exists
// or cannot be made.
Var* fresh_variable(Interp& interp, std::string_view name, const char* marker) {
  if (nuvelGetVar(interp, name, -1)) return nullptr;
  if (set_var(interp, name, Value(marker)) != 0) return nullptr;
  return nuvelGetVar(interp, name, -1);
}

void become_dict(Var& owner, int32_t buckets) {
  owner.type = VT_DICTIONARY;
  owner.value = Value("<dict>");
  owner.table = std::make_shared<hash_table>(buckets);
  owner.changed = true;
}

}  // namespace

VarRef create_array(Interp& interp, std::string_view name, int32_t buckets) {
  Var* var = fresh_variable(interp, name, "<array>");
  if (!var) return VarRef();
  var->type = VT_ARRAY;
  var->table = std::make_shared<hash_table>(buckets);
  var->changed = true;
  return VarRef(var);
}

VarRef create_dict(Interp& interp, std::string_view name, int32_t buckets) {
  Var* var = fresh_variable(interp, name, "<dict>");
  if (!var) return VarRef();
  become_dict(*var, buckets);
  return VarRef(var);
}

VarRef create_stack(Interp& interp, std::string_view name, int32_t capacity) {
  Var* var = fresh_variable(interp, name, "<stack>");
  if (!var) return VarRef();
  var->type = VT_STACK;
  var->more().stack = std::make_shared<Stack>(capacity, true);
  var->changed = true;
  return VarRef(var);
}

void make_dict(VarRef var, int32_t buckets) {
  Var* owner = var ? array_owner(*var.record()) : nullptr;
  if (!owner) return;
  become_dict(*owner, buckets);
  if (owner != var.record()) var.record()->type = VT_DICTIONARY;
}

void make_plain(VarRef var) {
  Var* rec = var.record();
  if (!rec) return;
  if (rec->stack() && !rec->is_link()) rec->stack()->release();
  if (rec->extra) rec->extra->stack.reset();
  rec->table.reset();
  rec->type = VT_AUTO;
  rec->value = Value();
  rec->changed = true;
}

void set_constant(VarRef var, bool on) {
  if (var) var.record()->is_constant = on;
}

void set_ignore_case(VarRef var, bool on) {
  if (var) var.record()->ignore_case = on;
}

// --- Stacks --------------------------------------------------------------------

int32_t stack_push(VarRef storage, const Value& text) {
  Var* rec = storage.record();
  if (!rec || !rec->stack()) return -1;
  int32_t slot = rec->stack()->pushstr(text);
  rec->changed = true;
  return slot;
}

std::optional<Value> stack_pop(VarRef storage) {
  Var* rec = storage.record();
  if (!rec || !rec->stack()) return std::nullopt;
  rec->changed = true;
  return rec->stack()->pop_string();
}

void stack_clear(VarRef storage) {
  Var* rec = storage.record();
  if (!rec || !rec->stack()) return;
  rec->stack()->clear();
  rec->changed = true;
}

// --- Records, links and frames -------------------------------------------------

bool remove_var(Interp& interp, VarRef var) {
  CallFrame* frame = frame_of(interp, var);
  return frame && remove_var_record(*frame, var.record());
}

bool remove_from_frame(CallFrame& frame, VarRef var) {
  return var && remove_var_record(frame, var.record());
}

VarRef create_in_frame(CallFrame& frame, std::string_view name) {
  auto fresh = new_record();
  fresh->name = std::string(name);
  fresh->level = frame.level;
  fresh->changed = true;
  Var* raw = fresh.get();
  add_var_record(frame, std::move(fresh));
  return VarRef(raw);
}

VarRef link_to(Interp& interp, std::string_view local, VarRef target) {
  if (!target) return VarRef();
  const Var& t = *target.record();
  auto link = new_record();
  link->name = std::string(local);
  link->value = t.value;
  link->type = t.type;
  link->is_pointer = t.is_pointer;
  link->is_constant = t.is_constant;
  link->is_protected = t.is_protected;
  if (t.list() || link->extra) link->more().list = t.list();
  link->table = t.table;
  if (t.stack() || link->extra) link->more().stack = t.stack();
  link->size = t.size;
  link->parent = target.record()->shared_from_this();
  link->has_parent = true;
  link->level = interp.callframe->level;
  link->changed = true;
  Var* raw = link.get();
  add_var_record(*interp.callframe, std::move(link));
  return VarRef(raw);
}

VarRef link_to_element(Interp& interp, std::string_view local, VarRef array,
                       std::string_view subscript) {
  std::optional<Value> element = array_element(array, subscript);
  if (!element) return VarRef();
  auto link = new_record();
  link->name = std::string(local);
  link->value = *element;
  link->size = static_cast<int32_t>(element->size());
  link->more().subscript = std::string(subscript);
  link->type = VT_AUTO;
  link->parent = array.record()->shared_from_this();
  link->has_parent = true;
  link->level = interp.callframe->level;
  link->changed = true;
  Var* raw = link.get();
  add_var_record(*interp.callframe, std::move(link));
  return VarRef(raw);
}

namespace {

// Rebuilds a frame's name index after records changed names.
void reindex(CallFrame* frame) {
  if (!frame || frame->index.empty()) return;
  rebuild_index(*frame);
}

}  // namespace

void swap_names(Interp& interp, VarRef a, VarRef b) {
  if (!a || !b) return;
  CallFrame* fa = frame_of(interp, a);
  CallFrame* fb = frame_of(interp, b);
  std::swap(a.record()->name, b.record()->name);
  if (fa) fa->stamp = fresh_frame_stamp();
  if (fb) fb->stamp = fresh_frame_stamp();
  reindex(fa);
  if (fb != fa) reindex(fb);
}

// --- Structures and addresses --------------------------------------------------

namespace {

Value address_text(uint64_t address) {
  return Value(std::to_string(address));
}

// The record that owns a struct's block (through links), or null.
Var* struct_owner(VarRef var) {
  Var* owner = var ? array_owner(*var.record()) : nullptr;
  if (!owner || owner->type != VT_STRUCT || !owner->body() || !owner->body()->block) return nullptr;
  return owner;
}

MemberInfo member_info(const Var& owner, const StructMember& m) {
  MemberInfo info;
  std::shared_ptr<Var> rec = m.record.lock();
  info.record = VarRef(rec.get());
  info.name = rec ? rec->name : owner.name + "." + m.field;
  info.field = m.field;
  info.address = owner.body()->block->address() + m.offset;
  info.width = m.width;
  return info;
}

}  // namespace

VarRef create_struct(Interp& interp, std::string_view name, int64_t size,
                     const std::vector<FieldSpec>& fields) {
  if (!interp.callframe || size <= 0) return VarRef();
  CallFrame* frame = core::has_global_prefix(name) ? interp.global_frame.get() : interp.callframe;
  std::string_view bare = core::strip_global_prefix(name);
  if (bare.empty()) return VarRef();
  std::shared_ptr<core::MemRegistry> registry = core::mem_registry(interp);
  uint64_t address = registry->allocate(static_cast<size_t>(size), core::BlockKind::Struct);
  if (address == 0) return VarRef();
  auto body = std::make_shared<StructBody>();
  body->block = std::make_unique<core::BlockLease>(registry, address, static_cast<size_t>(size));
  auto rec = new_record();
  rec->name = std::string(bare);
  rec->value = address_text(address);
  rec->type = VT_STRUCT;
  rec->size = static_cast<int32_t>(size);
  rec->level = frame->level;
  rec->changed = true;
  rec->more().list = std::make_shared<containers::PairList>();
  rec->more().body = body;
  Var* raw = rec.get();
  add_var_record(*frame, std::move(rec));
  uint64_t offset = 0;
  for (const FieldSpec& f : fields) {
    auto m = new_record();
    m->name = std::string(bare) + "." + f.name;
    m->value = address_text(address + offset);
    m->type = VT_FIELD;
    m->size = static_cast<int32_t>(f.width);
    m->is_pointer = true;
    m->level = frame->level;
    m->changed = true;
    if (containers::PairNode* node = raw->list()->add_object(m.get())) node->value = f.name;
    body->members.push_back({m, f.name, offset, f.width});
    add_var_record(*frame, std::move(m));
    offset += static_cast<uint64_t>(f.width);
  }
  return VarRef(raw);
}

std::optional<StructInfo> struct_info(VarRef var) {
  Var* owner = struct_owner(var);
  if (!owner) return std::nullopt;
  StructInfo info;
  info.record = VarRef(owner);
  info.address = owner->body()->block->address();
  info.size = static_cast<int64_t>(owner->body()->block->size());
  for (const StructMember& m : owner->body()->members)
    info.members.push_back(member_info(*owner, m));
  return info;
}

std::optional<MemberInfo> struct_member(VarRef var, std::string_view field) {
  Var* owner = struct_owner(var);
  if (!owner) return std::nullopt;
  for (const StructMember& m : owner->body()->members) {
    if (m.field == field) return member_info(*owner, m);
  }
  return std::nullopt;
}

bool release_struct(Interp& interp, VarRef var) {
  Var* owner = struct_owner(var);
  if (!owner) return false;
  std::shared_ptr<Var> keep = owner->shared_from_this();
  std::shared_ptr<StructBody> body = owner->extra ? std::move(owner->extra->body) : nullptr;
  for (const StructMember& m : body->members) {
    std::shared_ptr<Var> rec = m.record.lock();
    if (!rec) continue;
    if (CallFrame* f = frame_of(interp, rec.get())) remove_var_record(*f, rec.get());
  }
  if (owner->list()) owner->list()->destroy();
  if (CallFrame* f = frame_of(interp, owner)) remove_var_record(*f, owner);
  body.reset();  // frees the block
  return true;
}

std::optional<Value> read_member_text(Interp& interp, uint64_t address, int64_t width) {
  if (width <= 0) return std::nullopt;
  std::optional<core::MemSpan> span = core::mem_registry(interp)->find(address, 1, false);
  if (!span) return std::nullopt;
  size_t limit = std::min<size_t>(span->avail, static_cast<size_t>(width));
  const char* p = reinterpret_cast<const char*>(span->data);
  size_t n = 0;
  while (n < limit && p[n] != '\0') ++n;
  return Value(std::string_view(p, n));
}

VarRef record_at(Interp& interp, uint64_t address) {
  if (address == 0) return VarRef();
  auto search = [address](const CallFrame& f) -> Var* {
    for (const VarPtr& v : f.vars) {
      if (reinterpret_cast<uintptr_t>(v.get()) == address) return v.get();
    }
    return nullptr;
  };
  for (CallFrame* f = interp.callframe; f; f = f->parent) {
    if (Var* v = search(*f)) return VarRef(v);
  }
  if (interp.global_frame) {
    if (Var* v = search(*interp.global_frame)) return VarRef(v);
  }
  return VarRef();
}

uint64_t text_address(Interp& interp, VarRef var) {
  Var* owner = var ? array_owner(*var.record()) : nullptr;
  if (!owner) return 0;
  std::weak_ptr<const void> weak = std::static_pointer_cast<const void>(owner->shared_from_this());
  return core::mem_registry(interp)->register_text(
      owner->value, std::move(weak),
      [](const void* rec) -> const Value* { return &static_cast<const Var*>(rec)->value; });
}

void set_pointer(VarRef var, bool on) {
  if (var) var.record()->is_pointer = on;
}

VarInfo describe(VarRef var) {
  VarInfo info;
  if (!var) return info;
  const Var& v = *var.record();
  info.name = v.name;
  info.value = v.value;
  info.kind = v.type;
  info.level = v.level;
  info.size = v.size;
  info.subscript = v.subscript();
  info.address = &v;
  info.list = v.list().get();
  info.stack = v.stack().get();
  info.table = v.table.get();
  info.parent = v.target().get();
  std::memcpy(&info.variant, v.variant(), sizeof info.variant);
  info.changed = v.changed;
  info.is_pointer = v.is_pointer;
  info.is_constant = v.is_constant;
  info.is_protected = v.is_protected;
  info.ignore_case = v.ignore_case;
  return info;
}

}  // namespace vars
