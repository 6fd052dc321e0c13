// Colour names, the console pager and the usage display.
#include "syslib/console_layer.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <initializer_list>

#include "platform/console.h"
#include "unit/platform/fd_redirect.h"

namespace {

using nuvel_test::drain_fd;

TEST(ColourFromName, TableInAnyCase) {
  const char* names[16] = {"BLACK",    "DARKBLUE",    "DARKGREEN",  "DARKCYAN",
                           "DARKRED",  "DARKMAGENTA", "DARKYELLOW", "GREY",
                           "DARKGREY", "BLUE",        "GREEN",      "CYAN",
                           "RED",      "MAGENTA",     "YELLOW",     "WHITE"};
  for (int i = 0; i < 16; ++i) EXPECT_EQ(syslib::colour_from_name(names[i]), i) << names[i];
  EXPECT_EQ(syslib::colour_from_name("darkyellow"), 6);
  EXPECT_EQ(syslib::colour_from_name("DarkYellow"), 6);
  EXPECT_EQ(syslib::colour_from_name("6"), 6);
  EXPECT_EQ(syslib::colour_from_name("Blue"), 9);
}

TEST(ColourFromName, AliasesNumbersAndEverythingElse) {
  EXPECT_EQ(syslib::colour_from_name("white"), 15);
  EXPECT_EQ(syslib::colour_from_name("gray"), 7);
  EXPECT_EQ(syslib::colour_from_name("Gray"), 7);
  EXPECT_EQ(syslib::colour_from_name("grey"), 7);
  EXPECT_EQ(syslib::colour_from_name("darkgray"), 8);
  EXPECT_EQ(syslib::colour_from_name("DarkGrey"), 8);
  EXPECT_EQ(syslib::colour_from_name("12"), 12);
  EXPECT_EQ(syslib::colour_from_name("0"), 0);
  EXPECT_EQ(syslib::colour_from_name("200"), 200);
  EXPECT_EQ(syslib::colour_from_name("-3"), -3);
  for (const char* other : {"nonsense", "", "6x", " 6", "-", "0x1F", "99999999999999999999",
                            "dark yellow", "YELLOWISH"}) {
    EXPECT_EQ(syslib::colour_from_name(other), 7) << other;
  }
}

// Keys handed to the pager one by one; running out of keys is a test failure.
class Keys {
 public:
  Keys(std::initializer_list<int> keys) : keys_(keys) {}
  syslib::KeyReader reader() {
    return [this] {
      if (next_ >= keys_.size()) {
        ADD_FAILURE() << "the pager asked for more keys";
        return static_cast<int>(platform::kKeyEsc);
      }
      return keys_[next_++];
    };
  }
  bool all_used() const { return next_ == keys_.size(); }

 private:
  std::vector<int> keys_;
  size_t next_ = 0;
};

// Under capture the window has 24 rows, so a page holds 22 lines.
class Pager : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int i = 0; i < 50; ++i) lines_.push_back("line" + std::to_string(i));
    platform::set_capture(&text_);
  }
  void TearDown() override { platform::set_capture(nullptr); }

  // The pager's text for lines [from, to).
  std::string shown(size_t from, size_t to) const {
    std::string text;
    for (size_t i = from; i < to; ++i) {
      text += i == 0 ? "line0" + std::string(74, ' ') : lines_[i];
      text += "\n";
    }
    return text;
  }

  static constexpr const char* kMore = "-- More (PgUp, PgDn, Home, End, Esc quits) --\n";
  static constexpr const char* kEnd = "-- End - ESC to Close --\n";
  std::vector<std::string> lines_;
  std::string text_;
};

TEST_F(Pager, PausesAfterEachPageAndEscQuits) {
  Keys keys{platform::kKeyPgDn, platform::kKeyEsc};
  EXPECT_EQ(syslib::console_pager(lines_, 16, true, keys.reader()), 27);
  EXPECT_TRUE(keys.all_used());
  EXPECT_EQ(text_, shown(0, 22) + kMore + shown(22, 44) + kMore);
}

