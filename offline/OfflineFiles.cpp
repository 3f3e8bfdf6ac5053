#include "offline/OfflineFiles.h"

#include "hive/FileBytes.h"
#include "offline/DurableFile.h"
#include "offline/FileAccessRules.h"

#include <system_error>

namespace offline {

namespace {

bool Failed(std::string& error, const std::filesystem::path& file, const std::string& what,
            const std::error_code& code) {
  error = hive::PathText(file) + ": " + what + " (" + code.message() + ")";
  return false;
}

}  // namespace

bool CDiskOfflineFiles::MakeFolder(const std::filesystem::path& folder, std::string& error) {
  std::error_code code;
  if (std::filesystem::create_directory(folder, code)) return true;
  if (!code) code = std::make_error_code(std::errc::file_exists);
  return Failed(error, folder, "cannot make the folder", code);
}

bool CDiskOfflineFiles::WriteNew(const std::filesystem::path& file,
                                 std::span<const std::uint8_t> bytes, std::string& error) {
  return WriteDurableFile(file, bytes, error);
}

bool CDiskOfflineFiles::Read(const std::filesystem::path& file, std::vector<std::uint8_t>& bytes,
                             std::string& error) {
  return hive::ReadFileBytes(file, bytes, error);
}

bool CDiskOfflineFiles::Link(const std::filesystem::path& file, const std::filesystem::path& name,
                             std::string& error) {
  std::error_code code;
  std::filesystem::create_hard_link(file, name, code);
  return !code || Failed(error, name, "cannot link to " + hive::PathText(file), code);
}

bool CDiskOfflineFiles::Copy(const std::filesystem::path& from, const std::filesystem::path& to,
                             std::string& error) {
  std::vector<std::uint8_t> bytes;
  return hive::ReadFileBytes(from, bytes, error) && WriteDurableFile(to, bytes, error);
}

bool CDiskOfflineFiles::Rename(const std::filesystem::path& from, const std::filesystem::path& to,
                               std::string& error) {
  std::error_code code;
  std::filesystem::rename(from, to, code);
  return !code || Failed(error, from, "cannot rename to " + hive::PathText(to), code);
}

bool CDiskOfflineFiles::Remove(const std::filesystem::path& file, std::string& error) {
  std::error_code code;
  if (std::filesystem::remove(file, code)) return true;
  if (!code) code = std::make_error_code(std::errc::no_such_file_or_directory);
  return Failed(error, file, "cannot remove", code);
}

bool CDiskOfflineFiles::CopyPermissions(const std::filesystem::path& from,
                                        const std::filesystem::path& to, std::string& error) {
  return CopyFileAccessRules(from, to, error);
}

bool CDiskOfflineFiles::OpenElsewhere(const std::filesystem::path& file) {
  return IsOpenElsewhere(file);
}

}  // namespace offline
