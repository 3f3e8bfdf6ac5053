#pragma once
// A run's record kept as the run goes (RunRecord.h): every planned hive on
// disk before the first swap, and the record on disk brought up to date just
// before and just after each swap is handed to Windows. Hives left alone are
// noted in memory and reach the disk with the next write.
#include <cstddef>
#include <optional>
#include <vector>

#include "compaction/CheckedCopy.h"
#include "compaction/HiveTasks.h"
#include "compaction/RunOutcome.h"
#include "compaction/RunRecord.h"
#include "path/PathName.h"

class RunRecordKeeper {
 public:
  // Every task planned, with its live file and size, on disk as a new record.
  // False when no record could be made: the run must then change nothing.
  bool Start(const CPathName& windowsFolder, const std::vector<HiveTask>& tasks);

  // The checked copy and the place of the backup, and the hive as swapping,
  // on disk. False when the disk still has the earlier record: the swap must
  // not be handed over, for the record would not name it.
  bool BeforeSwap(std::size_t task, const CheckedCopy& copy, const CPathName& backupFile);
  // The swap Windows took, on disk at once (tried a second time when the
  // first write fails: until then the record has it as swapping).
  void Scheduled(std::size_t task);
  // A hive nobody has loaded, exchanged at once: as BeforeSwap, with the
  // previous file's size and SHA-256 (the bytes Kelvaro read), and the hive
  // as swapping now.
  bool BeforeSwapNow(std::size_t task, const CheckedCopy& copy, const CPathName& backupFile,
                     std::uint64_t backupSize, const std::string& backupSha256);
  // The files were exchanged, on disk at once (tried twice, as Scheduled).
  void SwappedNow(std::size_t task);
  // A hive left alone, and why; on disk with the next write.
  void LeftAlone(std::size_t task, NotScheduledReason reason);
  // Writes what is noted in memory. False when the disk keeps an earlier record.
  bool Flush();

  const RunRecord& Record() const { return m_record; }
  const std::optional<CPathName>& File() const { return m_file; }

 private:
  RunRecord m_record;
  std::optional<CPathName> m_file;
};

// The words a record gives for a hive left alone: "refused", "no gain", ...
const char* ReasonWord(NotScheduledReason reason);
