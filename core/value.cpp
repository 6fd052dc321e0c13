// Value: shared text representation helpers.
#include "core/value.h"

#include <charconv>
#include <cstring>
#include <utility>

#include "core/block_pool.h"

namespace core {

void* ValueRep::operator new(size_t size) {
  return size == sizeof(ValueRep) ? BlockPool<sizeof(ValueRep)>::take() : ::operator new(size);
}

void ValueRep::operator delete(void* block) noexcept {
  BlockPool<sizeof(ValueRep)>::give(block);
}

namespace {

constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// Writes the decimal digits of `u` so that they end at `end`; returns their
// start. Two digits at a time, without working out the length first.
inline char* write_decimal(uint64_t u, char* end) {
  while (u >= 100) {
    const size_t pair = static_cast<size_t>(u % 100) * 2;
    u /= 100;
    end -= 2;
    end[0] = kDigitPairs[pair];
    end[1] = kDigitPairs[pair + 1];
  }
  if (u >= 10) {
    const size_t pair = static_cast<size_t>(u) * 2;
    end -= 2;
    end[0] = kDigitPairs[pair];
    end[1] = kDigitPairs[pair + 1];
  } else {
    *--end = static_cast<char>('0' + u);
  }
  return end;
}

// A representation of the `N` characters at `text`: with the length known
// when compiled, the copy is a few moves rather than a library call.
template <size_t N>
ValueRep* rep_of_length(const char* text) {
  return new ValueRep(std::string_view(text, N));
}

template <size_t... N>
ValueRep* rep_of_digits(const char* text, size_t length, std::index_sequence<N...>) {
  using Make = ValueRep* (*)(const char*);
  static constexpr Make kMakers[] = {rep_of_length<N + 1>...};
  return kMakers[length - 1](text);
}

}  // namespace

Value Value::from_int(int64_t v) {
  char buf[24];
  char* const end = buf + sizeof buf;
  const uint64_t magnitude = v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
  char* start = write_decimal(magnitude, end);
  if (v < 0) *--start = '-';
  Value r;
  // At most 20 characters: 19 digits and a sign.
  r.rep_ = rep_of_digits(start, static_cast<size_t>(end - start), std::make_index_sequence<20>());
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

void Value::destroy(ValueRep* rep) noexcept {
  delete rep;
}

namespace {

// Parts shorter than this are copied: sharing pays only for long texts.
constexpr size_t kMinSlice = 1024;

}  // namespace

Value Value::slice(std::string_view part) const {
  std::string_view whole = view();
  if (part.size() < kMinSlice || part.size() * 2 < whole.size() || part.data() < whole.data() ||
      part.data() + part.size() > whole.data() + whole.size()) {
    return Value(part);
  }
  if (!rep_->is_slice) {
    // The text moves into shared storage. A long std::string moves its
    // buffer, so views already handed out stay valid.
    auto base = std::make_shared<SharedText>();
    base->text = std::move(rep_->text);
    rep_->text = std::string();
    ValueSlice& s = caches().slice;
    s.view = base->text;
    s.base = std::move(base);
    rep_->is_slice = true;
  }
  Value r;
  r.rep_ = new ValueRep(std::string());
  r.rep_->is_slice = true;
  ValueSlice& s = r.caches().slice;
  s.base = rep_->caches->slice.base;
  s.view = part;
  return r;
}

const char* Value::slice_c_str() const {
  const ValueSlice& s = rep_->caches->slice;
  const std::string& all = s.base->text;
  if (s.view.data() + s.view.size() == all.data() + all.size()) return s.view.data();
  if (rep_->text.empty()) rep_->text.assign(s.view);
  return rep_->text.c_str();
}

}  // namespace core
