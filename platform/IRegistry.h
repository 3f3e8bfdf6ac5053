#pragma once
// Registry operations (advapi32). Each mirrors one Win32 function; results are
// Win32 error codes. Handles are the platform's own; roots are kHKeyLocalMachine
// and kHKeyUsers.
#include <cstdint>
#include <vector>

#include "platform/Win32Constants.h"

namespace platform {

class IRegistry {
 public:
  virtual ~IRegistry() = default;

  // RegOpenKeyExW.
  virtual Status OpenKey(KeyHandle root, const wchar_t* subKey, std::uint32_t options,
                         std::uint32_t access, KeyHandle* result) = 0;
  // RegCreateKeyExW with no class and no security attributes; disposition may be null.
  virtual Status CreateKey(KeyHandle root, const wchar_t* subKey, std::uint32_t options,
                           std::uint32_t access, KeyHandle* result, std::uint32_t* disposition) = 0;
  // RegCloseKey.
  virtual Status CloseKey(KeyHandle key) = 0;
  // RegQueryInfoKeyW asking only for the longest value name, in characters
  // without the terminator.
  virtual Status QueryMaxValueNameLength(KeyHandle key, std::uint32_t* maxValueNameLength) = 0;
  // RegEnumValueW reading the name and type only. nameLength is in characters:
  // in, the room including the terminator; out, the name's length without it.
  virtual Status EnumValue(KeyHandle key, std::uint32_t index, wchar_t* name,
                           std::uint32_t* nameLength, std::uint32_t* type) = 0;
  // RegQueryValueExW. byteCount: in, the room in data; out, the value's length.
  virtual Status QueryValue(KeyHandle key, const wchar_t* valueName, std::uint32_t* type,
                            std::uint8_t* data, std::uint32_t* byteCount) = 0;
  // RegSetValueExW.
  virtual Status SetValue(KeyHandle key, const wchar_t* valueName, std::uint32_t type,
                          const std::uint8_t* data, std::uint32_t byteCount) = 0;
  // RegDeleteValueW.
  virtual Status DeleteValue(KeyHandle key, const wchar_t* valueName) = 0;
  // RegDeleteKeyW (the key must have no subkeys).
  virtual Status DeleteKey(KeyHandle root, const wchar_t* subKey) = 0;
  // RegFlushKey.
  virtual Status FlushKey(KeyHandle key) = 0;
  // RegSaveKeyW with no security attributes.
  virtual Status SaveKey(KeyHandle key, const wchar_t* file) = 0;
  // RegSaveKeyExW with a format flag (kRegLatestFormat, kRegStandardFormat) and
  // the self-relative descriptor as security attributes (none when empty).
  virtual Status SaveKeyWithSecurity(KeyHandle key, const wchar_t* file,
                                     const std::vector<std::uint8_t>& descriptor,
                                     std::uint32_t flags) = 0;
  // RegEnumKeyExW reading the name only. nameLength as for EnumValue.
  virtual Status EnumSubkey(KeyHandle key, std::uint32_t index, wchar_t* name,
                            std::uint32_t* nameLength) = 0;
  // Whether the open key is volatile: NtQueryKey's key flags, looked up at run
  // time. ERROR_CALL_NOT_IMPLEMENTED when the platform cannot tell.
  virtual Status QueryKeyVolatile(KeyHandle key, bool* isVolatile) = 0;
  // RegReplaceKeyW.
  virtual Status ReplaceKey(KeyHandle key, const wchar_t* subKey, const wchar_t* newFile,
                            const wchar_t* oldFile) = 0;
  // RegLoadAppKeyW with REG_PROCESS_APPKEY: the hive file loaded where no
  // other process sees it, the handle its root. The system holds the file
  // without sharing until the last handle into the hive is closed; a file in
  // use fails with ERROR_SHARING_VIOLATION.
  virtual Status LoadAppKey(const wchar_t* file, std::uint32_t access, KeyHandle* result) = 0;
  // RegLoadKeyW: the hive file mounted as root\subKey (root HKU or HKLM); the
  // caller needs SeBackupPrivilege and SeRestorePrivilege enabled.
  virtual Status LoadKey(KeyHandle root, const wchar_t* subKey, const wchar_t* file) = 0;
  // RegUnLoadKeyW of a hive LoadKey mounted; same privileges.
  virtual Status UnloadKey(KeyHandle root, const wchar_t* subKey) = 0;
};

}  // namespace platform
