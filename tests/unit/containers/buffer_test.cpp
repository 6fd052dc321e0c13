// Buffer chunking and the replace-all routines.
#include "containers/buffer.h"

#include <gtest/gtest.h>

namespace containers {
namespace {

TEST(Buffer, FlushesPerChunkAndDetachesEverything) {
  Buffer b(4);
  b.addstr("abcdefghij");
  EXPECT_EQ(b.flushes(), 2);
  EXPECT_EQ(b.chunk(), "ij");
  b.add('k');
  b.addstr("");
  EXPECT_EQ(b.adds(), 3);
  EXPECT_EQ(b.detach(), "abcdefghijk");
  EXPECT_EQ(b.flushes(), 3);
  EXPECT_EQ(b.detach(), "");
  b.addstr("new");
  EXPECT_EQ(b.detach(), "new");
}

TEST(Buffer, CharactersFlushAtTheChunkBoundary) {
  Buffer b(3);
  for (char c : std::string("abcdefg")) b.add(c);
  EXPECT_EQ(b.flushes(), 2);
  EXPECT_EQ(b.length(), 1);
  EXPECT_EQ(b.detach(), "abcdefg");
}

TEST(Buffer, NonPositiveCapacityMeansDefault) {
  EXPECT_EQ(Buffer(0).capacity(), 8192);
  EXPECT_EQ(Buffer(-3).capacity(), 8192);
  Buffer b;
  b.addstr(std::string(8192 * 2 + 5, 'q'));
  EXPECT_EQ(b.flushes(), 2);
  EXPECT_EQ(b.detach().size(), 8192u * 2 + 5);
}

TEST(ReplacesAllDynamic, OnePassWithoutRescanning) {
  std::string s = "aabb";
  EXPECT_EQ(replaces_all_dynamic(s, "ab", ""), "ab");
  s = "aaa";
  EXPECT_EQ(replaces_all_dynamic(s, "aa", "b"), "ba");
  s = "aXa";
  EXPECT_EQ(replaces_all_dynamic(s, "a", "aa"), "aaXaa");
  s = "abc";
  EXPECT_EQ(replaces_all_dynamic(s, "", "z"), "abc");
  EXPECT_EQ(replaces_all_dynamic(s, "zz", "y"), "abc");
  EXPECT_EQ(replaces_all_dynamic(s, "ABC", "y"), "abc");  // case-sensitive
  EXPECT_EQ(replaces_all_dynamic(s, "abc", "xyz123"), "xyz123");
}

TEST(ReplaceInPlace, NeverGrows) {
  std::string s = "banana";
  EXPECT_EQ(replace_in_place(s, "a", "xy", false), 0);
  EXPECT_EQ(s, "banana");
  EXPECT_EQ(replace_in_place(s, "a", "", false), 0);
  EXPECT_EQ(s, "banana");
  EXPECT_EQ(replace_in_place(s, "", "x", false), 0);

  s = "aabbaaa";
  EXPECT_EQ(replace_in_place(s, "aa", "x", false), 2);
  EXPECT_EQ(s, "xbbxa");

  s = "Hello HELLO hello";
  EXPECT_EQ(replace_in_place(s, "hello", "bye", true), 3);
  EXPECT_EQ(s, "bye bye bye");
  s = "Hello HELLO hello";
  EXPECT_EQ(replace_in_place(s, "hello", "hi!!!", false), 1);
  EXPECT_EQ(s, "Hello HELLO hi!!!");
}

}  // namespace
}  // namespace containers
