#include "platform/fake/FakeRegistry.h"

#include <cstring>
#include <cwchar>
#include <stdexcept>

#include "platform/RegistryKeyPaths.h"
#include "platform/fake/CaseFold.h"
#include "platform/fake/FakeHiveBytes.h"

namespace platform::fake {

namespace {

std::vector<std::wstring> SplitPath(const std::wstring& path) {
  std::vector<std::wstring> parts;
  std::wstring current;
  for (wchar_t ch : path) {
    if (ch == L'\\') {
      if (!current.empty()) parts.push_back(current);
      current.clear();
    } else {
      current.push_back(ch);
    }
  }
  if (!current.empty()) parts.push_back(current);
  return parts;
}

// The folder a file path names its file in: C:\a\b => C:\a, C:\b => C:\,
// b => . (the current folder).
std::wstring ParentFolderOf(std::wstring path) {
  for (wchar_t& ch : path) {
    if (ch == L'/') ch = L'\\';
  }
  auto last = path.rfind(L'\\');
  if (last == std::wstring::npos) return L".";
  std::wstring parent = path.substr(0, last);
  if (parent.size() == 2 && parent[1] == L':') parent += L'\\';
  return parent;
}
}  // namespace

std::vector<std::uint8_t> WideBytes(const std::wstring& text, bool withTerminator) {
  std::size_t units = text.size() + (withTerminator ? 1 : 0);
  std::vector<std::uint8_t> bytes(units * sizeof(wchar_t));
  std::memcpy(bytes.data(), text.c_str(), bytes.size());
  return bytes;
}

std::wstring TextOfBytes(const std::vector<std::uint8_t>& data) {
  std::wstring text(data.size() / sizeof(wchar_t), L'\0');
  if (!text.empty()) std::memcpy(text.data(), data.data(), text.size() * sizeof(wchar_t));
  auto end = text.find(L'\0');
  if (end != std::wstring::npos) text.resize(end);
  return text;
}

FakeKey* FakeKey::FindSubkey(const std::wstring& childName) const {
  for (const auto& child : subkeys) {
    if (EqualFolded(child->name, childName)) return child.get();
  }
  return nullptr;
}

FakeValue* FakeKey::FindValue(const std::wstring& valueName) {
  for (FakeValue& value : values) {
    if (EqualFolded(value.name, valueName)) return &value;
  }
  return nullptr;
}

FakeRegistry::FakeRegistry(FaultPlan& faults, FakeSecurity& security, FakeFileSystem& files)
    : m_faults(faults),
      m_security(security),
      m_files(files),
      m_localMachine(std::make_unique<FakeKey>()),
      m_users(std::make_unique<FakeKey>()) {
  m_localMachine->name = L"HKEY_LOCAL_MACHINE";
  m_users->name = L"HKEY_USERS";
  EnsureKey(kHKeyLocalMachine, kHiveListKey);
  EnsureKey(kHKeyLocalMachine, kRunKey);
  EnsureKey(kHKeyLocalMachine, kRunOnceKey);
}

FakeRegistry::~FakeRegistry() = default;

FakeKey* FakeRegistry::RootOf(KeyHandle root) const {
  if (root == kHKeyLocalMachine) return m_localMachine.get();
  if (root == kHKeyUsers) return m_users.get();
  return nullptr;
}

FakeKey* FakeRegistry::Walk(FakeKey* from, const std::wstring& path, bool create) {
  FakeKey* key = from;
  for (const std::wstring& part : SplitPath(path)) {
    FakeKey* child = key->FindSubkey(part);
    if (child == nullptr) {
      if (!create) return nullptr;
      auto made = std::make_unique<FakeKey>();
      made->name = part;
      made->parent = key;
      child = made.get();
      key->subkeys.push_back(std::move(made));
    }
    key = child;
  }
  return key;
}

FakeRegistry::OpenKeyRecord* FakeRegistry::Record(KeyHandle handle) {
  auto found = m_open.find(handle);
  return found == m_open.end() ? nullptr : &found->second;
}

FakeKey* FakeRegistry::BaseOf(KeyHandle handle) {
  if (FakeKey* root = RootOf(handle)) return root;
  OpenKeyRecord* record = Record(handle);
  return record == nullptr ? nullptr : record->key;
}

KeyHandle FakeRegistry::NewHandle(FakeKey* key, std::uint32_t access, bool backupRestore) {
  KeyHandle handle = m_nextHandle;
  m_nextHandle += 4;
  m_open[handle] = OpenKeyRecord{key, access, backupRestore};
  return handle;
}

Status FakeRegistry::AccessFor(KeyHandle handle, std::uint32_t needed, FakeKey** key) {
  if (FakeKey* root = RootOf(handle)) {
    *key = root;
    return kErrorSuccess;
  }
  OpenKeyRecord* record = Record(handle);
  if (record == nullptr) return kErrorInvalidHandle;
  if (record->key->deleted) return kErrorKeyDeleted;
  if (!record->backupRestore && (record->access & needed) != needed) return kErrorAccessDenied;
  *key = record->key;
  return kErrorSuccess;
}

Status FakeRegistry::OpenKey(KeyHandle root, const wchar_t* subKey, std::uint32_t /*options*/,
                             std::uint32_t access, KeyHandle* result) {
  if (auto error = m_faults.Check("RegOpenKeyExW")) return *error;
  FakeKey* base = BaseOf(root);
  if (base == nullptr) return kErrorInvalidHandle;
  FakeKey* key = Walk(base, subKey ? subKey : L"", false);
  if (key == nullptr) return kErrorFileNotFound;
  *result = NewHandle(key, access, false);
  return kErrorSuccess;
}

Status FakeRegistry::CreateKey(KeyHandle root, const wchar_t* subKey, std::uint32_t options,
                               std::uint32_t access, KeyHandle* result,
                               std::uint32_t* disposition) {
  if (auto error = m_faults.Check("RegCreateKeyExW")) return *error;
  FakeKey* base = BaseOf(root);
  if (base == nullptr) return kErrorInvalidHandle;
  bool backupRestore = (options & kRegOptionBackupRestore) != 0;
  if (backupRestore && !IsPrivilegeEnabled(m_security, L"SeBackupPrivilege") &&
      !IsPrivilegeEnabled(m_security, L"SeRestorePrivilege")) {
    // Backup semantics need the backup or the restore privilege switched on.
    return kErrorPrivilegeNotHeld;
  }
  std::wstring path = subKey ? subKey : L"";
  bool existed = Walk(base, path, false) != nullptr;
  // HKEY_LOCAL_MACHINE and HKEY_USERS hold only loaded hives: no key can be
  // made directly below them.
  std::vector<std::wstring> parts = SplitPath(path);
  if (!existed && RootOf(root) != nullptr && !parts.empty() &&
      base->FindSubkey(parts.front()) == nullptr) {
    return kErrorAccessDenied;
  }
  FakeKey* key = Walk(base, path, true);
  if (key == base && RootOf(root) != nullptr && !existed) return kErrorBadPathname;
  if (!existed && (options & kRegOptionVolatile) != 0) key->isVolatile = true;
  if (disposition != nullptr) *disposition = existed ? kRegOpenedExistingKey : kRegCreatedNewKey;
  *result = NewHandle(key, access, backupRestore);
  return kErrorSuccess;
}

Status FakeRegistry::CloseKey(KeyHandle key) {
  if (auto error = m_faults.Check("RegCloseKey")) return *error;
  if (RootOf(key) != nullptr) return kErrorSuccess;
  OpenKeyRecord* record = Record(key);
  if (record == nullptr) return kErrorInvalidHandle;
  const FakeKey* hive = record->key;
  while (hive->parent != nullptr) hive = hive->parent;
  m_open.erase(key);
  // A private hive unloads with the last handle into it.
  for (auto at = m_privateHives.begin(); at != m_privateHives.end(); ++at) {
    if (at->get() == hive && !HasHandleInto(*hive)) {
      ReleaseFile(*hive);
      m_privateHives.erase(at);
      break;
    }
  }
  return kErrorSuccess;
}

Status FakeRegistry::QueryMaxValueNameLength(KeyHandle handle, std::uint32_t* maxValueNameLength) {
  if (auto error = m_faults.Check("RegQueryInfoKeyW")) return *error;
  FakeKey* key = nullptr;
  if (Status status = AccessFor(handle, kKeyQueryValue, &key)) return status;
  std::size_t longest = 0;
  for (const FakeValue& value : key->values) longest = std::max(longest, value.name.size());
  *maxValueNameLength = static_cast<std::uint32_t>(longest);
  return kErrorSuccess;
}

Status FakeRegistry::EnumValue(KeyHandle handle, std::uint32_t index, wchar_t* name,
                               std::uint32_t* nameLength, std::uint32_t* type) {
  if (auto error = m_faults.Check("RegEnumValueW")) return *error;
  FakeKey* key = nullptr;
  if (Status status = AccessFor(handle, kKeyQueryValue, &key)) return status;
  if (index >= key->values.size()) return kErrorNoMoreItems;
  const FakeValue& value = key->values[index];
  // The name must fit with its terminator; the length is left alone otherwise.
  if (name == nullptr || value.name.size() + 1 > *nameLength) return kErrorMoreData;
  std::memcpy(name, value.name.c_str(), (value.name.size() + 1) * sizeof(wchar_t));
  *nameLength = static_cast<std::uint32_t>(value.name.size());
  if (type != nullptr) *type = value.type;
  return kErrorSuccess;
}

Status FakeRegistry::QueryValue(KeyHandle handle, const wchar_t* valueName, std::uint32_t* type,
                                std::uint8_t* data, std::uint32_t* byteCount) {
  Status status = kErrorSuccess;
  std::wstring name = valueName ? valueName : L"";
  if (auto error = m_faults.Check("RegQueryValueExW")) {
    status = *error;
  } else {
    FakeKey* key = nullptr;
    status = AccessFor(handle, kKeyQueryValue, &key);
    FakeValue* value = status == kErrorSuccess ? key->FindValue(name) : nullptr;
    if (status == kErrorSuccess && value == nullptr) status = kErrorFileNotFound;
    if (status == kErrorSuccess) {
      auto size = static_cast<std::uint32_t>(value->data.size());
      if (type != nullptr) *type = value->type;
      if (data != nullptr && byteCount != nullptr && *byteCount < size) {
        status = kErrorMoreData;
      } else if (data != nullptr && size > 0) {
        std::memcpy(data, value->data.data(), size);
      }
      if (byteCount != nullptr) *byteCount = size;
    }
  }
  if (afterQueryValue) afterQueryValue(name);
  return status;
}

Status FakeRegistry::SetValue(KeyHandle handle, const wchar_t* valueName, std::uint32_t type,
                              const std::uint8_t* data, std::uint32_t byteCount) {
  if (auto error = m_faults.Check("RegSetValueExW")) return *error;
  FakeKey* key = nullptr;
  if (Status status = AccessFor(handle, kKeySetValue, &key)) return status;
  std::wstring name = valueName ? valueName : L"";
  std::vector<std::uint8_t> bytes(data, data + (data ? byteCount : 0));
  if (FakeValue* value = key->FindValue(name)) {
    value->type = type;
    value->data = std::move(bytes);
  } else {
    key->values.push_back(FakeValue{name, type, std::move(bytes)});
  }
  return kErrorSuccess;
}

Status FakeRegistry::DeleteValue(KeyHandle handle, const wchar_t* valueName) {
  if (auto error = m_faults.Check("RegDeleteValueW")) return *error;
  FakeKey* key = nullptr;
  if (Status status = AccessFor(handle, kKeySetValue, &key)) return status;
  std::wstring name = valueName ? valueName : L"";
  for (auto it = key->values.begin(); it != key->values.end(); ++it) {
    if (EqualFolded(it->name, name)) {
      key->values.erase(it);
      return kErrorSuccess;
    }
  }
  return kErrorFileNotFound;
}

Status FakeRegistry::DeleteKey(KeyHandle root, const wchar_t* subKey) {
  if (auto error = m_faults.Check("RegDeleteKeyW")) return *error;
  FakeKey* base = BaseOf(root);
  if (base == nullptr) return kErrorInvalidHandle;
  FakeKey* key = Walk(base, subKey ? subKey : L"", false);
  if (key == nullptr) return kErrorFileNotFound;
  if (key->parent == nullptr) return kErrorAccessDenied;
  if (!key->subkeys.empty()) return kErrorAccessDenied;
  auto& siblings = key->parent->subkeys;
  for (auto it = siblings.begin(); it != siblings.end(); ++it) {
    if (it->get() == key) {
      // Open handles keep the dead key: later calls through them fail as on Windows.
      key->deleted = true;
      m_deletedKeys.push_back(std::move(*it));
      siblings.erase(it);
      return kErrorSuccess;
    }
  }
  return kErrorFileNotFound;
}

Status FakeRegistry::FlushKey(KeyHandle handle) {
  if (auto error = m_faults.Check("RegFlushKey")) return *error;
  FakeKey* key = nullptr;
  return AccessFor(handle, 0, &key);
}

Status FakeRegistry::CheckSave(KeyHandle handle, const wchar_t* file, std::uint32_t flags,
                               FakeKey** key) {
  // The kernel asks for the caller's privilege, not for rights on the handle.
  if (Status status = AccessFor(handle, 0, key)) return status;
  if (file == nullptr || *file == L'\0') return kErrorPathNotFound;
  if (flags != kRegStandardFormat && flags != kRegLatestFormat) return kErrorInvalidParameter;
  std::wstring path = file;
  std::uint32_t folder = m_files.AttributesOf(ParentFolderOf(path));
  if (folder == kInvalidFileAttributes || (folder & kFileAttributeDirectory) == 0) {
    return kErrorPathNotFound;
  }
  // The file is created as a new one: Windows never overwrites.
  if (m_files.Exists(path)) return kErrorAlreadyExists;
  if (!IsPrivilegeEnabled(m_security, L"SeBackupPrivilege")) return kErrorPrivilegeNotHeld;
  return kErrorSuccess;
}

Status FakeRegistry::SaveKey(KeyHandle handle, const wchar_t* file) {
  if (auto error = m_faults.Check("RegSaveKeyW")) return *error;
  FakeKey* key = nullptr;
  if (Status status = CheckSave(handle, file, kRegStandardFormat, &key)) return status;
  const std::wstring path = file;
  std::uint64_t size = key->hiveFile.empty() ? kDefaultSavedSize : key->compactSize;
  try {
    m_files.AddFile(path, size);
  } catch (const std::invalid_argument&) {
    return kErrorInvalidName;
  }
  savedFiles.push_back(path);
  return kErrorSuccess;
}

Status FakeRegistry::SaveKeyWithSecurity(KeyHandle handle, const wchar_t* file,
                                         const std::vector<std::uint8_t>& descriptor,
                                         std::uint32_t flags) {
  if (auto error = m_faults.Check("RegSaveKeyExW")) return *error;
  FakeKey* key = nullptr;
  if (Status status = CheckSave(handle, file, flags, &key)) return status;
  const std::wstring path = file;
  try {
    m_files.WriteFile(path, SavedHiveBytes(*key, flags));
    if (!descriptor.empty()) m_files.SetSecurity(path, descriptor);
  } catch (const std::invalid_argument&) {
    return kErrorInvalidName;
  }
  savedFiles.push_back(path);
  return kErrorSuccess;
}

Status FakeRegistry::EnumSubkey(KeyHandle handle, std::uint32_t index, wchar_t* name,
                                std::uint32_t* nameLength) {
  if (auto error = m_faults.Check("RegEnumKeyExW")) return *error;
  FakeKey* key = nullptr;
  if (Status status = AccessFor(handle, kKeyEnumerateSubKeys, &key)) return status;
  if (name == nullptr || nameLength == nullptr) return kErrorInvalidParameter;
  std::vector<const FakeKey*> live;
  for (const auto& subkey : key->subkeys) {
    if (!subkey->deleted) live.push_back(subkey.get());
  }
  if (index >= live.size()) return kErrorNoMoreItems;
  const std::wstring& found = live[index]->name;
  if (*nameLength <= found.size()) return kErrorMoreData;
  std::copy(found.begin(), found.end(), name);
  name[found.size()] = L'\0';
  *nameLength = static_cast<std::uint32_t>(found.size());
  return kErrorSuccess;
}

Status FakeRegistry::QueryKeyVolatile(KeyHandle handle, bool* isVolatile) {
  if (auto error = m_faults.Check("NtQueryKey")) return *error;
  FakeKey* key = nullptr;
  if (Status status = AccessFor(handle, 0, &key)) return status;
  if (!keyFlagsAvailable) return kErrorCallNotImplemented;
  *isVolatile = key->isVolatile;
  return kErrorSuccess;
}

Status FakeRegistry::ReplaceKey(KeyHandle handle, const wchar_t* subKey, const wchar_t* newFile,
                                const wchar_t* oldFile) {
  if (auto error = m_faults.Check("RegReplaceKeyW")) return *error;
  FakeKey* key = nullptr;
  if (Status status = AccessFor(handle, 0, &key)) return status;
  if (subKey != nullptr && *subKey != L'\0') {
    key = Walk(key, subKey, false);
    if (key == nullptr) return kErrorFileNotFound;
  }
  if (!IsPrivilegeEnabled(m_security, L"SeRestorePrivilege")) return kErrorPrivilegeNotHeld;
  if (key->hiveFile.empty()) return kErrorInvalidParameter;  // not a hive's root key
  if (newFile == nullptr || oldFile == nullptr) return kErrorInvalidParameter;
  std::uint32_t attributes = m_files.AttributesOf(newFile);
  if (attributes == kInvalidFileAttributes || (attributes & kFileAttributeDirectory) != 0) {
    return kErrorFileNotFound;
  }
  std::uint32_t folder = m_files.AttributesOf(ParentFolderOf(oldFile));
  if (folder == kInvalidFileAttributes || (folder & kFileAttributeDirectory) == 0) {
    return kErrorPathNotFound;
  }
  if (m_files.Exists(oldFile)) return kErrorAlreadyExists;
  // The kernel opens the new file for itself alone.
  if (m_files.IsOpenExclusively(newFile)) return kErrorSharingViolation;
  scheduledReplacements.push_back(ScheduledReplacement{key->hiveFile, newFile, oldFile});
  return kErrorSuccess;
}

void FakeRegistry::MountHive(KeyHandle root, const std::wstring& keyName,
                             const std::wstring& filePath, std::uint64_t compactSize) {
  FakeKey& key = EnsureKey(root, keyName);
  key.hiveFile = filePath;
  key.compactSize = compactSize;
}

FakeKey& FakeRegistry::EnsureKey(KeyHandle root, const std::wstring& path) {
  return *Walk(RootOf(root), path, true);
}

FakeKey* FakeRegistry::FindKey(KeyHandle root, const std::wstring& path) const {
  FakeKey* key = RootOf(root);
  for (const std::wstring& part : SplitPath(path)) {
    if (key == nullptr) return nullptr;
    key = key->FindSubkey(part);
  }
  return key;
}

void FakeRegistry::PutValue(KeyHandle root, const std::wstring& path, const std::wstring& name,
                            std::uint32_t type, std::vector<std::uint8_t> data) {
  FakeKey& key = EnsureKey(root, path);
  if (FakeValue* value = key.FindValue(name)) {
    value->type = type;
    value->data = std::move(data);
  } else {
    key.values.push_back(FakeValue{name, type, std::move(data)});
  }
}

void FakeRegistry::PutString(KeyHandle root, const std::wstring& path, const std::wstring& name,
                             const std::wstring& text, std::uint32_t type) {
  PutValue(root, path, name, type, WideBytes(text));
}

std::optional<FakeValue> FakeRegistry::GetValue(KeyHandle root, const std::wstring& path,
                                                const std::wstring& name) const {
  FakeKey* key = FindKey(root, path);
  if (key == nullptr) return std::nullopt;
  FakeValue* value = key->FindValue(name);
  if (value == nullptr) return std::nullopt;
  return *value;
}

Status FakeRegistry::LoadFile(const wchar_t* file, FakeKey& root) {
  if (file == nullptr || !m_files.Exists(file)) return kErrorFileNotFound;
  const std::uint64_t index = m_files.FileIndexOf(file);
  // The kernel opens the file for itself alone.
  if (m_files.IsOpenExclusively(file) || m_files.hostileWriters.count(index) != 0 ||
      m_files.heldBySystem.count(index) != 0) {
    return kErrorSharingViolation;
  }
  std::optional<std::vector<std::uint8_t>> bytes = m_files.ReadFile(file);
  if (!bytes || !LoadHiveBytes(*bytes, root)) return kErrorBadDb;
  root.hiveFile = file;
  m_files.heldBySystem.insert(index);
  m_heldFiles[&root] = index;
  return kErrorSuccess;
}

void FakeRegistry::ReleaseFile(const FakeKey& root) {
  auto held = m_heldFiles.find(&root);
  if (held == m_heldFiles.end()) return;
  m_files.heldBySystem.erase(held->second);
  m_heldFiles.erase(held);
}

bool FakeRegistry::HasHandleInto(const FakeKey& root) const {
  for (const auto& [handle, record] : m_open) {
    for (const FakeKey* key = record.key; key != nullptr; key = key->parent) {
      if (key == &root) return true;
    }
  }
  return false;
}

Status FakeRegistry::LoadAppKey(const wchar_t* file, std::uint32_t access, KeyHandle* result) {
  if (auto error = m_faults.Check("RegLoadAppKeyW")) return *error;
  auto root = std::make_unique<FakeKey>();
  // Windows names a private hive's root after a GUID of its own choosing.
  root->name = L"{6F2B0C1E-4B59-4D0A-9E55-5B1F2C3D4E5F}";
  if (Status status = LoadFile(file, *root)) return status;
  *result = NewHandle(root.get(), access, false);
  m_privateHives.push_back(std::move(root));
  return kErrorSuccess;
}

Status FakeRegistry::LoadKey(KeyHandle root, const wchar_t* subKey, const wchar_t* file) {
  if (auto error = m_faults.Check("RegLoadKeyW")) return *error;
  FakeKey* base = RootOf(root);
  if (base == nullptr || subKey == nullptr || *subKey == L'\0' || std::wcschr(subKey, L'\\')) {
    return kErrorInvalidParameter;
  }
  if (!IsPrivilegeEnabled(m_security, L"SeBackupPrivilege") ||
      !IsPrivilegeEnabled(m_security, L"SeRestorePrivilege")) {
    return kErrorPrivilegeNotHeld;
  }
  if (base->FindSubkey(subKey) != nullptr) return kErrorAccessDenied;
  auto mounted = std::make_unique<FakeKey>();
  mounted->name = subKey;
  mounted->parent = base;
  if (Status status = LoadFile(file, *mounted)) return status;
  base->subkeys.push_back(std::move(mounted));
  return kErrorSuccess;
}

Status FakeRegistry::UnloadKey(KeyHandle root, const wchar_t* subKey) {
  if (auto error = m_faults.Check("RegUnLoadKeyW")) return *error;
  FakeKey* base = RootOf(root);
  if (base == nullptr || subKey == nullptr) return kErrorInvalidParameter;
  if (!IsPrivilegeEnabled(m_security, L"SeBackupPrivilege") ||
      !IsPrivilegeEnabled(m_security, L"SeRestorePrivilege")) {
    return kErrorPrivilegeNotHeld;
  }
  for (auto at = base->subkeys.begin(); at != base->subkeys.end(); ++at) {
    if (!EqualFolded((*at)->name, subKey)) continue;
    if (m_heldFiles.count(at->get()) == 0) return kErrorInvalidParameter;  // not a loaded hive
    if (HasHandleInto(**at)) return kErrorAccessDenied;
    ReleaseFile(**at);
    base->subkeys.erase(at);
    return kErrorSuccess;
  }
  return kErrorFileNotFound;
}

}  // namespace platform::fake
