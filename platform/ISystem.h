#pragma once
// Process and machine facts (kernel32).
#include <cstdint>
#include <optional>

#include "platform/Types.h"
#include "platform/Win32Constants.h"

namespace platform {

// What GetSystemTime reports: the time now, in UTC.
struct UtcTime {
  std::uint16_t year = 0;
  std::uint16_t month = 0;
  std::uint16_t day = 0;
  std::uint16_t hour = 0;
  std::uint16_t minute = 0;
  std::uint16_t second = 0;
};

class ISystem {
 public:
  virtual ~ISystem() = default;

  // GetNativeSystemInfo looked up at run time in kernel32.dll: the processor
  // architecture it reports, or nothing when the function does not exist.
  virtual std::optional<std::uint16_t> GetNativeProcessorArchitecture() = 0;
  // GetLastError of the calling thread.
  virtual Status GetLastError() = 0;
  // SetLastError of the calling thread.
  virtual void SetLastError(Status error) = 0;
  // GetModuleFileNameW of the running program: characters copied, 0 on failure.
  virtual std::uint32_t QueryModuleFileName(wchar_t* buffer, std::uint32_t size) = 0;
  // GetWindowsDirectoryW: characters copied, or the size needed, 0 on failure.
  virtual std::uint32_t QueryWindowsDirectory(wchar_t* buffer, std::uint32_t size) = 0;
  // GetSystemWindowsDirectoryW: the machine's Windows folder even on a
  // session host, where GetWindowsDirectoryW may answer a per-user one.
  virtual std::uint32_t QuerySystemWindowsDirectory(wchar_t* buffer, std::uint32_t size) = 0;
  // GetSystemTime.
  virtual UtcTime QueryUtcTime() = 0;
  // CreateMutexW, not owned, no security attributes: a handle to the named
  // mutex, 0 on failure. `existed` learns whether the name stood already
  // (ERROR_ALREADY_EXISTS): the object lives while any handle to it is open.
  virtual MutexHandle CreateNamedMutex(const wchar_t* name, bool* existed) = 0;
  // CloseHandle of a mutex.
  virtual bool CloseMutex(MutexHandle mutex) = 0;
  // InitiateSystemShutdownW on the local computer.
  virtual bool RequestShutdown(const wchar_t* message, std::uint32_t timeoutSeconds,
                               bool forceAppsClosed, bool rebootAfterShutdown) = 0;
};

}  // namespace platform
