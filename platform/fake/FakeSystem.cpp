#include "platform/fake/FakeSystem.h"

#include <cwchar>

#include "platform/fake/FakeSecurity.h"

namespace platform::fake {

namespace {
// Copies text as the kernel32 path getters do: characters copied without the
// terminator, or the size needed with it when the buffer is too small.
std::uint32_t CopyOut(const std::wstring& text, wchar_t* buffer, std::uint32_t size,
                      bool truncate) {
  auto length = static_cast<std::uint32_t>(text.size());
  if (length + 1 > size) {
    if (!truncate || size == 0) return length + 1;
    // GetModuleFileNameW truncates and terminates.
    std::wmemcpy(buffer, text.data(), size - 1);
    buffer[size - 1] = 0;
    return size;
  }
  std::wmemcpy(buffer, text.data(), length);
  buffer[length] = 0;
  return length;
}
}  // namespace

bool IsPrivilegeEnabled(const FakeSecurity& security, const std::wstring& name) {
  const FakeToken& token = security.threadToken ? *security.threadToken : security.processToken;
  auto attributes = token.PrivilegeAttributes(name);
  return attributes && (*attributes & kSePrivilegeEnabled) != 0;
}

std::optional<std::uint16_t> FakeSystem::GetNativeProcessorArchitecture() {
  m_faults.Check("GetNativeSystemInfo");
  return architecture;
}

std::uint32_t FakeSystem::QueryModuleFileName(wchar_t* buffer, std::uint32_t size) {
  if (auto error = m_faults.Check("GetModuleFileNameW")) {
    m_lastError = *error;
    return 0;
  }
  return CopyOut(moduleFileName, buffer, size, true);
}

std::uint32_t FakeSystem::QueryWindowsDirectory(wchar_t* buffer, std::uint32_t size) {
  if (auto error = m_faults.Check("GetWindowsDirectoryW")) {
    m_lastError = *error;
    return 0;
  }
  return CopyOut(sessionWindowsDirectory.empty() ? windowsDirectory : sessionWindowsDirectory,
                 buffer, size, false);
}

std::uint32_t FakeSystem::QuerySystemWindowsDirectory(wchar_t* buffer, std::uint32_t size) {
  if (auto error = m_faults.Check("GetSystemWindowsDirectoryW")) {
    m_lastError = *error;
    return 0;
  }
  return CopyOut(windowsDirectory, buffer, size, false);
}

bool FakeSystem::RequestShutdown(const wchar_t* message, std::uint32_t timeoutSeconds,
                                 bool forceAppsClosed, bool rebootAfterShutdown) {
  if (auto error = m_faults.Check("InitiateSystemShutdownW")) {
    m_lastError = *error;
    return false;
  }
  if (m_pSecurity != nullptr && !IsPrivilegeEnabled(*m_pSecurity, L"SeShutdownPrivilege")) {
    m_lastError = kErrorPrivilegeNotHeld;
    return false;
  }
  shutdownRequests.push_back(ShutdownRequest{message ? message : L"", timeoutSeconds,
                                             forceAppsClosed, rebootAfterShutdown});
  return true;
}

MutexHandle FakeSystem::CreateNamedMutex(const wchar_t* name, bool* existed) {
  if (auto error = m_faults.Check("CreateMutexW")) {
    m_lastError = *error;
    return 0;
  }
  const std::wstring wanted = name != nullptr ? name : L"";
  bool found = mutexesHeldElsewhere.count(wanted) != 0;
  for (const auto& [handle, held] : m_mutexes) found = found || held == wanted;
  *existed = found;
  m_lastError = found ? kErrorAlreadyExists : kErrorSuccess;
  const MutexHandle handle = m_nextMutex;
  m_nextMutex += 4;
  m_mutexes[handle] = wanted;
  return handle;
}

bool FakeSystem::CloseMutex(MutexHandle mutex) {
  if (auto error = m_faults.Check("CloseHandle")) {
    m_lastError = *error;
    return false;
  }
  if (m_mutexes.erase(mutex) == 0) {
    m_lastError = kErrorInvalidHandle;
    return false;
  }
  return true;
}

}  // namespace platform::fake
