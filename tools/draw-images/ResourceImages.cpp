#include "tools/draw-images/ResourceImages.h"

#include <stdexcept>

#include "tools/draw-images/AppIcon.h"
#include "tools/draw-images/AtomicFile.h"
#include "tools/draw-images/BmpFile.h"
#include "tools/draw-images/HandCursor.h"
#include "tools/draw-images/IconFile.h"
#include "tools/draw-images/SortArrows.h"
#include "tools/draw-images/TableBitmap.h"
#include "tools/draw-images/TickBoxes.h"

namespace images {

std::vector<ResourceImageFile> DrawResourceImages() {
  std::vector<RgbaImage> iconImages;
  for (int size : kAppIconSizes) iconImages.push_back(DrawAppIcon(size));
  return {
      {"icon128.ico", EncodeIcon(iconImages)},
      {"bitmap129.bmp", EncodeBmp(DrawTickBoxes(), 8)},
      {"bitmap130.bmp", EncodeBmp(DrawSortArrowUp(), 4)},
      {"bitmap131.bmp", EncodeBmp(DrawSortArrowDown(), 4)},
      {"bitmap134.bmp", EncodeBmp(DrawTableBitmap(), 8)},
      {"cursor135.cur", EncodeCursor(DrawHandCursor())},
  };
}

std::vector<std::filesystem::path> WriteResourceImages(const std::filesystem::path& folder) {
  std::error_code error;
  if (!std::filesystem::is_directory(folder, error)) {
    throw std::runtime_error("output folder " + folder.string() + " does not exist");
  }
  // Everything is drawn before the first file is touched, so a drawing fault
  // changes nothing on disk.
  const std::vector<ResourceImageFile> files = DrawResourceImages();
  std::vector<std::filesystem::path> written;
  for (const ResourceImageFile& file : files) {
    const std::filesystem::path path = folder / file.name;
    WriteFileAtomically(path, file.bytes);
    written.push_back(path);
  }
  return written;
}

}  // namespace images
