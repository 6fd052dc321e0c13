// The operator commands: combined math (+ - * / ** % << >> & | ^ && ||), the
// relational commands (> >= < <= == !=), the string comparisons (eq ... nen),
// compound assignment (*= += -= /= &= |= ^=) and not (! ~). The expression
// engine performs every operator by running one of these.
#include <algorithm>
#include <cctype>
#include <cinttypes>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>

#include "core/cmd_helpers.h"
#include "core/int_ops.h"
#include "core/switches.h"
#include "core/text_util.h"
#include "core/var_store.h"
#include "expr/expr_engine.h"
#include "expr/number.h"
#include "expr/operator_support.h"
#include "platform/console.h"

namespace expr {

using core::CommandRow;
using core::kAnyWords;

bool diagnostics_on(const Interp& interp) {
  const core::Switches& sw = core::switches();
  return sw.debug || sw.single_step || interp.trace_on;
}

void operator_fault(Interp& interp, const Value& name, long location, const char* message) {
  if (diagnostics_on(interp)) {
    platform::outf("\nException in '%s' at line %li", name.c_str(), location);
    platform::outf(" (%s)", message);
    platform::out("\n");
  }
  // The failure is not silent: ::errorMsg, catch and the end-of-run report
  // get "name: message" (shown on the console only in verbose or debug mode).
  std::string text(command_name(name));
  text += ": ";
  text += message;
  text += '\n';
  core::nuvelSetErrorText(&interp, text);
}

std::string_view command_name(const Value& word) {
  return core::strip_global_prefix(word.view());
}

VarRef find_variable(Interp& interp, std::string_view name) {
  if (name.empty()) return VarRef();
  return vars::lookup(interp, name);
}

bool store_variable(Interp& interp, std::string_view name, VarRef var, const Value& value) {
  if (var && var.kind() == vars::VT_AUTO && !var.is_constant() && !var.is_pointer() &&
      !var.is_link()) {
    vars::assign(var, value);
    return true;
  }
  return vars::access_var(interp, name, &value, true) == 0;
}

namespace {

// --- Combined math ----------------------------------------------------------------------

enum class MathOp { Add, Sub, Mul, Div, Pow, Mod, Shl, Shr, And, Or, Xor, LAnd, LOr, None };

MathOp math_op(std::string_view n) {
  if (n.size() == 1) {
    switch (n[0]) {
      case '+':
        return MathOp::Add;
      case '-':
        return MathOp::Sub;
      case '*':
        return MathOp::Mul;
      case '/':
        return MathOp::Div;
      case '%':
        return MathOp::Mod;
      case '&':
        return MathOp::And;
      case '|':
        return MathOp::Or;
      case '^':
        return MathOp::Xor;
      default:
        return MathOp::None;
    }
  }
  if (n == "**") return MathOp::Pow;
  if (n == "<<") return MathOp::Shl;
  if (n == ">>") return MathOp::Shr;
  if (n == "&&") return MathOp::LAnd;
  if (n == "||") return MathOp::LOr;
  return MathOp::None;
}

// Shift with the designed width handling; counts of 64 or more shift
// everything out (left, logical right) or leave the sign fill (arithmetic).
int64_t shift_left(int64_t value, int64_t count, int64_t width) {
  uint64_t v = static_cast<uint64_t>(value);
  auto shl = [](uint64_t x, int64_t c) -> uint64_t { return c >= 64 ? 0 : x << c; };
  switch (width) {
    case 8:
      return count >= 8 ? 0 : static_cast<int64_t>(shl(v, count) & 0xFFu);
    case 16:
      return count >= 16 ? 0 : static_cast<int64_t>(shl(v, count) & 0xFFFFu);
    case 32:
      return count >= 32 ? 0 : static_cast<int64_t>(shl(v, count) & 0xFFFFFFFFu);
    default:
      return static_cast<int64_t>(shl(v, count));
  }
}

int64_t shift_right_arith(int64_t value, int64_t count) {
  if (count >= 64) return value < 0 ? -1 : 0;
  return value >> count;  // arithmetic on every supported compiler (C++20)
}

int64_t shift_right(int64_t value, int64_t count, int64_t width) {
  switch (width) {
    case 8:
      return shift_right_arith(value, count) & 0xFF;
    case 16:
      return shift_right_arith(value, count) & 0xFFFF;
    case 32:
      return shift_right_arith(value, count) & 0xFFFFFFFF;
    default:
      return count >= 64 ? 0 : static_cast<int64_t>(static_cast<uint64_t>(value) >> count);
  }
}

// The product of two large floats, kept exact in its integer part by
// splitting each operand into integer and fraction: "%I64i.%I64i".
Value large_product(double a, double b) {
  double ai_d = std::trunc(a);
  double bi_d = std::trunc(b);
  double af = a - ai_d;
  double bf = b - bi_d;
  int64_t ai = double_to_int(ai_d);
  int64_t bi = double_to_int(bi_d);
  double cross = ai_d * bf + bi_d * af + af * bf;
  double cross_int = std::floor(cross);
  int64_t whole = wrap_add(wrap_mul(ai, bi), double_to_int(cross_int));
  std::string frac = format_double("%.15f", cross - cross_int);  // "0.xxx"
  size_t dot = frac.find('.');
  std::string digits = dot == std::string::npos ? std::string() : frac.substr(dot + 1);
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  if (digits.empty()) digits = "0";
  char buf[48];
  std::snprintf(buf, sizeof buf, "%" PRId64 ".", whole);
  return Value(std::string(buf) + digits);
}

Code float_math(Interp& interp, MathOp op, int argc, Value* argv, const ArithOperand& a,
                const ArithOperand& b) {
  double x = a.unknown_type ? 0.0 : a.d;
  double y = b.unknown_type ? 0.0 : b.d;
  double r = 0.0;
  switch (op) {
    case MathOp::Add:
      r = x + y;
      break;
    case MathOp::Sub:
      r = x - y;
      break;
    case MathOp::Pow:
      r = std::pow(x, y);
      break;
    case MathOp::Mul:
      // The split product is only kept while its integer part fits 64 bits;
      // beyond that it would wrap, so the double product is printed.
      if (x >= 2147483647.0 && y >= 2147483647.0 && x * y < 9.2e18) {
        nuvelSetResult(interp, large_product(x, y));
        return Code::Ok;
      }
      r = x * y;
      break;
    case MathOp::Div:
      if (y == 0.0) {
        (void)core::fail(interp, core::Msg::FloatDivisionByZero, argv[1], argv[2]);
        nuvelSetResult(interp, "0");
        return Code::Error;
      }
      r = x / y;
      break;
    case MathOp::Mod:
      if (y == 0.0) {
        operator_fault(interp, argv[0], 30110, "Division by zero");
        return Code::Error;
      }
      r = x - y * static_cast<double>(double_to_int(x / y));
      break;
    default: {
      int64_t i = read_decimal(argv[1]);
      int64_t j = read_decimal(argv[2]);
      int64_t k = 0;
      switch (op) {
        case MathOp::And:
        case MathOp::LAnd:
          k = i & j;
          break;
        case MathOp::Or:
        case MathOp::LOr:
          k = i | j;
          break;
        case MathOp::Xor:
          k = i ^ j;
          break;
        case MathOp::Shl:
        case MathOp::Shr:
          if (j < 0) {
            operator_fault(interp, argv[0], 30120, "Negative shift argument");
            return Code::Error;
          }
          k = op == MathOp::Shl ? shift_left(i, j, 0) : shift_right_arith(i, j);
          break;
        default:
          break;
      }
      r = static_cast<double>(k);
      break;
    }
  }
  (void)argc;
  nuvelSetResult(interp, float15_value(r));
  return Code::Ok;
}

core::IntOp int_op(MathOp op) {
  switch (op) {
    case MathOp::Add:
      return core::IntOp::Add;
    case MathOp::Sub:
      return core::IntOp::Sub;
    case MathOp::Mul:
      return core::IntOp::Mul;
    case MathOp::Div:
      return core::IntOp::Div;
    case MathOp::Pow:
      return core::IntOp::Pow;
    case MathOp::Mod:
      return core::IntOp::Mod;
    case MathOp::And:
      return core::IntOp::And;
    case MathOp::Or:
      return core::IntOp::Or;
    case MathOp::Xor:
      return core::IntOp::Xor;
    case MathOp::LAnd:
      return core::IntOp::LAnd;
    case MathOp::LOr:
      return core::IntOp::LOr;
    default:
      return core::IntOp::None;
  }
}

Code int_math(Interp& interp, MathOp op, int argc, Value* argv, int64_t x, int64_t y) {
  int64_t r = 0;
  switch (op) {
    case MathOp::Div:
      if (y == 0) {
        (void)core::fail(interp, core::Msg::IntegerDivisionByZero, argv[1], argv[2]);
        nuvelSetResult(interp, "0");
        return Code::Error;
      }
      break;
    case MathOp::Mod:
      if (y == 0) {
        operator_fault(interp, argv[0], 30210, "Division by zero");
        return Code::Error;
      }
      break;
    case MathOp::Pow:
      if (!core::int_operate(core::IntOp::Pow, x, y, r)) {
        operator_fault(interp, argv[0], 30220, "** Math overflow");
        return Code::Error;
      }
      break;
    case MathOp::Shl:
    case MathOp::Shr: {
      if (y < 0) {
        operator_fault(interp, argv[0], 30230, "Negative shift argument");
        return Code::Error;
      }
      int64_t width = argc > 3 ? read_int(argv[3]).value : 0;
      r = op == MathOp::Shl ? shift_left(x, y, width) : shift_right(x, y, width);
      nuvelSetResult(interp, int_value(r));
      return Code::Ok;
    }
    default:
      break;
  }
  // The evaluator computes chains of these operators with the same routine.
  (void)core::int_operate(int_op(op), x, y, r);
  nuvelSetResult(interp, int_value(r));
  return Code::Ok;
}

// + a b, - a b, ... (13 names)
// Results: the sum, difference, ... in integer mode ("%I64i") or, when an
// operand is a float literal, in floating mode ("%.15f"). << and >> take an
// optional width (8, 16 or 32).
// Side effects: none. Division by zero fails (see the messages).
Code nuvelCommandMath(Interp& interp, int argc, Value* argv, void*) {
  MathOp op = math_op(command_name(argv[0]));
  ArithOperand a = read_arith(argv[1]);
  ArithOperand b = read_arith(argv[2]);
  if (a.is_float || b.is_float) return float_math(interp, op, argc, argv, a, b);
  return int_math(interp, op, argc, argv, a.i, b.i);
}

// --- Relational ----------------------------------------------------------------------------

enum class RelOp { Gt, Ge, Lt, Le, Eq, Ne };

RelOp rel_op(std::string_view n) {
  if (n == ">") return RelOp::Gt;
  if (n == ">=") return RelOp::Ge;
  if (n == "<") return RelOp::Lt;
  if (n == "<=") return RelOp::Le;
  if (n == "==") return RelOp::Eq;
  return RelOp::Ne;
}

template <class T>
bool compare(RelOp op, const T& a, const T& b) {
  switch (op) {
    case RelOp::Gt:
      return a > b;
    case RelOp::Ge:
      return a >= b;
    case RelOp::Lt:
      return a < b;
    case RelOp::Le:
      return a <= b;
    case RelOp::Eq:
      return a == b;
    case RelOp::Ne:
      return !(a == b);
  }
  return false;
}

std::string_view empty_braces(std::string_view t) {
  return t == "{}" ? std::string_view() : t;
}

int byte_compare(std::string_view a, std::string_view b) {
  size_t n = std::min(a.size(), b.size());
  int c = n ? std::memcmp(a.data(), b.data(), n) : 0;
  if (c != 0) return c;
  return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

// > a b ?-unsigned?, >= <, <=, ==, !=
// Results: "1" or "0". Numbers compare numerically (floats when either is a
// float), other texts byte-wise; "{}" counts as the empty string.
Code nuvelCommandRelational(Interp& interp, int argc, Value* argv, void*) {
  RelOp op = rel_op(command_name(argv[0]));
  RelOperand a = read_rel(argv[1]);
  RelOperand b = read_rel(argv[2]);
  bool r;
  if (a.cls == NumClass::NotNumeric || b.cls == NumClass::NotNumeric) {
    r = compare(op, byte_compare(empty_braces(argv[1].view()), empty_braces(argv[2].view())), 0);
  } else if (a.cls == NumClass::Float || b.cls == NumClass::Float) {
    r = compare(op, a.d, b.d);
  } else if (argc > 3 && core::find_option(argc, argv, "-unsigned", 3) >= 0) {
    r = compare(op, static_cast<uint64_t>(a.i), static_cast<uint64_t>(b.i));
  } else {
    r = compare(op, a.i, b.i);
  }
  return core::result_bool(interp, r);
}

// --- String comparison ------------------------------------------------------------------------

int fold_compare(std::string_view a, std::string_view b, size_t limit, bool nocase) {
  size_t n = std::min({a.size(), b.size(), limit});
  for (size_t i = 0; i < n; ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]);
    unsigned char y = static_cast<unsigned char>(b[i]);
    if (nocase) {
      if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x - 'A' + 'a');
      if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y - 'A' + 'a');
    }
    if (x != y) return x < y ? -1 : 1;
  }
  size_t la = std::min(a.size(), limit);
  size_t lb = std::min(b.size(), limit);
  return la < lb ? -1 : (la > lb ? 1 : 0);
}

