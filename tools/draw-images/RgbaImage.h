#pragma once
// A true-colour picture with alpha, rows from the top.
#include <vector>

#include "tools/draw-images/Color.h"

namespace images {

struct RgbaImage {
  int width = 0;
  int height = 0;
  std::vector<Rgba> pixels;  // width * height, row by row from the top

  const Rgba& At(int x, int y) const { return pixels[static_cast<std::size_t>(y * width + x)]; }
};

}  // namespace images
