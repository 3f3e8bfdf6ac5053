#pragma once
// Logical drives and DOS device names (kernel32).
#include <cstdint>

namespace platform {

class IVolumes {
 public:
  virtual ~IVolumes() = default;

  // GetLogicalDriveStringsW: a run of zero-terminated roots closed by an empty
  // string. Returns the characters written without the last terminator, the size
  // needed when the buffer is too small, or 0 on failure.
  virtual std::uint32_t QueryLogicalDriveStrings(std::uint32_t bufferLength, wchar_t* buffer) = 0;
  // QueryDosDeviceW: the device's targets as a run of zero-terminated texts;
  // characters stored, 0 on failure.
  virtual std::uint32_t QueryDosDeviceName(const wchar_t* deviceName, wchar_t* targetPath,
                                           std::uint32_t maxChars) = 0;
};

}  // namespace platform
