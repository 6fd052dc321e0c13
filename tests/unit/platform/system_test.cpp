// Process services: shell commands, the large evaluation stack, signals, exit,
// executable path and environment.
#include "platform/system.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <csignal>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>

#include "platform/console.h"
#include "unit/platform/fd_redirect.h"

namespace {

using nuvel_test::drain_fd;
using nuvel_test::FdRedirect;
using nuvel_test::TempFile;

// Runs `child` in a forked process whose standard output is a pipe; returns
// the wait status and what the child wrote.
template <typename Body>
std::pair<int, std::string> run_forked(Body child) {
  int pipe_fds[2];
  if (::pipe(pipe_fds) != 0) return {-1, ""};
  pid_t pid = ::fork();
  if (pid == 0) {
    ::close(pipe_fds[0]);
    ::dup2(pipe_fds[1], 1);
    platform::flush();  // notices that standard output is now a pipe
    child();
    ::_exit(99);
  }
  ::close(pipe_fds[1]);
  std::string text = drain_fd(pipe_fds[0], 5000);
  ::close(pipe_fds[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  return {status, text};
}

TEST(RunShell, ExitCodes) {
  EXPECT_EQ(platform::run_shell("true"), 0);
  EXPECT_EQ(platform::run_shell("exit 3"), 3);
  EXPECT_EQ(platform::run_shell("kill -9 $$"), 128 + SIGKILL);
  EXPECT_EQ(platform::run_shell("kill -TERM $$"), 128 + SIGTERM);
}

TEST(RunShell, ConsoleOutputIsFlushedBeforeTheChild) {
  TempFile file;
  {
    FdRedirect redirect(1, file.fd());
    platform::flush();
    platform::out("before\n");
    EXPECT_EQ(platform::run_shell("echo child"), 0);
    platform::out("after\n");
    platform::flush();
  }
  platform::flush();
  EXPECT_EQ(file.contents(), "before\nchild\nafter\n");
}

TEST(Sleep, FlushesAndWaits) {
  TempFile file;
  uint64_t start = 0;
  std::string seen;
  {
    FdRedirect redirect(1, file.fd());
    platform::flush();
    platform::out("pending");
    start = platform::tick_ms();
    platform::sleep_ms(30);
    seen = file.contents();
  }
  EXPECT_GE(platform::tick_ms() - start, 30u);
  EXPECT_EQ(seen, "pending");
}

// Recursion whose frames the optimiser cannot fold away.
int descend(int depth) {
  volatile char frame[256];
  frame[0] = static_cast<char>(depth);
  if (depth == 0) return frame[0];
  return descend(depth - 1) + 1 + frame[0] * 0;
}

TEST(RunWithStack, DeepRecursionFitsInTheLargeStack) {
  // About 100 MB of frames: far beyond a default 8 MB stack.
  constexpr int kDepth = 300000;
  int result = platform::run_with_stack(size_t{1} << 30, [] { return descend(kDepth); });
  EXPECT_EQ(result, kDepth);
}

TEST(RunWithStack, RunsOnTheCallingThreadAndNests) {
  // The body shares the caller's thread (its thread-locals, its signal
  // handling); a run inside a run gets a large stack of its own and returns to
  // the outer one.
  const std::thread::id caller = std::this_thread::get_id();
  int result = platform::run_with_stack(size_t{1} << 26, [&] {
    EXPECT_EQ(std::this_thread::get_id(), caller);
    int inner = platform::run_with_stack(size_t{1} << 30, [] { return descend(200000); });
    return inner + descend(1000);
  });
  EXPECT_EQ(result, 201000);
  // Many runs in a row leave nothing behind (the sanitizer build checks the
  // stacks are given back).
  for (int i = 0; i < 200; ++i) {
    EXPECT_EQ(platform::run_with_stack(size_t{1} << 30, [i] { return i; }), i);
  }
}

TEST(RunWithStack, ExceptionsReachTheCaller) {
  EXPECT_THROW(platform::run_with_stack(1 << 20, []() -> int { throw std::runtime_error("x"); }),
               std::runtime_error);
  // Thrown from deep inside, caught on the way out, thrown again.
  try {
    platform::run_with_stack(size_t{1} << 30, []() -> int {
      try {
        descend(1000);
        throw std::runtime_error("inner");
      } catch (const std::runtime_error& e) {
        throw std::logic_error(std::string(e.what()) + " again");
      }
    });
    ADD_FAILURE() << "no exception";
  } catch (const std::logic_error& e) {
    EXPECT_STREQ(e.what(), "inner again");
  }
  EXPECT_EQ(platform::run_with_stack(0, [] { return 42; }), 42);  // raised to the minimum
}

TEST(Process, ExecutablePathAndEnvironment) {
  std::string path = platform::executable_path();
  ASSERT_FALSE(path.empty());
  EXPECT_EQ(path[0], '/');
  EXPECT_TRUE(std::filesystem::is_regular_file(path));

  bool found = false;
  std::string value = platform::get_env("PATH", &found);
  ASSERT_TRUE(found);
  bool listed = false;
  for (const std::string& entry : platform::environment()) listed |= entry == "PATH=" + value;
  EXPECT_TRUE(listed);

  EXPECT_EQ(platform::get_env("NUVEL_SURELY_UNSET_VARIABLE", &found), "");
  EXPECT_FALSE(found);
  EXPECT_EQ(platform::get_env("PATH=x", &found), "");
  EXPECT_FALSE(found);
  EXPECT_EQ(platform::get_env("", &found), "");
  EXPECT_FALSE(found);
}

TEST(Signals, InterruptSetsTheBreakFlagOnly) {
  platform::install_signal_handlers();
  platform::take_break_flag();
  ::raise(SIGINT);
  EXPECT_TRUE(platform::break_flag());
  EXPECT_TRUE(platform::take_break_flag());
  EXPECT_FALSE(platform::take_break_flag());
  EXPECT_FALSE(platform::exit_flag());
}

TEST(Signals, TerminateWritesPendingOutputAndEnds) {
  auto [status, text] = run_forked([] {
    platform::install_signal_handlers();
    platform::out("pending");
    ::raise(SIGTERM);
  });
  ASSERT_TRUE(WIFSIGNALED(status));
  EXPECT_EQ(WTERMSIG(status), SIGTERM);
  EXPECT_EQ(text, "pending");
}

TEST(ExitProcess, FlushesAndUsesTheCode) {
  auto [status, text] = run_forked([] {
    platform::out("bye");
    platform::exit_process(5);
  });
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 5);
  EXPECT_EQ(text, "bye");
}

}  // namespace
