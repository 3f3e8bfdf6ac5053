#pragma once
// Where the committed resource images live, and a scratch folder for fresh drawings.
#include <filesystem>
#include <string>

namespace imagetest {

inline std::filesystem::path CommittedImage(const std::string& name) {
  return std::filesystem::path(KELVARO_SOURCE_DIR) / "ui" / "res" / name;
}

// A new empty folder under the system's temporary folder, removed with its contents.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::filesystem::path& Path() const { return m_path; }

 private:
  std::filesystem::path m_path;
};

}  // namespace imagetest
