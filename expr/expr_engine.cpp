// The expression engine: the pre-pass (bracketed commands and braces), the
// operand-stack evaluator that performs every operator by running its
// operator command, and the commands expr, calc and explain.
#include "expr/expr_engine.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <new>
#include <optional>
#include <vector>

#include "core/cmd_helpers.h"
#include "core/int_ops.h"
#include "core/script.h"
#include "core/switches.h"
#include "core/var_store.h"
#include "expr/expr_internal.h"
#include "expr/number.h"
#include "platform/console.h"

namespace expr {

using vars::VarRef;

EngineSettings& engine_settings(Interp& interp) {
  return interp.state<EngineSettings>();
}

namespace {

constexpr size_t kOperandCapacity = 1000;

// A set of characters tested by table, matching like strchr on the set's
// text: the NUL character counts as a member.
class CharSet {
 public:
  constexpr explicit CharSet(std::string_view chars) : member_{} {
    member_[0] = true;
    for (char c : chars) member_[static_cast<unsigned char>(c)] = true;
  }
  constexpr bool operator()(char c) const { return member_[static_cast<unsigned char>(c)]; }

 private:
  bool member_[256];
};

constexpr CharSet kOperatorStart("~^+-/*%&|<>=!?,");
constexpr CharSet kOperatorSecond("+-&|<>=*");
constexpr CharSet kBinaryStart("-^+/*%&|<>=!");
constexpr CharSet kNegatedOperand("0123456789.$abcdefghijklmnopqrstuvwxyz_");

inline bool is_token_char(char c) {
  return is_alpha(c) || is_digit(c) || c == '.' || c == '$' || c == '_' || c == ':';
}
inline bool is_var_name_char(char c) {
  return is_alpha(c) || is_digit(c) || c == '_';
}

// The engine's nesting depth in one interpreter.
struct ExprDepth {
  int value = 0;
};

// --- Operator reading -----------------------------------------------------------

bool is_operator_start(char c) {
  return c != '\0' && kOperatorStart(c);
}

// The operator reader: reads one operator at `pos` (blanks skipped) and
// advances past it. Returns the empty text when none starts there.
std::string read_operator(std::string_view t, size_t& pos, bool words) {
  while (pos < t.size() && is_blank(t[pos])) ++pos;
  if (pos >= t.size()) return std::string();
  char c = t[pos];
  char n = pos + 1 < t.size() ? t[pos + 1] : '\0';
  if (words && pos + 2 < t.size() && is_blank(t[pos + 2])) {
    std::string_view w = t.substr(pos, 2);
    if (w == "eq" || w == "ne" || w == "gt" || w == "ge" || w == "lt" || w == "le") {
      pos += 2;
      return std::string(w);
    }
  }
  if (!is_operator_start(c)) return std::string();
  if (c == '*' && n == '*') {
    pos += 2;
    return "**";
  }
  if ((c == '%' || c == '*' || c == '/') && n == '=') {
    pos += 2;
    return std::string{c, '='};
  }
  if (n != '\0' && kOperatorSecond(n)) {
    if ((c == '+' && n == '-') || (c == '-' && n == '+')) {
      pos += 2;
      return "-";
    }
    if ((c == '+' || c == '-') && n == c) {
      pos += 1;
      return std::string{c};
    }
    pos += 2;
    return std::string{c, n};
  }
  pos += 1;
  return std::string{c};
}

}  // namespace

// The arity of an operator text: 1 unary, 2 binary, 3 the ternary "?",
// 0 unknown.
int operator_arity(std::string_view op) {
  if (op.empty()) return 0;
  if (op == "**" || (op.size() == 2 && op[1] == '*')) return 2;
  if (op == "eq" || op == "ne" || op == "gt" || op == "ge" || op == "lt" || op == "le") return 2;
  char c = op[0];
  if (kBinaryStart(c)) {
    if (op.size() >= 2 && op[1] == '+') return 1;
    if (c == '!' && (op.size() < 2 || op[1] != '=')) return 1;
    return 2;
  }
  if (c == ',' || c == '~') return 1;
  if (c == '?') return 3;
  return 0;
}

std::string read_operator_at(std::string_view t, size_t& pos, bool words) {
  return read_operator(t, pos, words);
}

std::vector<size_t> close_partners(std::string_view t, std::string_view opens) {
  std::vector<size_t> partner;
  if (t.find_first_of(opens) == std::string_view::npos) return partner;
  partner.assign(t.size(), std::string_view::npos);
  std::vector<size_t> open[3];  // "(", "[", "{"
  for (size_t k = 0; k < t.size(); ++k) {
    const char c = t[k];
    const size_t kind = c == '(' || c == ')' ? 0 : (c == '[' || c == ']' ? 1 : 2);
    if (c == '(' || c == '[' || c == '{') {
      if (opens.find(c) != std::string_view::npos) open[kind].push_back(k);
    } else if ((c == ')' || c == ']' || c == '}') && !open[kind].empty()) {
      partner[open[kind].back()] = k;
      open[kind].pop_back();
    }
  }
  return partner;
}

size_t matching_close(std::string_view t, size_t open) {
  if (open >= t.size()) return std::string_view::npos;
  char o = t[open];
  char c = o == '(' ? ')' : (o == '[' ? ']' : '}');
  int depth = 0;
  for (size_t i = open; i < t.size(); ++i) {
    if (t[i] == o) {
      ++depth;
    } else if (t[i] == c && --depth == 0) {
      return i;
    }
  }
  return std::string_view::npos;
}

bool resolve_operand(Interp& interp, Value& operand) {
  std::string_view t = operand.view();
  if (t.size() < 2 || t[0] != '$') return true;
  std::string_view name = t.substr(1);
  bool plain = true;
  for (char c : name) plain = plain && is_var_name_char(c);
  if (plain) {
    if (VarRef var = vars::lookup(interp, name)) {
      if (var.kind() != vars::VT_FIELD && var.kind() != vars::VT_DICTIONARY) {
        operand = var.value();
        return true;
      }
    }
  }
  // Other forms (${name}, $name(subscript), missing variables) go through the
  // evaluator's substitution of one word, with its reports.
  Value saved = interp.result;
  Code rc = core::rindoEval(interp, operand, true, false);
  if (rc != Code::Ok) return false;
  operand = interp.result;
  interp.result = saved;
  return true;
}

namespace {

// --- Running operator commands ---------------------------------------------------------

// An operand can be handed to the operator command as a ready word when the
// evaluator would read its text as exactly that word.
bool plain_word(std::string_view t) {
  for (char c : t) {
    switch (c) {
      case ' ':
      case '\t':
      case '\n':
      case '\r':
      case ';':
      case '[':
      case ']':
      case '{':
      case '}':
      case '"':
      case '\\':
      case '$':
        return false;
      default:
        break;
    }
  }
  return true;
}

// The word the evaluator would make of an operand, when that is certain
// without parsing; false when the command text must be evaluated instead.
bool operand_word(Interp& interp, const Value& operand, Value& word) {
  std::string_view t = operand.view();
  if (t == "{}") {
    word = Value();
    return true;
  }
  if (!t.empty() && t[0] == '$') {
    std::string_view name = t.substr(1);
    if (name.empty()) return false;
    for (char c : name) {
      if (!is_var_name_char(c)) return false;
    }
    VarRef var = vars::lookup(interp, name);
    if (!var || var.kind() == vars::VT_FIELD || var.kind() == vars::VT_DICTIONARY) return false;
    word = var.value();
    return true;
  }
  if (t.size() >= 2 && t.front() == '"' && t.back() == '"' &&
      plain_word(t.substr(1, t.size() - 2))) {
    word = Value(t.substr(1, t.size() - 2));
    return true;
  }
  if (!plain_word(t)) return false;
  word = operand;
  return true;
}

constexpr const char* kOperatorNames[] = {
    "+",  "-",  "*",  "/",  "**", "%",  "<<", ">>", "&",  "|",  "^",  "&&",
    "||", ">",  ">=", "<",  "<=", "==", "!=", "!",  "~",  "*=", "+=", "-=",
    "/=", "&=", "|=", "^=", "%=", "eq", "ne", "lt", "gt", "le", "ge"};

// The operator names as shared words, made once per interpreter, so that
// running an operator command does not copy its name.
struct OperatorWords {
  Value words[std::size(kOperatorNames)];
};

Value operator_word(Interp& interp, std::string_view op) {
  for (size_t i = 0; i < std::size(kOperatorNames); ++i) {
    if (op == kOperatorNames[i]) {
      Value& word = interp.state<OperatorWords>().words[i];
      if (word.empty()) word = Value(kOperatorNames[i]);
      return word;
    }
  }
  return Value(op);
}

// Runs "op a" or "op a b" as a command; the operator command's result is the
// interpreter result. `lookup` keeps the command look-up of a compiled
// expression's operator.
Code run_operator_word(Interp& interp, const Value& op, const Value* operands, int count,
                       core::CommandLookup* lookup) {
  Value words[3];
  words[0] = op;
  bool direct = true;
  for (int i = 0; i < count && direct; ++i)
    direct = operand_word(interp, operands[i], words[i + 1]);
  if (direct) {
    if (count == 2 && core::nuvelIntOperator(interp, words[0], words[1], words[2])) {
      return Code::Ok;
    }
    if (lookup) return core::nuvelCallCommandCached(interp, count + 1, words, *lookup);
    return core::nuvelCallCommand(interp, count + 1, words);
  }
  std::string text(op.view());
  for (int i = 0; i < count; ++i) {
    text.push_back(' ');
    text += operands[i].view();
  }
  return core::rindoEval(interp, Value(std::move(text)));
}

Code run_operator(Interp& interp, std::string_view op, const Value* operands, int count) {
  return run_operator_word(interp, operator_word(interp, op), operands, count, nullptr);
}

// The value of a finished evaluation from its operand stack (not empty):
// when no operator was pending at the end, the top operand may name a
// variable whose value it stands for; variable references among the other
// operands are read; the operands are joined with spaces.
bool finish_stack(Interp& interp, Value* stack, size_t n, bool was_pending, Value& out, int& err) {
  if (!was_pending) {
    Value& top = stack[n - 1];
    if (!top.empty() && top[0] == '$') {
      if (!resolve_operand(interp, top)) {
        err = 1;
        return false;
      }
    } else if (VarRef var = vars::lookup(interp, top.view())) {
      if (var.kind() == vars::VT_AUTO && !var.value().empty()) top = var.value();
    }
  }
  // Variable references among the values are read (the command texts of
  // the operators leave them for the evaluator to substitute as words).
  for (size_t i = 0; i + 1 < n; ++i) {
    if (!resolve_operand(interp, stack[i])) {
      err = 1;
      return false;
    }
  }
  if (n == 1) {
    out = std::move(stack[0]);
    return true;
  }
  std::string joined;
  for (size_t i = 0; i < n; ++i) {
    if (i) joined.push_back(' ');
    joined += stack[i].view();
  }
  out = Value(std::move(joined));
  return true;
}

// --- The operand-stack evaluator ------------------------------------------------------------

class OperandEvaluator {
 public:
  OperandEvaluator(Interp& interp, std::string_view text) : interp_(interp), t_(text) {}

