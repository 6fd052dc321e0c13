// Helpers shared by the procedure and flow-control commands: expression
// conditions, the substitution routine and the leading-number reader of the
// truth tests.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/nuvel.h"

namespace lang {

using core::Interp;
using core::Value;

// Evaluates a condition as an infix expression (no precedence rewriting, as
// for every flow-control condition); the output is left in the result.
core::Code eval_expression(Interp& interp, const Value& text);

// The substitution routine of subst: "$name" / "${name}" (when `variables`)
// and "[script]" (when `commands`) are replaced in one left-to-right pass.
// Nothing when a variable is missing or a bracketed script fails (both are
// reported).
std::optional<std::string> subst_text(Interp& interp, std::string_view text, bool variables,
                                      bool commands, bool backslashes = true);

// Tests a condition exactly as `if` tests its first one (a script, or an
// expression while the expression option is on); `truth` is set when the
// code is ok.
core::Code test_if_condition(Interp& interp, const Value& cond, bool& truth);

// Leading decimal floating-point reading (like atof, decimal forms only:
// no hexadecimal, infinities or NaN). 0.0 when the text has no number.
double leading_double(std::string_view text);

}  // namespace lang
