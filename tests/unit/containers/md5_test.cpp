// MD5 against the RFC 1321 test suite and lengths around the padding boundary.
#include "containers/md5.h"

#include <gtest/gtest.h>

#include <string>

namespace containers {
namespace {

TEST(Md5, Rfc1321TestSuite) {
  EXPECT_EQ(md5_hex(""), "d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(md5_hex("a"), "0cc175b9c0f1b6a831c399e269772661");
  EXPECT_EQ(md5_hex("abc"), "900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(md5_hex("message digest"), "f96b697d7cb7938d525a2f31aaf161d0");
  EXPECT_EQ(md5_hex("abcdefghijklmnopqrstuvwxyz"), "c3fcd3d76192e4007dfb496cca67e13b");
  EXPECT_EQ(md5_hex("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"),
            "d174ab98d277d9f5a5611c2c9f419d9f");
  EXPECT_EQ(md5_hex("1234567890123456789012345678901234567890123456789012345678901234567890"
                    "1234567890"),
            "57edf4a22be3c955ac49da2e2107b67a");
}

TEST(Md5, PaddingBoundariesAndEmbeddedNul) {
  const std::pair<size_t, const char*> cases[] = {
      {55, "ef1772b6dff9a122358552954ad0df65"},  {56, "3b0c8ac703f828b04c6c197006d17218"},
      {63, "b06521f39153d618550606be297466d5"},  {64, "014842d480b571495a4a0363793f7367"},
      {65, "c743a45e0d2e6a95cb859adae0248435"},  {119, "8a7bd0732ed6a28ce75f6dabc90e1613"},
      {120, "5f61c0ccad4cac44c75ff505e1f1e537"},
  };
  for (const auto& [n, hex] : cases) EXPECT_EQ(md5_hex(std::string(n, 'a')), hex) << n;
  // The whole length counts, not the text up to the first NUL.
  EXPECT_EQ(md5_hex(std::string_view("a\0b", 3)), "70350f6027bce3713f6b76473084309b");
}

TEST(Md5, IncrementalFeedingMatchesOneShot) {
  std::string text(1000000, 'a');
  Md5 md5;
  size_t step = 1;
  for (size_t at = 0; at < text.size(); at += step, step = step * 7 % 97 + 1)
    md5.update(std::string_view(text).substr(at, step));
  Md5Digest digest = md5.finish();
  EXPECT_EQ(digest, md5_digest(text));

  char hex[33];
  md5_hex(text, hex);
  EXPECT_STREQ(hex, "7707d6ae4e027c70eea2a935c2296f21");
  EXPECT_EQ(digest[0], 0x77);
  EXPECT_EQ(digest[15], 0x21);
}

}  // namespace
}  // namespace containers
