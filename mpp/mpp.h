// The macro preprocessor: one source-to-source pass over a script before it
// is parsed (comments, directives, macros, escapes, line joining, balance
// checks), followed by an optimising walk over [calc ...] and [expr ...].
// core::mpp_preprocess (core/nuvel.h) is the entry point callers use; it
// turns the counters of mpp_pass into messages and a result code.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/nuvel.h"

namespace mpp {

// Result codes of mpp_preprocess besides the text length (0 or more).
enum Result : int32_t {
  kIfWithoutEndif = -1,
  kUnexpectedEndif = -2,
  kBadEscape = -3,
  kQuoteMismatch = -4,
  kBraceMismatch = -5,
  kBracketMismatch = -6,
  kParenMismatch = -7,
  kNoText = -8,
  kUnhandled = -9,
  kNoInput = -10,
  kExitRequested = -12,
  kCommentMismatch = -13,
};

// What one run counted. Lines are reported 1-based; 0 means "none".
struct Counters {
  long line = 0;  // 0-based line of the scan position
  long brace_open = 0;
  long brace_close = 0;
  long bracket_open = 0;
  long bracket_close = 0;
  long paren_open = 0;
  long paren_close = 0;
  long quotes = 0;
  long if_depth = 0;
  long last_open_bracket_line = 0;
  long last_close_bracket_line = 0;
  long last_close_brace_line = 0;
  long open_brace_line = 0;  // innermost brace still open, else the last one closed
  long last_directive_line = 0;
  long error_line = 0;
  bool bad_escape = false;
  bool exit_requested = false;
  long open_comment_line = 0;  // 1-based line of a "/*" that is never closed
};

// The largest macro name the main scan looks up, and the step limits of
// macro chains (substitution and definition).
inline constexpr size_t kMaxMacroWord = 1024;
inline constexpr int kSubstituteSteps = 100;
inline constexpr int kDefineSteps = 1000;
// Capacity of the brace-line stack.
inline constexpr int32_t kBraceLines = 1000;
// Deepest nesting of runs (#exec texts that source files).
inline constexpr int kMaxNestedRuns = 32;
// Size of the output staging area.
inline constexpr int32_t kStagingBytes = 32768;

// One run over `text`: the processed text, or nothing when the run failed
// (quote mismatch at a line end, an unmatched or untranslatable calc/expr
// form). `counters` receives what the scan counted.
std::optional<std::string> mpp_pass(core::Interp& interp, std::string_view text, bool evaluate,
                                    std::string_view file_name, Counters& counters);

// Prints the messages for a finished run and returns 0 for success or one of
// the negative results above.
int32_t report(const Counters& counters, bool have_text);

// The error-name table, indexed from 0.
const char* error_name(int index);

}  // namespace mpp
