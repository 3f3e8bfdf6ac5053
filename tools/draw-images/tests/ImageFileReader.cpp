#include "tools/draw-images/tests/ImageFileReader.h"

#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

namespace imagetest {
namespace {

class Cursor {
 public:
  Cursor(const std::vector<std::uint8_t>& bytes, std::size_t offset)
      : m_bytes(bytes), m_offset(offset) {}

  std::uint32_t U8() { return Take(1); }
  std::uint32_t U16() { return Take(2); }
  std::uint32_t U32() { return Take(4); }
  std::int32_t I32() { return static_cast<std::int32_t>(Take(4)); }
  std::size_t Offset() const { return m_offset; }

 private:
  std::uint32_t Take(int count) {
    if (m_offset + static_cast<std::size_t>(count) > m_bytes.size()) {
      throw std::runtime_error("file ends inside a header at byte " + std::to_string(m_offset));
    }
    std::uint32_t value = 0;
    for (int i = 0; i < count; ++i)
      value |= static_cast<std::uint32_t>(m_bytes[m_offset++]) << (8 * i);
    return value;
  }

  const std::vector<std::uint8_t>& m_bytes;
  std::size_t m_offset;
};

int Stride(int width, int bitsPerPixel) { return (width * bitsPerPixel + 31) / 32 * 4; }

// Reads BITMAPINFOHEADER and the colour table at `offset`.
Dib ReadDib(const std::vector<std::uint8_t>& bytes, std::size_t offset, std::size_t& rowsOffset) {
  Cursor in(bytes, offset);
  Dib dib;
  const std::uint32_t headerSize = in.U32();
  if (headerSize != 40)
    throw std::runtime_error("header size " + std::to_string(headerSize) + ", not 40");
  dib.width = in.I32();
  dib.height = in.I32();
  dib.planes = static_cast<int>(in.U16());
  dib.bitsPerPixel = static_cast<int>(in.U16());
  dib.compression = in.U32();
  const std::uint32_t imageSize = in.U32();
  in.I32();
  in.I32();
  const std::uint32_t coloursUsed = in.U32();
  in.U32();
  if (dib.width <= 0 || dib.height <= 0)
    throw std::runtime_error("not a bottom-up bitmap with a size");
  std::size_t paletteSize = 0;
  if (dib.bitsPerPixel <= 8)
    paletteSize = coloursUsed != 0 ? coloursUsed : (std::size_t{1} << dib.bitsPerPixel);
  if (paletteSize > (std::size_t{1} << dib.bitsPerPixel) && dib.bitsPerPixel <= 8) {
    throw std::runtime_error("colour table longer than the bit depth allows");
  }
  for (std::size_t i = 0; i < paletteSize; ++i) {
    Colour c;
    c.b = static_cast<int>(in.U8());
    c.g = static_cast<int>(in.U8());
    c.r = static_cast<int>(in.U8());
    if (in.U8() != 0) throw std::runtime_error("colour table entry with a non-zero reserved byte");
    dib.palette.push_back(c);
  }
  rowsOffset = in.Offset();
  if (imageSize != 0) dib.byteSize = rowsOffset - offset + imageSize;
  return dib;
}

int IndexAt(const std::vector<std::uint8_t>& bytes, std::size_t rows, int stride, int storedRow,
            int x, int bitsPerPixel) {
  const std::size_t at = rows +
                         static_cast<std::size_t>(storedRow) * static_cast<std::size_t>(stride) +
                         static_cast<std::size_t>(x * bitsPerPixel / 8);
  if (at >= bytes.size()) throw std::runtime_error("pixel rows run past the end of the file");
  const int perByte = 8 / bitsPerPixel;
  const int shift = 8 - bitsPerPixel * (x % perByte + 1);
  return (bytes[at] >> shift) & ((1 << bitsPerPixel) - 1);
}

}  // namespace

std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot open " + path.string());
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in),
                                   std::istreambuf_iterator<char>());
}

std::string ToString(const Colour& colour) {
  std::ostringstream out;
  out << "RGB(" << colour.r << "," << colour.g << "," << colour.b << ")";
  return out.str();
}

