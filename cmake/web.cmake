# Compile settings for the WebAssembly build (the "web" preset). The core is compiled as it is
# for the desktop; only the page's front end in web/ differs.

# SSE2 code is translated to WebAssembly's 128-bit SIMD by emscripten's headers.
set(ORVANTA_WEB_SIMD ON CACHE BOOL "Use WebAssembly SIMD (and emscripten's SSE2 headers) in the web build")
if(ORVANTA_WEB_SIMD)
  add_compile_options(-msimd128 -msse2)
endif()
# emscripten 3.1.6's C++ library lacks std::bit_cast.
add_compile_options("SHELL:-include ${CMAKE_CURRENT_SOURCE_DIR}/web/compat/bit_cast.h")

set(ORVANTA_BUILD_PLATFORM OFF CACHE BOOL "" FORCE)
set(ORVANTA_BUILD_TESTS OFF CACHE BOOL "" FORCE)
set(ORVANTA_BUILD_BENCH OFF CACHE BOOL "" FORCE)
set(ORVANTA_FUZZ OFF CACHE BOOL "" FORCE)
