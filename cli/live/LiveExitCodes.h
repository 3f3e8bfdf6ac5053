#pragma once
// The live commands' exit codes: the installer conventions deployment tools
// read (msiexec's ERROR_SUCCESS_REBOOT_REQUIRED and ERROR_SUCCESS_REBOOT_INITIATED).
inline constexpr int kExitDone = 0;
inline constexpr int kExitNothingDone = 1;
inline constexpr int kExitFailed = 2;
inline constexpr int kExitNotElevated = 5;  // ERROR_ACCESS_DENIED
inline constexpr int kExitBadUsage = 87;    // ERROR_INVALID_PARAMETER
inline constexpr int kExitRestartStarted = 1641;
inline constexpr int kExitRestartNeeded = 3010;
