// The console writer: ordering, plain text off a terminal, the colour and
// cursor sequences on one, key decoding and raw mode.
#include "platform/console.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <termios.h>

#include <optional>

#include "platform/system.h"
#include "unit/platform/fd_redirect.h"

namespace {

using nuvel_test::drain_fd;
using nuvel_test::FdRedirect;
using nuvel_test::TempFile;

// Captures console output for the scope.
class Capture {
 public:
  Capture() { platform::set_capture(&text_); }
  ~Capture() { platform::set_capture(nullptr); }
  const std::string& text() const { return text_; }

 private:
  std::string text_;
};

// A pseudo-terminal; `slave` acts as the program's terminal.
struct Pty {
  int master = -1;
  int slave = -1;
  Pty() {
    master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) return;
    const char* name = ::ptsname(master);
    if (name != nullptr) slave = ::open(name, O_RDWR | O_NOCTTY);
  }
  ~Pty() {
    if (slave >= 0) ::close(slave);
    if (master >= 0) ::close(master);
  }
  bool ok() const { return slave >= 0; }
};

// Sets or clears NO_COLOR for the scope.
class NoColor {
 public:
  explicit NoColor(bool set) {
    if (const char* old = std::getenv("NO_COLOR")) saved_ = old;
    if (set) {
      ::setenv("NO_COLOR", "1", 1);
    } else {
      ::unsetenv("NO_COLOR");
    }
  }
  ~NoColor() {
    if (saved_) {
      ::setenv("NO_COLOR", saved_->c_str(), 1);
    } else {
      ::unsetenv("NO_COLOR");
    }
  }

 private:
  std::optional<std::string> saved_;
};

TEST(ConsoleWriter, CaptureKeepsOutputAndErrorsInOrder) {
  Capture capture;
  platform::out("a");
  platform::err("b");
  platform::outf("%d-%s", 5, "x");
  platform::err("c\n");
  platform::out("d\n");
  EXPECT_EQ(capture.text(), "ab5-xc\nd\n");
}

TEST(ConsoleWriter, LongFormattedText) {
  Capture capture;
  std::string long_text(5000, 'q');
  platform::outf("<%s>", long_text.c_str());
  EXPECT_EQ(capture.text(), "<" + long_text + ">");
}

TEST(ConsoleWriter, CaptureMakesNoSequences) {
  Capture capture;
  platform::set_attribute(0x1E);
  platform::move_cursor(3, 4);
  platform::clear_screen();
  platform::clear_to_eol();
  platform::erase_line();
  platform::show_cursor(false);
  platform::show_cursor(true);
  platform::set_title("Captured");
  platform::out("x");
  platform::reset_attribute();
  EXPECT_EQ(capture.text(), "x");
  EXPECT_EQ(platform::title(), "Captured");
  EXPECT_FALSE(platform::escapes_enabled());
  EXPECT_EQ(platform::window_columns(), 80);
  EXPECT_EQ(platform::window_rows(), 24);
}

TEST(ConsoleWriter, AttributeNibbles) {
  Capture capture;
  platform::set_attribute(0x1E);
  platform::set_foreground(12);
  EXPECT_EQ(platform::attribute(), 0x1C);
  platform::set_background(2);
  EXPECT_EQ(platform::attribute(), 0x2C);
  platform::set_foreground(0x35);  // only the low nibble counts
  EXPECT_EQ(platform::attribute(), 0x25);
  platform::set_attribute(0x1234);
  EXPECT_EQ(platform::attribute(), 0x34);
  platform::reset_attribute();
  EXPECT_EQ(platform::attribute(), 7);
}

TEST(ConsoleWriter, FileOutputIsPlainAndOrdered) {
  TempFile file;
  {
    FdRedirect redirect(1, file.fd());
    platform::flush();
    platform::set_attribute(12);
    platform::move_cursor(3, 4);
    platform::out("plain ");
    platform::set_title("title");
    platform::err("");  // an error report flushes what came before it
    // Larger than the writer's buffer: must come out after the text before it.
    platform::out(std::string(100000, 'z'));
    platform::reset_attribute();
    platform::out("end\n");
    platform::flush();
  }
  platform::flush();
  EXPECT_EQ(file.contents(), "plain " + std::string(100000, 'z') + "end\n");
}

