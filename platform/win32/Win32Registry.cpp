#include <windows.h>

#include "platform/win32/Win32Platform.h"

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
  LSTATUS status = ::RegCreateKeyExW(ToHkey(root), subKey, 0, nullptr, options, access, nullptr,
                                     &key, &made);
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
  LSTATUS status = ::RegEnumValueW(ToHkey(key), index, name, &length, nullptr, &valueType,
                                   nullptr, nullptr);
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

Status Win32Registry::ReplaceKey(KeyHandle key, const wchar_t* subKey, const wchar_t* newFile,
                                 const wchar_t* oldFile) {
  return ToStatus(::RegReplaceKeyW(ToHkey(key), subKey, newFile, oldFile));
}

}  // namespace platform::win32
