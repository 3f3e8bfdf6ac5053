#pragma once
// Who may do what with a file, carried from an old file to its replacement as
// far as the file system shows it to this program.
#include <filesystem>
#include <string>

namespace offline {

// The extended attributes ntfs-3g exposes for an NTFS file's security
// descriptor and its attributes (hidden, system, ...).
inline constexpr const char* kNtfsAccessAttributes[] = {"system.ntfs_acl", "system.ntfs_attrib"};

// Linux: each of kNtfsAccessAttributes `from` has, set on `to`; when it has
// none (not an ntfs-3g mount), the POSIX mode bits. Windows: nothing to do
// here, see CDiskOfflineFiles. False with `error` when a rule could not be set.
bool CopyFileAccessRules(const std::filesystem::path& from, const std::filesystem::path& to,
                         std::string& error);

}  // namespace offline