TEST(ConsoleWriter, TerminalGetsPaletteSequences) {
  Pty pty;
  if (!pty.ok()) GTEST_SKIP() << "no pseudo-terminal";
  std::string seen;
  {
    NoColor no_color(false);
    FdRedirect redirect(1, pty.slave);
    platform::flush();
    ASSERT_TRUE(platform::escapes_enabled());
    platform::set_attribute(0x1C);  // bright red on dark blue
    platform::set_attribute(0xE0);  // black on yellow
    platform::move_cursor(0, 5);
    platform::set_title(
        "a\x1b]b\x07"
        "c");
    platform::reset_attribute();
    platform::flush();
    seen = drain_fd(pty.master);
  }
  platform::flush();
  EXPECT_NE(seen.find("\x1b[0;91;44m"), std::string::npos) << seen;
  EXPECT_NE(seen.find("\x1b[0;30;103m"), std::string::npos) << seen;
  EXPECT_NE(seen.find("\x1b[5;1H"), std::string::npos) << seen;
  EXPECT_NE(seen.find("\x1b]0;a]bc\x07"), std::string::npos) << seen;
  EXPECT_NE(seen.find("\x1b[0m"), std::string::npos) << seen;
  EXPECT_EQ(platform::title(),
            "a\x1b]b\x07"
            "c");
}

TEST(ConsoleWriter, NoColorSilencesTerminalSequences) {
  Pty pty;
  if (!pty.ok()) GTEST_SKIP() << "no pseudo-terminal";
  std::string seen;
  {
    NoColor no_color(true);
    FdRedirect redirect(1, pty.slave);
    platform::flush();
    platform::set_attribute(12);
    platform::clear_screen();
    platform::out("x");
    platform::reset_attribute();
    platform::flush();
    seen = drain_fd(pty.master);
  }
  platform::flush();
  EXPECT_EQ(seen, "x");
}

TEST(ConsoleText, Cp437BoxCharacters) {
  EXPECT_EQ(platform::cp437_to_utf8(201), "╔");
  EXPECT_EQ(platform::cp437_to_utf8(205), "═");
  EXPECT_EQ(platform::cp437_to_utf8(187), "╗");
  EXPECT_EQ(platform::cp437_to_utf8(186), "║");
  EXPECT_EQ(platform::cp437_to_utf8(200), "╚");
  EXPECT_EQ(platform::cp437_to_utf8(188), "╝");
  EXPECT_EQ(platform::cp437_to_utf8(219), "█");
  EXPECT_EQ(platform::cp437_to_utf8(179), "│");
  EXPECT_EQ(platform::cp437_to_utf8(218), "┌");
  EXPECT_EQ(platform::cp437_to_utf8(195), "├");
  EXPECT_EQ(platform::cp437_to_utf8(217), "┘");
  EXPECT_EQ(platform::cp437_to_utf8(17), "◄");
  EXPECT_EQ(platform::cp437_to_utf8('A'), "A");
  EXPECT_EQ(platform::cp437_to_utf8('\n'), "\n");
}

