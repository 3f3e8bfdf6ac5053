#include "compaction/RunLock.h"

#include <cstdint>

#include "platform/Platform.h"

namespace {

constexpr wchar_t kLockName[] = L"Global\\Kelvaro.Run";
// The programs that take the lock, by the file names they ship under.
constexpr const wchar_t* kPrograms[] = {L"Kelvaro.exe", L"Kelvaro64.exe", L"kelvaro-hive.exe"};
constexpr std::uint32_t kModulePathBufferLength = 260;

std::wstring HolderName(const std::wstring& program) {
  return std::wstring(kLockName) + L"." + program;
}

// The running program's file name, as one of kPrograms spells it.
std::wstring ThisProgram() {
  wchar_t path[kModulePathBufferLength] = {};
  const std::uint32_t length =
      platform::Current().System().QueryModuleFileName(path, kModulePathBufferLength);
  if (length == 0 || length >= kModulePathBufferLength) return L"";
  const std::wstring full(path, length);
  return full.substr(full.find_last_of(L'\\') + 1);
}

// Whether a mutex of the name stands now; asking makes one for a moment.
bool Stands(const std::wstring& name) {
  platform::ISystem& system = platform::Current().System();
  bool existed = false;
  platform::ScopedMutex probe(system, system.CreateNamedMutex(name.c_str(), &existed));
  return probe.IsOpen() && existed;
}

}  // namespace

RunLock::RunLock() : m_lock(platform::Current().System()), m_name(platform::Current().System()) {
  platform::ISystem& system = platform::Current().System();
  bool existed = false;
  m_lock.Reset(system.CreateNamedMutex(kLockName, &existed));
  if (!m_lock.IsOpen()) return;
  if (existed) {
    m_lock.Close();
    for (const wchar_t* program : kPrograms) {
      if (Stands(HolderName(program))) m_holder = program;
    }
    return;
  }
  m_held = true;
  const std::wstring program = ThisProgram();
  if (!program.empty())
    m_name.Reset(system.CreateNamedMutex(HolderName(program).c_str(), &existed));
}
