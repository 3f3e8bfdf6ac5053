#pragma once
// Process and machine facts of the fake Windows: architecture, last error, the
// program's path, the Windows folder and the restart requests it received.
#include <cstddef>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/ISystem.h"
#include "platform/fake/FaultPlan.h"

namespace platform::fake {

class FakeSecurity;

// Whether the caller's effective token (the thread's when it impersonates, else
// the process token) holds the privilege switched on: what the kernel checks
// before a privileged operation.
bool IsPrivilegeEnabled(const FakeSecurity& security, const std::wstring& name);

struct ShutdownRequest {
  std::wstring message;
  std::uint32_t timeoutSeconds;
  bool forceAppsClosed;
  bool rebootAfterShutdown;
};

class FakeSystem : public ISystem {
 public:
  explicit FakeSystem(FaultPlan& faults) : m_faults(faults) {}

  std::optional<std::uint16_t> GetNativeProcessorArchitecture() override;
  Status GetLastError() override { return m_lastError; }
  void SetLastError(Status error) override { m_lastError = error; }
  std::uint32_t QueryModuleFileName(wchar_t* buffer, std::uint32_t size) override;
  // `sessionWindowsDirectory` when set (a session host's per-user folder), else
  // `windowsDirectory`.
  std::uint32_t QueryWindowsDirectory(wchar_t* buffer, std::uint32_t size) override;
  std::uint32_t QuerySystemWindowsDirectory(wchar_t* buffer, std::uint32_t size) override;
  // Needs SeShutdownPrivilege switched on once tokens are attached.
  UtcTime QueryUtcTime() override { return utcTime; }
  // Named mutexes of the whole machine, by name (case matters, as in the
  // object namespace), each living while a handle to it is open.
  MutexHandle CreateNamedMutex(const wchar_t* name, bool* existed) override;
  bool CloseMutex(MutexHandle mutex) override;
  // Open mutex handles, any program's.
  std::size_t OpenMutexCount() const { return m_mutexes.size(); }
  bool RequestShutdown(const wchar_t* message, std::uint32_t timeoutSeconds, bool forceAppsClosed,
                       bool rebootAfterShutdown) override;

  // The tokens whose privileges guard the restart request.
  void UseTokensOf(const FakeSecurity& security) { m_pSecurity = &security; }

  // Machine set-up. Nothing (no GetNativeSystemInfo) models Windows 2000.
  std::optional<std::uint16_t> architecture = kProcessorArchitectureIntel;
  UtcTime utcTime{2026, 12, 8, 10, 51, 8};
  // Names held open by another program: they exist without a handle here.
  std::set<std::wstring> mutexesHeldElsewhere;
  std::wstring moduleFileName = L"C:\\Program Files\\Kelvaro\\Kelvaro.exe";
  std::wstring windowsDirectory = L"C:\\Windows";
  std::wstring sessionWindowsDirectory;
  std::vector<ShutdownRequest> shutdownRequests;

 private:
  FaultPlan& m_faults;
  const FakeSecurity* m_pSecurity = nullptr;
  Status m_lastError = kErrorSuccess;
  std::map<MutexHandle, std::wstring> m_mutexes;  // open handles and their names
  MutexHandle m_nextMutex = 0x200;
};

}  // namespace platform::fake
