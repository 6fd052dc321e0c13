// Small numeric commands: extremes, rounding, floating-point formatting,
// parts of a number, simple statistics, divisibility and truth values.
// Floating values are read with the C library's text-to-double rule, integers
// with the 64-bit decimal rule.
#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/cmd_helpers.h"
#include "expr/number.h"
#include "expr/operator_support.h"

namespace expr {
namespace {

using core::Code;
using core::CommandRow;
using core::kAnyWords;

Code result_text(Interp& interp, std::string text) {
  nuvelSetResult(interp, Value(std::move(text)));
  return Code::Ok;
}

// max value ?value ...?, min value ?value ...?
// Results: the largest (smallest) value as a 64-bit integer.
Code nuvelCommandMax(Interp& interp, int argc, Value* argv, void*) {
  bool want_max = command_name(argv[0]) == "max";
  int64_t best = read_decimal(argv[1]);
  for (int i = 2; i < argc; ++i) {
    int64_t v = read_decimal(argv[i]);
    if (want_max ? v > best : v < best) best = v;
  }
  return core::result_int(interp, best);
}

// ceil value
// Results: the smallest integer not below the value.
Code nuvelCommandCeil(Interp& interp, int argc, Value* argv, void*) {
  return core::result_int(interp, double_to_int(std::ceil(read_double(argv[1]))));
}

// atof value / ftoa value
// Results: the value formatted "%f" (atof) or "%e" (ftoa).
Code nuvelCommandAtof(Interp& interp, int argc, Value* argv, void*) {
  const char* format = command_name(argv[0]) == "ftoa" ? "%e" : "%f";
  return result_text(interp, format_double(format, read_double(argv[1])));
}

// fmod x y
// Results: the floating remainder of x divided by y (the sign of x), "%f".
Code nuvelCommandFmod(Interp& interp, int argc, Value* argv, void*) {
  double x = read_double(argv[1]);
  double y = read_double(argv[2]);
  if (y == 0.0) {
    return core::fail(interp, core::Msg::DivisionByZero);
  }
  return result_text(interp, format_double("%f", std::fmod(x, y)));
}

// round value ?places?
// Results: the value rounded half away from zero, with exactly that many
// decimals.
Code nuvelCommandRound(Interp& interp, int argc, Value* argv, void*) {
  int64_t places = argc > 2 ? read_decimal(argv[2]) : 0;
  places = std::clamp<int64_t>(places, 0, 100000);
  return result_text(interp, format_rounded(read_double(argv[1]), static_cast<int>(places)));
}

// fib n
// Results: the n-th Fibonacci number (0 for negative n); 94 and above fail.
Code nuvelCommandFib(Interp& interp, int argc, Value* argv, void*) {
  int64_t n = read_decimal(argv[1]);
  if (n >= 94) {
    return core::fail(interp, core::Msg::FibOverflow, n);
  }
  return core::result_int(interp, fibonacci(n));
}

// fpart value ?digits?
// Results: the digits after the point of the value's fractional part,
// printed with digits (1..10, default 10) decimals.
Code nuvelCommandFpart(Interp& interp, int argc, Value* argv, void*) {
  int64_t digits = 10;
  if (argc > 2) digits = std::clamp<int64_t>(read_decimal(argv[2]), 1, 10);
  double x = read_double(argv[1]);
  char buf[64];
  std::snprintf(buf, sizeof buf, "%-.*f", static_cast<int>(digits), x - std::trunc(x));
  std::string_view t = buf;
  while (!t.empty() && t.front() == '-') t.remove_prefix(1);
  while (!t.empty() && t.front() == '0') t.remove_prefix(1);
  while (!t.empty() && t.front() == '.') t.remove_prefix(1);
  return result_text(interp, std::string(t));
}

// fraction value / integral value
// Results: the fractional part ("%.15f") or the integer part ("%.0f"), both
// with the value's sign.
Code nuvelCommandFraction(Interp& interp, int argc, Value* argv, void*) {
  double x = read_double(argv[1]);
  double whole = std::trunc(x);
  if (command_name(argv[0]) == "integral") {
    return result_text(interp, format_double("%.0f", whole + 0.0));
  }
  return result_text(interp, fixed15(x - whole, 0));
}

// mean value ?value ...?
// Results: the arithmetic mean, "%15.15f".
Code nuvelCommandMean(Interp& interp, int argc, Value* argv, void*) {
  double sum = 0.0;
  for (int i = 1; i < argc; ++i) sum += read_double(argv[i]);
  return result_text(interp, fixed15(sum / (argc - 1), 15));
}

// median value ?value ...?
// Results: the value at position ceil(n/2) of the sorted values (the lower
// middle one for an even count), "%15.15f"; a single value unchanged.
Code nuvelCommandMedian(Interp& interp, int argc, Value* argv, void*) {
  if (argc == 2) {
    nuvelSetResult(interp, argv[1]);
    return Code::Ok;
  }
  std::vector<double> values;
  values.reserve(static_cast<size_t>(argc - 1));
  for (int i = 1; i < argc; ++i) values.push_back(read_double(argv[i]));
  size_t n = values.size();
  size_t k = (n + 1) / 2 - 1;
  std::nth_element(values.begin(), values.begin() + static_cast<ptrdiff_t>(k), values.end());
  return result_text(interp, fixed15(values[k], 15));
}

// mode word ?word ...?
// Results: the first word, in argument order, among those occurring most
// often, when that is more than once.
Code nuvelCommandMode(Interp& interp, int argc, Value* argv, void*) {
  std::unordered_map<std::string_view, int> counts;
  counts.reserve(static_cast<size_t>(argc));
  int top = 0;
  for (int i = 1; i < argc; ++i) top = std::max(top, ++counts[argv[i].view()]);
  if (top < 2) {
    return core::fail(interp, core::Msg::SeriesHasNoMode);
  }
  for (int i = 1; i < argc; ++i) {
    if (counts[argv[i].view()] == top) {
      nuvelSetResult(interp, argv[i]);
      break;
    }
  }
  return Code::Ok;
}

// is_mod a b ?script?
// Results: "1" when b is not 0 and divides a, else "0"; with a script, the
// script's result code when b divides a.
Code nuvelCommandIsMod(Interp& interp, int argc, Value* argv, void*) {
  int64_t a = read_decimal(argv[1]);
  int64_t b = read_decimal(argv[2]);
  bool divides = b != 0 && (b == -1 || a % b == 0);
  if (argc < 4) return core::result_bool(interp, divides);
  if (b == 0) return Code::Ok;
  if (!divides) return core::result_bool(interp, false);
  Value script = argv[3];
  Code rc = core::rindoEval(interp, script);
  return core::result_int(interp, core::code_int(rc));
}

// sbool value
// Results: "-1" when the value reads as a non-zero integer, else "0".
Code nuvelCommandSbool(Interp& interp, int argc, Value* argv, void*) {
  return result_text(interp, read_decimal(argv[1]) != 0 ? "-1" : "0");
}

// true ?value?, false ?value?, bool ?value?
// Results: "1" for the word true, "0" for false (any case); the word is the
// argument, or the command name without one. Other words: "true" when the
// argument reads as a non-zero integer, else "false".
Code nuvelCommandBool(Interp& interp, int argc, Value* argv, void*) {
  std::string_view word = argc > 1 ? argv[1].view() : command_name(argv[0]);
  if (core::iequals(word, "true")) return result_text(interp, "1");
  if (core::iequals(word, "false")) return result_text(interp, "0");
  if (argc < 2) return result_text(interp, "false");
  return result_text(interp, read_decimal(argv[1]) != 0 ? "true" : "false");
}

constexpr CommandRow kNumericCommands[] = {
    {"max", nuvelCommandMax, 2, kAnyWords, "value ?value ...?"},
    {"min", nuvelCommandMax, 2, kAnyWords, "value ?value ...?"},
    {"ceil", nuvelCommandCeil, 2, kAnyWords, "value"},
    {"atof", nuvelCommandAtof, 2, kAnyWords, "value"},
    {"ftoa", nuvelCommandAtof, 2, kAnyWords, "value"},
    {"fmod", nuvelCommandFmod, 3, kAnyWords, "x y"},
    {"round", nuvelCommandRound, 2, kAnyWords, "value ?places?"},
    {"fib", nuvelCommandFib, 2, kAnyWords, "n"},
    {"fpart", nuvelCommandFpart, 2, kAnyWords, "value ?digits?"},
    {"fraction", nuvelCommandFraction, 2, kAnyWords, "value"},
    {"integral", nuvelCommandFraction, 2, kAnyWords, "value"},
    {"mean", nuvelCommandMean, 2, kAnyWords, "value ?value ...?"},
    {"median", nuvelCommandMedian, 2, kAnyWords, "value ?value ...?"},
    {"mode", nuvelCommandMode, 2, kAnyWords, "word ?word ...?"},
    {"is_mod", nuvelCommandIsMod, 3, kAnyWords, "a b ?script?"},
    {"sbool", nuvelCommandSbool, 2, kAnyWords, "value"},
    {"bool", nuvelCommandBool, 1, kAnyWords, "?value?"},
    {"true", nuvelCommandBool, 1, kAnyWords, "?value?"},
    {"false", nuvelCommandBool, 1, kAnyWords, "?value?"},
};

}  // namespace

[[gnu::section(".text.startup.register")]] void register_numeric_cmds(Interp& interp) {
  core::register_rows(interp, kNumericCommands);
}

}  // namespace expr