// eq a b ?-nocase?, ne lt gt le ge; eqi ... gei (always without case);
// eqn a b n ?-nocase?, nen (the first n characters).
// Results: "1" or "0". "{}" and "\"\"" count as the empty string.
Code nuvelCommandStringCompare(Interp& interp, int argc, Value* argv, void*) {
  std::string_view name = command_name(argv[0]);
  bool nocase = false;
  int last_plain = 0;
  for (int i = 1; i < argc; ++i) {
    std::string_view w = argv[i].view();
    if (w == "{}" || w == "\"\"") continue;
    if (!w.empty() && w[0] == '-') {
      if (core::iequals(w, "-nocase")) nocase = true;
      continue;
    }
    last_plain = i;
  }
  auto operand = [&](int i) {
    std::string_view w = argv[i].view();
    return (w == "{}" || w == "\"\"") ? std::string_view() : w;
  };
  std::string_view a = operand(1);
  std::string_view b = operand(2);
  std::string_view base = name;
  size_t limit = std::string_view::npos;
  if (name == "eqn" || name == "nen") {
    if (last_plain < 3) return core::nuvelWrongArgs(interp, argc, argv);
    int32_t n = static_cast<int32_t>(read_decimal(argv[last_plain]));
    limit = n < 0 ? 0 : static_cast<size_t>(n);
    base = name == "eqn" ? "eq" : "ne";
  } else if (name.size() == 3 && name[2] == 'i') {
    nocase = true;
    base = name.substr(0, 2);
  }
  int c = fold_compare(a, b, limit, nocase);
  bool r = false;
  if (base == "eq")
    r = c == 0;
  else if (base == "ne")
    r = c != 0;
  else if (base == "lt")
    r = c < 0;
  else if (base == "gt")
    r = c > 0;
  else if (base == "le")
    r = c <= 0;
  else if (base == "ge")
    r = c >= 0;
  return core::result_bool(interp, r);
}

