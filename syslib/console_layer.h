// The console layer above the terminal: colour names, the console pager for
// long listings, and the usage display of the "/?" switch.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace syslib {

// Colour number for a colour name ("BLACK".."WHITE" in palette order, any
// case; also "gray"/"grey" 7 and "darkgray"/"darkgrey" 8) or for a decimal
// number text (returned as written; callers keep the bits they need). Anything
// else is grey, 7.
int colour_from_name(std::string_view name);

// Where the pager takes its keys from; returns a platform::Key code or a byte.
using KeyReader = std::function<int()>;

// Shows `lines` on the console after resetting the attribute to 7 and clearing
// the screen. The first line is written in `highlight_attr` with a bright white
// foreground, padded to 79 columns. With `paging` the listing stops after each
// page (window rows - 2 lines) with the More prompt and after the last line
// with the End prompt. Returns 27 when Esc ended the pager, otherwise 0.
int console_pager(const std::vector<std::string>& lines, int highlight_attr, bool paging);
// The same with the keys taken from `read_key` instead of the keyboard.
int console_pager(const std::vector<std::string>& lines, int highlight_attr, bool paging,
                  const KeyReader& read_key);

// Writes line `index` of a listing (the pager calls it in any order it needs,
// after it has placed the cursor at the start of a line).
using LineWriter = std::function<void(size_t index)>;

// The pager over `count` lines drawn by `write` instead of plain texts: the
// writer chooses its own colours. Paging, prompts and keys work as above.
int console_pager(size_t count, const LineWriter& write, bool paging);
int console_pager(size_t count, const LineWriter& write, bool paging, const KeyReader& read_key);

// The product banner: the lines `help` starts with and `logo` prints.
std::vector<std::string_view> banner_lines();

// The 16 lines of the usage text shown by the "/?" switch.
std::vector<std::string> usage_lines();

// Shows the usage text through the pager, sets the title to "Nuvel" and ends
// the process with exit code 0.
[[noreturn]] void show_usage_and_exit();

}  // namespace syslib
