#include "tests/compaction/CompactionMachine.h"

#include <stdexcept>

#include "compaction/ProgramCopy.h"
#include "compaction/ResumeRegistration.h"
#include "platform/fake/CaseFold.h"
#include "platform/fake/FakeHiveBytes.h"

namespace compaction_test {

using platform::kHKeyLocalMachine;
using platform::kHKeyUsers;

const std::vector<HiveSetUp>& StandardHives() {
  static const std::vector<HiveSetUp> hives = {
      {kHKeyLocalMachine, L"HKLM\\SOFTWARE", L"C:\\Windows\\System32\\config\\SOFTWARE", 40 * kMiB,
       28 * kMiB},
      {kHKeyLocalMachine, L"HKLM\\SYSTEM", L"C:\\Windows\\System32\\config\\SYSTEM", 12 * kMiB,
       9 * kMiB},
      {kHKeyLocalMachine, L"HKLM\\SAM", L"C:\\Windows\\System32\\config\\SAM", 256 * kKiB,
       64 * kKiB},
      {kHKeyUsers, L"HKU\\.DEFAULT", L"C:\\Windows\\System32\\config\\DEFAULT", 1 * kMiB,
       640 * kKiB},
      {kHKeyUsers, L"HKU\\S-1-5-20", L"C:\\Windows\\ServiceProfiles\\NetworkService\\NTUSER.DAT",
       512 * kKiB, 300 * kKiB},
  };
  return hives;
}

std::wstring Lower(std::wstring text) {
  for (wchar_t& ch : text) ch = platform::fake::FoldCase(ch);
  return text;
}

CompactionMachine::CompactionMachine() {
  for (const HiveSetUp& hive : StandardHives()) Mount(hive);
}

void CompactionMachine::Mount(const HiveSetUp& hive) {
  fake.MountHive(hive.root, HiveLeafName(hive.name).str(), hive.file, hive.size, hive.compactSize);
  m_hives.push_back(hive);
  AddRecord(hive.name, hive.file, hive.size);
}

void CompactionMachine::MountRealHive(platform::KeyHandle root, const std::wstring& name,
                                      const std::wstring& file,
                                      const std::vector<std::wstring>& topLevel) {
  const std::wstring leaf = HiveLeafName(name).str();
  platform::fake::FakeKey content;
  content.name = leaf;
  content.values.push_back({L"Kept", platform::kRegSz, {'k', 0, 0, 0}});
  content.values.push_back({L"Removed", platform::kRegBinary, std::vector<std::uint8_t>(40000, 7)});
  for (const std::wstring& subkeyName : topLevel) {
    auto child = std::make_unique<platform::fake::FakeKey>();
    child->name = subkeyName;
    child->values.push_back({L"Deep", platform::kRegDword, {1, 2, 3, 4}});
    content.subkeys.push_back(std::move(child));
  }
  std::vector<std::uint8_t> bytes =
      platform::fake::SavedHiveBytes(content, platform::kRegLatestFormat);
  const std::uint64_t size = bytes.size();
  fake.MountHiveFile(root, leaf, file, std::move(bytes));
  fake.registry.FindKey(root, leaf)->values.pop_back();
  AddRecord(name, file, size);
}

void CompactionMachine::AddRecord(const std::wstring& name, const std::wstring& file,
                                  std::uint64_t size) {
  auto entry = std::make_unique<HiveEntry>();
  entry->name = name;
  entry->path.SetPath(file.c_str());
  entry->size = size;
  m_records.emplace_back(name, std::move(entry));
}

const HiveEntry& CompactionMachine::Entry(const std::wstring& name) const {
  for (const auto& record : m_records) {
    if (record.first == name) return *record.second;
  }
  throw std::invalid_argument("no record " + Narrow(name));
}

const HiveSetUp& CompactionMachine::Hive(const std::wstring& name) const {
  for (const HiveSetUp& hive : m_hives) {
    if (hive.name == name) return hive;
  }
  throw std::invalid_argument("no hive " + Narrow(name));
}

std::vector<CompactionRow> CompactionMachine::Rows(const std::vector<std::wstring>& names) const {
  std::vector<CompactionRow> rows;
  for (const std::wstring& name : names) {
    bool ticked = name.empty() || name.front() != L'-';
    rows.push_back(CompactionRow{&Entry(ticked ? name : name.substr(1)), ticked});
  }
  return rows;
}

CompactionOutcome CompactionMachine::Run(const std::vector<std::wstring>& names, bool showResults) {
  // As the program does at its start.
  ResultsProgramHold program(ResultsProgram::kRunningProgram);
  return RunCompaction(Rows(names), showResults, CString(kShutdownMessage));
}

CPathName CompactionMachine::WindowsFolder() {
  CPathName folder;
  folder.SetPath(L"C:\\Windows");
  return folder;
}

void CompactionMachine::AddLeftover(const std::wstring& path, bool readOnly) {
  fake.files.AddFile(path, 7,
                     readOnly ? platform::kFileAttributeReadOnly : platform::kFileAttributeArchive);
}

std::uint64_t CompactionMachine::SavedSize(const std::wstring& name) const {
  const HiveSetUp& hive = Hive(name);
  const platform::fake::FakeKey* key = fake.registry.FindKey(hive.root, HiveLeafName(name).str());
  if (key == nullptr) throw std::invalid_argument("no key " + Narrow(name));
  return platform::fake::SavedHiveBytes(*key, platform::kRegLatestFormat).size();
}

bool CompactionMachine::HasStartupValue() const {
  return fake.registry.GetValue(kHKeyLocalMachine, kStartupKey, kStartupValueName).has_value() ||
         fake.registry.GetValue(kHKeyLocalMachine, kLegacyStartupKey, kStartupValueName)
             .has_value();
}

std::map<std::wstring, std::uint64_t> CompactionMachine::Files() const {
  std::map<std::wstring, std::uint64_t> found;
  std::vector<std::wstring> folders = {L"C:"};
  while (!folders.empty()) {
    std::wstring folder = folders.back();
    folders.pop_back();
    for (const auto& entry : fake.files.List(folder + L"\\")) {
      std::wstring path = folder + L"\\" + entry.name;
      if ((entry.attributes & platform::kFileAttributeDirectory) != 0) {
        folders.push_back(path);
      } else {
        found[Lower(path)] = entry.size;
      }
    }
  }
  return found;
}

bool CompactionMachine::PrivilegeOn(const std::wstring& name) const {
  auto attributes = fake.security.processToken.PrivilegeAttributes(name);
  return attributes && (*attributes & platform::kSePrivilegeEnabled) != 0;
}

}  // namespace compaction_test
