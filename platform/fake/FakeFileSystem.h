#pragma once
// The fake Windows' file system: drive roots (C:\ and any a test adds) and UNC
// shares, each a tree of folders and files with case-insensitive names that keep
// the case they were made with. Files carry an attribute word and a 64-bit size
// (no bytes needed, so a file can be larger than 4 GiB) and, when a test gives
// them, their contents.
//
// Path texts are resolved as kernel32 does before it reaches a file system:
// forward slashes count as backslashes, runs of backslashes as one, "." and ".."
// are resolved (".." stops at the root), texts without a drive or UNC prefix
// start from `currentDirectory` (\x from its root). Not modelled: MAX_PATH and
// name-length limits, 8.3 short names, the \\?\ and \\.\ prefixes, streams,
// and the trailing dots and spaces Windows strips from names.
//
// FindFirstFileW takes * (any run) and ? (one character) in the last component
// only; "*.*" means "*". Entries are searched in the order NTFS lists them:
// "." and ".." first (except in a root), then by upper-cased name.
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/IFileSystem.h"
#include "platform/SecurityDescriptor.h"
#include "platform/fake/FakeSystem.h"
#include "platform/fake/FaultPlan.h"

namespace platform::fake {

// One folder or file.
struct FakeEntry {
  std::wstring name;
  std::uint32_t attributes = 0;  // as GetFileAttributesW reports them
  std::uint64_t size = 0;
  std::vector<std::uint8_t> content;  // only what a test wrote; may be shorter than size
  std::vector<std::unique_ptr<FakeEntry>> children;
  // The self-relative descriptor; a new entry takes its folder's.
  std::vector<std::uint8_t> security;
  // A junction (a folder) or symbolic link carries kFileAttributeReparsePoint
  // and the full path it leads to; folders above a path's last name are followed.
  std::wstring linkTarget;
  std::uint32_t linkCount = 1;
  std::uint64_t fileIndex = 0;
  std::uint64_t lastWriteTime = 0;  // a tick of the fake's clock, set by every write

  bool IsFolder() const { return (attributes & kFileAttributeDirectory) != 0; }
  FakeEntry* FindChild(const std::wstring& childName) const;
};

// One entry of a folder listing.
struct FakeEntryInfo {
  std::wstring name;
  std::uint32_t attributes = 0;
  std::uint64_t size = 0;
};

// The user who started the program, as the fake's other programs act: the
// interactive user's SID with the groups every user token holds.
std::vector<SidBytes> InteractiveUserSids();
// C:\Windows and below on a fresh machine: SYSTEM owns it, administrators
// change it, users read it.
DescriptorBytes WindowsFolderDescriptor();
// A user's own folder (the profile with its temporary folder): the user owns it.
DescriptorBytes UserFolderDescriptor();

class FakeFileSystem : public IFileSystem {
 public:
  // A fresh machine: drive C: with the Windows folder of `system` and the
  // temporary folder of `tempPath`.
  FakeFileSystem(FaultPlan& faults, FakeSystem& system);
  ~FakeFileSystem() override;
  FakeFileSystem(const FakeFileSystem&) = delete;
  FakeFileSystem& operator=(const FakeFileSystem&) = delete;

