// The optimising walk: after the main scan, each "[" or "{" (not after a
// backslash) that opens a calc or expr form is rewritten together with its
// closing character. expr keeps being an expr command whose expression has
// passed the precedence rewriter; calc becomes the nested prefix commands of
// the translator, so nothing is parsed at run time.
#include "mpp/optimise.h"

#include <optional>

#include "core/guards.h"
#include "core/messages.h"
#include "core/text_util.h"
#include "expr/expr_engine.h"
#include "platform/console.h"

namespace mpp {

namespace {

using core::is_blank;

std::string_view trim_blanks(std::string_view t) {
  size_t b = 0;
  size_t e = t.size();
  while (b < e && (is_blank(t[b]) || t[b] == '\r' || t[b] == '\n')) ++b;
  while (e > b && (is_blank(t[e - 1]) || t[e - 1] == '\r' || t[e - 1] == '\n')) --e;
  return t.substr(b, e - b);
}

// The character that closes `text[open]` by nesting count of that pair,
// skipping characters after a backslash; npos when there is none.
size_t matching_close(std::string_view text, size_t open) {
  char o = text[open];
  char c = o == '[' ? ']' : o == '{' ? '}' : ')';
  long depth = 0;
  for (size_t i = open; i < text.size(); ++i) {
    if (text[i] == '\\') {
      ++i;
      continue;
    }
    if (text[i] == o) {
      ++depth;
    } else if (text[i] == c && --depth == 0) {
      return i;
    }
  }
  return std::string_view::npos;
}

// True when `t` is one brace group from its first to its last character.
bool one_group(std::string_view t, char open) {
  return t.size() >= 2 && t.front() == open && matching_close(t, 0) == t.size() - 1;
}

void bad_expression(std::string_view text, size_t at) {
  long line = 1;
  for (size_t i = 0; i < at; ++i) {
    if (text[i] == '\n') ++line;
  }
  std::string near(text.substr(at, 50));
  platform::out(core::text_of(core::Msg::MppBadExpression, line, near));
}

std::string rewrite_expr(char open, std::string_view inside, char close) {
  std::string_view body = trim_blanks(inside);
  bool braced = one_group(body, '{');
  if (braced) body = trim_blanks(body.substr(1, body.size() - 2));
  std::string e(body);
  if (!e.empty()) (void)expr::rewrite_precedence(e);  // unchanged when beyond its limits
  std::string out(1, open);
  out += "expr ";
  if (e.empty()) {
    out += "{}";
  } else if (braced) {
    // The braces keep the expression from being substituted before expr
    // reads it: without them a value holding [...] would run as a command.
    out += '{';
    out += e;
    out += '}';
  } else {
    out += e;
  }
  out += close;
  return out;
}

// The translation of a calc form, or nothing when it cannot be translated.
// `whole` is the form as written, kept when the translation is no single
// bracketed command.
std::optional<std::string> rewrite_calc(core::Interp& interp, char open, std::string_view inside,
                                        char close, std::string_view whole,
                                        const expr::NameMap& names) {
  std::string_view body = trim_blanks(inside);
  if (one_group(body, '{')) body = trim_blanks(body.substr(1, body.size() - 2));
  constexpr std::string_view kExplain = "-explain";
  if (body.size() >= kExplain.size() && body.substr(body.size() - kExplain.size()) == kExplain &&
      (body.size() == kExplain.size() || is_blank(body[body.size() - kExplain.size() - 1]))) {
    body = trim_blanks(body.substr(0, body.size() - kExplain.size()));
  }
  if (body.empty() || body == "\"\"" || body == "{}") {
    std::string out(1, open);
    out += "expr {}";
    out += close;
    return out;
  }
  std::string e(body);
  if (e.find('?') != std::string::npos) {
    // Ternary colons are marked with byte 5 so that the translator does not
    // read them as part of an operand; "$:" and "::" stay.
    for (size_t k = e.size(); k-- > 1;) {
      if (e[k] == ':' && body[k - 1] != '$' && body[k - 1] != ':') e[k] = '\x05';
    }
  }
  std::string translated;
  {
    // Folding is off here: a folded constant is no command, and the
    // translation must be a bracketed command to take the place of the form.
    core::ScopedRestore<bool> no_folding(expr::engine_settings(interp).fold, false);
    if (!expr::rewrite_precedence(e) ||
        expr::decompose_expression(interp, e, translated, &names) != 0) {
      return std::nullopt;
    }
  }
  for (char& c : translated) {
    if (c == '\x05') c = ':';
  }
  if (!one_group(translated, '[')) return std::string(whole);
  std::string out(1, open);
  out.append(translated, 1, translated.size() - 2);
  out += close;
  return out;
}

}  // namespace

bool optimise(core::Interp& interp, std::string& text, const MacroTable& macros) {
  std::string out;
  size_t copied = 0;
  std::optional<expr::NameMap> names;
  const size_t n = text.size();
  for (size_t i = 0; i < n; ++i) {
    char c = text[i];
    if ((c != '[' && c != '{') || (i > 0 && text[i - 1] == '\\')) continue;
    size_t j = i + 1;
    while (j < n && is_blank(text[j])) ++j;
    bool is_calc = text.compare(j, 4, "calc") == 0;
    bool is_expr = !is_calc && text.compare(j, 4, "expr") == 0;
    if ((!is_calc && !is_expr) || j + 4 >= n || !is_blank(text[j + 4])) continue;
    size_t close = matching_close(text, i);
    if (close == std::string::npos) {
      bad_expression(text, i);
      return false;
    }
    std::string_view inside = std::string_view(text).substr(j + 5, close - (j + 5));
    std::string replacement;
    if (is_expr) {
      replacement = rewrite_expr(c, inside, text[close]);
    } else {
      if (!names) names = macros.name_map();
      std::optional<std::string> r = rewrite_calc(
          interp, c, inside, text[close], std::string_view(text).substr(i, close - i + 1), *names);
      if (!r) {
        bad_expression(text, i);
        return false;
      }
      replacement = std::move(*r);
    }
    if (out.empty()) out.reserve(n + 64);
    out.append(text, copied, i - copied);
    out += replacement;
    copied = close + 1;
    i = close;
  }
  if (copied == 0) return true;  // no form: the text stays as it is
  out.append(text, copied, std::string::npos);
  text = std::move(out);
  return true;
}

}  // namespace mpp
