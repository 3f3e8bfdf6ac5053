#pragma once
// How a filled region is coloured: one colour, or a gradient along a line.
// Paint is evaluated once per pixel, at the pixel's centre.
#include <memory>
#include <vector>

#include "tools/draw-images/Color.h"
#include "tools/draw-images/Geometry.h"

namespace images {

class Paint {
 public:
  virtual ~Paint() = default;
  virtual Rgba At(int x, int y) const = 0;
};

using PaintRef = std::shared_ptr<const Paint>;

PaintRef Solid(Rgba colour);

struct GradientStop {
  int permille = 0;  // position along the gradient line, 0 to 1000
  Rgba colour;
};

// Colours change along the line from `from` to `to`; beyond its ends they stay
// at the first or last stop. Stops are in increasing order of position.
PaintRef LinearGradient(Point from, Point to, std::vector<GradientStop> stops);
PaintRef LinearGradient(Point from, Point to, Rgba first, Rgba last);

}  // namespace images
