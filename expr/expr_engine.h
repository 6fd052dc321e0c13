// The expression engine: turns infix text into a value by running operator
// commands (the arithmetic lives in the operator commands, not here), plus
// the text transformations around it: the precedence rewriter, the prefix
// translator used by calc, explain and the preprocessor, and the numeric
// literal normaliser used when script text is loaded.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/nuvel.h"

namespace expr {

using core::Code;
using core::Interp;
using core::Value;

// Interpreter settings the engine reads. `rewrite` switches the precedence
// rewriter of `expr` on and off; `fold` lets decompose_expression evaluate
// translations made only of constants at once.
struct EngineSettings {
  bool rewrite = true;
  bool fold = true;
};
EngineSettings& engine_settings(Interp& interp);

// Evaluates an expression without rewriting it (the pre-pass and the operand
// evaluator): the entry used by flow-control conditions, `?` and `let`.
// Returns Ok with the value in `out` (which is cleared first), Error, or the
// code of a failing bracketed command. On failure `out` is empty.
Code expr_evaluate(Interp& interp, std::string_view text, Value& out);
// The same for a Value: what the pre-pass learns from the text alone is
// cached on it, so a condition evaluated in a loop is examined once.
Code expr_evaluate_value(Interp& interp, const Value& text, Value& out);

// What `expr` does with one text: the precedence rewriter (unless switched
// off), then expr_evaluate. An empty text gives Ok with an empty value.
Code expr_evaluate_rewritten(Interp& interp, std::string_view text, Value& out);

// The precedence rewriter: inserts parentheses so that the left-to-right
// evaluator honours the binding of * / ** over + -, and of everything over
// && ||. Returns false (leaving `text` unchanged) for text nested or long
// beyond the rewriter's limits.
bool rewrite_precedence(std::string& text);

// Translation of infix text to nested prefix command text
// ("1+2*3" -> "[+ 1 [* 2 3]]"). `names` maps operand words to replacements
// (explain maps True and False). Returns 0 with the translation in `out`,
// 1 on failure.
using NameMap = std::vector<std::pair<std::string, std::string>>;
int decompose_expression(Interp& interp, std::string_view infix, std::string& out,
                         const NameMap* names = nullptr);

// Rewrites base-prefixed integer literals (0x.., &h.., 0b.., &b.., 0o..) that
// start a word outside double quotes into decimal, in place.
void normalise_numeric_literals(std::string& script);

// The math functions: the in-expression test (case-insensitive, 40 names)
// and the arity lookup (case-sensitive, 41 names with "error"; -1 if none).
bool is_expr_function(std::string_view name);
int function_arity(std::string_view name);

// Applies a math function to the text from `args` (which must start, after
// blanks, with "(") up to the matching ")"; `consumed` receives the length
// read. Returns false (after any report) when there is no value.
bool apply_function(Interp& interp, std::string_view name, std::string_view args, Value& out,
                    size_t& consumed);

// True when the console diagnostics of the engine are wanted (a debugging
// or tracing setting is on).
bool diagnostics_on(const Interp& interp);

}  // namespace expr
