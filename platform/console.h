// The terminal underneath Nuvel: one buffered writer for all console output,
// colours, cursor, window size, raw key reads and the console title. Colour and
// cursor sequences are written only when the stream is a terminal and NO_COLOR
// is unset; otherwise those operations write nothing.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/screen_buffer.h"

namespace platform {

// --- Buffered writer -------------------------------------------------------
// Text for standard output. All console output (puts, error reports, trace
// lines) goes through here so that it appears in the order it was made.
void out(std::string_view text);
// printf-style variant for the program's own fixed formats.
void outf(const char* format, ...) __attribute__((format(printf, 1, 2)));
void voutf(const char* format, va_list args);
// Text for standard error: flushes pending standard output first.
void err(std::string_view text);
// Writes pending output to the file descriptor.
void flush();
// True while file descriptor 1 is open (the console counts as open).
bool console_open();
// The first failed write to standard output (stream 1) or standard error
// (stream 2) since the last call for that stream (an errno value: EBADF for a
// closed descriptor, ENOSPC for a full disk, EPIPE when the reader is gone),
// or 0 when every write succeeded; clears it. Output is buffered, so a failure
// can show up at a later call than the one that made the text.
int take_write_error(int stream = 1);
// Test hook: while a sink is set, standard output and standard error text is
// appended to it instead of being written (and no escape sequences are made).
void set_capture(std::string* sink);
std::string* capture();

// --- Attributes and cursor ---------------------------------------------------
// Attribute byte: background * 16 + foreground, Windows palette order.
void set_attribute(int attr);
void set_foreground(int colour);  // keeps the current background
void set_background(int colour);  // keeps the current foreground
void reset_attribute();           // attribute 7
int attribute();
void move_cursor(int column, int row);  // 1-based; values below 1 count as 1
void clear_screen();
void clear_to_eol();
void show_cursor(bool visible);
// Columns and rows of the terminal (80 x 24 when unknown).
int window_columns();
int window_rows();
// The window's size in pixels as the terminal reports it; false (and zeros)
// when it does not.
bool window_pixels(int& width, int& height);
void set_title(std::string_view title);
std::string title();  // the last title set by the program
bool is_terminal_output();
// True when colour, cursor and title sequences are written: standard output is
// a terminal, NO_COLOR is unset and no capture sink is set.
bool escapes_enabled();
// Erases the line the cursor is on and puts the cursor in its first column
// (terminal only; writes nothing otherwise).
void erase_line();

// --- The screen model ---------------------------------------------------------
// Every console write (text, cursor moves, clears) also updates an in-memory
// copy of the screen of the window's size, so that what was drawn can be read
// back. A window size change (SIGWINCH) resizes it at its next use.
const ScreenBuffer& screen();
// Writes cells in the current attribute at a 1-based position without
// wrapping, clipped to the window, and leaves the cursor after them. On a
// terminal the cells are sent with a cursor move; otherwise nothing is sent.
void draw_cells(int column, int row, std::u32string_view cells);
// Where escapes are not written (a pipe, a file, NO_COLOR), sends the
// characters and a line end, so that a drawing made of positioned cells
// comes out as its text, line by line; on a terminal it does nothing.
void plain_line(std::u32string_view cells);
// Fills the whole screen with a character in an attribute and puts the
// cursor at the top-left cell (the current attribute stays as it was).
void fill_screen(char32_t ch, int attr);
// Moves a 1-based rectangle's content down by `lines` rows (up when
// negative); the uncovered cells become blanks in `fill_attr`. The terminal
// is redrawn from the model; the cursor stays where it was.
void scroll_region(int column, int row, int width, int height, int lines, int fill_attr);
// Sends a 1-based rectangle of the model to the terminal again.
void redraw(int column, int row, int width, int height);
// Text the terminal echoed itself while a line was typed: the screen model
// takes it (when both standard input and output are the terminal) and
// nothing is written.
void note_echoed(std::string_view text);
// The terminal bell (BEL), only when standard output is a terminal.
void bell();

// Code page 437 character as UTF-8. Bytes below 128 stand for themselves,
// except 17, which is the left-pointing triangle glyph.
std::string cp437_to_utf8(unsigned char c);

// --- Standard input ------------------------------------------------------------
// Standard input is read through one buffer shared with the key reader, so
// line reads and key reads never lose each other's bytes. Pending console
// output is flushed before waiting for input.
// One byte; -1 at end of input or on a read error.
int stdin_getc();
// When standard input is not a terminal and its next byte is already read
// ahead and is a line end ("\n" or "\r\n"), consumes it: a key answered
// through a pipe is usually followed by one. Never waits.
void skip_buffered_line_end();
// True once a read met end of input and nothing read ahead is left.
bool stdin_at_end();
// Position of the next unread byte; -1 when standard input cannot seek.
int64_t stdin_tell();
// Moves the read position (origin 0: start, 1: current, 2: end), dropping what
// was read ahead; false when standard input cannot seek.
bool stdin_seek(int64_t offset, int origin);

// --- Keyboard ----------------------------------------------------------------
// Key codes returned for decoded special keys.
enum Key : int {
  kKeyNone = -1,
  kKeyEsc = 27,
  kKeyEnter = 13,
  kKeyUp = 0x148,
  kKeyDown = 0x150,
  kKeyLeft = 0x14B,
  kKeyRight = 0x14D,
  kKeyPgUp = 0x149,
  kKeyPgDn = 0x151,
  kKeyHome = 0x147,
  kKeyEnd = 0x14F,
};
// Waits for one key without echo (raw mode, restored afterwards). When
// standard input is not a terminal a key is a byte read from it; end of input
// reads as Esc.
int read_key();
// Waits at most `ms` milliseconds for one key (read as read_key does);
// kKeyNone when none came. End of input reads as Esc at once.
int read_key_within(int64_t ms);
// True when a key is waiting (never blocks).
bool key_waiting();
// True when Esc was pressed at the terminal and is waiting (consumes the key
// that waits). Long console listings poll it to let the user stop them; it
// is always false when standard input is not a terminal, so piped input is
// never eaten.
bool escape_pressed();
// Discards keys already waiting at the terminal (nothing when standard input
// is not a terminal, so keys given through a pipe are kept).
void drain_keys();
// Decodes the bytes that follow Esc in a terminal key sequence ("[A", "[5~",
// "OH", ...) into a Key code; kKeyNone for a sequence that is not a known key.
int decode_escape_sequence(std::string_view sequence);

}  // namespace platform
