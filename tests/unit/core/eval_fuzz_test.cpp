// Random scripts built from the evaluator's special characters and a few
// harmless commands must never crash, hang or leak (this runs under the
// sanitizers in CI).
#include <gtest/gtest.h>

#include <random>

#include "core/switches.h"
#include "support/script_harness.h"

namespace {

const char* const kPieces[] = {
    "set", "puts", "catch", "list", "llength", "incr", "eval", "subst", "x",    "y",
    "1",   "-2",   "0x1f",  "a(b)", "$x",      "$a(",  "${x}", "$$x",   "[",    "]",
    "{",   "}",    "\"",    "\\",   "\\\"",    ";",    "\n",   " ",     " ",    "\t",
    "#",   "(",    ")",     "{*}",  "$",       "::",   "::x",  "{}",    "\"\"", "[set x",
};

std::string random_script(std::mt19937& rng, size_t pieces) {
  std::uniform_int_distribution<size_t> pick(0, std::size(kPieces) - 1);
  std::string s;
  for (size_t i = 0; i < pieces; ++i) s += kPieces[pick(rng)];
  return s;
}

TEST(EvalFuzz, RandomScriptsNeverCrash) {
  core::Switches saved = core::switches();
  core::switches().autoexec = 0;  // nothing may reach the shell
  core::switches().verbose = 0;
  std::mt19937 rng(20261208);
  auto interp = testing_support::fresh_interp();
  for (int round = 0; round < 4000; ++round) {
    std::string script = random_script(rng, 1 + round % 40);
    testing_support::run_script(*interp, script);
    // Whatever the script did, the interpreter is back at the top and usable.
    ASSERT_EQ(interp->callframe, interp->global_frame.get()) << script;
    ASSERT_EQ(interp->eval_depth, 0) << script;
    ASSERT_EQ(interp->nesting_depth_handlers, 0) << script;
    if (round % 100 == 0) {
      auto check = testing_support::run_script(*interp, "set __probe ok");
      ASSERT_EQ(check.result, "ok") << script;
    }
    if (round % 500 == 499) interp = testing_support::fresh_interp();
  }
  core::switches() = saved;
}

}  // namespace
