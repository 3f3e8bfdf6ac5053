// The calls the compaction run makes to keep its copies its own: folders made
// with a descriptor, descriptors read back, file facts by name and by handle,
// exclusive opens and reads through them; and the registry's subkey
// enumeration and volatile flag.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "platform/SecurityDescriptor.h"
#include "tests/contract/ContractFiles.h"
#include "tests/contract/ContractPlatform.h"
#include "tests/contract/FolderPerTest.h"
#include "tests/support/Narrow.h"

namespace {

using namespace platform;
using test_support::Narrow;

class SafeFilesContract : public contract::FolderPerTest {
 protected:
  std::wstring File(const std::wstring& name, const std::vector<std::uint8_t>& bytes) {
    std::wstring path = Made(name, false);
    EXPECT_TRUE(contract::MakeFileWithBytes(path, bytes));
    return path;
  }

  std::vector<std::uint8_t> ReadAll(FileHandle handle) {
    std::vector<std::uint8_t> bytes;
    std::uint8_t chunk[7];
    std::uint32_t read = 0;
    while (Files().ReadFromFile(handle, chunk, sizeof chunk, &read) && read != 0) {
      bytes.insert(bytes.end(), chunk, chunk + read);
    }
    return bytes;
  }
};

TEST_F(SafeFilesContract, FolderWithDescriptorIsMadeOnceAndReadsBackParsable) {
  const std::wstring folder = Folder(L"protected");
  ASSERT_TRUE(Files().MakeDirectoryWithSecurity(folder.c_str(), ProtectedDescriptor()))
      << "error " << System().GetLastError();
  EXPECT_FALSE(Files().MakeDirectoryWithSecurity(folder.c_str(), ProtectedDescriptor()));
  EXPECT_EQ(System().GetLastError(), kErrorAlreadyExists);
  std::vector<std::uint8_t> descriptor;
  ASSERT_TRUE(Files().ReadSecurityDescriptor(folder.c_str(), &descriptor))
      << "error " << System().GetLastError();
  std::optional<DescriptorFacts> facts = ReadDescriptor(descriptor);
  ASSERT_TRUE(facts.has_value());
  // Checked on the fake only: Wine keeps a descriptor only where the Unix file
  // system holds extended attributes, and answers a default one elsewhere.
  if (!contract::OnRealWindows()) {
    EXPECT_TRUE(IsOwnedByAdministration(descriptor));
    EXPECT_FALSE(GrantsModify(descriptor, {UsersSid(), EveryoneSid(), AuthenticatedUsersSid()}));
  }
}

TEST_F(SafeFilesContract, FactsByNameAndByHandleAgree) {
  const std::vector<std::uint8_t> bytes = {'r', 'e', 'g', 'f', 1, 2, 3, 4, 5, 6, 7, 8, 9};
  const std::wstring first = File(L"first", bytes);
  const std::wstring second = File(L"second", {1});
  FileFacts byName;
  FileFacts other;
  ASSERT_TRUE(Files().QueryFileFacts(first.c_str(), &byName));
  ASSERT_TRUE(Files().QueryFileFacts(second.c_str(), &other));
  EXPECT_EQ(byName.size, bytes.size());
  EXPECT_EQ(byName.linkCount, 1u);
  EXPECT_EQ(byName.attributes & (kFileAttributeReparsePoint | kFileAttributeDirectory), 0u);
  EXPECT_EQ(byName.volumeSerialNumber, other.volumeSerialNumber);
  EXPECT_NE(byName.fileIndex, other.fileIndex);

  FileHandle handle = Files().OpenFileExclusive(first.c_str());
  ASSERT_NE(handle, kInvalidFileHandle) << "error " << System().GetLastError();
  FileFacts byHandle;
  EXPECT_TRUE(Files().QueryOpenFileFacts(handle, &byHandle));
  EXPECT_EQ(byHandle.fileIndex, byName.fileIndex);
  EXPECT_EQ(byHandle.size, byName.size);
  EXPECT_EQ(ReadAll(handle), bytes);
  EXPECT_TRUE(Files().CloseFile(handle));

  FileFacts folder;
  ASSERT_TRUE(Files().QueryFileFacts(m_base.c_str(), &folder));
  EXPECT_NE(folder.attributes & kFileAttributeDirectory, 0u);
}

TEST_F(SafeFilesContract, ExclusiveOpenKeepsOthersOut) {
  const std::wstring file = File(L"held", {1, 2, 3});
  FileHandle handle = Files().OpenFileExclusive(file.c_str());
  ASSERT_NE(handle, kInvalidFileHandle);
  // Another reader that shares reading is let in; deleting is not.
  FileHandle reader = Files().OpenFileExclusive(file.c_str());
  EXPECT_NE(reader, kInvalidFileHandle);
  EXPECT_FALSE(Files().RemoveFile(file.c_str()));
  EXPECT_EQ(System().GetLastError(), kErrorSharingViolation);
  // Held as the program's own file is from its start: nobody renames it
  // away, and the holder reads it again from the beginning.
  const std::wstring away = m_base + L"\\held.old";
  EXPECT_FALSE(Files().MoveReplacing(file.c_str(), away.c_str()));
  EXPECT_EQ(ReadAll(handle), (std::vector<std::uint8_t>{1, 2, 3}));
  EXPECT_TRUE(Files().RewindFile(handle));
  EXPECT_EQ(ReadAll(handle), (std::vector<std::uint8_t>{1, 2, 3}));
  // Its descriptor is still reached through a handle of its own, as a
  // loaded hive's file is.
  FileHandle security = Files().OpenForSecurity(file.c_str());
  ASSERT_NE(security, kInvalidFileHandle) << "error " << System().GetLastError();
  std::vector<std::uint8_t> descriptor;
  EXPECT_TRUE(Files().ReadOpenFileSecurity(security, &descriptor));
  EXPECT_TRUE(ReadDescriptor(descriptor).has_value());
  // Checked on the fake only: Wine keeps a descriptor only where the Unix
  // file system holds extended attributes.
  if (!contract::OnRealWindows()) {
    EXPECT_TRUE(Files().WriteOpenFileSecurity(security, ProtectedDescriptor()));
    EXPECT_TRUE(Files().ReadOpenFileSecurity(security, &descriptor));
    EXPECT_EQ(descriptor, ProtectedDescriptor());
  }
  EXPECT_TRUE(Files().CloseFile(security));
  EXPECT_TRUE(Files().CloseFile(handle));
  if (reader != kInvalidFileHandle) {
    EXPECT_TRUE(Files().CloseFile(reader));
  }
  EXPECT_TRUE(Files().RemoveFile(file.c_str()));
}

TEST_F(SafeFilesContract, MissingFilesFailEveryCall) {
  const std::wstring missing = m_base + L"\\missing";
  FileFacts facts;
  std::vector<std::uint8_t> descriptor;
  EXPECT_FALSE(Files().QueryFileFacts(missing.c_str(), &facts));
  EXPECT_EQ(System().GetLastError(), kErrorFileNotFound);
  EXPECT_FALSE(Files().ReadSecurityDescriptor(missing.c_str(), &descriptor));
  EXPECT_EQ(System().GetLastError(), kErrorFileNotFound);
  EXPECT_EQ(Files().OpenFileExclusive(missing.c_str()), kInvalidFileHandle);
  EXPECT_EQ(System().GetLastError(), kErrorFileNotFound);
  const std::wstring orphan = m_base + L"\\none\\x";
  EXPECT_FALSE(Files().MakeDirectoryWithSecurity(orphan.c_str(), ProtectedDescriptor()));
  EXPECT_EQ(System().GetLastError(), kErrorPathNotFound);
}

// As a run's record is brought up to date: a new file, then renamed over the old.
TEST_F(SafeFilesContract, ANewFileIsWrittenWholeNeverOverAnotherAndRenamedOverOne) {
  const std::wstring file = At(L"note.txt");
  const std::vector<std::uint8_t> bytes = {'n', 'o', 't', 'e', '\r', '\n'};
  ASSERT_TRUE(Files().WriteNewFile(file.c_str(), bytes, ProtectedDescriptor()))
      << "error " << System().GetLastError();
  Made(L"note.txt", false);
  EXPECT_FALSE(Files().WriteNewFile(file.c_str(), {'x'}, ProtectedDescriptor()));
  EXPECT_EQ(System().GetLastError(), kErrorFileExists);
  FileHandle handle = Files().OpenFileExclusive(file.c_str());
  ASSERT_NE(handle, kInvalidFileHandle);
  EXPECT_EQ(ReadAll(handle), bytes);
  // Open without delete sharing: the rename must wait.
  const std::wstring next = At(L"note.txt.new");
  ASSERT_TRUE(Files().WriteNewFile(next.c_str(), {'n', 'e', 'w'}, ProtectedDescriptor()));
  Made(L"note.txt.new", false);
  EXPECT_FALSE(Files().MoveReplacing(next.c_str(), file.c_str()));
  Files().CloseFile(handle);
  ASSERT_TRUE(Files().MoveReplacing(next.c_str(), file.c_str()))
      << "error " << System().GetLastError();
  EXPECT_EQ(Files().QueryFileAttributes(next.c_str()), kInvalidFileAttributes);
  handle = Files().OpenFileExclusive(file.c_str());
  ASSERT_NE(handle, kInvalidFileHandle);
  EXPECT_EQ(ReadAll(handle), std::vector<std::uint8_t>({'n', 'e', 'w'}));
  Files().CloseFile(handle);
}

// The swap of a profile's hive: the replacement takes the name, the previous
// file the backup name, in one call that changes nothing while someone holds
// the file without delete sharing (as the kernel holds a loaded hive).
TEST_F(SafeFilesContract, AReplacementTakesTheNameUnlessTheFileIsHeld) {
  const struct {
    const char* scenario;
    bool held;
    Status status;
  } rows[] = {{"nobody holds it", false, kErrorSuccess},
              {"held without delete sharing", true, kErrorSharingViolation}};
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const std::wstring prefix = L"r" + std::to_wstring(i) + L"-";
    const std::wstring live = File(prefix + L"NTUSER.DAT", {'o', 'l', 'd'});
    const std::wstring copy = File(prefix + L"copy", {'n', 'e', 'w'});
    const std::wstring backup = At(prefix + L"backup");
    FileFacts before;
    ASSERT_TRUE(Files().QueryFileFacts(live.c_str(), &before)) << "row " << i;
    FileHandle holder = rows[i].held ? Files().OpenFileExclusive(live.c_str()) : kInvalidFileHandle;
    const Status status = Files().ReplaceKeepingBackup(live.c_str(), copy.c_str(), backup.c_str());
    if (holder != kInvalidFileHandle) Files().CloseFile(holder);
    if (status == kErrorSuccess) Made(prefix + L"backup", false);
    EXPECT_EQ(status, rows[i].status) << "row " << i << ": " << rows[i].scenario;
    const bool swapped = status == kErrorSuccess;
    FileHandle handle = Files().OpenFileExclusive(live.c_str());
    ASSERT_NE(handle, kInvalidFileHandle) << "row " << i << ": the name must hold a file";
    const std::vector<std::uint8_t> expected = swapped ? std::vector<std::uint8_t>{'n', 'e', 'w'}
                                                       : std::vector<std::uint8_t>{'o', 'l', 'd'};
    EXPECT_EQ(ReadAll(handle), expected) << "row " << i << ": " << rows[i].scenario;
    Files().CloseFile(handle);
    EXPECT_EQ(Files().QueryFileAttributes(backup.c_str()) != kInvalidFileAttributes, swapped)
        << "row " << i << ": " << rows[i].scenario;
    EXPECT_EQ(Files().QueryFileAttributes(copy.c_str()) == kInvalidFileAttributes, swapped)
        << "row " << i << ": " << rows[i].scenario;
    FileFacts previous;
    if (swapped && Files().QueryFileFacts(backup.c_str(), &previous)) {
      // The previous file itself moved aside: the one a profile's last look read.
      EXPECT_EQ(previous.fileIndex, before.fileIndex) << "row " << i;
      EXPECT_EQ(previous.lastWriteTime, before.lastWriteTime) << "row " << i;
    }
  }
}

