#include "tools/draw-images/AtomicFile.h"

#include <fstream>
#include <stdexcept>
#include <system_error>

namespace images {

void WriteFileAtomically(const std::filesystem::path& path,
                         const std::vector<std::uint8_t>& bytes) {
  std::filesystem::path temporary = path;
  temporary += ".partial";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (out) {
      out.write(reinterpret_cast<const char*>(bytes.data()),
                static_cast<std::streamsize>(bytes.size()));
      out.close();
    }
    if (!out) {
      std::error_code ignored;
      std::filesystem::remove(temporary, ignored);
      throw std::runtime_error("cannot write " + temporary.string());
    }
  }
  std::error_code error;
  std::filesystem::rename(temporary, path, error);
  if (error) {
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
    throw std::runtime_error("cannot replace " + path.string() + ": " + error.message());
  }
}

}  // namespace images
