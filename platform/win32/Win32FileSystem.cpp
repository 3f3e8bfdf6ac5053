#include <windows.h>

#include "platform/win32/Win32Platform.h"
#include "platform/win32/SecurityAttributes.h"

namespace platform::win32 {

std::uint32_t Win32FileSystem::QueryFileAttributes(const wchar_t* path) {
  return ::GetFileAttributesW(path);
}

bool Win32FileSystem::QueryAttributesAndSize(const wchar_t* path, std::uint32_t* attributes,
                                             std::uint64_t* size) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (::GetFileAttributesExW(path, GetFileExInfoStandard, &data) == FALSE) return false;
  *attributes = data.dwFileAttributes;
  *size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  return true;
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

namespace {

void CopyFound(const WIN32_FIND_DATAW& found, FindData* data) {
  data->attributes = found.dwFileAttributes;
  data->fileSizeHigh = found.nFileSizeHigh;
  data->fileSizeLow = found.nFileSizeLow;
  data->fileName = found.cFileName;
}

}  // namespace

FindHandle Win32FileSystem::FindFirst(const wchar_t* pattern, FindData* data) {
  WIN32_FIND_DATAW found{};
  HANDLE handle = ::FindFirstFileW(pattern, &found);
  if (handle != INVALID_HANDLE_VALUE) CopyFound(found, data);
  return reinterpret_cast<FindHandle>(handle);
}

bool Win32FileSystem::FindNext(FindHandle handle, FindData* data) {
  WIN32_FIND_DATAW found{};
  if (::FindNextFileW(reinterpret_cast<HANDLE>(handle), &found) == FALSE) return false;
  CopyFound(found, data);
  return true;
}

bool Win32FileSystem::FindClose(FindHandle handle) {
  return ::FindClose(reinterpret_cast<HANDLE>(handle)) != FALSE;
}

std::uint32_t Win32FileSystem::QueryTempPath(std::uint32_t size, wchar_t* buffer) {
  return ::GetTempPathW(size, buffer);
}

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr DWORD kTheLinkItself = FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT;

void CopyFacts(const BY_HANDLE_FILE_INFORMATION& information, FileFacts* facts) {
  facts->attributes = information.dwFileAttributes;
  facts->volumeSerialNumber = information.dwVolumeSerialNumber;
  facts->linkCount = information.nNumberOfLinks;
  facts->size =
      (static_cast<std::uint64_t>(information.nFileSizeHigh) << 32) | information.nFileSizeLow;
  facts->fileIndex =
      (static_cast<std::uint64_t>(information.nFileIndexHigh) << 32) | information.nFileIndexLow;
  facts->lastWriteTime =
      (static_cast<std::uint64_t>(information.ftLastWriteTime.dwHighDateTime) << 32) |
      information.ftLastWriteTime.dwLowDateTime;
}

}  // namespace

bool Win32FileSystem::MakeDirectoryWithSecurity(const wchar_t* path,
                                                const std::vector<std::uint8_t>& descriptor) {
  CSecurityAttributes attributes(descriptor);
  return ::CreateDirectoryW(path, attributes.Get()) != FALSE;
}

namespace {

constexpr SECURITY_INFORMATION kDescriptorParts =
    OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;

bool ReadHandleSecurity(HANDLE handle, std::vector<std::uint8_t>* descriptor) {
  DWORD needed = 0;
  ::GetKernelObjectSecurity(handle, kDescriptorParts, nullptr, 0, &needed);
  if (needed == 0) return false;
  descriptor->assign(needed, 0);
  return ::GetKernelObjectSecurity(handle, kDescriptorParts, descriptor->data(), needed, &needed) !=
         FALSE;
}

}  // namespace

