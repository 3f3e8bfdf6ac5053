#pragma once
// One open registry key, closed when the holder goes. Results are the platform's
// error codes; a failed open leaves the holder closed.
#include <cstdint>

#include "platform/Types.h"

class CScopedKey {
 public:
  CScopedKey() = default;
  ~CScopedKey();
  CScopedKey(const CScopedKey&) = delete;
  CScopedKey& operator=(const CScopedKey&) = delete;

  // RegOpenKeyExW of root\subKey with `access`.
  platform::Status Open(platform::KeyHandle root, const wchar_t* subKey, std::uint32_t access);
  // RegCreateKeyExW of root\subKey with backup and restore semantics: the access
  // comes from the privileges switched on, so the mask is 0.
  platform::Status OpenForBackupRestore(platform::KeyHandle root, const wchar_t* subKey);
  void Close();

  bool IsOpen() const { return m_bOpen; }
  platform::KeyHandle Get() const { return m_hKey; }

 private:
  platform::KeyHandle m_hKey = 0;
  bool m_bOpen = false;
};
