#pragma once
// The file operations a compaction needs, behind an interface so that tests
// can make any one of them fail (a full disk, a folder that refuses new
// files, an input that changes while it is read).

#include "hive/Bytes.h"
#include "hive/FileBytes.h"
#include "hive/FileView.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace hive {

// The largest input this build compacts. A 32-bit process holds the input,
// then the new file, in 2 GiB of address space beside the program itself,
// and each in one piece: past 1 GiB that can fail at any step, so such a hive
// is refused before anything is read. A 64-bit build takes any hive.
inline constexpr std::uintmax_t kLargestCompactableInput =
    sizeof(void*) < 8 ? std::uintmax_t{1} << 30 : kLargestReadableFile;

class IOutputFiles {
 public:
  virtual ~IOutputFiles() = default;
  // The largest input file this process can hold for a compaction.
  virtual std::uintmax_t LargestHeld() { return kLargestCompactableInput; }
  // Size of an existing file, or nothing.
  virtual std::optional<std::uintmax_t> Size(const std::filesystem::path& file) = 0;
  virtual bool Read(const std::filesystem::path& file, std::vector<std::uint8_t>& bytes,
                    std::string& error) = 0;
  // The input's bytes, mapped where the files allow it; read whole here.
  virtual bool View(const std::filesystem::path& file, CFileView& view, std::string& error);
  // The file just written and finished, for the check that it is the hive meant.
  virtual bool ReadBack(const std::filesystem::path& file, CFileView& view, std::string& error) = 0;
  // Creates `file`, which must not exist, for writing.
  virtual bool Create(const std::filesystem::path& file, std::string& error) = 0;
  virtual bool Append(Bytes bytes, std::string& error) = 0;
  // Flushes and closes the file being written.
  virtual bool Finish(std::string& error) = 0;
  // Replaces `to` with `from`.
  virtual bool Rename(const std::filesystem::path& from, const std::filesystem::path& to,
                      std::string& error) = 0;
  virtual void Remove(const std::filesystem::path& file) = 0;
  virtual bool SameFile(const std::filesystem::path& a, const std::filesystem::path& b) = 0;
};

// The real file system through the standard library.
class CDiskFiles : public IOutputFiles {
 public:
  std::optional<std::uintmax_t> Size(const std::filesystem::path& file) override;
  bool Read(const std::filesystem::path& file, std::vector<std::uint8_t>& bytes,
            std::string& error) override;
  bool View(const std::filesystem::path& file, CFileView& view, std::string& error) override;
  bool ReadBack(const std::filesystem::path& file, CFileView& view, std::string& error) override;
  bool Create(const std::filesystem::path& file, std::string& error) override;
  bool Append(Bytes bytes, std::string& error) override;
  bool Finish(std::string& error) override;
  bool Rename(const std::filesystem::path& from, const std::filesystem::path& to,
              std::string& error) override;
  void Remove(const std::filesystem::path& file) override;
  bool SameFile(const std::filesystem::path& a, const std::filesystem::path& b) override;

 private:
  std::ofstream m_out;
  std::filesystem::path m_file;
};

}  // namespace hive
