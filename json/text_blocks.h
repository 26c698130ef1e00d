#pragma once

#include <cstddef>
#include <new>

#include "json/block_pool.h"

namespace json {

// Storage for the text of string values. Most strings of a document are short, so their
// blocks come from pools of a few sizes instead of the general allocator; the size asked
// for must be given again on release, to find the pool it came from.
class TextBlocks {
 public:
  static void* allocate(std::size_t bytes) {
    if (bytes <= 16) return BlockPool<16>::allocate();
    if (bytes <= 32) return BlockPool<32>::allocate();
    if (bytes <= 48) return BlockPool<48>::allocate();
    if (bytes <= 64) return BlockPool<64>::allocate();
    if (bytes <= 96) return BlockPool<96>::allocate();
    return ::operator new(bytes);
  }

  static void release(void* block, std::size_t bytes) noexcept {
    if (bytes <= 16) {
      BlockPool<16>::release(block);
    } else if (bytes <= 32) {
      BlockPool<32>::release(block);
    } else if (bytes <= 48) {
      BlockPool<48>::release(block);
    } else if (bytes <= 64) {
      BlockPool<64>::release(block);
    } else if (bytes <= 96) {
      BlockPool<96>::release(block);
    } else {
      ::operator delete(block);
    }
  }
};

}  // namespace json
