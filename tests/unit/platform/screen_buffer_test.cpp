// The screen model: the terminal's rules for wrapping, scrolling, control
// characters and split UTF-8 text, rectangles scrolled, and what the console
// sends to a terminal for cells drawn past its edges.
#include "platform/screen_buffer.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <random>

#include "platform/console.h"
#include "unit/platform/fd_redirect.h"

namespace {

using platform::ScreenBuffer;

std::string row(const ScreenBuffer& s, int r) {
  std::string text = s.text(0, r, s.columns());
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

TEST(ScreenBuffer, LastColumnWrapsOnlyWithTheNextCharacter) {
  ScreenBuffer s;
  s.resize(4, 3);
  s.write("abcd", 7);
  EXPECT_EQ(s.cursor_column(), 3);  // waits in the margin, shown on the last column
  EXPECT_EQ(s.cursor_row(), 0);
  s.write("\n", 7);  // a line end in the margin makes one new line, not two
  s.write("ef", 7);
  EXPECT_EQ(row(s, 0), "abcd");
  EXPECT_EQ(row(s, 1), "ef");
  s.write("ghij", 7);
  EXPECT_EQ(row(s, 1), "efgh");
  EXPECT_EQ(row(s, 2), "ij");
}

TEST(ScreenBuffer, BottomLineFeedScrollsManyTimesOver) {
  ScreenBuffer s;
  s.resize(5, 3);
  for (int i = 0; i < 10; ++i) s.write("line" + std::to_string(i) + "\n", 7);
  // The ring has turned several times; rows still read top to bottom.
  EXPECT_EQ(row(s, 0), "line8");
  EXPECT_EQ(row(s, 1), "line9");
  EXPECT_EQ(row(s, 2), "");
  EXPECT_EQ(s.cursor_row(), 2);
}

TEST(ScreenBuffer, ControlCharactersMoveTheCursor) {
  ScreenBuffer s;
  s.resize(20, 2);
  s.write("abc\rX\tY\bZ\x07", 3);
  EXPECT_EQ(row(s, 0), "Xbc     Z");  // Z over Y at the tab stop
  EXPECT_EQ(s.cell(8, 0).attr, 3);
  s.resize(10, 2);
  s.write("\r\t\t\tQ", 7);  // tabs stop at the last column
  EXPECT_EQ(s.cell(9, 0).ch, U'Q');
}

TEST(ScreenBuffer, Utf8SplitOverWritesAndInvalidBytes) {
  ScreenBuffer s;
  s.resize(10, 2);
  std::string box = "╔é";
  s.write(box.substr(0, 2), 7);
  s.write(box.substr(2), 7);
  s.write("\xff", 7);
  s.write("\xc3", 7);
  s.write("x", 7);  // a lead byte without its continuation
  EXPECT_EQ(s.cell(0, 0).ch, U'╔');
  EXPECT_EQ(s.cell(1, 0).ch, U'é');
  EXPECT_EQ(s.cell(2, 0).ch, char32_t{0xFFFD});
  EXPECT_EQ(s.cell(3, 0).ch, char32_t{0xFFFD});
  EXPECT_EQ(s.cell(4, 0).ch, U'x');
  EXPECT_EQ(s.text(0, 0, 2), "╔é");
}

TEST(ScreenBuffer, EscapeSequencesTakeNoCells) {
  ScreenBuffer s;
  s.resize(10, 2);
  s.write(
      "a\x1b[1;31mb\x1b]0;title\x07"
      "c\x1b]0;t\x1b\\d\x1b"
      "7e",
      7);
  EXPECT_EQ(row(s, 0), "abcde");
}

TEST(ScreenBuffer, PutClipsAndScrollRectMovesContent) {
  ScreenBuffer s;
  s.resize(6, 4);
  s.put(4, 0, U"wxyz", 9);  // only "wx" fits
  EXPECT_EQ(row(s, 0), "    wx");
  EXPECT_EQ(s.cursor_column(), 5);
  s.put(-2, 1, U"abcd", 7);  // the first two fall off the left edge
  EXPECT_EQ(row(s, 1), "cd");
  s.put(0, 9, U"zz", 7);  // below the screen: nothing
  s.write("", 7);
  for (int r = 0; r < 4; ++r) s.put(0, r, std::u32string(3, U'a' + r), 7);
  s.scroll_rect(0, 0, 2, 4, 1, 8);
  EXPECT_EQ(s.text(0, 0, 3), "  a");
  EXPECT_EQ(s.text(0, 1, 3), "aab");
  EXPECT_EQ(s.text(0, 3, 3), "ccd");
  EXPECT_EQ(s.cell(0, 0).attr, 8);
  s.scroll_rect(0, 0, 3, 4, -2, 8);
  EXPECT_EQ(s.text(0, 0, 3), "bbc");
  EXPECT_EQ(s.text(0, 2, 3), "   ");
  s.scroll_rect(-5, -5, 100, 100, 50, 8);  // clipped, all uncovered
  EXPECT_EQ(row(s, 0), "");
}

TEST(ScreenBuffer, ResizeKeepsTopLeftAndCursorInside) {
  ScreenBuffer s;
  s.resize(5, 3);
  s.write("abcde\nfg\nhi", 7);
  s.resize(3, 2);
  EXPECT_EQ(row(s, 0), "abc");
  EXPECT_EQ(row(s, 1), "fg");
  EXPECT_LT(s.cursor_row(), 2);
  s.resize(0, -4);  // never empty
  EXPECT_EQ(s.columns(), 1);
  EXPECT_EQ(s.rows(), 1);
}

// On a terminal a drawing is sent only where it is inside the window, and a
// scrolled rectangle is drawn again from the model, cursor put back.
TEST(ScreenConsole, TerminalGetsClippedCellsAndRedraws) {
  int master = ::posix_openpt(O_RDWR | O_NOCTTY);
  if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) GTEST_SKIP();
  const char* name = ::ptsname(master);
  int slave = name ? ::open(name, O_RDWR | O_NOCTTY) : -1;
  if (slave < 0) {
    ::close(master);
    GTEST_SKIP() << "no pseudo-terminal";
  }
  const char* no_color = std::getenv("NO_COLOR");
  std::string saved = no_color ? no_color : "";
  ::unsetenv("NO_COLOR");
  std::string seen;
  {
    nuvel_test::FdRedirect redirect(1, slave);
    platform::flush();
    const platform::ScreenBuffer& screen = platform::screen();
    int cols = screen.columns();
    platform::move_cursor(2, 2);
    platform::draw_cells(cols - 1, 3, U"abcd");         // two cells fit
    platform::draw_cells(1, screen.rows() + 1, U"zz");  // below: nothing
    platform::scroll_region(cols - 1, 3, 2, 2, 1, 8);
    platform::flush();
    seen = nuvel_test::drain_fd(master);
    EXPECT_EQ(screen.text(cols - 2, 3, 2), "ab");
  }
  if (no_color) ::setenv("NO_COLOR", saved.c_str(), 1);
  platform::flush();
  ::close(slave);
  ::close(master);
  EXPECT_NE(seen.find("ab"), std::string::npos) << seen;
  EXPECT_EQ(seen.find("abc"), std::string::npos) << seen;
  EXPECT_EQ(seen.find("zz"), std::string::npos) << seen;
  // The redraw ends with the cursor where it was: after "ab" in the margin,
  // shown on the last column of row 3.
  EXPECT_NE(seen.find("\x1b[0;90;40m  "), std::string::npos) << seen;
}

}  // namespace

