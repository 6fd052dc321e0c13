// hash_table: the keyed store behind array and dictionary variables and the
// command table. A chained hash table from text keys to text values whose
// bucket is chosen from the MD5 digest of the key.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/value.h"

namespace containers {

// One entry of a chain. `chain_count` is meaningful in the root node only,
// where it holds the number of nodes in the chain. A node fills one cache
// line exactly, so that a walk waits for one line per node, not two.
struct alignas(64) HashNode {
  HashNode* next = nullptr;
  // The node before this one in its chain (null for the root), so that a
  // removal unlinks in constant time however long the chain has grown.
  HashNode* prev = nullptr;
  int32_t chain_count = 0;
  // The key's hash before the bucket modulo, so that a rehash places the node
  // without recomputing its MD5 digest.
  uint32_t hash = 0;
  std::string key;
  core::Value value;
};

// Bucket index of `key` in a table of `buckets` buckets: the MD5 digest of the
// key's exact bytes written as 32 lower-case hex digits, folded digit by digit
// with h = (h * 2) ^ digit (unsigned 32-bit), modulo the bucket count. Zero
// when `buckets` is not positive.
uint32_t hash_key(std::string_view key, int32_t buckets);
// The same fold before the modulo: hash_key(key, n) == key_hash(key) % n.
uint32_t key_hash(std::string_view key);

// Invariants:
//  - table()[i] is null exactly when bucket i is empty; otherwise it is the
//    root, the first key that went into the empty bucket. Later keys of the
//    bucket are linked directly after the root, so a chain reads root, newest,
//    ..., oldest. Scans visit buckets in index order and chains in that order.
//  - the root's chain_count equals the chain length.
//  - a key (compared byte for byte) occurs at most once.
// Counters follow fixed rules that scripts can observe through the printouts:
//  - used_buckets: +1 when set() creates a root, -1 when remove() empties a
//    bucket, 0 after clear(); a rehash does not recount it.
//  - total_nodes: +1 per new key, -1 per removal, 0 after clear(); a rehash
//    does not touch it.
//  - bucket_count: the number of entries (what count() returns); +1/-1 like
//    total_nodes, recounted by a rehash.
//  - max_depth: the longest chain seen; raised when a key joins an existing
//    chain (a new root leaves it alone, so a table of lone roots shows 0),
//    recomputed by a rehash, zeroed by clear(), never lowered by remove().
// Growth happens only in set() with its resize flag, and only for tables of at
// least 200 buckets, by `growth` buckets (100) at a time.
class hash_table {
 public:
  static constexpr int32_t kDefaultBuckets = 250;
  static constexpr int32_t kDefaultGrowth = 100;
  static constexpr double kDefaultLoadFactor = 2.5;

  explicit hash_table(int32_t initial_buckets = kDefaultBuckets, bool is_binary = false);
  ~hash_table();
  hash_table(const hash_table&) = delete;
  hash_table& operator=(const hash_table&) = delete;
  // A moved-from table has no bucket array: every operation on it reports
  // failure or emptiness.
  hash_table(hash_table&& other) noexcept;
  hash_table& operator=(hash_table&& other) noexcept;

  // Inserts or replaces. With `resize` the load test runs first. False when
  // there is no bucket array or memory runs out (the table is then unchanged).
  bool set(std::string_view key, const core::Value& value, bool resize = true);
  // The node whose key equals `key` byte for byte, or null.
  HashNode* find_node(std::string_view key) const;
  // Copies the value of `key` into `out` (when given); on failure `out`
  // becomes the empty value.
  bool get(std::string_view key, core::Value* out = nullptr) const;
  // Appends to the value of `key` where it lies, when the value is a
  // non-empty text (not the "{}" of an empty value) that nothing else holds.
  // False, changing nothing, otherwise.
  bool append_in_place(std::string_view key, std::string_view tail);
  // Removes the entry whose key equals `key` byte for byte.
  bool remove(std::string_view key);
  // Empties the table; the bucket array and its size stay. Always true.
  bool clear();
  int32_t count() const { return bucket_count_; }
  // Counts changes: every operation that can change the pairs or their scan
  // order advances it, so a form derived from the table (a text, a listing)
  // is current exactly while the generation it was built at is.
  uint64_t generation() const { return generation_; }

