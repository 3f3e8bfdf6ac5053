#pragma once
// The Windows bitmap file (.bmp) of a palette picture: file header,
// BITMAPINFOHEADER, colour table and bottom-up rows padded to four bytes.
// Resource compilers take such a file as it is for a BITMAP resource.
#include <cstdint>
#include <vector>

#include "tools/draw-images/IndexedImage.h"

namespace images {

// bitsPerPixel is 1, 4 or 8, and the palette must fit in it.
std::vector<std::uint8_t> EncodeBmp(const IndexedImage& image, int bitsPerPixel);

}  // namespace images
