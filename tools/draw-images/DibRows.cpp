#include "tools/draw-images/DibRows.h"

namespace images {

int DibStride(int width, int bitsPerPixel) { return (width * bitsPerPixel + 31) / 32 * 4; }

std::vector<std::uint8_t> PackIndexedRows(const IndexedImage& image, int bitsPerPixel) {
  const int stride = DibStride(image.width, bitsPerPixel);
  const int perByte = 8 / bitsPerPixel;
  std::vector<std::uint8_t> rows(static_cast<std::size_t>(stride) *
                                 static_cast<std::size_t>(image.height));
  for (int y = 0; y < image.height; ++y) {
    std::uint8_t* row = rows.data() + static_cast<std::size_t>((image.height - 1 - y) * stride);
    for (int x = 0; x < image.width; ++x) {
      const int shift = 8 - bitsPerPixel * (x % perByte + 1);
      row[x / perByte] = static_cast<std::uint8_t>(row[x / perByte] | (image.At(x, y) << shift));
    }
  }
  return rows;
}

std::vector<std::uint8_t> PackBgraRows(const RgbaImage& image) {
  std::vector<std::uint8_t> rows;
  rows.reserve(static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) * 4);
  for (int y = image.height - 1; y >= 0; --y) {
    for (int x = 0; x < image.width; ++x) {
      const Rgba& p = image.At(x, y);
      rows.push_back(p.b);
      rows.push_back(p.g);
      rows.push_back(p.r);
      rows.push_back(p.a);
    }
  }
  return rows;
}

}  // namespace images