TEST_F(Pager, OtherKeysGoOnToTheEndPrompt) {
  Keys keys{' ', platform::kKeyDown, 'x'};
  EXPECT_EQ(syslib::console_pager(lines_, 16, true, keys.reader()), 0);
  EXPECT_TRUE(keys.all_used());
  EXPECT_EQ(text_, shown(0, 22) + kMore + shown(22, 44) + kMore + shown(44, 50) + kEnd);
}

TEST_F(Pager, HomeUpAndEndMoveThroughTheListing) {
  Keys keys{platform::kKeyHome,                    // back to the first line
            platform::kKeyPgDn, platform::kKeyUp,  // two pages back from line 44
            platform::kKeyEnd,                     // the last page starts at 28
            platform::kKeyPgUp,                    // at the end: the previous page
            platform::kKeyEsc};
  EXPECT_EQ(syslib::console_pager(lines_, 16, true, keys.reader()), 27);
  EXPECT_TRUE(keys.all_used());
  std::string expected = shown(0, 22) + kMore;  // Home
  expected += shown(0, 22) + kMore;             // PgDn
  expected += shown(22, 44) + kMore;            // Up
  expected += shown(0, 22) + kMore;             // End
  expected += shown(28, 50) + kEnd;             // PgUp: the page before line 28
  expected += shown(6, 28) + kMore;             // Esc
  EXPECT_EQ(text_, expected);
}

TEST_F(Pager, ShortListingOnlyShowsTheEndPrompt) {
  std::vector<std::string> three = {"title", "b", "c"};
  Keys keys{platform::kKeyPgUp, platform::kKeyEsc};
  EXPECT_EQ(syslib::console_pager(three, 16, true, keys.reader()), 27);
  std::string page = "title" + std::string(74, ' ') + "\nb\nc\n";
  EXPECT_EQ(text_, page + kEnd + page + kEnd);
}

TEST_F(Pager, WithoutPagingNoKeysAreRead) {
  Keys keys{};
  EXPECT_EQ(syslib::console_pager(lines_, 16, false, keys.reader()), 0);
  EXPECT_EQ(text_, shown(0, 50));
  EXPECT_EQ(syslib::console_pager({}, 16, false, keys.reader()), 0);
}

TEST_F(Pager, LongFirstLineIsNotCut) {
  std::vector<std::string> one = {std::string(100, 'h')};
  Keys keys{'q'};
  EXPECT_EQ(syslib::console_pager(one, 16, true, keys.reader()), 0);
  EXPECT_EQ(text_, std::string(100, 'h') + "\n" + kEnd);
}

TEST(Usage, SixteenLinesNamingTheProgram) {
  std::vector<std::string> lines = syslib::usage_lines();
  ASSERT_EQ(lines.size(), 16u);
  EXPECT_NE(lines[0].find("nuvel_embed"), std::string::npos);
  EXPECT_LE(lines[0].size(), 79u);
  EXPECT_EQ(lines[4], " Note: $argv(1) and [info script] will be empty \"{}\"");
  EXPECT_EQ(lines[6], " Syntax: program.exe ?arg...?");
  EXPECT_EQ(lines[9], " /ECHO      Echo script to the console");
  EXPECT_EQ(lines[15], "");
}

TEST(Usage, EndOfInputClosesThePagerAndExitsWithZero) {
  int pipe_fds[2];
  ASSERT_EQ(::pipe(pipe_fds), 0);
  pid_t pid = ::fork();
  if (pid == 0) {
    ::close(pipe_fds[0]);
    ::dup2(pipe_fds[1], 1);
    int null_fd = ::open("/dev/null", O_RDONLY);
    ::dup2(null_fd, 0);
    platform::flush();
    syslib::show_usage_and_exit();
  }
  ::close(pipe_fds[1]);
  std::string text = drain_fd(pipe_fds[0], 5000);
  ::close(pipe_fds[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_NE(text.find(" Syntax: program.exe ?arg...?\n"), std::string::npos);
  EXPECT_EQ(text.find('\x1b'), std::string::npos);
  EXPECT_EQ(text.find('\r'), std::string::npos);
  EXPECT_EQ(text.substr(text.size() - 25), "-- End - ESC to Close --\n");
}

}  // namespace
