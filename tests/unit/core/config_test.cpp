// The configuration reader on real files, the configuration-file path, and
// the option commands that reload switches from it.
#include "core/config.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "core/switches.h"
#include "support/script_harness.h"

namespace {

// A configuration file with the given text, removed afterwards.
class ConfigFile {
 public:
  explicit ConfigFile(const std::string& text) {
    char name[] = "/tmp/nuvel_config_XXXXXX";
    int fd = ::mkstemp(name);
    ::close(fd);
    path_ = name;
    std::ofstream(path_, std::ios::binary) << text;
  }
  ~ConfigFile() { ::unlink(path_.c_str()); }
  ConfigFile(const ConfigFile&) = delete;
  ConfigFile& operator=(const ConfigFile&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// Default switches, empty save slots and the given configuration path for
// the length of a test.
class ConfigScope {
 public:
  explicit ConfigScope(const std::string& path) : saved_(core::process().config_path) {
    saved_switches_ = core::switches();
    core::switches() = core::Switches{};
    core::process().slots = core::SwitchSlots{};
    EXPECT_TRUE(core::nuvelSetConfigPath(path));
  }
  ~ConfigScope() {
    core::process().config_path = saved_;
    core::switches() = saved_switches_;
  }
  ConfigScope(const ConfigScope&) = delete;
  ConfigScope& operator=(const ConfigScope&) = delete;

 private:
  std::string saved_;
  core::Switches saved_switches_;
};

std::string run(std::string_view script) {
  return testing_support::run_script(script).result;
}

const char* const kSample =
    "; a comment\n"
    "# another comment\n"
    "[Other]\n"
    "AutoExec=1\n"
    "\n"
    "  [ config ]  \r\n"
    "AutoExec = no\r\n"
    "ConsoleEcho=\"yes\"\n"
    "Verbose=0;\n"
    "BackslashEscapes=TRUE\n"
    "FlowControlUsesExpression=1\n"
    "EnablePreprocessor=false\n"
    "StackTrace=\t1 \t\n"
    "Odd=maybe\n"
    "Empty=\n"
    "AutoExec=1\n"
    "[Later]\n"
    "Odd=1\n";

TEST(ConfigReader, ReadsKeysOfTheSection) {
  ConfigFile file(kSample);
  const std::string& p = file.path();
  EXPECT_EQ(core::nuvelReadConfig(p, "Config", "AutoExec"), false);  // the first one counts
  EXPECT_EQ(core::nuvelReadConfig(p, "Config", "ConsoleEcho"), true);
  EXPECT_EQ(core::nuvelReadConfig(p, "Config", "Verbose"), false);
  EXPECT_EQ(core::nuvelReadConfig(p, "Config", "BackslashEscapes"), true);
  EXPECT_EQ(core::nuvelReadConfig(p, "Config", "StackTrace"), true);
  EXPECT_EQ(core::nuvelReadConfig(p, "Config", "EnablePreprocessor"), false);
  // Section and key names are compared without regard to case.
  EXPECT_EQ(core::nuvelReadConfig(p, "CONFIG", "autoexec"), false);
  EXPECT_EQ(core::nuvelReadConfig(p, "other", "AUTOEXEC"), true);
  // Any other text is found with the value 0.
  EXPECT_EQ(core::nuvelReadConfig(p, "Config", "Odd"), false);
  EXPECT_EQ(core::nuvelReadConfig(p, "Config", "Empty"), false);
  EXPECT_EQ(core::nuvelReadConfig(p, "Later", "Odd"), true);
}

TEST(ConfigReader, MissingPathFileSectionOrKey) {
  ConfigFile file(kSample);
  EXPECT_EQ(core::nuvelReadConfig("", "Config", "AutoExec"), std::nullopt);
  EXPECT_EQ(core::nuvelReadConfig("/nonexistent/nuvel.ini", "Config", "AutoExec"), std::nullopt);
  EXPECT_EQ(core::nuvelReadConfig(file.path(), "Config", "NoSuchKey"), std::nullopt);
  EXPECT_EQ(core::nuvelReadConfig(file.path(), "NoSection", "AutoExec"), std::nullopt);
  // Comment lines are not keys.
  EXPECT_EQ(core::nuvelReadConfig(file.path(), "Config", "; a comment"), std::nullopt);
}

TEST(ConfigReader, ValueWords) {
  ConfigFile file(
      "[Config]\na=yes\nb=Yes\nc=true\nd=1\ne=no\nf=False\ng=0\nh=\"1\";\ni=10\nj= ;\"TRUE\"; \n");
  auto read = [&](const char* key) { return core::nuvelReadConfig(file.path(), "Config", key); };
  EXPECT_EQ(read("a"), true);
  EXPECT_EQ(read("b"), true);
  EXPECT_EQ(read("c"), true);
  EXPECT_EQ(read("d"), true);
  EXPECT_EQ(read("e"), false);
  EXPECT_EQ(read("f"), false);
  EXPECT_EQ(read("g"), false);
  EXPECT_EQ(read("h"), true);
  EXPECT_EQ(read("i"), false);
  EXPECT_EQ(read("j"), true);
}

TEST(ConfigPath, SetByTheEmbeddingApi) {
  std::string saved = core::process().config_path;
  EXPECT_TRUE(core::nuvelSetConfigPath("/etc/nuvel.ini"));
  EXPECT_EQ(core::process().config_path, "/etc/nuvel.ini");
  // At most 260 characters; a longer path leaves the setting as it was.
  EXPECT_FALSE(core::nuvelSetConfigPath(std::string(261, 'a')));
  EXPECT_EQ(core::process().config_path, "/etc/nuvel.ini");
  EXPECT_TRUE(core::nuvelSetConfigPath(std::string(260, 'a')));
  EXPECT_FALSE(core::nuvelSetConfigPath(std::string("a\0b", 3)));
  EXPECT_TRUE(core::nuvelSetConfigPath(""));
  EXPECT_EQ(core::process().config_path, "");
  core::process().config_path = saved;
}

TEST(ConfigPath, FromTheEnvironment) {
  std::string saved = core::process().config_path;
  core::process().config_path.clear();
  ::unsetenv("NUVEL_CONFIG");
  core::config_path_from_environment();
  EXPECT_EQ(core::process().config_path, "");
  ::setenv("NUVEL_CONFIG", "/tmp/some.ini", 1);
  core::config_path_from_environment();
  EXPECT_EQ(core::process().config_path, "/tmp/some.ini");
  ::unsetenv("NUVEL_CONFIG");
  core::process().config_path = saved;
}

TEST(OptionReset, ReloadsEachSwitch) {
  ConfigFile file(
      "[Config]\nAutoExec=0\nConsoleEcho=1\nVerbose=0\nBackslashEscapes=0\n"
      "FlowControlUsesExpression=yes\nEnablePreprocessor=0\nStackTrace=1\n");
  ConfigScope scope(file.path());
  EXPECT_EQ(run("option autoexec reset; option autoexec"), "OFF");
  EXPECT_EQ(run("option escape reset; option escape"), "OFF");
  EXPECT_EQ(run("option expression reset; option expression"), "ON");
  EXPECT_EQ(run("option preprocessor reset; option preprocessor"), "OFF");
  // on/off still apply after a preprocessor reset.
  EXPECT_EQ(run("option preprocessor reset on; option preprocessor"), "ON");
  EXPECT_EQ(run("option stacktrace reset; option stacktrace"), "ON");
  EXPECT_EQ(core::switches().verbose, 1);
  EXPECT_EQ(run("option echo reset; option echo"), "ON");
  EXPECT_EQ(core::switches().verbose, 0);
  // With verbose off, reported errors are not shown.
  testing_support::ScriptRun quiet = testing_support::run_script("option nosuch");
  EXPECT_EQ(quiet.code, core::Code::Error);
  EXPECT_EQ(quiet.output, "");
  EXPECT_EQ(quiet.errorMsg, "option: Unknown option 'nosuch'");
}

TEST(OptionReset, EscapeOnSwitchesAutoexecOff) {
  ConfigFile file("[Config]\nBackslashEscapes=1\n");
  ConfigScope scope(file.path());
  EXPECT_EQ(run("option escape off; option escape reset; option autoexec"), "OFF");
  EXPECT_EQ(run("option escape"), "ON");
}

TEST(OptionReset, MissingKeysLeaveSwitchesAlone) {
  ConfigFile file("[Config]\nUnrelated=1\n");
  ConfigScope scope(file.path());
  EXPECT_EQ(run("option autoexec off; option autoexec reset; option autoexec"), "OFF");
  EXPECT_EQ(run("option expression on; option expression reset; option expression"), "ON");
}

TEST(AutoexecCommand, OffReloadsEscapeFromTheFile) {
  ConfigFile file("[Config]\nBackslashEscapes=no\n");
  ConfigScope scope(file.path());
  EXPECT_EQ(run("autoexec off; option escape"), "OFF");
  EXPECT_EQ(run("option autoexec"), "OFF");
  EXPECT_EQ(run("option escape on; autoexec on; option autoexec"), "ON");
}

}  // namespace
