#include "tools/draw-images/BmpFile.h"

#include <stdexcept>

#include "tools/draw-images/ByteWriter.h"
#include "tools/draw-images/DibRows.h"

namespace images {
namespace {

constexpr std::uint32_t kFileHeaderSize = 14;
constexpr std::uint32_t kInfoHeaderSize = 40;

}  // namespace

std::vector<std::uint8_t> EncodeBmp(const IndexedImage& image, int bitsPerPixel) {
  if (bitsPerPixel != 1 && bitsPerPixel != 4 && bitsPerPixel != 8) {
    throw std::invalid_argument("palette bitmaps have 1, 4 or 8 bits per pixel");
  }
  const std::size_t maxColours = std::size_t{1} << bitsPerPixel;
  if (image.palette.empty() || image.palette.size() > maxColours) {
    throw std::invalid_argument("the palette does not fit the bit depth");
  }
  for (std::uint8_t index : image.indices) {
    if (index >= image.palette.size())
      throw std::invalid_argument("a pixel is outside the palette");
  }

  const std::vector<std::uint8_t> rows = PackIndexedRows(image, bitsPerPixel);
  const auto paletteBytes = static_cast<std::uint32_t>(image.palette.size() * 4);
  const std::uint32_t pixelOffset = kFileHeaderSize + kInfoHeaderSize + paletteBytes;

  ByteWriter out;
  out.U8('B');
  out.U8('M');
  out.U32(pixelOffset + static_cast<std::uint32_t>(rows.size()));  // bfSize
  out.U16(0);                                                      // bfReserved1
  out.U16(0);                                                      // bfReserved2
  out.U32(pixelOffset);                                            // bfOffBits

  out.U32(kInfoHeaderSize);
  out.I32(image.width);
  out.I32(image.height);  // positive: rows run from the bottom up
  out.U16(1);             // biPlanes
  out.U16(static_cast<std::uint32_t>(bitsPerPixel));
  out.U32(0);  // BI_RGB
  out.U32(static_cast<std::uint32_t>(rows.size()));
  out.I32(0);  // biXPelsPerMeter: resources carry no resolution
  out.I32(0);  // biYPelsPerMeter
  // A full table is written as 0, the convention; a short one gives its length.
  out.U32(image.palette.size() == maxColours ? 0
                                             : static_cast<std::uint32_t>(image.palette.size()));
  out.U32(0);  // biClrImportant: all

  for (const Rgba& colour : image.palette) {
    out.U8(colour.b);
    out.U8(colour.g);
    out.U8(colour.r);
    out.U8(0);
  }
  out.Append(rows);
  return out.Bytes();
}

}  // namespace images
