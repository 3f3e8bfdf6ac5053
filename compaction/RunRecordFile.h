#pragma once
// Where the records of runs (RunRecord.h) live and how one is written:
// "<Windows>\Kelvaro\Records\Run-<n>.record", in a protected folder of their
// own (ProtectedFolders.h), numbered from 1, each run after the highest on
// record, so that a record names its run for as long as it is kept.
#include <optional>
#include <string>
#include <vector>

#include "compaction/RunRecord.h"
#include "path/PathName.h"
#include "platform/ISystem.h"

inline constexpr wchar_t kRecordsFolderName[] = L"Records";

// <Windows>\Kelvaro\Records.
CPathName RecordsFolderIn(const CPathName& windowsFolder);

// "2026-12-08 10:51:08 UTC".
std::string UtcTimeText(const platform::UtcTime& time);

// Makes or checks the records folder and claims the number after the highest
// on record and the highest backup folder ("<Windows>\Kelvaro Backup\Run-<n>")
// by making its record file, new, with `record` (its number filled in first).
// The file's path; nothing when no record could be made, and then the run
// must change nothing.
std::optional<CPathName> StartRunRecord(const CPathName& windowsFolder, RunRecord& record);

// Puts `record` in place of the one on disk: the text goes to a new file
// beside it, flushed, which is then renamed over the record, so that the
// record on disk is always a whole one, the earlier or this. False when the
// earlier one is still there.
bool UpdateRunRecord(const CPathName& recordFile, const RunRecord& record);

// "<Windows>\Kelvaro\Records\Run-<n>.record".
CPathName RunRecordPath(const CPathName& windowsFolder, int number);

// The numbers on record, lowest first, each with a record file (records
// deleted by hand leave gaps). None when the records folder is missing,
// cannot be searched or fails the protected-folder checks: a record is
// believed only from a folder no one else could have written.
std::vector<int> RunsOnRecord(const CPathName& windowsFolder);

// The record of run `number`, read through one exclusive handle; nothing when
// it is missing, no plain file, or not a whole record of that number.
std::optional<RunRecord> ReadRunRecord(const CPathName& windowsFolder, int number);
