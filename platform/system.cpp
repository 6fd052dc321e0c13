// Process services on Linux: signal handling, executable path, environment,
// shell commands, the large-stack evaluation thread, exit, ticks and sleeping.
#include "platform/system.h"

#include <pthread.h>
#include <spawn.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <exception>
#include <thread>

#include "platform/console.h"
#include "platform/console_internal.h"
#include "platform/process.h"

extern char** environ;

namespace platform {

volatile std::sig_atomic_t detail::g_break = 0;

namespace {

using detail::g_break;
volatile std::sig_atomic_t g_exit = 0;

void on_interrupt(int) {
  g_break = 1;
}

// SIGPIPE is caught rather than ignored: a write to a pipe whose reader is
// gone then fails with EPIPE and is reported, instead of ending the process,
// while child processes still start with the default action (exec resets
// caught signals, but would keep an ignored one).
void on_broken_pipe(int) {}

// SIGTERM and SIGHUP: installed with SA_RESETHAND, so raising the signal again
// ends the process by the default action once the handler returns, and the
// parent sees the real cause.
void on_terminate(int sig) {
  g_exit = 1;
  detail::restore_terminal_from_signal();
  ::raise(sig);
}

void on_window_change(int) {
  detail::note_window_change();
}

// Signals that end the process by a fault or an abort. The handler restores
// the terminal, puts back whatever handler was there before (a sanitizer's, or
// the default) and lets the signal happen again under it.
constexpr int kFatalSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGQUIT};
struct sigaction g_previous[NSIG];

void on_fatal(int sig, siginfo_t* info, void*) {
  detail::restore_terminal_from_signal();
  ::sigaction(sig, &g_previous[sig], nullptr);
  bool from_kernel = info != nullptr && info->si_code > 0;
  bool synchronous = sig == SIGSEGV || sig == SIGBUS || sig == SIGFPE || sig == SIGILL;
  // A fault raised by the kernel repeats when the instruction runs again.
  if (!(synchronous && from_kernel)) ::raise(sig);
}

void install(int sig, void (*handler)(int), int flags) {
  struct sigaction action {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  action.sa_flags = flags;
  ::sigaction(sig, &action, nullptr);
}

// The state handed to the evaluation thread.
struct ThreadCall {
  const std::function<int()>* body = nullptr;
  int result = 0;
  std::exception_ptr error;
  bool take_signals = true;  // the caller did not block them itself
};

// The signals that the evaluation thread takes itself: the thread that waits
// for it blocks them, so that an interrupt arriving while a child process runs
// is handled before the wait for that child returns.
sigset_t evaluation_signals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  return set;
}

void* thread_main(void* data) {
  auto* call = static_cast<ThreadCall*>(data);
  if (call->take_signals) {
    sigset_t signals = evaluation_signals();
    ::pthread_sigmask(SIG_UNBLOCK, &signals, nullptr);
  }
  try {
    call->result = (*call->body)();
  } catch (...) {
    call->error = std::current_exception();
  }
  return nullptr;
}

class ThreadAttributes {
 public:
  ThreadAttributes() { ok_ = ::pthread_attr_init(&attr_) == 0; }
  ~ThreadAttributes() {
    if (ok_) ::pthread_attr_destroy(&attr_);
  }
  ThreadAttributes(const ThreadAttributes&) = delete;
  ThreadAttributes& operator=(const ThreadAttributes&) = delete;
  bool ok() const { return ok_; }
  pthread_attr_t* get() { return &attr_; }

 private:
  pthread_attr_t attr_{};
  bool ok_ = false;
};

}  // namespace

// --- Signals -------------------------------------------------------------------

void install_signal_handlers() {
  install(SIGINT, on_interrupt, SA_RESTART);
  install(SIGPIPE, on_broken_pipe, SA_RESTART);
  install(SIGTERM, on_terminate, SA_RESETHAND);
  install(SIGHUP, on_terminate, SA_RESETHAND);
  install(SIGWINCH, on_window_change, SA_RESTART);
  for (int sig : kFatalSignals) {
    struct sigaction action {};
    action.sa_sigaction = on_fatal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    ::sigaction(sig, &action, &g_previous[sig]);
  }
}

bool take_break_flag() {
  bool was_set = g_break != 0;
  g_break = 0;
  return was_set;
}

void set_break_flag() {
  g_break = 1;
}

bool exit_flag() {
  return g_exit != 0;
}

// --- Executable and environment ---------------------------------------------------

std::string executable_path() {
  std::string path(256, '\0');
  for (;;) {
    ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size());
    if (n < 0) return "";
    if (static_cast<size_t>(n) < path.size()) {
      path.resize(static_cast<size_t>(n));
      return path;
    }
    if (path.size() >= 65536) return "";
    path.resize(path.size() * 2);
  }
}

std::vector<std::string> environment() {
  std::vector<std::string> entries;
  for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
    entries.emplace_back(*entry);
  }
  return entries;
}

std::string get_env(std::string_view name, bool* found) {
  const char* value = nullptr;
  // A name holding '=' or NUL cannot name a variable.
  if (!name.empty() && name.find_first_of(std::string_view("=\0", 2)) == std::string_view::npos) {
    value = std::getenv(std::string(name).c_str());
  }
  if (found != nullptr) *found = value != nullptr;
  return value != nullptr ? value : "";
}

// --- Child processes -----------------------------------------------------------------

int run_shell(std::string_view command_line) {
  flush();
  std::string command(command_line);
  char shell[] = "/bin/sh";
  char dash_c[] = "-c";
  char* argv[] = {shell, dash_c, command.data(), nullptr};
  pid_t pid = 0;
  if (::posix_spawn(&pid, shell, nullptr, nullptr, argv, environ) != 0) return -1;
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

bool is_program(std::string_view name) {
  return !find_program(name).empty();
}

int run_with_stack(size_t stack_bytes, const std::function<int()>& body) {
  ThreadCall call;
  call.body = &body;
  ThreadAttributes attributes;
  const auto minimum = static_cast<size_t>(PTHREAD_STACK_MIN);
  size_t size = stack_bytes < minimum ? minimum : stack_bytes;
  pthread_t thread{};
  sigset_t signals = evaluation_signals();
  sigset_t saved;
  ::pthread_sigmask(SIG_BLOCK, &signals, &saved);
  call.take_signals = sigismember(&saved, SIGINT) == 0;
  bool started = attributes.ok() && ::pthread_attr_setstacksize(attributes.get(), size) == 0 &&
                 ::pthread_create(&thread, attributes.get(), thread_main, &call) == 0;
  if (started) ::pthread_join(thread, nullptr);
  ::pthread_sigmask(SIG_SETMASK, &saved, nullptr);
  if (!started) {
    // No thread of that size (address-space limits): run on this stack; the
    // evaluator's own depth limits still apply.
    return body();
  }
  if (call.error) std::rethrow_exception(call.error);
  return call.result;
}

// --- Ending the process, time ------------------------------------------------------------

void exit_process(int code) {
  detail::restore_terminal();
  std::exit(code);
}

uint64_t tick_ms() {
  auto now = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

bool secure_random(void* out, size_t size) {
  auto* p = static_cast<unsigned char*>(out);
  while (size > 0) {
    ssize_t got = getrandom(p, size, 0);
    if (got < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += got;
    size -= static_cast<size_t>(got);
  }
  return true;
}

void sleep_ms(unsigned ms) {
  flush();
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace platform
