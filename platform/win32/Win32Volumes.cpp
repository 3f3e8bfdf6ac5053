#include <windows.h>

#include "platform/win32/Win32Platform.h"

namespace platform::win32 {

std::uint32_t Win32Volumes::QueryLogicalDriveStrings(std::uint32_t bufferLength, wchar_t* buffer) {
  return ::GetLogicalDriveStringsW(bufferLength, buffer);
}

std::uint32_t Win32Volumes::QueryDosDeviceName(const wchar_t* deviceName, wchar_t* targetPath,
                                               std::uint32_t maxChars) {
  return ::QueryDosDeviceW(deviceName, targetPath, maxChars);
}

}  // namespace platform::win32
