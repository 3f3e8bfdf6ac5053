#pragma once
// Plain rectangles and points in pixels, with the platform's conventions: a
// rectangle holds its left and top edges but not its right and bottom ones.
namespace uilogic {

struct Point {
  int x = 0;
  int y = 0;
};

struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;

  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  // As PtInRect: right and bottom edges are outside.
  bool Contains(Point point) const {
    return point.x >= left && point.x < right && point.y >= top && point.y < bottom;
  }
};

}  // namespace uilogic
