// Value: shared text representation helpers.
#include "core/value.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <new>
#include <utility>

#include "core/block_pool.h"

namespace core {

namespace {

void* take_block(uint8_t block) {
  switch (block) {
    case 0:
      return BlockPool<ValueRep::kBlockSizes[0]>::take();
    case 1:
      return BlockPool<ValueRep::kBlockSizes[1]>::take();
    case 2:
      return BlockPool<ValueRep::kBlockSizes[2]>::take();
    default:
      return BlockPool<ValueRep::kBlockSizes[3]>::take();
  }
}

void give_block(uint8_t block, void* memory) noexcept {
  switch (block) {
    case 0:
      return BlockPool<ValueRep::kBlockSizes[0]>::give(memory);
    case 1:
      return BlockPool<ValueRep::kBlockSizes[1]>::give(memory);
    case 2:
      return BlockPool<ValueRep::kBlockSizes[2]>::give(memory);
    default:
      return BlockPool<ValueRep::kBlockSizes[3]>::give(memory);
  }
}

// The smallest block whose inline text holds `length` characters and a NUL.
inline uint8_t block_for(size_t length) {
  return length < 8 ? 0 : length < 24 ? 1 : length < 40 ? 2 : 3;
}

}  // namespace

ValueRep* ValueRep::make_inline(size_t length) {
  const uint8_t block = block_for(length);
  ValueRep* rep = new (take_block(block)) ValueRep();
  rep->block = block;
  rep->length = static_cast<uint8_t>(length);
  return rep;
}

ValueRep* ValueRep::make(std::string_view text) {
  if (text.size() <= kMaxInline) {
    ValueRep* rep = make_inline(text.size());
    char* chars = rep->chars;
    std::memcpy(chars, text.data(), text.size());
    chars[text.size()] = '\0';
    return rep;
  }
  auto owned = std::make_unique<std::string>(text);
  ValueRep* rep = new (take_block(0)) ValueRep();
  rep->kind = kString;
  rep->string = owned.release();
  return rep;
}

ValueRep* ValueRep::make(std::string&& text) {
  if (text.size() <= kMaxInline) return make(std::string_view(text));
  auto owned = std::make_unique<std::string>(std::move(text));
  ValueRep* rep = new (take_block(0)) ValueRep();
  rep->kind = kString;
  rep->string = owned.release();
  return rep;
}

[[gnu::noinline]] void ValueRep::destroy_owning(ValueRep* rep) noexcept {
  // The string of a kString or kSlice is owned by the block (see `make`).
  if (rep->kind != kInline) delete rep->string;
  const uint8_t block = rep->block;
  rep->~ValueRep();
  give_block(block, rep);
}

void ValueRep::destroy(ValueRep* rep) noexcept {
  if (rep->kind != kInline || rep->caches) [[unlikely]] {
    destroy_owning(rep);
    return;
  }
  // The destructor has nothing to do: a short text and no cached forms,
  // which is what most values are.
  give_block(rep->block, rep);
}

void ValueRep::append(ValueRep* rep, std::string_view tail) {
  if (rep->kind == kString) {
    rep->string->append(tail);
    return;
  }
  const size_t length = rep->length + tail.size();
  char* chars = rep->chars;
  if (length < kBlockSizes[rep->block] - kHeader) {
    std::memcpy(chars + rep->length, tail.data(), tail.size());
    chars[length] = '\0';
    rep->length = static_cast<uint8_t>(length);
    return;
  }
  // Past the block: the text moves out to a string, which grows by doubling
  // as later appends need.
  auto grown = std::make_unique<std::string>();
  grown->reserve(std::max<size_t>(length, 2 * kMaxInline));
  grown->append(chars, rep->length).append(tail);
  rep->string = grown.release();
  rep->kind = kString;
}

namespace {

constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// Writes the decimal digits of `u` so that they end at `end`; returns their
// start. Four digits at a time (one division by 10,000, then two digit pairs
// from a table), without working out the length first.
inline char* write_decimal(uint64_t u, char* end) {
  while (u >= 10000) {
    const auto group = static_cast<uint32_t>(u % 10000);
    u /= 10000;
    end -= 4;
    std::memcpy(end, kDigitPairs + (group / 100) * 2, 2);
    std::memcpy(end + 2, kDigitPairs + (group % 100) * 2, 2);
  }
  auto rest = static_cast<uint32_t>(u);
  if (rest >= 100) {
    end -= 2;
    std::memcpy(end, kDigitPairs + (rest % 100) * 2, 2);
    rest /= 100;
  }
  if (rest >= 10) {
    end -= 2;
    std::memcpy(end, kDigitPairs + rest * 2, 2);
  } else {
    *--end = static_cast<char>('0' + rest);
  }
  return end;
}

}  // namespace

Value Value::from_int(int64_t v) {
  // The digits end at `end`, with room after them, so that they are copied
  // in one move of a length known when compiled.
  char buf[48];
  char* const end = buf + 24;
  const uint64_t magnitude = v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
  char* start = write_decimal(magnitude, end);
  if (v < 0) *--start = '-';
  // At most 20 characters: 19 digits and a sign.
  const size_t length = static_cast<size_t>(end - start);
  Value r;
  if (length < 8) {
    r.rep_ = new (BlockPool<ValueRep::kBlockSizes[0]>::take()) ValueRep();
    std::memcpy(r.rep_->chars, start, 8);
  } else {
    r.rep_ = new (BlockPool<ValueRep::kBlockSizes[1]>::take()) ValueRep();
    r.rep_->block = 1;
    std::memcpy(r.rep_->chars, start, 24);
  }
  r.rep_->length = static_cast<uint8_t>(length);
  char* chars = r.rep_->chars;  // the text runs past the member's bound
  chars[length] = '\0';
  r.rep_->int_value = v;
  r.rep_->has_int = true;
  return r;
}

bool Value::canonical_int(int64_t& out) const noexcept {
  if (known_int(out)) return true;
  std::string_view t = view();
  if (t.empty() || t.size() > 20) return false;
  size_t i = t[0] == '-' ? 1 : 0;
  if (i == t.size() || t[i] < '0' || t[i] > '9') return false;
  if (t[i] == '0' && (t.size() > i + 1 || i == 1)) return false;
  auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), out);
  if (ec != std::errc() || end != t.data() + t.size()) return false;
  remember_int(out);
  return true;
}

