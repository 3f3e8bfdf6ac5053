#pragma once
// Pixel rows as device-independent bitmaps store them: bottom row first, each
// row padded to a multiple of four bytes, sub-byte pixels from the high bit.
#include <cstdint>
#include <vector>

#include "tools/draw-images/IndexedImage.h"
#include "tools/draw-images/RgbaImage.h"

namespace images {

int DibStride(int width, int bitsPerPixel);

std::vector<std::uint8_t> PackIndexedRows(const IndexedImage& image, int bitsPerPixel);

// 32 bits per pixel: blue, green, red, alpha.
std::vector<std::uint8_t> PackBgraRows(const RgbaImage& image);

// One bit per pixel, set where `isSet(x, y)` holds.
template <typename Predicate>
std::vector<std::uint8_t> PackBitRows(int width, int height, Predicate isSet) {
  const int stride = DibStride(width, 1);
  std::vector<std::uint8_t> rows(static_cast<std::size_t>(stride) *
                                 static_cast<std::size_t>(height));
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = rows.data() + static_cast<std::size_t>((height - 1 - y) * stride);
    for (int x = 0; x < width; ++x) {
      if (isSet(x, y)) row[x / 8] = static_cast<std::uint8_t>(row[x / 8] | (0x80 >> (x % 8)));
    }
  }
  return rows;
}

}  // namespace images
