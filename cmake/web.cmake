# Compile settings for the WebAssembly build (the "web" preset). The core is compiled as it is
# for the desktop; only the page's front end in web/ differs.

# With WebAssembly's 128-bit SIMD the kernels' Sse2 versions are built (emscripten's headers
# map the SSE2 intrinsics onto it); they are faster there than the Reference versions, which
# are what OFF builds.
set(ORVANTA_WEB_SIMD ON CACHE BOOL "Build the web page with WebAssembly SIMD and the kernels' Sse2 versions")
if(ORVANTA_WEB_SIMD)
  add_compile_options(-msimd128 -msse2)
endif()
# emscripten 3.1.6's C++ library lacks std::bit_cast.
add_compile_options("SHELL:-include ${CMAKE_CURRENT_SOURCE_DIR}/web/compat/bit_cast.h")

set(ORVANTA_BUILD_PLATFORM OFF CACHE BOOL "" FORCE)
set(ORVANTA_BUILD_TESTS OFF CACHE BOOL "" FORCE)
set(ORVANTA_BUILD_BENCH OFF CACHE BOOL "" FORCE)
set(ORVANTA_FUZZ OFF CACHE BOOL "" FORCE)
