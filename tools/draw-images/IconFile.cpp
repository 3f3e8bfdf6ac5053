#include "tools/draw-images/IconFile.h"

#include <stdexcept>

#include "tools/draw-images/ByteWriter.h"
#include "tools/draw-images/DibRows.h"

namespace images {
namespace {

constexpr std::uint32_t kDirectoryHeaderSize = 6;
constexpr std::uint32_t kDirectoryEntrySize = 16;
constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::uint32_t kIconType = 1;
constexpr std::uint32_t kCursorType = 2;

void CheckSize(int width, int height) {
  if (width < 1 || height < 1 || width > 256 || height > 256) {
    throw std::invalid_argument("icon and cursor images are 1 to 256 pixels a side");
  }
}

// Width and height bytes of a directory entry: 256 is written as 0.
std::uint32_t DirectorySizeByte(int pixels) {
  return pixels == 256 ? 0 : static_cast<std::uint32_t>(pixels);
}

std::vector<std::uint8_t> Dib(int width, int height, int bitsPerPixel,
                              const std::vector<Rgba>& palette,
                              const std::vector<std::uint8_t>& colourRows,
                              const std::vector<std::uint8_t>& maskRows) {
  ByteWriter out;
  out.U32(kInfoHeaderSize);
  out.I32(width);
  out.I32(2 * height);  // colour rows and mask rows together
  out.U16(1);
  out.U16(static_cast<std::uint32_t>(bitsPerPixel));
  out.U32(0);  // BI_RGB
  out.U32(static_cast<std::uint32_t>(colourRows.size() + maskRows.size()));
  out.I32(0);
  out.I32(0);
  out.U32(0);  // the colour table, if any, is full
  out.U32(0);
  for (const Rgba& colour : palette) {
    out.U8(colour.b);
    out.U8(colour.g);
    out.U8(colour.r);
    out.U8(0);
  }
  out.Append(colourRows);
  out.Append(maskRows);
  return out.Bytes();
}

struct DirectoryImage {
  int width;
  int height;
  std::uint32_t colourCount;
  std::uint32_t planesOrHotSpotX;
  std::uint32_t bitCountOrHotSpotY;
  std::vector<std::uint8_t> dib;
};

std::vector<std::uint8_t> Directory(std::uint32_t type, const std::vector<DirectoryImage>& images) {
  ByteWriter out;
  out.U16(0);
  out.U16(type);
  out.U16(static_cast<std::uint32_t>(images.size()));
  auto offset =
      static_cast<std::uint32_t>(kDirectoryHeaderSize + kDirectoryEntrySize * images.size());
  for (const DirectoryImage& image : images) {
    out.U8(DirectorySizeByte(image.width));
    out.U8(DirectorySizeByte(image.height));
    out.U8(image.colourCount);
    out.U8(0);
    out.U16(image.planesOrHotSpotX);
    out.U16(image.bitCountOrHotSpotY);
    out.U32(static_cast<std::uint32_t>(image.dib.size()));
    out.U32(offset);
    offset += static_cast<std::uint32_t>(image.dib.size());
  }
  for (const DirectoryImage& image : images) out.Append(image.dib);
  return out.Bytes();
}

}  // namespace

std::vector<std::uint8_t> EncodeIcon(const std::vector<RgbaImage>& pictures) {
  if (pictures.empty()) throw std::invalid_argument("an icon needs an image");
  std::vector<DirectoryImage> images;
  for (const RgbaImage& picture : pictures) {
    CheckSize(picture.width, picture.height);
    // Where alpha is zero the mask is set too, for drawing paths that ignore alpha.
    const auto mask = PackBitRows(picture.width, picture.height,
                                  [&](int x, int y) { return picture.At(x, y).a == 0; });
    images.push_back(
        DirectoryImage{picture.width, picture.height, 0, 1, 32,
                       Dib(picture.width, picture.height, 32, {}, PackBgraRows(picture), mask)});
  }
  return Directory(kIconType, images);
}

std::vector<std::uint8_t> EncodeCursor(const CursorImage& cursor) {
  CheckSize(cursor.width, cursor.height);
  if (cursor.pixels.size() != static_cast<std::size_t>(cursor.width * cursor.height)) {
    throw std::invalid_argument("cursor pixels do not match its size");
  }
  if (cursor.hotSpotX < 0 || cursor.hotSpotY < 0 || cursor.hotSpotX >= cursor.width ||
      cursor.hotSpotY >= cursor.height) {
    throw std::invalid_argument("the hot spot lies outside the cursor");
  }
  // Colour bit 1 selects white (palette entry 1); a set AND bit leaves the screen showing.
  const auto colour = PackBitRows(cursor.width, cursor.height, [&](int x, int y) {
    return cursor.At(x, y) == CursorPixel::kWhite;
  });
  const auto mask = PackBitRows(cursor.width, cursor.height, [&](int x, int y) {
    return cursor.At(x, y) == CursorPixel::kTransparent;
  });
  const std::vector<Rgba> blackAndWhite{Rgb(0, 0, 0), Rgb(255, 255, 255)};
  return Directory(
      kCursorType,
      {DirectoryImage{cursor.width, cursor.height, 2, static_cast<std::uint32_t>(cursor.hotSpotX),
                      static_cast<std::uint32_t>(cursor.hotSpotY),
                      Dib(cursor.width, cursor.height, 1, blackAndWhite, colour, mask)}});
}

}  // namespace images
