// The expression engine's text transformations and its limits: the
// precedence rewriter, the prefix translation, the numeric literal normaliser,
// and huge or deeply nested input.
#include "expr/expr_engine.h"

#include <gtest/gtest.h>

#include <limits>
#include <random>
#include <string>

#include "core/var_store.h"
#include "expr/number.h"
#include "platform/console.h"
#include "support/script_harness.h"

namespace {

using testing_support::run_script;
using testing_support::run_script_deep;

std::string rewritten(std::string text) {
  EXPECT_TRUE(expr::rewrite_precedence(text));
  return text;
}

TEST(PrecedenceRewriter, ProductsBindTighterThanSums) {
  EXPECT_EQ(rewritten("2+3*4"), "2+(3*4)");
  EXPECT_EQ(rewritten("2*3+4*5"), "2*3+(4*5)");
  EXPECT_EQ(rewritten("(1+2)*3"), "(1+2)*3");
  EXPECT_EQ(rewritten("1+2<3*4"), "1+(2<3*4)");
  EXPECT_EQ(rewritten("1 + 2 * 3"), "1 +( 2 * 3)");
  EXPECT_EQ(rewritten("2**3"), "2**3");
}

TEST(PrecedenceRewriter, LogicalOperatorsSplitTheText) {
  EXPECT_EQ(rewritten("a && b"), "(a )&&( b)");
  EXPECT_EQ(rewritten("a && b || c"), "((a )&&( b ))||( c)");
}

TEST(PrecedenceRewriter, LeadingMinusBecomesZeroMinus) {
  EXPECT_EQ(rewritten("-5+3"), "0-5+3");
  EXPECT_EQ(rewritten("-(2)"), "0-(2)");
}

TEST(PrecedenceRewriter, FunctionCallsStayWhole) {
  EXPECT_EQ(rewritten("sqrt(4)+1"), "sqrt(4)+1");
  EXPECT_EQ(rewritten("1+max(2,3)*2"), "1+(max(2,3)*2)");
}

TEST(PrecedenceRewriter, UnbalancedTextIsLeftForTheBalanceCheck) {
  EXPECT_EQ(rewritten("(1+2"), "(1+2");
}

TEST(PrecedenceRewriter, RefusesTextBeyondItsLimits) {
  std::string deep = std::string(5000, '(') + "1" + std::string(5000, ')');
  EXPECT_FALSE(expr::rewrite_precedence(deep));
  std::string longsum;
  for (int i = 0; i < 100000; ++i) longsum += "1+";
  longsum += "1";
  std::string copy = longsum;
  EXPECT_FALSE(expr::rewrite_precedence(copy));
  EXPECT_EQ(copy, longsum);
}

TEST(NumericLiteralNormaliser, RewritesLiteralsThatStartAWord) {
  std::string s = "set a 0x10; set b &h1F; set c 0b101; set d &B11; set e 0o17";
  expr::normalise_numeric_literals(s);
  EXPECT_EQ(s, "set a 16; set b 31; set c 5; set d 3; set e 15");
  s = "puts [+ 0xFFFFFFFFFFFFFFFF 0]";
  expr::normalise_numeric_literals(s);
  EXPECT_EQ(s, "puts [+ 18446744073709551615 0]");
}

TEST(NumericLiteralNormaliser, LeavesIdentifiersQuotesAndOddLiteralsAlone) {
  std::string s = "set a0b1 1; set v0x10 2; set $0x1 3; puts \"0x10\"; set x 0xZZ; set y &x10";
  std::string before = s;
  expr::normalise_numeric_literals(s);
  EXPECT_EQ(s, before);
  s = "set h 0x11111111111111111";  // does not fit 64 bits
  before = s;
  expr::normalise_numeric_literals(s);
  EXPECT_EQ(s, before);
  s = "puts \"a \\\" 0x10\" 0x10";
  expr::normalise_numeric_literals(s);
  EXPECT_EQ(s, "puts \"a \\\" 0x10\" 16");
}

TEST(DecomposeExpression, TranslatesToNestedPrefixCommands) {
  auto interp = testing_support::fresh_interp();
  expr::engine_settings(*interp).fold = false;
  std::string out;
  EXPECT_EQ(expr::decompose_expression(*interp, "1+(2*3)", out), 0);
  EXPECT_EQ(out, "[+ 1 [* 2 3]]");
  EXPECT_EQ(expr::decompose_expression(*interp, "sqrt(4)+x", out), 0);
  EXPECT_EQ(out, "[+ [funct sqrt 4] x]");
  EXPECT_EQ(expr::decompose_expression(*interp, "a eq b", out), 0);
  EXPECT_EQ(out, "[eq a b]");
  EXPECT_EQ(expr::decompose_expression(*interp, "!a", out), 0);
  EXPECT_EQ(out, "[! a]");
  EXPECT_EQ(expr::decompose_expression(*interp, "1, 2+3", out), 0);
  EXPECT_EQ(out, "1 [+ 2 3]");
  EXPECT_EQ(expr::decompose_expression(*interp, "a > 1 ? x : y", out), 0);
  EXPECT_EQ(out, "[? [> a 1] x y]");
  EXPECT_EQ(expr::decompose_expression(*interp, "1 +", out), 1);
  expr::engine_settings(*interp).fold = true;
  EXPECT_EQ(expr::decompose_expression(*interp, "1+(2*3)", out), 0);
  EXPECT_EQ(out, "7");
}

TEST(ExprLimits, HugeAndDeepInputGiveErrorsNotCrashes) {
  std::string longsum = "expr ";
  for (int i = 0; i < 100000; ++i) longsum += "1+";
  longsum += "1";
  auto run = run_script_deep(longsum);
  EXPECT_EQ(run.code, core::Code::Error);
  EXPECT_EQ(run.result, "Error found in expr. Check expression arguments");

  std::string deep = "expr " + std::string(5000, '(') + "1" + std::string(5000, ')');
  run = run_script_deep(deep);
  EXPECT_EQ(run.code, core::Code::Error);

  // Without the rewriter a long sum is evaluated left to right; the setting
  // belongs to one interpreter.
  auto interp = testing_support::fresh_interp();
  expr::engine_settings(*interp).rewrite = false;
  EXPECT_TRUE(expr::engine_settings(*testing_support::fresh_interp()).rewrite);
  run = run_script_deep(*interp, longsum);
  EXPECT_EQ(run.code, core::Code::Ok);
  EXPECT_EQ(run.result, "100001");

  std::string big(1000000, '7');
  run = run_script("+ " + big + " 1");
  EXPECT_EQ(run.code, core::Code::Ok);
  run = run_script("expr " + big + ".5+1");
  EXPECT_EQ(run.code, core::Code::Ok);
}

TEST(NumberReaders, CachedReadingsMatchFreshOnes) {
  core::Value v("0x1F");
  EXPECT_EQ(expr::read_arith(v).i, 31);
  EXPECT_EQ(expr::read_arith(v).i, 31);  // from the cache
  EXPECT_EQ(expr::read_rel(v).cls, expr::NumClass::Integer);
  EXPECT_EQ(expr::read_rel(v).i, 31);
  EXPECT_EQ(expr::read_decimal(v), 0);
  EXPECT_EQ(expr::read_int(v).value, 31);
  core::Value f("2.5");
  EXPECT_TRUE(expr::read_arith(f).is_float);
  EXPECT_EQ(expr::read_rel(f).cls, expr::NumClass::Float);
  EXPECT_EQ(expr::read_decimal(f), 2);
  EXPECT_EQ(expr::read_double(f), 2.5);
  core::Value amp("&q");
  EXPECT_TRUE(expr::read_arith(amp).unknown_type);
  EXPECT_TRUE(expr::read_int(amp).unknown_type);
}

TEST(NumberConversions, SaturateInsteadOfOverflowing) {
  EXPECT_EQ(expr::double_to_int(1e300), INT64_MAX);
  EXPECT_EQ(expr::double_to_int(-1e300), INT64_MIN);
  EXPECT_EQ(expr::double_to_int(std::numeric_limits<double>::quiet_NaN()), 0);
  EXPECT_EQ(expr::double_to_int(-3.9), -3);
  EXPECT_EQ(expr::int_pow(2, 64), 0);
  EXPECT_EQ(expr::int_pow(-2, 63), INT64_MIN);
  EXPECT_EQ(expr::fibonacci(93), static_cast<int64_t>(12200160415121876738ULL));
  EXPECT_EQ(expr::fibonacci(1000000000000000000LL), expr::fibonacci(1000000000000000000LL));
}

}  // namespace

