#pragma once
// A run's record as a run leaves it, for tests that read or write one: SYSTEM
// scheduled, its backup hashed after the restart, and a user's hive whose
// path goes beyond ASCII.
#include <string>

#include "compaction/RunRecord.h"

inline RecordedHive ScheduledSystemHive(int run) {
  const std::wstring folder = L"C:\\Windows\\Kelvaro Backup\\Run-" + std::to_wstring(run);
  RecordedHive system;
  system.state = SwapState::kScheduled;
  system.name = L"HKLM\\SYSTEM";
  system.liveFile = L"C:\\Windows\\System32\\config\\SYSTEM";
  system.liveSize = 12582912;
  system.copySize = 9437184;
  system.copySha256 = std::string(64, 'a');
  system.backupFile = folder + L"\\SYSTEM";
  system.backupSize = 12587008;
  system.backupSha256 = std::string(64, 'b');
  return system;
}

inline RecordedHive UserHive(SwapState state, const std::wstring& liveFile) {
  RecordedHive user;
  user.state = state;
  user.name = L"HKU\\S-1-5-21-7";
  user.liveFile = liveFile;
  user.liveSize = 524288;
  return user;
}

inline RunRecord CraftedRunRecord(int run) {
  RunRecord record;
  record.number = run;
  record.started = "2026-12-08 10:51:08 UTC";
  record.hives = {ScheduledSystemHive(run)};
  return record;
}
