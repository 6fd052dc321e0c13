// Process services on Linux: signal handling, executable path, environment,
// shell commands, the large evaluation stack, exit, ticks and sleeping.
#include "platform/system.h"

#include <pthread.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <ucontext.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <thread>

#include "platform/console.h"
#include "platform/console_internal.h"
#include "platform/process.h"

// AddressSanitizer must be told when the program switches stacks.
#if defined(__SANITIZE_ADDRESS__)
#define NUVEL_ASAN_FIBERS 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define NUVEL_ASAN_FIBERS 1
#endif
#endif
#ifndef NUVEL_ASAN_FIBERS
#define NUVEL_ASAN_FIBERS 0
#endif
#if NUVEL_ASAN_FIBERS
#include <sanitizer/asan_interface.h>
#include <sanitizer/common_interface_defs.h>
#endif

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

// A stack of its own for run_with_stack: an anonymous mapping that takes
// memory only as deep calls touch it, with an inaccessible guard page below
// it so that running off its end faults instead of writing elsewhere.
class FiberStack {
 public:
  explicit FiberStack(size_t bytes) {
    size_t page = static_cast<size_t>(::sysconf(_SC_PAGESIZE));
    bytes_ = (bytes + page - 1) / page * page;
    guard_ = page;
    void* base = ::mmap(nullptr, bytes_ + guard_, PROT_READ | PROT_WRITE,
                        MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE | MAP_STACK, -1, 0);
    if (base == MAP_FAILED) return;
    base_ = static_cast<char*>(base);
    if (::mprotect(base_, guard_, PROT_NONE) != 0) {
      ::munmap(base_, bytes_ + guard_);
      base_ = nullptr;
    }
  }
  ~FiberStack() {
    if (base_) ::munmap(base_, bytes_ + guard_);
  }
  FiberStack(const FiberStack&) = delete;
  FiberStack& operator=(const FiberStack&) = delete;
  bool ok() const { return base_ != nullptr; }
  char* bottom() const { return base_ + guard_; }
  size_t size() const { return bytes_; }

 private:
  char* base_ = nullptr;
  size_t bytes_ = 0;
  size_t guard_ = 0;
};

// What run_with_stack hands to the code running on the other stack, and what
// it hands back. Under AddressSanitizer each switch is announced, so that its
// picture of the current stack follows the switch.
struct FiberCall {
  const std::function<int()>* body = nullptr;
  int result = 0;
  std::exception_ptr error;
  ucontext_t caller{};
  ucontext_t callee{};
  // Set by the body's side before it switches back: the caller's context
  // resumes where it was saved, and this tells the two returns apart.
  volatile bool finished = false;
  // The sanitizer's own state for the switches.
  void* fake_stack = nullptr;
  const void* caller_bottom = nullptr;
  size_t caller_size = 0;
};

#if NUVEL_ASAN_FIBERS
void enter_fiber_done(FiberCall& call) {
  __sanitizer_finish_switch_fiber(nullptr, &call.caller_bottom, &call.caller_size);
}
void leave_fiber(FiberCall& call) {
  // The fiber ends: a null save slot lets the sanitizer drop its fake frames.
  __sanitizer_start_switch_fiber(nullptr, call.caller_bottom, call.caller_size);
}
#else
void enter_fiber_done(FiberCall&) {}
void leave_fiber(FiberCall&) {}
#endif

// makecontext passes int arguments only: the call's address comes in halves.
void fiber_main(unsigned high, unsigned low) {
  auto* call = reinterpret_cast<FiberCall*>((static_cast<uintptr_t>(high) << 32) |
                                            static_cast<uintptr_t>(low));
  enter_fiber_done(*call);
  try {
    call->result = (*call->body)();
  } catch (...) {
    call->error = std::current_exception();
  }
  call->finished = true;
  leave_fiber(*call);
  ::setcontext(&call->caller);
}

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
  // The body runs on this thread, on a stack switched in for it: a thread of
  // its own would cost a clone, a cross-processor wake-up and a join on
  // every start of the program.
  const auto minimum = static_cast<size_t>(PTHREAD_STACK_MIN);
  FiberStack stack(stack_bytes < minimum ? minimum : stack_bytes);
  FiberCall call;
  call.body = &body;
  if (!stack.ok() || ::getcontext(&call.callee) != 0) {
    // No room for that stack (address-space limits): run on this one; the
    // evaluator's own depth limits still apply.
    return body();
  }
  call.callee.uc_stack.ss_sp = stack.bottom();
  call.callee.uc_stack.ss_size = stack.size();
  call.callee.uc_link = nullptr;
  auto address = reinterpret_cast<uintptr_t>(&call);
  ::makecontext(&call.callee, reinterpret_cast<void (*)()>(fiber_main), 2,
                static_cast<unsigned>(address >> 32), static_cast<unsigned>(address));
  // getcontext and setcontext rather than swapcontext, which the sanitizer
  // build would announce on standard error. The saved context resumes twice:
  // now, and when the body's side switches back.
  if (::getcontext(&call.caller) != 0) return body();
  if (!call.finished) {
#if NUVEL_ASAN_FIBERS
    __sanitizer_start_switch_fiber(&call.fake_stack, stack.bottom(), stack.size());
#endif
    ::setcontext(&call.callee);
    return body();  // not reached: setcontext returns only when it fails
  }
#if NUVEL_ASAN_FIBERS
  __sanitizer_finish_switch_fiber(call.fake_stack, nullptr, nullptr);
  // The frames still open when the body's side switched back stay marked in
  // the sanitizer's map; clear them, as the same addresses may be mapped again.
  constexpr size_t kTop = 64 * 1024;
  size_t top = stack.size() < kTop ? stack.size() : kTop;
  __asan_unpoison_memory_region(stack.bottom() + stack.size() - top, top);
#endif
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
