// The error, catch and try commands, and cmdcount.
#include "core/cmd_helpers.h"
#include "core/switches.h"
#include "core/var_store.h"

namespace lang {
namespace {

using core::_pglobal_interp;
using core::leading_int;

using core::Value;

using core::Code;
using core::CommandRow;
using core::Interp;
using core::kAnyWords;

using core::switches;

// Sets the quiet flag for the length of a scope (catch/try -quiet).
class QuietScope {
 public:
  explicit QuietScope(bool on) : on_(on) {
    if (on_) switches().quiet = 1;
  }
  ~QuietScope() {
    if (on_) switches().quiet = 0;
  }
  QuietScope(const QuietScope&) = delete;
  QuietScope& operator=(const QuietScope&) = delete;

 private:
  bool on_;
};

void reset_error_vars(Interp& interp, bool global) {
  const char* info = global ? "::errorInfo" : "errorInfo";
  const char* code = global ? "::errorCode" : "errorCode";
  const char* line = global ? "::errorLine" : "errorLine";
  (void)vars::set_var(interp, info, Value());
  (void)vars::set_var(interp, code, Value("0"));
  (void)vars::set_var(interp, line, Value("0"));
}

// error msg ?info? ?code? ?line?
// Results: msg; the code is 1, or the numeric value of the code word.
// Side effects: in the top interpreter, sets ::errorMsg and its relatives.
Code nuvelCommandError(Interp& interp, int argc, Value* argv, void*) {
  int code = 1;
  if (&interp == _pglobal_interp) {
    (void)vars::set_var(interp, "::errorMsg", argv[1]);
    if (argc > 2) (void)vars::set_var(interp, "::errorInfo", argv[2]);
    if (argc > 3) {
      code = static_cast<int>(leading_int(argv[3].view()));
      (void)vars::set_var(interp, "::errorCode", argv[3]);
    }
    if (argc > 4) (void)vars::set_var(interp, "::errorLine", argv[4]);
  } else if (argc > 3) {
    code = static_cast<int>(leading_int(argv[3].view()));
  }
  nuvelSetResult(interp, argv[1]);
  return static_cast<Code>(code);
}

// catch script ?var? ?-quiet?
// Results: the script's code in decimal; never fails after its arity check.
// Side effects: var receives the script's result, or for a failure without a
// result the message of the error report made while the script ran.
Code nuvelCommandCatch(Interp& interp, int argc, Value* argv, void*) {
  bool quiet = find_option_exact(argc, argv, "-quiet", 2) >= 0;
  // A third word of "-quiet" selects quiet mode; it does not name a variable.
  std::string var = argc > 2 && argv[2].view() != "-quiet" ? std::string(argv[2].view()) : "";
  if (!var.empty()) (void)set_variable(interp, var, Value());
  if (&interp == _pglobal_interp) reset_error_vars(interp, true);
  uint64_t serial = interp.report_serial;
  Value script = argv[1];
  Code c;
  bool stale = false;
  {
    QuietScope scope(quiet);
    core::ScopedRestore<bool> seen(interp.failure_seen, false);
    c = rindoEval(interp, script);
    stale = interp.failure_seen && interp.failure_result_stale;
  }
  Value kept = interp.result;
  if (c != Code::Ok) {
    if (!var.empty()) {
      // A result the failing command did not make belongs to an earlier
      // command: the report's message describes the failure instead.
      Value message = stale ? Value() : kept;
      if (message.empty() && interp.report_serial != serial) message = Value(interp.last_report);
      (void)set_variable(interp, var, message);
    }
  } else if (!var.empty() && !kept.empty()) {
    (void)set_variable(interp, var, kept);
  }
  nuvelSetResultInt(interp, code_int(c));
  return Code::Ok;
}

// try {code} catch {code} ?-quiet?
// Results: the code of the first script, or of the second when the first
// ends with error or stop.
Code nuvelCommandTry(Interp& interp, int argc, Value* argv, void*) {
  if (argv[2].view() != "catch") {
    return core::fail(interp, core::Msg::TrySyntax);
  }
  bool quiet = find_option_exact(argc, argv, "-quiet", 4) >= 0;
  reset_error_vars(interp, false);
  Value body = argv[1];
  Value handler = argv[3];
  Code c;
  {
    QuietScope scope(quiet);
    c = rindoEval(interp, body);
  }
  if (c == Code::Error || c == Code::Stop) {
    QuietScope scope(quiet);
    return rindoEval(interp, handler);
  }
  return c;
}

// cmdcount ?-reset? | cmdcount script ?var?
// Results: the number of commands dispatched (so far, or by the script).
Code nuvelCommandCmdcount(Interp& interp, int argc, Value* argv, void*) {
  if (argc == 1) return result_int(interp, interp.cmdcount);
  if (find_option(argc, argv, "-reset") >= 0) {
    interp.cmdcount = 0;
    return result_int(interp, 0);
  }
  reset_error_vars(interp, true);
  std::string var = argc > 2 ? std::string(argv[2].view()) : "";
  if (!var.empty()) (void)set_variable(interp, var, Value());
  int64_t before = interp.cmdcount;
  Value script = argv[1];
  Code c = rindoEval(interp, script);
  int64_t count = interp.cmdcount - before;
  if (!var.empty()) {
    if (c == Code::Ok) {
      (void)set_variable(interp, var, interp.result);
    } else if (vars::VarRef msg = vars::lookup(interp, "::errorMsg")) {
      (void)set_variable(interp, var, msg.value());
    } else {
      char buf[128];
      snprintf(buf, sizeof buf, "%s: Exception (Code %i)", argv[0].c_str(), code_int(c));
      (void)set_variable(interp, var, Value(buf));
    }
  }
  return result_int(interp, count);
}

constexpr CommandRow kErrorCommands[] = {
    {"error", nuvelCommandError, 2, kAnyWords, "msg ?info? ?code? ?line?"},
    {"catch", nuvelCommandCatch, 2, kAnyWords, "script ?var? ?-quiet?"},
    {"try", nuvelCommandTry, 4, kAnyWords, "{code} catch {code} ?-quiet?"},
};

constexpr CommandRow kCmdcountCommands[] = {
    {"cmdcount", nuvelCommandCmdcount, 1, kAnyWords, "?-reset? | cmdcount script ?var?"},
};

}  // namespace

[[gnu::section(".text.startup.register")]] void register_error_cmds(Interp& interp) {
  core::register_rows(interp, kErrorCommands);
}
[[gnu::section(".text.startup.register")]] void register_cmdcount_cmds(Interp& interp) {
  core::register_rows(interp, kCmdcountCommands);
}

}  // namespace lang
