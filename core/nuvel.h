// The core API of the interpreter: the interpreter record, result codes, the
// command table, evaluation, results and error reports. Command families use
// this header and core/cmd_helpers.h.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/value.h"

namespace vars {
struct CallFrame;
struct Var;
}  // namespace vars

namespace core {

using vars::CallFrame;
using vars::Var;

// Result codes. Every handler returns one; codes other than Ok travel outwards
// until a loop, a procedure call, catch/try or the top level consumes them.
enum class [[nodiscard]] Code : int32_t{
    Ok = 0,   Error = 1, Return = 2, Break = 3,   Continue = 4,
    Exit = 5, Stop = 6,  Goto = 7,   Defined = 8,
};

inline int code_int(Code c) {
  return static_cast<int>(c);
}

struct Interp;

// A command handler: argv[0] is the command name as written. The words belong
// to the evaluator and live for the call; a handler may overwrite entries.
using CommandHandler = Code (*)(Interp& interp, int argc, Value* argv, void* data);

// One entry of the command table.
struct CommandRecord {
  std::string name;
  CommandHandler handler = nullptr;
  void* data = nullptr;  // passed to the handler; the procedure definition for procs
  bool is_proc = false;
  // Keeps `data` alive while the record exists (procedures own their definition).
  std::shared_ptr<void> owner;
  // From the command's table row: the evaluator answers a word count outside
  // [min_words, max_words] (max -1: no limit) with the wrong-argument report.
  int32_t min_words = 0;
  int32_t max_words = -1;
  const char* usage = nullptr;  // syntax after the name; null for procedures
  uint32_t flags = 0;
};

// Call points of the evaluator that later subsystems fill in: command
// tracing, the single-step prompt and the operating-system command path of
// autoexec. Each interpreter has its own.
// What a debugger sees of the evaluator: each traced command before it runs
// and after, and every command while single-step is on. One observer serves
// any number of interpreters and keeps its state in them, so it has none.
class EvalObserver {
 public:
  // Prints the "Exec" (returning false) or "Retn" (returning true) trace line.
  virtual void trace(Interp& interp, int argc, Value* argv, bool returning, int code) const = 0;
  // The single-step prompt; Stop ends the evaluation without the command.
  virtual Code single_step(Interp& interp, int argc, Value* argv) const = 0;

 protected:
  // Never destroyed through this interface: an observer is a constant.
  ~EvalObserver() = default;
};

struct EvalHooks {
  // The debugger (lang/debug_cmds.cpp), when its family is installed; it
  // outlives every interpreter.
  const EvalObserver* observer = nullptr;
  // Runs an unknown command as an operating-system command (autoexec on).
  Code (*run_external)(Interp& interp, int argc, Value* argv) = nullptr;
};

// Per-interpreter state of a family, made on first use and destroyed with
// the interpreter: `interp.state<StreamTable>()`. T must be default
// constructible. Each state type gets a small number the first time any
// interpreter asks for it, so finding a state is one index into a vector.
std::size_t next_state_index();

class StateRegistry {
 public:
  StateRegistry() = default;
  ~StateRegistry() { clear(); }
  StateRegistry(const StateRegistry&) = delete;
  StateRegistry& operator=(const StateRegistry&) = delete;
  // Inline to the found state; making one is out of line.
  template <class T>
  [[gnu::always_inline]] T& get() {
    static const std::size_t index = next_state_index();  // one number per type
    if (index < by_index_.size() && by_index_[index] != nullptr) {
      return *static_cast<T*>(by_index_[index]);
    }
    return make_state<T>(index);
  }
  void clear();

 private:
  template <class T>
  [[gnu::noinline]] T& make_state(std::size_t index) {
    return *static_cast<T*>(
        make(index, Owned(new T(), [](void* p) { delete static_cast<T*>(p); })));
  }
  using Owned = std::unique_ptr<void, void (*)(void*)>;
  struct Slot {
    std::size_t index;
    Owned object;
  };
  void* make(std::size_t index, Owned object);
  std::vector<Slot> slots_;      // in order of creation
  std::vector<void*> by_index_;  // type number -> state, null when not made
};

// The interpreter record. The start-up interpreter lives until the process
// ends; `interp` and the preprocessor create further ones. Creating one makes
// it current (_pglobal_interp); destroying it makes the previous one current.
struct Interp {
  Interp();
  ~Interp();
  Interp(const Interp&) = delete;
  Interp& operator=(const Interp&) = delete;

  int32_t nesting = 0;
  CallFrame* callframe = nullptr;       // current frame
  std::vector<CommandRecord> commands;  // sorted by name, byte order
  int32_t command_count = 0;
  uint16_t commands_sorted = 1;
  Value result;
  uint32_t result_length = 0;
  int64_t cmdcount = 0;
  std::string trace_text;
  uint16_t trace_on = 0;
  std::vector<std::string> trace_names;
  int32_t trace_count = 0;
  uint16_t watch_on = 0;
  std::vector<std::string> watch_names;
  int32_t watch_count = 0;
  uint32_t last_subst_code = 0;
  int32_t result_type = 0;

