#include "tools/draw-images/Shapes.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace images {
namespace {

struct Point2 {
  std::int64_t x;
  std::int64_t y;
};

Point2 Doubled(Point p) { return Point2{2 * p.x, 2 * p.y}; }

PixelBox BoundsOf(const std::vector<Point>& points) {
  std::int64_t minX = points.front().x, maxX = minX, minY = points.front().y, maxY = minY;
  for (const Point& p : points) {
    minX = std::min(minX, p.x);
    maxX = std::max(maxX, p.x);
    minY = std::min(minY, p.y);
    maxY = std::max(maxY, p.y);
  }
  return BoxAround(minX, minY, maxX, maxY);
}

class PolygonShape final : public Shape {
 public:
  explicit PolygonShape(const std::vector<Point>& corners) : m_bounds(BoundsOf(corners)) {
    for (const Point& p : corners) m_corners.push_back(Doubled(p));
  }

  bool Contains(std::int64_t x, std::int64_t y) const override {
    int winding = 0;
    const std::size_t n = m_corners.size();
    for (std::size_t i = 0; i < n; ++i) {
      const Point2& a = m_corners[i];
      const Point2& b = m_corners[(i + 1) % n];
      const std::int64_t side = (b.x - a.x) * (y - a.y) - (x - a.x) * (b.y - a.y);
      if (a.y <= y && y < b.y && side > 0) ++winding;
      if (b.y <= y && y < a.y && side < 0) --winding;
    }
    return winding != 0;
  }

  PixelBox Bounds() const override { return m_bounds; }

 private:
  std::vector<Point2> m_corners;
  PixelBox m_bounds;
};

class EllipseShape final : public Shape {
 public:
  EllipseShape(Point centre, std::int64_t rx, std::int64_t ry)
      : m_centre(Doubled(centre)),
        m_rx(2 * rx),
        m_ry(2 * ry),
        m_bounds(BoxAround(centre.x - rx, centre.y - ry, centre.x + rx, centre.y + ry)) {}

  bool Contains(std::int64_t x, std::int64_t y) const override {
    const std::int64_t dx = x - m_centre.x, dy = y - m_centre.y;
    return dx * dx * m_ry * m_ry + dy * dy * m_rx * m_rx <= m_rx * m_rx * m_ry * m_ry;
  }

  PixelBox Bounds() const override { return m_bounds; }

 private:
  Point2 m_centre;
  std::int64_t m_rx;
  std::int64_t m_ry;
  PixelBox m_bounds;
};

enum class Combine { kIntersection, kDifference };

class CombinedShape final : public Shape {
 public:
  CombinedShape(ShapeRef a, ShapeRef b, Combine how)
      : m_a(std::move(a)), m_b(std::move(b)), m_how(how) {}

  bool Contains(std::int64_t x, std::int64_t y) const override {
    switch (m_how) {
      case Combine::kIntersection: return m_a->Contains(x, y) && m_b->Contains(x, y);
      case Combine::kDifference: return m_a->Contains(x, y) && !m_b->Contains(x, y);
    }
    return false;
  }

  PixelBox Bounds() const override {
    switch (m_how) {
      case Combine::kIntersection: return Intersect(m_a->Bounds(), m_b->Bounds());
      case Combine::kDifference: return m_a->Bounds();
    }
    return m_a->Bounds();
  }

 private:
  ShapeRef m_a;
  ShapeRef m_b;
  Combine m_how;
};

}  // namespace

ShapeRef Polygon(const std::vector<Point>& corners) {
  if (corners.size() < 3) throw std::invalid_argument("a polygon needs three corners");
  return std::make_shared<PolygonShape>(corners);
}

ShapeRef Rectangle(Point topLeft, Point bottomRight) {
  return Polygon({topLeft, {bottomRight.x, topLeft.y}, bottomRight, {topLeft.x, bottomRight.y}});
}

ShapeRef Ellipse(Point centre, std::int64_t radiusX, std::int64_t radiusY) {
  return std::make_shared<EllipseShape>(centre, radiusX, radiusY);
}

ShapeRef Intersection(ShapeRef a, ShapeRef b) {
  return std::make_shared<CombinedShape>(std::move(a), std::move(b), Combine::kIntersection);
}

ShapeRef Difference(ShapeRef a, ShapeRef b) {
  return std::make_shared<CombinedShape>(std::move(a), std::move(b), Combine::kDifference);
}

}  // namespace images
