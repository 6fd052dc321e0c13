// The math functions of the expression engine (sqrt(x), max(a,b), ...), the
// only computation done inside the engine itself, and the commands funct and
// arity that reach them from scripts.
#include <cinttypes>
#include <cmath>
#include <cstring>

#include "core/cmd_helpers.h"
#include "expr/expr_engine.h"
#include "expr/expr_internal.h"
#include "expr/number.h"
#include "expr/random.h"
#include "platform/console.h"

namespace expr {
namespace {

struct FunctionInfo {
  const char* name;
  int arity;
};

// Table order: down each column of the function list, then the next column.
// The 41st entry, "error", is seen by the arity and funct look-ups only.
constexpr FunctionInfo kFunctions[] = {
    {"abs", 1},   {"acos", 1}, {"asin", 1}, {"atan", 1},     {"bool", 1},    {"ceil", 1},
    {"decr", 1},  {"div", 2},  {"cos", 1},  {"cosh", 1},     {"degrees", 1}, {"double", 1},
    {"exp", 1},   {"fib", 1},  {"fix", 1},  {"floor", 1},    {"fmod", 2},    {"fraction", 1},
    {"hypot", 2}, {"incr", 1}, {"int", 1},  {"integral", 1}, {"log", 1},     {"log10", 1},
    {"max", 2},   {"min", 2},  {"mul", 2},  {"pow", 2},      {"rand", 0},    {"rnd", 2},
    {"round", 2}, {"sgn", 1},  {"sin", 1},  {"sinh", 1},     {"sqr", 1},     {"sqrt", 1},
    {"srand", 0}, {"tan", 1},  {"tanh", 1}, {"wide", 1},     {"error", 1},
};
constexpr size_t kExprFunctionCount = 40;
static_assert(sizeof kFunctions / sizeof kFunctions[0] == kExprFunctionCount + 1);

Value float_result(double d) {
  return Value(fixed15(d, 15));
}

}  // namespace

bool is_expr_function(std::string_view name) {
  for (size_t i = 0; i < kExprFunctionCount; ++i) {
    if (core::iequals(name, kFunctions[i].name)) return true;
  }
  return false;
}

std::vector<std::string_view> expr_function_names() {
  std::vector<std::string_view> names;
  for (size_t i = 0; i < kExprFunctionCount; ++i) names.emplace_back(kFunctions[i].name);
  return names;
}

int function_arity(std::string_view name) {
  for (const FunctionInfo& f : kFunctions) {
    if (name == f.name) return f.arity;
  }
  return -1;
}

namespace {

bool domain_error(Interp& interp, std::string_view name, const Value& arg) {
  std::string n(name);
  (void)core::fail(interp, core::Msg::FunctionDomainError, n, arg);
  return false;
}

bool one_argument(Interp& interp, const std::string& f, std::string_view name, const Value& arg,
                  Value& out) {
  double x = read_double_text(arg.view());
  auto flt = [&out](double d) {
    out = float_result(d);
    return true;
  };
  auto integer = [&out](int64_t v) {
    out = int_value(v);
    return true;
  };
  if (f == "abs") return flt(std::fabs(x));
  if (f == "bool") {
    if (classify_text(arg.view()) != NumClass::NotNumeric) {
      return integer(static_cast<int32_t>(core::leading_int(arg.view())) != 0 ? 1 : 0);
    }
    return integer(core::iequals(arg.view(), "true") ? 1 : 0);
  }
  if (f == "srand") {
    random_seed(interp, static_cast<uint32_t>(core::leading_int(arg.view())));
    return integer(0);
  }
  if (f == "incr") return integer(wrap_add(core::leading_int(arg.view()), 1));
  if (f == "decr") return integer(wrap_sub(core::leading_int(arg.view()), 1));
  if (f == "int" || f == "wide") {
    if (x >= 0) return integer(core::leading_int(arg.view()));
    return integer(double_to_int(std::floor(x)));
  }
  if (f == "acos" || f == "asin") {
    if (x < -1.0 || x > 1.0) return domain_error(interp, name, arg);
    return flt(f == "acos" ? std::acos(x) : std::asin(x));
  }
  if (f == "atan") return flt(std::atan(x));
  if (f == "sin") return flt(std::sin(x));
  if (f == "cos") return flt(std::cos(x));
  if (f == "tan") return flt(std::tan(x));
  if (f == "sinh") return flt(std::sinh(x));
  if (f == "cosh") return flt(std::cosh(x));
  if (f == "tanh") return flt(std::tanh(x));
  if (f == "exp") return flt(std::exp(x));
  if (f == "ceil") return flt(std::ceil(x));
  if (f == "floor") return flt(std::floor(x));
  if (f == "double") return flt(x);
  if (f == "fix") return integer(double_to_int(std::trunc(x)));
  if (f == "fib") return integer(fibonacci(core::leading_int(arg.view())));
  if (f == "fraction") return flt(x - std::trunc(x));
  if (f == "integral") return integer(static_cast<int32_t>(core::leading_int(arg.view())));
  if (f == "round") {
    out = Value(format_rounded(x, 0));
    return true;
  }
  if (f == "log" || f == "log10") {
    if (x < 0) return domain_error(interp, name, arg);
    return flt(f == "log" ? std::log(x) : std::log10(x));
  }
  if (f == "sqr") return flt(x * x);
  if (f == "sqrt") {
    if (x < 0) return domain_error(interp, name, arg);
    return flt(std::sqrt(x));
  }
  if (f == "sgn") return integer(x > 0 ? 1 : (x < 0 ? -1 : 0));
  if (f == "degrees") return flt(x * 57.29577951471995);
  std::string n(name);
  (void)core::fail(interp, core::Msg::FunctionArgCount, 1L, n);
  return false;
}

bool two_arguments(Interp& interp, const std::string& f, std::string_view name, const Value& a,
                   const Value& b, Value& out) {
  double x = read_double_text(a.view());
  double y = read_double_text(b.view());
  auto flt = [&out](double d) {
    out = float_result(d);
    return true;
  };
  if (f == "div") return flt(y == 0.0 ? 0.0 : x / y);
  if (f == "mul") return flt(x * y);
  if (f == "fmod") return flt(std::fmod(x, y));
  if (f == "hypot") return flt(std::hypot(x, y));
  if (f == "max") return flt(x <= y ? y : x);
  if (f == "min") return flt(y <= x ? y : x);
  if (f == "pow") {
    if (y > 1000) {
      (void)core::fail(interp, core::Msg::PowOverflow, a, b);
      return false;
    }
    return flt(std::pow(x, y));
  }
  if (f == "round") {
    int32_t places = static_cast<int32_t>(core::leading_int(b.view()));
    out = Value(format_rounded(x, places));
    return true;
  }
  if (f == "rnd") {
    int32_t lo = static_cast<int32_t>(core::leading_int(a.view()));
    int32_t hi = static_cast<int32_t>(core::leading_int(b.view()));
    out = int_value(random_range(interp, static_cast<uint32_t>(lo < 0 ? 0 : lo),
                                 static_cast<uint32_t>(hi < 0 ? 0 : hi)));
    return true;
  }
  std::string n(name);
  (void)core::fail(interp, core::Msg::FunctionWrongArgCount, 2L, n);
  return false;
}

// Splits at the first comma outside parentheses.
size_t first_comma(std::string_view t) {
  int depth = 0;
  for (size_t i = 0; i < t.size(); ++i) {
    if (t[i] == '(') {
      ++depth;
    } else if (t[i] == ')') {
      --depth;
    } else if (t[i] == ',' && depth == 0) {
      return i;
    }
  }
  return std::string_view::npos;
}

void span_note(const Interp& interp, std::string_view name, std::string_view rest,
               const char* what) {
  if (!diagnostics_on(interp)) return;
  std::string n(name);
  std::string r(rest);
  platform::outf("Expression in function '%s' '%s' has %s\n", n.c_str(), r.c_str(), what);
}

}  // namespace

std::string lower_name(std::string_view name) {
  std::string s(name);
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return s;
}

bool split_function_call(std::string_view args, FunctionCall& call) {
  size_t p = 0;
  while (p < args.size() && (args[p] == ' ' || args[p] == '\t')) ++p;
  if (p >= args.size() || args[p] != '(') return false;
  size_t close = matching_close(args, p);
  if (close == std::string_view::npos) return false;
  call.consumed = close + 1;
  std::string_view inner = args.substr(p + 1, close - p - 1);
  if (inner.find_first_not_of(" \t") == std::string_view::npos) {
    call.count = 0;
    return true;
  }
  size_t comma = first_comma(inner);
  call.texts[0] = inner.substr(0, comma);
  call.texts[1] = comma == std::string_view::npos ? std::string_view() : inner.substr(comma + 1);
  call.count = comma == std::string_view::npos ? 1 : 2;
  for (int k = 0; k < call.count; ++k) {
    call.blank[k] = call.texts[k].find_first_not_of(" \t") == std::string_view::npos;
  }
  return true;
}

bool finish_function_call(Interp& interp, const std::string& f, std::string_view name,
                          const FunctionCall& call, const bool have[2], const Value values[2],
                          Value& out) {
  if (call.count == 0) {
    if (f != "rand") return false;  // other functions give no value without arguments
    double r = static_cast<double>(random_range(interp, 0, 2147483647)) * 4.656612875245797e-10;
    out = Value(fixed15(r, 0));
    return true;
  }
  if (call.count == 1) {
    if (!have[0]) return false;
    return one_argument(interp, f, name, values[0], out);
  }
  if (!have[0] || !have[1]) {
    std::string n(name);
    std::string a(call.texts[0]);
    std::string b(call.texts[1]);
    (void)core::fail(interp, core::Msg::FunctionImproperArgument, n, a, b);
    return false;
  }
  return two_arguments(interp, f, name, values[0], values[1], out);
}

bool apply_function(Interp& interp, std::string_view name, std::string_view args, Value& out,
                    size_t& consumed) {
  size_t p = 0;
  while (p < args.size() && (args[p] == ' ' || args[p] == '\t')) ++p;
  if (p >= args.size() || args[p] != '(') {
    std::string n(name);
    (void)core::fail(interp, core::Msg::FunctionSyntaxError, n);
    return false;
  }
  FunctionCall call;
  if (!split_function_call(args, call)) {
    span_note(interp, name, args.substr(p), "too many (");
    return false;
  }
  consumed = call.consumed;
  std::string f = lower_name(name);
  Value values[2];
  bool have[2] = {false, false};
  for (int k = 0; k < call.count; ++k) {
    if (call.blank[k]) continue;
    int err = 0;
    have[k] = evaluate_inner(interp, call.texts[k], values[k], err);
  }
  return finish_function_call(interp, f, name, call, have, values, out);
}

namespace {

// funct name ?arg ...?
// Results: the value of the named math function applied to the arguments.
Code nuvelCommandFunct(Interp& interp, int argc, Value* argv, void*) {
  std::string_view name = argv[1].view();
  if (function_arity(name) < 0) {
    return core::fail(interp, core::Msg::NotAFunct, argv[1]);
  }
  std::string text = "(";
  for (int i = 2; i < argc; ++i) {
    if (i > 2) text.push_back(',');
    text += argv[i].view();
  }
  text.push_back(')');
  Value out;
  size_t consumed = 0;
  if (!apply_function(interp, name, text, out, consumed)) {
    core::nuvelResetResult(interp);
    return Code::Error;
  }
  nuvelSetResult(interp, std::move(out));
  return Code::Ok;
}

// arity name
// Results: the number of arguments of a math function, -1 for other names.
Code nuvelCommandArity(Interp& interp, int argc, Value* argv, void*) {
  // "error" is visible to this look-up though it is no in-expression function.
  std::string_view name = argv[1].view();
  int arity = (is_expr_function(name) || name == "error") ? function_arity(name) : -1;
  return core::result_int(interp, arity);
}

constexpr core::CommandRow kFunctionCommands[] = {
    {"funct", nuvelCommandFunct, 2, core::kAnyWords, "name ?arg ...?"},
    {"arity", nuvelCommandArity, 2, core::kAnyWords, "name"},
};

}  // namespace

void register_random_cmds(Interp& interp);

[[gnu::section(".text.startup.register")]] void register_function_cmds(Interp& interp) {
  core::register_rows(interp, kFunctionCommands);
  register_random_cmds(interp);
}

}  // namespace expr
