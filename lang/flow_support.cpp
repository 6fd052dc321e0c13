// Shared helpers of the procedure and flow-control commands: expression
// conditions and the leading-number reader.
#include <cstdlib>
#include <string>

#include "core/cmd_helpers.h"
#include "core/var.h"
#include "expr/expr_engine.h"
#include "lang/flow.h"

namespace lang {

using core::Code;

Code eval_expression(Interp& interp, const Value& text) {
  Value out;
  Code rc = expr::expr_evaluate(interp, text.view(), out);
  if (rc == Code::Ok) core::nuvelSetResult(interp, std::move(out));
  return rc;
}

double leading_double(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' ||
                             text[i] == '\r' || text[i] == '\v' || text[i] == '\f')) {
    ++i;
  }
  bool neg = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) neg = text[i++] == '-';
  size_t start = i;
  auto digits = [&] {
    size_t from = i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
    return i - from;
  };
  size_t mantissa = digits();
  if (i < text.size() && text[i] == '.') {
    ++i;
    mantissa += digits();
  }
  if (mantissa == 0) return 0.0;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    size_t mark = i++;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    if (digits() == 0) i = mark;
  }
  // The slice is a validated decimal form; strtod gives infinity on overflow
  // as the C library's reading does.
  std::string slice(text.substr(start, i - start));
  double v = std::strtod(slice.c_str(), nullptr);
  return neg ? -v : v;
}

}  // namespace lang
