// The environment and this process: getenv, setenv, pid, tid, getsid,
// hostname, username, is_admin, is_elevated, elevate, is_active,
// get_win_error and win_error.
#include <cstdint>

#include "containers/hash_table.h"
#include "core/cmd_helpers.h"
#include "core/var_store.h"
#include "platform/fs.h"
#include "platform/process.h"
#include "platform/system.h"
#include "syslib/sysinfo.h"

namespace syslib {
namespace {

using core::Code;
using core::CommandRow;
using core::Interp;
using core::Value;

// getenv name ?default?
// Results: the variable's value in the live environment, or the default (or
// "") when it is not set.
Code nuvelCommandGetenv(Interp& interp, int argc, Value* argv, void*) {
  bool found = false;
  std::string value = platform::get_env(argv[1].view(), &found);
  core::nuvelSetResult(interp, !found && argc > 2 ? argv[2] : Value(std::move(value)));
  return Code::Ok;
}

// Keeps the start-up array `env` in step with the live environment: the
// element is written (escaped as at start-up) or removed. The array is a
// constant for scripts; only this command changes it.
void sync_env_array(Interp& interp, std::string_view name, std::string_view value) {
  vars::VarRef env = vars::lookup(interp, "env", 0);
  vars::VarRef owner = env ? env.storage() : vars::VarRef();
  if (!owner || owner.kind() != vars::VT_ARRAY || owner.table() == nullptr) return;
  if (value.empty()) {
    (void)vars::remove_element(owner, name);
  } else {
    (void)vars::set_element(owner, name, Value(core::nuvelEscape(value)));
  }
}

// setenv name ?value?
// Results: "1" when the environment was changed, "0" when the system refused.
// Side effects: sets the variable, or removes it when the value is missing or
// empty; the array env follows.
// Errors: a name that is empty or holds "=".
Code nuvelCommandSetenv(Interp& interp, int argc, Value* argv, void*) {
  std::string_view name = argv[1].view();
  if (name.empty() || name.find('=') != std::string_view::npos ||
      name.find('\0') != std::string_view::npos) {
    return core::fail(interp, core::Msg::EnvInvalidName, name);
  }
  std::string_view value = argc > 2 ? argv[2].view() : std::string_view();
  if (!platform::set_env(name, value)) return core::result_bool(interp, false);
  sync_env_array(interp, name, value);
  return core::result_bool(interp, true);
}

// pid, tid
// Results: the process id, or (tid) the id of the thread that evaluates.
Code nuvelCommandPid(Interp& interp, int, Value* argv, void*) {
  bool thread = argv[0].view() == "tid";
  return core::result_int(interp, thread ? platform::thread_id() : platform::process_id());
}

// getsid ?pid|-user?
// Results: the session id of the process (default this one); with -user the
// real user id.
// Errors: a pid that is not a number, or names no process.
Code nuvelCommandGetsid(Interp& interp, int argc, Value* argv, void*) {
  if (argc == 1) return core::result_int(interp, platform::session_id(0));
  std::string_view w = argv[1].view();
  if (core::iequals(w, "-user")) return core::result_int(interp, platform::user_id());
  std::optional<int64_t> pid = core::parse_int(w);
  if (!pid || *pid < 0) return core::fail(interp, core::Msg::InvalidArgument, w);
  int64_t sid = platform::session_id(*pid);
  if (sid < 0) return core::fail(interp, core::Msg::NotFound, w);
  return core::result_int(interp, sid);
}

Code nuvelCommandHostname(Interp& interp, int, Value*, void*) {
  core::nuvelSetResult(interp, Value(host_name_text()));
  return Code::Ok;
}

Code nuvelCommandUsername(Interp& interp, int, Value*, void*) {
  core::nuvelSetResult(interp, Value(user_name_text()));
  return Code::Ok;
}

// is_admin: root, or a member of sudo, wheel or admin.
Code nuvelCommandIsAdmin(Interp& interp, int, Value*, void*) {
  return core::result_bool(interp, platform::is_admin());
}

// is_elevated: running as root.
Code nuvelCommandIsElevated(Interp& interp, int, Value*, void*) {
  return core::result_bool(interp, platform::is_elevated());
}

// elevate ?arg ...?
// Results: "1" when already running as root. A script is not restarted with
// more rights: one that needs root is started with sudo.
Code nuvelCommandElevate(Interp& interp, int, Value*, void*) {
  if (platform::is_elevated()) return core::result_bool(interp, true);
  return core::fail(interp, core::Msg::EnvNotSupported);
}

// is_active ?pid?
// Results: without a pid, "1" when standard input is a terminal and this
// process is in its foreground; with a pid, "1" when that process exists.
Code nuvelCommandIsActive(Interp& interp, int argc, Value* argv, void*) {
  if (argc == 1) return core::result_bool(interp, platform::is_foreground());
  std::optional<int64_t> pid = core::parse_int(argv[1].view());
  if (!pid) return core::fail(interp, core::Msg::InvalidArgument, argv[1]);
  return core::result_bool(interp, platform::process_exists(*pid));
}

// get_win_error: the system error number of the last failing system call
// made by the process, environment and machine commands ("0" when none).
Code nuvelCommandGetWinError(Interp& interp, int, Value*, void*) {
  return core::result_int(interp, platform::last_error());
}

// win_error ?code?: the system's text for an error number (default the last).
Code nuvelCommandWinError(Interp& interp, int argc, Value* argv, void*) {
  int64_t code = platform::last_error();
  if (argc > 1) {
    std::optional<int64_t> n = core::parse_int(argv[1].view());
    if (!n || *n < INT32_MIN || *n > INT32_MAX) {
      return core::fail(interp, core::Msg::InvalidArgument, argv[1]);
    }
    code = *n;
  }
  core::nuvelSetResult(interp, Value(platform::error_text(static_cast<int>(code))));
  return Code::Ok;
}

const CommandRow kEnvCommands[] = {
    {"getenv", nuvelCommandGetenv, 2, 3, "name ?default?"},
    {"setenv", nuvelCommandSetenv, 2, 3, "name ?value?", core::kUnsafe},
    {"pid", nuvelCommandPid, 1, 1, ""},
    {"tid", nuvelCommandPid, 1, 1, ""},
    {"getsid", nuvelCommandGetsid, 1, 2, "?pid|-user?"},
    {"hostname", nuvelCommandHostname, 1, 1, ""},
    {"username", nuvelCommandUsername, 1, 1, ""},
    {"is_admin", nuvelCommandIsAdmin, 1, 1, ""},
    {"is_elevated", nuvelCommandIsElevated, 1, 1, ""},
    {"elevate", nuvelCommandElevate, 1, core::kAnyWords, "?arg ...?", core::kUnsafe},
    {"is_active", nuvelCommandIsActive, 1, 2, "?pid?"},
    {"get_win_error", nuvelCommandGetWinError, 1, 1, ""},
    {"win_error", nuvelCommandWinError, 1, 2, "?code?"},
};

}  // namespace

[[gnu::section(".text.startup.register")]] void register_env_cmds(Interp& interp) {
  core::register_rows(interp, kEnvCommands);
}

}  // namespace syslib
