#pragma once
// Files and folders (kernel32). Paths are the platform's path texts; a null text
// makes every operation fail as the platform does.
#include <cstdint>
#include <string>

#include "platform/Win32Constants.h"

namespace platform {

// What FindFirstFileW reports of one entry.
struct FindData {
  std::uint32_t attributes = 0;
  std::uint32_t fileSizeHigh = 0;
  std::uint32_t fileSizeLow = 0;
  std::wstring fileName;
};

class IFileSystem {
 public:
  virtual ~IFileSystem() = default;

  // GetFileAttributesW: the bits, or kInvalidFileAttributes.
  virtual std::uint32_t QueryFileAttributes(const wchar_t* path) = 0;
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
  // FindClose.
  virtual bool FindClose(FindHandle handle) = 0;
  // GetTempPathW: characters copied (the text ends in a backslash), 0 on failure.
  virtual std::uint32_t QueryTempPath(std::uint32_t size, wchar_t* buffer) = 0;
};

}  // namespace platform
