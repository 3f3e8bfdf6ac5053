#include <windows.h>

#include "platform/win32/Win32Platform.h"

namespace platform::win32 {

std::optional<std::uint16_t> Win32System::GetNativeProcessorArchitecture() {
  // Looked up at run time: Windows 2000 has no GetNativeSystemInfo.
  using NativeSystemInfoFunction = void(WINAPI*)(LPSYSTEM_INFO);
  HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
  if (kernel == nullptr) return std::nullopt;
  FARPROC address = ::GetProcAddress(kernel, "GetNativeSystemInfo");
  if (address == nullptr) return std::nullopt;
  auto function = reinterpret_cast<NativeSystemInfoFunction>(reinterpret_cast<void*>(address));
  SYSTEM_INFO info{};
  function(&info);
  return info.wProcessorArchitecture;
}

Status Win32System::GetLastError() { return ::GetLastError(); }

void Win32System::SetLastError(Status error) { ::SetLastError(error); }

std::uint32_t Win32System::QueryModuleFileName(wchar_t* buffer, std::uint32_t size) {
  return ::GetModuleFileNameW(nullptr, buffer, size);
}

std::uint32_t Win32System::QueryWindowsDirectory(wchar_t* buffer, std::uint32_t size) {
  return ::GetWindowsDirectoryW(buffer, size);
}

std::uint32_t Win32System::QuerySystemWindowsDirectory(wchar_t* buffer, std::uint32_t size) {
  return ::GetSystemWindowsDirectoryW(buffer, size);
}

UtcTime Win32System::QueryUtcTime() {
  SYSTEMTIME now{};
  ::GetSystemTime(&now);
  return UtcTime{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

MutexHandle Win32System::CreateNamedMutex(const wchar_t* name, bool* existed) {
  HANDLE mutex = ::CreateMutexW(nullptr, FALSE, name);
  *existed = mutex != nullptr && ::GetLastError() == ERROR_ALREADY_EXISTS;
  return reinterpret_cast<MutexHandle>(mutex);
}

bool Win32System::CloseMutex(MutexHandle mutex) {
  return ::CloseHandle(reinterpret_cast<HANDLE>(mutex)) != FALSE;
}

bool Win32System::RequestShutdown(const wchar_t* message, std::uint32_t timeoutSeconds,
                                  bool forceAppsClosed, bool rebootAfterShutdown) {
  return ::InitiateSystemShutdownW(nullptr, const_cast<wchar_t*>(message), timeoutSeconds,
                                   forceAppsClosed ? TRUE : FALSE,
                                   rebootAfterShutdown ? TRUE : FALSE) != FALSE;
}

}  // namespace platform::win32
