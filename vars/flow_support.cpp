// Shared helpers of the procedure and flow-control commands: expression
// conditions, the substitution routine and the leading-number reader.
#include <cstdlib>
#include <string>

#include "core/cmd_helpers.h"
#include "expr/expr_engine.h"
#include "vars/flow.h"
#include "vars/var.h"

namespace vars {

using core::Code;

Code eval_expression(Interp& interp, const Value& text) {
  Value out;
  Code rc = expr::expr_evaluate(interp, text.view(), out);
  if (rc == Code::Ok) core::nuvelSetResult(interp, std::move(out));
  return rc;
}

namespace {

bool is_subst_name_char(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ' ' ||
         c == '\t' || c == ':' || c == '&' || c == '_' || c == '.' || c == '(' || c == ')';
}

// Index of the bracket closing the one at `open`, counting nesting; npos
// when it is not closed.
size_t matching_close(std::string_view text, size_t open, char o, char c) {
  int depth = 0;
  for (size_t i = open; i < text.size(); ++i) {
    if (text[i] == o) {
      ++depth;
    } else if (text[i] == c && --depth == 0) {
      return i;
    }
  }
  return std::string_view::npos;
}

bool append_variable(Interp& interp, std::string& out, std::string_view name, bool unescape) {
  std::optional<Value> v = get_var_value(interp, name);
  if (!v) {
    std::string n(name);
    core::nuvelSetError(&interp, "%s: Variable '%s' not found\n", "subst", n.c_str());
    return false;
  }
  if (unescape) {
    out += core::nuvelUnescape(v->view());
  } else {
    out += v->view();
  }
  return true;
}

}  // namespace

std::optional<std::string> subst_text(Interp& interp, std::string_view text, bool variables,
                                      bool commands, bool backslashes) {
  std::string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    char c = text[i];
    if (c == '$' && variables) {
      if (i + 1 < text.size() && text[i + 1] == '{') {
        size_t close = matching_close(text, i + 1, '{', '}');
        if (close == std::string_view::npos) {
          out.push_back(c);
          ++i;
          continue;
        }
        std::string_view name = text.substr(i + 2, close - i - 2);
        if (!name.empty() && !append_variable(interp, out, name, backslashes)) return std::nullopt;
        i = close + 1;
        continue;
      }
      size_t j = i + 1;
      while (j < text.size() && is_subst_name_char(text[j])) ++j;
      if (j == i + 1) {
        out.push_back(c);
        ++i;
        continue;
      }
      if (!append_variable(interp, out, text.substr(i + 1, j - i - 1), true)) return std::nullopt;
      i = j;
      continue;
    }
    if (c == '[' && commands && (i == 0 || text[i - 1] != '\\')) {
      size_t close = matching_close(text, i, '[', ']');
      if (close == std::string_view::npos) {
        out.push_back(c);
        ++i;
        continue;
      }
      if (close == i + 1) {  // "[]" drops the "["
        ++i;
        continue;
      }
      Code rc = core::rindoEval(interp, Value(text.substr(i + 1, close - i - 1)));
      if (rc != Code::Ok && rc != Code::Return && rc != Code::Continue) return std::nullopt;
      out += interp.result.view();
      i = close + 1;
      continue;
    }
    out.push_back(c);
    ++i;
  }
  return out;
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

}  // namespace vars
