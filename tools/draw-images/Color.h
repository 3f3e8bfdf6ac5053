#pragma once
// An 8-bit colour with straight (not premultiplied) alpha, as files store it.
#include <cstdint>

namespace images {

struct Rgba {
  std::uint8_t r = 0;
  std::uint8_t g = 0;
  std::uint8_t b = 0;
  std::uint8_t a = 255;

  friend bool operator==(const Rgba&, const Rgba&) = default;
};

constexpr Rgba Rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) { return Rgba{r, g, b, 255}; }

constexpr Rgba WithAlpha(Rgba colour, std::uint8_t alpha) {
  colour.a = alpha;
  return colour;
}

}  // namespace images
