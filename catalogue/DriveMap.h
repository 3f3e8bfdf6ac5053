#pragma once
// Which kernel device each drive letter stands for, to turn the kernel's file
// names (\Device\HarddiskVolume1\...) into the user's (C:\...).
#include <vector>

#include "platform/CString.h"

struct DriveMapEntry {
  CString drive;   // the drive root without its trailing backslash: "C:"
  CString device;  // the drive's first DOS device target: "\Device\HarddiskVolume1"
};

// In the order the platform lists the drives. A drive without a device has no entry.
using DriveMap = std::vector<DriveMapEntry>;

// Reads the logical drives and each one's device. A failed drive query gives an
// empty map.
DriveMap BuildDriveMap();

// The file name with the first matching entry's device replaced by its drive, or
// unchanged when no entry matches. A device matches when the name begins with it
// (A-Z folded) and goes on with a backslash or ends there, so that
// \Device\HarddiskVolume1 does not claim \Device\HarddiskVolume10\...
CString TranslateDevicePath(const wchar_t* kernelFileName, const DriveMap& map);
