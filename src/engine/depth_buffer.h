#pragma once
// One signed 32-bit inverse depth per frame pixel; larger is nearer, 0 means empty.
// Created by the program entry and cleared before every scene call.

#include <cstdint>

namespace orvanta {

struct DepthBuffer {
  int32_t* values = nullptr;
  int32_t width = 0;
  int32_t height = 0;
};

// The program's one depth buffer.
extern DepthBuffer gDepthBuffer;

void createDepthBuffer(int32_t width, int32_t height);
void clearDepthBuffer();

}  // namespace orvanta