  // Whole-table scans, in scan order. A binary table lists nothing.
  std::vector<core::Value> values() const;
  std::vector<std::string> keys() const;
  // Fills both vectors index-aligned and returns the number of pairs; both
  // must be empty on entry, otherwise nothing is done and the result is 0.
  size_t keys_and_values(std::vector<std::string>& keys, std::vector<core::Value>& values) const;
  // Like get(), but visits every node in scan order and compares whole keys,
  // without regard to ASCII letter case when `fold_case` is set. An empty key
  // or a binary table gives false.
  bool scan_get(std::string_view key, core::Value* out, bool fold_case) const;
  // The key of the first (n = 0) or n-th (n > 0, 1 = first) node in scan
  // order whose value equals `value`: only `prefix_len` leading characters
  // when that is above 0, without regard to ASCII case when `fold_case` is
  // set. Null when there is no such node, for an empty search value, a
  // negative n and a binary table. The key belongs to the table.
  const std::string* key_of_value(std::string_view value, bool fold_case, int prefix_len,
                                  int n) const;
  // Trims the characters in `chars` (tab and space when empty) from every
  // value: mode 1 the left end, 2 the right end, anything else both. Returns 0.
  int trim_values(std::string_view chars, int mode);

  // Bucket array for callers that walk the chains themselves (may be null).
  HashNode* const* table() const { return table_.get(); }
  int32_t table_size() const { return table_size_; }
  int32_t used_buckets() const { return used_buckets_; }
  int32_t total_nodes() const { return total_nodes_; }
  int32_t max_depth() const { return max_depth_; }
  int32_t growth() const { return growth_; }
  double load_factor() const { return load_factor_; }
  bool ignore_case() const { return ignore_case_; }
  bool is_binary() const { return is_binary_; }

  // Calls f(key, value) for every entry in scan order. A chain is a linked
  // list of nodes that lie wherever they were allocated, so following one
  // chain waits for each node in turn. The walk instead takes the buckets a
  // batch at a time and follows all of the batch's chains side by side
  // (gather_chains): their loads are independent and arrive together. It then
  // visits the gathered nodes in scan order, from the cache. A table of few
  // entries is walked chain by chain: its nodes are few enough to be near.
  template <class F>
  void for_each(F&& f) const {
    if (bucket_count_ <= kPlainWalk) {
      for (int32_t i = low_root_; i < high_root_; ++i) {
        for (const HashNode* node = table_[i]; node; node = node->next) f(node->key, node->value);
      }
      return;
    }
    std::vector<const HashNode*> batch;
    for (int32_t first = 0; first < table_size_; first += kWalkBatch) {
      gather_chains(first, std::min(first + kWalkBatch, table_size_), batch);
      size_t n = batch.size();
      for (size_t j = 0; j < n; ++j) {
        if (j + 4 < n) batch[j + 4]->value.prefetch();
        f(batch[j]->key, batch[j]->value);
      }
    }
  }

  // Diagnostic printouts on the console.
  void statistics() const;
  // Prints buckets 0 .. limit-1 (all when limit <= 0). The walk stops early
  // when Escape is pressed.
  void dump(int limit, bool html, bool brief) const;
  // As above; the walk stops when `stop_requested` answers true before a bucket.
  void dump(int limit, bool html, bool brief, const std::function<bool()>& stop_requested) const;
  void info(int limit) const;

  // Grows (direction > 0), shrinks (< 0) or keeps (0, result false) the bucket
  // array and rehashes every node into it. `requested` is the size used when
  // growing a table that has no buckets yet (250 when not positive). A size
  // that cannot be allocated leaves the table as it is; the result is then
  // still true.
  bool resize(int direction, int32_t requested);
  // The load test: +1 grow, 0 keep, -1 shrink.
  int resize_advice() const;

