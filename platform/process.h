// Child processes, the environment and the identity of this process: running
// programs with their output captured, starting detached programs, process
// and session ids, user rights, and the last system error seen here.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// --- Running programs --------------------------------------------------------
// How a captured child is run.
struct CaptureOptions {
  // Text written to the child's standard input, which is then closed; without
  // it the child reads the interpreter's standard input.
  std::optional<std::string_view> input;
  // Standard error goes into the captured output too (else it is inherited).
  bool merge_stderr = true;
  // Called with every block of output as it arrives (echoing).
  std::function<void(std::string_view)> on_output;
  // Standard output and error go to /dev/null instead (nothing is
  // collected), so a child that leaves a helper behind holding them open
  // cannot keep the caller waiting.
  bool discard_output = false;
  // Milliseconds after which a child that has not finished is killed and
  // the call fails with ETIMEDOUT; 0 waits as long as it takes.
  int timeout_ms = 0;
};

// Runs `argv[0]` (searched on PATH when it has no slash) with exactly the
// given arguments and waits for it, collecting its standard output in `out`.
// Input and output are served together, so neither side can block the other
// whatever their sizes. Console output is flushed first.
// Returns the exit status (128 + signal when killed), or -1 when the child
// could not be started (last_error() tells why).
int run_captured(const std::vector<std::string>& argv, const CaptureOptions& options,
                 std::string& out);

// --- Background programs -------------------------------------------------------
// Starts `argv[0]` (searched on PATH) in a process group of its own, with
// standard input from /dev/null and its output discarded, and returns at
// once. With `repeat` the program is started again each time it ends, until
// it is stopped. The group ends when the evaluating thread of this process
// does. Returns an id (> 0), or -1 when it cannot be started.
int64_t start_background(const std::vector<std::string>& argv, bool repeat);
// True while the background program runs (one that ended is reaped).
bool background_running(int64_t id);
// Ends the background program's whole group (SIGTERM) and reaps it; false
// when it was not running.
bool stop_background(int64_t id);
// Waits until the background program ends, or until the break flag is set
// (then it is stopped). Returns its exit status, or -1.
int wait_background(int64_t id);

// Starts `argv[0]` with its arguments in a new process group without waiting:
// standard input reads /dev/null, output and errors are inherited. The child
// is handed to the system through an intermediate process, so it never stays
// behind as a zombie of the interpreter. Returns false when the program cannot
// be found or the start fails.
bool start_detached(const std::vector<std::string>& argv);

// Runs an interactive `/bin/sh`, first running `command_line` when it is not
// empty, with the interpreter's standard streams; waits for it. Returns the
// exit status or -1.
int run_interactive_shell(std::string_view command_line);

// The path of a program as `run_captured` would start it: a name with a slash
// as it is, otherwise the first executable file of that name on PATH; "" when
// there is none.
std::string find_program(std::string_view name);

// --- Environment -------------------------------------------------------------------
// Sets (or, with an empty value, removes) a variable of the live environment.
// False when the name is empty, holds '=' or the system refuses.
bool set_env(std::string_view name, std::string_view value);

// --- Process identity and rights -----------------------------------------------------
int64_t process_id();
int64_t thread_id();
// Session id of `pid` (0: this process); -1 when there is no such process.
int64_t session_id(int64_t pid);
int64_t user_id();
// Running as root.
bool is_elevated();
// Root, or a member of the groups that may become root (sudo, wheel, admin).
bool is_admin();
// Standard input is a terminal whose foreground process group is ours.
bool is_foreground();
// A process with that id exists (whether or not we may signal it).
bool process_exists(int64_t pid);

// --- System errors -----------------------------------------------------------------------
// The errno saved by the last failing call of this layer's process,
// environment and system-information functions (0 when none).
int last_error();
void set_last_error(int code);

}  // namespace platform
