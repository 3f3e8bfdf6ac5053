#pragma once
// Files and folders (kernel32). Paths are the platform's path texts; a null text
// makes every operation fail as the platform does.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Win32Constants.h"

namespace platform {

// What FindFirstFileW reports of one entry.
struct FindData {
  std::uint32_t attributes = 0;
  std::uint32_t fileSizeHigh = 0;
  std::uint32_t fileSizeLow = 0;
  std::wstring fileName;
};

// What GetFileInformationByHandle reports of one file or folder.
struct FileFacts {
  std::uint32_t attributes = 0;  // kFileAttributeReparsePoint for a link or junction
  std::uint32_t volumeSerialNumber = 0;
  std::uint32_t linkCount = 0;
  std::uint64_t size = 0;
  std::uint64_t fileIndex = 0;
  std::uint64_t lastWriteTime = 0;  // ftLastWriteTime, 100 ns units since 1601
};

class IFileSystem {
 public:
  virtual ~IFileSystem() = default;

  // GetFileAttributesW: the bits, or kInvalidFileAttributes.
  virtual std::uint32_t QueryFileAttributes(const wchar_t* path) = 0;
  // GetFileAttributesExW (GetFileExInfoStandard): the bits and the size of the
  // file or folder itself (a link's own, not its target's), with no handle
  // opened on it.
  virtual bool QueryAttributesAndSize(const wchar_t* path, std::uint32_t* attributes,
                                      std::uint64_t* size) = 0;
  // SetFileAttributesW.
  virtual bool ChangeFileAttributes(const wchar_t* path, std::uint32_t attributes) = 0;
  // CreateDirectoryW with no security attributes: one level, the parent must exist.
  virtual bool MakeDirectory(const wchar_t* path) = 0;
  // RemoveDirectoryW: only an empty folder.
  virtual bool RemoveEmptyDirectory(const wchar_t* path) = 0;
  // DeleteFileW: fails on read-only files and on folders.
  virtual bool RemoveFile(const wchar_t* path) = 0;
  // FindFirstFileW: kInvalidFindHandle when nothing matches.
  virtual FindHandle FindFirst(const wchar_t* pattern, FindData* data) = 0;
  // FindNextFileW: false with ERROR_NO_MORE_FILES after the last match.
  virtual bool FindNext(FindHandle handle, FindData* data) = 0;
  // FindClose.
  virtual bool FindClose(FindHandle handle) = 0;
  // GetTempPathW: characters copied (the text ends in a backslash), 0 on failure.
  virtual std::uint32_t QueryTempPath(std::uint32_t size, wchar_t* buffer) = 0;

