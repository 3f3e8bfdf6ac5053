#include "hive/OutputFiles.h"

#include "hive/FileBytes.h"

#include <system_error>

namespace hive {

std::optional<std::uintmax_t> CDiskFiles::Size(const std::filesystem::path& file) {
  std::error_code code;
  std::uintmax_t size = std::filesystem::file_size(file, code);
  if (code) return std::nullopt;
  return size;
}

bool CDiskFiles::Read(const std::filesystem::path& file, std::vector<std::uint8_t>& bytes,
                      std::string& error) {
  return ReadFileBytes(file, bytes, error);
}

bool IOutputFiles::View(const std::filesystem::path& file, CFileView& view, std::string& error) {
  std::vector<std::uint8_t> bytes;
  if (!Read(file, bytes, error)) return false;
  view = CFileView(std::move(bytes));
  return true;
}

bool CDiskFiles::View(const std::filesystem::path& file, CFileView& view, std::string& error) {
  return view.Open(file, error);
}

bool CDiskFiles::ReadBack(const std::filesystem::path& file, CFileView& view, std::string& error) {
  return view.Open(file, error);
}

bool CDiskFiles::Create(const std::filesystem::path& file, std::string& error) {
  std::error_code code;
  if (std::filesystem::exists(file, code) || code) {
    error = PathText(file) + ": already exists";
    return false;
  }
  m_file = file;
  m_out.open(file, std::ios::binary | std::ios::out | std::ios::trunc);
  if (!m_out) {
    error = PathText(file) + ": cannot create the file";
    return false;
  }
  return true;
}

bool CDiskFiles::Append(Bytes bytes, std::string& error) {
  m_out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
  if (!m_out) {
    error = PathText(m_file) + ": cannot write (disk full?)";
    return false;
  }
  return true;
}

bool CDiskFiles::Finish(std::string& error) {
  m_out.flush();
  bool flushed = static_cast<bool>(m_out);
  m_out.close();
  if (!flushed || m_out.fail()) {
    error = PathText(m_file) + ": cannot finish writing (disk full?)";
    return false;
  }
  return true;
}

bool CDiskFiles::Rename(const std::filesystem::path& from, const std::filesystem::path& to,
                        std::string& error) {
  std::error_code code;
  std::filesystem::rename(from, to, code);
  if (code) {
    error = PathText(to) + ": cannot put the new file in place: " + code.message();
    return false;
  }
  return true;
}

void CDiskFiles::Remove(const std::filesystem::path& file) {
  if (m_out.is_open() && file == m_file) m_out.close();
  std::error_code code;
  std::filesystem::remove(file, code);
}

bool CDiskFiles::SameFile(const std::filesystem::path& a, const std::filesystem::path& b) {
  std::error_code code;
  if (std::filesystem::equivalent(a, b, code)) return true;
  std::filesystem::path left = std::filesystem::weakly_canonical(a, code);
  if (code) return false;
  std::filesystem::path right = std::filesystem::weakly_canonical(b, code);
  return !code && left == right;
}

}  // namespace hive
