// Value: the text type every script value travels in. Everything is text to
// scripts; a Value is a shared, immutable text that copies in O(1) and can carry
// cached forms derived from the text alone (its number reading, its elements
// under a list reader, its token stream as a script).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

namespace core {

// Slots for cached forms. Each form depends only on the text, so a cached form
// stays valid for the life of the text (texts never change once shared).
enum class CacheSlot : uint8_t {
  Script,      // compiled token stream (core/script.h)
  ListTcl,     // elements under the Tcl-style list reader
  ListBrace,   // elements under the brace-grouping reader
  ListWhite,   // elements under the whitespace reader
  Expr,        // prepared expression text (expr/expr_engine.cpp)
  DictSource,  // the dictionary table a text came from (core/dict_text.cpp);
               // checked against the table's generation on every use
  Extra1,      // free for later readers
  Extra2,
  Count
};

// Cached number readings. `reader` names which number reader produced them,
// because different commands read numbers by different rules.
struct NumberCache {
  uint8_t reader = 0;  // 0: nothing cached
  bool ok = false;
  int64_t i = 0;
  double d = 0.0;
};

struct BraceMemo;  // core/parser.cpp

// Text storage shared by a long text and the slices taken from it, so that a
// script word that is most of its script (a loop body, the script of a nested
// eval) is not copied. The parser keeps what it learns about the text's brace
// groups here, so nested scripts are not scanned again level by level.
struct SharedText {
  std::string text;
  mutable std::shared_ptr<BraceMemo> braces;
};

struct ValueSlice {
  std::shared_ptr<const SharedText> base;
  std::string_view view;  // into base->text
};

struct ValueCaches {
  std::shared_ptr<const void> slots[static_cast<int>(CacheSlot::Count)];
  NumberCache number;
  ValueSlice slice;  // the text of a `ValueRep::kSlice`
};

// Shared representation. Invariant: once `refs` > 1, the text never changes.
// A short text lives in the block itself, after the header, and the block is
// the smallest of four sizes that holds it (a list of a million numbers is a
// million 32-byte blocks); a longer text is a std::string the block points
// to; a slice keeps its text in `caches->slice`, and the string then only
// holds a terminated copy made for c_str() when one was asked for.
struct ValueRep {
  enum Kind : uint8_t { kInline, kString, kSlice };
  // The sizes of the blocks: a block holds the header and an inline text of
  // up to its size less the header, its terminating NUL included.
  static constexpr size_t kHeader = 24;
  static constexpr size_t kBlockSizes[] = {32, 48, 64, 96};
  static constexpr size_t kMaxInline = 96 - kHeader - 1;  // the longest inline text

  uint32_t refs = 1;
  uint8_t length = 0;  // of an inline text
  Kind kind = kInline;
  bool has_int = false;  // `int_value` is the value of a canonical integer text
  uint8_t block = 0;     // index in kBlockSizes of the block's size
  int64_t int_value = 0;
  std::unique_ptr<ValueCaches> caches;
  // The inline text runs on past this member to the end of the block.
  union {
    char chars[8];
    std::string* string;  // kString: the text; kSlice: its terminated copy or null
  };

  std::string_view view() const noexcept {
    if (kind == kInline) [[likely]]
      return std::string_view(chars, length);
    return kind == kString ? std::string_view(*string) : caches->slice.view;
  }

  // A representation holding `text`, which it copies or (when long) takes.
  static ValueRep* make(std::string_view text);
  static ValueRep* make(std::string&& text);
  // The block for an inline text of `length` characters, its text unset.
  static ValueRep* make_inline(size_t length);
  static void destroy(ValueRep* rep) noexcept;
  // destroy() for a rep whose destructor has work to do (a string, cached
  // forms), out of line so that the common case needs no registers saved.
  static void destroy_owning(ValueRep* rep) noexcept;
  // Grows the text of a sole holder (not a slice) in place.
  static void append(ValueRep* rep, std::string_view tail);

 private:
  friend class Value;
  ValueRep() noexcept : chars{} {}
  ~ValueRep() = default;
};
static_assert(sizeof(ValueRep) == 32 && offsetof(ValueRep, chars) == ValueRep::kHeader);

class Value {
 public:
  Value() noexcept = default;
  Value(std::string_view s) : rep_(s.empty() ? nullptr : ValueRep::make(s)) {}
  Value(const char* s) : Value(std::string_view(s ? s : "")) {}
  Value(std::string&& s) : rep_(s.empty() ? nullptr : ValueRep::make(std::move(s))) {}
  Value(const std::string& s) : Value(std::string_view(s)) {}

  Value(const Value& o) noexcept : rep_(o.rep_) {
    if (rep_) ++rep_->refs;
  }
  Value(Value&& o) noexcept : rep_(std::exchange(o.rep_, nullptr)) {}
  Value& operator=(const Value& o) noexcept {
    ValueRep* rep = o.rep_;  // read first: drop() clears o.rep_ when o is *this
    if (rep) ++rep->refs;
    drop();
    rep_ = rep;
    return *this;
  }
  Value& operator=(Value&& o) noexcept {
    if (this != &o) {
      drop();
      rep_ = std::exchange(o.rep_, nullptr);
    }
    return *this;
  }
  ~Value() { drop(); }

