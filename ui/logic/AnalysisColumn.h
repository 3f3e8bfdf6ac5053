#pragma once
// What the main window shows of an analysis: the "Compact Size" cell of each
// row, the line under the list with the total saving, the progress line while
// a run goes, and how the column sorts.
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "compaction/CompactionRun.h"
#include "compaction/HiveAnalysis.h"
#include "platform/CString.h"

namespace uilogic {

// The main list's columns, in order.
inline constexpr int kHiveColumn = 0;
inline constexpr int kFileNameColumn = 1;
inline constexpr int kSizeColumn = 2;
inline constexpr int kCompactSizeColumn = 3;

// One row as the last analysis left it.
struct AnalysisCell {
  enum class Kind { kNotAnalysed, kSized, kRefused };
  Kind kind = Kind::kNotAnalysed;
  std::uint64_t compactSize = 0;  // bytes of the checked copy (kSized)
  std::int64_t gain = 0;          // the live file's bytes less the copy's (kSized)
  NotScheduledReason reason = NotScheduledReason::kNotSaved;  // kRefused
};

// The cell of an analysed hive: its refusal, or its copy's size and gain.
AnalysisCell CellOf(const AnalyzedHive& hive);

// The string-table id of a refusal's words in the column: a few words that
// fit its width, where the message after a run gives the whole sentence.
unsigned ReasonCellString(NotScheduledReason reason);

// kSized: the copy's size, then by how much it is smaller ("-") or larger
// ("+") than the live file, both as the Size column shows sizes:
// 9437184, 3145728 => "9,216 KB (-3,072 KB)". kRefused: the reason in a few
// words. kNotAnalysed: empty. `loadString` reads the string table.
CString AnalysisCellText(const AnalysisCell& cell,
                         const std::function<CString(unsigned)>& loadString);

// What a Defragment of the ticked rows would save by the analysis: the sum of
// the sized rows' gains, a copy that is not smaller counting as 0 (such a hive
// is never replaced). Nothing when no ticked row has a size.
std::optional<std::uint64_t> TotalGain(const std::vector<AnalysisCell>& tickedCells);

// The line under the list for TotalGain; empty when it is nothing.
CString TotalGainText(const std::vector<AnalysisCell>& tickedCells,
                      const std::function<CString(unsigned)>& loadString);

enum class RunKind { kAnalyze, kDefragment };

// The progress line before a hive's save: "Analyzing HKLM\SYSTEM (2 of 5)...".
CString ProgressText(RunKind kind, int position, int count, const CString& name,
                     const std::function<CString(unsigned)>& loadString);

// The column's order: sized rows by compact size, then refused rows, then rows
// not analysed. The direction turns only the sizes around, so that rows
// without a figure stay at the end either way.
int CompareAnalysisCells(const AnalysisCell& first, const AnalysisCell& second, bool ascending);

// `pattern` with "%1", "%2", ... replaced by the arguments in order; a
// placeholder without an argument stays as it is.
CString FillPlaceholders(const CString& pattern, const std::vector<CString>& arguments);

}  // namespace uilogic
