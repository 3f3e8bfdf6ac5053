#pragma once
// An anti-aliased drawing surface. Each pixel is covered by a 16 x 16 grid of
// samples; colours are kept premultiplied in 16 bits so that stacked layers of
// translucent paint keep their precision, and every step is integer
// arithmetic, so the same drawing gives the same bytes everywhere.
#include <cstdint>
#include <vector>

#include "tools/draw-images/Paint.h"
#include "tools/draw-images/RgbaImage.h"
#include "tools/draw-images/Shapes.h"

namespace images {

class Canvas {
 public:
  Canvas(int width, int height);

  // Whole-pixel drawing: a pixel is painted fully when the region covers at
  // least half of it and not at all otherwise. Small icons use it so that
  // sloping edges become clean pixel steps instead of grey smears.
  void SetWholePixels(bool wholePixels) { m_wholePixels = wholePixels; }

  int Width() const { return m_width; }
  int Height() const { return m_height; }

  // Paints the region over what is there, weighting each pixel by the share of
  // its samples that the region covers.
  void Fill(const Shape& shape, const Paint& paint);
  void Fill(const ShapeRef& shape, const PaintRef& paint) { Fill(*shape, *paint); }

  // Puts `layer` over this canvas.
  void Draw(const Canvas& layer);

  // A copy softened by a box blur of the given radius, run twice.
  Canvas Blurred(int radius) const;

  RgbaImage ToImage() const;

 private:
  struct Premultiplied {
    std::uint32_t r = 0, g = 0, b = 0, a = 0;  // 0 to 65535, colour <= alpha
  };

  void Blend(int x, int y, Rgba colour, int coveredSamples);
  static void Over(Premultiplied& below, const Premultiplied& above);

  int m_width;
  int m_height;
  bool m_wholePixels = false;
  std::vector<Premultiplied> m_pixels;
};

}  // namespace images
