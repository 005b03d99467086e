#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "image/effects.h"

namespace orvanta {
namespace {

std::vector<std::pair<int, int>> plotted(const Image& image) {
  std::vector<std::pair<int, int>> points;
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      if (image.pixels[y * image.width + x] != 0) points.emplace_back(x, y);
    }
  }
  return points;
}

TEST(DrawLine, PlotsBothEndsAlongTheMajorAxis) {
  Image image;
  image.create(8, 8);
  drawLine(&image, 0, 0, 3, 1, 0xFFFFFFFF);
  EXPECT_EQ(plotted(image), (std::vector<std::pair<int, int>>{{0, 0}, {1, 0}, {2, 1}, {3, 1}}));

  image.clear();
  drawLine(&image, 2, 2, 2, 2, 0x11);
  EXPECT_EQ(plotted(image), (std::vector<std::pair<int, int>>{{2, 2}}));
  EXPECT_EQ(image.pixels[2 * 8 + 2], 0x11u);

  image.clear();
  drawLine(&image, 3, 1, 0, 0, 0xFF);  // backwards: steps of -1
  EXPECT_EQ(plotted(image).size(), 4u);
  releasePixels(image);
}

TEST(DrawLine, DiagonalTieGoesToTheYAxis) {
  Image image;
  image.create(8, 8);
  drawLine(&image, 0, 0, 4, 4, 1);
  EXPECT_EQ(plotted(image), (std::vector<std::pair<int, int>>{{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}}));
  releasePixels(image);
}

TEST(DrawLine, PointsOutsideTheImageAreNotWritten) {
  Image image;
  image.create(4, 4);
  drawLine(&image, -2, 1, 5, 1, 7);
  EXPECT_EQ(plotted(image).size(), 4u);
  Image empty;
  drawLine(&empty, 0, 0, 3, 3, 7);  // no pixel array: nothing happens
  releasePixels(image);
}

}  // namespace
}  // namespace orvanta
