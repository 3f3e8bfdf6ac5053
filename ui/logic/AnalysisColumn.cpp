#include "ui/logic/AnalysisColumn.h"

#include <string>

#include "catalogue/SizeText.h"
#include "ui/res/resource.h"

namespace uilogic {

namespace {

std::uint64_t Magnitude(std::int64_t value) {
  // Negating the most negative value is undefined; its magnitude still fits unsigned.
  return value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
}

// Sized rows first, then refusals, then rows not analysed.
int GroupRank(AnalysisCell::Kind kind) {
  switch (kind) {
    case AnalysisCell::Kind::kSized: return 0;
    case AnalysisCell::Kind::kRefused: return 1;
    case AnalysisCell::Kind::kNotAnalysed: break;
  }
  return 2;
}

}  // namespace

CString FillPlaceholders(const CString& pattern, const std::vector<CString>& arguments) {
  const std::wstring& text = pattern.str();
  std::wstring filled;
  for (std::size_t at = 0; at < text.size(); ++at) {
    if (text[at] == L'%' && at + 1 < text.size() && text[at + 1] >= L'1' && text[at + 1] <= L'9') {
      auto index = static_cast<std::size_t>(text[at + 1] - L'1');
      if (index < arguments.size()) {
        filled += arguments[index].str();
        ++at;
        continue;
      }
    }
    filled += text[at];
  }
  return CString(filled);
}

unsigned ReasonCellString(NotScheduledReason reason) {
  switch (reason) {
    case NotScheduledReason::kNotSaved: return IDS_CELL_NOT_SAVED;
    case NotScheduledReason::kRefused: return IDS_CELL_REFUSED;
    case NotScheduledReason::kNoGain: return IDS_CELL_NO_GAIN;
    case NotScheduledReason::kOtherVolume: return IDS_CELL_OTHER_VOLUME;
    case NotScheduledReason::kStopped: return IDS_CELL_STOPPED;
    case NotScheduledReason::kNoBackup: return IDS_CELL_NO_BACKUP;
    case NotScheduledReason::kRestartPending: return IDS_CELL_RESTART_PENDING;
    case NotScheduledReason::kNotAccepted: break;
  }
  return IDS_CELL_NOT_ACCEPTED;
}

AnalysisCell CellOf(const AnalyzedHive& hive) {
  AnalysisCell cell;
  if (hive.refusal) {
    cell.kind = AnalysisCell::Kind::kRefused;
    cell.reason = *hive.refusal;
  } else {
    cell.kind = AnalysisCell::Kind::kSized;
    cell.compactSize = hive.compactSize;
    cell.gain = hive.gain();
  }
  return cell;
}

CString AnalysisCellText(const AnalysisCell& cell,
                         const std::function<CString(unsigned)>& loadString) {
  switch (cell.kind) {
    case AnalysisCell::Kind::kSized:
      return FillPlaceholders(
          loadString(cell.gain < 0 ? IDS_COMPACT_SIZE_LARGER : IDS_COMPACT_SIZE_SMALLER),
          {FormatSizeKB(cell.compactSize), FormatSizeKB(Magnitude(cell.gain))});
    case AnalysisCell::Kind::kRefused: return loadString(ReasonCellString(cell.reason));
    case AnalysisCell::Kind::kNotAnalysed: break;
  }
  return CString();
}

std::optional<std::uint64_t> TotalGain(const std::vector<AnalysisCell>& tickedCells) {
  std::optional<std::uint64_t> total;
  for (const AnalysisCell& cell : tickedCells) {
    if (cell.kind != AnalysisCell::Kind::kSized) continue;
    total = total.value_or(0) + (cell.gain > 0 ? static_cast<std::uint64_t>(cell.gain) : 0);
  }
  return total;
}

CString TotalGainText(const std::vector<AnalysisCell>& tickedCells,
                      const std::function<CString(unsigned)>& loadString) {
  std::optional<std::uint64_t> total = TotalGain(tickedCells);
  if (!total) return CString();
  return FillPlaceholders(loadString(IDS_TOTAL_GAIN), {FormatSizeKB(*total)});
}

CString ProgressText(RunKind kind, int position, int count, const CString& name,
                     const std::function<CString(unsigned)>& loadString) {
  unsigned pattern =
      kind == RunKind::kAnalyze ? IDS_PROGRESS_ANALYZING : IDS_PROGRESS_DEFRAGMENTING;
  // Plain digits: the locale is the platform's, which only the run's thread may ask meanwhile.
  return FillPlaceholders(loadString(pattern), {name, CString(std::to_wstring(position)),
                                                CString(std::to_wstring(count))});
}

int CompareAnalysisCells(const AnalysisCell& first, const AnalysisCell& second, bool ascending) {
  int firstRank = GroupRank(first.kind);
  int secondRank = GroupRank(second.kind);
  if (firstRank != secondRank) return firstRank < secondRank ? -1 : 1;
  if (first.kind != AnalysisCell::Kind::kSized || first.compactSize == second.compactSize) return 0;
  int order = first.compactSize < second.compactSize ? -1 : 1;
  return ascending ? order : -order;
}

}  // namespace uilogic
