// hash_table: bucket choice, chain order, counters, growth, scans and printouts.
#include "containers/hash_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/console.h"

namespace containers {
namespace {

// Captures console output for the life of the guard.
class CaptureGuard {
 public:
  CaptureGuard() { platform::set_capture(&text); }
  ~CaptureGuard() { platform::set_capture(nullptr); }
  std::string text;
};

std::string hex_address(const void* p) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "0x%" PRIxPTR, reinterpret_cast<uintptr_t>(p));
  return buf;
}

std::vector<std::string> chain_keys(const hash_table& t, uint32_t bucket) {
  std::vector<std::string> keys;
  for (const HashNode* n = t.table()[bucket]; n; n = n->next) keys.push_back(n->key);
  return keys;
}

// `count` keys of the form k<number> that fall into `bucket` of a table of `buckets`.
std::vector<std::string> keys_in_bucket(uint32_t bucket, int32_t buckets, size_t count) {
  std::vector<std::string> keys;
  for (int i = 0; keys.size() < count; ++i) {
    std::string key = "k" + std::to_string(i);
    if (hash_key(key, buckets) == bucket) keys.push_back(key);
  }
  return keys;
}

// Checks the structural invariants: slots null exactly when empty, root
// chain_count equal to the chain length, bucket_count equal to the entries.
void expect_consistent(const hash_table& t) {
  int32_t entries = 0;
  for (int32_t i = 0; i < t.table_size(); ++i) {
    const HashNode* root = t.table()[i];
    int32_t length = 0;
    for (const HashNode* n = root; n; n = n->next) {
      ++length;
      EXPECT_EQ(hash_key(n->key, t.table_size()), uint32_t(i)) << n->key;
    }
    if (root) {
      EXPECT_EQ(root->chain_count, length) << "bucket " << i;
    }
    entries += length;
  }
  EXPECT_EQ(entries, t.count());
}

TEST(HashKey, FoldsTheHexDigestOfTheExactBytes) {
  // Reference values computed independently from the MD5 hex digits.
  EXPECT_EQ(hash_key("", 250), 171u);
  EXPECT_EQ(hash_key("a", 250), 19u);
  EXPECT_EQ(hash_key("abc", 250), 150u);
  EXPECT_EQ(hash_key("ABC", 250), 4u);
  EXPECT_EQ(hash_key("hello", 100), 16u);
  EXPECT_EQ(hash_key("abc", 0), 0u);
  EXPECT_EQ(hash_key("abc", -5), 0u);
}

TEST(HashTable, DefaultsAndReplacement) {
  hash_table t;
  EXPECT_EQ(t.table_size(), 250);
  EXPECT_EQ(t.growth(), 100);
  EXPECT_DOUBLE_EQ(t.load_factor(), 2.5);
  EXPECT_TRUE(t.ignore_case());
  EXPECT_EQ(hash_table(0).table_size(), 250);

  EXPECT_TRUE(t.set("x", "1"));
  EXPECT_TRUE(t.set("x", "2"));
  EXPECT_EQ(t.count(), 1);
  EXPECT_EQ(t.total_nodes(), 1);
  EXPECT_EQ(t.used_buckets(), 1);
  core::Value v;
  EXPECT_TRUE(t.get("x", &v));
  EXPECT_EQ(v.view(), "2");
  EXPECT_FALSE(t.get("y", &v));
  EXPECT_TRUE(v.empty());
  // The empty key is an ordinary key.
  EXPECT_TRUE(t.set("", "e"));
  EXPECT_TRUE(t.get("", &v));
  EXPECT_EQ(v.view(), "e");
}

TEST(HashTable, ChainOrderIsRootThenNewestToOldest) {
  hash_table t(100);
  auto keys = keys_in_bucket(0, 100, 4);
  for (const auto& k : keys) ASSERT_TRUE(t.set(k, core::Value(k + "v")));
  EXPECT_EQ(chain_keys(t, 0), (std::vector<std::string>{keys[0], keys[3], keys[2], keys[1]}));
  EXPECT_EQ(t.table()[0]->chain_count, 4);
  EXPECT_EQ(t.max_depth(), 4);
  EXPECT_EQ(t.used_buckets(), 1);
  EXPECT_EQ(t.keys(), (std::vector<std::string>{keys[0], keys[3], keys[2], keys[1]}));
}

