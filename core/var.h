// The variable record, private to core: command families reach variables
// only through core/var_store.h, whose functions are the record's writers.
// Every script variable lives in a call frame; a frame's variables are
// searched newest first, with no hashing of names.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/block_pool.h"
#include "core/mem_registry.h"
#include "core/script.h"
#include "core/var_store.h"

namespace containers {
class hash_table;
class Stack;
class PairList;
}  // namespace containers

namespace vars {

struct Var;

// One member of a structure: its record (held weakly: the frame owns it),
// its field name and where its bytes lie in the block.
struct StructMember {
  std::weak_ptr<Var> record;
  std::string field;
  uint64_t offset = 0;
  int64_t width = 0;
};

// What a struct variable owns besides its member list: the block (released
// with the body) and the members in declaration order.
struct StructBody {
  std::unique_ptr<core::BlockLease> block;
  std::vector<StructMember> members;
};

// What few variables need besides a value: struct members and layout, a
// stack, the subscript of an element link, the text kept for a dictionary.
// Kept apart so that the common record, a plain value in a procedure frame,
// stays small.
struct VarExtra {
  std::shared_ptr<containers::PairList> list;  // struct members
  std::shared_ptr<StructBody> body;            // struct block and member layout
  unsigned char variant[16] = {};
  std::shared_ptr<containers::Stack> stack;
  std::optional<std::string> subscript;  // element link: the element's subscript

  // The text form of a dictionary, and the table and table generation it
  // was built from: current exactly while both still match.
  Value text_form;
  std::weak_ptr<const containers::hash_table> text_table;
  uint64_t text_generation = 0;
};

// One variable. A record with a parent is a link (upvar/global/static): it
// never owns the target's table, stack or members. The parent is held weakly,
// so a link whose target is gone reads as missing instead of dangling.
struct Var : std::enable_shared_from_this<Var> {
  Value value;
  std::string name;
  int32_t type = VT_AUTO;
  int32_t size = 0;
  bool is_pointer = false;
  bool is_constant = false;
  bool is_protected = false;
  bool ignore_case = false;
  bool changed = false;
  bool has_parent = false;  // set when the record was made as a link
  int32_t level = 0;
  uint32_t frame_slot = 0;  // position in its frame's `vars` (kept by the store)
  std::weak_ptr<Var> parent;
  std::shared_ptr<containers::hash_table> table;
  // Made on first write through more(). Mutable: the dictionary text kept
  // there is a cache, filled through const records.
  mutable std::unique_ptr<VarExtra> extra;

  bool is_link() const { return has_parent; }
  std::shared_ptr<Var> target() const { return parent.lock(); }

  VarExtra& more() const {
    if (!extra) extra = std::make_unique<VarExtra>();
    return *extra;
  }
  // Readers of the rarer parts, empty for a record that never had them.
  const std::shared_ptr<containers::PairList>& list() const {
    return extra ? extra->list : kNone.list;
  }
  const std::shared_ptr<StructBody>& body() const { return extra ? extra->body : kNone.body; }
  const unsigned char* variant() const { return extra ? extra->variant : kNone.variant; }
  const std::shared_ptr<containers::Stack>& stack() const {
    return extra ? extra->stack : kNone.stack;
  }
  const std::optional<std::string>& subscript() const {
    return extra ? extra->subscript : kNone.subscript;
  }

 private:
  static const VarExtra kNone;
};

// A new record, from the per-thread block lists (procedure calls make and
// drop one for every formal).
inline std::shared_ptr<Var> new_record() {
  return std::allocate_shared<Var>(core::PoolAllocator<Var>());
}

// --- Look-up -----------------------------------------------------------------
// scope -1: the current frame; anything else: the global frame. A "::" name
// always searches the global frame.
Var* nuvelGetVar(Interp& interp, std::string_view name, int scope = -1);
VarPtr nuvelGetVarShared(Interp& interp, std::string_view name, int scope = -1);
Var* nuvelGetVarGlob(Interp& interp, std::string_view pattern, bool nocase, int scope = -1);
// The record of a plain variable of the current frame (not a link, an array
// or any other kind), found without side effects; null otherwise.
Var* find_plain_local(Interp& interp, std::string_view name);
// The same through `cache`; the frame is searched again only when its stamp
// differs from the cache's (out of line, so that the repeat costs little).
Var* find_plain_local_searching(Interp& interp, std::string_view name, core::VarLookupCache& cache);
inline Var* find_plain_local(Interp& interp, std::string_view name, core::VarLookupCache& cache) {
  const CallFrame* frame = interp.callframe;
  if (frame && cache.stamp == frame->stamp && !name.empty() && name[0] != ':') {
    Var* var = cache.var;
    return var && !var->is_link() && var->type == VT_AUTO ? var : nullptr;
  }
  return find_plain_local_searching(interp, name, cache);
}
// nuvelGetVar for the current frame, searching the frame only when its stamp
// differs from the one kept in `cache`: a plain local found so costs a
// comparison, anything else is read as nuvelGetVar reads it.
Var* nuvelGetVarSearching(Interp& interp, std::string_view name, core::VarLookupCache& cache);
inline Var* nuvelGetVar(Interp& interp, std::string_view name, core::VarLookupCache& cache) {
  if (Var* plain = find_plain_local(interp, name, cache)) return plain;
  return nuvelGetVarSearching(interp, name, cache);
}
int set_var_type(Interp& interp, std::string_view name, int type);
int set_var_size(Interp& interp, std::string_view name, int size);
int set_var_pointer(Interp& interp, std::string_view name, int flag);

// --- Change ------------------------------------------------------------------
void propagate_links(Var& var);
// Writes a value into every record of a link chain, starting at `var`.
void write_chain_links(Var& var, const Value& value);
inline void write_chain(Var& var, const Value& value) {
  if (var.is_link()) return write_chain_links(var, value);
  var.value = value;
  var.changed = true;
  var.size = static_cast<int32_t>(value.size());
}
// Adds a record as the newest of a frame.
void add_var_record(CallFrame& frame, VarPtr var);
// Rebuilds a frame's name index from its records (after records were renamed).
void rebuild_index(CallFrame& frame);
// Removes one record from the frame that holds it (no type checks).
bool remove_var_record(CallFrame& frame, const Var* var);
// Removes every record of a frame.
void clear_var_records(CallFrame& frame);
// Finds the frame whose variable list holds `var`.
CallFrame* frame_of(Interp& interp, const Var* var);

// --- Arrays -------------------------------------------------------------------
// Reads one element: the array record (following a link) and the element.
std::optional<Value> array_get_element(Interp& interp, Var& array, std::string_view subscript);
// The record that owns an array's table: itself, or its link target.
Var* array_owner(Var& var);

// The key of a subscript made only of literal text and existing variables
// read directly (`k$i`), built as the substitution pass would build it and
// left in the result as the pass leaves it. False, with nothing reported,
// for any other form or when something would need a report: the caller then
// runs the substitution pass, which makes it.
bool plain_subscript_key(Interp& interp, const core::Value& subscript, core::Value& key);

// Text form of a dictionary variable (following links to the table's owner).
Value dict_text_form(const Var& var);
// Text form of the record that owns a dictionary's table.
Value dict_table_text(const Var& owner);
// Reads a struct member field through its address, at most its width.
Value field_value(Interp& interp, const Var& var);

}  // namespace vars
