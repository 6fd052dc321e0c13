// Ctrl+C (the break flag) ends every loop, also one whose body and condition
// hold no command and so never reach the evaluator's own look at the flag.
#include <gtest/gtest.h>

#include <vector>

#include "core/switches.h"
#include "platform/console.h"
#include "platform/system.h"
#include "support/script_harness.h"

namespace {

// Calls a command with the given words after setting the break flag.
core::Code call_interrupted(core::Interp& interp, std::vector<core::Value> words) {
  std::string output;
  std::string* previous = platform::capture();
  platform::set_capture(&output);
  platform::set_break_flag();
  core::Code rc = core::nuvelCallCommand(interp, static_cast<int>(words.size()), words.data());
  platform::set_capture(previous);
  (void)platform::take_break_flag();
  return rc;
}

TEST(ControlInterrupt, EmptyLoopsEndOnBreak) {
  auto interp = testing_support::fresh_interp();
  const std::vector<std::vector<core::Value>> loops = {
      {"loop", "9223372036854775807", ""},
      {"loop", "i", "0", "9223372036854775807", ""},
      {"floop", "x", "0", "1e300", "1e-300", ""},
      {"while", "1", ""},
      {"for", "", "", "", ""},
      {"do", "", "while", "1"},
  };
  for (const auto& words : loops) {
    EXPECT_EQ(call_interrupted(*interp, words), core::Code::Stop) << words[0].view();
    EXPECT_EQ(testing_support::var_value(*interp, "::errorMsg"), "Interrupted") << words[0].view();
  }
}

TEST(ControlInterrupt, ExpressionConditionsEndOnBreak) {
  core::Switches saved = core::switches();
  core::switches().flow_uses_eval = 0;  // conditions are expressions, not scripts
  auto interp = testing_support::fresh_interp();
  EXPECT_EQ(call_interrupted(*interp, {"while", "1", ""}), core::Code::Stop);
  core::switches() = saved;
}

// A command that presses Ctrl+C: the break flag is taken by the next
// command the evaluator reaches.
core::Code press_ctrl_c(core::Interp&, int, core::Value*, void*) {
  platform::set_break_flag();
  return core::Code::Ok;
}

// The expression engine ignores the codes of bracketed commands that hold
// further brackets, and calc ignores its translation's code; a Ctrl+C taken
// inside them must still stop, or a loop around them never ends.
TEST(ControlInterrupt, BreakInsideIgnoredBracketsStops) {
  auto interp = testing_support::fresh_interp();
  ASSERT_EQ(core::nuvelRegisterCommand(*interp, "press_ctrl_c", press_ctrl_c, nullptr, false), 0);
  std::string output;
  std::string* previous = platform::capture();
  platform::set_capture(&output);
  const std::vector<std::vector<core::Value>> cases = {
      {"expr", "[press_ctrl_c; list [list 1]] + 1"},
      {"calc", "[press_ctrl_c; list [list 1]] + 1"},
  };
  for (const auto& words : cases) {
    std::vector<core::Value> w = words;
    core::Code rc = core::nuvelCallCommand(*interp, static_cast<int>(w.size()), w.data());
    EXPECT_EQ(rc, core::Code::Stop) << words[0].view();
    EXPECT_EQ(testing_support::var_value(*interp, "::errorMsg"), "Interrupted");
    EXPECT_FALSE(platform::take_break_flag());
  }
  // Without a Ctrl+C the nested code is still ignored as before.
  std::vector<core::Value> quiet = {"expr", "2 * 3 [list [list 1]; string length]"};
  EXPECT_EQ(core::nuvelCallCommand(*interp, 2, quiet.data()), core::Code::Ok);
  EXPECT_EQ(interp->result.view(), "6");

  core::Switches saved = core::switches();
  core::switches().flow_uses_eval = 0;
  std::vector<core::Value> loop = {"while", "[press_ctrl_c; list [list 1]] == 1", ""};
  EXPECT_EQ(core::nuvelCallCommand(*interp, 3, loop.data()), core::Code::Stop);
  core::switches() = saved;
  platform::set_capture(previous);
}

}  // namespace
