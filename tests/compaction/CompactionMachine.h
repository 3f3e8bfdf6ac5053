#pragma once
// A fake machine with hives loaded from files, the catalogue's records for them,
// and the look-ups the compaction tests check against.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "catalogue/HiveRecords.h"
#include "compaction/CompactionRun.h"
#include "platform/Platform.h"
#include "tests/support/FakeMachine.h"
#include "tests/support/Narrow.h"

namespace compaction_test {

constexpr std::uint64_t kKiB = 1024;
constexpr std::uint64_t kMiB = 1024 * kKiB;
inline const std::wstring kTempFolder = L"C:\\Users\\Admin\\AppData\\Local\\Temp";
inline const std::wstring kBackupFolder = L"C:\\Windows\\Kelvaro Backup";
// The first run's backups on a fresh machine.
inline const std::wstring kRunBackupFolder = kBackupFolder + L"\\Run-1";
// The first run's own folder on a fresh machine.
inline const std::wstring kRunFolder = L"C:\\Windows\\Kelvaro\\Run-1";
inline const std::wstring kShutdownMessage = L"Kelvaro restarts the computer.";

struct HiveSetUp {
  platform::KeyHandle root;
  std::wstring name;  // user form, HKLM\SOFTWARE
  std::wstring file;
  std::uint64_t size;
  std::uint64_t compactSize;
};

// HKLM\SOFTWARE, HKLM\SYSTEM, HKLM\SAM, HKU\.DEFAULT and HKU\S-1-5-20.
const std::vector<HiveSetUp>& StandardHives();

class CompactionMachine {
 public:
  CompactionMachine();
  CompactionMachine(const CompactionMachine&) = delete;
  CompactionMachine& operator=(const CompactionMachine&) = delete;

  // Loads one more hive and gives it a record.
  void Mount(const HiveSetUp& hive);
  // Loads a hive from a real hive file with a value and one subkey per name of
  // `topLevel`, and a large value the live key has since lost, so that a save
  // is smaller than the file and differs from it in content.
  void MountRealHive(platform::KeyHandle root, const std::wstring& name, const std::wstring& file,
                     const std::vector<std::wstring>& topLevel);
  // A record of the main list that no hive stands behind (a name the catalogue
  // would never make, or a hive whose file is gone).
  void AddRecord(const std::wstring& name, const std::wstring& file, std::uint64_t size);
  const HiveEntry& Entry(const std::wstring& name) const;
  const HiveSetUp& Hive(const std::wstring& name) const;

  // Rows in the given display order; a leading '-' leaves the row unticked.
  std::vector<CompactionRow> Rows(const std::vector<std::wstring>& names) const;
  CompactionOutcome Run(const std::vector<std::wstring>& names, bool showResults = true);

  // Leaves a file where a copy or a backup of a hive would go.
  void AddLeftover(const std::wstring& path, bool readOnly);

  static std::wstring CompactCopy(const std::wstring& leaf) { return kRunFolder + L"\\" + leaf; }
  static std::wstring TempFile(const std::wstring& leaf) { return kTempFolder + L"\\" + leaf; }
  // The size of the hive file a save of the hive's key writes now.
  std::uint64_t SavedSize(const std::wstring& name) const;
  static std::wstring BackupFile(const std::wstring& leaf) {
    return kRunBackupFolder + L"\\" + leaf;
  }

  bool HasStartupValue() const;
  // C:\Windows, the fake machine's Windows folder.
  static CPathName WindowsFolder();
  // Every file on C:, by path in lower case, with its size.
  std::map<std::wstring, std::uint64_t> Files() const;
  bool PrivilegeOn(const std::wstring& name) const;

  test_support::FakeMachine fake;

 private:
  std::vector<HiveSetUp> m_hives;
  std::vector<std::pair<std::wstring, std::unique_ptr<HiveEntry>>> m_records;
};

using test_support::Narrow;
// ASCII letters in lower case, as Files() keys its paths.
std::wstring Lower(std::wstring text);

}  // namespace compaction_test
