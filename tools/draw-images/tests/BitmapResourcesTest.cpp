// Facts about the committed bitmaps that the windows rely on, read back from
// the files with an independent reader.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "tools/draw-images/tests/CommittedImages.h"
#include "tools/draw-images/tests/ImageFileReader.h"

namespace {

using imagetest::Bitmap;
using imagetest::Colour;
using imagetest::CommittedImage;
using imagetest::ParseBmp;
using imagetest::ReadBytes;
using imagetest::ToString;

Bitmap Load(const std::string& name) { return ParseBmp(ReadBytes(CommittedImage(name))); }

const Colour kTeal{0, 128, 128};
const Colour kBoxBorder{134, 134, 134};
const Colour kWhite{255, 255, 255};
const Colour kFace{192, 192, 192};
const Colour kShadow{128, 128, 128};
const Colour kMagenta{255, 0, 255};

TEST(BitmapResources, SizesAndBitDepths) {
  struct Row {
    const char* file;
    int width, height, bitsPerPixel;
  };
  const Row rows[] = {
      {"bitmap129.bmp", 45, 14, 8},
      {"bitmap130.bmp", 16, 16, 4},
      {"bitmap131.bmp", 16, 16, 4},
      {"bitmap134.bmp", 16, 16, 8},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const Bitmap bitmap = Load(rows[i].file);
    EXPECT_EQ(bitmap.dib.width, rows[i].width) << "row " << i << ": " << rows[i].file;
    EXPECT_EQ(bitmap.dib.height, rows[i].height) << "row " << i << ": " << rows[i].file;
    EXPECT_EQ(bitmap.dib.bitsPerPixel, rows[i].bitsPerPixel) << "row " << i << ": " << rows[i].file;
    EXPECT_EQ(bitmap.dib.planes, 1) << "row " << i << ": " << rows[i].file;
    EXPECT_EQ(bitmap.dib.compression, 0u)
        << "row " << i << ": " << rows[i].file << " must be BI_RGB";
    EXPECT_EQ(bitmap.fileSizeField, ReadBytes(CommittedImage(rows[i].file)).size())
        << "row " << i << ": " << rows[i].file;
  }
}

// Bitmap 129: image 0 unticked (white box), 1 ticked (green tick on white),
// 2 the unused state (black tick on grey); 15 x 14 each, box at (2,2), 11 x 11.
TEST(BitmapResources, TickBoxImages) {
  const Bitmap bitmap = Load("bitmap129.bmp");
  struct Row {
    Colour face;
    bool ticked;
    Colour tick;
  };
  const Row rows[] = {
      {kWhite, false, {}},
      {kWhite, true, {0, 128, 0}},
      {kFace, true, {4, 4, 4}},
  };
  std::vector<std::set<std::pair<int, int>>> tickPixels(3);
  for (int image = 0; image < 3; ++image) {
    const Row& row = rows[image];
    for (int y = 0; y < 14; ++y) {
      for (int x = 0; x < 15; ++x) {
        const Colour c = bitmap.ColourAt(15 * image + x, y);
        const bool inBox = x >= 2 && x < 13 && y >= 2 && y < 13;
        const bool onBorder = inBox && (x == 2 || x == 12 || y == 2 || y == 12);
        const std::string where = "image " + std::to_string(image) + " at (" + std::to_string(x) +
                                  "," + std::to_string(y) + "): " + ToString(c);
        if (!inBox) {
          EXPECT_EQ(c, kTeal) << where << " should be the transparent colour";
        } else if (onBorder) {
          EXPECT_EQ(c, kBoxBorder) << where << " should be the box border";
        } else if (row.ticked && c == row.tick) {
          tickPixels[static_cast<std::size_t>(image)].insert({x, y});
        } else {
          EXPECT_EQ(c, row.face) << where << " should be the box face";
        }
      }
    }
    if (row.ticked) {
      const auto& tick = tickPixels[static_cast<std::size_t>(image)];
      std::set<int> columns, lines;
      for (const auto& [x, y] : tick) {
        columns.insert(x);
        lines.insert(y);
      }
      EXPECT_GE(columns.size(), 5u) << "image " << image << ": the tick spans most of the box";
      EXPECT_GE(lines.size(), 5u) << "image " << image << ": the tick spans most of the box";
    }
  }
  EXPECT_EQ(tickPixels[1], tickPixels[2]) << "both ticks have the same shape";
}

struct ArrowShape {
  std::vector<std::vector<int>> columnsByRow;  // non-face columns of each row, top to bottom
  int firstRow = -1;
};

ArrowShape ShapeOf(const Bitmap& bitmap) {
  ArrowShape shape;
  for (int y = 0; y < 16; ++y) {
    std::vector<int> columns;
    for (int x = 0; x < 16; ++x) {
      if (!(bitmap.ColourAt(x, y) == kFace)) columns.push_back(x);
    }
    if (columns.empty()) continue;
    if (shape.firstRow < 0) shape.firstRow = y;
    EXPECT_EQ(shape.firstRow + static_cast<int>(shape.columnsByRow.size()), y)
        << "the arrow has no gaps";
    shape.columnsByRow.push_back(columns);
  }
  return shape;
}

// Bitmaps 130 and 131 hold only the three greys that LR_LOADMAP3DCOLORS maps.
TEST(BitmapResources, SortArrowsUseOnlyTheMappedGreys) {
  for (const char* file : {"bitmap130.bmp", "bitmap131.bmp"}) {
    const Bitmap bitmap = Load(file);
    std::set<int> used;
    for (int index : bitmap.indices) used.insert(index);
    std::set<std::string> colours;
    for (int index : used)
      colours.insert(ToString(bitmap.dib.palette[static_cast<std::size_t>(index)]));
    EXPECT_EQ(colours,
              (std::set<std::string>{ToString(kFace), ToString(kShadow), ToString(kWhite)}))
        << file;
    EXPECT_EQ(bitmap.ColourAt(0, 0), kFace) << file;
    EXPECT_EQ(bitmap.ColourAt(15, 15), kFace) << file;
  }
}

TEST(BitmapResources, SortArrowsAreOutlinedTrianglesPointingUpAndDown) {
  struct Row {
    const char* file;
    bool up;
  };
  const Row rows[] = {{"bitmap130.bmp", true}, {"bitmap131.bmp", false}};
  std::vector<ArrowShape> shapes;
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const Bitmap bitmap = Load(rows[i].file);
    const ArrowShape shape = ShapeOf(bitmap);
    ASSERT_GE(shape.columnsByRow.size(), 4u) << "row " << i << ": " << rows[i].file;
    const auto& rowsOfShape = shape.columnsByRow;
    const auto& apex = rows[i].up ? rowsOfShape.front() : rowsOfShape.back();
    const auto& base = rows[i].up ? rowsOfShape.back() : rowsOfShape.front();
    EXPECT_EQ(apex.size(), 1u) << "row " << i << ": a single pixel at the point";
    EXPECT_EQ(static_cast<int>(base.size()), base.back() - base.front() + 1)
        << "row " << i << ": a solid base";
    EXPECT_EQ(base.front() + base.back(), 2 * apex.front())
        << "row " << i << ": symmetric about the point";
    for (std::size_t r = 0; r < rowsOfShape.size(); ++r) {
      const auto& columns = rowsOfShape[r];
      const bool isBase = &columns == &base;
      if (!isBase) {
        EXPECT_LE(columns.size(), 2u)
            << "row " << i << ", line " << r << ": an outline, not a filled triangle";
      }
      const int y = shape.firstRow + static_cast<int>(r);
      // Lit from the top left: the left edge is in shadow, the right edge light.
      EXPECT_EQ(bitmap.ColourAt(columns.front(), y), kShadow) << "row " << i << ", line " << r;
      if (columns.size() > 1 && !(isBase && !rows[i].up)) {
        EXPECT_EQ(bitmap.ColourAt(columns.back(), y), kWhite) << "row " << i << ", line " << r;
      }
    }
    shapes.push_back(shape);
  }
  // The down arrow is the up arrow turned upside down.
  const auto& up = shapes[0].columnsByRow;
  std::vector<std::vector<int>> flipped(up.rbegin(), up.rend());
  EXPECT_EQ(flipped, shapes[1].columnsByRow);
}

