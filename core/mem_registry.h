// The registry of memory a script may address. Addresses travel as decimal
// numbers in script values, so every command that follows one looks it up
// here first: a byte is read or written only when the whole range lies in
// one live block. Blocks are structure storage, blocks from `malloc`, and the
// value texts whose address a script took (readable only, and valid only
// while a variable still holds that very text).
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "core/nuvel.h"

namespace core {

enum class BlockKind : uint8_t { Struct, Malloc, Text };

// "struct", "malloc", "text".
const char* block_kind_name(BlockKind kind);

// The largest block a script may ask for (malloc, struct sizes).
inline constexpr int64_t kMaxScriptBlock = int64_t{64} << 20;

// Where a checked range lies: `data` is the first byte asked for and `avail`
// the bytes from there to the end of its block.
struct MemSpan {
  unsigned char* data = nullptr;
  size_t avail = 0;
  uint64_t base = 0;
  size_t size = 0;
  BlockKind kind = BlockKind::Struct;
};

// One live block, for listings and checks.
struct BlockInfo {
  uint64_t base = 0;
  size_t size = 0;
  BlockKind kind = BlockKind::Struct;
};

class MemRegistry {
 public:
  MemRegistry() = default;
  MemRegistry(const MemRegistry&) = delete;
  MemRegistry& operator=(const MemRegistry&) = delete;
  ~MemRegistry();

  // A new zero-filled block of `size` bytes (1 .. kMaxScriptBlock); its
  // address, or 0 when it cannot be had. Struct blocks are released by their
  // owner (see BlockLease), malloc blocks by release_malloc or with the
  // registry.
  uint64_t allocate(size_t size, BlockKind kind);
  // Frees a malloc block given by its exact start address; false (nothing
  // done) for any other number.
  bool release_malloc(uint64_t address);
  // Frees a struct block (its owner is going away).
  void release_struct(uint64_t address);

  // Registers the text of `text`, held by variable record `owner`, as a
  // readable block; the text stays where it is while registered. The block
  // counts as live while some registered owner still holds that same text.
  uint64_t register_text(const Value& text, std::weak_ptr<const void> owner,
                         const Value* (*current)(const void* owner));

  // The live block holding [address, address + length); writable asks for a
  // struct or malloc block. nullopt when there is none.
  std::optional<MemSpan> find(uint64_t address, uint64_t length, bool writable);

  // Every live block in address order (texts no longer held are dropped first).
  std::vector<BlockInfo> blocks();
  int64_t malloc_count() const;
  std::vector<uint64_t> malloc_addresses() const;
  // Bytes held by struct and malloc blocks.
  int64_t bytes_held() const;
  // The first fault of the block map (overlap, empty or released block), or
  // an empty text when it is sound.
  std::string check() const;

 private:
  struct FreeBytes {
    void operator()(unsigned char* p) const;
  };
  struct TextOwner {
    std::weak_ptr<const void> record;
    const Value* (*current)(const void*) = nullptr;
  };
  struct Entry {
    std::unique_ptr<unsigned char, FreeBytes> bytes;  // struct and malloc blocks
    size_t size = 0;
    BlockKind kind = BlockKind::Struct;
    Value text;                     // a registered text, held so that it stays put
    std::vector<TextOwner> owners;  // the variables that made it reachable
  };
  // Drops text blocks that no variable holds any more.
  void prune_texts();
  bool text_reachable(const Entry& e) const;
  // Keeps a released block's memory for a while, so that the next blocks
  // get other addresses and a stale address (a second free) is refused
  // rather than landing in a new block.
  void quarantine(std::unique_ptr<unsigned char, FreeBytes> bytes, size_t size);

  std::map<uint64_t, Entry> blocks_;
  std::deque<std::pair<std::unique_ptr<unsigned char, FreeBytes>, size_t>> quarantine_;
  size_t quarantine_bytes_ = 0;
  std::vector<uint64_t> texts_;  // the bases of the text blocks
};

// The registry of an interpreter (shared, so that blocks may outlive the
// state slot while the interpreter is being destroyed).
std::shared_ptr<MemRegistry> mem_registry(Interp& interp);

// Owns a struct block: the block is released when the lease is destroyed.
class BlockLease {
 public:
  BlockLease(std::shared_ptr<MemRegistry> registry, uint64_t address, size_t size)
      : registry_(std::move(registry)), address_(address), size_(size) {}
  ~BlockLease();
  BlockLease(const BlockLease&) = delete;
  BlockLease& operator=(const BlockLease&) = delete;
  uint64_t address() const { return address_; }
  size_t size() const { return size_; }
  MemRegistry& registry() const { return *registry_; }

 private:
  std::shared_ptr<MemRegistry> registry_;
  uint64_t address_;
  size_t size_;
};

// Reads a decimal address word: a whole decimal integer (sign allowed);
// nullopt for anything else. Negative numbers and numbers past 2^63 - 1 are
// never addresses.
std::optional<uint64_t> read_address(std::string_view text);

}  // namespace core