// --- Compound assignment ---------------------------------------------------------------------

Code compound_assign(Interp& interp, int argc, Value* argv) {
  std::string_view name = command_name(argv[0]);
  char op = name.empty() ? '+' : name[0];
  bool is_unsigned = argc > 3 && core::find_option(argc, argv, "-unsigned", 3) >= 0;
  std::string_view var_name = argv[1].view();
  VarRef var = find_variable(interp, var_name);
  bool exists = static_cast<bool>(var);
  Value left;
  if (var) {
    left = var.value();
  } else if (var_name.find('(') != std::string_view::npos) {
    if (auto v = vars::get_var_value(interp, var_name)) {
      left = std::move(*v);
      exists = true;
    } else {
      left = argv[1];
    }
  } else {
    left = argv[1];
  }
  if (left.empty()) left = Value("0");
  const Value& right = argv[2];
  Value result;
  // Canonical integers (numbers known) are no float literals.
  int64_t known;
  const bool integers = left.known_int(known) && right.known_int(known);
  if (!integers && (is_float_literal(left.view()) || is_float_literal(right.view()))) {
    double x = read_double(left);
    double y = read_double(right);
    double r = 0.0;
    switch (op) {
      case '+':
        r = x + y;
        break;
      case '-':
        r = x - y;
        break;
      case '*':
        r = x * y;
        break;
      case '/':
        if (y == 0.0) {
          return core::fail(interp, core::Msg::DivisionByZero);
        }
        r = x / y;
        break;
      default:
        return core::fail(interp, core::Msg::UnhandledFloatOperator);
    }
    result = float15_value(r);
  } else {
    int64_t x = read_decimal(left);
    int64_t y = read_decimal(right);
    int64_t r = 0;
    switch (op) {
      case '+':
        r = wrap_add(x, y);
        break;
      case '-':
        r = wrap_sub(x, y);
        break;
      case '*':
        r = wrap_mul(x, y);
        break;
      case '/':
        if (y == 0) {
          return core::fail(interp, core::Msg::DivisionByZero);
        }
        if (is_unsigned) {
          r = static_cast<int64_t>(static_cast<uint64_t>(x) / static_cast<uint64_t>(y));
        } else {
          r = y == -1 ? wrap_sub(0, x) : x / y;
        }
        break;
      case '&':
        r = x & y;
        break;
      case '|':
        r = x | y;
        break;
      case '^':
        r = x ^ y;
        break;
      default:
        break;
    }
    result = is_unsigned ? uint_value(static_cast<uint64_t>(r)) : int_value(r);
  }
  if (exists && !store_variable(interp, var_name, var, result)) return Code::Error;
  nuvelSetResult(interp, result);
  return Code::Ok;
}

