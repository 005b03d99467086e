#pragma once
// std::bit_cast for C++ libraries that do not have it yet (the compiler's builtin does the work).

#ifdef __cplusplus
#include <version>
#if !defined(__cpp_lib_bit_cast)
#include <type_traits>
namespace std {
template <class To, class From>
  requires(sizeof(To) == sizeof(From) && is_trivially_copyable_v<To> && is_trivially_copyable_v<From>)
constexpr To bit_cast(const From& from) noexcept {
  return __builtin_bit_cast(To, from);
}
}  // namespace std
#endif
#endif