// The run lock: a name that stands is reported as standing while any handle
// to it is open, and is gone with the last one.
TEST_F(SafeFilesContract, ANamedMutexStandsWhileAHandleIsOpen) {
  const std::wstring name = L"Kelvaro.ContractTest";
  bool existed = true;
  MutexHandle first = System().CreateNamedMutex(name.c_str(), &existed);
  ASSERT_NE(first, MutexHandle{0}) << "error " << System().GetLastError();
  EXPECT_FALSE(existed);
  MutexHandle second = System().CreateNamedMutex(name.c_str(), &existed);
  ASSERT_NE(second, MutexHandle{0});
  EXPECT_TRUE(existed);
  EXPECT_TRUE(System().CloseMutex(second));
  EXPECT_TRUE(System().CloseMutex(first));
  MutexHandle third = System().CreateNamedMutex(name.c_str(), &existed);
  ASSERT_NE(third, MutexHandle{0});
  EXPECT_FALSE(existed);
  EXPECT_TRUE(System().CloseMutex(third));
}

TEST_F(SafeFilesContract, AppendsGoToTheEndOfOneFileOnly) {
  const std::wstring file = At(L"log.txt");
  ASSERT_TRUE(Files().AppendToFile(file.c_str(), {'a', 'b'}, ProtectedDescriptor()))
      << "error " << System().GetLastError();
  Made(L"log.txt", false);
  ASSERT_TRUE(Files().AppendToFile(file.c_str(), {'c'}, ProtectedDescriptor()))
      << "error " << System().GetLastError();
  FileHandle handle = Files().OpenFileExclusive(file.c_str());
  ASSERT_NE(handle, kInvalidFileHandle);
  EXPECT_EQ(ReadAll(handle), std::vector<std::uint8_t>({'a', 'b', 'c'}));
  // Held without write sharing: the append must wait its turn, not squeeze in.
  EXPECT_FALSE(Files().AppendToFile(file.c_str(), {'d'}, ProtectedDescriptor()));
  Files().CloseFile(handle);
  const std::wstring folder = Folder(L"not-a-log");
  ASSERT_TRUE(Files().MakeDirectory(folder.c_str()));
  EXPECT_FALSE(Files().AppendToFile(folder.c_str(), {'e'}, ProtectedDescriptor()));
}

