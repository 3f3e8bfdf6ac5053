#include <windows.h>

#include <shellapi.h>

#include "platform/win32/Win32Platform.h"

namespace platform::win32 {

std::intptr_t Win32Shell::OpenWithShell(const wchar_t* verb, const wchar_t* file) {
  return reinterpret_cast<std::intptr_t>(
      ::ShellExecuteW(nullptr, verb, file, nullptr, nullptr, SW_SHOWNORMAL));
}

}  // namespace platform::win32
