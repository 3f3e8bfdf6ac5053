#include <windows.h>

#include "platform/win32/Win32Platform.h"

namespace platform::win32 {

std::uint32_t Win32FileSystem::QueryFileAttributes(const wchar_t* path) {
  return ::GetFileAttributesW(path);
}

bool Win32FileSystem::ChangeFileAttributes(const wchar_t* path, std::uint32_t attributes) {
  return ::SetFileAttributesW(path, attributes) != FALSE;
}

bool Win32FileSystem::MakeDirectory(const wchar_t* path) {
  return ::CreateDirectoryW(path, nullptr) == TRUE;
}

bool Win32FileSystem::RemoveEmptyDirectory(const wchar_t* path) {
  return ::RemoveDirectoryW(path) != FALSE;
}

bool Win32FileSystem::RemoveFile(const wchar_t* path) { return ::DeleteFileW(path) != FALSE; }

FindHandle Win32FileSystem::FindFirst(const wchar_t* pattern, FindData* data) {
  WIN32_FIND_DATAW found{};
  HANDLE handle = ::FindFirstFileW(pattern, &found);
  if (handle != INVALID_HANDLE_VALUE) {
    data->attributes = found.dwFileAttributes;
    data->fileSizeHigh = found.nFileSizeHigh;
    data->fileSizeLow = found.nFileSizeLow;
    data->fileName = found.cFileName;
  }
  return reinterpret_cast<FindHandle>(handle);
}

bool Win32FileSystem::FindClose(FindHandle handle) {
  return ::FindClose(reinterpret_cast<HANDLE>(handle)) != FALSE;
}

std::uint32_t Win32FileSystem::QueryTempPath(std::uint32_t size, wchar_t* buffer) {
  return ::GetTempPathW(size, buffer);
}

}  // namespace platform::win32