 private:
  struct FreeDeleter {
    void operator()(HashNode** p) const { std::free(p); }
  };
  using BucketArray = std::unique_ptr<HashNode*[], FreeDeleter>;

  void release_chains();
  // The nodes of buckets first .. last-1 in scan order, into `out` (emptied
  // first). Also asks for the roots of the batch after.
  static constexpr int32_t kWalkBatch = 16;
  static constexpr int32_t kPlainWalk = 64;
  void gather_chains(int32_t first, int32_t last, std::vector<const HashNode*>& out) const;
  void reset_fields();

  // Nodes come from blocks the table owns, so that a table with many entries
  // is not many separate allocations, and all of them go at once when the
  // table is emptied or destroyed. The blocks hold 8, 16, ..., 512 nodes and
  // then 1024 each, so a node has a number (its place across the blocks) that
  // node_at() turns back into the node. A removed node waits, emptied, on a
  // free list for the next insertion, its number kept in its `hash`.
  HashNode* take_node(uint32_t& number);
  void give_back(HashNode* node, uint32_t number);
  HashNode* node_at(uint32_t number) const {
    constexpr uint32_t kGrowing = 1016;  // 8 + 16 + ... + 512
    if (number < kGrowing) {
      uint32_t block = 31 - static_cast<uint32_t>(__builtin_clz((number >> 3) + 1));
      return blocks_[block].get() + (number - 8 * ((1u << block) - 1));
    }
    number -= kGrowing;
    return blocks_[7 + (number >> 10)].get() + (number & 1023);
  }

  BucketArray table_;
  // Side index from key to node: look-ups cost O(1) however long the chains
  // grow, while the chains keep the order every scan shows. A flat table with
  // linear probing of (fast hash, node number) pairs, eight bytes a slot so
  // that a large index stays small for the caches; the keys are the nodes'
  // own, which never change while a node lives. Its capacity is zero or a
  // power of two kept above 16/13 of the entries, so a probe always meets an
  // empty slot.
  struct IndexSlot {
    uint32_t hash = 0;
    uint32_t node = 0;  // the node's number + 1; 0: empty
  };
  // The slot holding `key` or the empty slot where it would go (capacity > 0).
  size_t index_probe(std::string_view key, uint32_t hash) const;
  HashNode* index_node(size_t slot) const {
    uint32_t n = index_[slot].node;
    return n ? node_at(n - 1) : nullptr;
  }
  // True when one more entry needs a larger index.
  bool index_full() const { return (index_entries_ + 1) * 16 > index_.size() * 13; }
  // Doubles the index; false when memory runs out.
  bool index_grow();
  void index_erase(size_t slot);
  std::vector<IndexSlot> index_;
  size_t index_entries_ = 0;
  int32_t used_buckets_ = 0;
  int32_t total_nodes_ = 0;
  int32_t table_size_ = 0;
  int32_t bucket_count_ = 0;
  int32_t max_depth_ = 0;
  int32_t growth_ = kDefaultGrowth;
  double load_factor_ = kDefaultLoadFactor;
  bool ignore_case_ = true;
  bool is_binary_ = false;
  uint64_t generation_ = 0;
  // Every root lies in buckets low_root_ .. high_root_-1 (an empty range when
  // low_root_ >= high_root_). The bounds widen as roots are made and are
  // worked out again by a rehash; a removal leaves them, so they may be wider
  // than needed. A small table's walk (a dictionary of a few entries in 250
  // buckets) covers only them.
  int32_t low_root_ = 0;
  int32_t high_root_ = 0;
  void note_root(int32_t i) {
    if (low_root_ >= high_root_) {
      low_root_ = i;
      high_root_ = i + 1;
    } else {
      low_root_ = std::min(low_root_, i);
      high_root_ = std::max(high_root_, i + 1);
    }
  }
  // The node blocks (see take_node).
  std::vector<std::unique_ptr<HashNode[]>> blocks_;
  size_t last_block_size_ = 0;
  size_t last_block_used_ = 0;
  uint32_t handed_out_ = 0;  // nodes taken from the blocks so far
  HashNode* free_nodes_ = nullptr;
};

}  // namespace containers
