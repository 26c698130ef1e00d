#pragma once

#include <cstddef>

namespace workflow_test {

// While alive, every allocation of at least `bytes` on this thread fails with std::bad_alloc:
// a process whose address space has run out, as a device streaming a huge reply can cause.
class LargeAllocationsFail {
 public:
  explicit LargeAllocationsFail(std::size_t bytes);
  LargeAllocationsFail(const LargeAllocationsFail&) = delete;
  LargeAllocationsFail& operator=(const LargeAllocationsFail&) = delete;
  ~LargeAllocationsFail();
};

}  // namespace workflow_test