TEST(SafeRegistryContract, SubkeysAndTheVolatileFlag) {
  IRegistry& registry = contract::Platform().Registry();
  const std::wstring parent = L"SOFTWARE\\KelvaroSubkeyContract";
  struct Row {
    const wchar_t* name;
    std::uint32_t options;
  };
  const Row rows[] = {{L"Kept", kRegOptionNonVolatile}, {L"InMemory", kRegOptionVolatile}};
  KeyHandle key = 0;
  ASSERT_EQ(registry.CreateKey(kHKeyLocalMachine, parent.c_str(), 0, kKeyAllAccess, &key, nullptr),
            0u);
  for (const Row& row : rows) {
    KeyHandle child = 0;
    ASSERT_EQ(registry.CreateKey(key, row.name, row.options, kKeyAllAccess, &child, nullptr), 0u);
    bool isVolatile = false;
    Status status = registry.QueryKeyVolatile(child, &isVolatile);
    // Wine's NtQueryKey lacks the key-flags class: the platform cannot tell.
    if (status != kErrorCallNotImplemented) {
      EXPECT_EQ(status, kErrorSuccess) << Narrow(row.name);
      EXPECT_EQ(isVolatile, row.options == kRegOptionVolatile) << Narrow(row.name);
    }
    registry.CloseKey(child);
  }
  std::vector<std::wstring> names;
  wchar_t name[8];
  for (std::uint32_t index = 0;; ++index) {
    std::uint32_t length = 8;
    Status status = registry.EnumSubkey(key, index, name, &length);
    if (status == kErrorNoMoreItems) break;
    if (status == kErrorMoreData) {
      names.push_back(L"(too long)");
      continue;
    }
    ASSERT_EQ(status, kErrorSuccess);
    names.push_back(std::wstring(name, length));
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::wstring>{L"(too long)", L"Kept"}));
  for (const Row& row : rows) registry.DeleteKey(key, row.name);
  registry.CloseKey(key);
  EXPECT_EQ(registry.DeleteKey(kHKeyLocalMachine, parent.c_str()), 0u);
}

}  // namespace
