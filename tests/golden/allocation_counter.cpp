#include "golden/allocation_counter.h"

#include <atomic>
#include <cstdlib>
#include <new>

// The real C allocator behind the link-time wrappers at the end of this file.
extern "C" {
void* __real_malloc(std::size_t size);
void* __real_calloc(std::size_t count, std::size_t size);
void* __real_realloc(void* memory, std::size_t size);
void* __real_aligned_alloc(std::size_t alignment, std::size_t size);
int __real_posix_memalign(void** memory, std::size_t alignment, std::size_t size);
}

namespace orvanta::golden {
namespace {

std::atomic<uint64_t>& counter() {
  static std::atomic<uint64_t> count{0};
  return count;
}

void* allocateOrThrow(std::size_t size) {
  counter().fetch_add(1, std::memory_order_relaxed);
  if (void* memory = __real_malloc(size == 0 ? 1 : size)) return memory;
  throw std::bad_alloc();
}

void* allocateAlignedOrThrow(std::size_t size, std::align_val_t alignment) {
  counter().fetch_add(1, std::memory_order_relaxed);
  const auto align = static_cast<std::size_t>(alignment);
  const std::size_t rounded = (size + align - 1) / align * align;
  if (void* memory = __real_aligned_alloc(align, rounded == 0 ? align : rounded)) return memory;
  throw std::bad_alloc();
}

}  // namespace

uint64_t allocationCount() { return counter().load(std::memory_order_relaxed); }

}  // namespace orvanta::golden

using orvanta::golden::allocateAlignedOrThrow;
using orvanta::golden::allocateOrThrow;

void* operator new(std::size_t size) { return allocateOrThrow(size); }
void* operator new[](std::size_t size) { return allocateOrThrow(size); }
void* operator new(std::size_t size, std::align_val_t alignment) { return allocateAlignedOrThrow(size, alignment); }
void* operator new[](std::size_t size, std::align_val_t alignment) {
  return allocateAlignedOrThrow(size, alignment);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return allocateOrThrow(size);
  } catch (...) {
    return nullptr;
  }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return allocateOrThrow(size);
  } catch (...) {
    return nullptr;
  }
}
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete(void* memory, std::align_val_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::align_val_t) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t, std::align_val_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t, std::align_val_t) noexcept { std::free(memory); }

// Calls from our own objects to the C allocator, redirected by the linker's --wrap.
extern "C" {
void* __wrap_malloc(std::size_t size) {
  orvanta::golden::counter().fetch_add(1, std::memory_order_relaxed);
  return __real_malloc(size);
}
void* __wrap_calloc(std::size_t count, std::size_t size) {
  orvanta::golden::counter().fetch_add(1, std::memory_order_relaxed);
  return __real_calloc(count, size);
}
void* __wrap_realloc(void* memory, std::size_t size) {
  orvanta::golden::counter().fetch_add(1, std::memory_order_relaxed);
  return __real_realloc(memory, size);
}
void* __wrap_aligned_alloc(std::size_t alignment, std::size_t size) {
  orvanta::golden::counter().fetch_add(1, std::memory_order_relaxed);
  return __real_aligned_alloc(alignment, size);
}
int __wrap_posix_memalign(void** memory, std::size_t alignment, std::size_t size) {
  orvanta::golden::counter().fetch_add(1, std::memory_order_relaxed);
  return __real_posix_memalign(memory, alignment, size);
}
}
