#pragma once
// Icon (.ico) and cursor (.cur) files: a directory of images, each stored as a
// device-independent bitmap of twice its height, the colour rows followed by
// the AND mask that marks transparent pixels.
#include <cstdint>
#include <vector>

#include "tools/draw-images/RgbaImage.h"

namespace images {

// One 32-bit image with alpha per picture, in the given order (sizes 1 to 256).
std::vector<std::uint8_t> EncodeIcon(const std::vector<RgbaImage>& pictures);

enum class CursorPixel : std::uint8_t { kTransparent, kBlack, kWhite };

struct CursorImage {
  int width = 0;
  int height = 0;
  std::vector<CursorPixel> pixels;  // rows from the top
  int hotSpotX = 0;
  int hotSpotY = 0;

  CursorPixel At(int x, int y) const { return pixels[static_cast<std::size_t>(y * width + x)]; }
};

// A one-image cursor at 1 bit per pixel (black and white) with its hot spot.
std::vector<std::uint8_t> EncodeCursor(const CursorImage& cursor);

}  // namespace images
