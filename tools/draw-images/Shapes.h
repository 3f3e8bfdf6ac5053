#pragma once
// Regions to fill. A region answers whether a sample point lies inside it;
// sample points sit at odd positions of a grid twice as fine as the coordinate
// units, so they never coincide with a corner given in whole units.
#include <cstdint>
#include <memory>
#include <vector>

#include "tools/draw-images/Geometry.h"

namespace images {

class Shape {
 public:
  virtual ~Shape() = default;
  // x2 and y2 are twice the sample position in coordinate units.
  virtual bool Contains(std::int64_t x2, std::int64_t y2) const = 0;
  virtual PixelBox Bounds() const = 0;
};

using ShapeRef = std::shared_ptr<const Shape>;

// A closed polygon under the non-zero winding rule.
ShapeRef Polygon(const std::vector<Point>& corners);

// The axis-aligned rectangle from (left, top) to (right, bottom).
ShapeRef Rectangle(Point topLeft, Point bottomRight);

ShapeRef Ellipse(Point centre, std::int64_t radiusX, std::int64_t radiusY);

// Points inside both `a` and `b`; points inside `a` but not `b`.
ShapeRef Intersection(ShapeRef a, ShapeRef b);
ShapeRef Difference(ShapeRef a, ShapeRef b);

}  // namespace images