TEST(HashTable, RemovingRootsAndSingleNodes) {
  hash_table t(100);
  auto keys = keys_in_bucket(0, 100, 3);
  for (const auto& k : keys) t.set(k, "v");
  t.set("a", "only");  // bucket 69, alone
  EXPECT_EQ(t.used_buckets(), 2);

  EXPECT_TRUE(t.remove(keys[0]));
  ASSERT_NE(t.table()[0], nullptr);
  EXPECT_EQ(t.table()[0]->key, keys[2]);
  EXPECT_EQ(t.table()[0]->chain_count, 2);
  EXPECT_EQ(chain_keys(t, 0), (std::vector<std::string>{keys[2], keys[1]}));
  EXPECT_EQ(t.max_depth(), 3);  // never lowered by a removal

  EXPECT_TRUE(t.remove(keys[1]));
  EXPECT_EQ(t.table()[0]->chain_count, 1);

  uint32_t a = hash_key("a", 100);
  EXPECT_TRUE(t.remove("a"));
  EXPECT_EQ(t.table()[a], nullptr);
  EXPECT_EQ(t.used_buckets(), 1);
  EXPECT_FALSE(t.remove("a"));
  EXPECT_EQ(t.count(), 1);
  EXPECT_EQ(t.total_nodes(), 1);
  expect_consistent(t);
}

TEST(HashTable, KeysDifferingInCaseStayDistinctInOneBucket) {
  // Find a table size in which a key and its upper-case form share a bucket.
  int32_t buckets = 0;
  std::string lower, upper;
  for (int32_t b = 2; b < 200 && buckets == 0; ++b) {
    for (std::string k : {"abc", "key", "name", "foo"}) {
      std::string u = k;
      for (char& c : u) c = char(c - 'a' + 'A');
      if (hash_key(k, b) == hash_key(u, b)) {
        buckets = b, lower = k, upper = u;
        break;
      }
    }
  }
  ASSERT_NE(buckets, 0);
  hash_table t(buckets);
  t.set(lower, "small");
  t.set(upper, "BIG");
  EXPECT_EQ(t.count(), 2);
  EXPECT_EQ(t.table()[hash_key(lower, buckets)]->chain_count, 2);

  core::Value v;
  EXPECT_TRUE(t.get(upper, &v));
  EXPECT_EQ(v.view(), "BIG");
  EXPECT_TRUE(t.get(lower, &v));
  EXPECT_EQ(v.view(), "small");
  ASSERT_NE(t.find_node(upper), nullptr);
  EXPECT_EQ(t.find_node(upper)->key, upper);

  // Removing the later key must not take the root of the other case with it.
  EXPECT_TRUE(t.remove(upper));
  EXPECT_EQ(t.count(), 1);
  EXPECT_FALSE(t.get(upper));
  EXPECT_TRUE(t.get(lower, &v));
  EXPECT_EQ(v.view(), "small");
  EXPECT_FALSE(t.remove(upper));

  // Only the scans fold case, and only when asked.
  EXPECT_FALSE(t.scan_get(upper, &v, false));
  EXPECT_TRUE(t.scan_get(upper, &v, true));
  EXPECT_EQ(v.view(), "small");
  EXPECT_FALSE(t.scan_get("", &v, true));
}

TEST(HashTable, GrowsFrom250To350WhenHalfUsedAndChainsLong) {
  hash_table t;
  std::vector<std::pair<int32_t, int32_t>> before;  // (used_buckets, total_nodes) before each set
  int i = 0;
  for (; t.table_size() == 250; ++i) {
    ASSERT_LT(i, 10000);
    before.emplace_back(t.used_buckets(), t.total_nodes());
    ASSERT_TRUE(t.set("key" + std::to_string(i), core::Value::from_int(i)));
  }
  EXPECT_EQ(t.table_size(), 350);
  // The load test ran on the state before the growing insert, and had not
  // been met before it.
  auto loaded = [](std::pair<int32_t, int32_t> s) {
    return 2 * s.first > 250 && double(s.second) / s.first > 2.5;
  };
  EXPECT_TRUE(loaded(before.back()));
  for (size_t k = 0; k + 1 < before.size(); ++k) ASSERT_FALSE(loaded(before[k])) << k;

  EXPECT_EQ(t.count(), i);
  EXPECT_EQ(t.total_nodes(), i);
  // The rehash does not recount the used buckets.
  EXPECT_LE(t.used_buckets() - before.back().first, 1);
  expect_consistent(t);
  for (int k = 0; k < i; ++k) {
    core::Value v;
    ASSERT_TRUE(t.get("key" + std::to_string(k), &v));
    EXPECT_EQ(v.view(), std::to_string(k));
  }
  int depth = 0;
  for (int32_t b = 0; b < t.table_size(); ++b)
    if (t.table()[b]) depth = std::max(depth, int(t.table()[b]->chain_count));
  EXPECT_EQ(t.max_depth(), depth);
}

