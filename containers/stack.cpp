// Stack: pushes, pops and positional access in both modes.
#include "containers/stack.h"

namespace containers {

Stack::Stack(int32_t capacity, bool string_mode)
    : default_size_(capacity <= 0),
      capacity_(capacity > 0 ? capacity : kDefaultCapacity),
      owns_strings_(string_mode) {}

int32_t Stack::pushstr(const core::Value& text) {
  if (text.empty() || !owns_strings_ || top_ >= capacity_) return -1;
  strings_.push_back(text);
  return top_++;
}

int32_t Stack::push(intptr_t value) {
  if (owns_strings_) return -2;
  if (top_ >= capacity_) return -1;
  raw_.push_back(value);
  return top_++;
}

intptr_t Stack::pop() {
  if (owns_strings_ || top_ <= 0) return 0;
  intptr_t value = raw_.back();
  raw_.pop_back();
  --top_;
  return value;
}

std::optional<core::Value> Stack::pop_string() {
  if (!owns_strings_ || top_ <= 0) return std::nullopt;
  core::Value text = std::move(strings_.back());
  strings_.pop_back();
  --top_;
  return text;
}

intptr_t Stack::peek() const {
  return get(top_ - 1);
}

intptr_t Stack::get(int32_t index) const {
  if (owns_strings_ || index < 0 || index >= top_) return 0;
  return raw_[static_cast<size_t>(index)];
}

std::optional<core::Value> Stack::peek_string() const {
  return get_string(top_ - 1);
}

std::optional<core::Value> Stack::get_string(int32_t index) const {
  if (!owns_strings_ || index < 0 || index >= top_) return std::nullopt;
  return strings_[static_cast<size_t>(index)];
}

void Stack::clear() {
  strings_.clear();
  raw_.clear();
  top_ = 0;
}

void Stack::release() {
  clear();
  strings_.shrink_to_fit();
  raw_.shrink_to_fit();
  default_size_ = false;
  capacity_ = 0;
  owns_strings_ = false;
}

}  // namespace containers
