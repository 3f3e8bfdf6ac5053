#pragma once
// The fake Windows' registry: a tree of keys below HKEY_LOCAL_MACHINE and
// HKEY_USERS with case-insensitive names, values kept in the order they were
// first written (the order RegEnumValueW walks them), open key handles with
// their access masks, and the hive operations of a run (backup-semantics opens,
// saves, scheduled replacements). A hive is a key mounted on a file; saves and
// replacements work on the fake file system.
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/IRegistry.h"
#include "platform/fake/FakeFileSystem.h"
#include "platform/fake/FakeSecurity.h"
#include "platform/fake/FaultPlan.h"

namespace platform::fake {

struct FakeValue {
  std::wstring name;
  std::uint32_t type = kRegNone;
  std::vector<std::uint8_t> data;
};

struct FakeKey {
  std::wstring name;
  FakeKey* parent = nullptr;
  std::vector<std::unique_ptr<FakeKey>> subkeys;
  std::vector<FakeValue> values;
  bool deleted = false;
  bool isVolatile = false;        // lives in memory only: saves leave it out
  std::wstring hiveFile;          // set on a hive's root key: the file the hive lives in
  std::uint64_t compactSize = 0;  // the size of the file a save of this hive writes
  // What the seam has no call for (RegSetKeySecurity, a class given at
  // creation); tests set them as another program would, and saves keep them.
  std::vector<std::uint8_t> className;
  std::vector<std::uint8_t> security;

  FakeKey* FindSubkey(const std::wstring& childName) const;
  FakeValue* FindValue(const std::wstring& valueName);
};

// One RegReplaceKeyW the platform accepted: at the next start the hive's file
// moves to `oldFile` and `newFile` becomes the hive's file.
struct ScheduledReplacement {
  std::wstring hiveFile;
  std::wstring newFile;
  std::wstring oldFile;
};

class FakeRegistry : public IRegistry {
 public:
  // The size of a saved file when the test chose none.
  static constexpr std::uint64_t kDefaultSavedSize = 256 * 1024;

  FakeRegistry(FaultPlan& faults, FakeSecurity& security, FakeFileSystem& files);
  ~FakeRegistry() override;

  Status OpenKey(KeyHandle root, const wchar_t* subKey, std::uint32_t options, std::uint32_t access,
                 KeyHandle* result) override;
  Status CreateKey(KeyHandle root, const wchar_t* subKey, std::uint32_t options,
                   std::uint32_t access, KeyHandle* result, std::uint32_t* disposition) override;
  Status CloseKey(KeyHandle key) override;
  Status QueryMaxValueNameLength(KeyHandle key, std::uint32_t* maxValueNameLength) override;
  Status EnumValue(KeyHandle key, std::uint32_t index, wchar_t* name, std::uint32_t* nameLength,
                   std::uint32_t* type) override;
  Status QueryValue(KeyHandle key, const wchar_t* valueName, std::uint32_t* type,
                    std::uint8_t* data, std::uint32_t* byteCount) override;
  Status SetValue(KeyHandle key, const wchar_t* valueName, std::uint32_t type,
                  const std::uint8_t* data, std::uint32_t byteCount) override;
  Status DeleteValue(KeyHandle key, const wchar_t* valueName) override;
  Status DeleteKey(KeyHandle root, const wchar_t* subKey) override;
  Status FlushKey(KeyHandle key) override;
  // Needs SeBackupPrivilege switched on; any open key saves its branch. The
  // file must not exist and its folder must. Writes `compactSize` bytes for a
  // hive's root key, kDefaultSavedSize for any other key.
  Status SaveKey(KeyHandle key, const wchar_t* file) override;
  // As SaveKey, writing the real hive file of the key's content (SavedHiveBytes)
  // with the descriptor given, or the folder's when none is.
  Status SaveKeyWithSecurity(KeyHandle key, const wchar_t* file,
                             const std::vector<std::uint8_t>& descriptor,
                             std::uint32_t flags) override;
  Status EnumSubkey(KeyHandle key, std::uint32_t index, wchar_t* name,
                    std::uint32_t* nameLength) override;
  // Answers the key's isVolatile, or ERROR_CALL_NOT_IMPLEMENTED when
  // `keyFlagsAvailable` is false (Wine, which lacks the information class).
  Status QueryKeyVolatile(KeyHandle key, bool* isVolatile) override;
  // Needs SeRestorePrivilege switched on and a hive's root key (with subKey, the
  // key below it). The new file must exist and not be open; the old file's name
  // must be free in an existing folder. Windows renames both files at once and
  // keeps using the open hive; the fake records the swap, which
  // FakeWindows::Restart applies.
  Status ReplaceKey(KeyHandle key, const wchar_t* subKey, const wchar_t* newFile,
                    const wchar_t* oldFile) override;
  // Reads the file through the hive reader (ERROR_BADDB when it does not take
  // it) and holds it (FakeFileSystem::heldBySystem) until the hive unloads:
  // for a private load, when the last handle into it closes.
  Status LoadAppKey(const wchar_t* file, std::uint32_t access, KeyHandle* result) override;
  Status LoadKey(KeyHandle root, const wchar_t* subKey, const wchar_t* file) override;
  // Fails with ERROR_ACCESS_DENIED while a handle into the hive is open.
  Status UnloadKey(KeyHandle root, const wchar_t* subKey) override;
  // Hives RegLoadAppKeyW loaded and not yet unloaded.
  std::size_t PrivateHiveCount() const { return m_privateHives.size(); }

