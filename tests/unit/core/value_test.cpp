// Values' texts: texts of every length around the sizes of the blocks a
// short text is kept in, growing in place across them, and integers made into
// texts (every value prints as the standard decimal form and carries its
// number, and that text reads back as the same number).
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
    const auto v = static_cast<int64_t>(rng() >> shift);
    expect_decimal(v);
    expect_decimal(-v);
  }
}

void expect_text(const core::Value& value, const std::string& want) {
  ASSERT_EQ(value.view(), want);
  ASSERT_EQ(value.size(), want.size());
  // c_str() is the same characters, terminated.
  ASSERT_EQ(std::string(value.c_str(), want.size()), want);
  ASSERT_EQ(value.c_str()[want.size()], '\0');
}

TEST(ValueText, EveryLengthAroundTheBlockSizes) {
  for (size_t n = 0; n <= 200; ++n) {
    std::string text;
    for (size_t i = 0; i < n; ++i) text.push_back(static_cast<char>('a' + i % 26));
    if (n > 3) text[n / 2] = '\0';  // an inner NUL is part of the text
    SCOPED_TRACE(n);
    expect_text(core::Value(std::string_view(text)), text);
    std::string moved = text;
    core::Value taken(std::move(moved));
    expect_text(taken, text);
    core::Value copy = taken;  // one text, two holders
    expect_text(copy, text);
    taken = core::Value();
    expect_text(copy, text);
  }
}

TEST(ValueText, GrowsInPlaceAcrossEveryBlockSize) {
  std::mt19937 rng(1209);
  for (int round = 0; round < 200; ++round) {
    std::string model = "x";
    core::Value value{std::string_view(model)};
    while (model.size() < 300) {
      std::string tail(1 + rng() % 30, static_cast<char>('a' + rng() % 26));
      ASSERT_TRUE(value.append_in_place(tail));
      model += tail;
      expect_text(value, model);
    }
    // A second holder makes the text shared: it no longer grows in place,
    // and both holders keep it.
    core::Value other = value;
    EXPECT_FALSE(value.append_in_place("more"));
    expect_text(value, model);
    expect_text(other, model);
  }
  // The empty text has no storage to grow.
  core::Value empty;
  EXPECT_FALSE(empty.append_in_place("a"));
}

TEST(ValueText, GrowingAnIntegerForgetsItsNumber) {
  for (int64_t start : {int64_t{7}, int64_t{1234567}, int64_t{-98765432101234}}) {
    core::Value value = core::Value::from_int(start);
    ASSERT_TRUE(value.append_in_place("0"));
    int64_t known = 0;
    EXPECT_FALSE(value.known_int(known));
    int64_t read = 0;
    ASSERT_TRUE(value.canonical_int(read));
    EXPECT_EQ(read, start * 10);
    expect_text(value, std::to_string(start) + "0");
  }
}

}  // namespace
