// Integers made into texts: every value prints as the standard decimal form
// and carries its number, and that text reads back as the same number.
#include "core/value.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

void expect_decimal(int64_t v) {
  core::Value text = core::Value::from_int(v);
  ASSERT_EQ(text.view(), std::to_string(v)) << v;
  EXPECT_STREQ(text.c_str(), std::to_string(v).c_str());
  int64_t known = 0;
  ASSERT_TRUE(text.known_int(known));
  EXPECT_EQ(known, v);
  core::Value copy{std::string(text.view())};
  int64_t read = 0;
  ASSERT_TRUE(copy.canonical_int(read)) << v;
  EXPECT_EQ(read, v);
}

TEST(ValueFromInt, EveryLengthAndBothLimits) {
  std::vector<int64_t> cases = {0, std::numeric_limits<int64_t>::min(),
                                std::numeric_limits<int64_t>::max(),
                                std::numeric_limits<int64_t>::min() + 1};
  // Each power of ten and its neighbours, positive and negative: every
  // number of digits, and every change of length.
  int64_t p = 1;
  for (int k = 0; k <= 18; ++k) {
    for (int64_t v : {p - 1, p, p + 1}) {
      cases.push_back(v);
      cases.push_back(-v);
    }
    if (k < 18) p *= 10;
  }
  for (int64_t v : cases) expect_decimal(v);
}

TEST(ValueFromInt, RandomNumbersOfEveryWidth) {
  std::mt19937_64 rng(20261209);
  for (int i = 0; i < 20000; ++i) {
    const int shift = static_cast<int>(rng() % 64);
    expect_decimal(static_cast<int64_t>(rng() >> shift));
  }
}

}  // namespace
