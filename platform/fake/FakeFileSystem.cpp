#include "platform/fake/FakeFileSystem.h"

namespace platform::fake {

std::uint32_t FakeFileSystem::GetFileAttributes(const wchar_t*) {
  m_faults.Check("GetFileAttributesW");
  m_system.SetLastError(kErrorFileNotFound);
  return kInvalidFileAttributes;
}
bool FakeFileSystem::SetFileAttributes(const wchar_t*, std::uint32_t) { return false; }
bool FakeFileSystem::CreateDirectory(const wchar_t*) { return false; }
bool FakeFileSystem::RemoveDirectory(const wchar_t*) { return false; }
bool FakeFileSystem::DeleteFile(const wchar_t*) { return false; }
FindHandle FakeFileSystem::FindFirstFile(const wchar_t*, FindData*) { return kInvalidFindHandle; }
bool FakeFileSystem::FindClose(FindHandle) { return false; }
std::uint32_t FakeFileSystem::GetTempPath(std::uint32_t, wchar_t*) { return 0; }

}  // namespace platform::fake
