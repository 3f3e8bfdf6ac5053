#include "tools/draw-images/AppIcon.h"

#include <array>
#include <cmath>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "tools/draw-images/Canvas.h"

namespace images {
namespace {

// Where the parts go at one size, in pixels. The blocks are drawn in 2:1
// isometric projection, whose edges step two pixels across for one down, and
// corners sit on whole pixels, so that edges fall on the pixel grid.
struct Layout {
  int size;
  double cx;                        // the stack's front vertical edge
  double top;                       // top corner of the uppermost block
  double halfWidth;                 // from the front edge to a side corner
  std::array<double, 3> thickness;  // height of each block's side, from the top
  double arrowTail;                 // x where the left arrow starts
  double arrowTip;                  // x of the left arrow's point
  double arrowMiddle;               // y of both arrows' axis
  double headLength;
  double headHalf;
  double shaftHalf;
  double outline;  // width of the dark outlines
  double line;     // height of the seams and lit edges
  int shadowBlur;
  bool wholePixels;
  bool cubes;  // joints between the cubes of each block
};

Layout LayoutFor(int size) {
  switch (size) {
    case 64:
      return Layout{.size = 64,
                    .cx = 32,
                    .top = 9,
                    .halfWidth = 18,
                    .thickness = {8, 8, 8},
                    .arrowTail = 1,
                    .arrowTip = 18,
                    .arrowMiddle = 30,
                    .headLength = 10,
                    .headHalf = 10.5,
                    .shaftHalf = 4,
                    .outline = 1.5,
                    .line = 1,
                    .shadowBlur = 2,
                    .wholePixels = false,
                    .cubes = true};
    case 48:
      return Layout{.size = 48,
                    .cx = 24,
                    .top = 8,
                    .halfWidth = 12,
                    .thickness = {6, 6, 6},
                    .arrowTail = 1,
                    .arrowTip = 14,
                    .arrowMiddle = 23,
                    .headLength = 7,
                    .headHalf = 7.5,
                    .shaftHalf = 3,
                    .outline = 1,
                    .line = 1,
                    .shadowBlur = 1,
                    .wholePixels = false,
                    .cubes = true};
    case 32:
      // Whole pixels and no cube joints: at this size they would only be noise.
      return Layout{.size = 32,
                    .cx = 16,
                    .top = 4,
                    .halfWidth = 10,
                    .thickness = {4, 4, 4},
                    .arrowTail = 1,
                    .arrowTip = 10,
                    .arrowMiddle = 15.5,
                    .headLength = 6,
                    .headHalf = 6.5,
                    .shaftHalf = 2.5,
                    .outline = 1,
                    .line = 1,
                    .shadowBlur = 1,
                    .wholePixels = true,
                    .cubes = false};
    default: throw std::invalid_argument("the application icon has no image of that size");
  }
}

const Rgba kOutline = Rgb(16, 42, 94);
const Rgba kTopLight = Rgb(186, 232, 255);
const Rgba kTopDeep = Rgb(104, 186, 248);
const Rgba kLeftLight = Rgb(70, 154, 236);
const Rgba kLeftDeep = Rgb(38, 106, 198);
const Rgba kRightLight = Rgb(36, 96, 180);
const Rgba kRightDeep = Rgb(22, 58, 126);
const Rgba kSeam = Rgba{10, 32, 80, 200};
const Rgba kLip = Rgba{255, 255, 255, 72};
const Rgba kJoint = Rgba{10, 40, 100, 90};
const Rgba kRim = Rgba{255, 255, 255, 190};
const Rgba kArrowLight = Rgb(255, 226, 128);
const Rgba kArrowMiddle = Rgb(252, 162, 38);
const Rgba kArrowDeep = Rgb(226, 100, 6);
const Rgba kArrowOutline = Rgb(134, 54, 0);

double StackBottom(const Layout& l) {
  return l.top + l.halfWidth + l.thickness[0] + l.thickness[1] + l.thickness[2];
}

// The stack's outline, a hexagon, moved inwards by `inset`: the sloping edges
// move straight up or down and the sides sideways, so that a one-pixel inset
// leaves a one-pixel line on the grid.
std::vector<Point> StackOutline(const Layout& l, double inset) {
  const double w = l.halfWidth - inset, slope = w / 2;
  const double top = l.top + inset, bottom = StackBottom(l) - inset;
  return {P(l.cx, top),    P(l.cx + w, top + slope),    P(l.cx + w, bottom - slope),
          P(l.cx, bottom), P(l.cx - w, bottom - slope), P(l.cx - w, top + slope)};
}

// A V-shaped band `height` pixels tall under the lower edges of a block's top
// face whose top corner is at y.
ShapeRef FrontBand(const Layout& l, double y, double height) {
  const double w = l.halfWidth, h = w / 2;
  return Polygon({P(l.cx - w, y + h), P(l.cx, y + 2 * h), P(l.cx + w, y + h),
                  P(l.cx + w, y + h + height), P(l.cx, y + 2 * h + height),
                  P(l.cx - w, y + h + height)});
}

void DrawBlocks(Canvas& canvas, const Layout& l) {
  const double w = l.halfWidth, h = w / 2;
  canvas.Fill(Polygon(StackOutline(l, 0)), Solid(kOutline));
  const ShapeRef inside = Polygon(StackOutline(l, l.outline));
  auto fill = [&](const ShapeRef& shape, const PaintRef& paint) {
    canvas.Fill(Intersection(shape, inside), paint);
  };

  double y = l.top;  // top corner of the block being drawn
  for (std::size_t k = 0; k < 3; ++k) {
    const double t = l.thickness[k];
    fill(Polygon({P(l.cx - w, y + h), P(l.cx, y + 2 * h), P(l.cx, y + 2 * h + t),
                  P(l.cx - w, y + h + t)}),
         LinearGradient(P(l.cx - w, y + h), P(l.cx, y + 2 * h + t), kLeftLight, kLeftDeep));
    fill(Polygon({P(l.cx, y + 2 * h), P(l.cx + w, y + h), P(l.cx + w, y + h + t),
                  P(l.cx, y + 2 * h + t)}),
         LinearGradient(P(l.cx, y + h), P(l.cx + w, y + 2 * h + t), kRightLight, kRightDeep));
    if (k == 0) {
      fill(FrontBand(l, y, l.line), Solid(kRim));
    } else {
      // A groove between two blocks, the lower one's lip catching the light.
      fill(FrontBand(l, y - l.line, l.line), Solid(kSeam));
      if (!l.wholePixels) fill(FrontBand(l, y, l.line), Solid(kLip));
    }
    y += t;
  }
  const ShapeRef topFace = Polygon(
      {P(l.cx, l.top), P(l.cx + w, l.top + h), P(l.cx, l.top + 2 * h), P(l.cx - w, l.top + h)});
  fill(topFace, LinearGradient(P(l.cx, l.top), P(l.cx, l.top + 2 * h), kTopLight, kTopDeep));
  if (!l.cubes) return;
  // Each block is two cubes wide and deep: faint joints halve every face.
  const double q = w / 2, bottom = StackBottom(l);
  const ShapeRef sides = Difference(inside, topFace);
  for (double x : {l.cx - q, l.cx + q}) {
    canvas.Fill(Intersection(Rectangle(P(x - 1, 0), P(x, bottom)), sides), Solid(kJoint));
    canvas.Fill(Intersection(Rectangle(P(x, 0), P(x + 1, bottom)), sides), Solid(kLip));
  }
  // On the top face the joints run parallel to its edges, one pixel tall.
  const double my = l.top + h;
  for (double slope : {0.5, -0.5}) {
    const double ya = my - slope * w, yb = my + slope * w;
    const ShapeRef joint = Polygon(
        {P(l.cx - w, ya), P(l.cx + w, yb), P(l.cx + w, yb + l.line), P(l.cx - w, ya + l.line)});
    canvas.Fill(Intersection(joint, topFace), Solid(kJoint));
  }
}

// An arrow pointing right, from x = tail to x = tip, around the line y = middle.
std::vector<Point> Arrow(double tail, double tip, double middle, double headLength, double headHalf,
                         double shaftHalf) {
  const double head = tip - headLength;
  return {P(tail, middle - shaftHalf), P(head, middle - shaftHalf),
          P(head, middle - headHalf),  P(tip, middle),
          P(head, middle + headHalf),  P(head, middle + shaftHalf),
          P(tail, middle + shaftHalf)};
}

std::vector<Point> Mirrored(std::vector<Point> points, double axis) {
  for (Point& p : points) p.x = Units(2 * axis) - p.x;
  return points;
}

// Two arrows pointing at the stack's sides from left and right: squeezing it.
void DrawArrows(Canvas& canvas, const Layout& l) {
  const double o = l.outline, m = l.arrowMiddle;
  const double L = l.headLength, H = l.headHalf;
  // The inner arrow: every edge moved in by the outline's width.
  const double innerTip = l.arrowTip - o * std::sqrt(L * L + H * H) / H;
  const double innerHead = l.arrowTip - L + o;
  const std::vector<Point> outer = Arrow(l.arrowTail, l.arrowTip, m, L, H, l.shaftHalf);
  const std::vector<Point> inner = Arrow(l.arrowTail + o, innerTip, m, innerTip - innerHead,
                                         H * (innerTip - innerHead) / L, l.shaftHalf - o);
  const PaintRef body = LinearGradient(P(0, m - H), P(0, m + H),
                                       {{0, kArrowLight}, {450, kArrowMiddle}, {1000, kArrowDeep}});
  for (bool right : {false, true}) {
    canvas.Fill(Polygon(right ? Mirrored(outer, l.cx) : outer), Solid(kArrowOutline));
    canvas.Fill(Polygon(right ? Mirrored(inner, l.cx) : inner), body);
  }
}

void DrawShadow(Canvas& canvas, const Layout& l) {
  Canvas shadow(l.size, l.size);
  const double bottom = StackBottom(l);
  shadow.Fill(
      Ellipse(P(l.cx, bottom - l.halfWidth / 4), Units(l.halfWidth + 2), Units(l.halfWidth / 3)),
      Solid(Rgba{0, 0, 0, 110}));
  canvas.Draw(shadow.Blurred(l.shadowBlur));
}

// At 16 pixels every pixel is placed by hand: outlines one pixel wide on the
// grid, 2:1 edges as clean pairs of pixels, the arrows as plain wedges.
RgbaImage DrawSmallAppIcon() {
  // clang-format off
  static const std::vector<std::string> kArt = {
      "................",
      "................",
      ".......OO.......",
      ".....OOTTOO.....",
      "...OOTTTTTTOO...",
      "..OWWTTTTTTWWO..",
      "A.OLLWWTTWWRRO.A",
      "AAOLLLLWWRRRROAA",
      "AAAssLLLRRRrrAAA",
      "aaOLLssLRrrRROaa",
      "a.OLLLLsrRRRRO.a",
      "..OOOLLLRRROOO..",
      ".....OOLROO.....",
      ".......OO.......",
      "................",
      "................",
  };
  // clang-format on
  // Two blocks instead of three: at this size a third seam turns the sides
  // into a checker pattern.
  const std::map<char, Rgba> legend = {
      {'O', kOutline},          {'T', Rgb(170, 224, 255)}, {'W', Rgb(224, 244, 255)},
      {'L', Rgb(66, 152, 236)}, {'s', Rgb(36, 100, 190)},  {'R', Rgb(36, 96, 178)},
      {'r', Rgb(20, 56, 122)},  {'A', Rgb(255, 184, 52)},  {'a', Rgb(230, 108, 6)},
  };
  RgbaImage image;
  image.width = image.height = 16;
  for (const std::string& row : kArt) {
    for (char c : row) {
      const auto entry = legend.find(c);
      image.pixels.push_back(entry == legend.end() ? Rgba{0, 0, 0, 0} : entry->second);
    }
  }
  return image;
}

}  // namespace

RgbaImage DrawAppIcon(int size) {
  if (size == 16) return DrawSmallAppIcon();
  const Layout layout = LayoutFor(size);
  Canvas canvas(size, size);
  if (layout.shadowBlur > 0) DrawShadow(canvas, layout);
  canvas.SetWholePixels(layout.wholePixels);
  DrawBlocks(canvas, layout);
  DrawArrows(canvas, layout);
  return canvas.ToImage();
}

}  // namespace images
