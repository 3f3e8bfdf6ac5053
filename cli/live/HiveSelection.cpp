#include "cli/live/HiveSelection.h"

#include <algorithm>

#include "compaction/CompareNoCaseN.h"

namespace {

bool SameName(const CString& listed, const std::wstring& given) {
  const int length = std::max(listed.GetLength(), static_cast<int>(given.size()));
  return !listed.IsEmpty() && CompareNoCaseN(listed.GetString(), listed.GetLength(), given.c_str(),
                                             static_cast<int>(given.size()), length) == 0;
}

}  // namespace

HiveSelection SelectHives(std::vector<std::unique_ptr<HiveEntry>> entries,
                          const std::vector<std::wstring>& names) {
  HiveSelection selection;
  selection.entries = std::move(entries);
  for (const auto& entry : selection.entries) {
    bool ticked = names.empty() && StartsTicked(*entry);
    for (const std::wstring& name : names) ticked = ticked || SameName(entry->name, name);
    selection.rows.push_back(CompactionRow{entry.get(), ticked});
  }
  for (const std::wstring& name : names) {
    bool found = std::any_of(selection.entries.begin(), selection.entries.end(),
                             [&name](const auto& entry) { return SameName(entry->name, name); });
    if (!found) {
      selection.unmatched = name.empty() ? L"\"\"" : name;
      break;
    }
  }
  return selection;
}

std::vector<const HiveEntry*> SelectedEntries(const HiveSelection& selection) {
  std::vector<const HiveEntry*> selected;
  for (const CompactionRow& row : selection.rows) {
    if (row.ticked) selected.push_back(row.entry);
  }
  return selected;
}
