// The screen as the program drew it: a grid of cells (character and colour
// attribute) of the window's size, kept up to date by every console write, so
// that scripts can read back what is on the screen and the console can redraw
// a part of it. It follows the terminal's own rules: line feeds, carriage
// returns, tabs and backspaces move the cursor, the last column wraps lazily
// (the cursor waits in the margin until the next character), and a line feed
// on the bottom row scrolls everything up.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

struct Cell {
  char32_t ch = U' ';
  uint8_t attr = 7;
  bool operator==(const Cell&) const = default;
};

// Invariants: cells_ holds rows_ * columns_ cells; screen row r is ring row
// (top_ + r) % rows_, so scrolling moves top_ instead of copying rows.
// 0 <= cursor_row_ < rows_ and 0 <= cursor_col_ <= columns_; a cursor in
// column columns_ is the pending wrap after the last column was written.
class ScreenBuffer {
 public:
  ScreenBuffer() { resize(80, 24); }

  // Changes the size, keeping the top-left part of the content.
  void resize(int columns, int rows);
  int columns() const { return columns_; }
  int rows() const { return rows_; }

  // Writes text in `attr` at the cursor. The text is UTF-8 (a character may
  // arrive split over several writes); control characters move the cursor,
  // BEL and escape sequences leave the cells alone.
  void write(std::string_view text, uint8_t attr);
  // Writes cells at a 0-based position without wrapping (clipped to the
  // screen) and leaves the cursor after the last one written.
  void put(int column, int row, std::u32string_view text, uint8_t attr);

  // 0-based cursor; columns past the last are clamped to it.
  void move_cursor(int column, int row);
  int cursor_column() const { return cursor_col_ < columns_ ? cursor_col_ : columns_ - 1; }
  int cursor_row() const { return cursor_row_; }

  // Every cell set to `ch` in `attr`; the cursor goes to the top-left cell.
  void fill(char32_t ch, uint8_t attr);
  // From the cursor to the end of its row (whole row with `whole_row`).
  void clear_line(uint8_t attr, bool whole_row);
  // Moves the rectangle's content down by `lines` (up when negative); the
  // cells it leaves are blanks in `fill_attr`. The rectangle is clipped to
  // the screen.
  void scroll_rect(int column, int row, int width, int height, int lines, uint8_t fill_attr);

  // Blanks the screen and puts the cursor at the start of the bottom row,
  // with no character or escape sequence half read: the state a stream of
  // plain text leaves behind once it has scrolled the whole screen away.
  void blank_at_bottom();
  // True when no UTF-8 character or escape sequence is half read.
  bool decoder_idle() const { return utf8_needed_ == 0 && escape_ == Escape::None; }

  // The cell at a 0-based position (a blank in attribute 7 outside).
  Cell cell(int column, int row) const;
  // `count` cells of a row from `column` as UTF-8 (clipped to the row).
  std::string text(int column, int row, int count) const;

 private:
  Cell* row_cells(int row) { return &cells_[static_cast<size_t>((top_ + row) % rows_) * columns_]; }
  const Cell* row_cells(int row) const {
    return &cells_[static_cast<size_t>((top_ + row) % rows_) * columns_];
  }
  void line_feed();
  void put_char(char32_t ch, uint8_t attr);
  void control(unsigned char c);

  int columns_ = 0;
  int rows_ = 0;
  int top_ = 0;
  int cursor_col_ = 0;
  int cursor_row_ = 0;
  std::vector<Cell> cells_;

  // Decoder state between writes: a UTF-8 character being assembled, and an
  // escape sequence being skipped.
  char32_t utf8_value_ = 0;
  int utf8_needed_ = 0;
  enum class Escape : uint8_t { None, Start, Csi, Osc, OscEsc } escape_ = Escape::None;
};

// Console text on its way to a ScreenBuffer. Plain output is only appended
// here (a copy, no decoding), and written to the screen when the screen is
// next used or the attribute changes. When much text has queued up, all but
// its last lines are dropped: plain text that has scrolled the whole screen
// away leaves a screen that depends on those lines alone. So `puts` costs
// the screen model little more than a copy, however much is written.
class TextQueue {
 public:
  void append(ScreenBuffer& screen, std::string_view text, uint8_t attr);
  // Writes the queued text to the screen.
  void settle(ScreenBuffer& screen);
  bool empty() const { return text_.empty(); }

 private:
  void shorten(ScreenBuffer& screen);

  std::string text_;
  uint8_t attr_ = 7;
  bool has_escape_ = false;  // an Esc byte is queued: no lines are dropped
};

// UTF-8 text of one character.
void append_utf8(std::string& out, char32_t ch);
// The characters of a UTF-8 text (each invalid byte stands for itself as
// U+FFFD).
std::u32string decode_utf8(std::string_view text);

}  // namespace platform
