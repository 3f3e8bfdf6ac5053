#pragma once
// The registry keys the program reads and writes, each under HKEY_LOCAL_MACHINE.
namespace platform {

// One value per loaded hive: the hive's kernel name and its file's device path.
inline constexpr wchar_t kHiveListKey[] = L"SYSTEM\\CurrentControlSet\\Control\\hivelist";
// Programs started once at the next logon, each value deleted as it starts.
inline constexpr wchar_t kRunOnceKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
// Programs started at every logon.
inline constexpr wchar_t kRunKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

}  // namespace platform