bool Win32FileSystem::ReadSecurityDescriptor(const wchar_t* path,
                                             std::vector<std::uint8_t>* descriptor) {
  HANDLE handle =
      ::CreateFileW(path, READ_CONTROL, kShareAll, nullptr, OPEN_EXISTING, kTheLinkItself, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  bool read = ReadHandleSecurity(handle, descriptor);
  DWORD error = ::GetLastError();
  ::CloseHandle(handle);
  ::SetLastError(error);
  return read;
}

FileHandle Win32FileSystem::OpenForSecurity(const wchar_t* path) {
  HANDLE handle = ::CreateFileW(path, READ_CONTROL | WRITE_DAC | WRITE_OWNER, kShareAll, nullptr,
                                OPEN_EXISTING, kTheLinkItself, nullptr);
  return reinterpret_cast<FileHandle>(handle);
}

bool Win32FileSystem::ReadOpenFileSecurity(FileHandle file, std::vector<std::uint8_t>* descriptor) {
  return ReadHandleSecurity(reinterpret_cast<HANDLE>(file), descriptor);
}

bool Win32FileSystem::WriteOpenFileSecurity(FileHandle file,
                                            const std::vector<std::uint8_t>& descriptor) {
  std::vector<std::uint8_t> copy = descriptor;
  return ::SetKernelObjectSecurity(reinterpret_cast<HANDLE>(file), kDescriptorParts, copy.data()) !=
         FALSE;
}

bool Win32FileSystem::QueryFileFacts(const wchar_t* path, FileFacts* facts) {
  HANDLE handle = ::CreateFileW(path, FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                                kTheLinkItself, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION information{};
  bool read = ::GetFileInformationByHandle(handle, &information) != FALSE;
  if (read) CopyFacts(information, facts);
  DWORD error = ::GetLastError();
  ::CloseHandle(handle);
  ::SetLastError(error);
  return read;
}

FileHandle Win32FileSystem::OpenFileExclusive(const wchar_t* path) {
  HANDLE handle = ::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  return reinterpret_cast<FileHandle>(handle);
}

bool Win32FileSystem::QueryOpenFileFacts(FileHandle file, FileFacts* facts) {
  BY_HANDLE_FILE_INFORMATION information{};
  if (::GetFileInformationByHandle(reinterpret_cast<HANDLE>(file), &information) == FALSE) {
    return false;
  }
  CopyFacts(information, facts);
  return true;
}

bool Win32FileSystem::ReadFromFile(FileHandle file, std::uint8_t* buffer, std::uint32_t size,
                                   std::uint32_t* read) {
  DWORD count = 0;
  bool done = ::ReadFile(reinterpret_cast<HANDLE>(file), buffer, size, &count, nullptr) != FALSE;
  *read = count;
  return done;
}

bool Win32FileSystem::RewindFile(FileHandle file) {
  LARGE_INTEGER start{};
  return ::SetFilePointerEx(reinterpret_cast<HANDLE>(file), start, nullptr, FILE_BEGIN) != FALSE;
}

bool Win32FileSystem::CloseFile(FileHandle file) {
  return ::CloseHandle(reinterpret_cast<HANDLE>(file)) != FALSE;
}

bool Win32FileSystem::DeleteAtRestart(const wchar_t* path) {
  return ::MoveFileExW(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
}

bool Win32FileSystem::MoveReplacing(const wchar_t* from, const wchar_t* to) {
  return ::MoveFileExW(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

Status Win32FileSystem::ReplaceKeepingBackup(const wchar_t* replaced, const wchar_t* replacement,
                                             const wchar_t* backup) {
  if (::ReplaceFileW(replaced, replacement, backup, 0, nullptr, nullptr) != FALSE) {
    return kErrorSuccess;
  }
  return ::GetLastError();
}

bool Win32FileSystem::WriteNewFile(const wchar_t* path, const std::vector<std::uint8_t>& bytes,
                                   const std::vector<std::uint8_t>& descriptor) {
  CSecurityAttributes attributes(descriptor);
  HANDLE file = ::CreateFileW(path, GENERIC_WRITE, 0, attributes.Get(), CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool done = ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                          nullptr) != FALSE &&
              written == bytes.size() && ::FlushFileBuffers(file) != FALSE;
  DWORD error = ::GetLastError();
  ::CloseHandle(file);
  if (!done) ::DeleteFileW(path);
  ::SetLastError(error);
  return done;
}

bool Win32FileSystem::AppendToFile(const wchar_t* path, const std::vector<std::uint8_t>& bytes,
                                   const std::vector<std::uint8_t>& descriptor) {
  CSecurityAttributes attributes(descriptor);
  // Append-only access: every write lands at the end, whatever the position.
  HANDLE file = ::CreateFileW(path, FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                              FILE_SHARE_READ, attributes.Get(), OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION information{};
  bool done = ::GetFileInformationByHandle(file, &information) != FALSE;
  DWORD error = ::GetLastError();
  if (done && ((information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ||
               information.nNumberOfLinks != 1)) {
    done = false;
    error = ERROR_ACCESS_DENIED;
  }
  if (done) {
    DWORD written = 0;
    done = ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) !=
               FALSE &&
           written == bytes.size();
    error = ::GetLastError();
  }
  ::CloseHandle(file);
  ::SetLastError(error);
  return done;
}

}  // namespace platform::win32
