// Terminal restoration shared by the console writer and the process services:
// what the exit path and the signal handlers undo before the process ends.
#pragma once

namespace platform::detail {

// Writes pending output, leaves raw key mode, resets colours and shows the
// cursor when the program changed them. For normal (non-signal) context.
void restore_terminal();

// The same from a signal handler: only async-signal-safe calls (write,
// tcsetattr) on state that is valid at any instant.
void restore_terminal_from_signal() noexcept;

// For code that changes the terminal's modes itself (the line editor, input
// without echo): keeps the current settings as the ones the exit path and the
// signal handlers put back, until release_terminal_settings() restores them.
// False when standard input is not a terminal.
bool hold_terminal_settings();
void release_terminal_settings();
// From the SIGWINCH handler: the window size is asked for again at the next
// use of the screen model. Async-signal-safe.
void note_window_change() noexcept;

}  // namespace platform::detail
