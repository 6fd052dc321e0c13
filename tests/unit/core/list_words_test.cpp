// The word-list reader: quoted and braced elements, bare words, backslash
// pairs and line ends.
#include <gtest/gtest.h>

#include "core/list_value.h"

namespace core {
namespace {

std::vector<std::string> words(std::string_view text) {
  std::vector<std::string> out;
  for (const Value& v : list_read_words(text)) out.emplace_back(v.view());
  return out;
}

using W = std::vector<std::string>;

TEST(ListReadWords, BracesAndEmptyElements) {
  EXPECT_EQ(words("a {b c} d"), (W{"a", "b c", "d"}));
  EXPECT_EQ(words("a {} b"), (W{"a", "", "b"}));
  EXPECT_EQ(words("a \"\" b"), (W{"a", "", "b"}));
  EXPECT_EQ(words("{a {b c}} d"), (W{"a {b c}", "d"}));
  EXPECT_EQ(words(""), W{});
  EXPECT_EQ(words("   "), W{});
}

TEST(ListReadWords, GroupingOnlyAtTheStartOfAWord) {
  EXPECT_EQ(words("x{y z}"), (W{"x{y", "z}"}));
  EXPECT_EQ(words("a\"b c\""), (W{"a\"b", "c\""}));
}

TEST(ListReadWords, BackslashPairsAreKept) {
  EXPECT_EQ(words("a\\ b c"), (W{"a\\ b", "c"}));
  EXPECT_EQ(words("{a\\}b} c"), (W{"a\\}b", "c"}));
  EXPECT_EQ(words("\"a\\\"b\" c"), (W{"a\\\"b", "c"}));
}

TEST(ListReadWords, SeparatorsAndLineEnds) {
  EXPECT_EQ(words("a\tb\nc\r\nd"), (W{"a", "b", "c", "d"}));
  EXPECT_EQ(words("a  b"), (W{"a", "b"}));
  // The one character after a closing brace is skipped.
  EXPECT_EQ(words("{a}b c"), (W{"a", "c"}));
  EXPECT_EQ(words("{open"), (W{"open"}));
  EXPECT_EQ(words("\"open  "), (W{"open"}));
}

}  // namespace
}  // namespace core
