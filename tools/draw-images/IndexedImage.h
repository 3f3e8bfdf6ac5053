#pragma once
// A palette picture, rows from the top, as the small bitmaps are stored.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "tools/draw-images/Color.h"

namespace images {

struct IndexedImage {
  int width = 0;
  int height = 0;
  std::vector<Rgba> palette;          // alpha is not stored
  std::vector<std::uint8_t> indices;  // width * height palette indices

  std::uint8_t& At(int x, int y) { return indices[static_cast<std::size_t>(y * width + x)]; }
  std::uint8_t At(int x, int y) const { return indices[static_cast<std::size_t>(y * width + x)]; }
};

// An image of the given size filled with palette entry `fill`.
IndexedImage BlankIndexedImage(int width, int height, std::vector<Rgba> palette, std::uint8_t fill);

// Copies pixel art into `image` with its top-left corner at (left, top): each
// character of `rows` names a palette index through `legend`; characters
// missing from the legend leave the pixel as it was.
void PaintPixelArt(IndexedImage& image, int left, int top, const std::vector<std::string>& rows,
                   const std::map<char, std::uint8_t>& legend);

}  // namespace images
