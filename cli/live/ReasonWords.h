#pragma once
// What the live commands say about a hive left as it is, or a run stopped:
// a fixed code for scripts (JSON, the log) and a sentence for people, the
// same meaning as the main window's messages.
#include "compaction/CompactionRun.h"
#include "compaction/PlanRules.h"
#include "compaction/ProtectedFolders.h"
#include "profiles/ProfileHiveAnalysis.h"
#include "profiles/ProfileHiveRestore.h"
#include "profiles/ProfileHiveSwap.h"

struct ReasonWords {
  const char* code;
  const char* text;
};

ReasonWords WordsFor(NotScheduledReason reason);
ReasonWords WordsFor(LeftOutReason reason);
// Why a run stopped before touching any hive.
ReasonWords WordsFor(StoppedAt where, FolderProblem problem);
// What became of a profile hive in an analysis, a swap or the restore of one.
ReasonWords WordsFor(ProfileHiveResult result);
ReasonWords WordsFor(ProfileSwapResult result);
ReasonWords WordsFor(ProfileRestoreResult result);
// What was wrong with the folder: "link", "foreign-owner", ...; empty for none.
const char* ProblemCode(FolderProblem problem);