  static Value from_int(int64_t v);

  std::string_view view() const noexcept { return rep_ ? rep_->view() : std::string_view(); }
  // Asks for the representation ahead of a read, for walks that know it
  // comes soon.
  void prefetch() const noexcept {
    if (rep_) __builtin_prefetch(rep_);
  }
  // Always NUL-terminated; the empty text is "".
  const char* c_str() const {
    if (!rep_) return "";
    if (rep_->kind == ValueRep::kInline) return rep_->chars;
    return rep_->kind == ValueRep::kString ? rep_->string->c_str() : slice_c_str();
  }
  size_t size() const noexcept { return view().size(); }
  bool empty() const noexcept { return rep_ == nullptr || view().empty(); }
  char operator[](size_t i) const noexcept { return view()[i]; }

  // The part `part` of this text (a view into view()) as a Value. A long part
  // that is most of the text shares the text's storage instead of copying it.
  Value slice(std::string_view part) const;
  // The shared storage this text lies in and the text's offset in it; null
  // for a text that owns its storage.
  const SharedText* shared_text(size_t& offset) const noexcept {
    if (!rep_ || rep_->kind != ValueRep::kSlice) return nullptr;
    const ValueSlice& s = rep_->caches->slice;
    offset = static_cast<size_t>(s.view.data() - s.base->text.data());
    return s.base.get();
  }
  operator std::string_view() const noexcept { return view(); }

  // Comparisons are hidden friends so that they apply only when a Value is
  // one of the operands.
  friend bool operator==(const Value& a, std::string_view b) { return a.view() == b; }
  friend bool operator==(const Value& a, const char* b) { return a.view() == std::string_view(b); }
  friend bool operator==(const Value& a, const Value& b) {
    return a.same_rep(b) || a.view() == b.view();
  }

  // True when both handles share one representation (a cheap identity test).
  bool same_rep(const Value& o) const noexcept { return rep_ == o.rep_; }

  // Cached derived forms. A form is stored against this text and found again
  // by every Value that shares the representation.
  template <class T>
  std::shared_ptr<const T> cached(CacheSlot slot) const {
    if (!rep_ || !rep_->caches) return nullptr;
    return std::static_pointer_cast<const T>(rep_->caches->slots[static_cast<int>(slot)]);
  }
  // The cached form without taking a reference: valid while this text lives
  // and the slot is not replaced (slots are only filled when empty).
  template <class T>
  const T* cached_ptr(CacheSlot slot) const noexcept {
    if (!rep_ || !rep_->caches) return nullptr;
    return static_cast<const T*>(rep_->caches->slots[static_cast<int>(slot)].get());
  }
  template <class T>
  void set_cached(CacheSlot slot, std::shared_ptr<const T> form) const {
    if (!rep_) return;
    caches().slots[static_cast<int>(slot)] = std::move(form);
  }
  // Appends to the text in place when this handle is the only holder of a
  // non-empty text, dropping its cached forms (they described the old text).
  // Returns false, changing nothing, when the text is empty or shared; the
  // caller then builds a new value. Lets a variable grow without a copy of
  // its whole value per append.
  bool append_in_place(std::string_view s) {
    if (!rep_ || rep_->refs != 1 || rep_->kind == ValueRep::kSlice) return false;
    ValueRep::append(rep_, s);
    if (rep_->caches) *rep_->caches = ValueCaches{};
    rep_->has_int = false;
    return true;
  }

  // The integer of a canonical decimal integer text ("-12", "0": no sign but
  // "-", no leading zeros), when it is known. Integers made by from_int carry
  // it from the start; the number readers record it the first time they read
  // such a text.
  bool known_int(int64_t& out) const noexcept {
    if (!rep_ || !rep_->has_int) return false;
    out = rep_->int_value;
    return true;
  }
  void remember_int(int64_t v) const noexcept {
    if (!rep_) return;
    rep_->int_value = v;
    rep_->has_int = true;
  }
  // Reads the text as a canonical decimal integer within 64 bits, remembering
  // the reading; false when the text is not one.
  bool canonical_int(int64_t& out) const noexcept;

  // The number cache (null for the empty text, which never reads as a number).
  NumberCache* number_cache() const {
    if (!rep_) return nullptr;
    return &caches().number;
  }

 private:
  const char* slice_c_str() const;
  // The last holder frees the representation out of line
  // (ValueRep::destroy), which keeps this small enough to inline everywhere.
  void drop() noexcept {
    if (rep_ && --rep_->refs == 0) ValueRep::destroy(rep_);
    rep_ = nullptr;
  }
  ValueCaches& caches() const {
    if (!rep_->caches) rep_->caches = std::make_unique<ValueCaches>();
    return *rep_->caches;
  }

  ValueRep* rep_ = nullptr;
};

}  // namespace core