  // Implementation state.
  std::unique_ptr<CallFrame> global_frame;
  Interp* previous = nullptr;  // the interpreter that was current before this one
  // Changes whenever the command table changes; compiled scripts use it to
  // keep their cached command look-ups valid.
  uint64_t command_epoch = 0;
  // Counts the "Interrupted" reports (Ctrl+C taken). A caller that by design
  // ignores the code of a script it runs compares it before and after, so
  // that an interruption still ends the evaluation.
  uint64_t interrupts = 0;
  int eval_depth = 0;  // nested rindoEval calls
  // Command handlers currently running (raised around each handler call).
  int nesting_depth_handlers = 0;
  // Owners (procedure definitions ...) of commands removed while a handler
  // ran: the running command may be one of them, so they are let go only
  // once no handler runs, instead of each call holding its own reference.
  std::vector<std::shared_ptr<void>> retired_owners;
  // Message of the last error report made in this interpreter (for catch).
  std::string last_report;
  bool last_report_shown = false;  // whether that report was echoed
  // Set by the innermost command that fails with an error since catch last
  // cleared it, with whether that command left the result it found.
  bool failure_seen = false;
  bool failure_result_stale = false;
  uint64_t report_serial = 0;  // counts error reports
  // Set while a report stores its message in ::errorMsg, so that a failure to
  // store it (::errorMsg made an array or a dictionary) is reported without
  // trying to store that message again.
  bool storing_report = false;
  // Exit value requested by `exit N` (and `die`), used for the process code.
  int exit_value = 0;

  // The words of the built-in command running now (for message prefixes).
  int command_argc = 0;
  const Value* command_argv = nullptr;
  EvalHooks hooks;
  // Fills a new interpreter with the built-in commands; interpreters created
  // while this one is current inherit it (the registry of families sets it).
  void (*install)(Interp& interp, int flag) = nullptr;

  // Handlers of the combined-math and relational operator commands, set when
  // that family registers. The evaluator computes a chain of commands that
  // resolve to them on integers itself (core/eval.cpp).
  CommandHandler math_handler = nullptr;
  CommandHandler compare_handler = nullptr;
  // The handler of `expr`, and the expression engine's course on numbers
  // alone, set when the engine registers: for a bracketed `expr {...}` the
  // evaluator asks it for the value first and runs the command only when it
  // declines (having changed nothing).
  CommandHandler expr_handler = nullptr;
  // Gives 0 when it declines, 1 with the value in `out`, and 2 when `as_int`
  // is given and the value is an integer, stored there instead (the caller
  // makes its text only if it needs it).
  int (*quick_expr)(Interp& interp, const Value& text, Value& out, int64_t* as_int) = nullptr;
  // Handlers of `set`, `incr`, the compound assignments (+= -= *=) and
  // `append`, set when their families register: the evaluator does the plain
  // case of these commands (a local variable, integer operands, a text that
  // can grow where it lies) itself, with the same result, and calls the
  // handler for everything else.
  CommandHandler set_handler = nullptr;
  CommandHandler incr_handler = nullptr;
  CommandHandler assign_handler = nullptr;
  CommandHandler append_handler = nullptr;
  // The handler of `if` and its choice of branch (the position of the body
  // to run, or -1 with the code in `rc`), set when the family registers: the
  // evaluator runs the body an `if` ending a script chooses as the rest of
  // that script, instead of a nested evaluation.
  CommandHandler if_handler = nullptr;
  int (*if_branch)(Interp& interp, int argc, Value* argv, Code& rc) = nullptr;
  // Command-table positions of the operator names (by core::IntOp), valid
  // while the table's epoch equals `operator_epoch`.
  int32_t operator_index[20] = {};
  uint64_t operator_epoch = ~uint64_t{0};

  template <class T>
  T& state() {
    return states_.get<T>();
  }

