// The store command's values are shared by the interpreters of the process:
// an interpreter created from another sees its values, and they outlive the
// interpreter that stored them, whatever order interpreters end in.
#include <gtest/gtest.h>

#include "support/script_harness.h"

namespace {

using testing_support::fresh_interp;
using testing_support::run_script;

TEST(Store, InterpretersCreatedFromAnotherShareItsValues) {
  auto first = fresh_interp();
  ASSERT_EQ(run_script(*first, "store colour blue").code, core::Code::Ok);
  auto second = core::nuvelCreateInterp();
  EXPECT_EQ(run_script(*second, "store colour").result, "blue");
  ASSERT_EQ(run_script(*second, "store size 3").code, core::Code::Ok);
  EXPECT_EQ(run_script(*first, "store size").result, "3");

  // The first interpreter ends before the second: the values stay.
  first.reset();
  EXPECT_EQ(run_script(*second, "store -list").result, "colour size");
  auto third = core::nuvelCreateInterp();
  EXPECT_EQ(run_script(*third, "store colour").result, "blue");
  third.reset();
  second.reset();
}

TEST(Store, AFirstInterpreterStartsEmpty) {
  auto only = fresh_interp();
  auto run = run_script(*only, "store missing");
  EXPECT_EQ(run.code, core::Code::Error);
  EXPECT_EQ(run.errorMsg, "store: 'missing' not found");
}

}  // namespace
