#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <new>

#if defined(__SANITIZE_ADDRESS__)
#define JSON_POOL_DISABLED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define JSON_POOL_DISABLED 1
#endif
#endif

namespace json {

// Fixed-size blocks for the many small objects of a value tree, taken from 64 KB chunks that
// belong to the thread that made them. A block freed on its chunk's thread goes back to that
// chunk, and allocation drains one chunk before it moves to the next: a document built after
// another was freed again lies in few chunks, close together, instead of scattered over all
// of them. A block freed on another thread joins that thread's own list of strays, which it
// reuses first. Memory taken for chunks is kept for the life of the process (it stays
// reachable through the chunk list). Sanitizer builds use the general allocator, so that use
// after free is still detected.
template <std::size_t BlockSize>
class BlockPool {
 public:
  static void* allocate() {
#if defined(JSON_POOL_DISABLED)
    return ::operator new(BlockSize);
#else
    Local& local = localState;
    FreeBlock* block = nullptr;
    if (local.strays != nullptr) {
      block = local.strays;
      local.strays = block->next;
      return block;
    }
    Chunk* chunk = local.current;
    if (chunk == nullptr || chunk->free == nullptr) chunk = nextChunk(local);
    block = chunk->free;
    chunk->free = block->next;
    // Fetching the next block now spares the next allocation the wait for its link.
    if (chunk->free != nullptr) __builtin_prefetch(chunk->free);
    return block;
#endif
  }

  static void release(void* block) noexcept {
#if defined(JSON_POOL_DISABLED)
    ::operator delete(block);
#else
    Local& local = localState;
    auto* freed = static_cast<FreeBlock*>(block);
    Chunk* chunk = chunkOf(block);
    if (chunk->owner != local.id) {
      freed->next = local.strays;
      local.strays = freed;
      return;
    }
    freed->next = chunk->free;
    chunk->free = freed;
    if (!chunk->listed) {
      chunk->listed = true;
      chunk->nextWithFree = local.withFree;
      local.withFree = chunk;
    }
#endif
  }

 private:
  struct FreeBlock {
    FreeBlock* next;
  };
  struct Chunk {
    Chunk* next;          // every chunk of this size, for reachability
    Chunk* nextWithFree;  // the owner's chunks that have free blocks
    FreeBlock* free;      // this chunk's free blocks; only its owner touches them
    std::uint64_t owner;  // the id of the thread that made it
    bool listed;          // current or on the owner's list of chunks with free blocks
  };
  struct Local {
    std::uint64_t id = nextThreadId.fetch_add(1, std::memory_order_relaxed) + 1;
    Chunk* current = nullptr;
    Chunk* withFree = nullptr;
    FreeBlock* strays = nullptr;
    unsigned char* spare = nullptr;  // aligned chunks cut but not yet used
    std::size_t spareChunks = 0;
  };
  static constexpr std::size_t kAlignment = alignof(std::max_align_t);
  static constexpr std::size_t kStride = (BlockSize + kAlignment - 1) / kAlignment * kAlignment;
  static constexpr std::size_t kChunkBytes = std::size_t{64} * 1024;
  static constexpr std::size_t kHeader = (sizeof(Chunk) + kAlignment - 1) / kAlignment * kAlignment;
  static constexpr std::size_t kBlocks = (kChunkBytes - kHeader) / kStride;
  static_assert(BlockSize >= sizeof(FreeBlock));

  static Chunk* chunkOf(void* block) {
    const std::uintptr_t intoChunk = reinterpret_cast<std::uintptr_t>(block) & (kChunkBytes - 1);
    return reinterpret_cast<Chunk*>(static_cast<unsigned char*>(block) - intoChunk);
  }

  // Relinks a chunk's free blocks in address order, whatever order they were freed in.
  static void sortFreeBlocks(Chunk* chunk) {
    std::array<std::uint64_t, (kBlocks + 63) / 64> isFree{};
    auto* bytes = reinterpret_cast<unsigned char*>(chunk);
    for (FreeBlock* block = chunk->free; block != nullptr; block = block->next) {
      const auto index =
          static_cast<std::size_t>(reinterpret_cast<unsigned char*>(block) - bytes - kHeader) /
          kStride;
      isFree[index / 64] |= std::uint64_t{1} << (index % 64);
    }
    chunk->free = nullptr;
    for (std::size_t i = kBlocks; i-- > 0;) {
      if ((isFree[i / 64] >> (i % 64) & 1U) == 0) continue;
      auto* block = reinterpret_cast<FreeBlock*>(bytes + kHeader + i * kStride);
      block->next = chunk->free;
      chunk->free = block;
    }
  }

  // Chunks are cut from larger allocations, so that aligning them to their size costs one
  // chunk of address space per group rather than a page or more of memory per chunk.
  static unsigned char* takeAlignedChunk(Local& local) {
    if (local.spareChunks == 0) {
      constexpr std::size_t kGroup = 16;
      auto* bytes = static_cast<unsigned char*>(::operator new(kChunkBytes*(kGroup + 1)));
      const std::uintptr_t intoChunk = reinterpret_cast<std::uintptr_t>(bytes) & (kChunkBytes - 1);
      local.spare = bytes + (intoChunk == 0 ? 0 : kChunkBytes - intoChunk);
      local.spareChunks = kGroup;
    }
    unsigned char* chunk = local.spare;
    local.spare += kChunkBytes;
    --local.spareChunks;
    return chunk;
  }

  // The current chunk ran dry: the next one with free blocks, or a new one.
  static Chunk* nextChunk(Local& local) {
    if (local.current != nullptr) local.current->listed = false;
    if (local.withFree != nullptr) {
      local.current = local.withFree;
      local.withFree = local.current->nextWithFree;
      sortFreeBlocks(local.current);
      return local.current;
    }
    auto* chunk = reinterpret_cast<Chunk*>(takeAlignedChunk(local));
    chunk->next = chunks.load(std::memory_order_relaxed);
    while (!chunks.compare_exchange_weak(chunk->next, chunk, std::memory_order_release,
                                         std::memory_order_relaxed)) {
    }
    chunk->nextWithFree = nullptr;
    chunk->free = nullptr;
    chunk->owner = local.id;
    chunk->listed = true;
    // Linked from the top down, so that blocks are handed out in address order: values built
    // one after another then lie one after another, as a later walk over them reads them.
    auto* bytes = reinterpret_cast<unsigned char*>(chunk);
    for (std::size_t i = kBlocks; i-- > 0;) {
      auto* block = reinterpret_cast<FreeBlock*>(bytes + kHeader + i * kStride);
      block->next = chunk->free;
      chunk->free = block;
    }
    local.current = chunk;
    return chunk;
  }

  static inline thread_local Local localState;
  static inline std::atomic<Chunk*> chunks{nullptr};
  static inline std::atomic<std::uint64_t> nextThreadId{0};
};

}  // namespace json
