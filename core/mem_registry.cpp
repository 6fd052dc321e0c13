// The registry of script-addressable memory: the blocks, their look-up by
// address range, and the lazy dropping of texts no variable holds any more.
#include "core/mem_registry.h"

#include <cstdlib>
#include <string>

#include "core/text_util.h"

namespace core {

const char* block_kind_name(BlockKind kind) {
  switch (kind) {
    case BlockKind::Struct:
      return "struct";
    case BlockKind::Malloc:
      return "malloc";
    case BlockKind::Text:
      return "text";
  }
  return "?";
}

void MemRegistry::FreeBytes::operator()(unsigned char* p) const {
  std::free(p);
}

MemRegistry::~MemRegistry() = default;

uint64_t MemRegistry::allocate(size_t size, BlockKind kind) {
  if (size == 0 || size > static_cast<size_t>(kMaxScriptBlock) || kind == BlockKind::Text) {
    return 0;
  }
  // calloc: large blocks come zero-filled from the system without touching
  // every page.
  std::unique_ptr<unsigned char, FreeBytes> bytes(
      static_cast<unsigned char*>(std::calloc(size, 1)));
  if (!bytes) return 0;
  uint64_t address = reinterpret_cast<uintptr_t>(bytes.get());
  Entry e;
  e.bytes = std::move(bytes);
  e.size = size;
  e.kind = kind;
  blocks_[address] = std::move(e);
  return address;
}

namespace {

constexpr size_t kQuarantineBlocks = 256;
constexpr size_t kQuarantineBytes = size_t{4} << 20;

}  // namespace

void MemRegistry::quarantine(std::unique_ptr<unsigned char, FreeBytes> bytes, size_t size) {
  if (size > kQuarantineBytes) return;  // freed at once
  quarantine_.emplace_back(std::move(bytes), size);
  quarantine_bytes_ += size;
  while (quarantine_.size() > kQuarantineBlocks || quarantine_bytes_ > kQuarantineBytes) {
    quarantine_bytes_ -= quarantine_.front().second;
    quarantine_.pop_front();
  }
}

bool MemRegistry::release_malloc(uint64_t address) {
  auto it = blocks_.find(address);
  if (it == blocks_.end() || it->second.kind != BlockKind::Malloc) return false;
  quarantine(std::move(it->second.bytes), it->second.size);
  blocks_.erase(it);
  return true;
}

void MemRegistry::release_struct(uint64_t address) {
  auto it = blocks_.find(address);
  if (it == blocks_.end() || it->second.kind != BlockKind::Struct) return;
  quarantine(std::move(it->second.bytes), it->second.size);
  blocks_.erase(it);
}

bool MemRegistry::text_reachable(const Entry& e) const {
  for (const TextOwner& o : e.owners) {
    std::shared_ptr<const void> rec = o.record.lock();
    if (!rec) continue;
    const Value* now = o.current(rec.get());
    if (now && now->same_rep(e.text)) return true;
  }
  return false;
}

void MemRegistry::prune_texts() {
  if (texts_.empty()) return;
  std::vector<uint64_t> kept;
  for (uint64_t base : texts_) {
    auto it = blocks_.find(base);
    if (it == blocks_.end()) continue;
    if (text_reachable(it->second)) {
      kept.push_back(base);
    } else {
      blocks_.erase(it);
    }
  }
  texts_ = std::move(kept);
}

uint64_t MemRegistry::register_text(const Value& text, std::weak_ptr<const void> owner,
                                    const Value* (*current)(const void*)) {
  prune_texts();
  uint64_t address = reinterpret_cast<uintptr_t>(text.c_str());
  auto it = blocks_.find(address);
  if (it != blocks_.end()) {
    // The same text reached through another variable (or again).
    if (it->second.kind == BlockKind::Text)
      it->second.owners.push_back({std::move(owner), current});
    return address;
  }
  Entry e;
  e.kind = BlockKind::Text;
  e.size = text.size() + 1;  // the terminator is readable too
  e.text = text;
  e.owners.push_back({std::move(owner), current});
  blocks_[address] = std::move(e);
  texts_.push_back(address);
  return address;
}

std::optional<MemSpan> MemRegistry::find(uint64_t address, uint64_t length, bool writable) {
  if (address == 0) return std::nullopt;
  prune_texts();
  auto it = blocks_.upper_bound(address);
  if (it == blocks_.begin()) return std::nullopt;
  --it;
  const uint64_t base = it->first;
  const Entry& e = it->second;
  uint64_t offset = address - base;
  if (offset >= e.size || length > e.size - offset) return std::nullopt;
  if (writable && e.kind == BlockKind::Text) return std::nullopt;
  MemSpan span;
  unsigned char* start = e.kind == BlockKind::Text
                             ? reinterpret_cast<unsigned char*>(const_cast<char*>(e.text.c_str()))
                             : e.bytes.get();
  span.data = start + offset;
  span.avail = e.size - offset;
  span.base = base;
  span.size = e.size;
  span.kind = e.kind;
  return span;
}

std::vector<BlockInfo> MemRegistry::blocks() {
  prune_texts();
  std::vector<BlockInfo> out;
  out.reserve(blocks_.size());
  for (const auto& [base, e] : blocks_) out.push_back({base, e.size, e.kind});
  return out;
}

int64_t MemRegistry::malloc_count() const {
  int64_t n = 0;
  for (const auto& [base, e] : blocks_) n += e.kind == BlockKind::Malloc;
  return n;
}

std::vector<uint64_t> MemRegistry::malloc_addresses() const {
  std::vector<uint64_t> out;
  for (const auto& [base, e] : blocks_) {
    if (e.kind == BlockKind::Malloc) out.push_back(base);
  }
  return out;
}

int64_t MemRegistry::bytes_held() const {
  int64_t n = 0;
  for (const auto& [base, e] : blocks_) {
    if (e.kind != BlockKind::Text) n += static_cast<int64_t>(e.size);
  }
  return n;
}

std::string MemRegistry::check() const {
  uint64_t end = 0;
  for (const auto& [base, e] : blocks_) {
    if (e.size == 0) return "Empty block at " + std::to_string(base);
    if (e.kind != BlockKind::Text && !e.bytes) {
      return "Released block at " + std::to_string(base);
    }
    if (base < end) return "Overlapping blocks at " + std::to_string(base);
    end = base + e.size;
  }
  return std::string();
}

namespace {

struct MemState {
  std::shared_ptr<MemRegistry> registry = std::make_shared<MemRegistry>();
};

}  // namespace

std::shared_ptr<MemRegistry> mem_registry(Interp& interp) {
  return interp.state<MemState>().registry;
}

BlockLease::~BlockLease() {
  registry_->release_struct(address_);
}

std::optional<uint64_t> read_address(std::string_view text) {
  while (!text.empty() && is_blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && is_blank(text.back())) text.remove_suffix(1);
  std::optional<int64_t> v = parse_int(text);
  if (!v || *v < 0) return std::nullopt;
  return static_cast<uint64_t>(*v);
}

}  // namespace core
