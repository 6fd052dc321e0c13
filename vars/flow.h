// Helpers shared by the procedure and flow-control commands: the expression
// hook for conditions, glob matching of names, the substitution routine and
// the leading-number readers of the truth tests.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/nuvel.h"

namespace vars {

using core::Interp;
using core::Value;

// Call points filled in by the expression engine. While `expression` is
// null, conditions in expression mode (and switch -eval) fail with a report.
struct FlowHooks {
  // Evaluates an infix expression and leaves its output in the result.
  core::Code (*expression)(Interp& interp, const Value& text) = nullptr;
  // True when `name` is one of the expression functions.
  bool (*is_function)(std::string_view name) = nullptr;
};

FlowHooks& flow_hooks();

// Runs the expression hook; reports and fails when no engine is installed.
core::Code eval_expression(Interp& interp, const Value& text, std::string_view command);

// Glob match: "*" any run, "?" any one character; `nocase` folds ASCII
// letters before comparing.
bool glob_match(std::string_view pattern, std::string_view text, bool nocase);

// The substitution routine of subst: "$name" / "${name}" (when `variables`)
// and "[script]" (when `commands`) are replaced in one left-to-right pass.
// Nothing when a variable is missing or a bracketed script fails (both are
// reported).
std::optional<std::string> subst_text(Interp& interp, std::string_view text, bool variables,
                                      bool commands, bool backslashes = true);

// Leading decimal floating-point reading (like atof, decimal forms only:
// no hexadecimal, infinities or NaN). 0.0 when the text has no number.
double leading_double(std::string_view text);

// Strips one leading "::" (command names are registered without it).
inline std::string_view plain_command_name(std::string_view name) {
  if (name.size() >= 2 && name[0] == ':' && name[1] == ':') name.remove_prefix(2);
  return name;
}

}  // namespace vars