Bitmap ParseBmp(const std::vector<std::uint8_t>& bytes) {
  Cursor in(bytes, 0);
  if (in.U8() != 'B' || in.U8() != 'M') throw std::runtime_error("no BM signature");
  Bitmap bitmap;
  bitmap.fileSizeField = in.U32();
  if (in.U16() != 0 || in.U16() != 0)
    throw std::runtime_error("reserved file header fields are not zero");
  bitmap.pixelOffset = in.U32();
  std::size_t rows = 0;
  bitmap.dib = ReadDib(bytes, 14, rows);
  const Dib& dib = bitmap.dib;
  if (dib.bitsPerPixel != 1 && dib.bitsPerPixel != 4 && dib.bitsPerPixel != 8) {
    throw std::runtime_error("not a palette bitmap");
  }
  if (rows != bitmap.pixelOffset)
    throw std::runtime_error("pixel offset does not follow the colour table");
  const int stride = Stride(dib.width, dib.bitsPerPixel);
  if (rows + static_cast<std::size_t>(stride) * static_cast<std::size_t>(dib.height) !=
      bytes.size()) {
    throw std::runtime_error("file length does not match the rows");
  }
  for (int y = 0; y < dib.height; ++y) {
    for (int x = 0; x < dib.width; ++x) {
      const int index = IndexAt(bytes, rows, stride, dib.height - 1 - y, x, dib.bitsPerPixel);
      if (static_cast<std::size_t>(index) >= dib.palette.size()) {
        throw std::runtime_error("pixel outside the colour table");
      }
      bitmap.indices.push_back(index);
    }
  }
  return bitmap;
}

IconDirectory ParseIconOrCursor(const std::vector<std::uint8_t>& bytes) {
  Cursor in(bytes, 0);
  IconDirectory directory;
  if (in.U16() != 0) throw std::runtime_error("reserved directory field is not zero");
  directory.type = static_cast<int>(in.U16());
  const std::uint32_t count = in.U16();
  if (directory.type != 1 && directory.type != 2)
    throw std::runtime_error("neither an icon nor a cursor");
  std::vector<DirectoryEntry> entries;
  for (std::uint32_t i = 0; i < count; ++i) {
    DirectoryEntry e;
    e.width = static_cast<int>(in.U8());
    e.height = static_cast<int>(in.U8());
    e.colourCount = static_cast<int>(in.U8());
    if (in.U8() != 0) throw std::runtime_error("reserved entry field is not zero");
    e.planesOrHotSpotX = static_cast<int>(in.U16());
    e.bitCountOrHotSpotY = static_cast<int>(in.U16());
    e.byteSize = in.U32();
    e.offset = in.U32();
    entries.push_back(e);
  }
  std::size_t expectedOffset = in.Offset();
  for (const DirectoryEntry& entry : entries) {
    if (entry.offset != expectedOffset)
      throw std::runtime_error("images are not stored one after another");
    if (entry.offset + static_cast<std::size_t>(entry.byteSize) > bytes.size()) {
      throw std::runtime_error("an image runs past the end of the file");
    }
    expectedOffset += entry.byteSize;

    DirectoryImage image;
    image.entry = entry;
    std::size_t rows = 0;
    image.dib = ReadDib(bytes, entry.offset, rows);
    const Dib& dib = image.dib;
    const int width = dib.width, height = dib.height / 2;
    if (dib.height % 2 != 0)
      throw std::runtime_error("stored height is not twice the picture height");
    const int colourStride = Stride(width, dib.bitsPerPixel);
    const int maskStride = Stride(width, 1);
    const std::size_t maskRows =
        rows + static_cast<std::size_t>(colourStride) * static_cast<std::size_t>(height);
    const std::size_t end =
        maskRows + static_cast<std::size_t>(maskStride) * static_cast<std::size_t>(height);
    if (end != entry.offset + static_cast<std::size_t>(entry.byteSize)) {
      throw std::runtime_error("entry size does not match the image's rows and mask");
    }
    for (int y = 0; y < height; ++y) {
      const int stored = height - 1 - y;
      for (int x = 0; x < width; ++x) {
        if (dib.bitsPerPixel == 32) {
          const std::size_t at = rows + static_cast<std::size_t>(stored * colourStride + 4 * x);
          image.pixels.push_back(Rgba{bytes[at + 2], bytes[at + 1], bytes[at], bytes[at + 3]});
        } else if (dib.bitsPerPixel == 1) {
          image.colourBits.push_back(IndexAt(bytes, rows, colourStride, stored, x, 1));
        } else {
          throw std::runtime_error("unexpected bit depth " + std::to_string(dib.bitsPerPixel));
        }
        image.andMask.push_back(IndexAt(bytes, maskRows, maskStride, stored, x, 1) == 1);
      }
    }
    directory.images.push_back(image);
  }
  if (expectedOffset != bytes.size()) throw std::runtime_error("bytes after the last image");
  return directory;
}

}  // namespace imagetest
