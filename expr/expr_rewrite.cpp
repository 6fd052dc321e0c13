// Text transformations of the expression engine: the precedence rewriter,
// the translation of infix text to nested prefix commands, and the numeric
// literal normaliser run over script text when it is loaded.
#include <cinttypes>
#include <cstring>

#include "core/cmd_helpers.h"
#include "expr/expr_engine.h"
#include "expr/expr_internal.h"
#include "expr/number.h"
#include "platform/console.h"

namespace expr {
namespace {

// Each level of the rewriter holds at most this many tokens.
constexpr size_t kMaxTokens = 2000;

inline bool is_operand_char(char c) {
  return is_alpha(c) || is_digit(c) || c == '$' || c == ':' || c == '_' || c == '.';
}

bool is_two_char_operator(std::string_view t) {
  if (t.size() != 2) return false;
  if (t == "**" || t == "<<" || t == ">>" || t == "&&" || t == "||") return true;
  return std::strchr("+-*/^%&|!><", t[0]) && t[1] == '=';
}

bool is_operator_token(std::string_view t) {
  if (t.size() == 1) return std::strchr("+-*/&|^%><!=,?", t[0]) != nullptr;
  return is_two_char_operator(t);
}

bool is_blank_token(std::string_view t) {
  return !t.empty() && t[0] == ' ';
}

bool is_signed_number(std::string_view t) {
  return t.size() >= 2 && t[0] == '-' && (is_digit(t[1]) || t[1] == '$');
}

// Rewritten content that can stand in place of its group without the
// parentheses: it ends in closed groups (it holds a "(" and every ")" is
// followed by another ")" or ends the text) and, outside its groups, is one
// operand, such as "((a ))" or "max(1,2)". Content with an operator outside
// its groups, such as "2 - (1 * 3)", keeps its parentheses, or the operator
// would join the level around it.
bool stands_alone(std::string_view t) {
  if (t.find('(') == std::string_view::npos) return false;
  for (size_t i = 0; i < t.size(); ++i) {
    if (t[i] == ')' && i + 1 < t.size() && t[i + 1] != ')') return false;
  }
  int depth = 0;
  for (char c : t) {
    if (c == '(') {
      ++depth;
    } else if (c == ')') {
      --depth;
    } else if (depth == 0 && !is_operand_char(c)) {
      return false;
    }
  }
  return true;
}

// Step 1: the && and || of this level split the text into parenthesised
// operand groups, so they bind loosest: a && b || c becomes
// ((a )&&( b ))||( c). Only operators outside parentheses, brackets, braces
// and quotes split; those inside a group are split when the rewriter reaches
// that group, which keeps a written grouping such as (a || b) * c intact and
// a long chain from nesting ever deeper at each level.
void logical_split(std::string& s) {
  if (s.find_first_of("+-&|") == std::string::npos) return;
  if (s.find("&&") == std::string::npos && s.find("||") == std::string::npos) return;
  std::vector<std::string> operands(1);
  std::vector<std::string_view> operators;
  size_t n = s.size();
  const std::vector<size_t> partner = close_partners(s, "[{");
  int depth = 0;
  for (size_t i = 0; i < n; ++i) {
    char c = s[i];
    size_t close = std::string::npos;
    if (c == '[' || c == '{') {
      close = partner[i];
    } else if (c == '"') {
      close = s.find('"', i + 1);
    }
    if (close != std::string::npos) {
      operands.back().append(s, i, close - i + 1);
      i = close;
      continue;
    }
    if (c == '(') {
      ++depth;
    } else if (c == ')' && depth > 0) {
      --depth;
    }
    if (depth == 0 && i + 1 < n &&
        ((c == '&' && s[i + 1] == '&') || (c == '|' && s[i + 1] == '|'))) {
      operators.push_back(std::string_view(s).substr(i, 2));
      operands.emplace_back();
      ++i;
    } else {
      operands.back().push_back(c == '\t' ? ' ' : c);
    }
  }
  if (operators.empty()) return;
  std::string out(operators.size(), '(');
  out += operands[0];
  out.push_back(')');
  for (size_t k = 0; k < operators.size(); ++k) {
    out += operators[k];
    out.push_back('(');
    out += operands[k + 1];
    out += k + 1 < operators.size() ? "))" : ")";
  }
  s = std::move(out);
}

bool rewrite_level(std::string& s, int depth);

// Step 2: cuts the text into tokens, rewriting parenthesised groups.
bool tokenise(const std::string& s, std::vector<std::string>& tokens, int depth) {
  auto operand_expected = [&tokens]() {
    for (size_t k = tokens.size(); k-- > 0;) {
      if (is_blank_token(tokens[k])) continue;
      return is_operator_token(tokens[k]);
    }
    return true;
  };
  size_t n = s.size();
  size_t i = 0;
  while (i < n) {
    if (tokens.size() > kMaxTokens) return false;
    char c = s[i];
    char next = i + 1 < n ? s[i + 1] : '\0';
    if (c == '[' || c == '{') {
      size_t close = matching_close(s, i);
      if (close == std::string::npos) close = n - 1;
      tokens.emplace_back(s, i, close - i + 1);
      i = close + 1;
    } else if (c == '(') {
      size_t close = matching_close(s, i);
      if (close == std::string::npos) {
        tokens.emplace_back("(");
        ++i;
        continue;
      }
      std::string content = s.substr(i + 1, close - i - 1);
      i = close + 1;
      bool fuse = !tokens.empty() && is_alpha(tokens.back()[0]);
      if (content.empty()) {
        if (fuse) {
          tokens.back() += "()";
        } else {
          tokens.emplace_back("()");
        }
        continue;
      }
      if (!rewrite_level(content, depth + 1)) return false;
      if (fuse) {
        tokens.back() += "(" + content + ")";
      } else if (stands_alone(content)) {
        tokens.push_back(std::move(content));
      } else {
        tokens.emplace_back("(");
        tokens.push_back(std::move(content));
        tokens.emplace_back(")");
      }
    } else if (is_two_char_operator(std::string_view(s).substr(i, 2))) {
      tokens.emplace_back(s, i, 2);
      i += 2;
    } else if ((c == '+' || c == '-') && (is_digit(next) || next == '$') && operand_expected()) {
      size_t end = i + 1;
      while (end < n && is_operand_char(s[end])) ++end;
      tokens.push_back(c == '+' ? s.substr(i + 1, end - i - 1) : s.substr(i, end - i));
      i = end;
    } else if (std::strchr("+-*/&|^%><!=,?", c) && c != '\0') {
      tokens.emplace_back(1, c);
      ++i;
    } else if (is_blank(c)) {
      size_t end = i;
      while (end < n && is_blank(s[end])) ++end;
      tokens.emplace_back(end - i, ' ');
      i = end;
    } else if (is_operand_char(c)) {
      size_t end = i;
      while (end < n && is_operand_char(s[end])) ++end;
      tokens.emplace_back(s, i, end - i);
      i = end;
    } else if (c == '"') {
      size_t close = s.find('"', i + 1);
      size_t end = close == std::string::npos ? n : close + 1;
      tokens.emplace_back(s, i, end - i);
      i = end;
    } else {
      tokens.emplace_back(1, c);
      ++i;
    }
  }
  return tokens.size() <= kMaxTokens;
}

bool is_multiplicative(std::string_view t) {
  return t == "*" || t == "/" || t == "**";
}

// Step 3: draws each product, with the operand before it, into a group that
// starts after the nearest + or - outside parentheses.
std::vector<std::string> group_products(std::vector<std::string>& tokens) {
  std::vector<std::string> out;
  out.reserve(tokens.size() + 8);
  std::vector<std::string> taken;
  bool in_product = false;
  for (std::string& tok : tokens) {
    bool mult = is_multiplicative(tok);
    if (mult && !in_product) {
      taken.clear();
      int depth = 0;
      while (!out.empty()) {
        const std::string& last = out.back();
        if (depth == 0 && (last == "+" || last == "-")) break;
        if (last == ")") {
          ++depth;
        } else if (last == "(") {
          --depth;
        }
        taken.push_back(std::move(out.back()));
        out.pop_back();
      }
      if (!out.empty()) out.emplace_back("(");
      for (size_t k = taken.size(); k-- > 0;) out.push_back(std::move(taken[k]));
      out.push_back(std::move(tok));
      in_product = true;
      continue;
    }
    char c0 = tok.empty() ? ' ' : tok[0];
    // Blanks keep the flag: a take-back across them would stop at the same
    // place, so the output is the same and long products stay linear.
    if (!mult && !(is_alpha(c0) || is_digit(c0) || c0 == '$' || c0 == '_' || is_blank_token(tok) ||
                   is_signed_number(tok))) {
      in_product = false;
    }
    out.push_back(std::move(tok));
    if (mult) in_product = true;
  }
  return out;
}

// Step 4: concatenation, closing open groups before each + and -.
std::string assemble(const std::vector<std::string>& tokens) {
  std::string r;
  if (!tokens.empty()) {
    const std::string& f = tokens[0];
    if (f == "-" || (f.size() >= 2 && f[0] == '-' && (is_digit(f[1]) || f[1] == '('))) r = "0";
  }
  int open = 0;
  for (const std::string& tok : tokens) {
    if (tok == "(") {
      ++open;
    } else if (tok == ")") {
      --open;
    } else if (tok == "+" || tok == "-") {
      if (open > 0) r.append(static_cast<size_t>(open), ')');
      open = 0;
    }
    r += tok;
  }
  if (open > 0) r.append(static_cast<size_t>(open), ')');
  return r;
}

bool rewrite_level(std::string& s, int depth) {
  if (depth > kMaxExprDepth) return false;
  logical_split(s);
  std::vector<std::string> tokens;
  if (!tokenise(s, tokens, depth)) return false;
  std::vector<std::string> grouped = group_products(tokens);
  s = assemble(grouped);
  return true;
}

}  // namespace

bool rewrite_precedence(std::string& text) {
  // Unbalanced parentheses are left for the evaluator's balance check, which
  // rejects them; rewriting would close the groups and hide the mistake.
  long balance = 0;
  for (char c : text) balance += c == '(' ? 1 : (c == ')' ? -1 : 0);
  if (balance != 0) return true;
  std::string work = text;
  if (!rewrite_level(work, 0)) return false;
  text = std::move(work);
  return true;
}

// --- Translation to prefix commands -------------------------------------------------------

namespace {

struct Item {
  enum Kind { Operand, Operator, Ternary, Colon } kind;
  std::string text;
};

void decompose_note(const Interp& interp, const char* what) {
  if (diagnostics_on(interp)) platform::outf("%s: %s\n", "decompose_expression", what);
}

// Splits at commas outside parentheses, brackets, braces and quotes.
std::vector<std::string_view> split_commas(std::string_view t) {
  std::vector<std::string_view> parts;
  int depth = 0;
  bool quoted = false;
  size_t start = 0;
  for (size_t i = 0; i < t.size(); ++i) {
    char c = t[i];
    if (c == '"') {
      quoted = !quoted;
    } else if (quoted) {
      continue;
    } else if (c == '(' || c == '[' || c == '{') {
      ++depth;
    } else if (c == ')' || c == ']' || c == '}') {
      --depth;
    } else if (c == ',' && depth == 0) {
      parts.push_back(t.substr(start, i - start));
      start = i + 1;
    }
  }
  parts.push_back(t.substr(start));
  return parts;
}

class Decomposer {
 public:
  Decomposer(Interp& interp, const NameMap* names) : interp_(interp), names_(names) {}

