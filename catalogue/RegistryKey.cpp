#include "catalogue/RegistryKey.h"

#include "platform/Platform.h"

using platform::Status;

namespace {
platform::IRegistry& Registry() { return platform::Current().Registry(); }
constexpr std::uint32_t kCharBytes = sizeof(wchar_t);
}  // namespace

CRegistryKey::~CRegistryKey() { Close(); }

Status CRegistryKey::Open(platform::KeyHandle root, const wchar_t* subKey, std::uint32_t access) {
  Close();
  platform::KeyHandle opened = 0;
  Status status = Registry().OpenKey(root, subKey, 0, access, &opened);
  m_hKey = status == platform::kErrorSuccess ? opened : 0;
  return status;
}

Status CRegistryKey::OpenForBackupRestore(platform::KeyHandle root, const wchar_t* subKey) {
  Close();
  platform::KeyHandle opened = 0;
  Status status =
      Registry().CreateKey(root, subKey, platform::kRegOptionBackupRestore, 0, &opened, nullptr);
  m_hKey = status == platform::kErrorSuccess ? opened : 0;
  return status;
}

Status CRegistryKey::Close() {
  if (m_hKey == 0) return platform::kErrorSuccess;
  Status status = Registry().CloseKey(m_hKey);
  m_hKey = 0;
  return status;
}

Status CRegistryKey::EnumValue(CRegistryBuffer& name, std::uint32_t& index) {
  if (index == 0) {
    // Size the name buffer for the longest name once, before the first read.
    std::uint32_t longest = 0;
    if (Registry().QueryMaxValueNameLength(m_hKey, &longest) == platform::kErrorSuccess) {
      std::uint64_t needed = (static_cast<std::uint64_t>(longest) + 1) * kCharBytes;
      if (needed > name.Capacity() && needed <= UINT32_MAX) {
        name.Reserve(static_cast<std::uint32_t>(needed));
      }
    }
  }
  std::uint32_t room = name.Capacity() / kCharBytes;
  std::uint32_t thisIndex = index++;
  std::uint32_t count = room;
  Status status = Registry().EnumValue(m_hKey, thisIndex, reinterpret_cast<wchar_t*>(name.Data()),
                                       &count, &name.type);
  if (status == platform::kErrorSuccess && count <= room) name.size = count * kCharBytes;
  return status;
}

Status CRegistryKey::QueryValue(const wchar_t* valueName, CRegistryBuffer& data) {
  std::uint32_t bytes = data.Capacity();
  Status status = Registry().QueryValue(m_hKey, valueName, &data.type, data.Data(), &bytes);
  if (status == platform::kErrorSuccess && bytes <= data.Capacity()) {
    data.size = bytes;
    return platform::kErrorSuccess;
  }
  if (status != platform::kErrorSuccess && status != platform::kErrorMoreData &&
      bytes <= data.Capacity()) {
    return status;
  }
  // Too small (or no storage yet): grow once to the reported length and read again.
  if (bytes > data.Capacity()) data.Reserve(bytes);
  bytes = data.Capacity();
  status = Registry().QueryValue(m_hKey, valueName, &data.type, data.Data(), &bytes);
  if (status != platform::kErrorSuccess) return status;
  if (bytes <= data.Capacity()) data.size = bytes;
  return platform::kErrorSuccess;
}
