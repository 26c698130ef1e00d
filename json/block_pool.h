#pragma once

#include <atomic>
#include <cstddef>
#include <new>

#if defined(__SANITIZE_ADDRESS__)
#define JSON_POOL_DISABLED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define JSON_POOL_DISABLED 1
#endif
#endif

namespace json {

// Fixed-size blocks for the many small objects of a value tree. Each thread keeps a free list,
// so a freed block is reused by the next allocation of its size without a trip through the
// general allocator; blocks freed on another thread join that thread's list. Memory taken
// for blocks is kept for the life of the process (it stays reachable through the chunk list).
// Sanitizer builds use the general allocator, so that use after free is still detected.
template <std::size_t BlockSize>
class BlockPool {
 public:
  static void* allocate() {
#if defined(JSON_POOL_DISABLED)
    return ::operator new(BlockSize);
#else
    if (freeList == nullptr) refill();
    FreeBlock* block = freeList;
    freeList = block->next;
    // Freed blocks come back in no useful order; fetching the next one now spares the next
    // allocation the wait for its link.
    if (freeList != nullptr) __builtin_prefetch(freeList);
    return block;
#endif
  }

  static void release(void* block) noexcept {
#if defined(JSON_POOL_DISABLED)
    ::operator delete(block);
#else
    auto* freed = static_cast<FreeBlock*>(block);
    freed->next = freeList;
    freeList = freed;
#endif
  }

 private:
  struct FreeBlock {
    FreeBlock* next;
  };
  struct Chunk {
    Chunk* next;
  };
  static constexpr std::size_t kAlignment = alignof(std::max_align_t);
  static constexpr std::size_t kStride = (BlockSize + kAlignment - 1) / kAlignment * kAlignment;
  static constexpr std::size_t kChunkBytes = std::size_t{64} * 1024;
  static constexpr std::size_t kHeader = (sizeof(Chunk) + kAlignment - 1) / kAlignment * kAlignment;
  static_assert(BlockSize >= sizeof(FreeBlock));

  static void refill() {
    auto* chunk = static_cast<Chunk*>(::operator new(kChunkBytes));
    chunk->next = chunks.load(std::memory_order_relaxed);
    while (!chunks.compare_exchange_weak(chunk->next, chunk, std::memory_order_release,
                                         std::memory_order_relaxed)) {
    }
    // Linked from the top down, so that blocks are handed out in address order: values built
    // one after another then lie one after another, as a later walk over them reads them.
    auto* bytes = reinterpret_cast<unsigned char*>(chunk);
    constexpr std::size_t kBlocks = (kChunkBytes - kHeader) / kStride;
    for (std::size_t i = kBlocks; i-- > 0;) {
      auto* block = reinterpret_cast<FreeBlock*>(bytes + kHeader + i * kStride);
      block->next = freeList;
      freeList = block;
    }
  }

  static inline thread_local FreeBlock* freeList = nullptr;
  static inline std::atomic<Chunk*> chunks{nullptr};
};

}  // namespace json
