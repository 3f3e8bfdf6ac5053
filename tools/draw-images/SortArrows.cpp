#include "tools/draw-images/SortArrows.h"

namespace images {
namespace {

// The Windows 16-colour palette in its usual order.
const std::vector<Rgba> kSixteenColours = {
    Rgb(0, 0, 0),       Rgb(128, 0, 0),   Rgb(0, 128, 0),   Rgb(128, 128, 0),
    Rgb(0, 0, 128),     Rgb(128, 0, 128), Rgb(0, 128, 128), Rgb(192, 192, 192),
    Rgb(128, 128, 128), Rgb(255, 0, 0),   Rgb(0, 255, 0),   Rgb(255, 255, 0),
    Rgb(0, 0, 255),     Rgb(255, 0, 255), Rgb(0, 255, 255), Rgb(255, 255, 255),
};
constexpr std::uint8_t kFace = 7;
constexpr std::uint8_t kShadow = 8;
constexpr std::uint8_t kLight = 15;

// An engraved triangle lit from the top left: the edges facing the light are
// in shadow, the others catch it.
IndexedImage Arrow(const std::vector<std::string>& art) {
  IndexedImage image = BlankIndexedImage(16, 16, kSixteenColours, kFace);
  PaintPixelArt(image, 3, 5, art, {{'s', kShadow}, {'w', kLight}});
  return image;
}

}  // namespace

IndexedImage DrawSortArrowUp() {
  return Arrow({
      "....s....",
      "...s.w...",
      "..s...w..",
      ".s.....w.",
      "swwwwwwww",
  });
}

IndexedImage DrawSortArrowDown() {
  return Arrow({
      "sssssssss",
      ".s.....w.",
      "..s...w..",
      "...s.w...",
      "....s....",
  });
}

}  // namespace images
