#pragma once
// An independent reader for the image files the drawing program writes
// (.bmp, .ico, .cur), so that tests check the files as Windows will read
// them rather than the drawing code's own idea of them. Throws
// std::runtime_error on anything malformed.
#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace imagetest {

std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path);

struct Colour {
  int r = 0, g = 0, b = 0;
  friend bool operator==(const Colour&, const Colour&) = default;
};

std::string ToString(const Colour& colour);

// A device-independent bitmap as stored after a file or directory header.
struct Dib {
  int width = 0;
  int height = 0;  // as stored: icons and cursors give twice the picture height
  int planes = 0;
  int bitsPerPixel = 0;
  std::uint32_t compression = 0;
  std::vector<Colour> palette;
  std::size_t byteSize = 0;  // header, palette and rows together
};

struct Bitmap {
  Dib dib;
  std::uint32_t fileSizeField = 0;
  std::uint32_t pixelOffset = 0;
  std::vector<int> indices;  // palette index per pixel, rows from the top

  int At(int x, int y) const { return indices[static_cast<std::size_t>(y * dib.width + x)]; }
  Colour ColourAt(int x, int y) const { return dib.palette.at(static_cast<std::size_t>(At(x, y))); }
};

Bitmap ParseBmp(const std::vector<std::uint8_t>& bytes);

struct Rgba {
  int r = 0, g = 0, b = 0, a = 0;
};

struct DirectoryEntry {
  int width = 0;  // 0 in the file means 256
  int height = 0;
  int colourCount = 0;
  int planesOrHotSpotX = 0;
  int bitCountOrHotSpotY = 0;
  std::uint32_t byteSize = 0;
  std::uint32_t offset = 0;
};

struct DirectoryImage {
  DirectoryEntry entry;
  Dib dib;
  std::vector<Rgba> pixels;     // 32-bit images: colour and alpha, rows from the top
  std::vector<int> colourBits;  // 1-bit images: palette index, rows from the top
  std::vector<bool> andMask;    // rows from the top; true leaves the screen showing

  int Width() const { return dib.width; }
  int Height() const { return dib.height / 2; }
  const Rgba& Pixel(int x, int y) const {
    return pixels[static_cast<std::size_t>(y * Width() + x)];
  }
  bool Masked(int x, int y) const { return andMask[static_cast<std::size_t>(y * Width() + x)]; }
  int ColourBit(int x, int y) const {
    return colourBits[static_cast<std::size_t>(y * Width() + x)];
  }
};

struct IconDirectory {
  int type = 0;  // 1 icon, 2 cursor
  std::vector<DirectoryImage> images;
};

IconDirectory ParseIconOrCursor(const std::vector<std::uint8_t>& bytes);

}  // namespace imagetest
