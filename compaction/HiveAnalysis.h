#pragma once
// The saving a compaction would bring, measured before anything is changed:
// each planned hive is saved and checked exactly as the run does it
// (CheckedCopy.h), its copy's size and largest subtrees read and the copy
// deleted; the run's folder goes at the end. Nothing is replaced, registered
// or restarted.
#include <cstdint>
#include <optional>
#include <vector>

#include "compaction/CopySubtrees.h"
#include "compaction/RunOutcome.h"
#include "compaction/ProtectedFolders.h"
#include "compaction/RunProgress.h"
#include "platform/CString.h"

struct AnalyzedHive {
  CString name;                   // HKLM\SYSTEM
  std::uint64_t liveSize = 0;     // the live file's size
  std::uint64_t compactSize = 0;  // the checked copy's size; 0 when refused
  // kNotSaved, kRefused, kOtherVolume or kStopped; none = analysed.
  std::optional<NotScheduledReason> refusal;
  // Where the checked copy's bytes go (CopySubtrees.h); empty when refused.
  std::vector<SubtreeSize> largestSubtrees;
  // liveSize - compactSize (negative when the copy is larger); 0 when refused.
  std::int64_t gain() const;
};

struct AnalysisOutcome {
  StoppedAt stoppedAt = StoppedAt::kNothing;
  FolderProblem folderProblem = FolderProblem::kNone;
  bool stopped = false;
  // Every planned hive, display order; none when the folder stopped the analysis.
  std::vector<AnalyzedHive> hives;
};

// Plans the rows as RunCompaction does (the same rows are left out). `progress`
// hears of each hive before its save and is asked before each whether to stop;
// the hives not started then carry kStopped.
AnalysisOutcome AnalyzeHives(const std::vector<CompactionRow>& rows,
                             const RunProgress& progress = {});
