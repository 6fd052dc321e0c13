// The main scan of the preprocessor: one left-to-right pass over the input
// that writes the processed text. Internal to mpp/.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "containers/buffer.h"
#include "containers/stack.h"
#include "mpp/macros.h"
#include "mpp/mpp.h"

namespace mpp {

// State of one scan. The rules are tried in a fixed order at each position
// (scanner.cpp); the directives after '#' live in directives.cpp.
// Invariants: pos_ <= in_.size(); last_ is the last character written (a line
// end before anything is written); brace_depth_ counts the braces open now,
// of which the first kBraceLines have their opening line on brace_lines_.
class Scanner {
 public:
  Scanner(core::Interp& interp, std::string_view text, bool evaluate, std::string_view file_name,
          Counters& counters);
  ~Scanner();
  Scanner(const Scanner&) = delete;
  Scanner& operator=(const Scanner&) = delete;

  // Runs the scan; false when the run failed (no text).
  bool run();
  std::string take_output() { return out_.detach(); }
  const MacroTable& macros() const { return macros_; }

 private:
  // Main rules.
  void comment();
  void whitespace();
  bool macro_word();
  bool conditional_marker();
  void backslash();
  bool line_end();
  void ordinary(char c);

  // Directives (directives.cpp).
  void directive();
  void define_directive(size_t p);
  void conditional_directive(size_t p, bool if_defined);
  void evaluated_directive(size_t p, bool is_if);
  void echo_directive(size_t p);
  void deflist_directive();
  bool predefined_macro();

  // Drops the rest of the line and its line end; writes a line end in its
  // place unless the last character written was one. False when the line end
  // revealed a quote mismatch (the run then fails).
  bool consume_line();
  // The same; a quote mismatch stops the scan and fails the run.
  bool consume_line_or_fail();
  // Counts one line end: the quote check of a line end outside a string.
  bool count_line_end();
  void stop_with_error();

  void emit(char c) {
    out_.add(c);
    last_ = c;
  }
  void emit(std::string_view s) {
    if (s.empty()) return;
    out_.addstr(s);
    last_ = s.back();
  }
  long line1() const { return counters_.line + 1; }
  core::Interp& private_interp();
  // True when more runs are in progress than kMaxNestedRuns (a file that
  // sources itself through #exec); its #if and #exec texts then fail.
  bool nested_too_deeply();

  core::Interp& interp_;
  std::string_view in_;
  bool evaluate_;
  std::string file_name_;
  Counters& counters_;
  MacroTable macros_;
  containers::Stack brace_lines_{kBraceLines};
  long brace_depth_ = 0;
  // Created when the first #if or #exec needs it.
  std::unique_ptr<core::Interp> private_;
  containers::Buffer out_{kStagingBytes};
  size_t pos_ = 0;
  // First position at or after which a macro word ends (npos: none left).
  size_t word_end_ = 0;
  bool word_end_known_ = false;
  bool in_string_ = false;
  bool skipping_ = false;
  bool stopped_ = false;
  bool failed_ = false;
  char last_ = '\n';
};

}  // namespace mpp
