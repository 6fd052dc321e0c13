// The console layer above the terminal: colour names, the console pager and
// the usage display of the "/?" switch.
#include "syslib/console_layer.h"

#include <charconv>
#include <cstddef>

#include "platform/console.h"
#include "platform/system.h"

namespace syslib {
namespace {

// Colour names in palette order: the index is the colour number.
constexpr std::string_view kColourNames[16] = {
    "BLACK",      "DARKBLUE", "DARKGREEN", "DARKCYAN", "DARKRED", "DARKMAGENTA",
    "DARKYELLOW", "GREY",     "DARKGREY",  "BLUE",     "GREEN",   "CYAN",
    "RED",        "MAGENTA",  "YELLOW",    "WHITE",
};

constexpr int kDefaultColour = 7;
constexpr int kPromptAttribute = 112;  // black on grey
constexpr size_t kHighlightWidth = 79;
constexpr int kEsc = platform::kKeyEsc;

constexpr std::string_view kMorePrompt = "-- More (PgUp, PgDn, Home, End, Esc quits) --";
constexpr std::string_view kEndPrompt = "-- End - ESC to Close --";

bool equals_ignoring_case(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    auto x = static_cast<unsigned char>(a[i]);
    auto y = static_cast<unsigned char>(b[i]);
    if (x >= 'a' && x <= 'z') x = static_cast<unsigned char>(x - 'a' + 'A');
    if (y >= 'a' && y <= 'z') y = static_cast<unsigned char>(y - 'a' + 'A');
    if (x != y) return false;
  }
  return true;
}

// Line `index` of the listing; the first line carries the highlight.
void write_line(const std::vector<std::string>& lines, size_t index, int highlight_attr) {
  if (index != 0) {
    platform::out(lines[index]);
    platform::out("\n");
    return;
  }
  std::string first = lines[0];
  if (first.size() < kHighlightWidth) first.append(kHighlightWidth - first.size(), ' ');
  platform::set_attribute(highlight_attr | 15);
  platform::out(first);
  // Back to the default before the line end, so a scrolling terminal does not
  // paint the new line in the highlight colour.
  platform::reset_attribute();
  platform::out("\n");
}

// Shows a prompt line, waits for a key and takes the prompt away again. Where
// the line cannot be erased (output is not a terminal) it is ended instead, so
// the listing that follows starts on a line of its own.
int prompt(std::string_view text, const KeyReader& read_key) {
  platform::drain_keys();
  platform::set_attribute(kPromptAttribute);
  platform::out(text);
  platform::reset_attribute();
  platform::flush();
  int key = read_key();
  if (platform::escapes_enabled()) {
    platform::erase_line();
  } else {
    platform::out("\n");
  }
  return key;
}

bool is_up(int key) {
  return key == platform::kKeyUp || key == platform::kKeyPgUp;
}

bool is_down(int key) {
  return key == platform::kKeyDown || key == platform::kKeyPgDn;
}

}  // namespace

int colour_from_name(std::string_view name) {
  if (equals_ignoring_case(name, "white")) return 15;
  if (equals_ignoring_case(name, "gray") || equals_ignoring_case(name, "grey")) return 7;
  if (equals_ignoring_case(name, "darkgrey") || equals_ignoring_case(name, "darkgray")) return 8;
  for (int i = 0; i < 16; ++i) {
    if (equals_ignoring_case(name, kColourNames[i])) return i;
  }
  // A number text: an optional minus sign and decimal digits, nothing else.
  int number = 0;
  const char* end = name.data() + name.size();
  auto [stop, error] = std::from_chars(name.data(), end, number);
  if (name.empty() || error != std::errc() || stop != end) return kDefaultColour;
  return number;
}

int console_pager(const std::vector<std::string>& lines, int highlight_attr, bool paging) {
  return console_pager(
      lines.size(), [&](size_t index) { write_line(lines, index, highlight_attr); }, paging);
}

int console_pager(const std::vector<std::string>& lines, int highlight_attr, bool paging,
                  const KeyReader& read_key) {
  return console_pager(
      lines.size(), [&](size_t index) { write_line(lines, index, highlight_attr); }, paging,
      read_key);
}

int console_pager(size_t count, const LineWriter& write, bool paging) {
  // Nobody reads a page of output that goes to a pipe or a file: the pager
  // waits for keys only when its output is a terminal; otherwise every
  // prompt is answered with a blank, which goes on to the end.
  if (!platform::is_terminal_output()) {
    return console_pager(count, write, paging, [] { return int{' '}; });
  }
  return console_pager(count, write, paging, [] { return platform::read_key(); });
}

// The pager keeps two indexes: `next`, the line to write next, and
// `page_start`, the first line of the page on the screen. A page is complete
// when `next - page_start` reaches the page height.
int console_pager(size_t count, const LineWriter& write, bool paging, const KeyReader& read_key) {
  platform::reset_attribute();
  platform::clear_screen();
  int rows = platform::window_rows() - 2;
  size_t page = rows > 0 ? static_cast<size_t>(rows) : 1;
  if (page > count) page = count;
  if (page == 0) page = 1;

  size_t next = 0;
  size_t page_start = 0;
  for (;;) {
    while (next < count) {
      write(next);
      ++next;
      if (!paging || next - page_start < page || next >= count) continue;
      int key = prompt(kMorePrompt, read_key);
      if (key == kEsc) return kEsc;
      if (key == platform::kKeyHome) {
        next = 0;
      } else if (is_up(key)) {
        next = next >= 2 * page ? next - 2 * page : 0;
      } else if (key == platform::kKeyEnd) {
        next = count - page;
      } else if (!is_down(key)) {
        // Any other key goes on below the current page without clearing.
        page_start = next;
        continue;
      }
      platform::clear_screen();
      page_start = next;
    }
    if (!paging) return 0;
    int key = prompt(kEndPrompt, read_key);
    if (key == kEsc) return kEsc;
    if (is_up(key)) {
      next = page_start >= page ? page_start - page : 0;
    } else if (key == platform::kKeyHome) {
      next = 0;
    } else {
      return 0;
    }
    platform::clear_screen();
    page_start = next;
  }
}

std::vector<std::string_view> banner_lines() {
  return {"", " Nuvel 1.26 - a Tcl dialect interpreter", ""};
}

std::vector<std::string> usage_lines() {
  return {
      " nuvel_embed 1.26 - Nuvel Tcl interpreter with an embedded script",
      "",
      " Example embedded Nuvel Tcl script",
      " Command-line arguments are transferred",
      " Note: $argv(1) and [info script] will be empty \"{}\"",
      "",
      " Syntax: program.exe ?arg...?",
      " Command line switches",
      " ---------------------",
      " /ECHO      Echo script to the console",
      " /DEBUG     Debug info about the Nuvel Tcl libraries",
      "",
      " Free to use and to pass on. Provided as is, without warranty of any kind.",
      "",
      "",
      "",
  };
}

void show_usage_and_exit() {
  console_pager(usage_lines(), 16, true);
  platform::set_title("Nuvel");
  platform::exit_process(0);
}

}  // namespace syslib
