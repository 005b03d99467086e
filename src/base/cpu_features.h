#pragma once
// Which vector paths this build contains and this processor runs.
//
// Every kernel with vector versions has a Reference version (the formulas as they read,
// plain C++, built for every target) and, on x86, Sse2 and Avx2 versions that give the same
// words. SSE2 is part of every x86-64 processor, so it is chosen when the program is built;
// AVX2 is chosen when it runs, by hasAvx2(). Building with ORVANTA_NO_VECTOR_PATHS (the CMake
// option ORVANTA_VECTOR_PATHS=OFF), or for another architecture, leaves only the Reference
// versions: no intrinsics header is included then. WebAssembly with 128-bit SIMD builds the
// Sse2 versions (the compiler's SSE2 headers map each intrinsic to the same lane operation)
// but has no AVX2.

#if !defined(ORVANTA_NO_VECTOR_PATHS) && \
    (defined(__x86_64__) || (defined(__i386__) && defined(__SSE2__)) || (defined(__wasm_simd128__) && defined(__SSE2__)))
#define ORVANTA_X86_VECTORS 1
#else
#define ORVANTA_X86_VECTORS 0
#endif

#if ORVANTA_X86_VECTORS && !defined(__wasm__)
#define ORVANTA_X86_AVX2 1
#else
#define ORVANTA_X86_AVX2 0
#endif

// The Avx2 versions are compiled for AVX2 whatever the baseline and called only after
// hasAvx2(); every function of such a version carries this.
#define ORVANTA_TARGET_AVX2 __attribute__((target("avx2")))

namespace orvanta::cpu {

enum class VectorPath { kReference, kSse2, kAvx2 };

// Whether the version is built in and this processor runs it (the Reference always is).
bool runs(VectorPath path);
// The fastest version this processor runs.
VectorPath bestPath();

#if ORVANTA_X86_AVX2
inline bool hasAvx2() { return runs(VectorPath::kAvx2); }
#else
// A constant, so that the calls of the Avx2 versions, which this build lacks, are left out.
constexpr bool hasAvx2() { return false; }
#endif

const char* nameOf(VectorPath path);

// How a texture walk loads its texels: with the gather instructions, or one load per lane.
// The words are the same either way; which is faster depends on the processor. On the Intel
// machines here the tunnel's blocks drew about a quarter faster with gathers; on the AMD EPYC
// machines single loads are faster in the triangle walks (3-9 %) and the tunnel's blocks
// (about 17 %), whose gathers are short or give the next gather's addresses. Kernels whose
// gathers are wide and independent (the zoom blur's, the warped planes') gather everywhere:
// single loads were slower there on both.
enum class LaneLoads { kGather, kSingle };
// Gathers, except on AMD processors.
LaneLoads fasterLaneLoads();

}  // namespace orvanta::cpu
