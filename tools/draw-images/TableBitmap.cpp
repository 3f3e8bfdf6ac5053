#include "tools/draw-images/TableBitmap.h"

namespace images {
namespace {

// Palette entries.
constexpr std::uint8_t kMagenta = 0, kOutline = 1, kHeader = 2, kHeaderLight = 3, kCell = 4,
                       kGrid = 5, kSide = 6, kSideDark = 7;

}  // namespace

IndexedImage DrawTableBitmap() {
  IndexedImage image = BlankIndexedImage(16, 16,
                                         {
                                             Rgb(255, 0, 255),    // transparent
                                             Rgb(0, 51, 153),     // outline
                                             Rgb(0, 102, 204),    // heading row
                                             Rgb(51, 153, 255),   // heading row's lit top
                                             Rgb(224, 255, 255),  // cell
                                             Rgb(0, 160, 208),    // grid line
                                             Rgb(0, 112, 168),    // side
                                             Rgb(0, 72, 128),     // side in shadow
                                         },
                                         kMagenta);
  // A table sheet whose thickness shows as a shaded strip along its right side.
  PaintPixelArt(image, 0, 0,
                {
                    "................",
                    ".oooooooooooo...",
                    ".ollllllllllos..",
                    ".ohhhhhhhhhhosd.",
                    ".oooooooooooosd.",
                    ".occgcccgcccosd.",
                    ".occgcccgcccosd.",
                    ".oggggggggggosd.",
                    ".occgcccgcccosd.",
                    ".occgcccgcccosd.",
                    ".oggggggggggosd.",
                    ".occgcccgcccosd.",
                    ".occgcccgcccosd.",
                    ".oooooooooooosd.",
                    "................",
                    "................",
                },
                {{'o', kOutline},
                 {'h', kHeader},
                 {'l', kHeaderLight},
                 {'c', kCell},
                 {'g', kGrid},
                 {'s', kSide},
                 {'d', kSideDark}});
  return image;
}

}  // namespace images
