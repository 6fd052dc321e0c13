// Value: shared text representation helpers.
#include "core/value.h"

#include <charconv>
#include <new>

namespace core {

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kPooled = false;  // AddressSanitizer must see every release
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kPooled = false;
#else
constexpr bool kPooled = true;
#endif
#else
constexpr bool kPooled = true;
#endif

// Enough for the values a loop churns through; beyond, blocks are released.
constexpr size_t kMaxPooled = 4096;

// Freed representations of this thread, linked through their first bytes;
// the blocks go back to the general allocator when the thread ends.
struct RepPool {
  void* head = nullptr;
  size_t count = 0;
  RepPool() = default;
  RepPool(const RepPool&) = delete;
  RepPool& operator=(const RepPool&) = delete;
  ~RepPool() {
    while (head) {
      void* next = *static_cast<void**>(head);
      ::operator delete(head);
      head = next;
    }
    // Values dropped later in the thread's exit go straight back.
    count = kMaxPooled;
  }
};

thread_local RepPool t_pool;

}  // namespace

void* ValueRep::operator new(size_t size) {
  RepPool& pool = t_pool;
  if (kPooled && size == sizeof(ValueRep) && pool.head) {
    void* block = pool.head;
    pool.head = *static_cast<void**>(block);
    --pool.count;
    return block;
  }
  return ::operator new(size);
}

void ValueRep::operator delete(void* block) noexcept {
  RepPool& pool = t_pool;
  if (kPooled && pool.count < kMaxPooled) {
    *static_cast<void**>(block) = pool.head;
    pool.head = block;
    ++pool.count;
    return;
  }
  ::operator delete(block);
}

Value Value::from_int(int64_t v) {
  char buf[24];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
  (void)ec;
  Value r;
  r.rep_ = new ValueRep(std::string_view(buf, static_cast<size_t>(end - buf)));
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