  // CreateDirectoryW with the self-relative descriptor as its security
  // attributes: one level; fails with ERROR_ALREADY_EXISTS when anything (a
  // junction too) has the name.
  virtual bool MakeDirectoryWithSecurity(const wchar_t* path,
                                         const std::vector<std::uint8_t>& descriptor) = 0;
  // CreateFileW for READ_CONTROL only (backup semantics, the link itself, all
  // sharing) and GetKernelObjectSecurity: owner, group and DACL, self-relative.
  virtual bool ReadSecurityDescriptor(const wchar_t* path,
                                      std::vector<std::uint8_t>* descriptor) = 0;
  // CreateFileW for FILE_READ_ATTRIBUTES (backup semantics, the link itself, all
  // sharing) and GetFileInformationByHandle.
  virtual bool QueryFileFacts(const wchar_t* path, FileFacts* facts) = 0;
  // CreateFileW of an existing file for GENERIC_READ sharing read only (so no
  // one holds or gets write or delete access while it is open), opening a
  // link itself rather than its target. kInvalidFileHandle on failure.
  virtual FileHandle OpenFileExclusive(const wchar_t* path) = 0;
  // CreateFileW for READ_CONTROL, WRITE_DAC and WRITE_OWNER only (backup
  // semantics, the link itself, all sharing: these rights are not checked
  // against a sharing mode, so a hive file Windows holds opens too).
  // kInvalidFileHandle on failure.
  virtual FileHandle OpenForSecurity(const wchar_t* path) = 0;
  // GetKernelObjectSecurity of an open file: owner, group and DACL, self-relative.
  virtual bool ReadOpenFileSecurity(FileHandle file, std::vector<std::uint8_t>* descriptor) = 0;
  // SetKernelObjectSecurity of an open file: the descriptor's owner, group and
  // DACL (with its control bits) as given, nothing inherited or propagated.
  virtual bool WriteOpenFileSecurity(FileHandle file,
                                     const std::vector<std::uint8_t>& descriptor) = 0;
  // GetFileInformationByHandle.
  virtual bool QueryOpenFileFacts(FileHandle file, FileFacts* facts) = 0;
  // ReadFile: up to `size` bytes at the current position; 0 read at the end.
  virtual bool ReadFromFile(FileHandle file, std::uint8_t* buffer, std::uint32_t size,
                            std::uint32_t* read) = 0;
  // SetFilePointerEx to the start of the file: the next read starts there.
  virtual bool RewindFile(FileHandle file) = 0;
  // CloseHandle of a file.
  virtual bool CloseFile(FileHandle file) = 0;
  // MoveFileExW with no new name and MOVEFILE_DELAY_UNTIL_REBOOT: the file is
  // deleted at the next start, even one in use now.
  virtual bool DeleteAtRestart(const wchar_t* path) = 0;
  // MoveFileExW with MOVEFILE_REPLACE_EXISTING and MOVEFILE_WRITE_THROUGH: the
  // file takes the new name, in place of a file there, and the rename is on
  // the disk before the call returns. A reader sees the old file or the new,
  // never a half-written one.
  virtual bool MoveReplacing(const wchar_t* from, const wchar_t* to) = 0;
  // CreateFileW with CREATE_NEW (so never an existing file or a planted link)
  // and the self-relative descriptor as security attributes, then WriteFile of
  // every byte and FlushFileBuffers: when it returns true the bytes are on the
  // disk. A file left half-written is deleted again.
  virtual bool WriteNewFile(const wchar_t* path, const std::vector<std::uint8_t>& bytes,
                            const std::vector<std::uint8_t>& descriptor) = 0;
  // CreateFileW with OPEN_ALWAYS for appending only, opening a link itself
  // rather than its target (a new file gets the self-relative descriptor),
  // then WriteFile of every byte at the end. Fails without writing when what
  // stands at the name is a link or junction or has more than one name.
  // ReplaceFileW(replaced, replacement, backup, 0): the replacement takes the
  // replaced file's name; the replaced file takes the backup name. All three
  // must be on one volume. What Windows keeps of the replaced file (Microsoft
  // Learn, ReplaceFileW, Remarks): its creation time, short name, object
  // identifier, DACL, security resource attributes, encryption, compression,
  // named streams, and (ERROR_UNABLE_TO_MOVE_REPLACEMENT_2) its attributes;
  // not its owner, which stays the replacement's: a caller that must keep it
  // sets it back itself. The replaced file is opened for DELETE sharing
  // read, write and delete, so the call fails while anyone holds it without
  // delete sharing, as the kernel holds a loaded hive. Outcomes, as the
  // function documents them: success; kErrorUnableToRemoveReplaced and
  // kErrorUnableToMoveReplacement (both files keep their names); and
  // kErrorUnableToMoveReplacement2, after which the replaced file has the
  // backup name and the replacement keeps its own: the caller must move it
  // back. Any other error leaves both names as they were. No write-through is
  // asked for: REPLACEFILE_WRITE_THROUGH is documented as not supported.
  // The error, or kErrorSuccess.
  virtual Status ReplaceKeepingBackup(const wchar_t* replaced, const wchar_t* replacement,
                                      const wchar_t* backup) = 0;
  virtual bool AppendToFile(const wchar_t* path, const std::vector<std::uint8_t>& bytes,
                            const std::vector<std::uint8_t>& descriptor) = 0;
};

}  // namespace platform
