#include "failing_allocation.h"

#include <cstdlib>
#include <new>

namespace {

thread_local std::size_t failFrom = 0;  // 0: nothing fails

}  // namespace

namespace workflow_test {

LargeAllocationsFail::LargeAllocationsFail(std::size_t bytes) { failFrom = bytes; }
LargeAllocationsFail::~LargeAllocationsFail() { failFrom = 0; }

}  // namespace workflow_test

// The replaced global allocation functions of this test program.
void* operator new(std::size_t size) {
  if (failFrom != 0 && size >= failFrom) throw std::bad_alloc();
  if (void* memory = std::malloc(size == 0 ? 1 : size)) return memory;
  throw std::bad_alloc();
}

void* operator new[](std::size_t size) { return operator new(size); }

void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t /*size*/) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t /*size*/) noexcept { std::free(memory); }