  bool run(Value& out, int& err);

 private:
  bool push(Value v) {
    if (stack_.size() >= kOperandCapacity) {
      core::nuvelSetErrorCode(interp_, 3, "expr");
      return false;
    }
    stack_.push_back(std::move(v));
    return true;
  }
  bool push_token() {
    if (token_.empty()) return true;
    bool ok = push(Value(std::move(token_)));
    token_.clear();
    return ok;
  }
  // Applies the pending operator when its operands are present. Returns
  // false when the evaluation must end.
  bool apply_pending(int& err);
  bool ternary(Value& out, int& err);

  Interp& interp_;
  std::string_view t_;
  size_t pos_ = 0;
  std::vector<Value> stack_;
  std::string token_;
  std::string op_;
};

bool OperandEvaluator::apply_pending(int& err) {
  if (op_.empty()) return true;
  int arity = operator_arity(op_);
  if (op_ == ",") {
    op_.clear();
    return true;
  }
  size_t need = arity == 1 ? 1 : 2;
  if (arity == 3 || stack_.size() < need) return true;
  Value operands[2];
  for (size_t k = need; k-- > 0;) {
    operands[k] = std::move(stack_.back());
    stack_.pop_back();
  }
  Code rc = run_operator(interp_, op_, operands, static_cast<int>(need));
  op_.clear();
  if (rc == Code::Error || rc == Code::Exit || rc == Code::Stop) {
    err = core::code_int(rc);
    return false;
  }
  return push(interp_.result);
}

// cond ? a : b with the condition on the stack: runs the chosen script.
bool OperandEvaluator::ternary(Value& out, int& err) {
  Value cond = std::move(stack_.back());
  stack_.pop_back();
  if (!resolve_operand(interp_, cond)) {
    err = 1;
    return false;
  }
  int32_t truth = static_cast<int32_t>(read_decimal(cond));
  size_t colon = std::string_view::npos;
  bool quoted = false;
  int braces = 0;
  for (size_t i = pos_; i < t_.size(); ++i) {
    char c = t_[i];
    if (c == '$' && i + 2 < t_.size() && t_[i + 1] == ':' && t_[i + 2] == ':') {
      i += 2;
    } else if (c == '"') {
      quoted = !quoted;
    } else if (!quoted && c == '{') {
      ++braces;
    } else if (!quoted && c == '}') {
      --braces;
    } else if (!quoted && braces <= 0 && c == ':') {
      colon = i;
      break;
    }
  }
  std::string_view then_part =
      t_.substr(pos_, colon == std::string_view::npos ? t_.size() - pos_ : colon - pos_);
  std::string_view else_part =
      colon == std::string_view::npos ? std::string_view() : t_.substr(colon + 1);
  pos_ = t_.size();
  Code rc = core::rindoEval(interp_, Value(truth != 0 ? then_part : else_part));
  if (rc == Code::Return) rc = Code::Ok;
  err = core::code_int(rc);
  if (rc != Code::Ok) return false;
  out = interp_.result;
  return true;
}

bool OperandEvaluator::run(Value& out, int& err) {
  err = 0;
  bool only_blanks = true;
  for (char c : t_) only_blanks = only_blanks && is_blank(c);
  if (only_blanks) {
    (void)core::fail(interp_, core::Msg::ExprEmpty);
    err = 1;
    return false;
  }
  while (pos_ < t_.size()) {
    if (op_ == "?" && !stack_.empty()) return ternary(out, err);
    char c = t_[pos_];
    if (is_token_char(c)) {
      token_.push_back(c);
      ++pos_;
      continue;
    }
    // A variable reference keeps its subscript: $name(index).
    if (c == '(' && !token_.empty() && token_[0] == '$') {
      size_t close = matching_close(t_, pos_);
      if (close != std::string_view::npos) {
        token_.append(t_.substr(pos_, close - pos_ + 1));
        pos_ = close + 1;
        continue;
      }
    }
    if (c == '(' && !token_.empty() && is_alpha(token_[0])) {
      if (!is_expr_function(token_)) {
        stack_.clear();
        return false;
      }
      Value v;
      size_t consumed = 0;
      if (!apply_function(interp_, token_, t_.substr(pos_), v, consumed)) {
        if (err == 0) err = 1;
        return false;
      }
      token_.clear();
      pos_ += consumed;
      if (!push(std::move(v))) return err = 1, false;
      continue;
    }
    if (c == '}' && token_.empty()) {
      if (!push(Value("{}"))) return err = 1, false;
      ++pos_;
      continue;
    }
    if (!push_token()) return err = 1, false;
    if (c == '-' && !(pos_ + 1 < t_.size() && t_[pos_ + 1] == '(') &&
        (stack_.empty() || !op_.empty()) && stack_.size() < 2) {
      size_t end = pos_ + 1;
      while (end < t_.size() && kNegatedOperand(t_[end]) && t_[end] != '\0') {
        ++end;
      }
      if (!push(Value(t_.substr(pos_, end - pos_)))) return err = 1, false;
      pos_ = end;
      continue;
    }
    if (!op_.empty() && !apply_pending(err)) return false;
    if (op_.empty() && is_operator_start(c)) {
      std::string op = read_operator(t_, pos_, false);
      int arity = operator_arity(op);
      if (arity < 1 || arity > 3) {
        (void)core::fail(interp_, core::Msg::ExprUnhandledOperator, op, arity);
        err = 3;
        return false;
      }
      op_ = std::move(op);
      continue;
    }
    if (c == '(') {
      size_t close = matching_close(t_, pos_);
      if (close == std::string_view::npos) {
        err = 1;
        return false;
      }
      Value inner;
      if (!evaluate_inner(interp_, t_.substr(pos_ + 1, close - pos_ - 1), inner, err)) return false;
      pos_ = close + 1;
      if (!push(std::move(inner))) return err = 1, false;
      continue;
    }
    if (c == '"') {
      size_t close = t_.find('"', pos_ + 1);
      size_t end = close == std::string_view::npos ? t_.size() : close + 1;
      token_.append(t_.substr(pos_, end - pos_));
      pos_ = end;
      continue;
    }
    ++pos_;
  }
  if (!push_token()) return err = 1, false;
  bool was_pending = !op_.empty();
  if (was_pending) {
    int arity = operator_arity(op_);
    if (arity == 1 && op_ != "," && stack_.empty()) {
      (void)core::fail(interp_, core::Msg::ExprMissingOperand, op_, 1);
      err = 4;
      return false;
    }
    if (arity == 2 && stack_.size() < 2) {
      (void)core::fail(interp_, core::Msg::ExprMissingOperands, op_, 2);
      err = 4;
      return false;
    }
    if (arity == 3) {
      (void)core::fail(interp_, core::Msg::ExprMissingOperands, op_, 3);
      err = 4;
      return false;
    }
    if (!apply_pending(err)) return false;
  }
  if (stack_.empty()) return false;
  return finish_stack(interp_, stack_.data(), stack_.size(), was_pending, out, err);
}

// --- Compiled expressions -----------------------------------------------------------------
//
// The evaluator's course through a text depends on the text alone: which
// tokens it pushes, when a pending operator has its operands, where
// parentheses and function calls begin and end. A compiled expression is that
// course written down once: the steps that push an operand, apply an
// operator (through its command, with the look-up kept), evaluate a
// parenthesised part or call a function. Running it does what the walk does,
// in the same order, without reading the text again. A text whose course
// meets anything else (a ternary, a report the walk would make, a wide
// operand stack) is not compiled and is walked every time.

constexpr size_t kCompiledStack = 16;

struct ExprProgram;

// Math functions computed on numbers already read (the others, and these
// in any case they report, go through finish_function_call).
enum class QuickFn : uint8_t {
  None,
  Abs,
  Double,
  Int,
  Round,
  Floor,
  Ceil,
  Sqrt,
  Sqr,
  Sin,
  Cos,
  Exp,
  Fix,
  Sgn
};

QuickFn quick_function(std::string_view lower) {
  static constexpr std::pair<std::string_view, QuickFn> kQuick[] = {
      {"abs", QuickFn::Abs},   {"double", QuickFn::Double}, {"int", QuickFn::Int},
      {"wide", QuickFn::Int},  {"round", QuickFn::Round},   {"floor", QuickFn::Floor},
      {"ceil", QuickFn::Ceil}, {"sqrt", QuickFn::Sqrt},     {"sqr", QuickFn::Sqr},
      {"sin", QuickFn::Sin},   {"cos", QuickFn::Cos},       {"exp", QuickFn::Exp},
      {"fix", QuickFn::Fix},   {"sgn", QuickFn::Sgn}};
  for (const auto& [name, fn] : kQuick) {
    if (lower == name) return fn;
  }
  return QuickFn::None;
}

// An operand of a built-in operator as its command reads it.
struct QuickNumber {
  bool is_float = false;
  int64_t i = 0;
  double d = 0.0;
};

// A literal operand that reaches an operator command as it is written, with
// its readings by the combined-math and the relational commands (`ok` false
// where that command would not read it as a number).
struct LiteralWord {
  QuickNumber arith;
  QuickNumber rel;
  bool arith_ok = false;
  bool rel_ok = false;
};

struct ExprStep {
  // Enter and Leave bracket the steps of a parenthesised part run in line
  // (the engine's depth one higher between them, as the part's own run
  // would have it).
  enum Kind : uint8_t { Push, Apply, Paren, Function, Enter, Leave };
  Kind kind = Push;
  uint8_t need = 0;                    // Apply: operand count
  core::IntOp op = core::IntOp::None;  // Apply: the built-in operator of that name
  QuickFn fn = QuickFn::None;          // Function: computed without text
  // Apply: whether the operator's command is the built-in one, valid while
  // the command table's epoch equals `builtin_epoch`.
  mutable bool builtin = false;
  mutable uint64_t builtin_epoch = ~uint64_t{0};
  Value text;                               // Push: operand; Apply: operator; Function: name
  std::string lower;                        // Function: the name in lower case
  FunctionCall call;                        // Function: its argument texts
  std::unique_ptr<ExprProgram> sub[2];      // Paren: sub[0]; Function: non-blank arguments
  mutable core::CommandLookup lookup;       // Apply
  std::unique_ptr<LiteralWord> literal;     // Push: set for a ready word
  std::string_view var_name;                // Push: the name of a plain $name
  mutable core::VarLookupCache var_lookup;  // Push: the record that name found last
};

struct FastProgram;

struct ExprProgram {
  ExprProgram();
  ~ExprProgram();
  ExprProgram(const ExprProgram&) = delete;
  ExprProgram& operator=(const ExprProgram&) = delete;
  std::vector<ExprStep> steps;
  // The same course on numbers alone, for a program made only of built-in
  // binary operators and quick functions on numbers (null otherwise).
  std::unique_ptr<FastProgram> fast;
  bool was_pending = false;
  uint8_t max_stack = 0;    // the most operands on the stack at once
  uint8_t final_stack = 0;  // operands left at the end
  // Whether the frame may hold a variable named like a lone number result.
  mutable vars::NameStartMemo number_names;
};

std::unique_ptr<ExprProgram> compile_expr(std::string_view t, int depth) {
  if (depth > kMaxExprDepth) return nullptr;
  if (t.find_first_not_of(" \t") == std::string_view::npos) return nullptr;
  auto prog = std::make_unique<ExprProgram>();
  std::vector<ExprStep>& steps = prog->steps;
  size_t pos = 0;
  size_t stack = 0;
  std::string token;
  std::string op;
  auto push = [&](ExprStep step) {
    if (stack >= kCompiledStack) return false;
    ++stack;
    if (stack > prog->max_stack) prog->max_stack = static_cast<uint8_t>(stack);
    steps.push_back(std::move(step));
    return true;
  };
  auto push_value = [&](Value v) {
    ExprStep step;
    step.text = std::move(v);
    std::string_view w = step.text.view();
    if (!w.empty() && w != "{}" && plain_word(w)) {
      auto lit = std::make_unique<LiteralWord>();
      ArithOperand a = read_arith(step.text);
      lit->arith = {a.is_float, a.i, a.d};
      lit->arith_ok = !a.unknown_type;
      RelOperand r = read_rel(step.text);
      lit->rel = {r.cls == NumClass::Float, r.i, r.d};
      lit->rel_ok = r.cls != NumClass::NotNumeric;
      step.literal = std::move(lit);
    } else if (w.size() >= 2 && w[0] == '$') {
      std::string_view name = w.substr(1);
      bool plain = true;
      for (char c : name) plain = plain && is_var_name_char(c);
      if (plain) step.var_name = name;
    }
    return push(std::move(step));
  };
  auto push_token = [&]() {
    if (token.empty()) return true;
    bool ok = push_value(Value(token));
    token.clear();
    return ok;
  };
  auto apply_pending = [&]() {
    if (op.empty()) return;
    int arity = operator_arity(op);
    if (op == ",") {
      op.clear();
      return;
    }
    size_t need = arity == 1 ? 1 : 2;
    if (arity == 3 || stack < need) return;
    ExprStep step;
    step.kind = ExprStep::Apply;
    step.need = static_cast<uint8_t>(need);
    step.text = Value(op);
    step.op = core::int_math_op(op);
    if (step.op == core::IntOp::None) step.op = core::int_compare_op(op);
    steps.push_back(std::move(step));
    stack = stack - need + 1;
    op.clear();
  };
  while (pos < t.size()) {
    if (op == "?" && stack > 0) return nullptr;
    char c = t[pos];
    if (is_token_char(c)) {
      token.push_back(c);
      ++pos;
      continue;
    }
    if (c == '(' && !token.empty() && token[0] == '$') {
      size_t close = matching_close(t, pos);
      if (close != std::string_view::npos) {
        token.append(t.substr(pos, close - pos + 1));
        pos = close + 1;
        continue;
      }
    }
    if (c == '(' && !token.empty() && is_alpha(token[0])) {
      if (!is_expr_function(token)) return nullptr;
      ExprStep step;
      step.kind = ExprStep::Function;
      if (!split_function_call(t.substr(pos), step.call)) return nullptr;
      for (int k = 0; k < step.call.count; ++k) {
        if (step.call.blank[k]) continue;
        step.sub[k] = compile_expr(step.call.texts[k], depth + 1);
        if (!step.sub[k]) return nullptr;
      }
      step.text = Value(token);
      step.lower = lower_name(token);
      if (step.call.count == 1 && !step.call.blank[0]) step.fn = quick_function(step.lower);
      token.clear();
      pos += step.call.consumed;
      if (!push(std::move(step))) return nullptr;
      continue;
    }
    if (c == '}' && token.empty()) {
      if (!push_value(Value("{}"))) return nullptr;
      ++pos;
      continue;
    }
    if (!push_token()) return nullptr;
    if (c == '-' && !(pos + 1 < t.size() && t[pos + 1] == '(') && (stack == 0 || !op.empty()) &&
        stack < 2) {
      size_t end = pos + 1;
      while (end < t.size() && kNegatedOperand(t[end]) && t[end] != '\0') ++end;
      if (!push_value(Value(t.substr(pos, end - pos)))) return nullptr;
      pos = end;
      continue;
    }
    if (!op.empty()) apply_pending();
    if (op.empty() && is_operator_start(c)) {
      std::string next = read_operator(t, pos, false);
      int arity = operator_arity(next);
      if (arity < 1 || arity > 3) return nullptr;
      op = std::move(next);
      continue;
    }
    if (c == '(') {
      size_t close = matching_close(t, pos);
      if (close == std::string_view::npos) return nullptr;
      std::unique_ptr<ExprProgram> sub =
          compile_expr(t.substr(pos + 1, close - pos - 1), depth + 1);
      if (!sub) return nullptr;
      pos = close + 1;
      if (sub->was_pending && sub->final_stack == 1 && stack + sub->max_stack <= kCompiledStack) {
        // A part that ends with one applied value runs in line, on this
        // program's stack above the operands already there.
        prog->max_stack =
            std::max<uint8_t>(prog->max_stack, static_cast<uint8_t>(stack + sub->max_stack));
        ExprStep enter;
        enter.kind = ExprStep::Enter;
        steps.push_back(std::move(enter));
        for (ExprStep& inner : sub->steps) steps.push_back(std::move(inner));
        ExprStep leave;
        leave.kind = ExprStep::Leave;
        steps.push_back(std::move(leave));
        ++stack;
        continue;
      }
      ExprStep step;
      step.kind = ExprStep::Paren;
      step.sub[0] = std::move(sub);
      if (!push(std::move(step))) return nullptr;
      continue;
    }
    if (c == '"') {
      size_t close = t.find('"', pos + 1);
      size_t end = close == std::string_view::npos ? t.size() : close + 1;
      token.append(t.substr(pos, end - pos));
      pos = end;
      continue;
    }
    ++pos;
  }
  if (!push_token()) return nullptr;
  prog->was_pending = !op.empty();
  if (prog->was_pending) {
    int arity = operator_arity(op);
    if (arity == 1 && op != "," && stack == 0) return nullptr;
    if (arity == 2 && stack < 2) return nullptr;
    if (arity == 3) return nullptr;
    apply_pending();
  }
  if (stack == 0) return nullptr;
  prog->final_stack = static_cast<uint8_t>(stack);
  return prog;
}

// A value on the operand stack of a running compiled expression: a Value,
// or a number that stays unboxed until something needs its text. An
// integer stands for its decimal text; a float for the "%.15f" text an
// operator command would have made of its result, holding the double that
// reading that text back gives (which may differ from the result computed).
struct Operand {
  enum Kind : uint8_t { Text, Int, Float };
  Kind kind = Text;
  int64_t i = 0;
  double d = 0.0;
  Value v;                         // Text: the text, unless `push` holds it
  const ExprStep* push = nullptr;  // Text: the push step whose word this is

