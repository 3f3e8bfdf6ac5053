#include "tools/draw-images/TickBoxes.h"

namespace images {
namespace {

constexpr int kImageWidth = 15;
constexpr int kImageHeight = 14;
constexpr int kBoxLeft = 2;
constexpr int kBoxTop = 2;
constexpr int kBoxSize = 11;

// Palette entries.
constexpr std::uint8_t kTransparent = 0, kBorder = 1, kWhite = 2, kGreen = 3, kGrey = 4, kBlack = 5;

// The classic tick: seven columns, each three pixels tall.
// clang-format off
const std::vector<std::string> kTick = {
    "......x",
    ".....xx",
    "x...xxx",
    "xx.xxx.",
    "xxxxx..",
    ".xxx...",
    "..x....",
};
// clang-format on

void DrawBox(IndexedImage& image, int left, std::uint8_t face) {
  for (int y = kBoxTop; y < kBoxTop + kBoxSize; ++y) {
    for (int x = left + kBoxLeft; x < left + kBoxLeft + kBoxSize; ++x) {
      const bool edge = y == kBoxTop || y == kBoxTop + kBoxSize - 1 || x == left + kBoxLeft ||
                        x == left + kBoxLeft + kBoxSize - 1;
      image.At(x, y) = edge ? kBorder : face;
    }
  }
}

void DrawTick(IndexedImage& image, int left, std::uint8_t colour) {
  // Centred in the 9 x 9 face, one pixel in from the border all round.
  PaintPixelArt(image, left + kBoxLeft + 2, kBoxTop + 2, kTick, {{'x', colour}});
}

}  // namespace

IndexedImage DrawTickBoxes() {
  IndexedImage image = BlankIndexedImage(3 * kImageWidth, kImageHeight,
                                         {Rgb(0, 128, 128), Rgb(134, 134, 134), Rgb(255, 255, 255),
                                          Rgb(0, 128, 0), Rgb(192, 192, 192), Rgb(4, 4, 4)},
                                         kTransparent);
  DrawBox(image, 0, kWhite);

  DrawBox(image, kImageWidth, kWhite);
  DrawTick(image, kImageWidth, kGreen);

  DrawBox(image, 2 * kImageWidth, kGrey);
  DrawTick(image, 2 * kImageWidth, kBlack);
  return image;
}

}  // namespace images
