// The block pool hands out each block once while it is in use, takes blocks
// back on any thread, and passes what a thread leaves to the threads after
// it. Values made on one thread outlive it and are freed on another.
#include "core/block_pool.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "core/value.h"

namespace {

constexpr size_t kSize = 48;
using Pool = core::BlockPool<kSize>;

// Takes `n` blocks, fills each with its own byte, and checks no block is
// one already in use.
std::vector<unsigned char*> take_filled(size_t n, std::set<void*>& in_use) {
  std::vector<unsigned char*> blocks;
  for (size_t i = 0; i < n; ++i) {
    auto* b = static_cast<unsigned char*>(Pool::take());
    EXPECT_TRUE(in_use.insert(b).second) << "block handed out twice";
    EXPECT_EQ(reinterpret_cast<uintptr_t>(b) % core::kBlockAlign, 0u);
    std::memset(b, static_cast<int>(i & 0xFF), kSize);
    blocks.push_back(b);
  }
  return blocks;
}

void expect_filled(const std::vector<unsigned char*>& blocks) {
  for (size_t i = 0; i < blocks.size(); ++i) {
    for (size_t k = 0; k < kSize; ++k) {
      ASSERT_EQ(blocks[i][k], static_cast<unsigned char>(i & 0xFF)) << "block " << i;
    }
  }
}

TEST(BlockPool, BlocksInUseNeverOverlapAndFreedOnesReturn) {
  std::set<void*> in_use;
  // More than one slab's worth.
  auto first = take_filled(5000, in_use);
  auto second = take_filled(3000, in_use);
  expect_filled(first);
  expect_filled(second);
  for (unsigned char* b : first) {
    in_use.erase(b);
    Pool::give(b);
  }
  auto third = take_filled(5000, in_use);
  expect_filled(second);
  expect_filled(third);
  for (auto* list : {&second, &third}) {
    for (unsigned char* b : *list) Pool::give(b);
  }
}

TEST(BlockPool, BlocksOutliveTheirThreadAndPassToTheNext) {
  std::set<void*> in_use;
  std::vector<unsigned char*> from_thread;
  std::vector<unsigned char*> kept;
  std::thread maker([&] {
    from_thread = take_filled(3000, in_use);
    // Half go back to the maker's own list before it ends.
    for (size_t i = 0; i < 1500; ++i) {
      in_use.erase(from_thread[i]);
      Pool::give(from_thread[i]);
    }
    from_thread.erase(from_thread.begin(), from_thread.begin() + 1500);
    kept = take_filled(10, in_use);
  });
  maker.join();
  // Rewrite by index: the kept blocks are checked by their new positions.
  for (size_t i = 0; i < from_thread.size(); ++i) std::memset(from_thread[i], int(i & 0xFF), kSize);
  std::vector<unsigned char*> later;
  std::thread user([&] { later = take_filled(6000, in_use); });
  user.join();
  expect_filled(from_thread);
  expect_filled(later);
  for (auto* list : {&from_thread, &kept, &later}) {
    for (unsigned char* b : *list) Pool::give(b);
  }
}

TEST(BlockPool, ValuesMadeOnAThreadAreFreedOnAnother) {
  std::vector<core::Value> values;
  std::thread maker([&] {
    for (int64_t i = 0; i < 20000; ++i) values.push_back(core::Value::from_int(i * 7));
  });
  maker.join();
  for (int64_t i = 0; i < 20000; ++i) {
    ASSERT_EQ(values[static_cast<size_t>(i)].view(), std::to_string(i * 7));
  }
  values.clear();
  std::vector<core::Value> more;
  for (int64_t i = 0; i < 20000; ++i) more.push_back(core::Value(std::to_string(i) + "x"));
  for (int64_t i = 0; i < 20000; ++i) {
    ASSERT_EQ(more[static_cast<size_t>(i)].view(), std::to_string(i) + "x");
  }
}

}  // namespace
