#include <windows.h>

#include "platform/win32/Win32Platform.h"
#include "platform/win32/SecurityAttributes.h"

namespace platform::win32 {

namespace {
HKEY ToHkey(KeyHandle key) { return reinterpret_cast<HKEY>(key); }
KeyHandle FromHkey(HKEY key) { return reinterpret_cast<KeyHandle>(key); }
Status ToStatus(LSTATUS status) { return static_cast<Status>(status); }
}  // namespace

Status Win32Registry::OpenKey(KeyHandle root, const wchar_t* subKey, std::uint32_t options,
                              std::uint32_t access, KeyHandle* result) {
  HKEY key = nullptr;
  LSTATUS status = ::RegOpenKeyExW(ToHkey(root), subKey, options, access, &key);
  *result = FromHkey(key);
  return ToStatus(status);
}

Status Win32Registry::CreateKey(KeyHandle root, const wchar_t* subKey, std::uint32_t options,
                                std::uint32_t access, KeyHandle* result,
                                std::uint32_t* disposition) {
  HKEY key = nullptr;
  DWORD made = 0;
  LSTATUS status =
      ::RegCreateKeyExW(ToHkey(root), subKey, 0, nullptr, options, access, nullptr, &key, &made);
  *result = FromHkey(key);
  if (disposition != nullptr) *disposition = made;
  return ToStatus(status);
}

Status Win32Registry::CloseKey(KeyHandle key) { return ToStatus(::RegCloseKey(ToHkey(key))); }

Status Win32Registry::QueryMaxValueNameLength(KeyHandle key, std::uint32_t* maxValueNameLength) {
  DWORD length = 0;
  LSTATUS status = ::RegQueryInfoKeyW(ToHkey(key), nullptr, nullptr, nullptr, nullptr, nullptr,
                                      nullptr, nullptr, &length, nullptr, nullptr, nullptr);
  *maxValueNameLength = length;
  return ToStatus(status);
}

Status Win32Registry::EnumValue(KeyHandle key, std::uint32_t index, wchar_t* name,
                                std::uint32_t* nameLength, std::uint32_t* type) {
  DWORD length = *nameLength;
  DWORD valueType = 0;
  LSTATUS status =
      ::RegEnumValueW(ToHkey(key), index, name, &length, nullptr, &valueType, nullptr, nullptr);
  *nameLength = length;
  if (type != nullptr) *type = valueType;
  return ToStatus(status);
}

Status Win32Registry::QueryValue(KeyHandle key, const wchar_t* valueName, std::uint32_t* type,
                                 std::uint8_t* data, std::uint32_t* byteCount) {
  DWORD valueType = 0;
  DWORD bytes = byteCount != nullptr ? *byteCount : 0;
  LSTATUS status = ::RegQueryValueExW(ToHkey(key), valueName, nullptr, &valueType, data,
                                      byteCount != nullptr ? &bytes : nullptr);
  if (type != nullptr) *type = valueType;
  if (byteCount != nullptr) *byteCount = bytes;
  return ToStatus(status);
}

Status Win32Registry::SetValue(KeyHandle key, const wchar_t* valueName, std::uint32_t type,
                               const std::uint8_t* data, std::uint32_t byteCount) {
  return ToStatus(::RegSetValueExW(ToHkey(key), valueName, 0, type, data, byteCount));
}

Status Win32Registry::DeleteValue(KeyHandle key, const wchar_t* valueName) {
  return ToStatus(::RegDeleteValueW(ToHkey(key), valueName));
}

Status Win32Registry::DeleteKey(KeyHandle root, const wchar_t* subKey) {
  return ToStatus(::RegDeleteKeyW(ToHkey(root), subKey));
}

Status Win32Registry::FlushKey(KeyHandle key) { return ToStatus(::RegFlushKey(ToHkey(key))); }

Status Win32Registry::SaveKey(KeyHandle key, const wchar_t* file) {
  return ToStatus(::RegSaveKeyW(ToHkey(key), file, nullptr));
}

Status Win32Registry::SaveKeyWithSecurity(KeyHandle key, const wchar_t* file,
                                          const std::vector<std::uint8_t>& descriptor,
                                          std::uint32_t flags) {
  CSecurityAttributes attributes(descriptor);
  return ToStatus(::RegSaveKeyExW(ToHkey(key), file, attributes.Get(), flags));
}

Status Win32Registry::EnumSubkey(KeyHandle key, std::uint32_t index, wchar_t* name,
                                 std::uint32_t* nameLength) {
  DWORD length = *nameLength;
  LSTATUS status =
      ::RegEnumKeyExW(ToHkey(key), index, name, &length, nullptr, nullptr, nullptr, nullptr);
  *nameLength = length;
  return ToStatus(status);
}

Status Win32Registry::QueryKeyVolatile(KeyHandle key, bool* isVolatile) {
  // KEY_FLAGS_INFORMATION of NtQueryKey (class KeyFlagsInformation); ntdll has
  // no import library entry for it in every MinGW, and older systems lack the class.
  struct KeyFlagsInformation {
    ULONG wow64Flags;
    ULONG keyFlags;
    ULONG controlFlags;
  };
  constexpr ULONG kKeyFlagsInformationClass = 5;
  constexpr ULONG kRegFlagVolatile = 0x1;
  using NtQueryKeyFunction = LONG(WINAPI*)(HANDLE, ULONG, PVOID, ULONG, PULONG);
  HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  FARPROC address = ntdll != nullptr ? ::GetProcAddress(ntdll, "NtQueryKey") : nullptr;
  if (address == nullptr) return ERROR_CALL_NOT_IMPLEMENTED;
  auto function = reinterpret_cast<NtQueryKeyFunction>(reinterpret_cast<void*>(address));
  KeyFlagsInformation information{};
  ULONG returned = 0;
  LONG status = function(reinterpret_cast<HANDLE>(key), kKeyFlagsInformationClass, &information,
                         sizeof information, &returned);
  if (status != 0 || returned < sizeof information) return ERROR_CALL_NOT_IMPLEMENTED;
  *isVolatile = (information.keyFlags & kRegFlagVolatile) != 0;
  return ERROR_SUCCESS;
}

Status Win32Registry::ReplaceKey(KeyHandle key, const wchar_t* subKey, const wchar_t* newFile,
                                 const wchar_t* oldFile) {
  return ToStatus(::RegReplaceKeyW(ToHkey(key), subKey, newFile, oldFile));
}

Status Win32Registry::LoadAppKey(const wchar_t* file, std::uint32_t access, KeyHandle* result) {
  HKEY key = nullptr;
  LSTATUS status = ::RegLoadAppKeyW(file, &key, access, REG_PROCESS_APPKEY, 0);
  *result = FromHkey(key);
  return ToStatus(status);
}

Status Win32Registry::LoadKey(KeyHandle root, const wchar_t* subKey, const wchar_t* file) {
  return ToStatus(::RegLoadKeyW(ToHkey(root), subKey, file));
}

Status Win32Registry::UnloadKey(KeyHandle root, const wchar_t* subKey) {
  return ToStatus(::RegUnLoadKeyW(ToHkey(root), subKey));
}

}  // namespace platform::win32
