// The variable store as command families see it: call frames, finding a
// variable and reading it by kind, and every change to variables. The record
// behind a variable (core/var.h) is private to core; the functions here are
// the only writers, and each keeps the forms derived from a variable current
// (the text of a dictionary, what its links show), so that no caller has to
// remember an invalidation. A change that cannot be made leaves everything as
// it was.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/block_pool.h"
#include "core/nuvel.h"

namespace core {
struct VarLookupCache;  // core/script.h
}  // namespace core

namespace containers {
class hash_table;
class Stack;
}  // namespace containers

namespace vars {

using core::Interp;
using core::Value;

enum VarType : int32_t {
  VT_AUTO = 0,
  VT_CONST = 1,
  VT_ARRAY = 2,
  VT_STRUCT = 3,
  VT_FIELD = 4,
  VT_POINTER = 5,
  VT_VARIANT = 6,
  VT_DICTIONARY = 7,
  VT_STACK = 8,
  VT_UNKNOWN = 9,
  VT_LIST = 10,
};

// "auto", "const", ... ; "error" for codes outside 0..10.
const char* var_type_name(int type);

inline constexpr int MAX_PROC_LEVEL = 5000;

struct Var;  // the record, private to the store (core/var.h)
using VarPtr = std::shared_ptr<Var>;

// One active level. Variables are kept oldest first; searches run from the
// back, so the most recently created variable is found first. Records are
// added and removed only by the store, which keeps the name index of large
// frames in step. In a frame with an index a removed record leaves a null
// hole in `vars` (so removal is constant time) until holes make up half of
// it; every walk over `vars` skips null entries.
// A number no frame state has had before: a frame takes a fresh one when it
// is made and whenever its records are added, removed or renamed, so a
// name-to-record result kept with the stamp is exact while the stamp matches.
uint64_t fresh_frame_stamp();

// The name index of a frame. Held through a pointer and made on first use:
// most frames never need one, and every procedure call keeps its frame on
// the C stack, where each byte is paid again at every level of a recursion.
class FrameIndex {
 public:
  using Map = std::unordered_map<std::string_view, Var*>;
  bool empty() const noexcept { return !map_ || map_->empty(); }
  Map::iterator find(std::string_view name) { return map().find(name); }
  Map::iterator end() { return map().end(); }
  void erase(Map::iterator it) { map_->erase(it); }
  void emplace(std::string_view name, Var* var) { map().emplace(name, var); }
  void clear() noexcept { map_.reset(); }

 private:
  Map& map() {
    if (!map_) map_ = std::make_unique<Map>();
    return *map_;
  }
  std::unique_ptr<Map> map_;
};

struct CallFrame {
  uint64_t stamp = fresh_frame_stamp();
  int32_t level = 0;
  int cmd_argc = 0;
  Value* cmd_argv = nullptr;
  std::vector<VarPtr, core::PoolAllocator<VarPtr>> vars;
  CallFrame* parent = nullptr;
  core::Value proc_name;  // the procedure's name as its call wrote it
  // Name -> newest record of that name; built once a frame holds many
  // variables (small frames are searched directly).
  FrameIndex index;
  uint32_t holes = 0;     // null entries in `vars`
  uint32_t shadowed = 0;  // indexed frames: records hidden by a newer one of their name
  bool has_proc_name = false;

  ~CallFrame();
};

// Frames with more variables than this keep a name index.
inline constexpr size_t kFrameIndexThreshold = 24;

// A handle on one variable record. Plain handles are as cheap as a pointer
// and valid while the record stays in its frame; a pinned handle also keeps
// the record alive (for callers that run scripts while they hold it).
class VarRef {
 public:
  VarRef() = default;
  explicit VarRef(Var* rec) : rec_(rec) {}

  explicit operator bool() const { return rec_ != nullptr; }
  bool operator==(const VarRef& o) const { return rec_ == o.rec_; }
  VarRef pinned() const;