namespace {

// Parts shorter than this are copied: sharing pays only for long texts.
constexpr size_t kMinSlice = 1024;

}  // namespace

Value Value::slice(std::string_view part) const {
  static_assert(kMinSlice > ValueRep::kMaxInline, "a text long enough to slice is a string");
  std::string_view whole = view();
  if (part.size() < kMinSlice || part.size() * 2 < whole.size() || part.data() < whole.data() ||
      part.data() + part.size() > whole.data() + whole.size()) {
    return Value(part);
  }
  if (rep_->kind == ValueRep::kString) {
    // The text moves into shared storage. A long std::string moves its
    // buffer, so views already handed out stay valid.
    auto base = std::make_shared<SharedText>();
    ValueSlice& s = caches().slice;
    base->text = std::move(*rep_->string);
    delete rep_->string;
    rep_->string = nullptr;
    rep_->kind = ValueRep::kSlice;
    s.view = base->text;
    s.base = std::move(base);
  }
  Value r;
  r.rep_ = ValueRep::make_inline(0);
  r.rep_->kind = ValueRep::kSlice;
  r.rep_->string = nullptr;
  ValueSlice& s = r.caches().slice;
  s.base = rep_->caches->slice.base;
  s.view = part;
  return r;
}

const char* Value::slice_c_str() const {
  const ValueSlice& s = rep_->caches->slice;
  const std::string& all = s.base->text;
  if (s.view.data() + s.view.size() == all.data() + all.size()) return s.view.data();
  if (!rep_->string) rep_->string = std::make_unique<std::string>(s.view).release();
  return rep_->string->c_str();
}

}  // namespace core
