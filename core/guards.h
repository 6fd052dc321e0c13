// Guards for paired operations: a value changed for the length of a scope,
// and the interpreter result kept across work that would overwrite it.
#pragma once

#include <utility>

#include "core/nuvel.h"

namespace core {

// Sets `target` to `value` (or leaves it, with the one-argument form) and
// puts the old value back when the scope ends.
template <class T>
class [[nodiscard]] ScopedRestore {
 public:
  explicit ScopedRestore(T& target) : target_(target), saved_(target) {}
  ScopedRestore(T& target, T value) : target_(target), saved_(std::move(target)) {
    target_ = std::move(value);
  }
  ~ScopedRestore() { target_ = std::move(saved_); }
  ScopedRestore(const ScopedRestore&) = delete;
  ScopedRestore& operator=(const ScopedRestore&) = delete;
  const T& saved() const { return saved_; }

 private:
  T& target_;
  T saved_;
};

// Keeps the interpreter result (and its length) and restores it when the
// scope ends, unless release() was called.
class [[nodiscard]] ResultSaver {
 public:
  explicit ResultSaver(Interp& interp)
      : interp_(interp), result_(interp.result), length_(interp.result_length) {}
  ~ResultSaver() {
    if (active_) {
      interp_.result = std::move(result_);
      interp_.result_length = length_;
    }
  }
  ResultSaver(const ResultSaver&) = delete;
  ResultSaver& operator=(const ResultSaver&) = delete;
  void release() { active_ = false; }
  const Value& saved() const { return result_; }

 private:
  Interp& interp_;
  Value result_;
  uint32_t length_;
  bool active_ = true;
};

}  // namespace core
