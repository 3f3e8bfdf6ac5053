#include "catalogue/DriveMap.h"

#include <algorithm>
#include <cwchar>
#include <string_view>

#include "catalogue/AsciiFold.h"
#include "platform/Platform.h"

namespace {

// 26 roots of four characters ("C:\" and its terminator) and the closing terminator.
constexpr std::uint32_t kDriveStringsLength = 105;
constexpr std::uint32_t kDeviceBufferLength = 260;

bool DeviceClaims(std::wstring_view fileName, std::wstring_view device) {
  if (!StartsWithAsciiNoCase(fileName, device)) return false;
  // A device name that is only the first part of another one's (HarddiskVolume1
  // of HarddiskVolume10) is no match: the name must go on at a folder boundary.
  return fileName.size() == device.size() || fileName[device.size()] == L'\\';
}

}  // namespace

DriveMap BuildDriveMap() {
  DriveMap map;
  platform::IVolumes& volumes = platform::Current().Volumes();
  wchar_t roots[kDriveStringsLength + 1] = {};
  const std::uint32_t written = volumes.QueryLogicalDriveStrings(kDriveStringsLength, roots);
  // 0 is a failure; more than the buffer holds is the size it would have needed,
  // and the buffer then holds nothing usable.
  if (written == 0 || written > kDriveStringsLength) return map;

  std::uint32_t at = 0;
  while (at < written && roots[at] != L'\0') {
    const std::size_t length = std::wcslen(roots + at);
    std::wstring drive(roots + at, length);
    at += static_cast<std::uint32_t>(length) + 1;
    if (drive.back() == L'\\') drive.pop_back();

    wchar_t device[kDeviceBufferLength] = {};
    if (volumes.QueryDosDeviceName(drive.c_str(), device, kDeviceBufferLength) == 0) continue;
    const auto deviceLength =
        static_cast<std::size_t>(std::find(device, device + kDeviceBufferLength, L'\0') - device);
    // An empty device name would be a prefix of every file name.
    if (deviceLength == 0) continue;
    map.push_back({CString(std::move(drive)), CString(device, deviceLength)});
  }
  return map;
}

CString TranslateDevicePath(const wchar_t* kernelFileName, const DriveMap& map) {
  std::wstring_view fileName = kernelFileName != nullptr ? kernelFileName : L"";
  for (const DriveMapEntry& entry : map) {
    std::wstring_view device = entry.device.str();
    if (device.empty() || !DeviceClaims(fileName, device)) continue;
    return entry.drive + CString(std::wstring(fileName.substr(device.size())));
  }
  return CString(std::wstring(fileName));
}
