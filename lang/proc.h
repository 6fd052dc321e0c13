// Script procedures: the definition each procedure's command entry carries,
// the call routine, and the routines that the flow-control commands share
// with the procedure commands.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/nuvel.h"

namespace lang {

using core::Interp;
using core::Value;

// One formal argument. `count` is how many list elements the formal had:
// 0 (an empty formal, skipped when binding), 1 (a name) or 2 (name and
// default). The default is only meaningful when count is 2.
struct ProcArg {
  int32_t count = 0;
  std::string name;
  Value default_value;
};

// The private data of a procedure entry. Immutable once registered; entries
// made by `alias` share it, and the entries' `owner` pointers keep it alive
// (as does the evaluator for the length of every call).
struct ProcDef {
  Value arg_list;  // the argument-list word as written
  Value body;      // the body; its token stream is cached on this Value
  int32_t formal_count = 0;
  std::vector<ProcArg> formals;
  // Every formal has a distinct, non-empty name without the "::" prefix, so a
  // call binds each one as a new local without searching its fresh frame.
  bool distinct_local_formals = false;
};

// The handler of every procedure entry: pushes a frame, binds the arguments
// and runs the body. A body that ends through `return` completes normally.
core::Code nuvelProcCall(Interp& interp, int argc, Value* argv, void* data);

// Defines a procedure as `proc` does; `command` names the command in messages.
core::Code define_proc(Interp& interp, std::string_view command, std::string_view name,
                       const Value& arg_list, const Value& body);

// 0: not running (or the current frame is global / has no procedure),
// 1: the procedure of the current frame, 2: running further out.
int proc_active_state(Interp& interp, std::string_view name);

}  // namespace lang
