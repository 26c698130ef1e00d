#pragma once

#include <algorithm>
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

namespace json::detail {

// Fixed-size blocks for the many small objects of a value tree, taken from 64 KB chunks that
// belong to the thread that made them. A block freed on its chunk's thread goes back to that
// chunk, and allocation drains one chunk, lowest address first, before it moves to the next: a
// document built after another was freed again lies in few chunks, close together, instead of
// scattered over all of them. A block freed on another thread joins that thread's own list of
// strays, which it reuses first. Memory taken for chunks is kept for the life of the process (it
// stays reachable through the chunk list). Sanitizer builds use the general allocator, so that use
// after free is still detected.
template <std::size_t BlockSize>
class BlockPool {
 public:
  static void* allocate() {
#if defined(JSON_POOL_DISABLED)
    return ::operator new(BlockSize);
#else
    Local& local = localState;
    if (local.strays != nullptr) {
      FreeBlock* block = local.strays;
      local.strays = block->next;
      return block;
    }
    Chunk* chunk = local.current;
    if (chunk == nullptr) chunk = nextChunk(local);
    for (;;) {
      while (chunk->cursor < kWords && chunk->freeBits[chunk->cursor] == 0) ++chunk->cursor;
      if (chunk->cursor < kWords) break;
      chunk = nextChunk(local);
    }
    std::uint64_t& word = chunk->freeBits[chunk->cursor];
    const auto index = chunk->cursor * 64 + static_cast<std::size_t>(__builtin_ctzll(word));
    word &= word - 1;
    return reinterpret_cast<unsigned char*>(chunk) + kHeader + index * kStride;
#endif
  }

  static void release(void* block) noexcept {
#if defined(JSON_POOL_DISABLED)
    ::operator delete(block);
#else
    Local& local = localState;
    Chunk* chunk = chunkOf(block);
    if (chunk->owner != local.id) {
      auto* freed = static_cast<FreeBlock*>(block);
      freed->next = local.strays;
      local.strays = freed;
      return;
    }
    const auto index = static_cast<std::size_t>(static_cast<unsigned char*>(block) -
                                                reinterpret_cast<unsigned char*>(chunk) - kHeader) /
                       kStride;
    chunk->freeBits[index / 64] |= std::uint64_t{1} << (index % 64);
    chunk->cursor = std::min(chunk->cursor, index / 64);
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
  static constexpr std::size_t kAlignment = alignof(std::max_align_t);
  static constexpr std::size_t kStride = (BlockSize + kAlignment - 1) / kAlignment * kAlignment;
  static constexpr std::size_t kChunkBytes = std::size_t{64} * 1024;
  // An upper bound of the blocks per chunk, to size the bit map of the header.
  static constexpr std::size_t kWords = (kChunkBytes / kStride + 63) / 64;

  // A chunk's free blocks are bits of a map rather than a linked list: freeing one touches
  // only the header, never the block, and allocation takes the lowest free address first
  // without walking links through memory that has long left the cache.
  struct Chunk {
    Chunk* next;          // every chunk of this size, for reachability
    Chunk* nextWithFree;  // the owner's chunks that have free blocks
    std::uint64_t owner;  // the id of the thread that made it
    std::size_t cursor;   // no word of the map before this one has a free block
    bool listed;          // current or on the owner's list of chunks with free blocks
    std::array<std::uint64_t, kWords> freeBits;  // only its owner touches them
  };
  struct Local {
    std::uint64_t id = 0;  // given with the thread's first chunk
    Chunk* current = nullptr;
    Chunk* withFree = nullptr;
    FreeBlock* strays = nullptr;
    unsigned char* spare = nullptr;  // aligned chunks cut but not yet used
    std::size_t spareChunks = 0;
  };
  static constexpr std::size_t kHeader = (sizeof(Chunk) + kAlignment - 1) / kAlignment * kAlignment;
  static constexpr std::size_t kBlocks = (kChunkBytes - kHeader) / kStride;
  static_assert(BlockSize >= sizeof(FreeBlock));
  static_assert(kBlocks <= kWords * 64);

  static Chunk* chunkOf(void* block) {
    const std::uintptr_t intoChunk = reinterpret_cast<std::uintptr_t>(block) & (kChunkBytes - 1);
    return reinterpret_cast<Chunk*>(static_cast<unsigned char*>(block) - intoChunk);
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
      return local.current;
    }
    if (local.id == 0) local.id = nextThreadId.fetch_add(1, std::memory_order_relaxed) + 1;
    auto* chunk = reinterpret_cast<Chunk*>(takeAlignedChunk(local));
    chunk->next = chunks.load(std::memory_order_relaxed);
    while (!chunks.compare_exchange_weak(chunk->next, chunk, std::memory_order_release,
                                         std::memory_order_relaxed)) {
    }
    chunk->nextWithFree = nullptr;
    chunk->owner = local.id;
    chunk->cursor = 0;
    chunk->listed = true;
    chunk->freeBits.fill(0);
    for (std::size_t i = 0; i < kBlocks / 64; ++i) chunk->freeBits[i] = ~std::uint64_t{0};
    if constexpr (kBlocks % 64 != 0) {
      chunk->freeBits[kBlocks / 64] = (std::uint64_t{1} << (kBlocks % 64)) - 1;
    }
    local.current = chunk;
    return chunk;
  }

  static inline thread_local Local localState;
  static inline std::atomic<Chunk*> chunks{nullptr};
  static inline std::atomic<std::uint64_t> nextThreadId{0};
};

}  // namespace json::detail