namespace {

// Queued text, shortened when much has queued up, leaves exactly the screen
// that writing every byte does.
TEST(TextQueue, ShortenedQueueGivesTheSameScreen) {
  std::mt19937 rng(7);
  for (int round = 0; round < 20; ++round) {
    platform::ScreenBuffer direct;
    platform::ScreenBuffer queued;
    direct.resize(13, 5);
    queued.resize(13, 5);
    // Something on the screen before, cursor in the middle.
    direct.write("old\nscreen\ttext", 2);
    queued.write("old\nscreen\ttext", 2);
    platform::TextQueue queue;
    const char* pieces[] = {"a", "bc", "\n", "\r", "\t", "é", "long line that wraps twice over",
                            "\b"};
    for (int i = 0; i < 40000; ++i) {
      std::string piece = pieces[rng() % 8];
      if (round % 2 == 1 && i > 39990) piece = "\n";  // ends right after line feeds
      direct.write(piece, 7);
      queue.append(queued, piece, 7);
    }
    queue.settle(queued);
    ASSERT_EQ(direct.cursor_row(), queued.cursor_row()) << round;
    ASSERT_EQ(direct.cursor_column(), queued.cursor_column()) << round;
    for (int r = 0; r < 5; ++r) {
      for (int c = 0; c < 13; ++c) ASSERT_EQ(direct.cell(c, r), queued.cell(c, r)) << round;
    }
  }
}

// A colour change or an escape sequence in the queue keeps it exact too.
TEST(TextQueue, AttributesAndEscapesStayExact) {
  platform::ScreenBuffer direct;
  platform::ScreenBuffer queued;
  direct.resize(10, 3);
  queued.resize(10, 3);
  platform::TextQueue queue;
  for (int i = 0; i < 30000; ++i) {
    std::string piece = i % 7 == 0 ? "x\n" : (i % 11 == 0 ? "\x1b[1m" : "yz");
    auto attr = static_cast<uint8_t>(i % 13 == 0 ? 4 : 7);
    direct.write(piece, attr);
    queue.append(queued, piece, attr);
  }
  queue.settle(queued);
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 10; ++c) ASSERT_EQ(direct.cell(c, r), queued.cell(c, r));
  }
}

}  // namespace
