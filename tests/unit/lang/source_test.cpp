// The source command where scripts cannot look: a caller frame without argc,
// the current script name while a file runs, and preprocessing speed.
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "core/switches.h"
#include "core/var.h"
#include "mpp/mpp.h"
#include "platform/console.h"
#include "support/script_harness.h"

namespace {

// A script file, removed afterwards.
class ScriptFile {
 public:
  explicit ScriptFile(const std::string& text) {
    char name[] = "/tmp/nuvel_source_XXXXXX";
    int fd = ::mkstemp(name);
    ::close(fd);
    path_ = name;
    std::ofstream(path_, std::ios::binary) << text;
  }
  ~ScriptFile() { ::unlink(path_.c_str()); }
  ScriptFile(const ScriptFile&) = delete;
  ScriptFile& operator=(const ScriptFile&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

std::string g_seen_script_name;

core::Code record_script_name(core::Interp&, int, core::Value*, void*) {
  g_seen_script_name = core::process().script_name;
  return core::Code::Ok;
}

TEST(SourceTest, CallerWithoutArgcGetsNoArgcOrArgv) {
  auto interp = testing_support::fresh_interp();
  ScriptFile file("set inner \"$argc $argv(1)\"\n");
  {
    vars::FrameGuard frame(*interp, "caller");
    std::string command = "source " + file.path() + " word";
    testing_support::ScriptRun run = testing_support::run_script(*interp, command);
    EXPECT_EQ(run.code, core::Code::Ok) << run.output;
    EXPECT_EQ(testing_support::var_value(*interp, "inner"), "2 word");
    EXPECT_EQ(vars::nuvelGetVar(*interp, "argc"), nullptr);
    EXPECT_EQ(vars::nuvelGetVar(*interp, "argv"), nullptr);
  }
  // The global frame keeps its own.
  EXPECT_EQ(testing_support::var_value(*interp, "argc"), "0");
}

TEST(SourceTest, ScriptNameIsTheFileWhileItRuns) {
  auto interp = testing_support::fresh_interp();
  ASSERT_EQ(core::nuvelRegisterCommand(*interp, "record_name", record_script_name, nullptr, false),
            0);
  ScriptFile file("record_name\n");
  std::string before = core::process().script_name;
  testing_support::ScriptRun run = testing_support::run_script(*interp, "source " + file.path());
  EXPECT_EQ(run.code, core::Code::Ok) << run.output;
  EXPECT_EQ(g_seen_script_name, file.path());
  EXPECT_EQ(core::process().script_name, before);
  // Also after a failing file.
  ScriptFile failing("record_name\nerror boom\n");
  run = testing_support::run_script(*interp, "source " + failing.path());
  EXPECT_EQ(run.code, core::Code::Error);
  EXPECT_EQ(core::process().script_name, before);
}

// Preprocessing must stay linear: 1 MB well under a second, 10 MB too.
// Speed is tracked in bench/, not here.
TEST(SourceTest, PreprocessesLargeScripts) {
  auto interp = testing_support::fresh_interp();
  std::string block =
      "# a comment line\n"
      "/* a block comment */ set a [+ LIMIT 1]\n"
      "set b \"text with True and \\t escapes\"\n"
      "set c [expr {$a*2+1}] ;# trailing comment\n";
  std::string one_mb = "#define LIMIT 10\n";
  while (one_mb.size() < (1u << 20)) one_mb += block;
  std::string ten_mb;
  ten_mb.reserve(one_mb.size() * 10);
  for (int i = 0; i < 10; ++i) ten_mb += one_mb;
  for (std::string* text : {&one_mb, &ten_mb}) {
    std::string sink;
    platform::set_capture(&sink);
    int rc = core::mpp_preprocess(*interp, *text, true, "big.tcl");
    platform::set_capture(nullptr);
    EXPECT_GT(rc, 0) << sink;
    EXPECT_EQ(text->find("LIMIT"), std::string::npos);
    EXPECT_EQ(text->find("/*"), std::string::npos);
  }
}

}  // namespace
