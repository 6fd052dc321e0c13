// Ctrl+C (the break flag) ends every wait of the timer commands, and the
// timing of a script, with "Interrupted" (code stop).
#include <gtest/gtest.h>

#include <vector>

#include "platform/console.h"
#include "platform/system.h"
#include "support/script_harness.h"

namespace {

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

TEST(TimerInterrupt, WaitsEndOnBreak) {
  auto interp = testing_support::fresh_interp();
  const std::vector<std::vector<core::Value>> waits = {
      {"sleep", "100000000"},
      {"after", "100000000"},
      {"vwait", "never", "-timeout", "100000000"},
      {"doevents"},
      {"time", "", "9223372036854775807"},
  };
  for (const auto& words : waits) {
    EXPECT_EQ(call_interrupted(*interp, words), core::Code::Stop) << words[0].view();
    EXPECT_EQ(testing_support::var_value(*interp, "::errorMsg"), "Interrupted") << words[0].view();
  }
}

// A pending event keeps vwait waiting; Ctrl+C still ends it.
TEST(TimerInterrupt, VwaitWithAPendingEventEndsOnBreak) {
  auto interp = testing_support::fresh_interp();
  std::vector<core::Value> queue = {"after", "100000000", "set x 1"};
  ASSERT_EQ(core::nuvelCallCommand(*interp, 3, queue.data()), core::Code::Ok);
  EXPECT_EQ(call_interrupted(*interp, {"vwait", "x"}), core::Code::Stop);
}

}  // namespace
