// The encoders refuse pictures that no valid file could hold.
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

#include "tools/draw-images/BmpFile.h"
#include "tools/draw-images/IconFile.h"

namespace {

using images::CursorImage;
using images::CursorPixel;
using images::IndexedImage;
using images::Rgb;

IndexedImage Indexed(int colours, std::uint8_t pixel) {
  IndexedImage image;
  image.width = 3;
  image.height = 2;
  image.palette.assign(static_cast<std::size_t>(colours), Rgb(1, 2, 3));
  image.indices.assign(6, pixel);
  return image;
}

CursorImage Cursor(int hotX, int hotY) {
  CursorImage cursor;
  cursor.width = cursor.height = 32;
  cursor.pixels.assign(32 * 32, CursorPixel::kTransparent);
  cursor.hotSpotX = hotX;
  cursor.hotSpotY = hotY;
  return cursor;
}

images::RgbaImage Picture(int size) {
  images::RgbaImage picture;
  picture.width = picture.height = size;
  picture.pixels.assign(static_cast<std::size_t>(size * size), images::Rgba{});
  return picture;
}

TEST(EncoderInput, BadPicturesAreRefused) {
  struct Row {
    const char* what;
    std::function<void()> encode;
  };
  const Row rows[] = {
      {"17 colours at 4 bits", [] { images::EncodeBmp(Indexed(17, 0), 4); }},
      {"no colours", [] { images::EncodeBmp(Indexed(0, 0), 8); }},
      {"pixel outside the palette", [] { images::EncodeBmp(Indexed(4, 4), 8); }},
      {"24 bits is not a palette depth", [] { images::EncodeBmp(Indexed(4, 0), 24); }},
      {"hot spot right of the cursor", [] { images::EncodeCursor(Cursor(32, 0)); }},
      {"hot spot above the cursor", [] { images::EncodeCursor(Cursor(6, -1)); }},
      {"icon without images", [] { images::EncodeIcon({}); }},
      {"icon image over 256 pixels", [] { images::EncodeIcon({Picture(257)}); }},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    EXPECT_THROW(rows[i].encode(), std::invalid_argument) << "row " << i << ": " << rows[i].what;
  }
}

TEST(EncoderInput, OddWidthsArePaddedToWholeWords) {
  struct Row {
    int colours, bitsPerPixel;
    std::size_t expectedSize;  // 14 + 40 + palette + 2 rows of padded bytes
  };
  const Row rows[] = {
      {2, 1, 14 + 40 + 8 + 2 * 4},
      {16, 4, 14 + 40 + 64 + 2 * 4},
      {3, 8, 14 + 40 + 12 + 2 * 4},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    EXPECT_EQ(images::EncodeBmp(Indexed(rows[i].colours, 1), rows[i].bitsPerPixel).size(),
              rows[i].expectedSize)
        << "row " << i << ": " << rows[i].bitsPerPixel << " bits per pixel";
  }
}

}  // namespace
