// Screen commands: textcolor, cls, gotoxy, box, screen and console. They
// colour, place and draw through the console layer, which keeps the screen
// model that `screen` reads back; on a pipe or with NO_COLOR only text is
// written (a box becomes its lines).
#include <string>

#include "core/cmd_helpers.h"
#include "platform/console.h"
#include "syslib/console_layer.h"

namespace syslib {
namespace {

using core::Code;
using core::CommandRow;
using core::EnsembleRow;
using core::Interp;
using core::kAnyWords;
using core::Msg;
using core::Value;

constexpr int kDefaultAttribute = 7;
constexpr int kMaxBoxSize = 256;
constexpr int kScrollFillAttribute = 8;  // cells uncovered by console scroll
// Code page 437 frame characters (their numbers there) as drawn.
constexpr char32_t kBoxSolid = U'█';        // 219
constexpr char32_t kBoxTopLeft = U'╔';      // 201
constexpr char32_t kBoxHorizontal = U'═';   // 205
constexpr char32_t kBoxTopRight = U'╗';     // 187
constexpr char32_t kBoxVertical = U'║';     // 186
constexpr char32_t kBoxBottomLeft = U'╚';   // 200
constexpr char32_t kBoxBottomRight = U'╝';  // 188

// A colour word: a colour name or a number, only its low four bits count.
int colour_of(std::string_view word) {
  return colour_from_name(word) & 15;
}

int coordinate(const Value& v) {
  int64_t n = core::leading_int(v.view());
  if (n < -1000000) return -1000000;
  if (n > 1000000) return 1000000;
  return static_cast<int>(n);
}

// textcolor ?fg? ?bg?
// No word resets the attribute to 7; one sets the foreground; two set both,
// where "-" for either keeps that part. Result: empty.
Code nuvelCommandTextcolor(Interp& interp, int argc, Value* argv, void*) {
  core::nuvelResetResult(interp);
  if (argc == 1) {
    platform::reset_attribute();
  } else if (argc == 2) {
    platform::set_foreground(colour_of(argv[1].view()));
  } else {
    bool keep_fg = argv[1].view() == "-";
    bool keep_bg = argv[2].view() == "-";
    if (keep_fg && !keep_bg) {
      platform::set_background(colour_of(argv[2].view()));
    } else if (keep_bg && !keep_fg) {
      platform::set_foreground(colour_of(argv[1].view()));
    } else if (!keep_fg) {
      platform::set_attribute(colour_of(argv[1].view()) | (colour_of(argv[2].view()) << 4));
    }
  }
  return Code::Ok;
}

// cls ?char? ?colour?
// Fills the screen with the character (default blank; "-" is a blank) in the
// colour on black (attribute 0 when none is given), puts the cursor in the
// top-left cell and resets the attribute to 7. Result: empty.
Code nuvelCommandCls(Interp& interp, int argc, Value* argv, void*) {
  core::nuvelResetResult(interp);
  char32_t ch = U' ';
  if (argc > 1 && !argv[1].view().empty() && argv[1].view() != "-") {
    ch = platform::decode_utf8(argv[1].view()).front();
  }
  int attr = argc > 2 ? colour_of(argv[2].view()) : 0;
  platform::fill_screen(ch, attr);
  platform::reset_attribute();
  return Code::Ok;
}

// gotoxy column row
// Moves the cursor to the 1-based cell; values below 1 count as 1, values
// past the window as its last column or row. Result: empty.
Code nuvelCommandGotoxy(Interp& interp, int, Value* argv, void*) {
  core::nuvelResetResult(interp);
  platform::move_cursor(coordinate(argv[1]), coordinate(argv[2]));
  return Code::Ok;
}

// One row of a box: left edge, `inner` fill characters, right edge.
std::u32string box_row(char32_t left, char32_t fill, char32_t right, int inner) {
  std::u32string row;
  row.reserve(static_cast<size_t>(inner) + 2);
  row.push_back(left);
  row.append(static_cast<size_t>(inner), fill);
  row.push_back(right);
  return row;
}

// Draws one row at (x, y) and, where only text is written, its line.
void draw_row(int x, int y, const std::u32string& cells) {
  platform::draw_cells(x, y, cells);
  platform::plain_line(cells);
}

// box x y width height ?fg? ?bg? ?-solid? ?-nofill?
// Draws a double-line frame (solid blocks with -solid) filled with blanks
// unless -nofill; a width or height of 0 draws a line instead. Width and
// height are capped at 256 and raised to 3 for a frame. The frame is drawn
// in fg on bg (default grey on black); the attribute is 7 afterwards.
// Result: empty. Errors: fewer than four numbers give the usage report.
Code nuvelCommandBox(Interp& interp, int argc, Value* argv, void*) {
  for (int i = 1; i <= 4; ++i) {
    if (!core::parse_int(argv[i].view())) return core::nuvelWrongArgs(interp, argc, argv);
  }
  core::nuvelResetResult(interp);
  auto clamp_size = [](int64_t v) {
    return static_cast<int>(v < 0 ? 0 : (v > kMaxBoxSize ? kMaxBoxSize : v));
  };
  int x = coordinate(argv[1]);
  int y = coordinate(argv[2]);
  if (x < 1) x = 1;
  if (y < 1) y = 1;
  int width = clamp_size(*core::parse_int(argv[3].view()));
  int height = clamp_size(*core::parse_int(argv[4].view()));
  bool solid = core::find_option(argc, argv, "-solid", 5) >= 0;
  bool nofill = core::find_option(argc, argv, "-nofill", 5) >= 0;
  int colours[2] = {kDefaultAttribute, 0};
  for (int i = 5; i <= 6 && i < argc; ++i) {
    std::string_view w = argv[i].view();
    if (w == "-" || core::iequals(w, "-solid") || core::iequals(w, "-nofill")) continue;
    std::optional<int64_t> n = core::parse_int(w);
    colours[i - 5] = n ? static_cast<int>(((*n % 16) + 16) % 16) : colour_of(w);
  }
  if (width == 0 && height == 0) return Code::Ok;
  platform::set_attribute(colours[0] | (colours[1] << 4));
  if (width == 0 || height == 0) {
    // A line: vertical when the width is 0, horizontal when the height is.
    char32_t ch = solid ? kBoxSolid : (width == 0 ? kBoxVertical : kBoxHorizontal);
    if (width == 0) {
      std::u32string cell(1, ch);
      for (int r = 0; r < height; ++r) draw_row(x, y + r, cell);
    } else {
      draw_row(x, y, std::u32string(static_cast<size_t>(width), ch));
    }
    platform::reset_attribute();
    return Code::Ok;
  }
  if (width < 3) width = 3;
  if (height < 3) height = 3;
  int inner = width - 2;
  std::u32string top = solid ? box_row(kBoxSolid, kBoxSolid, kBoxSolid, inner)
                             : box_row(kBoxTopLeft, kBoxHorizontal, kBoxTopRight, inner);
  std::u32string bottom = solid ? box_row(kBoxSolid, kBoxSolid, kBoxSolid, inner)
                                : box_row(kBoxBottomLeft, kBoxHorizontal, kBoxBottomRight, inner);
  char32_t edge = solid ? kBoxSolid : kBoxVertical;
  std::u32string middle = box_row(edge, U' ', edge, inner);
  std::u32string edge_cell(1, edge);
  draw_row(x, y, top);
  for (int r = 1; r < height - 1; ++r) {
    if (nofill) {
      // Only the edges are drawn; the text of the row still shows the frame.
      platform::draw_cells(x, y + r, edge_cell);
      platform::draw_cells(x + width - 1, y + r, edge_cell);
      platform::plain_line(middle);
    } else {
      draw_row(x, y + r, middle);
    }
  }
  draw_row(x, y + height - 1, bottom);
  platform::reset_attribute();
  return Code::Ok;
}

// --- screen ------------------------------------------------------------------------

// The 1-based cell named by argv[2] and argv[3], as 0-based coordinates.
bool cell_position(const Value* argv, int& column, int& row) {
  std::optional<int64_t> x = core::parse_int(argv[2].view());
  std::optional<int64_t> y = core::parse_int(argv[3].view());
  if (!x || !y) return false;
  const platform::ScreenBuffer& screen = platform::screen();
  if (*x < 1 || *y < 1 || *x > screen.columns() || *y > screen.rows()) return false;
  column = static_cast<int>(*x - 1);
  row = static_cast<int>(*y - 1);
  return true;
}

Code bad_position(Interp& interp, const Value* argv) {
  std::string words(argv[2].view());
  words += ' ';
  words += argv[3].view();
  return core::fail(interp, Msg::ScreenInvalidPosition, words);
}

// screen width|height: the window's size in pixels, as the terminal reports
// it, or its cells counted as 8 by 16 pixels when it does not.
Code screen_pixels(Interp& interp, int, Value* argv, void*) {
  int width = 0;
  int height = 0;
  if (!platform::window_pixels(width, height)) {
    width = platform::window_columns() * 8;
    height = platform::window_rows() * 16;
  }
  bool wide = core::iequals(argv[1].view(), "width");
  return core::result_int(interp, wide ? width : height);
}

// screen columns|rows: the size of the screen model in cells.
Code screen_cells(Interp& interp, int, Value* argv, void*) {
  const platform::ScreenBuffer& screen = platform::screen();
  bool wide = core::iequals(argv[1].view(), "columns");
  return core::result_int(interp, wide ? screen.columns() : screen.rows());
}

// screen cursor: "column row" of the cursor, 1-based.
Code screen_cursor(Interp& interp, int, Value*, void*) {
  const platform::ScreenBuffer& screen = platform::screen();
  core::nuvelSetResult(interp, Value(std::to_string(screen.cursor_column() + 1) + " " +
                                     std::to_string(screen.cursor_row() + 1)));
  return Code::Ok;
}

// screen char x y: the character drawn in the cell.
Code screen_char(Interp& interp, int, Value* argv, void*) {
  int column = 0;
  int row = 0;
  if (!cell_position(argv, column, row)) return bad_position(interp, argv);
  core::nuvelSetResult(interp, Value(platform::screen().text(column, row, 1)));
  return Code::Ok;
}

// screen attribute x y: the colour attribute of the cell.
Code screen_attribute(Interp& interp, int, Value* argv, void*) {
  int column = 0;
  int row = 0;
  if (!cell_position(argv, column, row)) return bad_position(interp, argv);
  return core::result_int(interp, platform::screen().cell(column, row).attr);
}

// screen read x y ?count?: the characters from the cell to the end of its
// row, or `count` of them.
Code screen_read(Interp& interp, int argc, Value* argv, void*) {
  int column = 0;
  int row = 0;
  if (!cell_position(argv, column, row)) return bad_position(interp, argv);
  const platform::ScreenBuffer& screen = platform::screen();
  int count = screen.columns() - column;
  if (argc > 4) {
    std::optional<int64_t> n = core::parse_int(argv[4].view());
    if (!n || *n < 0) return core::fail(interp, Msg::ScreenInvalidCount, argv[4]);
    if (*n < count) count = static_cast<int>(*n);
  }
  core::nuvelSetResult(interp, Value(screen.text(column, row, count)));
  return Code::Ok;
}

// screen dump: every row of the screen with its trailing blanks removed,
// joined by line ends, without the blank rows at the bottom.
Code screen_dump(Interp& interp, int, Value*, void*) {
  const platform::ScreenBuffer& screen = platform::screen();
  std::string text;
  size_t kept = 0;  // length of the text up to the last row that is not blank
  for (int r = 0; r < screen.rows(); ++r) {
    std::string line = screen.text(0, r, screen.columns());
    while (!line.empty() && line.back() == ' ') line.pop_back();
    if (r > 0) text += '\n';
    text += line;
    if (!line.empty()) kept = text.size();
  }
  text.resize(kept);
  core::nuvelSetResult(interp, Value(std::move(text)));
  return Code::Ok;
}

const EnsembleRow kScreenRows[] = {
    {"width", screen_pixels, 2, 2, ""},
    {"height", screen_pixels, 2, 2, ""},
    {"columns", screen_cells, 2, 2, ""},
    {"rows", screen_cells, 2, 2, ""},
    {"cursor", screen_cursor, 2, 2, ""},
    {"char", screen_char, 4, 4, "x y"},
    {"attribute", screen_attribute, 4, 4, "x y"},
    {"read", screen_read, 4, 5, "x y ?count?"},
    {"dump", screen_dump, 2, 2, ""},
};

const core::Ensemble kScreenEnsemble{"screen", kScreenRows, Msg::ScreenInvalidSubcommand};

// screen width|height|columns|rows|cursor|char|attribute|read|dump ?arg ...?
Code nuvelCommandScreen(Interp& interp, int argc, Value* argv, void*) {
  return core::dispatch_ensemble(interp, kScreenEnsemble, argc, argv);
}

// --- console -----------------------------------------------------------------------
// A terminal cannot hide, move, resize or restyle its window: those
// subcommands do nothing and give the success values of a window that did.

Code console_one(Interp& interp, int, Value*, void*) {
  return core::result_int(interp, 1);
}

// console move x ?y? ?width? ?height?
Code console_move(Interp& interp, int argc, Value*, void*) {
  if (argc < 3) return core::fail(interp, Msg::ConsoleMoveArgs);
  return core::result_int(interp, 1);
}

// console scroll x y width height ?lines?
// Moves the rectangle's content down by `lines` rows (default 1; up when
// negative), filling the uncovered cells with blanks in attribute 8. The
// result is left as it was.
Code console_scroll(Interp&, int argc, Value* argv, void*) {
  int lines = argc > 6 ? coordinate(argv[6]) : 1;
  int x = coordinate(argv[2]);
  int y = coordinate(argv[3]);
  platform::scroll_region(x < 1 ? 1 : x, y < 1 ? 1 : y, coordinate(argv[4]), coordinate(argv[5]),
                          lines, kScrollFillAttribute);
  return Code::Ok;
}

// console get_title: the last title set (an error without a message when
// none was ever set).
Code console_get_title(Interp& interp, int, Value*, void*) {
  std::string title = platform::title();
  core::nuvelSetResult(interp, Value(title));
  return title.empty() ? Code::Error : Code::Ok;
}

// console set_title text: sets the window title (OSC 0 on a terminal).
Code console_set_title(Interp& interp, int, Value* argv, void*) {
  platform::set_title(argv[2].view());
  return core::result_int(interp, 1);
}

// console close: a terminal stays; the result is whether the console is
// open afterwards.
Code console_close(Interp& interp, int, Value*, void*) {
  return core::result_bool(interp, platform::console_open());
}

Code console_showcursor(Interp& interp, int, Value*, void*) {
  platform::show_cursor(true);
  return core::result_int(interp, 0);
}

Code console_hidecursor(Interp& interp, int, Value*, void*) {
  platform::show_cursor(false);
  return core::result_int(interp, 0);
}

Code console_size(Interp& interp, int, Value* argv, void*) {
  bool wide = core::iequals(argv[1].view(), "width");
  return core::result_int(interp, wide ? platform::window_columns() : platform::window_rows());
}

Code console_attribute(Interp& interp, int, Value*, void*) {
  return core::result_int(interp, platform::attribute());
}

// console curx|cury: the 1-based cursor column or row.
Code console_cursor(Interp& interp, int, Value* argv, void*) {
  if (!platform::console_open()) {
    core::nuvelSetResult(interp, "0");
    return core::fail(interp, Msg::ConsoleFailed);
  }
  const platform::ScreenBuffer& screen = platform::screen();
  bool column = core::iequals(argv[1].view(), "curx");
  return core::result_int(interp, column ? screen.cursor_column() + 1 : screen.cursor_row() + 1);
}

const EnsembleRow kConsoleRows[] = {
    {"hide", console_one, 2, 2, ""},
    {"show", console_one, 2, 2, ""},
    {"hidden", console_one, 2, 2, ""},
    {"setfocus", console_one, 2, 2, ""},
    {"move", console_move, 2, 6, "x ?y? ?width? ?height?"},
    {"maximize", console_one, 2, 2, ""},
    {"minimize", console_one, 2, 2, ""},
    {"fullscreen", console_one, 2, 2, ""},
    {"center", console_one, 2, 2, ""},
    {"noborders", console_one, 2, 2, ""},
    {"borders", console_one, 2, 2, ""},
    {"scroll", console_scroll, 6, 7, "x y width height ?lines?"},
    {"get_title", console_get_title, 2, 2, ""},
    {"set_title", console_set_title, 3, 3, "text"},
    {"close", console_close, 2, 2, ""},
    {"showcursor", console_showcursor, 2, 2, ""},
    {"hidecursor", console_hidecursor, 2, 2, ""},
    {"width", console_size, 2, 2, ""},
    {"height", console_size, 2, 2, ""},
    {"attribute", console_attribute, 2, 2, ""},
    {"curx", console_cursor, 2, 2, ""},
    {"cury", console_cursor, 2, 2, ""},
};

const core::Ensemble kConsoleEnsemble{"console", kConsoleRows, Msg::ConsoleInvalidCommand};

// console subcommand ?arg ...?
Code nuvelCommandConsole(Interp& interp, int argc, Value* argv, void*) {
  return core::dispatch_ensemble(interp, kConsoleEnsemble, argc, argv);
}

const CommandRow kScreenCommands[] = {
    {"textcolor", nuvelCommandTextcolor, 1, 3, "?fg? ?bg?"},
    {"cls", nuvelCommandCls, 1, 3, "?char? ?colour?"},
    {"gotoxy", nuvelCommandGotoxy, 3, 3, "column row"},
    {"box", nuvelCommandBox, 5, 9, "x y width height ?fg? ?bg? ?-solid? ?-nofill?"},
    {"screen", nuvelCommandScreen, 2, kAnyWords,
     "width|height|columns|rows|cursor|char|attribute|read|dump ?arg ...?"},
    {"console", nuvelCommandConsole, 2, kAnyWords, "subcommand ?arg ...?"},
};

}  // namespace

[[gnu::section(".text.startup.register")]] void register_screen_cmds(Interp& interp) {
  core::register_rows(interp, kScreenCommands);
  core::register_ensemble(interp, kScreenEnsemble);
  core::register_ensemble(interp, kConsoleEnsemble);
}

}  // namespace syslib
