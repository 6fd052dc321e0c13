// Process-level services: signals, executable path, environment, running a
// command line through the shell, and the large-stack evaluation thread.
#pragma once

#include <csignal>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// SIGINT sets the break flag (the process keeps running); SIGTERM and SIGHUP
// set the exit flag, restore the terminal and end the process. SIGPIPE does
// not end the process: the failing write reports EPIPE instead.
void install_signal_handlers();
// Returns and clears the break flag.
bool take_break_flag();
void set_break_flag();

namespace detail {
// Set by the SIGINT handler. Read inline: the evaluator looks at it between
// every two commands.
extern volatile std::sig_atomic_t g_break;
}  // namespace detail
inline bool break_flag() {
  return detail::g_break != 0;
}

bool exit_flag();

// Absolute path of the running executable ("" when unknown).
std::string executable_path();
// Entries of the process environment, each "name=value".
std::vector<std::string> environment();
std::string get_env(std::string_view name, bool* found = nullptr);

// Runs `/bin/sh -c command_line` with inherited standard streams after
// flushing console output. Returns the exit status (128 + signal when killed),
// or -1 when the process could not be started.
int run_shell(std::string_view command_line);
// True when `name` is a program that can be started: an executable file
// found on PATH, or (for a name with a slash) an executable file at that path.
bool is_program(std::string_view name);

// Runs `body` on a stack of `stack_bytes` (on this thread) and returns its value;
// an exception that leaves `body` reaches the caller.
int run_with_stack(size_t stack_bytes, const std::function<int()>& body);

// Ends the process at once with `code` after flushing console output and
// restoring the terminal.
[[noreturn]] void exit_process(int code);

// Milliseconds since an arbitrary start (monotonic).
uint64_t tick_ms();
// Fills `out` with `size` bytes from the kernel's cryptographic random
// source (getrandom); false when it cannot.
bool secure_random(void* out, size_t size);
void sleep_ms(unsigned ms);

}  // namespace platform
