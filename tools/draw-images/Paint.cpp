#include "tools/draw-images/Paint.h"

#include <stdexcept>
#include <utility>

namespace images {
namespace {

// Round-to-nearest integer division for a positive divisor.
std::int64_t RoundDiv(std::int64_t numerator, std::int64_t divisor) {
  const std::int64_t twice = 2 * numerator + divisor;
  const std::int64_t den = 2 * divisor;
  return twice >= 0 ? twice / den : -((-twice + den - 1) / den);
}

std::uint8_t Mix(std::uint8_t a, std::uint8_t b, std::int64_t part, std::int64_t whole) {
  return static_cast<std::uint8_t>(a + RoundDiv((static_cast<std::int64_t>(b) - a) * part, whole));
}

class SolidPaint final : public Paint {
 public:
  explicit SolidPaint(Rgba colour) : m_colour(colour) {}
  Rgba At(int, int) const override { return m_colour; }

 private:
  Rgba m_colour;
};

class LinearGradientPaint final : public Paint {
 public:
  LinearGradientPaint(Point from, Point to, std::vector<GradientStop> stops)
      : m_from(from), m_dx(to.x - from.x), m_dy(to.y - from.y), m_stops(std::move(stops)) {
    if (m_stops.empty()) throw std::invalid_argument("a gradient needs a colour");
    for (std::size_t i = 0; i < m_stops.size(); ++i) {
      const int at = m_stops[i].permille;
      if (at < 0 || at > 1000 || (i > 0 && at < m_stops[i - 1].permille)) {
        throw std::invalid_argument("gradient stops must run from 0 to 1000 in order");
      }
    }
    if (m_dx == 0 && m_dy == 0) throw std::invalid_argument("a gradient needs a direction");
  }

  Rgba At(int x, int y) const override {
    const std::int64_t cx = x * kSubUnits + kSubUnits / 2;
    const std::int64_t cy = y * kSubUnits + kSubUnits / 2;
    const std::int64_t length2 = m_dx * m_dx + m_dy * m_dy;
    // Position along the line in units of 1/(1000 * length2).
    const std::int64_t along = ((cx - m_from.x) * m_dx + (cy - m_from.y) * m_dy) * 1000;
    if (along <= m_stops.front().permille * length2) return m_stops.front().colour;
    for (std::size_t i = 0; i + 1 < m_stops.size(); ++i) {
      const GradientStop& a = m_stops[i];
      const GradientStop& b = m_stops[i + 1];
      if (along > b.permille * length2) continue;
      const std::int64_t whole = (b.permille - a.permille) * length2;
      if (whole == 0) return b.colour;
      const std::int64_t part = along - a.permille * length2;
      return Rgba{
          Mix(a.colour.r, b.colour.r, part, whole), Mix(a.colour.g, b.colour.g, part, whole),
          Mix(a.colour.b, b.colour.b, part, whole), Mix(a.colour.a, b.colour.a, part, whole)};
    }
    return m_stops.back().colour;
  }

 private:
  Point m_from;
  std::int64_t m_dx;
  std::int64_t m_dy;
  std::vector<GradientStop> m_stops;
};

}  // namespace

PaintRef Solid(Rgba colour) { return std::make_shared<SolidPaint>(colour); }

PaintRef LinearGradient(Point from, Point to, std::vector<GradientStop> stops) {
  return std::make_shared<LinearGradientPaint>(from, to, std::move(stops));
}

PaintRef LinearGradient(Point from, Point to, Rgba first, Rgba last) {
  return LinearGradient(from, to, {{0, first}, {1000, last}});
}

}  // namespace images
