#pragma once
// Arrays of plain records, all zero bytes, taken from calloc. Large ones come straight from
// pages the system hands out already zeroed and maps only when first touched, so nothing
// clears them twice and a capacity that is never reached costs no memory.

#include <cstddef>
#include <cstdlib>
#include <memory>
#include <new>
#include <type_traits>

namespace orvanta {

struct FreeMemory {
  void operator()(void* memory) const noexcept { std::free(memory); }
};

template <typename T>
using ZeroedArray = std::unique_ptr<T[], FreeMemory>;

// Zero bytes are a valid value of T (numbers of 0, +0.0) and T needs nothing run to be
// created or destroyed; the allocation holds at least one element.
template <typename T>
ZeroedArray<T> makeZeroedArray(size_t count) {
  static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_destructible_v<T>);
  static_assert(std::is_arithmetic_v<T> || std::is_aggregate_v<T>, "calloc creates only implicit-lifetime types");
  static_assert(alignof(T) <= alignof(std::max_align_t));
  void* memory = std::calloc(count == 0 ? 1 : count, sizeof(T));
  if (memory == nullptr) throw std::bad_alloc();
  return ZeroedArray<T>(static_cast<T*>(memory));
}

}  // namespace orvanta
