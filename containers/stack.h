// Stack: a fixed-capacity stack of raw pointer-sized values or of owned texts.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "core/value.h"

namespace containers {

// A stack is in one of two modes for its whole life: string mode holds texts
// (pushstr, pop_string, peek_string, get_string), raw mode holds pointer-sized
// numbers (push, pop, peek, get). Operations of the other mode are refused.
// Invariants: count() <= capacity(); the capacity never changes until
// release(), which makes it 0. Slots are taken as items arrive, so a large
// capacity costs nothing until it is used.
class Stack {
 public:
  static constexpr int32_t kDefaultCapacity = 100;

  // A capacity of 0 or less means 100 and sets default_size().
  explicit Stack(int32_t capacity = kDefaultCapacity, bool string_mode = false);

  // Pushes a copy of `text`; returns its slot index, or -1 for an empty text,
  // a raw-mode stack or a full stack.
  int32_t pushstr(const core::Value& text);
  // Pushes `value`; returns its slot index, -1 when full, -2 on a string stack.
  int32_t push(intptr_t value);
  // Raw pop: the top value, 0 when empty or on a string stack (which is then
  // left unchanged).
  intptr_t pop();
  // Takes the top text out; nothing when empty or on a raw stack.
  std::optional<core::Value> pop_string();

  // The top item / the item at 0 <= index < count(); 0 or nothing otherwise.
  intptr_t peek() const;
  intptr_t get(int32_t index) const;
  std::optional<core::Value> peek_string() const;
  std::optional<core::Value> get_string(int32_t index) const;

  int32_t count() const { return top_; }
  int32_t capacity() const { return capacity_; }
  bool is_empty() const { return top_ <= 0; }
  bool is_allocated() const { return capacity_ > 0; }
  bool is_string_mode() const { return owns_strings_; }
  bool default_size() const { return default_size_; }

  // Drops every item; the capacity stays.
  void clear();
  // Drops every item and the capacity: afterwards every push is refused.
  void release();

 private:
  std::vector<core::Value> strings_;  // string mode
  std::vector<intptr_t> raw_;         // raw mode
  bool default_size_ = false;
  int32_t capacity_;
  int32_t top_ = 0;
  bool owns_strings_;
};

}  // namespace containers
