#include "compaction/ScopedKey.h"

#include "platform/Platform.h"

namespace {
platform::IRegistry& Registry() { return platform::Current().Registry(); }
}  // namespace

CScopedKey::~CScopedKey() { Close(); }

platform::Status CScopedKey::Open(platform::KeyHandle root, const wchar_t* subKey,
                                  std::uint32_t access) {
  Close();
  platform::KeyHandle key = 0;
  platform::Status status = Registry().OpenKey(root, subKey, 0, access, &key);
  if (status == platform::kErrorSuccess) {
    m_hKey = key;
    m_bOpen = true;
  }
  return status;
}

platform::Status CScopedKey::OpenForBackupRestore(platform::KeyHandle root, const wchar_t* subKey) {
  Close();
  platform::KeyHandle key = 0;
  platform::Status status =
      Registry().CreateKey(root, subKey, platform::kRegOptionBackupRestore, 0, &key, nullptr);
  if (status == platform::kErrorSuccess) {
    m_hKey = key;
    m_bOpen = true;
  }
  return status;
}

void CScopedKey::Close() {
  if (!m_bOpen) return;
  Registry().CloseKey(m_hKey);
  m_hKey = 0;
  m_bOpen = false;
}
