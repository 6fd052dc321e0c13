// Stack in string and raw mode: limits, refusals and release.
#include "containers/stack.h"

#include <gtest/gtest.h>

namespace containers {
namespace {

TEST(Stack, StringModePushesCopiesAndRefusesMisuse) {
  Stack s(2, true);
  EXPECT_TRUE(s.is_allocated());
  EXPECT_FALSE(s.default_size());
  EXPECT_EQ(s.pushstr(""), -1);
  EXPECT_EQ(s.push(5), -2);
  EXPECT_EQ(s.pushstr("one"), 0);
  EXPECT_EQ(s.pushstr("two"), 1);
  EXPECT_EQ(s.pushstr("three"), -1);
  EXPECT_EQ(s.count(), 2);
  EXPECT_EQ(s.peek_string()->view(), "two");
  EXPECT_EQ(s.get_string(0)->view(), "one");
  EXPECT_FALSE(s.get_string(2));
  EXPECT_FALSE(s.get_string(-1));
  EXPECT_EQ(s.pop(), 0);  // raw pop does not touch a string stack
  EXPECT_EQ(s.count(), 2);
  EXPECT_EQ(s.pop_string()->view(), "two");
  EXPECT_EQ(s.pop_string()->view(), "one");
  EXPECT_FALSE(s.pop_string());
  EXPECT_TRUE(s.is_empty());
}

TEST(Stack, RawModeIsLifoWithZeroForNothing) {
  Stack s(3, false);
  EXPECT_EQ(s.pushstr("x"), -1);
  EXPECT_EQ(s.push(10), 0);
  EXPECT_EQ(s.push(20), 1);
  EXPECT_EQ(s.push(30), 2);
  EXPECT_EQ(s.push(40), -1);
  EXPECT_EQ(s.get(1), 20);
  EXPECT_EQ(s.get(3), 0);
  EXPECT_EQ(s.peek(), 30);
  EXPECT_FALSE(s.pop_string());
  EXPECT_EQ(s.pop(), 30);
  EXPECT_EQ(s.pop(), 20);
  EXPECT_EQ(s.push(50), 1);
  EXPECT_EQ(s.pop(), 50);
  EXPECT_EQ(s.pop(), 10);
  EXPECT_EQ(s.pop(), 0);
  EXPECT_EQ(s.peek(), 0);
}

TEST(Stack, DefaultCapacityClearAndRelease) {
  Stack s(0, true);
  EXPECT_TRUE(s.default_size());
  EXPECT_EQ(s.capacity(), 100);
  for (int i = 0; i < 100; ++i) ASSERT_EQ(s.pushstr(core::Value::from_int(i)), i);
  EXPECT_EQ(s.pushstr("full"), -1);
  s.clear();
  EXPECT_EQ(s.count(), 0);
  EXPECT_EQ(s.capacity(), 100);
  EXPECT_EQ(s.pushstr("again"), 0);
  s.release();
  EXPECT_FALSE(s.is_allocated());
  EXPECT_EQ(s.capacity(), 0);
  EXPECT_EQ(s.count(), 0);
  EXPECT_EQ(s.pushstr("x"), -1);
  EXPECT_EQ(s.push(1), -1);
}

}  // namespace
}  // namespace containers
