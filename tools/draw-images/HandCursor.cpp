#include "tools/draw-images/HandCursor.h"

#include <string>
#include <vector>

namespace images {
namespace {

constexpr int kSize = 32;

// '#' outline, '.' fill, anything else shows the screen.
const std::vector<std::string> kHand = {
    "     ###",
    "    #...#",
    "    #...#",
    "    #...#",
    "    #...#",
    "    #...#",
    "    #...####",
    "    #...#...####",
    "    #...#...#...#",
    "    #...#...#...###",
    " ## #...#...#...#..#",
    "#..##...#...#...#..#",
    "#...#..............#",
    "#....#.............#",
    " #...#.............#",
    " #.................#",
    "  #...............#",
    "  #...............#",
    "   #.............#",
    "   #.............#",
    "    #...........#",
    "    #...........#",
    "    #############",
};

}  // namespace

CursorImage DrawHandCursor() {
  CursorImage cursor;
  cursor.width = kSize;
  cursor.height = kSize;
  cursor.pixels.assign(kSize * kSize, CursorPixel::kTransparent);
  for (std::size_t y = 0; y < kHand.size(); ++y) {
    for (std::size_t x = 0; x < kHand[y].size(); ++x) {
      const char c = kHand[y][x];
      const CursorPixel pixel = c == '#'   ? CursorPixel::kBlack
                                : c == '.' ? CursorPixel::kWhite
                                           : CursorPixel::kTransparent;
      cursor.pixels[y * kSize + x] = pixel;
    }
  }
  cursor.hotSpotX = 6;
  cursor.hotSpotY = 0;
  return cursor;
}

}  // namespace images