  // The word of a push step, held by the step (which outlives the run).
  void set_literal(const ExprStep& step) {
    clear_text();
    kind = Text;
    push = &step;
  }
  void set_value(Value value) {
    v = std::move(value);
    kind = Text;
    push = nullptr;
  }
  // Drops the text (held only by text operands); cheap when there is none.
  void clear_text() {
    if (!v.empty()) v = Value();
  }
  void set_int(int64_t n) {
    clear_text();
    i = n;
    kind = Int;
    push = nullptr;
  }
  void set_float(double f) {
    clear_text();
    d = f;
    kind = Float;
    push = nullptr;
  }
  // A literal ready word and its readings, for a text operand.
  const LiteralWord* literal() const { return push ? push->literal.get() : nullptr; }
  // The name of a plain $name push, else empty.
  std::string_view var_name() const { return push ? push->var_name : std::string_view(); }
  // The text of a text operand.
  const Value& word() const { return push ? push->text : v; }
  const Value& boxed() {
    if (kind == Int) {
      set_value(Value::from_int(i));
    } else if (kind == Float) {
      set_value(float15_known(d));
    }
    return word();
  }
};

// The float result `r` of a built-in operator or function: unboxed when it
// prints as a number, else the text made at once (`width` as fixed15's).
void set_float_result(Operand& slot, double r, int width) {
  if (std::isfinite(r)) {
    slot.set_float(float15_reread(r));
  } else {
    slot.set_value(Value(fixed15(r, width)));
  }
}

// The operand stack of one run: only the slots the program can use are
// made (most programs use two or three of the sixteen).
class RunStack {
 public:
  explicit RunStack(size_t used) : used_(used) {
    for (size_t k = 0; k < used_; ++k) new (&slots()[k]) Operand();
  }
  ~RunStack() {
    for (size_t k = 0; k < used_; ++k) slots()[k].~Operand();
  }
  RunStack(const RunStack&) = delete;
  RunStack& operator=(const RunStack&) = delete;
  Operand* slots() { return std::launder(reinterpret_cast<Operand*>(storage_)); }