TEST(HashTable, SmallTablesNeverGrow) {
  hash_table t(100);
  for (int i = 0; i < 2000; ++i) t.set("n" + std::to_string(i), "v");
  EXPECT_EQ(t.table_size(), 100);
  EXPECT_EQ(t.count(), 2000);
  EXPECT_EQ(t.resize_advice(), 0);
  expect_consistent(t);

  CaptureGuard out;
  t.statistics();
  auto at = out.text.find("Mean search distance per entry: ");
  ASSERT_NE(at, std::string::npos);
  EXPECT_GT(std::stod(out.text.substr(at + 32)), 2.5);
}

TEST(HashTable, ResizeRules) {
  hash_table t(300);
  EXPECT_FALSE(t.resize(0, 0));
  EXPECT_EQ(t.table_size(), 300);
  EXPECT_TRUE(t.resize(1, 0));
  EXPECT_EQ(t.table_size(), 400);
  EXPECT_TRUE(t.resize(-1, 0));
  EXPECT_EQ(t.table_size(), 200);
  EXPECT_TRUE(t.resize(-1, 0));
  EXPECT_TRUE(t.resize(-1, 0));
  EXPECT_EQ(t.table_size(), 100);  // never below the growth step
}

TEST(HashTable, ClearKeepsTheBucketArray) {
  hash_table t(50);
  for (int i = 0; i < 120; ++i) t.set(std::to_string(i), "v");
  EXPECT_TRUE(t.clear());
  EXPECT_EQ(t.table_size(), 50);
  EXPECT_EQ(t.count(), 0);
  EXPECT_EQ(t.total_nodes(), 0);
  EXPECT_EQ(t.used_buckets(), 0);
  EXPECT_EQ(t.max_depth(), 0);
  for (int32_t i = 0; i < 50; ++i) EXPECT_EQ(t.table()[i], nullptr);
  EXPECT_TRUE(t.set("again", "1"));
  EXPECT_EQ(t.count(), 1);
}

TEST(HashTable, MovedFromTableIsEmptyAndRefusesWork) {
  hash_table t(100);
  t.set("a", "1");
  hash_table u(std::move(t));
  EXPECT_TRUE(u.get("a"));
  EXPECT_EQ(t.table(), nullptr);
  EXPECT_FALSE(t.set("a", "1"));
  EXPECT_FALSE(t.get("a"));
  EXPECT_FALSE(t.remove("a"));
  EXPECT_EQ(t.count(), 0);
  EXPECT_TRUE(t.keys().empty());
}

