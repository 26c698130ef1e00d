#pragma once

#include <algorithm>
#include <cstddef>
#include <new>

#include "json/detail/block_pool.h"

namespace json::detail {

// Storage for the text of string values. Most strings of a document are short, so their
// blocks come from pools in steps of 16 bytes (no coarser than the general allocator's)
// instead of the general allocator; the size class asked for must be given again on release,
// to find the pool it came from.
class TextBlocks {
 public:
  static constexpr std::size_t kLargestPooled = 128;

  // The pool a block of that many bytes comes from; above kLargestPooled, the general
  // allocator. Kept with the block's owner, so that freeing it need not read the block.
  static constexpr unsigned sizeClass(std::size_t bytes) {
    return bytes > kLargestPooled
               ? 0U
               : static_cast<unsigned>(std::max<std::size_t>(bytes, 1) + 15) / 16;
  }

  static void* allocate(unsigned sizeClass, std::size_t bytes) {
    switch (sizeClass) {
      case 1:
        return BlockPool<16>::allocate();
      case 2:
        return BlockPool<32>::allocate();
      case 3:
        return BlockPool<48>::allocate();
      case 4:
        return BlockPool<64>::allocate();
      case 5:
        return BlockPool<80>::allocate();
      case 6:
        return BlockPool<96>::allocate();
      case 7:
        return BlockPool<112>::allocate();
      case 8:
        return BlockPool<kLargestPooled>::allocate();
      default:
        return ::operator new(bytes);
    }
  }

  static void release(void* block, unsigned sizeClass) noexcept {
    switch (sizeClass) {
      case 1:
        return BlockPool<16>::release(block);
      case 2:
        return BlockPool<32>::release(block);
      case 3:
        return BlockPool<48>::release(block);
      case 4:
        return BlockPool<64>::release(block);
      case 5:
        return BlockPool<80>::release(block);
      case 6:
        return BlockPool<96>::release(block);
      case 7:
        return BlockPool<112>::release(block);
      case 8:
        return BlockPool<kLargestPooled>::release(block);
      default:
        ::operator delete(block);
    }
  }
};

}  // namespace json::detail
