// Per-thread free lists of fixed-size blocks, for the records the
// interpreter makes and drops by the million: value representations and
// variable records. A loop makes and drops several of them per round, and
// the general allocator costs several times more than taking a block back
// from a list. Each thread keeps its own lists (a block freed on another
// thread joins that thread's list), bounded, and returns them when it ends.
// Under AddressSanitizer every block goes to the general allocator, so that
// a use after release is still caught.
#pragma once

#include <cstddef>
#include <new>

namespace core {

#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kPoolBlocks = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool kPoolBlocks = false;
#else
inline constexpr bool kPoolBlocks = true;
#endif
#else
inline constexpr bool kPoolBlocks = true;
#endif

template <size_t Size>
class BlockPool {
 public:
  static void* take() {
    Lists& lists = lists_;
    if (kPoolBlocks && lists.head) {
      void* block = lists.head;
      lists.head = *static_cast<void**>(block);
      --lists.count;
      return block;
    }
    return ::operator new(Size);
  }
  static void give(void* block) noexcept {
    Lists& lists = lists_;
    if (kPoolBlocks && lists.count < kMaxKept) {
      if (!lists.armed) arm();
      *static_cast<void**>(block) = lists.head;
      lists.head = block;
      ++lists.count;
      return;
    }
    ::operator delete(block);
  }

 private:
  static_assert(Size >= sizeof(void*));
  // Enough for what a loop churns through; beyond, blocks are released.
  static constexpr size_t kMaxKept = 4096;
  // Plain data, so that reaching it costs no more than a thread-local load.
  struct Lists {
    void* head = nullptr;
    size_t count = 0;
    bool armed = false;  // the cleaner of this thread is made
  };
  // Returns the blocks when the thread ends.
  struct Cleaner {
    Cleaner() = default;
    Cleaner(const Cleaner&) = delete;
    Cleaner& operator=(const Cleaner&) = delete;
    ~Cleaner() {
      Lists& lists = lists_;
      while (lists.head) {
        void* next = *static_cast<void**>(lists.head);
        ::operator delete(lists.head);
        lists.head = next;
      }
      lists.count = kMaxKept;  // blocks freed later in the thread's exit go straight back
    }
  };
  [[gnu::noinline]] static void arm() {
    static thread_local Cleaner cleaner;
    (void)cleaner;
    lists_.armed = true;
  }
  static inline constinit thread_local Lists lists_{};
};

// An allocator on the block lists: a single object (std::allocate_shared's
// record and count block) takes a block of its own size, a short array (a
// frame's list of variable records) one of 64 or 128 bytes, anything longer
// goes to the general allocator.
template <class T>
struct PoolAllocator {
  using value_type = T;
  PoolAllocator() = default;
  template <class U>
  PoolAllocator(const PoolAllocator<U>&) noexcept {}
  T* allocate(size_t n) {
    static_assert(alignof(T) <= __STDCPP_DEFAULT_NEW_ALIGNMENT__);
    const size_t bytes = n * sizeof(T);
    if (n == 1) return static_cast<T*>(BlockPool<sizeof(T)>::take());
    if (bytes <= 64) return static_cast<T*>(BlockPool<64>::take());
    if (bytes <= 128) return static_cast<T*>(BlockPool<128>::take());
    return static_cast<T*>(::operator new(bytes));
  }
  void deallocate(T* block, size_t n) noexcept {
    const size_t bytes = n * sizeof(T);
    if (n == 1) {
      BlockPool<sizeof(T)>::give(block);
    } else if (bytes <= 64) {
      BlockPool<64>::give(block);
    } else if (bytes <= 128) {
      BlockPool<128>::give(block);
    } else {
      ::operator delete(block);
    }
  }
  friend bool operator==(const PoolAllocator&, const PoolAllocator&) { return true; }
};

}  // namespace core
