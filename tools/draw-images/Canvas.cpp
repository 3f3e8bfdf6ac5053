#include "tools/draw-images/Canvas.h"

#include <algorithm>
#include <stdexcept>

namespace images {
namespace {

constexpr int kSamplesPerAxis = static_cast<int>(kSubUnits);
constexpr int kSamplesPerPixel = kSamplesPerAxis * kSamplesPerAxis;
constexpr std::uint32_t kFull = 65535;

std::uint32_t RoundDiv(std::uint64_t numerator, std::uint64_t divisor) {
  return static_cast<std::uint32_t>((numerator + divisor / 2) / divisor);
}

}  // namespace

Canvas::Canvas(int width, int height) : m_width(width), m_height(height) {
  if (width <= 0 || height <= 0) throw std::invalid_argument("a canvas needs a size");
  m_pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
}

void Canvas::Fill(const Shape& shape, const Paint& paint) {
  const PixelBox box = Intersect(shape.Bounds(), PixelBox{0, 0, m_width, m_height});
  for (int y = box.top; y < box.bottom; ++y) {
    for (int x = box.left; x < box.right; ++x) {
      int covered = 0;
      for (int sy = 0; sy < kSamplesPerAxis; ++sy) {
        const std::int64_t y2 = 2 * (static_cast<std::int64_t>(y) * kSubUnits + sy) + 1;
        for (int sx = 0; sx < kSamplesPerAxis; ++sx) {
          const std::int64_t x2 = 2 * (static_cast<std::int64_t>(x) * kSubUnits + sx) + 1;
          if (shape.Contains(x2, y2)) ++covered;
        }
      }
      if (m_wholePixels) covered = 2 * covered >= kSamplesPerPixel ? kSamplesPerPixel : 0;
      if (covered > 0) Blend(x, y, paint.At(x, y), covered);
    }
  }
}

void Canvas::Blend(int x, int y, Rgba colour, int coveredSamples) {
  Premultiplied above;
  above.a =
      RoundDiv(static_cast<std::uint64_t>(colour.a) * 257u * static_cast<unsigned>(coveredSamples),
               kSamplesPerPixel);
  above.r = RoundDiv(static_cast<std::uint64_t>(colour.r) * above.a, 255);
  above.g = RoundDiv(static_cast<std::uint64_t>(colour.g) * above.a, 255);
  above.b = RoundDiv(static_cast<std::uint64_t>(colour.b) * above.a, 255);
  Over(m_pixels[static_cast<std::size_t>(y * m_width + x)], above);
}

void Canvas::Over(Premultiplied& below, const Premultiplied& above) {
  const std::uint64_t keep = kFull - above.a;
  below.r = above.r + RoundDiv(below.r * keep, kFull);
  below.g = above.g + RoundDiv(below.g * keep, kFull);
  below.b = above.b + RoundDiv(below.b * keep, kFull);
  below.a = above.a + RoundDiv(below.a * keep, kFull);
}

void Canvas::Draw(const Canvas& layer) {
  if (layer.m_width != m_width || layer.m_height != m_height) {
    throw std::invalid_argument("layers must have the canvas's size");
  }
  for (std::size_t i = 0; i < m_pixels.size(); ++i) Over(m_pixels[i], layer.m_pixels[i]);
}

Canvas Canvas::Blurred(int radius) const {
  Canvas result = *this;
  const int span = 2 * radius + 1;
  auto pass = [&](bool horizontal) {
    Canvas source = result;
    for (int y = 0; y < m_height; ++y) {
      for (int x = 0; x < m_width; ++x) {
        std::uint64_t r = 0, g = 0, b = 0, a = 0;
        for (int k = -radius; k <= radius; ++k) {
          const int sx = horizontal ? x + k : x;
          const int sy = horizontal ? y : y + k;
          if (sx < 0 || sy < 0 || sx >= m_width || sy >= m_height) continue;
          const Premultiplied& p = source.m_pixels[static_cast<std::size_t>(sy * m_width + sx)];
          r += p.r;
          g += p.g;
          b += p.b;
          a += p.a;
        }
        Premultiplied& out = result.m_pixels[static_cast<std::size_t>(y * m_width + x)];
        out = Premultiplied{RoundDiv(r, span), RoundDiv(g, span), RoundDiv(b, span),
                            RoundDiv(a, span)};
      }
    }
  };
  for (int round = 0; round < 2; ++round) {
    pass(true);
    pass(false);
  }
  return result;
}

RgbaImage Canvas::ToImage() const {
  RgbaImage image;
  image.width = m_width;
  image.height = m_height;
  image.pixels.reserve(m_pixels.size());
  for (const Premultiplied& p : m_pixels) {
    const std::uint32_t a8 = RoundDiv(static_cast<std::uint64_t>(p.a) * 255, kFull);
    if (a8 == 0) {
      image.pixels.push_back(Rgba{0, 0, 0, 0});
      continue;
    }
    auto straight = [&](std::uint32_t c) {
      return static_cast<std::uint8_t>(
          std::min<std::uint32_t>(255, RoundDiv(static_cast<std::uint64_t>(c) * 255, p.a)));
    };
    image.pixels.push_back(
        Rgba{straight(p.r), straight(p.g), straight(p.b), static_cast<std::uint8_t>(a8)});
  }
  return image;
}

}  // namespace images
