#include "base/cpu_features.h"

namespace orvanta::cpu {
namespace {

bool processorHasAvx2() {
#if ORVANTA_X86_AVX2
  return __builtin_cpu_supports("avx2") != 0;
#else
  return false;
#endif
}

LaneLoads processorLaneLoads() {
#if ORVANTA_X86_AVX2
  return __builtin_cpu_is("amd") ? LaneLoads::kSingle : LaneLoads::kGather;
#else
  return LaneLoads::kGather;
#endif
}

}  // namespace

LaneLoads fasterLaneLoads() {
  static const LaneLoads loads = processorLaneLoads();
  return loads;
}

bool runs(VectorPath path) {
  switch (path) {
    case VectorPath::kReference:
      return true;
    case VectorPath::kSse2:
      return ORVANTA_X86_VECTORS != 0;
    case VectorPath::kAvx2: {
      static const bool avx2 = processorHasAvx2();
      return avx2;
    }
  }
  return false;
}

VectorPath bestPath() {
  return runs(VectorPath::kAvx2) ? VectorPath::kAvx2 : runs(VectorPath::kSse2) ? VectorPath::kSse2 : VectorPath::kReference;
}

const char* nameOf(VectorPath path) {
  switch (path) {
    case VectorPath::kReference:
      return "reference";
    case VectorPath::kSse2:
      return "sse2";
    case VectorPath::kAvx2:
      return "avx2";
  }
  return "?";
}

}  // namespace orvanta::cpu
