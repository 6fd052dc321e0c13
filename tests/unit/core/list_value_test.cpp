// The three list readers, the writer, the joiner and the brace stripper on
// the edge cases where they differ on purpose; the cached forms.
#include "core/list_value.h"

#include <gtest/gtest.h>

#include "core/glob.h"

namespace core {
namespace {

std::vector<std::string> texts(const std::vector<Value>& values) {
  std::vector<std::string> out;
  for (const Value& v : values) out.emplace_back(v.view());
  return out;
}

using Strings = std::vector<std::string>;

TEST(StandardReader, GroupsWithBracesAndQuotesAnywhere) {
  EXPECT_EQ(texts(list_read_standard("a {b c} d")), (Strings{"a", "b c", "d"}));
  EXPECT_EQ(texts(list_read_standard("x{y z}")), (Strings{"xy z"}));
  EXPECT_EQ(texts(list_read_standard("ab{c d}e")), (Strings{"abc de"}));
  EXPECT_EQ(texts(list_read_standard("\"a b\" c")), (Strings{"a b", "c"}));
  EXPECT_EQ(texts(list_read_standard("{a {b} c}")), (Strings{"a {b} c"}));
  // Braces inside quotes are ordinary; quotes inside braces are copied.
  EXPECT_EQ(texts(list_read_standard("\"{\" x")), (Strings{"{", "x"}));
  EXPECT_EQ(texts(list_read_standard("{\"a\"}")), (Strings{"\"a\""}));
}

TEST(StandardReader, TabsAreDroppedAtTopLevelOnly) {
  EXPECT_EQ(texts(list_read_standard("a\tb")), (Strings{"ab"}));
  EXPECT_EQ(texts(list_read_standard("{a\tb} c")), (Strings{"a\tb", "c"}));
  EXPECT_EQ(texts(list_read_standard("a\t b")), (Strings{"a", "b"}));
}

TEST(StandardReader, WhiteSpaceAndLineEnds) {
  EXPECT_EQ(texts(list_read_standard("  a   b  \r\n")), (Strings{"a", "b"}));
  EXPECT_EQ(texts(list_read_standard("a\nb\r\nc")), (Strings{"a", "b", "c"}));
  EXPECT_EQ(texts(list_read_standard("{a\nb}")), (Strings{"a\nb"}));
  EXPECT_TRUE(list_read_standard("").empty());
  EXPECT_TRUE(list_read_standard(" \t\r\n").empty());
}

TEST(StandardReader, EmptyElements) {
  EXPECT_EQ(texts(list_read_standard("a {} b")), (Strings{"a", "", "b"}));
  EXPECT_EQ(texts(list_read_standard("a \"\" b")), (Strings{"a", "", "b"}));
  // An empty last element is kept only on request and only when explicit.
  EXPECT_EQ(texts(list_read_standard("a {}")), (Strings{"a"}));
  EXPECT_EQ(texts(list_read_standard("a {}", nullptr, true)), (Strings{"a", ""}));
  EXPECT_EQ(texts(list_read_standard("a \"\"", nullptr, true)), (Strings{"a", ""}));
  EXPECT_EQ(list_count_standard("a {} b {}", true), 4u);
  EXPECT_EQ(list_count_standard("a {} b {}", false), 3u);
}

TEST(StandardReader, QuoteFollowedByLineEndWarns) {
  bool warning = false;
  EXPECT_EQ(texts(list_read_standard("\"a b\"\nc", &warning)), (Strings{"a b", "c"}));
  EXPECT_TRUE(warning);
  warning = false;
  (void)list_read_standard("\"a b\" c", &warning);
  EXPECT_FALSE(warning);
  // A quote at the very end is followed by nothing.
  (void)list_read_standard("\"a b\"\n", &warning);
  EXPECT_FALSE(warning);
}

TEST(StandardReader, UnbalancedTextNeverFails) {
  EXPECT_EQ(texts(list_read_standard("{a b")), (Strings{"a b"}));
  EXPECT_EQ(texts(list_read_standard("a} b")), (Strings{"a}", "b"}));
  EXPECT_EQ(texts(list_read_standard("\"a b")), (Strings{"a b"}));
}

TEST(WordReader, BracedQuotedAndBareWords) {
  EXPECT_EQ(texts(list_read_words("a {b c} d")), (Strings{"a", "b c", "d"}));
  EXPECT_EQ(texts(list_read_words("a {} b")), (Strings{"a", "", "b"}));
  EXPECT_EQ(texts(list_read_words("\"\" \"x y\"")), (Strings{"", "x y"}));
  // Braces inside a bare word are ordinary characters.
  EXPECT_EQ(texts(list_read_words("x{y z}")), (Strings{"x{y", "z}"}));
  // The character after a closing brace is skipped, whatever it is.
  EXPECT_EQ(texts(list_read_words("{a}b c")), (Strings{"a", "c"}));
  EXPECT_EQ(texts(list_read_words("{a}{b}")), (Strings{"a", "b}"}));
  EXPECT_EQ(texts(list_read_words("{a {b} c}")), (Strings{"a {b} c"}));
}

TEST(WordReader, BackslashPairsAreKept) {
  EXPECT_EQ(texts(list_read_words("a\\ b c")), (Strings{"a\\ b", "c"}));
  EXPECT_EQ(texts(list_read_words("{a\\}b} c")), (Strings{"a\\}b", "c"}));
  EXPECT_EQ(texts(list_read_words("\"a\\\"b\" c")), (Strings{"a\\\"b", "c"}));
}

TEST(WordReader, SeparatorsAndTrailingSpace) {
  EXPECT_EQ(texts(list_read_words("a\tb\nc\r\nd")), (Strings{"a", "b", "c", "d"}));
  EXPECT_EQ(texts(list_read_words("  a   b  ")), (Strings{"a", "b"}));
  EXPECT_EQ(texts(list_read_words("{a b")), (Strings{"a b"}));
  EXPECT_EQ(texts(list_read_words("\"a b  ")), (Strings{"a b"}));
  EXPECT_TRUE(list_read_words("").empty());
}

TEST(ElementReader, GroupsAndDropsEmptyElements) {
  EXPECT_EQ(texts(list_read_elements("a {b c} d")), (Strings{"a", "b c", "d"}));
  EXPECT_EQ(texts(list_read_elements("a {} b \"\"")), (Strings{"a", "b"}));
  EXPECT_EQ(texts(list_read_elements("a{b c}d")), (Strings{"a", "b c", "d"}));
  EXPECT_EQ(texts(list_read_elements("a\"b c\"d")), (Strings{"a", "b c", "d"}));
  EXPECT_EQ(texts(list_read_elements("{a {b} c}")), (Strings{"a {b} c"}));
  EXPECT_EQ(texts(list_read_elements("a\tb\nc\r\nd")), (Strings{"a", "b", "c", "d"}));
  // No backslash pairs: a backslash is an ordinary character.
  EXPECT_EQ(texts(list_read_elements("a\\ b")), (Strings{"a\\", "b"}));
  EXPECT_EQ(texts(list_read_elements("{a b")), (Strings{"a b"}));
}

TEST(ListWriter, QuotesOnlyAsDesigned) {
  std::vector<Value> e = {Value("a b"), Value(), Value("c")};
  EXPECT_EQ(list_write(e), "{a b} {} c");
  EXPECT_EQ(list_write({Value("{x y}")}), "{x y}");
  EXPECT_EQ(list_write({Value("a\tb"), Value("q\"r"), Value("x\ny")}), "{a\tb} q\"r x\ny");
  EXPECT_EQ(list_write({Value("a"), Value("b"), Value("c")}, 2), "a b");
  EXPECT_EQ(list_write(std::vector<Value>{}), "");
}

TEST(ListJoiner, StripsOuterBracesAndRebraces) {
  EXPECT_EQ(list_join(std::vector<Value>{Value("{{a}}")}), "{{a}}");
  EXPECT_EQ(list_join(std::vector<Value>{Value("{{a}}"), Value("{b c}"), Value("d")}), "a {b c} d");
  EXPECT_EQ(list_join(std::vector<Value>{Value("x"), Value("y"), Value("z")}, 1), "y z");
  EXPECT_EQ(list_join(std::vector<Value>{Value("{}"), Value("a\tb")}), " {a\tb}");
}

TEST(BraceStripper, KeepsWhatLiesBetweenFirstAndLastBrace) {
  std::string s = "{a b}";
  EXPECT_TRUE(brace_strip(s));
  EXPECT_EQ(s, "a b");
  s = "x{y}z";
  EXPECT_TRUE(brace_strip(s));
  EXPECT_EQ(s, "y");
  s = "{{a}}";
  EXPECT_TRUE(brace_strip(s));
  EXPECT_EQ(s, "{a}");
  s = "a{b{";
  EXPECT_FALSE(brace_strip(s));
  EXPECT_EQ(s, "a{b{");
  s = "{";
  EXPECT_FALSE(brace_strip(s));
  s = "plain";
  EXPECT_FALSE(brace_strip(s));
}

TEST(CachedForms, AreSharedByEveryHandleOfOneText) {
  Value list("a {b c} \"d e\"\nf {}");
  Value copy = list;
  auto form = list_standard(list);
  EXPECT_EQ(form, list_standard(copy));
  EXPECT_TRUE(form->warning);
  EXPECT_TRUE(form->trailing_empty);
  EXPECT_EQ(form->count(true), 5u);
  EXPECT_EQ(form->count(false), 4u);
  auto words = list_words(list);
  EXPECT_EQ(words, list_words(copy));
  EXPECT_EQ(texts(*words), (Strings{"a", "b c", "d e", "f", ""}));
  EXPECT_EQ(texts(*list_elements(list)), (Strings{"a", "b c", "d e", "f"}));
  EXPECT_EQ(list_standard(Value())->count(true), 0u);
}

TEST(CachedForms, InPlaceAppendDropsThem) {
  Value v(std::string("a b"));
  EXPECT_EQ(list_standard(v)->count(true), 2u);
  EXPECT_TRUE(v.append_in_place(" c"));
  EXPECT_EQ(list_standard(v)->count(true), 3u);
  Value shared = v;
  EXPECT_FALSE(v.append_in_place(" d"));
  EXPECT_EQ(shared.view(), "a b c");
}

TEST(Glob, StarQuestionAndCase) {
  EXPECT_TRUE(glob_match("*", "", false));
  EXPECT_TRUE(glob_match("a*c", "abbbc", false));
  EXPECT_TRUE(glob_match("a?c", "abc", false));
  EXPECT_FALSE(glob_match("a?c", "ac", false));
  EXPECT_TRUE(glob_match("*b*b*", "abcbd", false));
  EXPECT_FALSE(glob_match("ABC", "abc", false));
  EXPECT_TRUE(glob_match("A*C", "abc", true));
  // No classes and no escapes: brackets and backslashes match themselves.
  EXPECT_TRUE(glob_match("[a]", "[a]", false));
  EXPECT_FALSE(glob_match("[a]", "a", false));
  EXPECT_TRUE(glob_match("a\\*", "a\\bc", false));
}

}  // namespace
}  // namespace core