 private:
  size_t used_;
  alignas(Operand) unsigned char storage_[sizeof(Operand) * kCompiledStack];
};

// True when the command an operator step names is the built-in operator
// command and nothing watches commands run (trace, stack trace, single
// step), so that computing the operator here is what calling it would do.
[[gnu::always_inline]] inline bool builtin_operator(Interp& interp, const ExprStep& step) {
  const core::Switches& sw = core::switches();
  if (interp.trace_on || sw.stacktrace || sw.single_step) return false;
  if (step.builtin_epoch != interp.command_epoch) {
    core::CommandHandler wanted =
        step.op >= core::IntOp::Gt ? interp.compare_handler : interp.math_handler;
    const core::CommandRecord* rec = core::nuvelGetCommand(interp, step.text.view());
    step.builtin = wanted != nullptr && rec != nullptr && rec->handler == wanted &&
                   rec->min_words <= 3 && (rec->max_words < 0 || rec->max_words >= 3);
    step.builtin_epoch = interp.command_epoch;
  }
  return step.builtin;
}

// `word` is the operand's word when it is text (and no literal).
[[gnu::always_inline]] inline bool quick_number(const Operand& slot, const Value* word,
                                                bool relational, QuickNumber& q) {
  if (slot.kind == Operand::Int) {
    q = {false, slot.i, static_cast<double>(slot.i)};
    return true;
  }
  if (slot.kind == Operand::Float) {
    q = {true, 0, slot.d};
    return true;
  }
  if (const LiteralWord* lit = slot.literal()) {
    q = relational ? lit->rel : lit->arith;
    return relational ? lit->rel_ok : lit->arith_ok;
  }
  if (relational) {
    RelOperand r = read_rel(*word);
    if (r.cls == NumClass::NotNumeric) return false;
    q = {r.cls == NumClass::Float, r.i, r.d};
    return true;
  }
  ArithOperand a = read_arith(*word);
  if (a.unknown_type) return false;
  q = {a.is_float, a.i, a.d};
  return true;
}

// Computes a built-in binary operator on read operands into `slot`, as its
// command would. False, having done nothing, where the command must run
// (it reports a fault, or its arithmetic is not repeated here).
template <class Slot>
[[gnu::always_inline]] inline bool quick_operate(core::IntOp op, const QuickNumber& a,
                                                 const QuickNumber& b, Slot& slot) {
  const bool floating = a.is_float || b.is_float;
  if (op >= core::IntOp::Gt) {
    if (!floating) {
      int64_t r;
      if (!core::int_operate(op, a.i, b.i, r)) return false;
      slot.set_int(r);
      return true;
    }
    bool r = false;
    switch (op) {
      case core::IntOp::Gt:
        r = a.d > b.d;
        break;
      case core::IntOp::Ge:
        r = a.d >= b.d;
        break;
      case core::IntOp::Lt:
        r = a.d < b.d;
        break;
      case core::IntOp::Le:
        r = a.d <= b.d;
        break;
      case core::IntOp::Eq:
        r = a.d == b.d;
        break;
      default:
        r = !(a.d == b.d);
        break;
    }
    slot.set_int(r ? 1 : 0);
    return true;
  }
  if (!floating) {
    int64_t r;
    if (!core::int_operate(op, a.i, b.i, r)) return false;
    slot.set_int(r);
    return true;
  }
  const double x = a.d;
  const double y = b.d;
  double r;
  switch (op) {
    case core::IntOp::Add:
      r = x + y;
      break;
    case core::IntOp::Sub:
      r = x - y;
      break;
    case core::IntOp::Pow:
      r = std::pow(x, y);
      break;
    case core::IntOp::Mul:
      if (x >= 2147483647.0 && y >= 2147483647.0) return false;  // the split product
      r = x * y;
      break;
    case core::IntOp::Div:
      if (y == 0.0) return false;
      r = x / y;
      break;
    case core::IntOp::Mod:
      if (y == 0.0) return false;
      r = x - y * static_cast<double>(double_to_int(x / y));
      break;
    default:
      return false;  // bitwise operators read the texts again
  }
  set_float_result(slot, r, 0);
  return true;
}

// Runs the operator of a step as its command (or evaluates its command text
// when an operand is no ready word), leaving the result at `slots[0]`.
// `texts` are the words of the text operands when `direct`.
[[gnu::noinline]] Code run_step_command(Interp& interp, const ExprStep& step, Operand* slots,
                                        bool direct, const Value* const* texts) {
  const int need = step.need;
  Code rc;
  if (direct) {
    Value words[3];
    words[0] = step.text;
    for (int k = 0; k < need; ++k) {
      const bool own = slots[k].kind != Operand::Text || slots[k].literal();
      words[k + 1] = own ? slots[k].boxed() : *texts[k];
    }
    rc = core::nuvelCallCommandCached(interp, need + 1, words, step.lookup);
  } else {
    std::string text(step.text.view());
    for (int k = 0; k < need; ++k) {
      text.push_back(' ');
      text += slots[k].boxed().view();
    }
    rc = core::rindoEval(interp, Value(std::move(text)));
  }
  if (need == 2) slots[1].clear_text();
  slots[0].set_value(interp.result);
  return rc;
}

// Applies an operator to the top `need` operands from `at`, as run_operator
// does, leaving its result at `at`: a built-in operator on numbers is
// computed here, anything else runs the command.
Code apply_step(Interp& interp, const ExprStep& step, Operand* slots) {
  const int need = step.need;
  // The words of text operands as the command would get them: a plain
  // variable's value is read in place (nothing runs before it is used).
  std::optional<Value> made[2];
  const Value* texts[2] = {nullptr, nullptr};
  bool direct = true;
  for (int k = 0; k < need && direct; ++k) {
    const Operand& slot = slots[k];
    if (slot.kind != Operand::Text || slot.literal()) continue;
    if (!slot.var_name().empty()) {
      VarRef var = vars::lookup(interp, slot.push->var_name, slot.push->var_lookup);
      const int kind = var ? var.kind() : vars::VT_FIELD;
      direct = kind != vars::VT_FIELD && kind != vars::VT_DICTIONARY;
      if (direct) texts[k] = &var.value();
    } else {
      made[k].emplace();
      direct = operand_word(interp, slot.word(), *made[k]);
      texts[k] = &*made[k];
    }
  }
  if (direct && need == 2 && step.op != core::IntOp::None && builtin_operator(interp, step)) {
    const bool relational = step.op >= core::IntOp::Gt;
    QuickNumber a;
    QuickNumber b;
    if (quick_number(slots[0], texts[0], relational, a) &&
        quick_number(slots[1], texts[1], relational, b) && quick_operate(step.op, a, b, slots[0])) {
      slots[1].clear_text();
      ++interp.cmdcount;
      interp.result_type = 0;
      return Code::Ok;
    }
  }
  return run_step_command(interp, step, slots, direct, texts);
}

// A one-argument math function on an unboxed or text argument, as
// one_argument computes it. False where the function must run on the text
// (it reports, or its result is not a number kept unboxed).
bool quick_call(QuickFn fn, Operand& arg, Operand& out) {
  double x;
  if (arg.kind == Operand::Int) {
    x = static_cast<double>(arg.i);
  } else if (arg.kind == Operand::Float) {
    x = arg.d;
  } else {
    x = read_double(arg.word());
  }
  switch (fn) {
    case QuickFn::Abs:
      set_float_result(out, std::fabs(x), 15);
      return true;
    case QuickFn::Double:
      set_float_result(out, x, 15);
      return true;
    case QuickFn::Int:
      if (x < 0) {
        out.set_int(double_to_int(std::floor(x)));
      } else if (arg.kind == Operand::Int) {
        out.set_int(arg.i);
      } else if (arg.kind == Operand::Float && x < 9007199254740992.0) {
        // The leading integer of the "%.15f" text: the rounded decimal never
        // crosses an integer the double has not reached.
        out.set_int(static_cast<int64_t>(std::trunc(x)));
      } else {
        out.set_int(core::leading_int(arg.boxed().view()));
      }
      return true;
    case QuickFn::Round: {
      double v = round_half_away(x, 0);
      // "%.0f" of an integral double in range is its decimal integer; -0
      // prints "-0", which is no canonical integer.
      if (!(std::fabs(v) < 9.2e18) || (v == 0.0 && std::signbit(v))) return false;
      out.set_int(static_cast<int64_t>(v));
      return true;
    }
    case QuickFn::Floor:
      set_float_result(out, std::floor(x), 15);
      return true;
    case QuickFn::Ceil:
      set_float_result(out, std::ceil(x), 15);
      return true;
    case QuickFn::Sqrt:
      if (x < 0) return false;
      set_float_result(out, std::sqrt(x), 15);
      return true;
    case QuickFn::Sqr:
      set_float_result(out, x * x, 15);
      return true;
    case QuickFn::Sin:
      set_float_result(out, std::sin(x), 15);
      return true;
    case QuickFn::Cos:
      set_float_result(out, std::cos(x), 15);
      return true;
    case QuickFn::Exp:
      set_float_result(out, std::exp(x), 15);
      return true;
    case QuickFn::Fix:
      out.set_int(double_to_int(std::trunc(x)));
      return true;
    case QuickFn::Sgn:
      out.set_int(x > 0 ? 1 : (x < 0 ? -1 : 0));
      return true;
    case QuickFn::None:
      break;
  }
  return false;
}

// What running a program that is one plain `$name` gives (its own depth
// within the limit): the variable's value, found as resolve_operand finds it.
bool read_lone_variable(Interp& interp, const ExprStep& push, Operand& out, int& depth) {
  core::ScopedRestore<int> scope(depth, depth + 1);
  VarRef var = vars::lookup(interp, push.var_name, push.var_lookup);
  if (var && var.kind() != vars::VT_FIELD && var.kind() != vars::VT_DICTIONARY) {
    out.set_value(var.value());
    return true;
  }
  // A missing variable: the evaluator's substitution reports it.
  Value saved = interp.result;
  if (core::rindoEval(interp, push.text, true, false) != Code::Ok) return false;
  out.set_value(interp.result);
  interp.result = saved;
  return true;
}

// --- Programs on numbers alone ----------------------------------------------------------
//
// Most expressions in loops are arithmetic and comparisons on variables that
// hold numbers. For a program whose every step is a push of a plain $name or
// of a literal number, a built-in binary operator or a quick function, the
// same course is kept a second time as steps on numbers alone. A run takes
// that course first: each operand is read as the operator that takes it
// would read it, each operator computed as apply_step computes it. Reading
// variables and computing changes nothing, so when any step cannot be done
// that way (a value that is no number, a fault, a result that is no number,
// an operator that is not the built-in one) the run is dropped and the
// program runs its general course from the start, which does what the
// operators' commands do.

// A number on the stack of a fast run, filled as quick_operate fills an
// operand; `text` is set for a result only a text can show.
struct NumberSlot {
  QuickNumber q;
  bool text = false;
  void set_int(int64_t n) { q = {false, n, static_cast<double>(n)}; }
};

void set_float_result(NumberSlot& slot, double r, int) {
  if (std::isfinite(r)) {
    slot.q = {true, 0, float15_reread(r)};
  } else {
    slot.text = true;
  }
}

struct FastStep {
  enum Kind : uint8_t { Number, Variable, FunctionArg, Apply, Call };
  Kind kind = Number;
  bool relational = false;  // Variable: read as the relational operators read
  QuickFn fn = QuickFn::None;
  QuickNumber number;              // Number: the literal's reading
  const ExprStep* step = nullptr;  // Variable, FunctionArg: the push; Apply: the operator
};

struct FastProgram {
  std::vector<FastStep> steps;
  std::vector<const ExprStep*> operators;  // the Apply steps, checked per table state
  int depth = 0;                           // deepest nesting the general course reaches
  int applies = 0;
  mutable uint64_t epoch = ~uint64_t{0};  // the table state `builtin` was found for
  mutable bool builtin = false;
  // Whether a part's number stands for a variable of that name when there
  // is one (the frame is checked before each run).
  bool lone_numbers = false;
  mutable vars::NameStartMemo number_names;
};

ExprProgram::ExprProgram() = default;
ExprProgram::~ExprProgram() = default;

bool append_part(const ExprProgram& prog, int depth, FastProgram& fast, size_t& value);

// Appends the course of `prog`, run at nesting `depth`, to `fast`; false when
// a step has no form on numbers. `stack` holds, for each value on the stack,
// the index of the step that makes it, so the operator that takes it can say
// how to read it.
bool append_fast(const ExprProgram& prog, int depth, FastProgram& fast,
                 std::vector<size_t>& stack) {
  fast.depth = std::max(fast.depth, depth);
  for (const ExprStep& step : prog.steps) {
    switch (step.kind) {
      case ExprStep::Push: {
        FastStep f;
        f.step = &step;
        if (step.literal) {
          f.kind = FastStep::Number;
        } else if (!step.var_name.empty()) {
          f.kind = FastStep::Variable;
        } else {
          return false;
        }
        stack.push_back(fast.steps.size());
        fast.steps.push_back(f);
        break;
      }
      case ExprStep::Apply: {
        if (step.need != 2 || step.op == core::IntOp::None || stack.size() < 2) return false;
        const bool relational = step.op >= core::IntOp::Gt;
        // Each operand is read as this operator reads it.
        for (size_t k = stack.size() - 2; k < stack.size(); ++k) {
          FastStep& operand = fast.steps[stack[k]];
          if (operand.kind == FastStep::Variable) {
            operand.relational = relational;
          } else if (operand.kind == FastStep::Number) {
            const LiteralWord& lit = *operand.step->literal;
            if (!(relational ? lit.rel_ok : lit.arith_ok)) return false;
            operand.number = relational ? lit.rel : lit.arith;
          }
        }
        stack.resize(stack.size() - 2);
        FastStep f;
        f.kind = FastStep::Apply;
        f.step = &step;
        stack.push_back(fast.steps.size());
        fast.steps.push_back(f);
        fast.operators.push_back(&step);
        ++fast.applies;
        break;
      }
      case ExprStep::Enter:
        ++depth;
        fast.depth = std::max(fast.depth, depth);
        break;
      case ExprStep::Leave:
        --depth;
        break;
      case ExprStep::Paren: {
        // Run on its own in the general course, one level deeper.
        size_t value;
        if (!append_part(*step.sub[0], depth + 1, fast, value)) return false;
        stack.push_back(value);
        break;
      }
      case ExprStep::Function: {
        if (step.fn == QuickFn::None || step.call.count != 1 || step.call.blank[0] ||
            !step.sub[0]) {
          return false;
        }
        const ExprProgram& arg = *step.sub[0];
        if (arg.steps.size() == 1 && !arg.was_pending && !arg.steps[0].var_name.empty()) {
          // A lone $name, read as read_lone_variable reads it.
          fast.depth = std::max(fast.depth, depth + 1);
          FastStep f;
          f.kind = FastStep::FunctionArg;
          f.step = &arg.steps[0];
          fast.steps.push_back(f);
        } else {
          size_t value;
          if (!append_part(arg, depth + 1, fast, value)) return false;
        }
        FastStep f;
        f.kind = FastStep::Call;
        f.fn = step.fn;
        stack.push_back(fast.steps.size());
        fast.steps.push_back(f);
        break;
      }
    }
  }
  return true;
}

// Appends a program run on its own (a whole expression, a parenthesised
// part or a function argument the general course runs with run_program)
// that ends with one computed number; `value` receives the index of the
// step that makes it. A program whose operator was applied before its end
// gives its number only while no variable could be named by it, which the
// run checks.
bool append_part(const ExprProgram& prog, int depth, FastProgram& fast, size_t& value) {
  if (prog.final_stack != 1) return false;
  std::vector<size_t> stack;
  if (!append_fast(prog, depth, fast, stack) || stack.size() != 1) return false;
  value = stack[0];
  const FastStep::Kind kind = fast.steps[value].kind;
  if (kind != FastStep::Apply && kind != FastStep::Call) return false;
  if (!prog.was_pending) fast.lone_numbers = true;
  return true;
}

// The fast form of a top-level program, or null.
std::unique_ptr<FastProgram> make_fast(const ExprProgram& prog) {
  auto fast = std::make_unique<FastProgram>();
  size_t value;
  if (!append_part(prog, 0, *fast, value)) return nullptr;
  // The parts share one stack: it must hold what they hold together.
  size_t height = 0;
  for (const FastStep& f : fast->steps) {
    if (f.kind == FastStep::Apply) {
      --height;
    } else if (f.kind != FastStep::Call && ++height > kCompiledStack) {
      return nullptr;
    }
  }
  return fast;
}

// Runs the fast form of a program whose own level is engine depth `depth`;
// false, having changed nothing, when the general course must run (also
// near the depth limit, where that course reports).
bool run_fast(Interp& interp, const FastProgram& fast, Operand& out, int depth) {
  if (depth + fast.depth + 1 > kMaxExprDepth) return false;
  {
    const core::Switches& sw = core::switches();
    if (interp.trace_on || sw.stacktrace || sw.single_step) return false;
  }
  if (fast.epoch != interp.command_epoch) {
    bool all = true;
    for (const ExprStep* op : fast.operators) all = builtin_operator(interp, *op) && all;
    fast.builtin = all;
    fast.epoch = interp.command_epoch;
  }
  if (!fast.builtin) return false;
  if (fast.lone_numbers && vars::may_find_name_starting(interp, "-0123456789", fast.number_names)) {
    return false;
  }
  // The stack, left unfilled: each number is made as it is pushed.
  alignas(QuickNumber) unsigned char storage[sizeof(QuickNumber) * kCompiledStack];
  QuickNumber* values = reinterpret_cast<QuickNumber*>(storage);
  size_t n = 0;
  for (const FastStep& f : fast.steps) {
    switch (f.kind) {
      case FastStep::Number:
        new (values + n++) QuickNumber(f.number);
        break;
      case FastStep::Variable:
      case FastStep::FunctionArg: {
        // A plain local (most operands) is found without the general reader,
        // which gives the same record and value for it.
        const Value* found = vars::plain_local_value(interp, f.step->var_name, f.step->var_lookup);
        if (!found) {
          VarRef var = vars::lookup(interp, f.step->var_name, f.step->var_lookup);
          if (!var || var.kind() == vars::VT_FIELD || var.kind() == vars::VT_DICTIONARY) {
            return false;
          }
          found = &var.value();
        }
        const Value& text = *found;
        QuickNumber& q = *new (values + n++) QuickNumber;
        int64_t known;
        if (text.known_int(known)) {
          // A canonical integer: what every reader below gives for it.
          q = {false, known, static_cast<double>(known)};
        } else if (f.kind == FastStep::FunctionArg) {
          // A function reads a text; a canonical integer reads as its number.
          int64_t i;
          if (!text.canonical_int(i)) return false;
          q = {false, i, static_cast<double>(i)};
        } else if (f.relational) {
          RelOperand r = read_rel(text);
          if (r.cls == NumClass::NotNumeric) return false;
          q = {r.cls == NumClass::Float, r.i, r.d};
        } else {
          ArithOperand a = read_arith(text);
          if (a.unknown_type) return false;
          q = {a.is_float, a.i, a.d};
        }
        break;
      }
      case FastStep::Apply: {
        NumberSlot slot;
        if (!quick_operate(f.step->op, values[n - 2], values[n - 1], slot) || slot.text) {
          return false;
        }
        values[n - 2] = slot.q;
        --n;
        break;
      }
      case FastStep::Call: {
        Operand arg;
        if (values[n - 1].is_float) {
          arg.set_float(values[n - 1].d);
        } else {
          arg.set_int(values[n - 1].i);
        }
        Operand result;
        if (!quick_call(f.fn, arg, result) || result.kind == Operand::Text) return false;
        values[n - 1] = result.kind == Operand::Int
                            ? QuickNumber{false, result.i, static_cast<double>(result.i)}
                            : QuickNumber{true, 0, result.d};
        break;
      }
    }
  }
  interp.cmdcount += fast.applies;
  if (fast.applies > 0) interp.result_type = 0;
  if (values[0].is_float) {
    out.set_float(values[0].d);
  } else {
    out.set_int(values[0].i);
  }
  return true;
}

// `depth` is the engine's nesting depth of the interpreter (its ExprDepth).
// A program ending in an applied operator with one value gives it as it is
// (perhaps unboxed); otherwise the value is finished as the walk finishes it.
bool run_program(Interp& interp, const ExprProgram& prog, Operand& out, int& err, int& depth) {
  core::ScopedRestore<int> scope(depth, depth + 1);
  if (depth > kMaxExprDepth) {
    (void)core::fail(interp, core::Msg::ExprTooDeep, kMaxExprDepth);
    err = 1;
    return false;
  }
  err = 0;
  if (prog.fast && run_fast(interp, *prog.fast, out, depth)) return true;
  RunStack stack(prog.max_stack);
  Operand* slots = stack.slots();
  size_t n = 0;
  for (const ExprStep& step : prog.steps) {
    switch (step.kind) {
      case ExprStep::Push:
        slots[n++].set_literal(step);
        break;
      case ExprStep::Apply: {
        n -= step.need;
        Code rc = apply_step(interp, step, slots + n);
        if (rc == Code::Error || rc == Code::Exit || rc == Code::Stop) {
          err = core::code_int(rc);
          return false;
        }
        ++n;
        break;
      }
      case ExprStep::Enter:
        if (++depth > kMaxExprDepth) {
          (void)core::fail(interp, core::Msg::ExprTooDeep, kMaxExprDepth);
          err = 1;
          return false;
        }
        break;
      case ExprStep::Leave:
        --depth;
        break;
      case ExprStep::Paren: {
        if (!run_program(interp, *step.sub[0], slots[n], err, depth)) return false;
        ++n;
        break;
      }
      case ExprStep::Function: {
        Operand args[2];
        bool have[2] = {false, false};
        for (int k = 0; k < step.call.count; ++k) {
          if (step.call.blank[k]) continue;
          int arg_err = 0;
          const ExprProgram& arg = *step.sub[k];
          if (arg.steps.size() == 1 && !arg.was_pending && !arg.steps[0].var_name.empty() &&
              depth < kMaxExprDepth) {
            have[k] = read_lone_variable(interp, arg.steps[0], args[k], depth);
          } else {
            have[k] = run_program(interp, arg, args[k], arg_err, depth);
          }
        }
        if (step.fn != QuickFn::None && have[0] && quick_call(step.fn, args[0], slots[n])) {
          ++n;
          break;
        }
        Value values[2];
        for (int k = 0; k < 2; ++k) {
          if (have[k]) values[k] = args[k].boxed();
        }
        Value v;
        if (!finish_function_call(interp, step.lower, step.text.view(), step.call, have, values,
                                  v)) {
          if (err == 0) err = 1;
          return false;
        }
        slots[n++].set_value(std::move(v));
        break;
      }
    }
  }
  if (n == 1 && prog.was_pending) {
    out = std::move(slots[0]);
    return true;
  }
  if (n == 1 && slots[0].kind != Operand::Text) {
    // A lone number stands for a variable of that name, as its text would.
    if (!vars::may_find_name_starting(interp, "-0123456789", prog.number_names)) {
      out = std::move(slots[0]);
      return true;
    }
    char name[48];
    size_t len = 0;
    if (slots[0].kind == Operand::Int) {
      len = static_cast<size_t>(std::to_chars(name, name + sizeof name, slots[0].i).ptr - name);
    } else {
      len = fixed15_chars(slots[0].d, name);
    }
    if (len != 0) {
      VarRef var = vars::lookup(interp, std::string_view(name, len));
      if (var && var.kind() == vars::VT_AUTO && !var.value().empty()) {
        out.set_value(var.value());
      } else {
        out = std::move(slots[0]);
      }
      return true;
    }
  }
  Value v;
  bool done;
  if (n == 1) {
    Value value = slots[0].boxed();
    done = finish_stack(interp, &value, 1, prog.was_pending, v, err);
  } else {
    Value values[kCompiledStack];
    for (size_t k = 0; k < n; ++k) values[k] = slots[k].boxed();
    done = finish_stack(interp, values, n, prog.was_pending, v, err);
  }
  if (!done) return false;
  out.set_value(std::move(v));
  return true;
}

// --- The pre-pass ---------------------------------------------------------------------------

Code pre_pass(Interp& interp, std::string_view t, std::string& out) {
  out.clear();
  out.reserve(t.size() + 16);
  const std::vector<size_t> partner = close_partners(t, "[");
  for (size_t i = 0; i < t.size(); ++i) {
    char c = t[i];
    bool escaped = i > 0 && t[i - 1] == '\\';
    if (c == '{' && !escaped) {
      size_t close = matching_close(t, i);
      if (close == std::string_view::npos) close = t.size() - 1;
      out.append(t.substr(i + 1, close - i));
      i = close;
      continue;
    }
    if (c == '[' && !escaped) {
      size_t close = partner[i];
      if (close == std::string_view::npos) {
        out.push_back(c);
        continue;
      }
      std::string_view inside = t.substr(i + 1, close - i - 1);
      i = close;
      if (inside.empty()) {
        out.push_back(' ');
        continue;
      }
      const uint64_t interrupts = interp.interrupts;
      Code rc = core::rindoEval(interp, Value(inside));
      // Codes of nested brackets are ignored, but never a Ctrl+C: that would
      // leave a loop around this expression running for good.
      if (rc == Code::Stop && interp.interrupts != interrupts) return rc;
      if (inside.find('[') == std::string_view::npos) {
        if (rc != Code::Ok && rc != Code::Return && rc != Code::Continue) {
          std::string text(inside);
          (void)core::fail(interp, core::Msg::ExprSubExpressionCode, 31420L, core::code_int(rc),
                           core::code_name(core::code_int(rc)), text);
          return rc;
        }
        out += interp.result.view();
      } else if ((rc == Code::Ok || rc == Code::Continue) && !interp.result.empty()) {
        out += interp.result.view();
      }
      out.push_back(' ');
      continue;
    }
    out.push_back(c);
  }
  long balance = 0;
  for (char c : out) balance += c == '(' ? 1 : (c == ')' ? -1 : 0);
  if (balance != 0) {
    if (diagnostics_on(interp)) {
      platform::outf("expr: bracket mismatch: '%s' - %i too many ", out.c_str(),
                     static_cast<int>(balance > 0 ? balance : -balance));
      platform::out(balance > 0 ? "(\n" : ")\n");
    }
    return Code::Error;
  }
  return Code::Ok;
}

}  // namespace

bool evaluate_inner(Interp& interp, std::string_view text, Value& out, int& err) {
  int& depth = interp.state<ExprDepth>().value;
  core::ScopedRestore<int> scope(depth, depth + 1);
  if (depth > kMaxExprDepth) {
    (void)core::fail(interp, core::Msg::ExprTooDeep, kMaxExprDepth);
    err = 1;
    return false;
  }
  OperandEvaluator ev(interp, text);
  return ev.run(out, err);
}

Code expr_evaluate(Interp& interp, std::string_view text, Value& out) {
  out = Value();
  std::string prepared;
  Code rc = pre_pass(interp, text, prepared);
  if (rc != Code::Ok) return rc;
  int err = 0;
  if (evaluate_inner(interp, prepared, out, err)) return Code::Ok;
  out = Value();
  // Flags 3 and 4 name engine failures, not result codes; exit and stop
  // travel on as they are.
  if (err == core::code_int(Code::Exit) || err == core::code_int(Code::Stop)) {
    return static_cast<Code>(err);
  }
  return Code::Error;
}

namespace {

// What the engine keeps about an expression text: the text after rewriting
// (for expr) and whether the pre-pass would change it. Text without "[" and
// "{" passes the pre-pass unchanged, so only its balance matters.
struct PreparedExpr {
  bool rewritten = false;  // `text` is the rewritten form
  bool rewrite_failed = false;
  std::string text;
  bool plain = false;  // no "[" or "{": the pre-pass is the identity
  bool balanced = false;
  std::unique_ptr<ExprProgram> program;  // plain and balanced texts the compiler takes
};

void examine(PreparedExpr& p) {
  p.plain = p.text.find_first_of("[{") == std::string::npos;
  long balance = 0;
  for (char c : p.text) balance += c == '(' ? 1 : (c == ')' ? -1 : 0);
  p.balanced = balance == 0;
  if (p.plain && p.balanced && !p.rewrite_failed) {
    p.program = compile_expr(p.text, 1);
    if (p.program) p.program->fast = make_fast(*p.program);
  }
}

// A prepared expression: the one cached on the text (valid while the text
// lives: the slot is filled once and never replaced), or, for a text first
// prepared under the other rewrite setting, one held here.
struct PreparedRef {
  const PreparedExpr* form = nullptr;
  std::shared_ptr<const PreparedExpr> held;
};

PreparedRef prepared(const Value& text, bool rewrite) {
  const PreparedExpr* cached = text.cached_ptr<PreparedExpr>(core::CacheSlot::Expr);
  if (cached && cached->rewritten == rewrite) return {cached, nullptr};
  auto p = std::make_shared<PreparedExpr>();
  p->rewritten = rewrite;
  p->text = std::string(text.view());
  if (rewrite && !rewrite_precedence(p->text)) p->rewrite_failed = true;
  examine(*p);
  if (cached) return {p.get(), p};
  text.set_cached<PreparedExpr>(core::CacheSlot::Expr, p);
  return {p.get(), nullptr};
}

Code evaluate_prepared(Interp& interp, const PreparedExpr& p, Value& out) {
  if (!p.plain || !p.balanced) return expr_evaluate(interp, std::string_view(p.text), out);
  out = Value();
  int err = 0;
  if (p.program) {
    Operand value;
    if (run_program(interp, *p.program, value, err, interp.state<ExprDepth>().value)) {
      out = std::move(value.boxed());
      return Code::Ok;
    }
  } else if (evaluate_inner(interp, p.text, out, err)) {
    return Code::Ok;
  }
  out = Value();
  if (err == core::code_int(Code::Exit) || err == core::code_int(Code::Stop)) {
    return static_cast<Code>(err);
  }
  return Code::Error;
}

Code evaluate_rewritten_value(Interp& interp, const Value& text, Value& out) {
  out = Value();
  PreparedRef ref = prepared(text, engine_settings(interp).rewrite);
  const PreparedExpr* p = ref.form;
  if (p->rewrite_failed) {
    return core::fail(interp, core::Msg::ExprTooLongToRewrite);
  }
  if (p->text.empty()) return Code::Ok;
  return evaluate_prepared(interp, *p, out);
}

// The value of a braced expression `expr` is given, when its course on
// numbers alone runs to the end: what nuvelCommandExpr would leave, less
// the command's own count (see Interp::quick_expr for the answers). 0,
// having changed nothing, otherwise.
int quick_expr(Interp& interp, const Value& text, Value& out, int64_t* as_int) {
  if (text.empty()) return 0;
  PreparedRef ref = prepared(text, engine_settings(interp).rewrite);
  const PreparedExpr* p = ref.form;
  if (p->rewrite_failed || !p->plain || !p->balanced || !p->program || !p->program->fast) {
    return 0;
  }
  // At the program's own level, as run_program makes it (run_fast declines
  // near the depth limit).
  Operand value;
  if (!run_fast(interp, *p->program->fast, value, interp.state<ExprDepth>().value + 1)) {
    return 0;
  }
  if (as_int && value.kind == Operand::Int) {
    *as_int = value.i;
    return 2;
  }
  out = value.boxed();
  return 1;
}

}  // namespace

Code expr_evaluate_value(Interp& interp, const Value& text, Value& out) {
  PreparedRef ref = prepared(text, false);
  return evaluate_prepared(interp, *ref.form, out);
}

Code expr_evaluate_rewritten(Interp& interp, std::string_view text, Value& out) {
  out = Value();
  std::string joined(text);
  if (engine_settings(interp).rewrite && !rewrite_precedence(joined)) {
    return core::fail(interp, core::Msg::ExprTooLongToRewrite);
  }
  if (joined.empty()) return Code::Ok;
  return expr_evaluate(interp, joined, out);
}

namespace {

std::string join_words(int from, int to, Value* argv, std::string_view sep, bool empty_braces) {
  std::string out;
  for (int i = from; i < to; ++i) {
    if (i > from) out += sep;
    if (empty_braces && argv[i].empty()) {
      out += "{}";
    } else {
      out += argv[i].view();
    }
  }
  return out;
}

std::string trim_blanks(std::string_view t) {
  size_t b = 0;
  size_t e = t.size();
  while (b < e && is_blank(t[b])) ++b;
  while (e > b && is_blank(t[e - 1])) --e;
  return std::string(t.substr(b, e - b));
}

// The translation of `calc ... -explain` through expr.
Code explain_through_expr(Interp& interp, int argc, Value* argv) {
  std::string text = trim_blanks(join_words(1, argc - 1, argv, " ", false));
  if (engine_settings(interp).rewrite && !rewrite_precedence(text)) return Code::Error;
  std::string out;
  int rc;
  {
    core::ScopedRestore<bool> no_folding(engine_settings(interp).fold, false);
    rc = decompose_expression(interp, text, out);
  }
  core::nuvelResetResult(interp);
  if (rc != 0 || out.empty()) return Code::Error;
  nuvelSetResult(interp, Value(std::move(out)));
  return Code::Ok;
}

// expr arg ?arg ...?
// Results: the value of the infix expression made of the arguments joined
// with spaces; "Error found in expr. Check expression arguments" on failure.
// Side effects: whatever the operator commands and bracketed commands do.
Code nuvelCommandExpr(Interp& interp, int argc, Value* argv, void*) {
  std::string_view name = argv[0].view();
  if (name == "calc" || name == "::calc") {
    if (core::iequals(argv[argc - 1].view(), "-explain"))
      return explain_through_expr(interp, argc, argv);
    core::nuvelResetResult(interp);
    return Code::Ok;
  }
  Value value;
  Code rc;
  const uint64_t interrupts = interp.interrupts;
  if (argc == 2 && !argv[1].empty()) {
    rc = evaluate_rewritten_value(interp, argv[1], value);
  } else {
    rc = expr_evaluate_rewritten(interp, join_words(1, argc, argv, " ", true), value);
  }
  if (rc == Code::Ok || rc == Code::Return) {
    if (!value.empty()) nuvelSetResult(interp, std::move(value));
    return rc;
  }
  if (rc == Code::Stop && interp.interrupts != interrupts) return rc;  // Ctrl+C stays a stop
  nuvelSetResult(interp, "Error found in expr. Check expression arguments");
  return Code::Error;
}

// calc arg ?arg ...?
// Results: the value of the expression, computed by translating it to prefix
// commands and running them.
Code nuvelCommandCalc(Interp& interp, int argc, Value* argv, void*) {
  if (argc < 2) return Code::Ok;
  std::string text = join_words(1, argc, argv, "", false);
  for (char& c : text) {
    if (c == ',') c = ' ';
  }
  std::string out;
  if (!rewrite_precedence(text) || decompose_expression(interp, text, out) != 0) {
    return core::fail(interp, core::Msg::BadExpression);
  }
  const uint64_t interrupts = interp.interrupts;
  if (out.empty()) return Code::Ok;
  // The translation's own code is not passed on, but a Ctrl+C is.
  Code rc = core::rindoEval(interp, Value(std::move(out)));
  return rc == Code::Stop && interp.interrupts != interrupts ? rc : Code::Ok;
}

// explain arg ?arg ...?
// Results: the prefix command form of the expression (True and False read
// as 1 and 0), without folding constants.
Code nuvelCommandExplain(Interp& interp, int argc, Value* argv, void*) {
  std::string text = join_words(1, argc, argv, " ", false);
  core::ScopedRestore<bool> no_folding(engine_settings(interp).fold, false);
  const NameMap names = {{"True", "1"}, {"False", "0"}};
  std::string out;
  if (!rewrite_precedence(text) || decompose_expression(interp, text, out, &names) != 0) {
    core::nuvelResetResult(interp);
    return Code::Error;
  }
  nuvelSetResult(interp, Value(std::move(out)));
  return Code::Ok;
}

constexpr core::CommandRow kExprCommands[] = {
    {"expr", nuvelCommandExpr, 2, core::kAnyWords, "arg ?arg ...?"},
    {"calc", nuvelCommandCalc, 1, core::kAnyWords, "arg ?arg ...?"},
    {"explain", nuvelCommandExplain, 2, core::kAnyWords, "arg ?arg ...?"},
};

}  // namespace

void register_function_cmds(Interp& interp);

[[gnu::section(".text.startup.register")]] void register_expr_cmds(Interp& interp) {
  core::register_rows(interp, kExprCommands);
  register_function_cmds(interp);
  interp.expr_handler = nuvelCommandExpr;
  interp.quick_expr = quick_expr;
}

}  // namespace expr