TEST(HashTable, ScansListValuesAndFindKeysByValue) {
  hash_table t(100);
  const char* values[] = {"abcdef", "x", "ABCDEF", "abcdef", "ab"};
  for (int i = 0; i < 5; ++i) t.set("k" + std::to_string(i), values[i]);

  std::vector<std::string> keys;
  std::vector<core::Value> vals;
  ASSERT_EQ(t.keys_and_values(keys, vals), 5u);
  EXPECT_EQ(keys, t.keys());
  ASSERT_EQ(vals.size(), t.values().size());
  for (size_t i = 0; i < vals.size(); ++i) EXPECT_EQ(vals[i], t.values()[i]);
  EXPECT_EQ(t.keys_and_values(keys, vals), 0u);  // outputs must start empty

  // Scan-order keys of the exact and the folded matches of "abcdef".
  std::vector<std::string> exact, folded;
  for (size_t i = 0; i < keys.size(); ++i) {
    if (vals[i].view() == "abcdef") exact.push_back(keys[i]);
    if (vals[i].view() == "abcdef" || vals[i].view() == "ABCDEF") folded.push_back(keys[i]);
  }
  ASSERT_EQ(exact.size(), 2u);
  ASSERT_EQ(folded.size(), 3u);
  ASSERT_NE(t.key_of_value("abcdef", false, 0, 0), nullptr);
  EXPECT_EQ(*t.key_of_value("abcdef", false, 0, 0), exact[0]);
  EXPECT_EQ(*t.key_of_value("abcdef", false, 0, 1), exact[0]);
  EXPECT_EQ(*t.key_of_value("abcdef", false, 0, 2), exact[1]);
  EXPECT_EQ(t.key_of_value("abcdef", false, 0, 3), nullptr);
  EXPECT_EQ(*t.key_of_value("abcdef", true, 0, 3), folded[2]);
  EXPECT_EQ(t.key_of_value("abcdef", false, 0, -1), nullptr);
  EXPECT_EQ(t.key_of_value("", false, 0, 0), nullptr);

  // A prefix compares only the leading characters; a shorter value still differs.
  EXPECT_EQ(t.key_of_value("abc", false, 0, 0), nullptr);
  EXPECT_EQ(*t.key_of_value("abc", false, 3, 2), exact[1]);
  EXPECT_EQ(t.key_of_value("abz", false, 3, 0), nullptr);
  const std::string* ab = t.key_of_value("ab", false, 3, 0);
  ASSERT_NE(ab, nullptr);
  EXPECT_EQ(*ab, "k4");
}

TEST(HashTable, TrimValues) {
  hash_table t(50);
  t.set("a", " \tboth\t ");
  t.set("b", "xxmidxx");
  EXPECT_EQ(t.trim_values("", 0), 0);
  core::Value v;
  t.get("a", &v);
  EXPECT_EQ(v.view(), "both");
  t.trim_values("x", 1);
  t.get("b", &v);
  EXPECT_EQ(v.view(), "midxx");
  t.trim_values("x", 2);
  t.get("b", &v);
  EXPECT_EQ(v.view(), "mid");
  t.set("c", "xxxx");
  t.trim_values("x", 0);
  t.get("c", &v);
  EXPECT_EQ(v.view(), "");
}

TEST(HashTablePrintout, StatisticsFormat) {
  hash_table t(100);
  auto keys = keys_in_bucket(0, 100, 2);
  t.set(keys[0], "1");
  t.set(keys[1], "2");
  t.set("a", "3");
  CaptureGuard out;
  t.statistics();
  std::string expected =
      "3 entries in table, 100 bucket(s) (2.00% use)\n"
      "Buckets with  0 or more entries: 98\t(Total: 0)\n"
      "Buckets with  1 or more entries: 1\t(Total: 1)\n"
      "Buckets with  2 or more entries: 1\t(Total: 2)\n";
  for (int j = 3; j < 10; ++j)
    expected += "Buckets with  " + std::to_string(j) + " or more entries: 0\t(Total: 0)\n";
  expected +=
      "Buckets with 10 or more entries: 0\t(Total: 0)\nMean search distance per entry: 1.50\n";
  EXPECT_EQ(out.text, expected);
}

TEST(HashTablePrintout, InfoFormat) {
  hash_table t(100);
  auto keys = keys_in_bucket(0, 100, 1);
  t.set(keys[0], "v");
  CaptureGuard out;
  t.info(2);
  // A lone root does not raise max_depth; only keys joining a chain do.
  EXPECT_EQ(out.text, "table array:\t" + hex_address(t.table()) +
                          "\ntable size:\t100\nbucket_count:\t1\ntotal nodes:\t1\n"
                          "max_depth:\t0\nis_binary:\tFalse\nignore_case:\tTrue\n"
                          "root node: 0->" +
                          hex_address(t.table()[0]) + " '" + keys[0] + "'\nroot node: 1->0x0 ''\n");
  out.text.clear();
  hash_table moved(std::move(t));
  t.info(5);
  EXPECT_EQ(out.text, "table:\t\tNULL\ntable size:\t0\n");
}

