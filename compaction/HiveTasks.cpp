#include "compaction/HiveTasks.h"

#include <iterator>
#include <optional>

#include "catalogue/HiveFileName.h"
#include "compaction/CompareNoCaseN.h"
#include "platform/Win32Constants.h"

namespace {

constexpr wchar_t kMachinePrefix[] = L"HKLM\\";
constexpr wchar_t kUsersPrefix[] = L"HKU\\";
constexpr int kMachinePrefixLength = static_cast<int>(std::size(kMachinePrefix)) - 1;
constexpr int kUsersPrefixLength = static_cast<int>(std::size(kUsersPrefix)) - 1;

bool StartsWith(const CString& name, const wchar_t* prefix, int prefixLength) {
  return CompareNoCaseN(name.GetString(), name.GetLength(), prefix, prefixLength, prefixLength) ==
         0;
}

std::optional<platform::KeyHandle> RootKeyOf(const CString& name) {
  if (StartsWith(name, kMachinePrefix, kMachinePrefixLength)) return platform::kHKeyLocalMachine;
  if (StartsWith(name, kUsersPrefix, kUsersPrefixLength)) return platform::kHKeyUsers;
  return std::nullopt;
}

bool UsesFileName(const std::vector<HiveTask>& tasks, const CPathComponent& fileName) {
  for (const HiveTask& task : tasks) {
    if (task.fileName.GetText().CompareNoCase(fileName.GetText()) == 0) return true;
  }
  return false;
}

}  // namespace

std::vector<HiveTask> PlanTasks(const std::vector<CompactionRow>& rows) {
  std::vector<HiveTask> tasks;
  for (const CompactionRow& row : rows) {
    if (!row.ticked || row.entry == nullptr) continue;
    const HiveEntry& entry = *row.entry;
    // A hive whose file the catalogue could not find is left alone: the
    // platform would move a file nobody has seen.
    if (entry.size == 0 || entry.path.IsEmpty()) continue;
    std::optional<platform::KeyHandle> root = RootKeyOf(entry.name);
    if (!root) continue;
    CString keyName = HiveLeafName(entry.name);
    std::optional<CPathComponent> fileName = HiveFileName(entry.name);
    if (!fileName || UsesFileName(tasks, *fileName)) continue;
    tasks.push_back(HiveTask{&entry, *root, keyName, *fileName});
  }
  return tasks;
}
