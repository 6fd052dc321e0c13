// Variables and call frames. Every script variable lives in a call frame; a
// frame's variables are searched newest first, with no hashing of names.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/nuvel.h"

namespace containers {
class hash_table;
class Stack;
class PairList;
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
  std::shared_ptr<containers::PairList> list;  // struct members
  unsigned char variant[16] = {};
  int32_t level = 0;
  std::weak_ptr<Var> parent;
  std::shared_ptr<containers::Stack> stack;
  std::shared_ptr<containers::hash_table> table;
  bool changed = false;
  std::optional<std::string> subscript;  // element link: the element's subscript

  bool has_parent = false;  // set when the record was made as a link

  bool is_link() const { return has_parent; }
  std::shared_ptr<Var> target() const { return parent.lock(); }
};

using VarPtr = std::shared_ptr<Var>;

// One active level. Variables are kept oldest first; searches run from the
// back, so the most recently created variable is found first. Records are
// added and removed only through add_var_record/remove_var_record, which keep
// the name index of large frames in step.
struct CallFrame {
  int32_t level = 0;
  int cmd_argc = 0;
  Value* cmd_argv = nullptr;
  std::vector<VarPtr> vars;
  CallFrame* parent = nullptr;
  std::string proc_name;
  bool has_proc_name = false;
  // Name -> newest record of that name; built once a frame holds many
  // variables (small frames are searched directly).
  std::unordered_map<std::string_view, Var*> index;

  ~CallFrame();
};

// Frames with more variables than this keep a name index.
inline constexpr size_t kFrameIndexThreshold = 24;

// --- Look-up -----------------------------------------------------------------
CallFrame* frame_at_level(Interp& interp, int n);
// scope -1: the current frame; anything else: the global frame. A "::" name
// always searches the global frame.
Var* nuvelGetVar(Interp& interp, std::string_view name, int scope = -1);
VarPtr nuvelGetVarShared(Interp& interp, std::string_view name, int scope = -1);
Var* nuvelGetVarGlob(Interp& interp, std::string_view pattern, bool nocase, int scope = -1);
bool var_exists(Interp& interp, std::string_view name);
// Whether the variable (or the variable a link names) was assigned since the
// last call; clears that mark. False when there is no such variable.
bool take_var_changed(Interp& interp, std::string_view name);
int set_var_type(Interp& interp, std::string_view name, int type);
int set_var_size(Interp& interp, std::string_view name, int size);
int set_var_pointer(Interp& interp, std::string_view name, int flag);

// --- Change ------------------------------------------------------------------
int set_var(Interp& interp, std::string_view name, const Value& value);
int define_const(Interp& interp, std::string_view name, const Value& value, bool is_protected,
                 bool replace);
int delete_var(Interp& interp, std::string_view name);
void propagate_links(Var& var);
// Adds a record as the newest of a frame.
void add_var_record(CallFrame& frame, VarPtr var);
// Removes one record from the frame that holds it (no type checks).
bool remove_var_record(CallFrame& frame, const Var* var);
// Removes every record of a frame.
void clear_var_records(CallFrame& frame);
// Finds the frame whose variable list holds `var`.
CallFrame* frame_of(Interp& interp, const Var* var);

// The get-or-set worker behind set and $ substitution. A null value reads.
// On success the interpreter result holds the value read or assigned.
int access_var(Interp& interp, std::string_view name, const Value* value, bool report);
// Reads a variable by reference text ("name", "{name}", "$name"); null when
// there is no such variable.
std::optional<Value> get_var_value(Interp& interp, std::string_view text);

// Pops the current frame (the caller owns the frame object).
void nuvelDropCallFrame(Interp& interp);

// Pushes a new procedure frame for the duration of a scope.
class FrameGuard {
 public:
  FrameGuard(Interp& interp, std::string_view proc_name);
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

// --- Arrays -------------------------------------------------------------------
// Stores one element, creating the array when needed. 0 on success.
int nuvelArraySetElement(Interp& interp, std::string_view name, std::string_view subscript,
                         const Value& value, bool is_const, bool nocase);
// Reads one element: the array record (following a link) and the element.
std::optional<Value> array_get_element(Interp& interp, Var& array, std::string_view subscript);
// The record that owns an array's table: itself, or its link target.
Var* array_owner(Var& var);

// Text form of a dictionary variable.
Value dict_text_form(const Var& var);
// Reads a struct member field through its address (empty until structures exist).
Value field_value(Interp& interp, const Var& var);

}  // namespace vars
