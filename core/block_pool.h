// Per-thread free lists of fixed-size blocks, for the records the
// interpreter makes and drops by the million: value representations and
// variable records. A loop makes and drops several of them per round, and a
// list of a million numbers holds a million of them; the general allocator
// costs several times more than a block from a list, and adds its own
// header to every block.
//
// Blocks are cut from slabs of 64 KB. A block goes back to the list of the
// thread that frees it, whichever thread it came from, and is used again for
// the same size; slabs are never returned, so the memory of blocks freed
// stays with the pool (as the general allocator keeps what it is given).
// When a thread ends, its free blocks pass to a shared list that the next
// thread to need blocks takes over whole.
//
// Under AddressSanitizer every block goes to the general allocator, so that
// a use after release is still caught.
#pragma once

#include <cstddef>
#include <mutex>
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

// The alignment every block has.
inline constexpr size_t kBlockAlign = alignof(void*);

template <size_t Size>
class BlockPool {
 public:
  static void* take() {
    if constexpr (!kPoolBlocks) return ::operator new(Size);
    Lists& lists = lists_;
    if (lists.head) {
      void* block = lists.head;
      lists.head = *static_cast<void**>(block);
      return block;
    }
    if (lists.fresh != lists.fresh_end) {
      void* block = lists.fresh;
      lists.fresh += kStride;
      return block;
    }
    return refill();
  }
  static void give(void* block) noexcept {
    if constexpr (!kPoolBlocks) {
      ::operator delete(block);
      return;
    }
    Lists& lists = lists_;
    if (lists.ended) [[unlikely]] {
      give_after_end(block);
      return;
    }
    *static_cast<void**>(block) = lists.head;
    lists.head = block;
  }

 private:
  // A free block holds the next block of its list; the first block of a list
  // or range handed on also holds the next list or range.
  static_assert(Size >= 2 * sizeof(void*));
  static constexpr size_t kStride = (Size + kBlockAlign - 1) / kBlockAlign * kBlockAlign;
  static constexpr size_t kSlabBytes = 64 * 1024;
  static constexpr size_t kSlabBlocks = kSlabBytes / kStride;
  static_assert(kSlabBlocks >= 16);

  static void** link(void* block) { return static_cast<void**>(block); }

  // Freed during the thread's own exit, after its lists were handed on: a
  // list of one block. Out of line, so that give() needs no registers saved.
  [[gnu::noinline]] static void give_after_end(void* block) noexcept {
    Shared& shared = shared_state();
    std::lock_guard<std::mutex> lock(shared.mutex);
    link(block)[0] = nullptr;
    link(block)[1] = shared.lists;
    shared.lists = block;
  }

  // Plain data, so that reaching it costs no more than a thread-local load.
  struct Lists {
    void* head = nullptr;   // freed blocks
    char* fresh = nullptr;  // blocks of the newest slab not yet handed out
    char* fresh_end = nullptr;
    bool armed = false;  // the thread's exit hands the lists on
    bool ended = false;  // ... and it has
  };
  // What ended threads left: lists of free blocks, and the unused ends of
  // their slabs (a range's first block holds the next range and its end).
  // Made once and never destroyed: blocks may be freed by static
  // destructors that run after any other would.
  struct Shared {
    std::mutex mutex;
    void* lists = nullptr;
    void* ranges = nullptr;
  };
  static Shared& shared_state() {
    static Shared* shared = new Shared;
    return *shared;
  }

  // Hands the thread's blocks on when the thread ends, in two steps of
  // constant time: the free list whole, and the rest of the slab whole.
  struct Handover {
    Handover() = default;
    Handover(const Handover&) = delete;
    Handover& operator=(const Handover&) = delete;
    ~Handover() {
      Lists& lists = lists_;
      Shared& shared = shared_state();
      std::lock_guard<std::mutex> lock(shared.mutex);
      if (lists.head) {
        link(lists.head)[1] = shared.lists;
        shared.lists = lists.head;
      }
      if (lists.fresh != lists.fresh_end) {
        link(lists.fresh)[0] = shared.ranges;
        link(lists.fresh)[1] = lists.fresh_end;
        shared.ranges = lists.fresh;
      }
      lists.head = nullptr;
      lists.fresh = lists.fresh_end = nullptr;
      lists.ended = true;
    }
  };

  // The thread's lists are empty: takes over what an ended thread left, or
  // cuts a new slab.
  [[gnu::noinline]] static void* refill() {
    Lists& lists = lists_;
    if (lists.ended) return ::operator new(Size);  // joins the shared lists when freed
    if (!lists.armed) {
      static thread_local Handover handover;
      (void)handover;
      lists.armed = true;
    }
    {
      Shared& shared = shared_state();
      std::lock_guard<std::mutex> lock(shared.mutex);
      if (void* list = shared.lists) {
        shared.lists = link(list)[1];
        lists.head = link(list)[0];
        return list;
      }
      if (void* range = shared.ranges) {
        shared.ranges = link(range)[0];
        lists.fresh = static_cast<char*>(range) + kStride;
        lists.fresh_end = static_cast<char*>(link(range)[1]);
        return range;
      }
    }
    // A slab's memory belongs to the pool for the life of the process.
    char* slab = static_cast<char*>(::operator new(kSlabBlocks* kStride));
    lists.fresh = slab + kStride;
    lists.fresh_end = slab + kSlabBlocks * kStride;
    return slab;
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
    static_assert(alignof(T) <= kBlockAlign);
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