namespace {

// One expression text evaluated under both settings of the rewriter: the
// form kept with the text belongs to the setting it was first read under,
// the other setting reads it afresh each time.
TEST(ExprKeptForms, OneTextUnderBothRewriteSettings) {
  auto interp = testing_support::fresh_interp();
  core::Value text("2+3*4");
  auto run = [&]() {
    core::Value words[2] = {core::Value("expr"), text};
    EXPECT_EQ(core::nuvelCallCommand(*interp, 2, words), core::Code::Ok);
    return std::string(interp->result.view());
  };
  EXPECT_EQ(run(), "14");
  expr::engine_settings(*interp).rewrite = false;
  EXPECT_EQ(run(), "20");
  EXPECT_EQ(run(), "20");
  expr::engine_settings(*interp).rewrite = true;
  EXPECT_EQ(run(), "14");
}

}  // namespace

namespace {

// Random expressions, each evaluated by walking its text (every operator run
// as its command) and by the steps kept with it (built-in operators and
// common functions computed on unboxed numbers): the code, the value, the
// error message and the number of commands counted must be the same.
class RandomExpression {
 public:
  explicit RandomExpression(uint32_t seed) : rng_(seed) {}

  std::string make(int depth = 0) {
    std::string s = atom(depth);
    int terms = pick(depth < 2 ? 4 : 2);
    for (int k = 0; k < terms; ++k) {
      s += any(kOps);
      s += pick(4) == 0 && depth < 3 ? "(" + make(depth + 1) + ")" : atom(depth);
    }
    return s;
  }

