// The in-memory screen: a ring of rows of cells that follows what the console
// writes, with the terminal's rules for control characters and wrapping.
#include "platform/screen_buffer.h"

#include <algorithm>
#include <cstring>

namespace platform {
namespace {

constexpr char32_t kReplacement = 0xFFFD;
constexpr int kTabWidth = 8;

int clamp(int v, int lo, int hi) {
  return v < lo ? lo : (v > hi ? hi : v);
}

}  // namespace

void append_utf8(std::string& out, char32_t ch) {
  if (ch < 0x80) {
    out.push_back(static_cast<char>(ch));
  } else if (ch < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (ch >> 6)));
    out.push_back(static_cast<char>(0x80 | (ch & 0x3F)));
  } else if (ch < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (ch >> 12)));
    out.push_back(static_cast<char>(0x80 | ((ch >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (ch & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (ch >> 18)));
    out.push_back(static_cast<char>(0x80 | ((ch >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((ch >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (ch & 0x3F)));
  }
}

std::u32string decode_utf8(std::string_view text) {
  std::u32string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      out.push_back(c);
      ++i;
      continue;
    }
    int extra = (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
    if (extra < 0 || i + static_cast<size_t>(extra) >= text.size()) {
      out.push_back(kReplacement);
      ++i;
      continue;
    }
    char32_t value = c & (0x3F >> extra);
    bool valid = true;
    for (int k = 1; k <= extra; ++k) {
      auto b = static_cast<unsigned char>(text[i + static_cast<size_t>(k)]);
      if ((b & 0xC0) != 0x80) {
        valid = false;
        break;
      }
      value = (value << 6) | (b & 0x3F);
    }
    if (!valid) {
      out.push_back(kReplacement);
      ++i;
      continue;
    }
    out.push_back(value);
    i += static_cast<size_t>(extra) + 1;
  }
  return out;
}

void ScreenBuffer::resize(int columns, int rows) {
  columns = std::max(columns, 1);
  rows = std::max(rows, 1);
  if (columns == columns_ && rows == rows_) return;
  std::vector<Cell> cells(static_cast<size_t>(columns) * static_cast<size_t>(rows));
  int keep_rows = std::min(rows, rows_);
  int keep_cols = std::min(columns, columns_);
  for (int r = 0; r < keep_rows; ++r) {
    const Cell* from = row_cells(r);
    std::copy(from, from + keep_cols, &cells[static_cast<size_t>(r) * columns]);
  }
  cells_ = std::move(cells);
  columns_ = columns;
  rows_ = rows;
  top_ = 0;
  cursor_col_ = std::min(cursor_col_, columns_ - 1);
  cursor_row_ = std::min(cursor_row_, rows_ - 1);
}

void ScreenBuffer::line_feed() {
  if (cursor_row_ + 1 < rows_) {
    ++cursor_row_;
    return;
  }
  // The top row leaves the screen and comes back as the blank bottom row.
  top_ = (top_ + 1) % rows_;
  Cell* bottom = row_cells(rows_ - 1);
  std::fill(bottom, bottom + columns_, Cell{});
}

void ScreenBuffer::put_char(char32_t ch, uint8_t attr) {
  if (cursor_col_ >= columns_) {
    cursor_col_ = 0;
    line_feed();
  }
  row_cells(cursor_row_)[cursor_col_] = Cell{ch, attr};
  ++cursor_col_;
}

void ScreenBuffer::control(unsigned char c) {
  switch (c) {
    case '\n':
      // Output goes through the terminal's line discipline, which turns a
      // line feed into carriage return and line feed.
      cursor_col_ = 0;
      line_feed();
      break;
    case '\r':
      cursor_col_ = 0;
      break;
    case '\t': {
      int col = std::min(cursor_col_, columns_ - 1);
      cursor_col_ = std::min((col / kTabWidth + 1) * kTabWidth, columns_ - 1);
      break;
    }
    case '\b':
      if (cursor_col_ >= columns_) cursor_col_ = columns_ - 1;
      if (cursor_col_ > 0) --cursor_col_;
      break;
    case 0x1B:
      escape_ = Escape::Start;
      break;
    default:
      break;  // BEL and other controls change no cell
  }
}

void ScreenBuffer::write(std::string_view text, uint8_t attr) {
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const auto* end = p + text.size();
  while (p < end) {
    unsigned char c = *p++;
    if (escape_ != Escape::None) {
      // Sequences a script writes itself are passed on to the terminal but
      // take no cells: ESC [ ... final, ESC ] ... BEL or ST, ESC x.
      switch (escape_) {
        case Escape::Start:
          escape_ = c == '[' ? Escape::Csi : c == ']' ? Escape::Osc : Escape::None;
          break;
        case Escape::Csi:
          if (c >= 0x40 && c <= 0x7E) escape_ = Escape::None;
          break;
        case Escape::Osc:
          if (c == 0x07) escape_ = Escape::None;
          if (c == 0x1B) escape_ = Escape::OscEsc;
          break;
        default:
          escape_ = Escape::None;
          break;
      }
      continue;
    }
    if (utf8_needed_ > 0) {
      if ((c & 0xC0) == 0x80) {
        utf8_value_ = (utf8_value_ << 6) | (c & 0x3F);
        if (--utf8_needed_ == 0) put_char(utf8_value_, attr);
        continue;
      }
      utf8_needed_ = 0;
      put_char(kReplacement, attr);
    }
    if (c >= 0x20 && c < 0x7F) {
      // The common case: a run of plain characters on one row. The column
      // is kept in a local: the cells' byte-sized attribute could otherwise
      // alias the member, and each store would reload it.
      if (cursor_col_ >= columns_) {
        cursor_col_ = 0;
        line_feed();
      }
      Cell* row = row_cells(cursor_row_);
      int col = cursor_col_;
      const int columns = columns_;
      row[col++] = Cell{c, attr};
      while (p < end && col < columns && *p >= 0x20 && *p < 0x7F) row[col++] = Cell{*p++, attr};
      cursor_col_ = col;
    } else if (c < 0x20 || c == 0x7F) {
      control(c);
    } else if ((c >> 5) == 6) {
      utf8_value_ = c & 0x1F;
      utf8_needed_ = 1;
    } else if ((c >> 4) == 14) {
      utf8_value_ = c & 0x0F;
      utf8_needed_ = 2;
    } else if ((c >> 3) == 30) {
      utf8_value_ = c & 0x07;
      utf8_needed_ = 3;
    } else {
      put_char(kReplacement, attr);
    }
  }
}

void ScreenBuffer::put(int column, int row, std::u32string_view text, uint8_t attr) {
  if (row < 0 || row >= rows_) return;
  Cell* cells = row_cells(row);
  int col = column;
  for (char32_t ch : text) {
    if (col >= columns_) break;
    if (col >= 0) cells[col] = Cell{ch, attr};
    ++col;
  }
  cursor_row_ = row;
  cursor_col_ = clamp(col, 0, columns_);
}

void ScreenBuffer::move_cursor(int column, int row) {
  cursor_col_ = clamp(column, 0, columns_ - 1);
  cursor_row_ = clamp(row, 0, rows_ - 1);
}

void ScreenBuffer::fill(char32_t ch, uint8_t attr) {
  std::fill(cells_.begin(), cells_.end(), Cell{ch, attr});
  top_ = 0;
  cursor_col_ = 0;
  cursor_row_ = 0;
}

void ScreenBuffer::clear_line(uint8_t attr, bool whole_row) {
  Cell* cells = row_cells(cursor_row_);
  int from = whole_row ? 0 : std::min(cursor_col_, columns_);
  std::fill(cells + from, cells + columns_, Cell{U' ', attr});
}

void ScreenBuffer::scroll_rect(int column, int row, int width, int height, int lines,
                               uint8_t fill_attr) {
  int left = std::max(column, 0);
  int top = std::max(row, 0);
  int right = std::min(column + width, columns_);  // exclusive
  int bottom = std::min(row + height, rows_);      // exclusive
  if (left >= right || top >= bottom || lines == 0) return;
  int span = bottom - top;
  const Cell blank{U' ', fill_attr};
  auto copy_row = [&](int from, int to) {
    const Cell* src = row_cells(from);
    std::copy(src + left, src + right, row_cells(to) + left);
  };
  auto blank_row = [&](int r) {
    Cell* cells = row_cells(r);
    std::fill(cells + left, cells + right, blank);
  };
  if (lines >= span || -lines >= span) {
    for (int r = top; r < bottom; ++r) blank_row(r);
    return;
  }
  if (lines > 0) {
    for (int r = bottom - 1; r >= top + lines; --r) copy_row(r - lines, r);
    for (int r = top; r < top + lines; ++r) blank_row(r);
  } else {
    int up = -lines;
    for (int r = top; r < bottom - up; ++r) copy_row(r + up, r);
    for (int r = bottom - up; r < bottom; ++r) blank_row(r);
  }
}

void ScreenBuffer::blank_at_bottom() {
  std::fill(cells_.begin(), cells_.end(), Cell{});
  top_ = 0;
  cursor_col_ = 0;
  cursor_row_ = rows_ - 1;
  utf8_needed_ = 0;
  escape_ = Escape::None;
}

Cell ScreenBuffer::cell(int column, int row) const {
  if (column < 0 || column >= columns_ || row < 0 || row >= rows_) return Cell{};
  return row_cells(row)[column];
}

std::string ScreenBuffer::text(int column, int row, int count) const {
  std::string out;
  if (row < 0 || row >= rows_ || count <= 0) return out;
  int from = std::max(column, 0);
  int to = std::min(column + count, columns_);
  const Cell* cells = row_cells(row);
  for (int c = from; c < to; ++c) append_utf8(out, cells[c].ch);
  return out;
}

}  // namespace platform

namespace platform {
namespace {
// Queued text beyond this is shortened (or written to the screen).
constexpr size_t kQueueLimit = 64 * 1024;
}  // namespace

void TextQueue::append(ScreenBuffer& screen, std::string_view text, uint8_t attr) {
  if (text.empty()) return;
  if (!text_.empty() && attr != attr_) settle(screen);
  attr_ = attr;
  if (!has_escape_ && std::memchr(text.data(), 0x1B, text.size()) != nullptr) has_escape_ = true;
  text_.append(text);
  if (text_.size() >= kQueueLimit) shorten(screen);
}

void TextQueue::settle(ScreenBuffer& screen) {
  if (text_.empty()) return;
  screen.write(text_, attr_);
  text_.clear();
  has_escape_ = false;
}

// Only line feeds move the cursor down, and none of plain text moves it up.
// So after rows - 1 line feeds the cursor is on the bottom row whatever the
// screen was, and each line feed after that scrolls; the rows - 1 line feeds
// after that leave only rows made since on the screen. The text before the
// line feed that starts those last rows can therefore be dropped, the screen
// taken as blank with the cursor at the start of the bottom row.
void TextQueue::shorten(ScreenBuffer& screen) {
  const int rows = screen.rows();
  size_t cut = std::string::npos;  // the line feed that starts the last rows
  if (!has_escape_ && screen.decoder_idle()) {
    int seen = 0;
    size_t at = text_.size();
    while (at > 0) {
      --at;
      if (text_[at] != '\n') continue;
      ++seen;
      if (seen == rows) cut = at;
      if (seen == 2 * rows - 1) break;
    }
    if (seen < 2 * rows - 1) cut = std::string::npos;
  }
  if (cut == std::string::npos || text_.size() - cut > kQueueLimit / 2) {
    settle(screen);
    return;
  }
  screen.blank_at_bottom();
  text_.erase(0, cut + 1);
}

}  // namespace platform
