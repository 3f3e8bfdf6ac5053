#pragma once
// Every change an off-line run makes to the installation's volume goes through
// this interface, one call per step, so that tests can make any step fail and
// check what is left behind. Reading the tree to find the hives does not.
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace offline {

class IOfflineFiles {
 public:
  virtual ~IOfflineFiles() = default;
  // A new folder; fails when anything of that name exists.
  virtual bool MakeFolder(const std::filesystem::path& folder, std::string& error) = 0;
  // A new file holding `bytes`, on the disk when this returns true; fails when
  // anything of that name exists.
  virtual bool WriteNew(const std::filesystem::path& file, std::span<const std::uint8_t> bytes,
                        std::string& error) = 0;
  virtual bool Read(const std::filesystem::path& file, std::vector<std::uint8_t>& bytes,
                    std::string& error) = 0;
  // A second name for the same file (same volume); fails when `name` exists.
  virtual bool Link(const std::filesystem::path& file, const std::filesystem::path& name,
                    std::string& error) = 0;
  // A new file with `from`'s bytes, on the disk when this returns true.
  virtual bool Copy(const std::filesystem::path& from, const std::filesystem::path& to,
                    std::string& error) = 0;
  // `from` takes the name `to`, replacing the file there in one step.
  virtual bool Rename(const std::filesystem::path& from, const std::filesystem::path& to,
                      std::string& error) = 0;
  virtual bool Remove(const std::filesystem::path& file, std::string& error) = 0;
  // Gives `to` the access rules `from` has, as far as the file system shows them.
  virtual bool CopyPermissions(const std::filesystem::path& from, const std::filesystem::path& to,
                               std::string& error) = 0;
  // Another program holds the file open (only Windows can tell).
  virtual bool OpenElsewhere(const std::filesystem::path& file) = 0;
};

// The volume itself.
//
// Permissions kept: on Linux, the NTFS security descriptor and file attributes
// that ntfs-3g shows as the extended attributes "system.ntfs_acl" and
// "system.ntfs_attrib", and otherwise the POSIX mode bits. On Windows the new
// file is created in the hive's folder and takes the access rules that folder
// passes on to new files (for System32\config and a profile folder, those
// Windows itself set for the hives there); the old descriptor is not copied.
class CDiskOfflineFiles : public IOfflineFiles {
 public:
  bool MakeFolder(const std::filesystem::path& folder, std::string& error) override;
  bool WriteNew(const std::filesystem::path& file, std::span<const std::uint8_t> bytes,
                std::string& error) override;
  bool Read(const std::filesystem::path& file, std::vector<std::uint8_t>& bytes,
            std::string& error) override;
  bool Link(const std::filesystem::path& file, const std::filesystem::path& name,
            std::string& error) override;
  bool Copy(const std::filesystem::path& from, const std::filesystem::path& to,
            std::string& error) override;
  bool Rename(const std::filesystem::path& from, const std::filesystem::path& to,
              std::string& error) override;
  bool Remove(const std::filesystem::path& file, std::string& error) override;
  bool CopyPermissions(const std::filesystem::path& from, const std::filesystem::path& to,
                       std::string& error) override;
  bool OpenElsewhere(const std::filesystem::path& file) override;
};

}  // namespace offline
