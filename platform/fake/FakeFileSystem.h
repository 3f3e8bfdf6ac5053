#pragma once
// The fake Windows' file system. (Modelled in full by the path library's work.)
#include "platform/IFileSystem.h"
#include "platform/fake/FakeSystem.h"
#include "platform/fake/FaultPlan.h"

namespace platform::fake {

class FakeFileSystem : public IFileSystem {
 public:
  FakeFileSystem(FaultPlan& faults, FakeSystem& system) : m_faults(faults), m_system(system) {}

  std::uint32_t GetFileAttributes(const wchar_t* path) override;
  bool SetFileAttributes(const wchar_t* path, std::uint32_t attributes) override;
  bool CreateDirectory(const wchar_t* path) override;
  bool RemoveDirectory(const wchar_t* path) override;
  bool DeleteFile(const wchar_t* path) override;
  FindHandle FindFirstFile(const wchar_t* pattern, FindData* data) override;
  bool FindClose(FindHandle handle) override;
  std::uint32_t GetTempPath(std::uint32_t size, wchar_t* buffer) override;

 private:
  FaultPlan& m_faults;
  FakeSystem& m_system;
};

}  // namespace platform::fake