// += name value ?-unsigned?, -= *= /= &= |= ^=
// Results: the new value ("%.15f" when either operand is a float literal).
// Side effects: stores the new value into the variable when it exists; a
// name that is no variable is itself the left operand.
Code nuvelCommandCombiMath(Interp& interp, int argc, Value* argv, void*) {
  try {
    return compound_assign(interp, argc, argv);
  } catch (const std::exception& e) {
    core::nuvelExceptionReport("nuvelCommandCombiMath", e.what());
    return Code::Error;
  }
}

// --- Not --------------------------------------------------------------------------------------

bool is_plain_number(std::string_view t) {
  size_t i = 0;
  if (i < t.size() && (t[i] == '-' || t[i] == '+')) ++i;
  if (i == t.size()) return false;
  for (; i < t.size(); ++i) {
    if (t[i] < '0' || t[i] > '9') return false;
  }
  return true;
}

bool is_hex_number(std::string_view t) {
  if (t.size() < 3 || t[0] != '0' || (t[1] != 'x' && t[1] != 'X')) return false;
  for (size_t i = 2; i < t.size(); ++i) {
    if (!std::isxdigit(static_cast<unsigned char>(t[i]))) return false;
  }
  return true;
}

// ! value ?-unsigned?, ~ value ?-unsigned?
// Results: ! gives 1 for zero and 0 otherwise; ~ the bitwise complement. An
// empty operand gives 1.
Code nuvelCommandNot(Interp& interp, int argc, Value* argv, void*) {
  bool is_unsigned = false;
  if (argc > 2) {
    if (core::find_option(argc, argv, "-unsigned", 2) < 0) {
      return core::nuvelWrongArgs(interp, argc, argv);
    }
    is_unsigned = true;
  }
  std::string_view t = argv[1].view();
  if (t.empty() || t == "{}") return core::result_bool(interp, true);
  if (t[0] != '&' && !is_plain_number(t) && !is_hex_number(t)) {
    return core::fail(interp, core::Msg::ExpectedNumber, argv[1]);
  }
  IntReading v = read_int(argv[1]);
  if (v.unknown_type) {
    return core::fail(interp, core::Msg::UnknownType, argv[1]);
  }
  int64_t r = command_name(argv[0]) == "!" ? (v.value == 0 ? 1 : 0) : ~v.value;
  nuvelSetResult(interp, is_unsigned ? uint_value(static_cast<uint64_t>(r)) : int_value(r));
  return Code::Ok;
}

