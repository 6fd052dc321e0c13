// Internal entry points shared by the files of the expression engine
// (expr/expr_engine.cpp, expr/expr_functions.cpp, expr/expr_rewrite.cpp).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/nuvel.h"
#include "core/text_util.h"

namespace expr {

// Character classes of expression texts.
inline bool is_alpha(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
inline bool is_digit(char c) {
  return c >= '0' && c <= '9';
}
using core::is_blank;

// Deepest nesting of parentheses and function arguments the engine follows;
// deeper text fails with a message instead of exhausting the stack.
inline constexpr int kMaxExprDepth = 400;

// The operand evaluator over `text` (one invocation with its own operand
// stack). Returns true with the value; false with `err` set to 1 (empty
// expression, no value), 3 (unhandled operator), 4 (missing operand) or the
// code of a failing operator command.
bool evaluate_inner(core::Interp& interp, std::string_view text, core::Value& out, int& err);

// Position of the bracket that closes the one at `open` ("(" / ")",
// "[" / "]", "{" / "}"), counting nesting; npos when it is not closed.
size_t matching_close(std::string_view text, size_t open);

// matching_close of every bracket of the kinds in `opens` (some of "([{"), in
// one pass: npos where one stays open, empty when the text holds none.
// Looking each one up alone costs time in proportion to the square of the
// text when many stay open ("[[[[...").
std::vector<size_t> close_partners(std::string_view text, std::string_view opens);

// Resolves an operand written as a variable reference ($name, ${name},
// $name(subscript)) to the variable's value; other texts are returned as
// they are. False (after the variable store's report) when there is no such
// variable.
bool resolve_operand(core::Interp& interp, core::Value& operand);

// A math function call split into its argument texts: `count` is 0 for
// "()" (blanks only), else 1 or 2; `consumed` is the length up to and
// including the closing ")".
struct FunctionCall {
  size_t consumed = 0;
  int count = 0;
  std::string_view texts[2];
  bool blank[2] = {false, false};
};
// Splits `args` (blanks, then "(" ... ")"); false when it does not start with
// "(" or the ")" is missing.
bool split_function_call(std::string_view args, FunctionCall& call);
// Applies the function `f` (its name in lower case; `name` as written) to
// the evaluated arguments (`have[k]` false for an argument without value).
bool finish_function_call(core::Interp& interp, const std::string& f, std::string_view name,
                          const FunctionCall& call, const bool have[2], const core::Value values[2],
                          core::Value& out);
// The name of a math function in lower case.
std::string lower_name(std::string_view name);

// The operator reader: reads one operator at `pos` (blanks skipped first),
// advancing past it; the empty text when none starts there. With `words`,
// eq ne gt ge lt le followed by a blank are operators too.
std::string read_operator_at(std::string_view text, size_t& pos, bool words);

// The arity of an operator text: 1, 2, 3 ("?") or 0 (unknown).
int operator_arity(std::string_view op);

}  // namespace expr
