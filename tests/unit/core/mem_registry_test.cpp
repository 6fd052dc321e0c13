// The registry of script-addressable memory: range look-ups at the edges of
// blocks, release, texts that stay valid only while their owner holds them.
#include "core/mem_registry.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using core::BlockKind;
using core::MemRegistry;
using core::Value;

TEST(MemRegistry, RangesMustLieInsideOneBlock) {
  MemRegistry reg;
  uint64_t a = reg.allocate(16, BlockKind::Malloc);
  ASSERT_NE(a, 0u);
  EXPECT_TRUE(reg.find(a, 16, true));
  EXPECT_TRUE(reg.find(a + 15, 1, true));
  EXPECT_FALSE(reg.find(a + 15, 2, true));
  EXPECT_FALSE(reg.find(a + 16, 1, false));
  EXPECT_FALSE(reg.find(a - 1, 1, false));
  EXPECT_FALSE(reg.find(a, UINT64_MAX, false));
  EXPECT_FALSE(reg.find(a + 8, UINT64_MAX - 4, false));
  EXPECT_FALSE(reg.find(0, 1, false));
  auto span = reg.find(a + 4, 2, false);
  ASSERT_TRUE(span);
  EXPECT_EQ(span->avail, 12u);
  EXPECT_EQ(span->base, a);
  EXPECT_EQ(span->data[0], 0);  // zero-filled
}

TEST(MemRegistry, ReleaseIsForMallocBlocksByTheirStart) {
  MemRegistry reg;
  uint64_t m = reg.allocate(8, BlockKind::Malloc);
  uint64_t s = reg.allocate(8, BlockKind::Struct);
  EXPECT_FALSE(reg.release_malloc(m + 1));
  EXPECT_FALSE(reg.release_malloc(s));
  EXPECT_EQ(reg.malloc_count(), 1);
  EXPECT_TRUE(reg.release_malloc(m));
  EXPECT_FALSE(reg.release_malloc(m));
  EXPECT_FALSE(reg.find(m, 1, false));
  EXPECT_EQ(reg.malloc_count(), 0);
  // A block allocated after a release does not get the released address.
  uint64_t again = reg.allocate(8, BlockKind::Malloc);
  EXPECT_NE(again, m);
  EXPECT_EQ(reg.check(), "");
}

TEST(MemRegistry, SizesOutsideTheLimitAreRefused) {
  MemRegistry reg;
  EXPECT_EQ(reg.allocate(0, BlockKind::Malloc), 0u);
  EXPECT_EQ(reg.allocate(static_cast<size_t>(core::kMaxScriptBlock) + 1, BlockKind::Malloc), 0u);
  EXPECT_EQ(reg.allocate(4, BlockKind::Text), 0u);
}

struct Holder {
  Value value;
};

const Value* value_of(const void* p) {
  return &static_cast<const Holder*>(p)->value;
}

TEST(MemRegistry, TextsLiveWhileTheirOwnerHoldsThem) {
  MemRegistry reg;
  auto owner = std::make_shared<Holder>();
  owner->value = Value("hello");
  uint64_t a = reg.register_text(owner->value, owner, value_of);
  EXPECT_TRUE(reg.find(a, 6, false));  // the terminator is readable
  EXPECT_FALSE(reg.find(a, 7, false));
  EXPECT_FALSE(reg.find(a, 1, true));  // never writable
  Value copy = owner->value;           // the same text, still held
  EXPECT_TRUE(reg.find(a, 1, false));
  owner->value = Value("other");  // the owner lets go
  EXPECT_FALSE(reg.find(a, 1, false));
  uint64_t b = reg.register_text(owner->value, owner, value_of);
  owner.reset();  // the owner is gone
  EXPECT_FALSE(reg.find(b, 1, false));
  EXPECT_TRUE(reg.blocks().empty());
}

TEST(MemRegistry, BlockLeaseReleasesItsStructBlock) {
  auto reg = std::make_shared<MemRegistry>();
  uint64_t a = reg->allocate(4, BlockKind::Struct);
  {
    core::BlockLease lease(reg, a, 4);
    EXPECT_TRUE(reg->find(a, 4, true));
  }
  EXPECT_FALSE(reg->find(a, 1, false));
  EXPECT_EQ(reg->bytes_held(), 0);
}

TEST(ReadAddress, OnlyWholeNonNegativeDecimals) {
  EXPECT_EQ(core::read_address("123"), 123u);
  EXPECT_EQ(core::read_address(" 7 "), 7u);
  EXPECT_FALSE(core::read_address("-1"));
  EXPECT_FALSE(core::read_address("0x10"));
  EXPECT_FALSE(core::read_address("12abc"));
  EXPECT_FALSE(core::read_address("9223372036854775808"));
  EXPECT_FALSE(core::read_address(""));
}

}  // namespace