  const std::string& name() const;
  // The record's value and kind (VarType). A link found by lookup() shows
  // its target's current value and kind.
  const Value& value() const;
  int kind() const;
  int level() const;
  bool is_constant() const;
  bool is_protected() const;
  bool is_pointer() const;
  bool ignore_case() const;
  bool is_link() const;
  // A link to one element of an array (upvar a(x) ...).
  bool is_element_link() const;

  // The record that holds this variable's table or stack: itself, or the end
  // of its chain of links (null when a target is gone).
  VarRef storage() const;
  // A link's target (null for other records).
  VarRef target() const;
  // The record's table (arrays, dictionaries) for reading; null when none.
  const containers::hash_table* table() const;
  // The record's stack (stack variables); held so that it outlives a body
  // that removes the variable.
  std::shared_ptr<const containers::Stack> stack() const;

  Var* record() const { return rec_; }

 private:
  Var* rec_ = nullptr;
  std::shared_ptr<Var> pin_;
};

// --- Look-up -------------------------------------------------------------------
// The frame at level n (0 and below: the global frame).
CallFrame* frame_at_level(Interp& interp, int n);
// scope -1: the current frame; anything else: the global frame. A "::" name
// always searches the global frame. A link whose target is gone reads as
// missing.
VarRef lookup(Interp& interp, std::string_view name, int scope = -1);
// The same in the current frame, remembering the record found in `cache`
// (valid while the frame's records are unchanged), as `$name` words do.
VarRef lookup(Interp& interp, std::string_view name, core::VarLookupCache& cache);
// The value of a plain scalar of the current frame (no link, array, field or
// other kind), found through `cache` as above; null for any other name, whose
// value lookup() and its record tell.
const Value* plain_local_value(Interp& interp, std::string_view name, core::VarLookupCache& cache);
// The newest variable whose name matches a wildcard pattern.
VarRef lookup_glob(Interp& interp, std::string_view pattern, bool nocase, int scope = -1);
bool var_exists(Interp& interp, std::string_view name);
// Whether a look-up in the current frame (scope -1) of a plain name whose
// first character is one of `firsts` could find a variable: false only when
// the frame certainly holds none, so that callers may skip making the name.
bool may_find_name_starting(const Interp& interp, std::string_view firsts);
// The same, answered from `memo` while the frame's records are unchanged
// (one memo per `firsts`): a loop asks it of the same frame every round.
struct NameStartMemo {
  uint64_t stamp = 0;  // the frame state the answer is for; 0: none yet
  bool found = true;
};
bool may_find_name_starting(const Interp& interp, std::string_view firsts, NameStartMemo& memo);
// Whether the variable (or the variable a link names) was assigned since the
// last call; clears that mark. False when there is no such variable.
bool take_var_changed(Interp& interp, std::string_view name);
// The storage record of `name` when it is a variable of that kind (through
// links), else null.
VarRef as_array(Interp& interp, std::string_view name);
VarRef as_dict(Interp& interp, std::string_view name);
VarRef as_stack(Interp& interp, std::string_view name);
// One element of an array variable (`array` may be a link to it).
std::optional<Value> array_element(VarRef array, std::string_view subscript);

// The newest record of a frame named exactly `name` (links not followed).
VarRef find_in_frame(CallFrame& frame, std::string_view name);
// The frame that holds a record.
CallFrame* frame_of(Interp& interp, VarRef var);
// Every record of a frame, newest first, pinned: safe to hold while records
// are removed.
std::vector<VarRef> frame_records(const CallFrame& frame);
// The record created just before `var` in its frame (printouts), or null.
VarRef older_record(Interp& interp, VarRef var);

// --- Values --------------------------------------------------------------------
// The get-or-set worker behind set and $ substitution. A null value reads.
// On success the interpreter result holds the value read or assigned.
int access_var(Interp& interp, std::string_view name, const Value* value, bool report);
// Reads a variable by reference text ("name", "{name}", "$name"); null when
// there is no such variable.
std::optional<Value> get_var_value(Interp& interp, std::string_view text);
// Assigns a plain variable, creating it when missing; refuses other kinds. 0
// on success.
int set_var(Interp& interp, std::string_view name, const Value& value);
// The same, finding the variable through `cache` as `$name` words do (a loop
// sets its counter every round).
int set_var(Interp& interp, std::string_view name, const Value& value, core::VarLookupCache& cache);
// Adds a plain variable to the current frame without searching it first: for
// a caller that knows the frame holds no variable of that name (a fresh
// procedure frame binding distinct formals). The name is a plain local name.
void add_fresh_local(Interp& interp, std::string_view name, const Value& value);
// Writes a plain variable's value through its chain of links.
void assign(VarRef var, const Value& value);
// Appends to a plain variable's value (through its links) in place when its
// text is not shared; false (nothing changed) otherwise.
bool append_in_place(VarRef var, std::string_view tail);
// Appends to the array element `name` ("array(subscript)") in place when the
// element exists in a case-sensitive array and its text is not shared; the
// grown text goes to `out`. False, changing nothing, otherwise.
bool append_element_in_place(Interp& interp, std::string_view name, std::string_view tail,
                             Value& out);
int define_const(Interp& interp, std::string_view name, const Value& value, bool is_protected,
                 bool replace);
// Removes a plain variable (and structures); 1 when removed.
int delete_var(Interp& interp, std::string_view name);

// --- Elements of arrays and dictionaries ---------------------------------------
// Stores one element, creating the array when needed. 0 on success.
int nuvelArraySetElement(Interp& interp, std::string_view name, std::string_view subscript,
                         const Value& value, bool is_const, bool nocase);
// On a storage record (an array or a dictionary): false when the record has
// no table or the table refused the change.
bool set_element(VarRef storage, std::string_view key, const Value& value);
bool remove_element(VarRef storage, std::string_view key);
void clear_elements(VarRef storage);
// Trims characters from every value (see hash_table::trim_values).
void trim_elements(VarRef storage, std::string_view chars, int mode);

// The text form of a dictionary variable: its pairs in scan order, built once
// per change of the table.
Value dict_text(VarRef var);
// The live table behind `text` when `text` is the current text form of a
// dictionary variable (dict get then looks keys up directly), else null.
const containers::hash_table* dict_table_of_text(const Value& text);
// The text of all pairs of a table, in scan order.
std::string table_text(const containers::hash_table& table);

// --- Kinds ---------------------------------------------------------------------
// New variables of a kind; null when the name exists or cannot be created.
VarRef create_array(Interp& interp, std::string_view name, int32_t buckets);
VarRef create_dict(Interp& interp, std::string_view name, int32_t buckets);
VarRef create_stack(Interp& interp, std::string_view name, int32_t capacity);
// The storage of `var` becomes an empty dictionary (a link shows the kind too).
void make_dict(VarRef var, int32_t buckets);
// The record drops its table or stack and becomes an empty plain variable.
void make_plain(VarRef var);
void set_constant(VarRef var, bool on);
void set_ignore_case(VarRef var, bool on);

// --- Stacks --------------------------------------------------------------------
// Pushes a text; its slot, or -1 when it was refused (see Stack::pushstr).
int32_t stack_push(VarRef storage, const Value& text);
std::optional<Value> stack_pop(VarRef storage);
void stack_clear(VarRef storage);

// --- Records, links and frames -------------------------------------------------
// Removes a record from the frame that holds it; links leave their target
// alone.
bool remove_var(Interp& interp, VarRef var);
bool remove_from_frame(CallFrame& frame, VarRef var);
// A new empty plain variable as the newest record of a frame.
VarRef create_in_frame(CallFrame& frame, std::string_view name);
// Makes `local` in the current frame a link to `target`.
VarRef link_to(Interp& interp, std::string_view local, VarRef target);
// Makes `local` in the current frame a link to element `subscript` of the
// array whose storage record is `array`; the element must exist.
VarRef link_to_element(Interp& interp, std::string_view local, VarRef array,
                       std::string_view subscript);
// The two records exchange names.
void swap_names(Interp& interp, VarRef a, VarRef b);

// --- Structures and addresses ----------------------------------------------------
// A struct lays out its fields in one zero-filled block without padding; each
// field is also a variable of the struct's frame, named struct.field, whose
// value is the decimal address of its bytes. Every byte access goes through
// the interpreter's memory registry (core/mem_registry.h).
struct FieldSpec {
  std::string name;
  int64_t width = 0;
};
struct MemberInfo {
  VarRef record;     // null when the member record is gone
  std::string name;  // struct.field as the frame knows it
  std::string field;
  uint64_t address = 0;
  int64_t width = 0;
};
struct StructInfo {
  VarRef record;  // the record that owns the block
  uint64_t address = 0;
  int64_t size = 0;
  std::vector<MemberInfo> members;
};
// Creates struct `name` (a "::" name in the global frame) of `size` bytes with
// its member variables. The caller has checked that none of the names exist,
// that the widths are positive and fit the size. Null when the block cannot
// be had.
VarRef create_struct(Interp& interp, std::string_view name, int64_t size,
                     const std::vector<FieldSpec>& fields);
// The struct behind a variable (through links); nullopt for anything else.
std::optional<StructInfo> struct_info(VarRef var);
// The member `field` of a struct, or nullopt.
std::optional<MemberInfo> struct_member(VarRef var, std::string_view field);
// Deletes the member variables, frees the block and removes the struct's
// record (a link given here releases its target). False when `var` is not a
// struct.
bool release_struct(Interp& interp, VarRef var);
// The text at a member: its bytes up to the first NUL or `width`, whichever
// comes first; nullopt when the address is not inside a live block.
std::optional<Value> read_member_text(Interp& interp, uint64_t address, int64_t width);
// The live variable record at exactly `address` (as addressof gives it), in
// any active frame; null otherwise.
VarRef record_at(Interp& interp, uint64_t address);
// The address of the variable's value text, registered as a readable block
// for as long as the variable holds that text.
uint64_t text_address(Interp& interp, VarRef var);
// Marks a variable as holding a memory address.
void set_pointer(VarRef var, bool on);

// Every field of a record, for the diagnostic printouts.
struct VarInfo {
  std::string name;
  Value value;
  int kind = 0;
  int level = 0;
  int size = 0;
  std::optional<std::string> subscript;
  const void* address = nullptr;
  const void* list = nullptr;
  const void* stack = nullptr;
  const void* table = nullptr;
  const void* parent = nullptr;
  int32_t variant = 0;
  bool changed = false;
  bool is_pointer = false;
  bool is_constant = false;
  bool is_protected = false;
  bool ignore_case = false;
};
VarInfo describe(VarRef var);

// Pops the current frame (the caller owns the frame object).
void nuvelDropCallFrame(Interp& interp);

// Pushes a new procedure frame for the duration of a scope.
class FrameGuard {
 public:
  FrameGuard(Interp& interp, const core::Value& proc_name);
  ~FrameGuard();
  FrameGuard(const FrameGuard&) = delete;
  FrameGuard& operator=(const FrameGuard&) = delete;
  CallFrame& frame() { return frame_; }

 private:
  Interp& interp_;
  CallFrame frame_;
};

// Points the current frame at another one for the duration of a scope.
class FrameSwitch {
 public:
  FrameSwitch(Interp& interp, CallFrame* frame);
  ~FrameSwitch();
  FrameSwitch(const FrameSwitch&) = delete;
  FrameSwitch& operator=(const FrameSwitch&) = delete;

 private:
  Interp& interp_;
  CallFrame* saved_;
};

}  // namespace vars
