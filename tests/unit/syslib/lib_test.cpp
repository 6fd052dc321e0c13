// Plug-in libraries as the process sees them: whether a library is really
// closed after unload, after a load that is undone and with its
// interpreter, and how library names become file names. The libraries are
// the ones the suite builds into the lib folder beside this program.
#include <gtest/gtest.h>

#include <string>

#include "platform/dynlib.h"
#include "support/script_harness.h"
#include "syslib/plugins.h"

namespace {

using testing_support::fresh_interp;
using testing_support::run_script;

std::string plugin(const char* name) {
  return syslib::library_folder() + "/" + name + ".so";
}

TEST(Lib, UnloadClosesTheLibrary) {
  auto interp = fresh_interp();
  ASSERT_FALSE(platform::library_is_resident(plugin("tp_good")));
  EXPECT_EQ(run_script(*interp, "lib tp_good").result, "6");
  EXPECT_TRUE(platform::library_is_resident(plugin("tp_good")));
  EXPECT_EQ(run_script(*interp, "lib -unload tp_good").result, "6");
  EXPECT_FALSE(platform::library_is_resident(plugin("tp_good")));
}

TEST(Lib, AliasKeepsNothingOpenAfterUnload) {
  auto interp = fresh_interp();
  run_script(*interp, "lib tp_good; alias e tp_echo; rename tp_vars v");
  EXPECT_EQ(run_script(*interp, "lib -unload tp_good").result, "7");
  EXPECT_FALSE(platform::library_is_resident(plugin("tp_good")));
  EXPECT_EQ(run_script(*interp, "info commands e").result, "");
}

TEST(Lib, FailedLoadsLeaveNothingBehind) {
  auto interp = fresh_interp();
  auto bad = run_script(*interp, "lib tp_badexport");
  EXPECT_EQ(bad.code, core::Code::Error);
  EXPECT_FALSE(platform::library_is_resident(plugin("tp_badexport")));
  auto thrown = run_script(*interp, "lib tp_throwinit");
  EXPECT_EQ(thrown.code, core::Code::Error);
  EXPECT_FALSE(platform::library_is_resident(plugin("tp_throwinit")));
  EXPECT_EQ(run_script(*interp, "list [lib -modules] [info commands tp_broken*]").result, "{} {}");
}

TEST(Lib, InterpreterTakesItsLibrariesAlong) {
  {
    auto interp = fresh_interp();
    run_script(*interp, "lib tp_good; lib nuvel_crc");
    EXPECT_TRUE(platform::library_is_resident(plugin("tp_good")));
  }
  EXPECT_FALSE(platform::library_is_resident(plugin("tp_good")));
  EXPECT_FALSE(platform::library_is_resident(plugin("nuvel_crc")));
}

TEST(Lib, EachInterpreterHasItsOwnModules) {
  auto first = fresh_interp();
  auto second = fresh_interp();
  EXPECT_EQ(run_script(*first, "lib tp_good").result, "6");
  EXPECT_EQ(run_script(*second, "lib tp_good").result, "6");
  EXPECT_EQ(run_script(*second, "tp_counts").result, "2 0");
  EXPECT_EQ(run_script(*first, "lib -unload tp_good").result, "6");
  // The other interpreter's commands still reach the open library.
  EXPECT_TRUE(platform::library_is_resident(plugin("tp_good")));
  EXPECT_EQ(run_script(*second, "tp_echo still open").result, "still open");
  EXPECT_EQ(run_script(*first, "lib -modules").result, "{}");
  EXPECT_EQ(run_script(*second, "lib -modules").result, "tp_good");
}

TEST(Lib, NamesBecomeFileNames) {
  const std::string folder = syslib::library_folder();
  EXPECT_EQ(syslib::library_file_name("tp_good"), folder + "/tp_good.so");
  EXPECT_EQ(syslib::library_file_name("tp_good.so"), folder + "/tp_good.so");
  EXPECT_EQ(syslib::library_file_name("x.plugin"), folder + "/x.plugin");
  EXPECT_EQ(syslib::library_file_name("./sub/x"), "./sub/x.so");
  EXPECT_EQ(syslib::library_file_name("/a/b.c/x"), "/a/b.c/x.so");
  EXPECT_EQ(syslib::library_file_name("./s\\ub/.x"), "./sub/.x.so");
  EXPECT_EQ(syslib::library_key("tp_good"), "tp_good");
  EXPECT_EQ(syslib::library_key("/a/b.c/crc.so"), "crc");
  EXPECT_EQ(syslib::library_key("./lib/x"), "x");
  EXPECT_EQ(syslib::library_folder(), syslib::executable_folder() + "/lib");
}

}  // namespace