TEST(HashTablePrintout, DumpFormatLimitAndStop) {
  const std::string rule(70, '-');
  hash_table t(100);
  std::string key = keys_in_bucket(0, 100, 1)[0];
  t.set(key, "0123456789012345678901234");  // 25 characters: whole, then "..."
  t.set("a", "short");                      // bucket 69
  const HashNode* root = t.table()[0];
  std::string head =
      "<pre>\n" + rule + "\nhash_table object:" + hex_address(&t) + " size:100\n" + rule + "\n";
  std::string bucket0 = "Bucket(0) Node: " + hex_address(root) +
                        " chained nodes:1\n   1: " + hex_address(root) + " key:'" + key +
                        "' => '0123456789012345678901234...'\n";
  auto tail = [&](int found) {
    return "\nHash Table Statistics:\nRoot size:100 Found:" + std::to_string(found) + " (" +
           std::to_string(found) + ".00%) Max depth:0 Nodes:2\n" + rule + "\n</pre>\n";
  };
  {
    CaptureGuard out;
    t.dump(10, true, false, nullptr);
    EXPECT_EQ(out.text, head + bucket0 + tail(1));
  }
  {
    // A stop request before the first bucket ends the walk; the statistics still follow.
    CaptureGuard out;
    t.dump(0, true, false, [] { return true; });
    EXPECT_EQ(out.text, head + tail(0));
  }
  {
    CaptureGuard out;
    t.set(key, std::string(35, 'z'));
    t.dump(0, false, true, nullptr);
    EXPECT_EQ(out.text, key + " " + std::string(35, 'z') + "\na short\n");
    out.text.clear();
    t.dump(1, false, false, nullptr);
    EXPECT_NE(out.text.find("=> '" + std::string(30, 'z') + "...'\n"), std::string::npos);
  }
}

}  // namespace
}  // namespace containers

// The key index under heavy churn: every key found, removed keys gone, and the
// chains still holding exactly the live keys, against a plain map.
TEST(HashTable, IndexSurvivesInsertRemoveChurn) {
  containers::hash_table t(5);  // small: never grows, long chains
  std::map<std::string, std::string> model;
  uint32_t seed = 12345;
  auto next = [&seed] {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 8) % 3000;
  };
  for (int round = 0; round < 20000; ++round) {
    std::string key = "k" + std::to_string(next());
    if (round % 3 == 2) {
      EXPECT_EQ(t.remove(key), model.erase(key) == 1) << key;
    } else {
      std::string value = std::to_string(round);
      ASSERT_TRUE(t.set(key, core::Value(value)));
      model[key] = value;
    }
  }
  EXPECT_EQ(t.count(), static_cast<int32_t>(model.size()));
  for (int k = 0; k < 3000; ++k) {
    std::string key = "k" + std::to_string(k);
    core::Value out;
    auto it = model.find(key);
    ASSERT_EQ(t.get(key, &out), it != model.end()) << key;
    if (it != model.end()) {
      EXPECT_EQ(out.view(), it->second);
    }
  }
  std::map<std::string, std::string> scanned;
  t.for_each([&](const std::string& key, const core::Value& value) {
    scanned[key] = std::string(value.view());
  });
  EXPECT_EQ(scanned, model);
  t.clear();
  EXPECT_FALSE(t.get("k1"));
  ASSERT_TRUE(t.set("k1", core::Value("again")));
  EXPECT_TRUE(t.get("k1"));
}

