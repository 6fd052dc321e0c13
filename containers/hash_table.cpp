// hash_table: keyed operations, scans, growth and the diagnostic printouts.
#include "containers/hash_table.h"

#include <algorithm>
#include <array>
#include <cinttypes>
#include <climits>
#include <cstring>
#include <new>
#include <utility>

#include "containers/md5.h"
#include "containers/text_compare.h"
#include "platform/console.h"

namespace containers {

static_assert(sizeof(HashNode) == 64, "a node is meant to fill one cache line");
namespace {

constexpr int kAttrHeading = 14;
constexpr int kAttrBucket = 11;
constexpr int kAttrNormal = 7;
constexpr const char* kRule =
    "----------------------------------------------------------------------\n";

// Tables below this many buckets never change size on their own.
constexpr int32_t kMinResizable = 200;

inline uintptr_t address_of(const void* p) {
  return reinterpret_cast<uintptr_t>(p);
}

void trim_text(std::string_view& text, std::string_view chars, bool left, bool right) {
  if (left) {
    size_t first = text.find_first_not_of(chars);
    text.remove_prefix(first == std::string_view::npos ? text.size() : first);
  }
  if (right) {
    size_t last = text.find_last_not_of(chars);
    text = text.substr(0, last == std::string_view::npos ? 0 : last + 1);
  }
}

// The index's hash: eight bytes at a time, mixed by multiplication. It only
// has to spread keys over the index; the bucket choice stays with MD5.
uint32_t fast_hash(std::string_view key) {
  constexpr uint64_t kMul = 0x9E3779B97F4A7C15ull;
  uint64_t h = key.size() * kMul;
  const char* p = key.data();
  size_t n = key.size();
  while (n >= 8) {
    uint64_t w;
    std::memcpy(&w, p, 8);
    h = (h ^ w) * kMul;
    h ^= h >> 29;
    p += 8;
    n -= 8;
  }
  if (n > 0) {
    uint64_t w = 0;
    std::memcpy(&w, p, n);
    h = (h ^ w) * kMul;
  }
  h ^= h >> 32;
  h *= kMul;
  h ^= h >> 29;
  return static_cast<uint32_t>(h);
}

// Whether the n bytes at a and b (sizeof(Word) <= n <= 2 * sizeof(Word))
// are equal: two overlapping words each way.
template <class Word>
inline bool equal_in_two_words(const char* a, const char* b, size_t n) {
  Word a0, a1, b0, b1;
  std::memcpy(&a0, a, sizeof(Word));
  std::memcpy(&a1, a + n - sizeof(Word), sizeof(Word));
  std::memcpy(&b0, b, sizeof(Word));
  std::memcpy(&b1, b + n - sizeof(Word), sizeof(Word));
  return ((a0 ^ b0) | (a1 ^ b1)) == 0;
}

// Whether a node's key is `key`. Keys are mostly short: up to sixteen bytes
// are compared in place, without a library call.
inline bool same_key(const std::string& have, std::string_view key) {
  const size_t n = key.size();
  if (have.size() != n) return false;
  if (n >= 8 && n <= 16) return equal_in_two_words<uint64_t>(have.data(), key.data(), n);
  if (n >= 4 && n < 8) return equal_in_two_words<uint32_t>(have.data(), key.data(), n);
  return std::memcmp(have.data(), key.data(), n) == 0;
}

}  // namespace

size_t hash_table::index_probe(std::string_view key, uint32_t hash) const {
  size_t mask = index_.size() - 1;
  for (size_t i = hash & mask;; i = (i + 1) & mask) {
    IndexSlot slot = index_[i];
    if (!slot.node) return i;
    if (slot.hash == hash && same_key(node_at(slot.node - 1)->key, key)) return i;
  }
}

bool hash_table::index_grow() {
  size_t capacity = index_.empty() ? 16 : index_.size() * 2;
  std::vector<IndexSlot> fresh;
  try {
    fresh.resize(capacity);
  } catch (const std::bad_alloc&) {
    return false;
  }
  size_t mask = capacity - 1;
  for (const IndexSlot& slot : index_) {
    if (!slot.node) continue;
    size_t i = slot.hash & mask;
    while (fresh[i].node) i = (i + 1) & mask;
    fresh[i] = slot;
  }
  index_.swap(fresh);
  return true;
}

void hash_table::index_erase(size_t slot) {
  // Backward-shift deletion: later entries of the same run move up, so no
  // probe ever stops early at the hole.
  size_t mask = index_.size() - 1;
  size_t hole = slot;
  for (size_t i = (slot + 1) & mask; index_[i].node; i = (i + 1) & mask) {
    size_t home = index_[i].hash & mask;
    // The entry may fill the hole when its home is not inside (hole, i].
    bool movable = hole <= i ? (home <= hole || home > i) : (home <= hole && home > i);
    if (movable) {
      index_[hole] = index_[i];
      hole = i;
    }
  }
  index_[hole] = IndexSlot{};
  --index_entries_;
}

// The fold of one digest byte's two hex digits: (h << 1 ^ high) << 1 ^ low
// is h << 2 ^ (high << 1 ^ low), so each byte costs one look-up.
constexpr std::array<uint16_t, 256> kHexPairFold = [] {
  constexpr char kHex[] = "0123456789abcdef";
  std::array<uint16_t, 256> fold{};
  for (size_t byte = 0; byte < 256; ++byte) {
    fold[byte] = static_cast<uint16_t>((static_cast<uint8_t>(kHex[byte >> 4]) << 1) ^
                                       static_cast<uint8_t>(kHex[byte & 15]));
  }
  return fold;
}();

uint32_t key_hash(std::string_view key) {
  // The fold runs over the digest's hex digits, read from the bytes directly:
  // h = (h << 1) ^ digit for each digit in turn.
  Md5Digest digest = md5_digest(key);
  uint32_t h = 0;
  for (uint8_t byte : digest) h = (h << 2) ^ kHexPairFold[byte];
  return h;
}

uint32_t hash_key(std::string_view key, int32_t buckets) {
  if (buckets <= 0) return 0;
  return key_hash(key) % static_cast<uint32_t>(buckets);
}

hash_table::hash_table(int32_t initial_buckets, bool is_binary) : is_binary_(is_binary) {
  resize(+1, initial_buckets);
}

hash_table::~hash_table() {
  release_chains();
}

hash_table::hash_table(hash_table&& other) noexcept
    : table_(std::move(other.table_)),
      index_(std::move(other.index_)),
      index_entries_(other.index_entries_),
      used_buckets_(other.used_buckets_),
      total_nodes_(other.total_nodes_),
      table_size_(other.table_size_),
      bucket_count_(other.bucket_count_),
      max_depth_(other.max_depth_),
      growth_(other.growth_),
      load_factor_(other.load_factor_),
      ignore_case_(other.ignore_case_),
      is_binary_(other.is_binary_),
      generation_(other.generation_ + 1),
      low_root_(other.low_root_),
      high_root_(other.high_root_),
      blocks_(std::move(other.blocks_)),
      last_block_size_(other.last_block_size_),
      last_block_used_(other.last_block_used_),
      handed_out_(other.handed_out_),
      free_nodes_(other.free_nodes_) {
  ++other.generation_;
  other.reset_fields();
}

hash_table& hash_table::operator=(hash_table&& other) noexcept {
  if (this != &other) {
    release_chains();
    table_ = std::move(other.table_);
    index_ = std::move(other.index_);
    index_entries_ = other.index_entries_;
    used_buckets_ = other.used_buckets_;
    total_nodes_ = other.total_nodes_;
    table_size_ = other.table_size_;
    bucket_count_ = other.bucket_count_;
    max_depth_ = other.max_depth_;
    growth_ = other.growth_;
    load_factor_ = other.load_factor_;
    ignore_case_ = other.ignore_case_;
    is_binary_ = other.is_binary_;
    generation_ = std::max(generation_, other.generation_) + 1;
    low_root_ = other.low_root_;
    high_root_ = other.high_root_;
    blocks_ = std::move(other.blocks_);
    last_block_size_ = other.last_block_size_;
    last_block_used_ = other.last_block_used_;
    handed_out_ = other.handed_out_;
    free_nodes_ = other.free_nodes_;
    ++other.generation_;
    other.reset_fields();
  }
  return *this;
}

void hash_table::reset_fields() {
  table_.reset();
  index_.clear();
  index_entries_ = 0;
  used_buckets_ = total_nodes_ = table_size_ = bucket_count_ = max_depth_ = 0;
  growth_ = kDefaultGrowth;
  load_factor_ = kDefaultLoadFactor;
  ignore_case_ = true;
  is_binary_ = false;
  low_root_ = high_root_ = 0;
  blocks_.clear();
  last_block_size_ = last_block_used_ = 0;
  handed_out_ = 0;
  free_nodes_ = nullptr;
}

HashNode* hash_table::take_node(uint32_t& number) {
  HashNode* node = free_nodes_;
  if (node) {
    free_nodes_ = node->next;
    node->next = nullptr;
    number = std::exchange(node->hash, 0);
    return node;
  }
  // Numbers must stay below the index's "empty" mark.
  if (handed_out_ == UINT32_MAX - 1) return nullptr;
  if (last_block_used_ == last_block_size_) {
    // Blocks double from 8 nodes up to 1024 (the layout node_at() reads).
    size_t size = last_block_size_ == 0 ? 8 : std::min<size_t>(last_block_size_ * 2, 1024);
    try {
      blocks_.reserve(blocks_.size() + 1);
      blocks_.push_back(std::make_unique<HashNode[]>(size));
    } catch (const std::bad_alloc&) {
      return nullptr;
    }
    last_block_size_ = size;
    last_block_used_ = 0;
  }
  number = handed_out_++;
  return &blocks_.back()[last_block_used_++];
}

void hash_table::give_back(HashNode* node, uint32_t number) {
  std::string().swap(node->key);
  node->value = core::Value();
  node->chain_count = 0;
  node->hash = number;
  node->prev = nullptr;
  node->next = free_nodes_;
  free_nodes_ = node;
}

void hash_table::release_chains() {
  if (!table_) return;
  // The nodes' values are released after the table is consistently empty:
  // releasing a value can run code that looks at this table.
  std::vector<std::unique_ptr<HashNode[]>> blocks = std::move(blocks_);
  reset_fields();
  blocks.clear();
}

void hash_table::gather_chains(int32_t first, int32_t last,
                               std::vector<const HashNode*>& out) const {
  out.clear();
  // Each chain gets the room its root's count says, and all are followed one
  // step per round. A count that disagrees with its chain (which the table's
  // invariants rule out) sends the batch down the plain road.
  const HashNode* cursor[kWalkBatch];
  size_t pos[kWalkBatch];
  size_t end[kWalkBatch];
  int chains = 0;
  size_t total = 0;
  for (int32_t b = first; b < last; ++b) {
    const HashNode* root = table_[b];
    if (!root) continue;
    cursor[chains] = root;
    pos[chains] = total;
    total += static_cast<size_t>(std::max<int32_t>(root->chain_count, 1));
    end[chains++] = total;
  }
  for (int32_t b = last; b < std::min(last + kWalkBatch, table_size_); ++b) {
    __builtin_prefetch(table_[b]);
  }
  out.resize(total);
  bool agrees = true;
  for (int live = chains; live > 0 && agrees;) {
    live = 0;
    for (int k = 0; k < chains; ++k) {
      const HashNode* node = cursor[k];
      if (!node) continue;
      out[pos[k]++] = node;
      const HashNode* next = node->next;
      if ((next != nullptr) != (pos[k] < end[k])) agrees = false;
      cursor[k] = next;
      if (next) {
        __builtin_prefetch(next);
        ++live;
      }
    }
  }
  if (agrees) return;
  out.clear();
  for (int32_t b = first; b < last; ++b) {
    for (const HashNode* node = table_[b]; node; node = node->next) out.push_back(node);
  }
}

bool hash_table::set(std::string_view key, const core::Value& value, bool resize_allowed) {
  if (!table_) return false;
  ++generation_;
  if (resize_allowed) resize(resize_advice(), 0);
  uint32_t fast = fast_hash(key);
  size_t slot = 0;
  bool probed = false;
  if (!index_.empty()) {
    slot = index_probe(key, fast);
    if (HashNode* found = index_node(slot)) {
      found->value = value;
      return true;
    }
    probed = true;
  }
  if (index_full()) {
    if (!index_grow()) return false;
    probed = false;
  }
  uint32_t h = key_hash(key);
  uint32_t i = h % static_cast<uint32_t>(table_size_);
  HashNode* root = table_[i];
  // The chain's first two nodes are written below, after the new node is
  // filled in: ask for them now so that the two waits overlap that work.
  if (root) {
    __builtin_prefetch(root, 1);
    if (HashNode* second = root->next) __builtin_prefetch(second, 1);
  }
  uint32_t number = 0;
  HashNode* node = take_node(number);
  if (!node) return false;
  try {
    node->key.assign(key);
  } catch (const std::bad_alloc&) {
    give_back(node, number);
    return false;
  }
  if (!probed) slot = index_probe(key, fast);
  index_[slot] = IndexSlot{fast, number + 1};
  ++index_entries_;
  node->value = value;
  node->hash = h;
  if (!root) {
    node->chain_count = 1;
    node->prev = nullptr;
    table_[i] = node;
    note_root(static_cast<int32_t>(i));
    ++used_buckets_;
  } else {
    node->next = root->next;
    node->prev = root;
    if (root->next) root->next->prev = node;
    root->next = node;
    ++root->chain_count;
    if (root->chain_count > max_depth_) max_depth_ = root->chain_count;
  }
  ++total_nodes_;
  ++bucket_count_;
  return true;
}

HashNode* hash_table::find_node(std::string_view key) const {
  if (!table_ || index_.empty()) return nullptr;
  return index_node(index_probe(key, fast_hash(key)));
}

bool hash_table::get(std::string_view key, core::Value* out) const {
  const HashNode* node = find_node(key);
  if (out) *out = node ? node->value : core::Value();
  return node != nullptr;
}

bool hash_table::append_in_place(std::string_view key, std::string_view tail) {
  HashNode* node = find_node(key);
  if (!node || node->value.view() == "{}") return false;
  if (!tail.empty() && !node->value.append_in_place(tail)) return false;
  ++generation_;
  return true;
}

bool hash_table::remove(std::string_view key) {
  if (!table_ || index_.empty()) return false;
  size_t found = index_probe(key, fast_hash(key));
  HashNode* target = index_node(found);
  if (!target) return false;
  uint32_t number = index_[found].node - 1;
  ++generation_;
  uint32_t i = target->hash % static_cast<uint32_t>(table_size_);
  HashNode* node = target;
  index_erase(found);
  if (!node->prev) {
    HashNode* successor = node->next;
    if (successor) {
      successor->chain_count = node->chain_count;
      successor->prev = nullptr;
    } else {
      --used_buckets_;
    }
    table_[i] = successor;
  } else {
    node->prev->next = node->next;
    if (node->next) node->next->prev = node->prev;
  }
  give_back(node, number);
  if (table_[i]) --table_[i]->chain_count;
  --bucket_count_;
  --total_nodes_;
  return true;
}

bool hash_table::clear() {
  ++generation_;
  if (table_) std::fill(table_.get(), table_.get() + table_size_, nullptr);
  low_root_ = high_root_ = 0;
  std::fill(index_.begin(), index_.end(), IndexSlot{});
  index_entries_ = 0;
  used_buckets_ = total_nodes_ = bucket_count_ = max_depth_ = 0;
  // The nodes' values are released once the table is consistently empty.
  std::vector<std::unique_ptr<HashNode[]>> blocks = std::move(blocks_);
  blocks_.clear();
  last_block_size_ = last_block_used_ = 0;
  handed_out_ = 0;
  free_nodes_ = nullptr;
  blocks.clear();
  return true;
}

std::vector<core::Value> hash_table::values() const {
  std::vector<core::Value> result;
  if (is_binary_) return result;
  result.reserve(static_cast<size_t>(bucket_count_ > 0 ? bucket_count_ : 0));
  for_each([&](const std::string&, const core::Value& value) { result.push_back(value); });
  return result;
}

std::vector<std::string> hash_table::keys() const {
  std::vector<std::string> result;
  if (is_binary_) return result;
  result.reserve(static_cast<size_t>(bucket_count_ > 0 ? bucket_count_ : 0));
  for_each([&](const std::string& key, const core::Value&) { result.push_back(key); });
  return result;
}

size_t hash_table::keys_and_values(std::vector<std::string>& keys,
                                   std::vector<core::Value>& values) const {
  if (!keys.empty() || !values.empty() || is_binary_) return 0;
  for_each([&](const std::string& key, const core::Value& value) {
    keys.push_back(key);
    values.push_back(value);
  });
  return keys.size();
}

bool hash_table::scan_get(std::string_view key, core::Value* out, bool fold_case) const {
  const HashNode* found = nullptr;
  if (!key.empty() && !is_binary_) {
    for (int32_t i = 0; i < table_size_ && !found; ++i) {
      for (const HashNode* node = table_[i]; node; node = node->next) {
        if (equal_text(node->key, key, fold_case)) {
          found = node;
          break;
        }
      }
    }
  }
  if (out) *out = found ? found->value : core::Value();
  return found != nullptr;
}

const std::string* hash_table::key_of_value(std::string_view value, bool fold_case, int prefix_len,
                                            int n) const {
  if (value.empty() || is_binary_ || n < 0) return nullptr;
  int matches = 0;
  for (int32_t i = 0; i < table_size_; ++i) {
    const HashNode* root = table_[i];
    if (!root || root->chain_count <= 0) continue;
    for (const HashNode* node = root; node; node = node->next) {
      if (!equal_prefix(node->value.view(), value, prefix_len, fold_case)) continue;
      if (n == 0 || ++matches == n) return &node->key;
    }
  }
  return nullptr;
}

int hash_table::trim_values(std::string_view chars, int mode) {
  if (is_binary_) return 0;
  ++generation_;
  if (chars.empty()) chars = "\t ";
  bool left = mode != 2;
  bool right = mode != 1;
  for (int32_t i = 0; i < table_size_; ++i) {
    for (HashNode* node = table_[i]; node; node = node->next) {
      std::string_view text = node->value.view();
      size_t before = text.size();
      trim_text(text, chars, left, right);
      if (text.size() != before) node->value = core::Value(text);
    }
  }
  return 0;
}

int hash_table::resize_advice() const {
  if (table_size_ < kMinResizable || !table_ || table_size_ <= 0) return 0;
  if (table_size_ >= 2 * static_cast<int64_t>(used_buckets_) || used_buckets_ <= 0) return 0;
  double r = static_cast<double>(total_nodes_) / used_buckets_;
  if (r > load_factor_) return 1;
  if (r < 1.0) return -1;
  return 0;
}

bool hash_table::resize(int direction, int32_t requested) {
  if (direction == 0) return false;
  int64_t size;
  if (direction > 0 && table_size_ == 0) {
    size = requested > 0 ? requested : kDefaultBuckets;
  } else if (direction > 0) {
    size = growth_ > 0 ? int64_t(table_size_) + growth_ : 2 * int64_t(table_size_);
  } else {
    size = std::max<int64_t>(growth_, table_size_ / 2);
  }
  // A size that cannot be held counts like a failed allocation: nothing changes.
  if (size <= 0 || size > INT32_MAX) return true;
  // calloc hands out zeroed pages without touching them, so a large bucket
  // array costs memory only as buckets are used.
  BucketArray fresh(
      static_cast<HashNode**>(std::calloc(static_cast<size_t>(size), sizeof(HashNode*))));
  if (!fresh) return true;
  ++generation_;  // the scan order changes

  BucketArray old = std::exchange(table_, std::move(fresh));
  int32_t old_size = std::exchange(table_size_, static_cast<int32_t>(size));
  max_depth_ = 0;
  bucket_count_ = 0;
  low_root_ = high_root_ = 0;
  if (!old) return true;
  for (int32_t b = 0; b < old_size; ++b) {
    HashNode* node = old[b];
    while (node) {
      HashNode* next = node->next;
      uint32_t i = node->hash % static_cast<uint32_t>(table_size_);
      HashNode* root = table_[i];
      if (!root) {
        node->chain_count = 1;
        node->next = nullptr;
        node->prev = nullptr;
        table_[i] = root = node;
        note_root(static_cast<int32_t>(i));
      } else {
        node->chain_count = 0;
        node->next = root->next;
        node->prev = root;
        if (root->next) root->next->prev = node;
        root->next = node;
        ++root->chain_count;
      }
      if (root->chain_count > max_depth_) max_depth_ = root->chain_count;
      ++bucket_count_;
      node = next;
    }
  }
  return true;
}

void hash_table::statistics() const {
  long used = 0;
  long histogram[11] = {};
  long sum = 0;
  for (int32_t i = 0; i < table_size_; ++i) {
    const HashNode* root = table_[i];
    if (!root) {
      ++histogram[0];
      continue;
    }
    ++used;
    int c = root->chain_count;
    ++histogram[c >= 10 ? 10 : (c < 0 ? 0 : c)];
    sum += c;
  }
  double use = used == 0 ? 0.0 : static_cast<double>(used) / table_size_ * 100.0;
  platform::outf("%li entries in table, %li bucket(s) (%.2f%% use)\n", long(bucket_count_),
                 long(table_size_), use);
  long totals = 0;
  for (long j = 0; j <= 10; ++j) {
    platform::outf("Buckets with %2li or more entries: %li\t", j, histogram[j]);
    long total = j < 10 ? j * histogram[j] : sum - totals;
    totals += total;
    platform::outf("(Total: %li)\n", total);
  }
  platform::outf("Mean search distance per entry: %.2f\n",
                 used == 0 ? 0.0 : static_cast<double>(sum) / used);
}

void hash_table::dump(int limit, bool html, bool brief) const {
  dump(limit, html, brief, [] { return platform::escape_pressed(); });
}

void hash_table::dump(int limit, bool html, bool brief,
                      const std::function<bool()>& stop_requested) const {
  if (html) platform::out("<pre>\n");
  if (table_) {
    if (!brief) {
      platform::set_attribute(kAttrHeading);
      platform::out(kRule);
      platform::outf("hash_table object:0x%" PRIxPTR " size:%li\n", address_of(this),
                     long(table_size_));
      platform::out(kRule);
      platform::set_attribute(kAttrNormal);
    }
    int32_t end = limit <= 0 || limit > table_size_ ? table_size_ : limit;
    long found = 0;
    for (int32_t i = 0; i < end; ++i) {
      if (stop_requested && stop_requested()) break;
      const HashNode* root = table_[i];
      if (!root || root->chain_count <= 0) continue;
      ++found;
      if (!brief) {
        platform::set_attribute(kAttrBucket);
        platform::outf("Bucket(%li) Node: 0x%" PRIxPTR " chained nodes:%li\n", long(i),
                       address_of(root), long(root->chain_count));
        platform::set_attribute(kAttrNormal);
      }
      long number = 0;
      for (const HashNode* node = root; node; node = node->next) {
        ++number;
        if (brief) {
          platform::outf("%.30s %.40s\n", node->key.c_str(), node->value.c_str());
          continue;
        }
        platform::outf("   %li: 0x%" PRIxPTR " key:'%s' => '", number, address_of(node),
                       node->key.c_str());
        if (is_binary_) {
          platform::outf("%s\n", node->value.c_str());
        } else if (node->value.size() > 20) {
          platform::outf("%-.30s...'\n", node->value.c_str());
        } else {
          platform::outf("%-.30s'\n", node->value.c_str());
        }
      }
    }
    if (!brief) {
      platform::set_attribute(kAttrHeading);
      platform::out("\nHash Table Statistics:\n");
      platform::outf("Root size:%li Found:%li (%.2f%%) Max depth:%li Nodes:%li\n",
                     long(table_size_), found, static_cast<double>(found) / table_size_ * 100.0,
                     long(max_depth_), long(bucket_count_));
      platform::out(kRule);
      platform::set_attribute(kAttrNormal);
    }
  }
  if (html) platform::out("</pre>\n");
}

void hash_table::info(int limit) const {
  if (!table_) {
    platform::out("table:\t\tNULL\n");
    platform::outf("table size:\t%li\n", long(table_size_));
    return;
  }
  platform::outf("table array:\t0x%" PRIxPTR "\n", address_of(table_.get()));
  platform::outf("table size:\t%li\n", long(table_size_));
  platform::outf("bucket_count:\t%li\n", long(bucket_count_));
  platform::outf("total nodes:\t%li\n", long(total_nodes_));
  platform::outf("max_depth:\t%li\n", long(max_depth_));
  platform::outf("is_binary:\t%s\n", is_binary_ ? "True" : "False");
  platform::outf("ignore_case:\t%s\n", ignore_case_ ? "True" : "False");
  int32_t end = limit < table_size_ ? limit : table_size_;
  for (int32_t i = 0; i < end; ++i) {
    const HashNode* root = table_[i];
    platform::outf("root node: %i->0x%" PRIxPTR " '%.40s'\n", int(i), address_of(root),
                   root ? root->key.c_str() : "");
  }
}

}  // namespace containers
