#pragma once
// Exact drawing coordinates: whole sixteenths of a pixel, so that containment
// tests are integer arithmetic and every machine draws the same bytes.
#include <algorithm>
#include <cmath>
#include <cstdint>

namespace images {

constexpr std::int64_t kSubUnits = 16;  // coordinate units per pixel

struct Point {
  std::int64_t x = 0;
  std::int64_t y = 0;
};

// A point given in pixels; the values used are multiples of 1/16, which
// doubles hold exactly, so the rounding below never has to break a tie.
inline Point P(double x, double y) {
  return Point{static_cast<std::int64_t>(std::llround(x * kSubUnits)),
               static_cast<std::int64_t>(std::llround(y * kSubUnits))};
}

// A length given in pixels, in coordinate units.
inline std::int64_t Units(double pixels) { return P(pixels, 0).x; }

// Pixel-aligned bounds, half-open: [left, right) x [top, bottom).
struct PixelBox {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
};

// The pixels that a region spanning [minX, maxX] x [minY, maxY] (in units) can touch.
inline PixelBox BoxAround(std::int64_t minX, std::int64_t minY, std::int64_t maxX,
                          std::int64_t maxY) {
  auto floorDiv = [](std::int64_t v) {
    return static_cast<int>(v >= 0 ? v / kSubUnits : -((-v + kSubUnits - 1) / kSubUnits));
  };
  return PixelBox{floorDiv(minX), floorDiv(minY), floorDiv(maxX) + 1, floorDiv(maxY) + 1};
}

inline PixelBox Intersect(const PixelBox& a, const PixelBox& b) {
  return PixelBox{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                  std::min(a.bottom, b.bottom)};
}

}  // namespace images