  std::uint32_t QueryFileAttributes(const wchar_t* path) override;
  bool QueryAttributesAndSize(const wchar_t* path, std::uint32_t* attributes,
                              std::uint64_t* size) override;
  bool ChangeFileAttributes(const wchar_t* path, std::uint32_t attributes) override;
  bool MakeDirectory(const wchar_t* path) override;
  bool RemoveEmptyDirectory(const wchar_t* path) override;
  bool RemoveFile(const wchar_t* path) override;
  FindHandle FindFirst(const wchar_t* pattern, FindData* data) override;
  bool FindNext(FindHandle handle, FindData* data) override;
  bool FindClose(FindHandle handle) override;
  std::uint32_t QueryTempPath(std::uint32_t size, wchar_t* buffer) override;
  // Fails with ERROR_ALREADY_EXISTS on any existing name.
  bool MakeDirectoryWithSecurity(const wchar_t* path,
                                 const std::vector<std::uint8_t>& descriptor) override;
  bool ReadSecurityDescriptor(const wchar_t* path, std::vector<std::uint8_t>* descriptor) override;
  // The volume serial number is the drive's or share's (0x1000 plus its index).
  bool QueryFileFacts(const wchar_t* path, FileFacts* facts) override;
  // Fails with ERROR_SHARING_VIOLATION while another program holds the file for
  // writing (see hostileWriters); while it is open nobody can delete or rename
  // it, nor (in the fake's tests) write it. The
  // handle reads the bytes the file held when it was opened: nobody can change
  // them while it is open.
  FileHandle OpenFileExclusive(const wchar_t* path) override;
  // Opens whatever stands at the name, a file held by others too.
  FileHandle OpenForSecurity(const wchar_t* path) override;
  bool ReadOpenFileSecurity(FileHandle file, std::vector<std::uint8_t>* descriptor) override;
  bool WriteOpenFileSecurity(FileHandle file, const std::vector<std::uint8_t>& descriptor) override;
  bool QueryOpenFileFacts(FileHandle file, FileFacts* facts) override;
  bool ReadFromFile(FileHandle file, std::uint8_t* buffer, std::uint32_t size,
                    std::uint32_t* read) override;
  bool RewindFile(FileHandle file) override;
  bool CloseFile(FileHandle file) override;
  // Records the path in `deletionsAtRestart`; FakeWindows::Restart deletes them.
  bool DeleteAtRestart(const wchar_t* path) override;
  bool MoveReplacing(const wchar_t* from, const wchar_t* to) override;
  bool WriteNewFile(const wchar_t* path, const std::vector<std::uint8_t>& bytes,
                    const std::vector<std::uint8_t>& descriptor) override;
  bool AppendToFile(const wchar_t* path, const std::vector<std::uint8_t>& bytes,
                    const std::vector<std::uint8_t>& descriptor) override;
  // Fails with ERROR_SHARING_VIOLATION while either file is locked (held by
  // the system or open exclusively), ERROR_NOT_SAME_DEVICE across roots and
  // ERROR_ALREADY_EXISTS when the backup name is taken. The replacement takes
  // the replaced file's attributes and DACL and keeps its own owner. An
  // injected ERROR_UNABLE_TO_MOVE_REPLACEMENT_2 leaves the replaced file at
  // the backup name, as Windows documents that failure.
  Status ReplaceKeepingBackup(const wchar_t* replaced, const wchar_t* replacement,
                              const wchar_t* backup) override;

  // Machine set-up. GetTempPathW returns `tempPath` exactly as set.
  std::wstring tempPath = L"C:\\Users\\Admin\\AppData\\Local\\Temp\\";
  std::wstring currentDirectory = L"C:\\";

