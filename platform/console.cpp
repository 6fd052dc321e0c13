// The console on Linux: one buffered writer for standard output, ANSI
// sequences for colours, cursor and title, and termios raw mode for keys.
#include "platform/console.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/console_internal.h"
#include "platform/screen_buffer.h"
#include "platform/system.h"

namespace platform {
namespace {

// Pending standard output. Bytes [g_flushed, g_length) of g_buffer are not yet
// written. The counters are lock-free atomics so that a signal handler can write
// out what is pending at any instant; the buffer is a plain array that needs no
// destruction, so it stays usable from exit handlers.
constexpr size_t kBufferSize = 64 * 1024;
char g_buffer[kBufferSize];
std::atomic<size_t> g_length{0};
std::atomic<size_t> g_flushed{0};

std::string* g_capture = nullptr;

// Facts about standard output, read once and renewed by flush(): whether it is
// a terminal (-1 while unknown) and whether NO_COLOR is set.
int g_tty_out = -1;
bool g_no_color = false;

int g_attribute = 7;
std::string g_title;

// Terminal changes to undo at exit or on a fatal signal.
volatile std::sig_atomic_t g_colour_set = 0;  // an attribute other than 7 is in effect
volatile std::sig_atomic_t g_cursor_hidden = 0;
volatile std::sig_atomic_t g_raw_active = 0;
termios g_saved_termios;

// The screen as drawn, and whether it may still be used: g_screen_guard is
// destroyed before g_screen (it is defined after it), so writes made by exit
// handlers after that skip the model instead of touching a destroyed one.
ScreenBuffer g_screen;
TextQueue g_screen_text;  // plain output not yet written to g_screen
bool g_screen_alive = true;
struct ScreenGuard {
  ~ScreenGuard() { g_screen_alive = false; }
} g_screen_guard;
// Set by SIGWINCH (and at start): the next use of the model asks for the
// window size again.
volatile std::sig_atomic_t g_window_changed = 1;

// A byte read ahead while decoding a key sequence; -1 when none.
int g_pending_key = -1;

// Standard input is read through this buffer by both the key reader and the
// line reader, so neither loses bytes the other read ahead. Bytes
// [g_in_pos, g_in_len) are read from descriptor 0 but not yet consumed.
constexpr size_t kInputSize = 4096;
char g_in[kInputSize];
size_t g_in_pos = 0;
size_t g_in_len = 0;
bool g_in_end = false;  // a read met end of input (or failed)

// The first failed write to standard output (and to standard error) since it
// was last taken (an errno value), 0 when none.
int g_write_error = 0;
int g_stderr_error = 0;
// Descriptor 1 was found closed (-1 while unknown); renewed by flush().
int g_out_closed = -1;

// Foreground and background SGR codes in the Windows palette order.
constexpr int kForegroundSgr[16] = {30, 34, 32, 36, 31, 35, 33, 37, 90, 94, 92, 96, 91, 95, 93, 97};
constexpr int kBackgroundSgr[16] = {40,  44,  42,  46,  41,  45,  43,  47,
                                    100, 104, 102, 106, 101, 105, 103, 107};

// Code page 437, bytes 128..255.
constexpr const char* kCp437High[128] = {
    "Ç", "ü", "é", "â", "ä", "à", "å", "ç", "ê", "ë", "è", "ï", "î", "ì", "Ä", "Å",
    "É", "æ", "Æ", "ô", "ö", "ò", "û", "ù", "ÿ", "Ö", "Ü", "¢", "£", "¥", "₧", "ƒ",
    "á", "í", "ó", "ú", "ñ", "Ñ", "ª", "º", "¿", "⌐", "¬", "½", "¼", "¡", "«", "»",
    "░", "▒", "▓", "│", "┤", "╡", "╢", "╖", "╕", "╣", "║", "╗", "╝", "╜", "╛", "┐",
    "└", "┴", "┬", "├", "─", "┼", "╞", "╟", "╚", "╔", "╩", "╦", "╠", "═", "╬", "╧",
    "╨", "╤", "╥", "╙", "╘", "╒", "╓", "╫", "╪", "┘", "┌", "█", "▄", "▌", "▐", "▀",
    "α", "ß", "Γ", "π", "Σ", "σ", "µ", "τ", "Φ", "Θ", "Ω", "δ", "∞", "φ", "ε", "∩",
    "≡", "±", "≥", "≤", "⌠", "⌡", "÷", "≈", "°", "∙", "·", "√", "ⁿ", "²", "■", "\u00a0",
};

// Writes all of `data` to `fd`, retrying after interruptions. Async-signal-safe.
bool write_all(int fd, const char* data, size_t size) noexcept {
  while (size > 0) {
    ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

void note_write_error(int error) {
  if (g_write_error == 0) g_write_error = error != 0 ? error : EIO;
}

// Writes the pending bytes. Output that cannot be written (closed descriptor,
// full disk, reader gone) is dropped and the failure is noted for the writer's
// callers, as a console that is gone swallows text.
void write_pending() {
  size_t length = g_length.load();
  size_t done = g_flushed.load();
  while (done < length) {
    ssize_t n = ::write(1, g_buffer + done, length - done);
    if (n <= 0) {
      if (n < 0 && errno == EINTR) continue;
      note_write_error(n < 0 ? errno : EIO);
      break;
    }
    done += static_cast<size_t>(n);
    g_flushed.store(done);
  }
  g_length.store(0);
  g_flushed.store(0);
}

void refresh_output_facts() {
  g_tty_out = ::isatty(1) ? 1 : 0;
  g_out_closed = ::fcntl(1, F_GETFD) == -1 ? 1 : 0;
  g_no_color = std::getenv("NO_COLOR") != nullptr;
}

bool tty_out() {
  if (g_tty_out < 0) refresh_output_facts();
  return g_tty_out == 1;
}

void append(std::string_view text) {
  if (g_capture != nullptr) {
    g_capture->append(text);
    return;
  }
  if (g_out_closed < 0) refresh_output_facts();
  if (g_out_closed == 1) {
    // No output descriptor: the text has nowhere to go.
    note_write_error(EBADF);
    return;
  }
  if (text.size() > kBufferSize - g_length.load()) {
    write_pending();
    if (text.size() >= kBufferSize) {
      if (!write_all(1, text.data(), text.size())) note_write_error(errno);
      return;
    }
  }
  size_t length = g_length.load();
  std::memcpy(g_buffer + length, text.data(), text.size());
  g_length.store(length + text.size());
}

// A terminal control sequence: written only while escapes are enabled.
void sequence(std::string_view text) {
  if (escapes_enabled()) append(text);
}

// The SGR sequence that selects an attribute.
std::string attribute_sequence(int attr) {
  if (attr == 7) return "\x1b[0m";
  char text[32];
  int n = std::snprintf(text, sizeof text, "\x1b[0;%d;%dm", kForegroundSgr[attr & 15],
                        kBackgroundSgr[(attr >> 4) & 15]);
  return std::string(text, static_cast<size_t>(n));
}

void write_attribute() {
  if (!escapes_enabled()) return;
  if (g_attribute == 7) {
    // The default attribute is the terminal's own default colours.
    append("\x1b[0m");
    g_colour_set = 0;
    return;
  }
  append(attribute_sequence(g_attribute));
  g_colour_set = 1;
}

// The terminal size from standard output; zero fields when unknown.
winsize query_window() {
  winsize size{};
  if (g_capture != nullptr || ::ioctl(1, TIOCGWINSZ, &size) != 0) size = winsize{};
  return size;
}

// The screen model, first brought to the window's current size when the
// window changed since the last use.
ScreenBuffer& model() {
  g_screen_text.settle(g_screen);
  if (g_window_changed) {
    g_window_changed = 0;
    winsize size = query_window();
    g_screen.resize(size.ws_col > 0 ? size.ws_col : 80, size.ws_row > 0 ? size.ws_row : 24);
  }
  return g_screen;
}

void append_cursor_sequence(std::string& out, int column, int row) {
  char text[48];
  int n = std::snprintf(text, sizeof text, "\x1b[%d;%dH", row, column);
  out.append(text, static_cast<size_t>(n));
}

// Raw key mode for the lifetime of the guard: no line editing, no echo, no
// signal keys (Ctrl+C arrives as byte 3), no CR->NL translation. The saved
// settings are also kept where exit and signal handlers can restore them.
class RawMode {
 public:
  RawMode() {
    if (::tcgetattr(0, &saved_) != 0) return;
    termios raw = saved_;
    raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | ISIG | IEXTEN);
    raw.c_iflag &= ~static_cast<tcflag_t>(IXON | ICRNL | INLCR);
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    g_saved_termios = saved_;
    g_raw_active = 1;
    active_ = ::tcsetattr(0, TCSANOW, &raw) == 0;
    if (!active_) g_raw_active = 0;
  }
  ~RawMode() {
    if (!active_) return;
    ::tcsetattr(0, TCSANOW, &saved_);
    g_raw_active = 0;
  }
  RawMode(const RawMode&) = delete;
  RawMode& operator=(const RawMode&) = delete;

 private:
  termios saved_{};
  bool active_ = false;
};

// Refills the input buffer with one read (waiting as long as needed). False at
// end of input, on an error, and when Ctrl+C is pressed while it waits (the
// break flag stays set for the caller to see).
bool fill_input() {
  g_in_pos = 0;
  g_in_len = 0;
  for (;;) {
    // Wait in short slices, so that Ctrl+C ends the wait even though the
    // signal handler restarts interrupted reads.
    pollfd ready{0, POLLIN, 0};
    int polled = ::poll(&ready, 1, 100);
    if (break_flag()) return false;
    if (polled == 0 || (polled < 0 && errno == EINTR)) continue;
    ssize_t n = ::read(0, g_in, kInputSize);
    if (n > 0) {
      g_in_len = static_cast<size_t>(n);
      g_in_end = false;
      return true;
    }
    if (n < 0 && errno == EINTR) continue;
    g_in_end = true;
    return false;
  }
}

// One byte from standard input, waiting as long as needed; -1 at end of input
// or on an error.
int read_byte_blocking() {
  if (g_pending_key >= 0) {
    int c = g_pending_key;
    g_pending_key = -1;
    return c;
  }
  if (g_in_pos >= g_in_len && !fill_input()) return -1;
  return static_cast<unsigned char>(g_in[g_in_pos++]);
}

// One byte when it arrives within `timeout_ms`; -1 otherwise.
int read_byte_within(int timeout_ms) {
  if (g_in_pos < g_in_len) return static_cast<unsigned char>(g_in[g_in_pos++]);
  pollfd fd{0, POLLIN, 0};
  if (::poll(&fd, 1, timeout_ms) <= 0) return -1;
  return fill_input() ? static_cast<unsigned char>(g_in[g_in_pos++]) : -1;
}

// Bytes of a key sequence arrive together; a lone Esc has nothing after it.
constexpr int kSequenceGapMs = 50;

// One key from a terminal already in raw mode.
// One key from the bytes of standard input: a terminal already in raw mode,
// or a pipe or file, where bytes stand for themselves except the line feed
// (Enter) and the escape sequences of the special keys.
int read_key_bytes(bool terminal) {
  for (;;) {
    int c = read_byte_blocking();
    if (c < 0) return kKeyEsc;
    if (c == 3 && terminal) {
      set_break_flag();
      return 3;
    }
    if (c == '\r' || c == '\n') return kKeyEnter;
    if (c == 127 && terminal) return 8;  // the Backspace key
    if (c != kKeyEsc) return c;
    int next = read_byte_within(kSequenceGapMs);
    if (next < 0) return kKeyEsc;
    if (next != '[' && next != 'O') {
      g_pending_key = next;
      return kKeyEsc;
    }
    std::string sequence(1, static_cast<char>(next));
    while (sequence.size() < 16) {
      int b = read_byte_within(kSequenceGapMs);
      if (b < 0) break;
      sequence.push_back(static_cast<char>(b));
      if (b >= 0x40 && b <= 0x7E) break;  // final byte
    }
    int key = decode_escape_sequence(sequence);
    if (key != kKeyNone) return key;
    // Keys without a code here (function keys and the like) are skipped.
  }
}

int read_raw_terminal_key() {
  return read_key_bytes(true);
}

int read_terminal_key() {
  RawMode raw;
  return read_raw_terminal_key();
}

struct ExitHook {
  ExitHook() {
    std::atexit([] { detail::restore_terminal(); });
  }
} g_exit_hook;

}  // namespace

// --- Buffered writer ---------------------------------------------------------

void out(std::string_view text) {
  if (g_screen_alive) {
    if (g_window_changed) model();
    g_screen_text.append(g_screen, text, static_cast<uint8_t>(g_attribute));
  }
  append(text);
  // A terminal shows each finished line at once, as an interactive user expects.
  if (g_capture == nullptr && tty_out() && text.find('\n') != std::string_view::npos) {
    write_pending();
  }
}

void outf(const char* format, ...) {
  va_list args;
  va_start(args, format);
  voutf(format, args);
  va_end(args);
}

void voutf(const char* format, va_list args) {
  char small[512];
  va_list copy;
  va_copy(copy, args);
  int n = std::vsnprintf(small, sizeof small, format, copy);
  va_end(copy);
  if (n < 0) return;
  if (static_cast<size_t>(n) < sizeof small) {
    out(std::string_view(small, static_cast<size_t>(n)));
    return;
  }
  std::string text(static_cast<size_t>(n), '\0');
  std::vsnprintf(text.data(), text.size() + 1, format, args);
  out(text);
}

void err(std::string_view text) {
  // Standard error shows on the same screen when both go to the terminal.
  if (g_screen_alive && (g_capture != nullptr || (tty_out() && ::isatty(2)))) {
    model().write(text, static_cast<uint8_t>(g_attribute));
  }
  if (g_capture != nullptr) {
    g_capture->append(text);
    return;
  }
  write_pending();
  if (!write_all(2, text.data(), text.size()) && g_stderr_error == 0) {
    g_stderr_error = errno != 0 ? errno : EIO;
  }
}

void flush() {
  refresh_output_facts();
  write_pending();
}

bool console_open() {
  return ::fcntl(1, F_GETFD) != -1;
}

int take_write_error(int stream) {
  int& slot = stream == 2 ? g_stderr_error : g_write_error;
  int error = slot;
  slot = 0;
  return error;
}

void set_capture(std::string* sink) {
  write_pending();
  g_capture = sink;
  // A capture is a screen of its own: it starts blank, in the default colour.
  g_window_changed = 1;
  g_attribute = 7;
  if (g_screen_alive) model().fill(U' ', 7);
}

std::string* capture() {
  return g_capture;
}

// --- Attributes and cursor -----------------------------------------------------

void set_attribute(int attr) {
  g_attribute = attr & 0xFF;
  write_attribute();
}

void set_foreground(int colour) {
  set_attribute((g_attribute & 0xF0) | (colour & 0x0F));
}

void set_background(int colour) {
  set_attribute((g_attribute & 0x0F) | ((colour & 0x0F) << 4));
}

void reset_attribute() {
  set_attribute(7);
}

int attribute() {
  return g_attribute;
}

void move_cursor(int column, int row) {
  model().move_cursor((column < 1 ? 1 : column) - 1, (row < 1 ? 1 : row) - 1);
  if (!escapes_enabled()) return;
  char text[48];
  int n =
      std::snprintf(text, sizeof text, "\x1b[%d;%dH", row < 1 ? 1 : row, column < 1 ? 1 : column);
  append(std::string_view(text, static_cast<size_t>(n)));
}

void clear_screen() {
  model().fill(U' ', static_cast<uint8_t>(g_attribute));
  sequence("\x1b[2J\x1b[H");
}

void clear_to_eol() {
  model().clear_line(static_cast<uint8_t>(g_attribute), false);
  sequence("\x1b[K");
}

void erase_line() {
  ScreenBuffer& screen = model();
  screen.clear_line(static_cast<uint8_t>(g_attribute), true);
  screen.move_cursor(0, screen.cursor_row());
  sequence("\x1b[1G\x1b[2K");
}

void show_cursor(bool visible) {
  if (!escapes_enabled()) return;
  append(visible ? "\x1b[?25h" : "\x1b[?25l");
  g_cursor_hidden = visible ? 0 : 1;
}

int window_columns() {
  winsize size = query_window();
  return size.ws_col > 0 ? size.ws_col : 80;
}

int window_rows() {
  winsize size = query_window();
  return size.ws_row > 0 ? size.ws_row : 24;
}

bool window_pixels(int& width, int& height) {
  winsize size = query_window();
  width = size.ws_xpixel;
  height = size.ws_ypixel;
  return width > 0 && height > 0;
}

// --- The screen model -------------------------------------------------------------

const ScreenBuffer& screen() {
  return model();
}

void draw_cells(int column, int row, std::u32string_view cells) {
  ScreenBuffer& screen = model();
  int col0 = column - 1;
  int row0 = row - 1;
  screen.put(col0, row0, cells, static_cast<uint8_t>(g_attribute));
  if (!escapes_enabled()) return;
  // Only the part inside the window is sent: a terminal wraps what passes
  // the right edge and keeps rows below the bottom on the last row.
  if (row0 < 0 || row0 >= screen.rows() || col0 >= screen.columns()) return;
  size_t skip = col0 < 0 ? static_cast<size_t>(-col0) : 0;
  if (skip >= cells.size()) return;
  int first = col0 < 0 ? 0 : col0;
  size_t visible = std::min(cells.size() - skip, static_cast<size_t>(screen.columns() - first));
  std::string text;
  text.reserve(visible * 3 + 16);
  append_cursor_sequence(text, first + 1, row);
  for (size_t i = 0; i < visible; ++i) append_utf8(text, cells[skip + i]);
  append(text);
}

void plain_line(std::u32string_view cells) {
  if (escapes_enabled()) return;
  std::string line;
  line.reserve(cells.size() * 3 + 1);
  for (char32_t ch : cells) append_utf8(line, ch);
  line.push_back('\n');
  append(line);
}

void fill_screen(char32_t ch, int attr) {
  ScreenBuffer& screen = model();
  screen.fill(ch, static_cast<uint8_t>(attr));
  if (!escapes_enabled()) return;
  std::string text;
  // A blank screen in the terminal's own colours is a plain clear; any other
  // fill is drawn row by row in its colours.
  text += attr == 0 && ch == U' ' ? std::string("\x1b[0m") : attribute_sequence(attr);
  if (ch == U' ') {
    text += "\x1b[2J";
  } else {
    std::string row;
    for (int c = 0; c < screen.columns(); ++c) append_utf8(row, ch);
    for (int r = 1; r <= screen.rows(); ++r) {
      append_cursor_sequence(text, 1, r);
      text += row;
    }
  }
  text += "\x1b[H";
  text += attribute_sequence(g_attribute);
  g_colour_set = 1;
  append(text);
}

void redraw(int column, int row, int width, int height) {
  if (!escapes_enabled()) return;
  const ScreenBuffer& screen = model();
  int left = std::max(column - 1, 0);
  int top = std::max(row - 1, 0);
  int right = std::min(column - 1 + width, screen.columns());
  int bottom = std::min(row - 1 + height, screen.rows());
  if (left >= right || top >= bottom) return;
  std::string text;
  for (int r = top; r < bottom; ++r) {
    append_cursor_sequence(text, left + 1, r + 1);
    int current = -1;
    for (int c = left; c < right; ++c) {
      Cell cell = screen.cell(c, r);
      if (cell.attr != current) {
        current = cell.attr;
        text += attribute_sequence(current);
      }
      append_utf8(text, cell.ch);
    }
  }
  // Back to where the program left the cursor, in its colours.
  append_cursor_sequence(text, screen.cursor_column() + 1, screen.cursor_row() + 1);
  text += attribute_sequence(g_attribute);
  g_colour_set = 1;
  append(text);
}

void scroll_region(int column, int row, int width, int height, int lines, int fill_attr) {
  model().scroll_rect(column - 1, row - 1, width, height, lines, static_cast<uint8_t>(fill_attr));
  redraw(column, row, width, height);
}

void note_echoed(std::string_view text) {
  if (g_capture == nullptr && tty_out() && ::isatty(0)) {
    model().write(text, static_cast<uint8_t>(g_attribute));
  }
}

void bell() {
  if (is_terminal_output()) append("\x07");
}

void set_title(std::string_view title) {
  g_title.assign(title);
  if (!escapes_enabled()) return;
  // Control characters would end the sequence early or start another one.
  std::string text = "\x1b]0;";
  for (char c : title) {
    auto u = static_cast<unsigned char>(c);
    if (u >= 0x20 && u != 0x7F) text.push_back(c);
  }
  text.push_back('\x07');
  append(text);
}

std::string title() {
  return g_title;
}

bool is_terminal_output() {
  return g_capture == nullptr && tty_out();
}

bool escapes_enabled() {
  return g_capture == nullptr && tty_out() && !g_no_color;
}

std::string cp437_to_utf8(unsigned char c) {
  if (c >= 128) return kCp437High[c - 128];
  if (c == 17) return "◄";
  return std::string(1, static_cast<char>(c));
}

// --- Keyboard ------------------------------------------------------------------

int decode_escape_sequence(std::string_view sequence) {
  if (sequence.size() < 2 || (sequence[0] != '[' && sequence[0] != 'O')) return kKeyNone;
  char final = sequence.back();
  switch (final) {
    case 'A':
      return kKeyUp;
    case 'B':
      return kKeyDown;
    case 'C':
      return kKeyRight;
    case 'D':
      return kKeyLeft;
    case 'H':
      return kKeyHome;
    case 'F':
      return kKeyEnd;
    case '~':
      break;
    default:
      return kKeyNone;
  }
  if (sequence[0] != '[') return kKeyNone;
  // "[n~" or "[n;m~": the key is the first parameter.
  int number = 0;
  size_t i = 1;
  for (; i < sequence.size() && sequence[i] >= '0' && sequence[i] <= '9'; ++i) {
    if (number > 1000) return kKeyNone;
    number = number * 10 + (sequence[i] - '0');
  }
  if (i == 1) return kKeyNone;
  switch (number) {
    case 1:
    case 7:
      return kKeyHome;
    case 4:
    case 8:
      return kKeyEnd;
    case 5:
      return kKeyPgUp;
    case 6:
      return kKeyPgDn;
    default:
      return kKeyNone;
  }
}

int read_key() {
  flush();
  if (::isatty(0)) return read_terminal_key();
  return read_key_bytes(false);
}

bool key_waiting() {
  if (g_pending_key >= 0 || g_in_pos < g_in_len) return true;
  pollfd fd{0, POLLIN, 0};
  // End of input counts as a waiting key: reading it gives Esc at once.
  if (!::isatty(0)) return ::poll(&fd, 1, 0) > 0;
  // Without raw mode a terminal offers nothing until a whole line is typed.
  RawMode raw;
  return ::poll(&fd, 1, 0) > 0;
}

bool escape_pressed() {
  if (!::isatty(0)) return false;
  return key_waiting() && read_key() == kKeyEsc;
}

int read_key_within(int64_t ms) {
  flush();
  if (g_pending_key >= 0 || g_in_pos < g_in_len) return read_key();
  pollfd fd{0, POLLIN, 0};
  if (!::isatty(0)) {
    // End of input counts as a key (Esc), so the wait never outlasts it.
    if (g_in_end) return kKeyEsc;
    return ::poll(&fd, 1, static_cast<int>(std::clamp<int64_t>(ms, 0, INT32_MAX))) > 0 ? read_key()
                                                                                       : kKeyNone;
  }
  RawMode raw;
  const int64_t deadline = static_cast<int64_t>(tick_ms()) + ms;
  for (;;) {
    int64_t left = deadline - static_cast<int64_t>(tick_ms());
    if (left <= 0) return kKeyNone;
    // Short slices, so that a signal cannot hold the wait past its end.
    int polled = ::poll(&fd, 1, static_cast<int>(std::min<int64_t>(left, 100)));
    if (polled > 0) return read_raw_terminal_key();
  }
}

void drain_keys() {
  if (!::isatty(0)) return;
  g_pending_key = -1;
  g_in_pos = g_in_len = 0;
  ::tcflush(0, TCIFLUSH);
}

// --- Standard input ----------------------------------------------------------------

int stdin_getc() {
  if (g_pending_key >= 0 || g_in_pos < g_in_len) return read_byte_blocking();
  flush();
  return read_byte_blocking();
}

void skip_buffered_line_end() {
  if (::isatty(0) || g_pending_key >= 0) return;
  if (g_in_pos < g_in_len && g_in[g_in_pos] == '\r') {
    if (g_in_pos + 1 < g_in_len && g_in[g_in_pos + 1] == '\n') g_in_pos += 2;
    return;
  }
  if (g_in_pos < g_in_len && g_in[g_in_pos] == '\n') ++g_in_pos;
}

bool stdin_at_end() {
  return g_in_end && g_pending_key < 0 && g_in_pos >= g_in_len;
}

int64_t stdin_tell() {
  off_t at = ::lseek(0, 0, SEEK_CUR);
  if (at < 0) return -1;
  int64_t unread = static_cast<int64_t>(g_in_len - g_in_pos) + (g_pending_key >= 0 ? 1 : 0);
  return static_cast<int64_t>(at) - unread;
}

bool stdin_seek(int64_t offset, int origin) {
  int whence = origin <= 0 ? SEEK_SET : (origin == 1 ? SEEK_CUR : SEEK_END);
  if (whence == SEEK_CUR) {
    // The descriptor is ahead of the reader by the bytes still buffered.
    offset -= static_cast<int64_t>(g_in_len - g_in_pos) + (g_pending_key >= 0 ? 1 : 0);
  }
  if (::lseek(0, static_cast<off_t>(offset), whence) < 0) return false;
  g_pending_key = -1;
  g_in_pos = g_in_len = 0;
  g_in_end = false;
  return true;
}

// --- Restoring the terminal ------------------------------------------------------

namespace detail {

void note_window_change() noexcept {
  g_window_changed = 1;
}

void restore_terminal() {
  write_pending();
  if (g_raw_active) {
    ::tcsetattr(0, TCSANOW, &g_saved_termios);
    g_raw_active = 0;
  }
  if (g_colour_set) {
    write_all(1, "\x1b[0m", 4);
    g_colour_set = 0;
  }
  if (g_cursor_hidden) {
    write_all(1, "\x1b[?25h", 6);
    g_cursor_hidden = 0;
  }
}

bool hold_terminal_settings() {
  termios now{};
  if (!::isatty(0) || ::tcgetattr(0, &now) != 0) return false;
  g_saved_termios = now;
  g_raw_active = 1;
  return true;
}

void release_terminal_settings() {
  if (!g_raw_active) return;
  ::tcsetattr(0, TCSANOW, &g_saved_termios);
  g_raw_active = 0;
}

void restore_terminal_from_signal() noexcept {
  size_t length = g_length.load();
  size_t done = g_flushed.load();
  if (done < length) write_all(1, g_buffer + done, length - done);
  if (g_raw_active) ::tcsetattr(0, TCSANOW, &g_saved_termios);
  if (g_colour_set) write_all(1, "\x1b[0m", 4);
  if (g_cursor_hidden) write_all(1, "\x1b[?25h", 6);
}

}  // namespace detail
}  // namespace platform