double Luminance(const Colour& c) { return 0.299 * c.r + 0.587 * c.g + 0.114 * c.b; }

// Bitmap 134: a blue and cyan table on magenta, darker along its right side.
TEST(BitmapResources, ResultsTablePicture) {
  const Bitmap bitmap = Load("bitmap134.bmp");
  for (auto [x, y] : {std::pair{0, 0}, {15, 0}, {0, 15}, {15, 15}}) {
    EXPECT_EQ(bitmap.ColourAt(x, y), kMagenta) << "corner (" << x << "," << y << ")";
  }
  int pictureLeft = 16, pictureRight = -1, pixels = 0;
  double total = 0;
  std::set<std::string> shades;
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      const Colour c = bitmap.ColourAt(x, y);
      if (c == kMagenta) continue;
      EXPECT_TRUE(c.b > c.r && c.b >= c.g)
          << "(" << x << "," << y << ") " << ToString(c) << " is not blue or cyan";
      pictureLeft = std::min(pictureLeft, x);
      pictureRight = std::max(pictureRight, x);
      total += Luminance(c);
      shades.insert(ToString(c));
      ++pixels;
    }
  }
  EXPECT_GE(pixels, 150) << "the picture fills most of the image";
  EXPECT_GE(shades.size(), 4u);
  double rightTotal = 0;
  int rightPixels = 0;
  for (int y = 0; y < 16; ++y) {
    const Colour c = bitmap.ColourAt(pictureRight, y);
    if (c == kMagenta) continue;
    rightTotal += Luminance(c);
    ++rightPixels;
  }
  ASSERT_GT(rightPixels, 0);
  EXPECT_LT(rightTotal / rightPixels, 0.6 * total / pixels) << "the right side is shaded";
  EXPECT_LE(pictureLeft, 1);
}

}  // namespace
