// Reading lines from standard input: plain lines (pipes and files), lines
// typed without echo, and the shell's line editor at a terminal (libedit:
// cursor keys, Ctrl+A/E, history kept for the session and in a file).
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// True when standard input is a terminal.
bool stdin_is_terminal();

// One line from standard input through the shared input buffer: at most
// `max` - 1 bytes, up to and including the line end (which is dropped, with
// a carriage return before it). Nothing at end of input.
std::optional<std::string> read_plain_line(size_t max);

// The same with the terminal's echo switched off (passwords); the settings
// are put back afterwards, also when a signal ends the process meanwhile.
std::optional<std::string> read_line_noecho(size_t max);

// The line editor of the interactive shell. Made only when standard input is
// a terminal; history lines are loaded from and saved to `history_file`
// (nothing is saved when it is empty or cannot be written).
class LineEditor {
 public:
  enum class Status {
    Line,         // a line was read
    Interrupted,  // Ctrl+C abandoned the line being typed
    End,          // end of input (Ctrl+D on an empty line)
  };

  explicit LineEditor(std::string history_file);
  ~LineEditor();
  LineEditor(const LineEditor&) = delete;
  LineEditor& operator=(const LineEditor&) = delete;

  // Shows `prompt` and reads one line (without its line end) into `line`.
  // The terminal is back in its usual mode when this returns.
  Status read(std::string_view prompt, std::string& line);

  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace platform
