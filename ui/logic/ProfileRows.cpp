#include "ui/logic/ProfileRows.h"

#include <map>
#include <utility>

#include "ui/res/resource.h"

namespace uilogic {

namespace {

void AddRow(std::vector<ProfileHiveRow>& rows, const profiles::UserProfile& profile,
            std::size_t index, const profiles::ProfileHiveFile& file, const wchar_t* nameSuffix,
            const CString& namePattern) {
  if (file.path.empty() || !file.size.has_value()) return;
  ProfileHiveRow row;
  row.entry.name =
      FillPlaceholders(namePattern, {CString((L"HKU\\" + profile.sid + nameSuffix).c_str())});
  // A text the path library rejects leaves the path empty, as for a loaded hive.
  row.entry.path.SetPath(file.path.c_str());
  row.entry.size = *file.size;
  row.sid = profile.sid;
  row.file = file.path;
  row.account = profile.account;
  row.profile = index;
  rows.push_back(std::move(row));
}

}  // namespace

std::vector<ProfileHiveRow> ProfileHiveRows(const profiles::ProfileListing& listing,
                                            const std::function<CString(unsigned)>& loadString) {
  std::vector<ProfileHiveRow> rows;
  const CString namePattern = loadString(IDS_PROFILE_ROW_NAME);
  for (std::size_t index = 0; index < listing.profiles.size(); ++index) {
    const profiles::UserProfile& profile = listing.profiles[index];
    if (profile.judgement.verdict != profiles::ProfileVerdict::kWouldCompact) continue;
    AddRow(rows, profile, index, profile.userHive, L"", namePattern);
    AddRow(rows, profile, index, profile.classesHive, L"_Classes", namePattern);
  }
  return rows;
}

int CompareByKindFirst(RowKind first, RowKind second, int withinKind) {
  if (first != second) return first == RowKind::kLoadedHive ? -1 : 1;
  return withinKind;
}

bool ProfileRowStartsTicked(const ProfileHiveRow& row, bool profileSwapWired) {
  return profileSwapWired && StartsTicked(row.entry);
}

CString ProfileRowTip(const ProfileHiveRow& row,
                      const std::function<CString(unsigned)>& loadString) {
  if (!row.account.empty()) return CString(row.account.c_str());
  return loadString(IDS_PROFILE_ACCOUNT_UNKNOWN);
}

AnalysisCell CellOf(const AnalyzedProfileHive& hive) {
  AnalysisCell cell;
  switch (hive.result) {
    case ProfileHiveResult::kAnalysed:
      cell.kind = AnalysisCell::Kind::kSized;
      cell.compactSize = hive.compactSize;
      cell.gain =
          static_cast<std::int64_t>(hive.size) - static_cast<std::int64_t>(hive.compactSize);
      return cell;
    case ProfileHiveResult::kRefused:
    case ProfileHiveResult::kChanged:  // the copy no longer stands for the file
    case ProfileHiveResult::kContentDiffers: cell.reason = NotScheduledReason::kRefused; break;
    case ProfileHiveResult::kInUse:
    case ProfileHiveResult::kUnreadable:
    case ProfileHiveResult::kNotSaved: cell.reason = NotScheduledReason::kNotSaved; break;
  }
  cell.kind = AnalysisCell::Kind::kRefused;
  return cell;
}

std::vector<std::pair<std::size_t, AnalysisCell>> ProfileRowCells(
    const std::vector<ProfileHiveRow>& rows, const ProfileAnalysisOutcome& outcome) {
  std::map<std::pair<std::wstring, std::wstring>, std::size_t> rowOf;
  for (std::size_t index = 0; index < rows.size(); ++index) {
    rowOf.emplace(std::make_pair(rows[index].sid, rows[index].file), index);
  }
  std::vector<std::pair<std::size_t, AnalysisCell>> cells;
  for (const AnalyzedProfileHive& hive : outcome.hives) {
    auto found = rowOf.find(std::make_pair(hive.sid, hive.file));
    if (found != rowOf.end()) cells.emplace_back(found->second, CellOf(hive));
  }
  return cells;
}

}  // namespace uilogic
