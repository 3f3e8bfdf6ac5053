#pragma once
// A reader for one registry key: open it, walk its values by a running index,
// read one value's data into a buffer that grows on demand. Results are the
// platform's error codes; nothing throws.
#include <cstdint>

#include "catalogue/RegistryBuffer.h"
#include "platform/Win32Constants.h"

class CRegistryKey {
 public:
  CRegistryKey() = default;
  virtual ~CRegistryKey();
  CRegistryKey(const CRegistryKey&) = delete;
  CRegistryKey& operator=(const CRegistryKey&) = delete;

  // Closes any key held, then opens root\subKey. A failed open leaves the object closed.
  platform::Status Open(platform::KeyHandle root, const wchar_t* subKey, std::uint32_t access);
  // Closes any key held, then RegCreateKeyExW of root\subKey with backup and
  // restore semantics: the access comes from the privileges switched on, so the
  // mask is 0.
  platform::Status OpenForBackupRestore(platform::KeyHandle root, const wchar_t* subKey);
  // The platform's result, or 0 when nothing was open.
  platform::Status Close();
  // Reads the name and type of the value at `index` into `name` and advances
  // `index` whatever the outcome. ERROR_NO_MORE_ITEMS marks the end.
  platform::Status EnumValue(CRegistryBuffer& name, std::uint32_t& index);
  // Reads a value's data and type, growing `data` once when it is too small.
  platform::Status QueryValue(const wchar_t* valueName, CRegistryBuffer& data);

  bool IsOpen() const { return m_hKey != 0; }
  platform::KeyHandle Get() const { return m_hKey; }

 private:
  platform::KeyHandle m_hKey = 0;
};
