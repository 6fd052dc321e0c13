// Text helpers of the result module: escaping for substitution.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "core/nuvel.h"

namespace {

// The escape, one character at a time.
std::string escape_by_character(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '\\' || c == '$' || c == '[' || c == ']' || c == '{' || c == '}') out.push_back('\\');
    out.push_back(c);
  }
  return out;
}

TEST(Escape, MarksSubstitutionCharacters) {
  EXPECT_EQ(core::nuvelEscape(""), "");
  EXPECT_EQ(core::nuvelEscape("plain text"), "plain text");
  EXPECT_EQ(core::nuvelEscape("$a[b]{c}\\"), "\\$a\\[b\\]\\{c\\}\\\\");
  EXPECT_EQ(core::nuvelEscape("}}"), "\\}\\}");
  EXPECT_EQ(core::nuvelEscape(std::string("a\0$", 3)), std::string("a\0\\$", 4));
}

TEST(Escape, AgreesWithTheCharacterByCharacterEscape) {
  // Runs of ordinary characters between special ones, at both ends, bytes
  // above 127 and NUL included.
  const std::string alphabet = std::string("ab $[]{}\\\xff\xc3") + std::string(1, '\0');
  std::mt19937 random(12345);
  for (int round = 0; round < 5000; ++round) {
    std::string text(random() % 40, ' ');
    for (char& c : text) c = alphabet[random() % alphabet.size()];
    ASSERT_EQ(core::nuvelEscape(text), escape_by_character(text)) << round;
  }
}

}  // namespace
