// dict info prints the dictionary variable's record address, which changes
// from run to run, so its printout is matched by pattern here.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "support/script_harness.h"

namespace {

using core::Code;
using testing_support::run_script;

TEST(DictInfo, PrintsAddressCountAndStatistics) {
  auto r = run_script("dict set d a 1; dict set d b 2; dict info d");
  EXPECT_EQ(r.code, Code::Ok);
  EXPECT_EQ(r.result, "");
  const std::regex head(
      "Dictionary 'd' at address 0x[0-9a-f]+ 2 item\\(s\\)\n"
      "2 entries in table, 100 bucket\\(s\\) \\(2\\.00% use\\)\n"
      "Buckets with  0 or more entries: 98\t\\(Total: 0\\)\n"
      "Buckets with  1 or more entries: 2\t\\(Total: 2\\)\n"
      "[\\s\\S]*"
      "Mean search distance per entry: 1\\.00\n");
  EXPECT_TRUE(std::regex_match(r.output, head)) << r.output;
}

TEST(DictInfo, AddressIsThatOfTheVariable) {
  // Two dictionaries are two records: their printed addresses differ.
  auto r = run_script("dict set d a 1; dict set e a 1; dict info d; dict info e");
  std::string out = r.output;
  std::vector<std::string> addresses;
  const std::regex addr("at address (0x[0-9a-f]+)");
  for (auto it = std::sregex_iterator(out.begin(), out.end(), addr); it != std::sregex_iterator();
       ++it) {
    addresses.push_back((*it)[1]);
  }
  ASSERT_EQ(addresses.size(), 2u) << out;
  EXPECT_NE(addresses[0], addresses[1]);
}

TEST(DictInfo, MissingOrPlainVariableFailsSilently) {
  auto r = run_script("dict info nosuch");
  EXPECT_EQ(r.code, Code::Error);
  EXPECT_EQ(r.output, "");
  r = run_script("set v 1; dict info v");
  EXPECT_EQ(r.code, Code::Error);
  EXPECT_EQ(r.output, "");
}

}  // namespace