TEST(Keys, DecodeEscapeSequences) {
  EXPECT_EQ(platform::decode_escape_sequence("[A"), platform::kKeyUp);
  EXPECT_EQ(platform::decode_escape_sequence("[B"), platform::kKeyDown);
  EXPECT_EQ(platform::decode_escape_sequence("[C"), platform::kKeyRight);
  EXPECT_EQ(platform::decode_escape_sequence("OD"), platform::kKeyLeft);
  EXPECT_EQ(platform::decode_escape_sequence("OH"), platform::kKeyHome);
  EXPECT_EQ(platform::decode_escape_sequence("[F"), platform::kKeyEnd);
  EXPECT_EQ(platform::decode_escape_sequence("[1~"), platform::kKeyHome);
  EXPECT_EQ(platform::decode_escape_sequence("[7~"), platform::kKeyHome);
  EXPECT_EQ(platform::decode_escape_sequence("[4~"), platform::kKeyEnd);
  EXPECT_EQ(platform::decode_escape_sequence("[5~"), platform::kKeyPgUp);
  EXPECT_EQ(platform::decode_escape_sequence("[6;2~"), platform::kKeyPgDn);
  EXPECT_EQ(platform::decode_escape_sequence("[1;5A"), platform::kKeyUp);
  EXPECT_EQ(platform::decode_escape_sequence("[3~"), platform::kKeyNone);
  EXPECT_EQ(platform::decode_escape_sequence("[~"), platform::kKeyNone);
  EXPECT_EQ(platform::decode_escape_sequence("O5~"), platform::kKeyNone);
  EXPECT_EQ(platform::decode_escape_sequence("[99999999999~"), platform::kKeyNone);
  EXPECT_EQ(platform::decode_escape_sequence("x"), platform::kKeyNone);
  EXPECT_EQ(platform::decode_escape_sequence(""), platform::kKeyNone);
}

TEST(Keys, PipedInputIsBytesAndEndReadsAsEsc) {
  int pipe_fds[2];
  ASSERT_EQ(::pipe(pipe_fds), 0);
  ASSERT_EQ(::write(pipe_fds[1], "a\nq", 3), 3);
  ::close(pipe_fds[1]);
  {
    FdRedirect redirect(0, pipe_fds[0]);
    EXPECT_TRUE(platform::key_waiting());
    platform::drain_keys();  // keys given through a pipe are kept
    EXPECT_EQ(platform::read_key(), 'a');
    EXPECT_EQ(platform::read_key(), platform::kKeyEnter);
    EXPECT_EQ(platform::read_key(), 'q');
    EXPECT_TRUE(platform::key_waiting());  // end of input never blocks
    EXPECT_EQ(platform::read_key(), platform::kKeyEsc);
    EXPECT_EQ(platform::read_key(), platform::kKeyEsc);
  }
  ::close(pipe_fds[0]);
}

TEST(Keys, TerminalKeysDecodedAndModeRestored) {
  Pty pty;
  if (!pty.ok()) GTEST_SKIP() << "no pseudo-terminal";
  FdRedirect redirect(0, pty.slave);
  termios before{};
  ASSERT_EQ(::tcgetattr(0, &before), 0);
  // Ctrl+C must reach the reader as a byte; the line is otherwise cooked.
  before.c_lflag &= ~static_cast<tcflag_t>(ISIG);
  ASSERT_EQ(::tcsetattr(0, TCSANOW, &before), 0);
  // PgUp, a plain key, Enter, Ctrl+C, an unknown key (skipped), Down, lone Esc.
  std::string typed = "\x1b[5~x\r\x03\x1b[3~\x1b[B\x1b";
  ASSERT_EQ(::write(pty.master, typed.data(), typed.size()), static_cast<ssize_t>(typed.size()));
  platform::take_break_flag();
  EXPECT_TRUE(platform::key_waiting());
  EXPECT_EQ(platform::read_key(), platform::kKeyPgUp);
  EXPECT_EQ(platform::read_key(), 'x');
  EXPECT_EQ(platform::read_key(), platform::kKeyEnter);
  EXPECT_EQ(platform::read_key(), 3);
  EXPECT_TRUE(platform::take_break_flag());
  EXPECT_EQ(platform::read_key(), platform::kKeyDown);
  EXPECT_EQ(platform::read_key(), platform::kKeyEsc);
  EXPECT_FALSE(platform::key_waiting());
  termios after{};
  ASSERT_EQ(::tcgetattr(0, &after), 0);
  EXPECT_EQ(after.c_lflag, before.c_lflag);
  EXPECT_EQ(after.c_iflag, before.c_iflag);
}

}  // namespace
