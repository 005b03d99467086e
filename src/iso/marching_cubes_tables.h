#pragma once
// The standard marching-cubes tables. Corner c of a cell lies kCubeCornerOffsets[c] cells
// from the cell's origin sample; edge e runs from kCubeEdgeCorners[e][0] to
// kCubeEdgeCorners[e][1]. A cube index has bit c set when corner c lies below the level.

#include <cstdint>

namespace orvanta {

extern const float kCubeCornerOffsets[8][3];
extern const int32_t kCubeEdgeCorners[12][2];

// Bit e set: edge e is cut by the surface.
extern const int32_t kEdgeTable[256];

// Edge numbers, three per triangle, at most five triangles, ended by -1. The winding puts
// the face normal (p1 - p0) x (p2 - p0) on the side of the corners below the level.
extern const int32_t kTriangleTable[256][16];

}  // namespace orvanta
