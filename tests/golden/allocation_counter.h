#pragma once
// Counts every allocation the program makes: operator new in all its forms, and malloc,
// calloc, realloc, aligned_alloc and posix_memalign called from our own code (the build
// wraps them at link time).

#include <cstdint>

namespace orvanta::golden {

uint64_t allocationCount();

}  // namespace orvanta::golden
