#pragma once
// The fake Windows' logical drives and their DOS device names.
#include <string>
#include <vector>

#include "platform/IVolumes.h"
#include "platform/fake/FakeSystem.h"
#include "platform/fake/FaultPlan.h"

namespace platform::fake {

struct FakeDrive {
  std::wstring root;                  // as GetLogicalDriveStringsW lists it, normally "C:\"
  std::vector<std::wstring> devices;  // QueryDosDeviceW's targets; none: the query fails
};

class FakeVolumes : public IVolumes {
 public:
  FakeVolumes(FaultPlan& faults, FakeSystem& system) : m_faults(faults), m_system(system) {}

  std::uint32_t QueryLogicalDriveStrings(std::uint32_t bufferLength, wchar_t* buffer) override;
  std::uint32_t QueryDosDeviceName(const wchar_t* deviceName, wchar_t* targetPath,
                                   std::uint32_t maxChars) override;

  std::vector<FakeDrive> drives = {{L"C:\\", {L"\\Device\\HarddiskVolume1"}}};

 private:
  FaultPlan& m_faults;
  FakeSystem& m_system;
};

}  // namespace platform::fake