constexpr CommandRow kOperatorCommands[] = {
    {"+", nuvelCommandMath, 3, kAnyWords, "a b ?-unsigned?"},
    {"-", nuvelCommandMath, 3, kAnyWords, "a b ?-unsigned?"},
    {"*", nuvelCommandMath, 3, kAnyWords, "a b ?-unsigned?"},
    {"/", nuvelCommandMath, 3, kAnyWords, "a b ?-unsigned?"},
    {"**", nuvelCommandMath, 3, kAnyWords, "a b ?-unsigned?"},
    {"%", nuvelCommandMath, 3, kAnyWords, "a b ?-unsigned?"},
    {"<<", nuvelCommandMath, 3, kAnyWords, "a b ?-unsigned?"},
    {">>", nuvelCommandMath, 3, kAnyWords, "a b ?-unsigned?"},
    {"&", nuvelCommandMath, 3, kAnyWords, "a b ?-unsigned?"},
    {"|", nuvelCommandMath, 3, kAnyWords, "a b ?-unsigned?"},
    {"^", nuvelCommandMath, 3, kAnyWords, "a b ?-unsigned?"},
    {"&&", nuvelCommandMath, 3, kAnyWords, "a b ?-unsigned?"},
    {"||", nuvelCommandMath, 3, kAnyWords, "a b ?-unsigned?"},
    {">", nuvelCommandRelational, 3, kAnyWords, "a b ?-unsigned?"},
    {">=", nuvelCommandRelational, 3, kAnyWords, "a b ?-unsigned?"},
    {"<", nuvelCommandRelational, 3, kAnyWords, "a b ?-unsigned?"},
    {"<=", nuvelCommandRelational, 3, kAnyWords, "a b ?-unsigned?"},
    {"==", nuvelCommandRelational, 3, kAnyWords, "a b ?-unsigned?"},
    {"!=", nuvelCommandRelational, 3, kAnyWords, "a b ?-unsigned?"},
    {"*=", nuvelCommandCombiMath, 3, kAnyWords, "name value ?-unsigned?"},
    {"+=", nuvelCommandCombiMath, 3, kAnyWords, "name value ?-unsigned?"},
    {"-=", nuvelCommandCombiMath, 3, kAnyWords, "name value ?-unsigned?"},
    {"/=", nuvelCommandCombiMath, 3, kAnyWords, "name value ?-unsigned?"},
    {"&=", nuvelCommandCombiMath, 3, kAnyWords, "name value ?-unsigned?"},
    {"|=", nuvelCommandCombiMath, 3, kAnyWords, "name value ?-unsigned?"},
    {"^=", nuvelCommandCombiMath, 3, kAnyWords, "name value ?-unsigned?"},
    {"eq", nuvelCommandStringCompare, 3, kAnyWords, "a b ?-nocase?"},
    {"ne", nuvelCommandStringCompare, 3, kAnyWords, "a b ?-nocase?"},
    {"lt", nuvelCommandStringCompare, 3, kAnyWords, "a b ?-nocase?"},
    {"gt", nuvelCommandStringCompare, 3, kAnyWords, "a b ?-nocase?"},
    {"le", nuvelCommandStringCompare, 3, kAnyWords, "a b ?-nocase?"},
    {"ge", nuvelCommandStringCompare, 3, kAnyWords, "a b ?-nocase?"},
    {"eqi", nuvelCommandStringCompare, 3, kAnyWords, "a b ?-nocase?"},
    {"nei", nuvelCommandStringCompare, 3, kAnyWords, "a b ?-nocase?"},
    {"lti", nuvelCommandStringCompare, 3, kAnyWords, "a b ?-nocase?"},
    {"gti", nuvelCommandStringCompare, 3, kAnyWords, "a b ?-nocase?"},
    {"lei", nuvelCommandStringCompare, 3, kAnyWords, "a b ?-nocase?"},
    {"gei", nuvelCommandStringCompare, 3, kAnyWords, "a b ?-nocase?"},
    {"eqn", nuvelCommandStringCompare, 3, kAnyWords, "a b n ?-nocase?"},
    {"nen", nuvelCommandStringCompare, 3, kAnyWords, "a b n ?-nocase?"},
    {"!", nuvelCommandNot, 2, kAnyWords, "value ?-unsigned?"},
    {"~", nuvelCommandNot, 2, kAnyWords, "value ?-unsigned?"},
};

}  // namespace

[[gnu::section(".text.startup.register")]] void register_operator_cmds(Interp& interp) {
  core::register_rows(interp, kOperatorCommands);
  interp.math_handler = nuvelCommandMath;
  interp.compare_handler = nuvelCommandRelational;
  interp.assign_handler = nuvelCommandCombiMath;
}

}  // namespace expr