  bool translate(std::string_view in, std::string& out, int depth);

 private:
  bool scan(std::string_view s, std::vector<Item>& items, int depth);
  bool convert(const std::vector<Item>& items, size_t from, size_t to, std::string& out);
  bool nested(std::string_view inner, std::string& out, int depth) {
    if (translate(inner, out, depth + 1)) return true;
    if (diagnostics_on(interp_)) {
      std::string text(inner);
      platform::outf("MPP: Fatal error processing '%s' at line %li (code %i)\n", text.c_str(),
                     core::g_line_marker, 1);
      platform::outf("MPP: Result was '%s'\n", out.c_str());
    }
    return false;
  }
  std::string mapped(std::string word) const {
    if (names_) {
      for (const auto& [from, to] : *names_) {
        if (word == from) return to;
      }
    }
    return word;
  }

  Interp& interp_;
  const NameMap* names_;
};

bool Decomposer::translate(std::string_view in, std::string& out, int depth) {
  out.clear();
  if (depth > kMaxExprDepth) return false;
  std::vector<std::string_view> parts = split_commas(in);
  if (parts.size() > 1) {
    for (std::string_view part : parts) {
      std::string t;
      if (!translate(part, t, depth + 1)) return false;
      if (t.empty()) continue;
      if (!out.empty()) out.push_back(' ');
      out += t;
    }
    return true;
  }
  size_t b = 0;
  size_t e = in.size();
  while (b < e && is_blank(in[b])) ++b;
  while (e > b && is_blank(in[e - 1])) --e;
  std::string_view s = in.substr(b, e - b);
  if (s.size() >= 2 && s.front() == '"' && s.back() == '"') s = s.substr(1, s.size() - 2);
  std::vector<Item> items;
  if (!scan(s, items, depth)) return false;
  return convert(items, 0, items.size(), out);
}

bool Decomposer::scan(std::string_view s, std::vector<Item>& items, int depth) {
  bool expect_operand = true;
  bool in_ternary = false;
  size_t n = s.size();
  size_t i = 0;
  while (i < n) {
    // Each operand is folded into the text built so far, so a level with
    // very many items would cost time in proportion to their square.
    if (items.size() > kMaxTokens) {
      decompose_note(interp_, "Expression too long");
      return false;
    }
    char c = s[i];
    char next = i + 1 < n ? s[i + 1] : '\0';
    if (is_blank(c)) {
      ++i;
      continue;
    }
    if (c == '[' || c == '{' || c == '(') {
      size_t close = matching_close(s, i);
      if (close == std::string_view::npos) {
        decompose_note(interp_, "Mismatched arguments");
        return false;
      }
      if (c == '(') {
        std::string inner;
        if (!nested(s.substr(i + 1, close - i - 1), inner, depth)) return false;
        items.push_back({Item::Operand, std::move(inner)});
      } else {
        items.push_back({Item::Operand, std::string(s.substr(i, close - i + 1))});
      }
      i = close + 1;
      expect_operand = false;
      continue;
    }
    if (c == '"') {
      size_t close = s.find('"', i + 1);
      size_t end = close == std::string_view::npos ? n : close + 1;
      items.push_back({Item::Operand, std::string(s.substr(i, end - i))});
      i = end;
      expect_operand = false;
      continue;
    }
    // The preprocessor marks the colons of ternaries with byte 5.
    if ((c == ':' || c == '\x05') && in_ternary) {
      items.push_back({Item::Colon, ":"});
      ++i;
      expect_operand = true;
      continue;
    }
    bool sign_start = (c == '+' || c == '-') && (is_operand_char(next) && next != ':');
    if (expect_operand &&
        (is_alpha(c) || is_digit(c) || c == '.' || c == '$' || c == '_' || sign_start)) {
      size_t end = i + 1;
      while (end < n && is_operand_char(s[end])) ++end;
      std::string word(s.substr(i, end - i));
      if (c == '+') word.erase(0, 1);
      i = end;
      if (i < n && s[i] == '(') {
        size_t close = matching_close(s, i);
        if (close == std::string_view::npos) {
          decompose_note(interp_, "Mismatched arguments");
          return false;
        }
        std::string_view inner = s.substr(i + 1, close - i - 1);
        i = close + 1;
        if (is_alpha(word[0]) && is_expr_function(word)) {
          std::string call = "[funct " + word;
          for (std::string_view arg : split_commas(inner)) {
            std::string t;
            if (!nested(arg, t, depth)) return false;
            if (t.empty()) continue;
            call.push_back(' ');
            call += t;
          }
          call.push_back(']');
          word = std::move(call);
        } else {
          std::string t;
          if (!nested(inner, t, depth)) return false;
          word += "(" + t + ")";
        }
      } else {
        word = mapped(std::move(word));
      }
      items.push_back({Item::Operand, std::move(word)});
      expect_operand = false;
      continue;
    }
    size_t at = i;
    std::string op = read_operator_at(s, at, !expect_operand);
    if (!op.empty()) {
      i = at;
      if (op == "?") {
        items.push_back({Item::Ternary, op});
        in_ternary = true;
      } else {
        items.push_back({Item::Operator, std::move(op)});
      }
      expect_operand = true;
      continue;
    }
    // Any other character stands for itself as an operand.
    items.push_back({Item::Operand, std::string(1, c)});
    ++i;
    expect_operand = false;
  }
  return true;
}

bool Decomposer::convert(const std::vector<Item>& items, size_t from, size_t to, std::string& out) {
  std::string acc;
  bool have = false;
  std::string pending;
  std::vector<std::string> unary;
  for (size_t k = from; k < to; ++k) {
    const Item& item = items[k];
    switch (item.kind) {
      case Item::Ternary: {
        if (!have || !pending.empty()) {
          decompose_note(interp_, "Not enough args");
          return false;
        }
        size_t colon = k + 1;
        while (colon < to && items[colon].kind != Item::Colon) ++colon;
        std::string then_part;
        std::string else_part;
        if (colon >= to || !convert(items, k + 1, colon, then_part) ||
            !convert(items, colon + 1, to, else_part) || then_part.empty() || else_part.empty()) {
          decompose_note(interp_, "Not enough args");
          return false;
        }
        out = "[? " + acc + " " + then_part + " " + else_part + "]";
        return true;
      }
      case Item::Colon:
        decompose_note(interp_, "Mismatched arguments");
        return false;
      case Item::Operand: {
        std::string x = item.text;
        while (!unary.empty()) {
          x = "[" + unary.back() + " " + x + "]";
          unary.pop_back();
        }
        if (!have) {
          acc = std::move(x);
          have = true;
        } else if (!pending.empty()) {
          acc = "[" + pending + " " + acc + " " + x + "]";
          pending.clear();
        } else {
          if (!acc.empty() && acc.back() != ' ' && acc.back() != '[') acc.push_back(' ');
          acc += x;
        }
        break;
      }
      case Item::Operator: {
        int arity = operator_arity(item.text);
        if (arity == 1) {
          if (item.text != ",") unary.push_back(item.text);
        } else if (arity == 2) {
          if (!have) {
            decompose_note(interp_, "Not enough args");
            return false;
          }
          if (!pending.empty()) {
            decompose_note(interp_, "Mismatched arguments");
            return false;
          }
          pending = item.text;
        } else {
          decompose_note(interp_, "Unknown arity");
          return false;
        }
        break;
      }
    }
  }
  if (!pending.empty() || !unary.empty()) {
    decompose_note(interp_, "Not enough args");
    return false;
  }
  out = std::move(acc);
  return true;
}

// A translation made only of constants, operators and funct words.
bool foldable(std::string_view t) {
  for (size_t i = 0; i < t.size(); ++i) {
    if (t.compare(i, 5, "funct") == 0) {
      i += 4;
      continue;
    }
    if (!std::strchr("01234567890.+-/*^()[]~!&|%<>=?\t ", t[i]) || t[i] == '\0') return false;
  }
  return true;
}

}  // namespace

int decompose_expression(Interp& interp, std::string_view infix, std::string& out,
                         const NameMap* names) {
  Decomposer d(interp, names);
  if (!d.translate(infix, out, 0)) return 1;
  if (engine_settings(interp).fold && !out.empty() && foldable(out)) {
    Value saved = interp.result;
    Code rc = core::rindoEval(interp, Value(out));
    if (rc != Code::Ok) {
      (void)core::fail(interp, core::Msg::OptimiseFailed, out);
      return 1;
    }
    out = std::string(interp.result.view());
    interp.result = saved;
  }
  return 0;
}

// --- Numeric literal normaliser -------------------------------------------------------------

namespace {

bool word_char_before(char c) {
  return is_alpha(c) || is_digit(c) || c == '_' || c == '.' || c == '$' || c == ':';
}

int hex_value(char c) {
  if (is_digit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The decimal form of one literal, or nothing to keep it as written.
bool literal_value(std::string_view lit, std::string& out) {
  char kind = static_cast<char>(lit[1] | 0x20);
  std::string_view digits = lit.substr(2);
  char buf[32];
  if (kind == 'x' || kind == 'h') {
    if (digits.empty() || hex_value(digits[0]) < 0) return false;
    uint64_t v = 0;
    size_t count = 0;
    for (char c : digits) {
      int d = hex_value(c);
      if (d < 0) break;
      if (++count > 16) return false;  // does not fit 64 bits: keep it
      v = (v << 4) | static_cast<uint64_t>(d);
    }
    std::snprintf(buf, sizeof buf, "%" PRIu64, v);
  } else if (kind == 'b') {
    if (digits.empty() || (digits[0] != '0' && digits[0] != '1')) return false;
    uint64_t v = 0;
    size_t count = 0;
    for (char c : digits) {
      if (c != '0' && c != '1') break;
      if (++count > 64) return false;
      v = (v << 1) | static_cast<uint64_t>(c - '0');
    }
    std::snprintf(buf, sizeof buf, "%" PRIu64, v);
  } else if (kind == 'o' && lit[0] == '0') {
    if (digits.empty() || digits[0] < '0' || digits[0] > '7') return false;
    uint64_t v = 0;
    for (char c : digits) {
      if (c < '0' || c > '7') break;
      v = (v << 3) | static_cast<uint64_t>(c - '0');
    }
    std::snprintf(buf, sizeof buf, "%" PRId64, static_cast<int64_t>(v));
  } else {
    return false;
  }
  out = buf;
  return true;
}

}  // namespace

void normalise_numeric_literals(std::string& script) {
  std::string out;
  out.reserve(script.size());
  bool quoted = false;
  size_t n = script.size();
  for (size_t i = 0; i < n; ++i) {
    char c = script[i];
    if (c == '\\' && i + 1 < n && script[i + 1] == '\\') {
      out += "\\\\";
      ++i;
      continue;
    }
    if (c == '"' && (i == 0 || script[i - 1] != '\\')) {
      quoted = !quoted;
      out.push_back(c);
      continue;
    }
    if (!quoted && (c == '0' || c == '&') && i + 1 < n && std::strchr("BbHhOoXx", script[i + 1]) &&
        script[i + 1] != '\0' && (i == 0 || !word_char_before(script[i - 1]))) {
      size_t end = i + 2;
      while (end < n && (is_alpha(script[end]) || is_digit(script[end]) || script[end] == '$' ||
                         script[end] == '&' || script[end] == '.')) {
        ++end;
      }
      std::string_view lit = std::string_view(script).substr(i, end - i);
      std::string value;
      char kind = static_cast<char>(script[i + 1] | 0x20);
      bool prefix_ok =
          kind == 'b' || (c == '0' && (kind == 'x' || kind == 'o')) || (c == '&' && kind == 'h');
      if (prefix_ok && literal_value(lit, value)) {
        out += value;
      } else {
        out.append(lit);
      }
      i = end - 1;
      continue;
    }
    out.push_back(c);
  }
  script = std::move(out);
}

}  // namespace expr
