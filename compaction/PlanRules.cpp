#include "compaction/PlanRules.h"

#include <iterator>
#include <optional>

#include "catalogue/HiveFileName.h"
#include "compaction/CompareNoCaseN.h"

namespace {

constexpr wchar_t kMachinePrefix[] = L"HKLM\\";
constexpr wchar_t kUsersPrefix[] = L"HKU\\";

template <std::size_t Size>
bool StartsWith(const CString& name, const wchar_t (&prefix)[Size]) {
  constexpr int length = static_cast<int>(Size) - 1;
  return CompareNoCaseN(name.GetString(), name.GetLength(), prefix, length, length) == 0;
}

}  // namespace

std::vector<LeftOutReason> JudgePlan(const std::vector<const HiveEntry*>& entries) {
  std::vector<LeftOutReason> reasons;
  std::vector<CPathComponent> fileNames;
  for (const HiveEntry* entry : entries) {
    LeftOutReason reason = LeftOutReason::kNone;
    std::optional<CPathComponent> fileName;
    if (entry == nullptr || entry->size == 0 || entry->path.IsEmpty()) {
      reason = LeftOutReason::kNoFile;
    } else if (!StartsWith(entry->name, kMachinePrefix) && !StartsWith(entry->name, kUsersPrefix)) {
      reason = LeftOutReason::kNotMachineOrUsers;
    } else if (!(fileName = HiveFileName(entry->name))) {
      reason = LeftOutReason::kUnusableName;
    } else {
      for (const CPathComponent& used : fileNames) {
        if (used.GetText().CompareNoCase(fileName->GetText()) == 0) {
          reason = LeftOutReason::kSameFileName;
        }
      }
      if (reason == LeftOutReason::kNone) fileNames.push_back(*fileName);
    }
    reasons.push_back(reason);
  }
  return reasons;
}
