#include "hive/FileView.h"

#include "hive/FileBytes.h"

#include <utility>

#if __has_include(<sys/mman.h>)
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#define KELVARO_MAPS_FILES 1
#endif

namespace hive {

CFileView::CFileView(CFileView&& other) noexcept
    : m_bytes(std::move(other.m_bytes)),
      m_mapping(std::exchange(other.m_mapping, nullptr)),
      m_mappedSize(std::exchange(other.m_mappedSize, 0)) {}

CFileView& CFileView::operator=(CFileView&& other) noexcept {
  if (this != &other) {
    Release();
    m_bytes = std::move(other.m_bytes);
    m_mapping = std::exchange(other.m_mapping, nullptr);
    m_mappedSize = std::exchange(other.m_mappedSize, 0);
  }
  return *this;
}

CFileView::~CFileView() { Release(); }

Bytes CFileView::View() const {
  if (m_mapping) return Bytes(static_cast<const std::uint8_t*>(m_mapping), m_mappedSize);
  return Bytes(m_bytes.data(), m_bytes.size());
}

void CFileView::Release() {
#ifdef KELVARO_MAPS_FILES
  if (m_mapping) munmap(m_mapping, m_mappedSize);
#endif
  m_mapping = nullptr;
  m_mappedSize = 0;
  std::vector<std::uint8_t>().swap(m_bytes);
}

bool CFileView::Open(const std::filesystem::path& file, std::string& error) {
  Release();
#ifdef KELVARO_MAPS_FILES
  std::error_code code;
  if (!std::filesystem::is_directory(file, code)) {
    int descriptor = open(file.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat status {};
    if (descriptor >= 0 && fstat(descriptor, &status) == 0 && S_ISREG(status.st_mode) &&
        status.st_size > 0 && static_cast<std::uintmax_t>(status.st_size) <= kLargestReadableFile) {
      std::size_t size = static_cast<std::size_t>(status.st_size);
      void* mapping = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, descriptor, 0);
      close(descriptor);
      if (mapping != MAP_FAILED) {
        m_mapping = mapping;
        m_mappedSize = size;
        return true;
      }
    } else if (descriptor >= 0) {
      close(descriptor);
    }
  }
#endif
  // Empty files, folders, files too large and systems without mappings
  // take the plain read, which names what is wrong.
  return ReadFileBytes(file, m_bytes, error);
}

}  // namespace hive
