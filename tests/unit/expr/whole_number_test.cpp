// The whole-text number readers of the conversion commands and the UTF-8
// character splitter: every form at its 64-bit edges, and texts that must be
// refused instead of read partly or wrapped.
#include "expr/whole_number.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "expr/utf8_text.h"

namespace {

using expr::read_whole_int;
using expr::read_whole_number;

int64_t int_of(std::string_view text) {
  auto w = read_whole_int(text);
  EXPECT_TRUE(w.has_value()) << text;
  return w ? w->as_int64() : 0;
}

TEST(WholeInt, EveryFormOfTheIntegerReader) {
  EXPECT_EQ(int_of("12"), 12);
  EXPECT_EQ(int_of("-12"), -12);
  EXPECT_EQ(int_of("+12"), 12);
  EXPECT_EQ(int_of(" 7 "), 7);
  EXPECT_EQ(int_of("0x1f"), 31);
  EXPECT_EQ(int_of("&H1F"), 31);
  EXPECT_EQ(int_of("0b101"), 5);
  EXPECT_EQ(int_of("&b101"), 5);
  EXPECT_EQ(int_of("0o17"), 15);
  EXPECT_EQ(int_of("-0x10"), -16);
  EXPECT_EQ(int_of("-0"), 0);
  EXPECT_FALSE(read_whole_int("-0")->negative);
}

TEST(WholeInt, SixtyFourBitEdges) {
  EXPECT_EQ(int_of("9223372036854775807"), std::numeric_limits<int64_t>::max());
  EXPECT_EQ(int_of("-9223372036854775808"), std::numeric_limits<int64_t>::min());
  auto max = read_whole_int("18446744073709551615");
  ASSERT_TRUE(max);
  EXPECT_EQ(max->magnitude, std::numeric_limits<uint64_t>::max());
  EXPECT_EQ(int_of("0xFFFFFFFFFFFFFFFF"), -1);
  EXPECT_FALSE(read_whole_int("18446744073709551616"));
  EXPECT_FALSE(read_whole_int("-9223372036854775809"));
  EXPECT_FALSE(read_whole_int("0x10000000000000000"));
  EXPECT_FALSE(read_whole_int("0b" + std::string(65, '1')));
}

TEST(WholeInt, PartialOrForeignTextsAreRefused) {
  for (const char* text : {"", "-", "+", "12abc", "abc", "0x", "0xG", "0b2", "0o8", "&", "&x1",
                           "1.5", "1e5", "1 2", "--1", "1_000"}) {
    EXPECT_FALSE(read_whole_int(text)) << text;
  }
}

TEST(WholeInt, DigitsWithSeparators) {
  EXPECT_EQ(expr::read_digits("FF_FF", 16, true).value_or(0), 0xFFFFu);
  EXPECT_FALSE(expr::read_digits("FF_FF", 16, false));
  EXPECT_FALSE(expr::read_digits("_F", 16, true));
  EXPECT_FALSE(expr::read_digits("F_", 16, true));
  EXPECT_EQ(expr::read_digits("zz", 36, false).value_or(0), 1295u);
}

TEST(WholeNumber, IntegersFloatsAndOverlongDecimals) {
  auto i = read_whole_number("42");
  ASSERT_TRUE(i);
  EXPECT_TRUE(i->is_int);
  auto f = read_whole_number("-2.5");
  ASSERT_TRUE(f);
  EXPECT_FALSE(f->is_int);
  EXPECT_DOUBLE_EQ(f->d, -2.5);
  auto big = read_whole_number("99999999999999999999");
  ASSERT_TRUE(big);
  EXPECT_FALSE(big->is_int);
  EXPECT_GT(big->d, 9.9e19);
  EXPECT_FALSE(read_whole_number("1.2.3"));
  EXPECT_FALSE(read_whole_number("."));
}

TEST(WholeNumber, ComparesNumbersAsNumbersAndTextsAsBytes) {
  EXPECT_EQ(expr::compare_values("10", "9", false), 1);
  EXPECT_EQ(expr::compare_values("0x10", "16", false), 0);
  EXPECT_EQ(expr::compare_values("2.5", "3", false), -1);
  EXPECT_EQ(expr::compare_values("10", "9a", false), -1);
  EXPECT_EQ(expr::compare_values("ABC", "abc", true), 0);
  EXPECT_EQ(expr::compare_values("ab", "abc", false), -1);
  EXPECT_EQ(expr::compare_values("-9223372036854775808", "9223372036854775807", false), -1);
}

TEST(Utf8Text, CharactersWholeAndBadBytesAlone) {
  EXPECT_EQ(expr::utf8_count("café"), 4u);
  EXPECT_EQ(expr::utf8_count("a😀b"), 3u);
  // A cut sequence, a stray continuation byte, an overlong form and an
  // encoded surrogate each split into single bytes.
  EXPECT_EQ(expr::utf8_count("\xC3"), 1u);
  EXPECT_EQ(expr::utf8_count("\x80\x80"), 2u);
  EXPECT_EQ(expr::utf8_count("\xC0\xAF"), 2u);
  EXPECT_EQ(expr::utf8_count("\xED\xA0\x80"), 3u);
  EXPECT_EQ(expr::utf8_char_at("é", 0).code, 0xE9);
  EXPECT_EQ(expr::utf8_char_at("\xFF", 0).code, -1);
}

TEST(Utf8Text, EncodingRoundTrips) {
  for (uint32_t code : {0x41u, 0x7Fu, 0x80u, 0x7FFu, 0x800u, 0xFFFFu, 0x10000u, 0x10FFFFu}) {
    std::string text;
    expr::append_utf8(text, code);
    expr::Utf8Char c = expr::utf8_char_at(text, 0);
    EXPECT_EQ(c.length, text.size()) << code;
    EXPECT_EQ(c.code, static_cast<int32_t>(code));
  }
}

}  // namespace