 private:
  static constexpr const char* kOps[] = {"+",  "-",  "*",  "/",   "%",   "**", "<", "<=", ">",
                                         ">=", "==", "!=", " + ", " * ", "&",  "|", "<<"};
  static constexpr const char* kNumbers[] = {"0",
                                             "1",
                                             "7",
                                             "-3",
                                             "13",
                                             "2147483648",
                                             "9223372036854775807",
                                             "007",
                                             "0x10",
                                             "1e3",
                                             "0.5",
                                             "1.25",
                                             "-2.5",
                                             "0.1",
                                             "3.",
                                             ".5",
                                             "-0.0",
                                             "8.000000000000001",
                                             "0.0000000000000004",
                                             "3000000000.5"};
  static constexpr const char* kFunctions[] = {"abs",   "double", "int",  "wide", "round",
                                               "floor", "ceil",   "sqrt", "sqr",  "sin",
                                               "cos",   "exp",    "fix",  "sgn",  "fib"};
  template <size_t N>
  const char* any(const char* const (&pool)[N]) {
    return pool[rng_() % N];
  }
  int pick(int n) { return static_cast<int>(rng_() % static_cast<uint32_t>(n)); }
  std::string atom(int depth) {
    switch (pick(depth < 3 ? 5 : 3)) {
      case 0:
      case 1:
        return any(kNumbers);
      case 2:
        return std::string("$") + "abc"[pick(3)];
      case 3:
        return std::string(any(kFunctions)) + "(" + make(depth + 1) + ")";
      default:
        return "(" + make(depth + 1) + ")";
    }
  }

  std::mt19937 rng_;
};

struct Outcome {
  core::Code code;
  std::string value;
  std::string message;
  std::string output;
  int64_t commands;
  bool operator==(const Outcome&) const = default;
};

TEST(ExprKeptForms, UnboxedStepsAgreeWithTheWalk) {
  auto interp = testing_support::fresh_interp();
  const char* values[] = {"2.5", "007", "-7", "0.1", "abc", "1234567.75", "0"};
  std::mt19937 pick(5);
  RandomExpression gen(11);
  auto outcome = [&](bool kept, const std::string& text) {
    (void)core::rindoEval(*interp, core::Value("set ::errorMsg {}"));
    const int64_t before = interp->cmdcount;
    core::Value out;
    std::string output;
    std::string* previous = platform::capture();
    platform::set_capture(&output);
    core::Code code = kept ? expr::expr_evaluate_value(*interp, core::Value(text), out)
                           : expr::expr_evaluate(*interp, text, out);
    platform::set_capture(previous);
    const int64_t commands = interp->cmdcount - before;
    vars::VarRef msg = vars::lookup(*interp, "::errorMsg");
    return Outcome{code, std::string(out.view()), msg ? std::string(msg.value().view()) : "",
                   output, commands};
  };
  for (int i = 0; i < 1500; ++i) {
    for (const char* name : {"a", "b", "c"}) {
      std::string set = std::string("set ") + name + " {" + values[pick() % 7] + "}";
      ASSERT_EQ(core::rindoEval(*interp, core::Value(set)), core::Code::Ok);
    }
    const std::string text = gen.make();
    Outcome walked = outcome(false, text);
    Outcome kept = outcome(true, text);
    EXPECT_EQ(walked, kept) << text << "\n walk: " << walked.value << " | " << walked.message
                            << "\n kept: " << kept.value << " | " << kept.message;
  }
}

}  // namespace
