#include "tools/draw-images/IndexedImage.h"

#include <stdexcept>
#include <utility>

namespace images {

IndexedImage BlankIndexedImage(int width, int height, std::vector<Rgba> palette,
                               std::uint8_t fill) {
  if (width <= 0 || height <= 0) throw std::invalid_argument("an image needs a size");
  if (fill >= palette.size()) throw std::invalid_argument("fill colour is not in the palette");
  IndexedImage image;
  image.width = width;
  image.height = height;
  image.palette = std::move(palette);
  image.indices.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), fill);
  return image;
}

void PaintPixelArt(IndexedImage& image, int left, int top, const std::vector<std::string>& rows,
                   const std::map<char, std::uint8_t>& legend) {
  for (std::size_t row = 0; row < rows.size(); ++row) {
    for (std::size_t column = 0; column < rows[row].size(); ++column) {
      const auto entry = legend.find(rows[row][column]);
      if (entry == legend.end()) continue;
      const int x = left + static_cast<int>(column);
      const int y = top + static_cast<int>(row);
      if (x < 0 || y < 0 || x >= image.width || y >= image.height) {
        throw std::out_of_range("pixel art runs off the image");
      }
      if (entry->second >= image.palette.size()) {
        throw std::invalid_argument("pixel art names a colour outside the palette");
      }
      image.At(x, y) = entry->second;
    }
  }
}

}  // namespace images
