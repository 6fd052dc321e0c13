// dict info prints the dictionary variable's record address, which changes
// from run to run; the address is masked and the rest compared exactly.
#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "support/script_harness.h"

namespace {

using core::Code;
using testing_support::run_script;

// Replaces every "0x" followed by hexadecimal digits with "0xADDR" and
// collects the addresses found.
std::string mask_addresses(const std::string& text, std::vector<std::string>* found = nullptr) {
  std::string out;
  for (size_t i = 0; i < text.size();) {
    if (text.compare(i, 2, "0x") == 0 && i + 2 < text.size() &&
        std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
      size_t end = i + 2;
      while (end < text.size() && std::isxdigit(static_cast<unsigned char>(text[end]))) ++end;
      if (found) found->push_back(text.substr(i, end - i));
      out += "0xADDR";
      i = end;
    } else {
      out += text[i++];
    }
  }
  return out;
}

TEST(DictInfo, PrintsAddressCountAndStatistics) {
  auto r = run_script("dict set d a 1; dict set d b 2; dict info d");
  EXPECT_EQ(r.code, Code::Ok);
  EXPECT_EQ(r.result, "");
  EXPECT_EQ(mask_addresses(r.output),
            "Dictionary 'd' at address 0xADDR 2 item(s)\n"
            "2 entries in table, 100 bucket(s) (2.00% use)\n"
            "Buckets with  0 or more entries: 98\t(Total: 0)\n"
            "Buckets with  1 or more entries: 2\t(Total: 2)\n"
            "Buckets with  2 or more entries: 0\t(Total: 0)\n"
            "Buckets with  3 or more entries: 0\t(Total: 0)\n"
            "Buckets with  4 or more entries: 0\t(Total: 0)\n"
            "Buckets with  5 or more entries: 0\t(Total: 0)\n"
            "Buckets with  6 or more entries: 0\t(Total: 0)\n"
            "Buckets with  7 or more entries: 0\t(Total: 0)\n"
            "Buckets with  8 or more entries: 0\t(Total: 0)\n"
            "Buckets with  9 or more entries: 0\t(Total: 0)\n"
            "Buckets with 10 or more entries: 0\t(Total: 0)\n"
            "Mean search distance per entry: 1.00\n");
}

TEST(DictInfo, AddressIsThatOfTheVariable) {
  // Two dictionaries are two records: their printed addresses differ.
  auto r = run_script("dict set d a 1; dict set e a 1; dict info d; dict info e");
  std::vector<std::string> addresses;
  mask_addresses(r.output, &addresses);
  ASSERT_EQ(addresses.size(), 2u) << r.output;
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

// The walk lists every non-empty bucket with its nodes, between the heading
// and the statistics, for arrays and dictionaries alike; standard input that
// is not a terminal never stops it.
TEST(HashWalk, ListsEveryBucket) {
  auto r = run_script("array set a {x 1 y 2}; array walk a");
  EXPECT_EQ(r.code, Code::Ok);
  std::string out = mask_addresses(r.output);
  EXPECT_NE(out.find("Bucket("), std::string::npos) << out;
  EXPECT_NE(out.find(" key:'x' => '1'\n"), std::string::npos) << out;
  EXPECT_NE(out.find(" key:'y' => '2'\n"), std::string::npos) << out;
  EXPECT_NE(out.find("Found:2 "), std::string::npos) << out;

  auto d = run_script("dict set d k [string repeat v 25]; dict walk d");
  EXPECT_NE(d.output.find(" key:'k' => 'vvvvvvvvvvvvvvvvvvvvvvvvv...'\n"), std::string::npos)
      << d.output;
}

size_t count_of(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

TEST(HashWalk, LimitCountsBuckets) {
  // 50 keys over 250 buckets: the whole walk shows one line per used bucket
  // and 50 nodes; a limit of 10 buckets shows no more than 10.
  const std::string fill = "for {set i 0} {< $i 50} {incr i} {set a($i) $i}; ";
  auto all = run_script(fill + "array walk a");
  size_t buckets = count_of(all.output, "Bucket(");
  EXPECT_GT(buckets, 10u);
  EXPECT_EQ(count_of(all.output, " key:'"), 50u);
  EXPECT_NE(all.output.find("Found:" + std::to_string(buckets) + " "), std::string::npos);
  auto some = run_script(fill + "array walk a 10");
  EXPECT_LE(count_of(some.output, "Bucket("), 10u);
  EXPECT_LT(count_of(some.output, " key:'"), 50u);
}
