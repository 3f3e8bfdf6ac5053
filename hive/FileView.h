#pragma once
// A file's bytes for reading, mapped where the system maps files (no copy,
// and the pages are the file cache's), read whole where it does not.

#include "hive/Bytes.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace hive {

class CFileView {
 public:
  CFileView() = default;
  explicit CFileView(std::vector<std::uint8_t> bytes) : m_bytes(std::move(bytes)) {}
  CFileView(const CFileView&) = delete;
  CFileView& operator=(const CFileView&) = delete;
  CFileView(CFileView&& other) noexcept;
  CFileView& operator=(CFileView&& other) noexcept;
  ~CFileView();

  Bytes View() const;
  // Maps `file` read-only, or reads it whole; false with a message naming the file.
  bool Open(const std::filesystem::path& file, std::string& error);
  // Gives the bytes back to the system.
  void Release();

 private:
  std::vector<std::uint8_t> m_bytes;
  void* m_mapping = nullptr;
  std::size_t m_mappedSize = 0;
};

}  // namespace hive