  // Set-up and inspection for tests and for other parts of the fake (saves,
  // replacements at restart). They bypass the failure plan and the last error;
  // a path they cannot use (unknown root, a file where a folder must be, an
  // invalid name) throws std::invalid_argument.
  void AddDrive(wchar_t letter);
  void AddShare(const std::wstring& server, const std::wstring& share);
  // Creates the folder and every missing folder above it.
  void AddFolder(const std::wstring& path);
  // Creates or replaces a file (and any missing folders above it).
  void AddFile(const std::wstring& path, std::uint64_t size,
               std::uint32_t attributes = kFileAttributeArchive);
  // As AddFile, with contents; the size is theirs.
  void WriteFile(const std::wstring& path, std::vector<std::uint8_t> content,
                 std::uint32_t attributes = kFileAttributeArchive);
  // The contents a test wrote; nothing for a missing entry or a folder.
  std::optional<std::vector<std::uint8_t>> ReadFile(const std::wstring& path) const;
  bool Exists(const std::wstring& path) const;
  // kInvalidFileAttributes when missing.
  std::uint32_t AttributesOf(const std::wstring& path) const;
  std::optional<std::uint64_t> SizeOf(const std::wstring& path) const;
  // Renames or moves a file or a whole folder, as MoveFileExW does within one
  // root: the new parent must exist; an existing target fails unless
  // `replaceExisting` and both are files and the target is not read-only.
  // kErrorSuccess or the error MoveFileExW would report.
  Status Move(const std::wstring& from, const std::wstring& to, bool replaceExisting = false);
  // Removes a file or a folder with everything in it; false when missing.
  bool Remove(const std::wstring& path);
  // The folder's entries in search order, without "." and "..".
  std::vector<FakeEntryInfo> List(const std::wstring& folder) const;
  // Security, links and handles, for set-up and inspection.
  void SetSecurity(const std::wstring& path, DescriptorBytes descriptor);
  DescriptorBytes SecurityOf(const std::wstring& path) const;
  // A junction at `path` (a new name) leading to the folder `target`.
  void AddJunction(const std::wstring& path, const std::wstring& target);
  // A symbolic link file at `path` (a new name) leading to `target`.
  void AddSymbolicLink(const std::wstring& path, const std::wstring& target);
  void SetLinkCount(const std::wstring& path, std::uint32_t count);
  // Whether the file is open through OpenFileExclusive.
  bool IsOpenExclusively(const std::wstring& path) const;
  // Whether the interactive user (InteractiveUserSids) may create, delete or
  // rename entries in the folder.
  bool UserMayChangeFolder(const std::wstring& folder) const;
  // Whether the interactive user may open the entry by its full path with any
  // of `rights`: every user may traverse folders, so the entry's own
  // descriptor alone decides, not its folder's. False when it is missing.
  bool UserMayOpen(const std::wstring& path, std::uint32_t rights) const;
  std::vector<std::wstring> deletionsAtRestart;
  // Files another program holds open for writing, by file index.
  std::set<std::uint64_t> hostileWriters;
  // Files the system holds open without sharing (a hive loaded from them), by
  // file index: no one opens, deletes or renames them meanwhile.
  std::set<std::uint64_t> heldBySystem;
  std::uint64_t FileIndexOf(const std::wstring& path) const;
  std::size_t OpenFileCount() const { return m_openFiles.size(); }
  // A restart: every handle of every program is gone.
  void CloseEveryFile() { m_openFiles.clear(); }

  // Searches opened by FindFirstFileW and not yet closed.
  std::size_t OpenSearchCount() const { return m_openSearches.size(); }

 private:
  struct Location;
  struct ResolvedPath;

  Status Resolve(const wchar_t* text, bool wildcardsInLast, ResolvedPath& resolved) const;
  Status Locate(const ResolvedPath& resolved, Location& location) const;
  FakeEntry* RootNamed(const std::wstring& name) const;
  Location LocateForSetUp(const std::wstring& path) const;
  FakeEntry& EnsureFolders(const std::wstring& path, std::size_t levels);
  FakeEntry& PutFile(const std::wstring& path, std::uint32_t attributes);
  FakeEntry& NewChild(FakeEntry& parent, const std::wstring& name, std::uint32_t attributes);
  FakeEntry* Followed(FakeEntry* entry, int depth) const;
  Status LocateEntry(const wchar_t* path, Location& location) const;
  // LocateEntry, and a file named with a trailing backslash is kErrorInvalidName.
  Status LocateAsNamed(const wchar_t* path, Location& location) const;
  // Where a new entry named by `path` goes: its parent must exist and the name be
  // free (`existsError` otherwise); a root is never created.
  Status LocateNew(const wchar_t* path, Status existsError, ResolvedPath& resolved,
                   Location& location) const;
  FileFacts FactsOf(const Location& location) const;
  bool IsLocked(std::uint64_t fileIndex) const;
  FakeEntry* EntryWithIndex(std::uint64_t fileIndex) const;
  bool Fail(Status error);

  struct OpenFile {
    std::uint64_t fileIndex;
    FileFacts facts;
    std::vector<std::uint8_t> content;
    std::size_t position = 0;
    bool sharesAll = false;  // opened for its descriptor: keeps nobody out
  };

  FaultPlan& m_faults;
  FakeSystem& m_system;
  std::vector<std::unique_ptr<FakeEntry>> m_roots;             // named "C:" or "\\server\share"
  std::map<FindHandle, std::vector<FindData>> m_openSearches;  // what each has still to give
  FindHandle m_nextSearch = 0x1000;
  std::map<FileHandle, OpenFile> m_openFiles;
  FileHandle m_nextFile = 0x3000;
  std::uint64_t m_nextFileIndex = 0x100;
  std::uint64_t m_clock = 1;
};

}  // namespace platform::fake