// Every chain links both ways and its root counts it, through growth and
// removals of roots, middles and tails; removing oldest-first empties a large
// table with long chains.
TEST(HashTable, ChainsStayDoublyLinkedThroughGrowthAndRemoval) {
  auto check_chains = [](const containers::hash_table& t) {
    int64_t nodes = 0;
    for (int32_t b = 0; b < t.table_size(); ++b) {
      const containers::HashNode* root = t.table()[b];
      if (!root) continue;
      ASSERT_EQ(root->prev, nullptr);
      int32_t length = 0;
      for (const containers::HashNode* n = root; n; n = n->next) {
        ++length;
        if (n->next) {
          ASSERT_EQ(n->next->prev, n);
        }
      }
      ASSERT_EQ(root->chain_count, length);
      nodes += length;
    }
    ASSERT_EQ(nodes, t.count());
  };
  containers::hash_table t;
  for (int k = 0; k < 30000; ++k) {
    ASSERT_TRUE(t.set("key" + std::to_string(k), core::Value::from_int(k)));
    if (k % 7 == 3) {
      ASSERT_TRUE(t.remove("key" + std::to_string(k / 2)));
    }
    if (k % 5000 == 0) check_chains(t);
  }
  check_chains(t);
  for (int k = 0; k < 30000; ++k) (void)t.remove("key" + std::to_string(k));
  EXPECT_EQ(t.count(), 0);
  check_chains(t);
}
namespace containers {
namespace {

// A value is held by nothing but `v` exactly when it can grow in place.
bool only_holder(core::Value& v) {
  return v.append_in_place("+");
}

TEST(HashTable, RemovedClearedAndDestroyedNodesLetGoOfTheirValues) {
  core::Value a(std::string("first value"));
  core::Value b(std::string("second value"));
  core::Value c(std::string("third value"));
  {
    hash_table t(10);
    ASSERT_TRUE(t.set("a", a));
    ASSERT_TRUE(t.set("b", b));
    ASSERT_TRUE(t.set("c", c));
    EXPECT_TRUE(t.remove("a"));
    EXPECT_TRUE(only_holder(a));
    // The freed node is used again, with nothing of its old key or value.
    ASSERT_TRUE(t.set("k", core::Value("new")));
    EXPECT_EQ(t.find_node("k")->key, "k");
    EXPECT_FALSE(t.get("a"));
    EXPECT_TRUE(t.clear());
    EXPECT_TRUE(only_holder(b));
    ASSERT_TRUE(t.set("c", c));
    hash_table moved(std::move(t));
    core::Value out;
    EXPECT_TRUE(moved.get("c", &out));
    EXPECT_EQ(out.view(), "third value");
  }
  EXPECT_TRUE(only_holder(c));
}

// Nodes are found again by their number across the growing blocks and the
// full ones after them, including numbers that come back from removed nodes.
TEST(HashTable, ManyNodesKeepTheirEntriesAcrossBlocksAndMoves) {
  hash_table t(250);
  std::map<std::string, std::string> model;
  for (int i = 0; i < 5000; ++i) {
    ASSERT_TRUE(t.set("key" + std::to_string(i), core::Value::from_int(i)));
    model["key" + std::to_string(i)] = std::to_string(i);
  }
  for (int i = 0; i < 5000; i += 2) {
    ASSERT_TRUE(t.remove("key" + std::to_string(i)));
    model.erase("key" + std::to_string(i));
  }
  for (int i = 0; i < 2500; ++i) {
    ASSERT_TRUE(t.set("new" + std::to_string(i), core::Value("n" + std::to_string(i))));
    model["new" + std::to_string(i)] = "n" + std::to_string(i);
  }
  hash_table u(1);
  u = std::move(t);
  expect_consistent(u);
  EXPECT_EQ(u.count(), 5000);
  for (int i = 0; i < 5000; ++i) {
    std::string key = "key" + std::to_string(i);
    EXPECT_EQ(u.get(key), i % 2 == 1) << key;
  }
  for (const auto& [key, value] : model) {
    core::Value out;
    ASSERT_TRUE(u.get(key, &out)) << key;
    EXPECT_EQ(out.view(), value);
  }
}

// Keys of every length that differ only in their first, middle or last byte
// stay distinct entries and are each found with their own value.
TEST(HashTable, KeysDifferingInOneByteAtAnyLength) {
  hash_table t(50);
  std::vector<std::string> keys;
  for (size_t n = 1; n <= 40; ++n) {
    std::string base(n, 'x');
    for (size_t at : {size_t{0}, n / 2, n - 1}) {
      std::string key = base;
      key[at] = 'y';
      keys.push_back(key);
    }
    keys.push_back(base);
  }
  keys.push_back("");
  std::sort(keys.begin(), keys.end());
  keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
  for (size_t i = 0; i < keys.size(); ++i) {
    ASSERT_TRUE(t.set(keys[i], core::Value::from_int(static_cast<int64_t>(i))));
  }
  EXPECT_EQ(t.count(), static_cast<int32_t>(keys.size()));
  for (size_t i = 0; i < keys.size(); ++i) {
    core::Value out;
    ASSERT_TRUE(t.get(keys[i], &out)) << keys[i];
    EXPECT_EQ(out.view(), std::to_string(i)) << keys[i];
    EXPECT_FALSE(t.get(keys[i] + "z")) << keys[i];
  }
}

// The walk of a small table covers only the buckets where roots have been:
// it must still meet every entry after roots come and go at either end, after
// a rehash to a larger or smaller table, after clear() and after a move.
TEST(HashTable, SmallWalkMeetsEveryEntry) {
  auto expect_walk_is_chains = [](const hash_table& t, const std::string& when) {
    std::vector<std::string> chains;
    for (int32_t b = 0; b < t.table_size(); ++b) {
      for (const std::string& key : chain_keys(t, static_cast<uint32_t>(b))) chains.push_back(key);
    }
    std::vector<std::string> walked;
    t.for_each([&](const std::string& key, const core::Value&) { walked.push_back(key); });
    EXPECT_EQ(walked, chains) << when;
  };
  hash_table t(250);
  for (int i = 0; i < 40; ++i) ASSERT_TRUE(t.set("s" + std::to_string(i), core::Value("v")));
  expect_walk_is_chains(t, "filled");
  // Empty the lowest and the highest used buckets, then fill again.
  int32_t low = 0;
  while (!t.table()[low]) ++low;
  int32_t high = t.table_size() - 1;
  while (!t.table()[high]) --high;
  for (int32_t b : {low, high}) {
    for (const std::string& key : chain_keys(t, static_cast<uint32_t>(b)))
      ASSERT_TRUE(t.remove(key));
  }
  expect_walk_is_chains(t, "ends emptied");
  for (int i = 40; i < 60; ++i) ASSERT_TRUE(t.set("s" + std::to_string(i), core::Value("v")));
  expect_walk_is_chains(t, "refilled");
  ASSERT_TRUE(t.resize(+1, 0));
  expect_walk_is_chains(t, "grown");
  ASSERT_TRUE(t.resize(-1, 0));
  expect_walk_is_chains(t, "shrunk");
  hash_table moved(1);
  moved = std::move(t);
  expect_walk_is_chains(moved, "moved");
  moved.clear();
  expect_walk_is_chains(moved, "cleared");
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(moved.set("d" + std::to_string(i), core::Value("v")));
  expect_walk_is_chains(moved, "three after clear");
  int seen = 0;
  moved.for_each([&](const std::string&, const core::Value&) { ++seen; });
  EXPECT_EQ(seen, 3);
}

// The walk follows a batch of chains side by side; what it visits must be the
// chains themselves in bucket order, whatever the chain lengths and bucket
// counts (not a multiple of the batch), with removed roots and middles.
TEST(HashTable, WalkVisitsTheChainsInBucketOrder) {
  for (int32_t buckets : {1, 7, 17, 250, 1003}) {
    hash_table t(buckets);
    for (int i = 0; i < 6000; ++i) ASSERT_TRUE(t.set("w" + std::to_string(i), core::Value("v")));
    for (int i = 0; i < 6000; i += 7) ASSERT_TRUE(t.remove("w" + std::to_string(i)));
    std::vector<std::string> chains;
    for (int32_t b = 0; b < t.table_size(); ++b) {
      for (const std::string& key : chain_keys(t, static_cast<uint32_t>(b))) chains.push_back(key);
    }
    std::vector<std::string> walked;
    t.for_each([&](const std::string& key, const core::Value&) { walked.push_back(key); });
    EXPECT_EQ(walked, chains) << buckets << " buckets";
    EXPECT_EQ(walked.size(), static_cast<size_t>(t.count()));
    // A root whose count disagrees with its chain (counted too high or too
    // low) leaves the walk as it was: its batch is walked node by node.
    if (buckets < 17) continue;
    t.table()[3]->chain_count += 3;
    t.table()[12]->chain_count -= 1;
    walked.clear();
    t.for_each([&](const std::string& key, const core::Value&) { walked.push_back(key); });
    EXPECT_EQ(walked, chains) << buckets << " buckets, miscounted";
    t.table()[3]->chain_count -= 3;
    t.table()[12]->chain_count += 1;
  }
}

}  // namespace
}  // namespace containers
