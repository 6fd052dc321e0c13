// Child processes and the environment: captured runs with input and output
// served together, detached starts that leave no zombie, program look-up,
// environment changes and the machine facts' formats.
#include "platform/process.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cerrno>
#include <csignal>

#include "platform/fs.h"
#include "platform/sysinfo.h"
#include "platform/system.h"

namespace {

TEST(RunCaptured, ArgumentsArriveExactly) {
  std::string out;
  int status = platform::run_captured(
      {"/bin/sh", "-c", "printf '<%s>' \"$@\"", "sh", "a b", "", "$HOME", "'\"", "x;y"}, {}, out);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(out, "<a b><><$HOME><'\"><x;y>");
}

TEST(RunCaptured, ExitStatusAndSignal) {
  std::string out;
  EXPECT_EQ(platform::run_captured({"/bin/sh", "-c", "exit 9"}, {}, out), 9);
  EXPECT_EQ(platform::run_captured({"/bin/sh", "-c", "kill -KILL $$"}, {}, out), 128 + SIGKILL);
}

TEST(RunCaptured, MissingProgramFailsWithItsError) {
  std::string out;
  platform::set_last_error(0);
  EXPECT_EQ(platform::run_captured({"no_such_program_nuvel_test"}, {}, out), -1);
  EXPECT_EQ(platform::last_error(), ENOENT);
  EXPECT_EQ(platform::run_captured({}, {}, out), -1);
}

// Several megabytes through cat both ways: a runner that wrote all input
// before reading would block forever on the full pipes.
TEST(RunCaptured, LargeInputAndOutputTogether) {
  std::string input(6 * 1024 * 1024, 'q');
  input[12345] = '\0';
  platform::CaptureOptions options;
  options.input = std::string_view(input);
  std::string out;
  ASSERT_EQ(platform::run_captured({"cat"}, options, out), 0);
  EXPECT_EQ(out, input);
}

TEST(RunCaptured, ReaderThatStopsEarlyIsNoFailure) {
  std::string input(2 * 1024 * 1024, 'z');
  platform::CaptureOptions options;
  options.input = std::string_view(input);
  std::string out;
  EXPECT_EQ(platform::run_captured({"head", "-c", "3"}, options, out), 0);
  EXPECT_EQ(out, "zzz");
}

TEST(RunCaptured, EchoSeesEveryByte) {
  platform::CaptureOptions options;
  std::string echoed;
  options.on_output = [&echoed](std::string_view piece) { echoed += piece; };
  std::string out;
  ASSERT_EQ(platform::run_captured({"head", "-c", "100000", "/dev/zero"}, options, out), 0);
  EXPECT_EQ(out.size(), 100000u);
  EXPECT_EQ(echoed, out);
}

TEST(RunCaptured, StandardErrorMergedOrNot) {
  std::string out;
  platform::CaptureOptions merged;
  ASSERT_EQ(platform::run_captured({"/bin/sh", "-c", "echo e >&2"}, merged, out), 0);
  EXPECT_EQ(out, "e\n");
  platform::CaptureOptions apart;
  apart.merge_stderr = false;
  out.clear();
  ASSERT_EQ(platform::run_captured({"/bin/sh", "-c", "echo o; echo e 2>/dev/null >&2"}, apart, out),
            0);
  EXPECT_EQ(out, "o\n");
}

// The detached program is handed to the system: afterwards this process has
// no child left to reap, running or finished.
TEST(StartDetached, LeavesNoChildBehind) {
  ASSERT_TRUE(platform::start_detached({"true"}));
  int status = 0;
  EXPECT_EQ(::waitpid(-1, &status, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);
  EXPECT_FALSE(platform::start_detached({"no_such_program_nuvel_test"}));
  EXPECT_FALSE(platform::start_detached({}));
}

TEST(FindProgram, PathAndSlashForms) {
  EXPECT_EQ(platform::find_program("/bin/sh"), "/bin/sh");
  EXPECT_FALSE(platform::find_program("sh").empty());
  EXPECT_EQ(platform::find_program("/no/such/program"), "");
  EXPECT_EQ(platform::find_program(""), "");
  EXPECT_EQ(platform::find_program("/tmp"), "");  // a folder is no program
}

TEST(SetEnv, SetAndRemove) {
  ASSERT_TRUE(platform::set_env("NUVEL_UNIT_ENV", "v 1"));
  bool found = false;
  EXPECT_EQ(platform::get_env("NUVEL_UNIT_ENV", &found), "v 1");
  EXPECT_TRUE(found);
  ASSERT_TRUE(platform::set_env("NUVEL_UNIT_ENV", ""));
  platform::get_env("NUVEL_UNIT_ENV", &found);
  EXPECT_FALSE(found);
  EXPECT_FALSE(platform::set_env("", "x"));
  EXPECT_FALSE(platform::set_env("A=B", "x"));
  EXPECT_FALSE(platform::set_env(std::string_view("A\0B", 3), "x"));
}

TEST(ProcessIdentity, ExistsAndIds) {
  EXPECT_TRUE(platform::process_exists(platform::process_id()));
  EXPECT_FALSE(platform::process_exists(0));
  EXPECT_FALSE(platform::process_exists(-1));
  EXPECT_EQ(platform::session_id(0), platform::session_id(platform::process_id()));
  EXPECT_EQ(platform::session_id(-5), -1);
  EXPECT_EQ(platform::error_text(ENOENT), "No such file or directory");
}

TEST(SystemFacts, Formats) {
  platform::OsInfo os = platform::os_info();
  EXPECT_FALSE(os.product.empty());
  EXPECT_GT(os.major, 0);
  platform::MemoryStatus m = platform::memory_status();
  EXPECT_GT(m.total, 0u);
  EXPECT_LE(m.avail, m.total);
  EXPECT_GE(m.total_page, m.total);
  EXPECT_LE(m.avail_virtual, m.total_virtual);
  std::vector<std::string> disks = platform::disk_mounts();
  ASSERT_FALSE(disks.empty());
  EXPECT_EQ(disks[0], "/");
  EXPECT_EQ(platform::disk_type("/no/such/path"), 1);
  EXPECT_GE(platform::monitor_count(), 1);
  unsigned char a[16] = {}, b[16] = {};
  ASSERT_TRUE(platform::random_bytes(a, sizeof a));
  ASSERT_TRUE(platform::random_bytes(b, sizeof b));
  EXPECT_NE(std::string(reinterpret_cast<char*>(a), 16),
            std::string(reinterpret_cast<char*>(b), 16));
}

}  // namespace