  // Set-up and inspection for tests, bypassing handles, access and faults.
  FakeKey& EnsureKey(KeyHandle root, const std::wstring& path);
  FakeKey* FindKey(KeyHandle root, const std::wstring& path) const;
  void PutValue(KeyHandle root, const std::wstring& path, const std::wstring& name,
                std::uint32_t type, std::vector<std::uint8_t> data);
  // A REG_SZ value stored with its terminator, as RegSetValueExW callers do.
  void PutString(KeyHandle root, const std::wstring& path, const std::wstring& name,
                 const std::wstring& text, std::uint32_t type = kRegSz);
  std::optional<FakeValue> GetValue(KeyHandle root, const std::wstring& path,
                                    const std::wstring& name) const;
  std::size_t OpenHandleCount() const { return m_open.size(); }
  // Makes root\keyName a hive living in `filePath`; a save of it writes
  // `compactSize` bytes. The file and the hive list are FakeWindows::MountHive's.
  void MountHive(KeyHandle root, const std::wstring& keyName, const std::wstring& filePath,
                 std::uint64_t compactSize = kDefaultSavedSize);

  // The replacements accepted since the last start, in order.
  std::vector<ScheduledReplacement> scheduledReplacements;
  bool keyFlagsAvailable = true;
  // Every file a RegSaveKeyW or RegSaveKeyExW call wrote, in order.
  std::vector<std::wstring> savedFiles;

  // Called after every QueryValue has answered, with the value's name: lets a
  // test change the registry between two reads.
  std::function<void(const std::wstring&)> afterQueryValue;

 private:
  struct OpenKeyRecord {
    FakeKey* key;
    std::uint32_t access;
    bool backupRestore;
  };
  FakeKey* RootOf(KeyHandle root) const;
  FakeKey* Walk(FakeKey* from, const std::wstring& path, bool create);
  FakeKey* BaseOf(KeyHandle handle);  // a root or an open handle's key
  OpenKeyRecord* Record(KeyHandle handle);
  KeyHandle NewHandle(FakeKey* key, std::uint32_t access, bool backupRestore);
  Status AccessFor(KeyHandle handle, std::uint32_t needed, FakeKey** key);
  // What every save refuses before it writes: a bad handle or file name, an unknown
  // format, a missing folder, an existing file, no backup privilege.
  Status CheckSave(KeyHandle handle, const wchar_t* file, std::uint32_t flags, FakeKey** key);
  // Fills `root` from the hive file and holds the file; the error otherwise.
  Status LoadFile(const wchar_t* file, FakeKey& root);
  void ReleaseFile(const FakeKey& root);
  bool HasHandleInto(const FakeKey& root) const;

  FaultPlan& m_faults;
  FakeSecurity& m_security;
  FakeFileSystem& m_files;
  std::unique_ptr<FakeKey> m_localMachine;
  std::unique_ptr<FakeKey> m_users;
  std::map<KeyHandle, OpenKeyRecord> m_open;
  std::vector<std::unique_ptr<FakeKey>> m_deletedKeys;
  std::vector<std::unique_ptr<FakeKey>> m_privateHives;
  std::map<const FakeKey*, std::uint64_t> m_heldFiles;  // a loaded hive's root: its file's index
  KeyHandle m_nextHandle = 0x1000;
};

// A text value's data as the bytes of its wide characters, terminator included.
// On Windows that is UTF-16; natively wchar_t is wider, and the code above the
// seam depends only on code units, so the fake stores native wide characters.
std::vector<std::uint8_t> WideBytes(const std::wstring& text, bool withTerminator = true);
// The text of REG_SZ data (up to the first terminator or the end).
std::wstring TextOfBytes(const std::vector<std::uint8_t>& data);

}  // namespace platform::fake