 private:
  StateRegistry states_;
};

// The current top interpreter.
extern Interp* _pglobal_interp;

// Deepest nesting of evaluations (brackets, eval, procedure bodies). Beyond it
// evaluation fails with a clear message instead of exhausting the stack.
inline constexpr int kMaxEvalDepth = 60000;

// --- Creation and start-up ---------------------------------------------------
void nuvelSetStartupVars(Interp& interp, int count, const std::vector<std::string>* words);
// The three steps: record, core commands, start-up variables.
std::unique_ptr<Interp> nuvelCreateInterp(int count = 0,
                                          const std::vector<std::string>* words = nullptr);
Code nuvelRunAtExit(Interp* interp);

// --- Command table -------------------------------------------------------------
// 0 on success, 1 for a null name, 8 (Defined) when the name exists.
int nuvelRegisterCommand(Interp& interp, std::string_view name, CommandHandler handler, void* data,
                         bool is_proc, std::shared_ptr<void> owner = nullptr);
// Adds many records at once, keeping the table sorted: a name already in the
// table, or repeated in `fresh`, keeps its first record. Returns the number
// added. One merge instead of an insertion per record.
int nuvelRegisterCommands(Interp& interp, std::vector<CommandRecord>&& fresh);
CommandRecord* nuvelGetCommand(Interp& interp, std::string_view name);
// Removes a command; true when it existed.
bool nuvelDeleteCommand(Interp& interp, std::string_view name);

// --- Evaluation -------------------------------------------------------------------
// Evaluates a script text. The token stream of `text` is cached on the value,
// so evaluating the same Value again does not re-scan it.
Code rindoEval(Interp& interp, const Value& text, bool subst_only = false, bool no_vars = false);
// Evaluates a script that is one integer operator chain (see core/eval.cpp),
// as rindoEval would, into `out`: everything the evaluation does but set the
// result, which is the text of `out` when the caller needs it. False, having
// done nothing, when the script is anything else.
bool rindoEvalChain(Interp& interp, const Value& text, int64_t& out);
// Calls a command with ready-made words, as the evaluator does (no parsing).
Code nuvelCallCommand(Interp& interp, int argc, Value* argv);
// A command look-up kept by a caller that runs the same command name many
// times (the expression engine's operators): valid while the command table's
// epoch equals `epoch`.
struct CommandLookup {
  uint64_t epoch = 0;
  int32_t index = -1;
};
// nuvelCallCommand with the look-up of argv[0] kept in `lookup`; argv[0]
// must be the same name on every call with one `lookup`.
Code nuvelCallCommandCached(Interp& interp, int argc, Value* argv, CommandLookup& lookup);
// Runs "op a b" when `op` names an integer operator command (combined math or
// relational) and both operands are canonical integers, exactly as calling
// the command would, without the call. False, having done nothing, otherwise.
bool nuvelIntOperator(Interp& interp, const Value& op, const Value& a, const Value& b);
// The same on integers already read, leaving the result in `r` instead of
// the interpreter result (cmdcount counts the command all the same).
bool nuvelIntOperate(Interp& interp, std::string_view op, int64_t x, int64_t y, int64_t& r);

// --- Results ----------------------------------------------------------------------
inline void nuvelSetResult(Interp& interp, Value text) {
  interp.result_length = static_cast<uint32_t>(text.size());
  interp.result = std::move(text);
}
inline void nuvelSetResult(Interp& interp, std::string_view text) {
  nuvelSetResult(interp, Value(text));
}
inline void nuvelSetResult(Interp& interp, const char* text) {
  nuvelSetResult(interp, Value(text));
}
void nuvelSetResultInt(Interp& interp, int64_t v);
// Inline: every evaluation starts with it.
inline void nuvelResetResult(Interp& interp) {
  interp.result = Value();
  interp.result_length = 0;
}
const char* nuvelResultCodeName(Interp& interp, int code);
// Name of a result code without side effects ("Unhandled error" outside 0..8).
const char* code_name(int code);

// --- Error reports ------------------------------------------------------------------
// The shared error report: formats the message, stores it in ::errorMsg and
// echoes it on the console while verbose, debug or single-step is on.
void nuvelSetError(Interp* interp, const char* format, ...) __attribute__((format(printf, 2, 3)));
void nuvelSetErrorText(Interp* interp, std::string_view message);
// The same report shown without its line end, for callers that print more on
// the same line. Returns whether it was shown.
bool report_error_inline(Interp* interp, std::string_view message);
// Status-table report (status 0..7).
void nuvelSetErrorCode(Interp& interp, int status, const char* message);
// Report of an exception caught around a command handler.
void nuvelExceptionReport(const char* name, const char* message);
// The wrong-argument table; returns Stop (or the help command's code).
Code nuvelWrongArgs(Interp& interp, int argc, Value* argv, const char* name = nullptr);

// The line marker: routines store a fixed number in it before risky steps;
// exception reports print it.
extern long g_line_marker;

// --- Text routines ------------------------------------------------------------------
// Backslash escapes: "\r", "\n", "\t" become control characters, a backslash
// before any other character is dropped, a trailing backslash stays.
std::string nuvelUnescape(std::string_view text);
// Doubles backslashes and puts a backslash before $ [ ] { }.
std::string nuvelEscape(std::string_view text);

// Preprocessing entry point for script files and the embedded script. Returns
// 0 on success; a negative value reports a failure (the preprocessor fills it).
int mpp_preprocess(Interp& interp, std::string& text, bool evaluate, std::string_view file_name);

}  // namespace core
