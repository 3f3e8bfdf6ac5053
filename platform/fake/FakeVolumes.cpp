#include "platform/fake/FakeVolumes.h"

#include "platform/fake/CaseFold.h"

namespace platform::fake {

std::uint32_t FakeVolumes::QueryLogicalDriveStrings(std::uint32_t bufferLength, wchar_t* buffer) {
  if (auto error = m_faults.Check("GetLogicalDriveStringsW")) {
    m_system.SetLastError(*error);
    return 0;
  }
  std::wstring run;
  for (const FakeDrive& drive : drives) {
    run += drive.root;
    run.push_back(L'\0');
  }
  auto needed = static_cast<std::uint32_t>(run.size());  // without the closing terminator
  if (needed + 1 > bufferLength) return needed + 1;
  for (std::size_t i = 0; i < run.size(); ++i) buffer[i] = run[i];
  buffer[run.size()] = L'\0';
  return needed;
}

std::uint32_t FakeVolumes::QueryDosDeviceName(const wchar_t* deviceName, wchar_t* targetPath,
                                              std::uint32_t maxChars) {
  if (auto error = m_faults.Check("QueryDosDeviceW")) {
    m_system.SetLastError(*error);
    return 0;
  }
  std::wstring name = deviceName ? deviceName : L"";
  for (const FakeDrive& drive : drives) {
    std::wstring driveName = drive.root;
    if (!driveName.empty() && driveName.back() == L'\\') driveName.pop_back();
    if (!EqualFolded(driveName, name) || drive.devices.empty()) continue;
    std::wstring run;
    for (const std::wstring& device : drive.devices) {
      run += device;
      run.push_back(L'\0');
    }
    run.push_back(L'\0');
    if (run.size() > maxChars) {
      m_system.SetLastError(kErrorInsufficientBuffer);
      return 0;
    }
    for (std::size_t i = 0; i < run.size(); ++i) targetPath[i] = run[i];
    return static_cast<std::uint32_t>(run.size());
  }
  m_system.SetLastError(kErrorFileNotFound);
  return 0;
}

}  // namespace platform::fake
