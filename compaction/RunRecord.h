#pragma once
// The record of one run: which hives it meant to swap and how far each got.
// It is on disk before the first swap is handed to Windows and brought up to
// date around each one, so that after a crash at any point it names exactly
// the swaps waiting for the next start. Text, UTF-8, one line a fact, fields
// separated by tabs (no path holds one), lines ending in CR LF:
//   Kelvaro run record 1
//   run      3
//   started  2026-12-08 10:51:08 UTC
//   version  1.1.0.0
//   hive     <state> <name> <live file> <live size> <copy size> <copy SHA-256> <backup> <reason>
//            <backup size> <backup SHA-256>
// (the last two absent from records written before backups were hashed).
//
// A run's backups live in a folder of their own,
// "<Windows>\Kelvaro Backup\Run-<n>" (RunBackupFolder in BackupFolder.h), n the record's number;
// each hive's `backupFile` names its file there, the recovery note and script
// lie beside them.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// How far one hive got. kSwapping: the record was written just before the
// replacement was handed over, so whether Windows took it is not known:
// count it as waiting for the next start. A hive nobody had loaded (a
// profile's) is swapped at once instead: kSwappingNow is on record just before
// the files are exchanged (whether they were is read from the files),
// kSwappedNow once they were; its backup's size and hash are on record from
// the first, the previous file being the one Kelvaro read.
enum class SwapState { kPlanned, kSwapping, kScheduled, kNotScheduled, kSwappingNow, kSwappedNow };

struct RecordedHive {
  SwapState state = SwapState::kPlanned;
  std::wstring name;  // user form, HKLM\SYSTEM
  std::wstring liveFile;
  std::uint64_t liveSize = 0;
  std::uint64_t copySize = 0;
  std::string copySha256;   // the checked copy's, empty until it passed the check
  std::wstring backupFile;  // where the live file goes at the swap
  std::string reason;       // a few words, when not scheduled
  // The previous file as it stands in the backup folder after the swap, read
  // at the first start after it (BackupHashes.h); 0 and empty until then.
  std::uint64_t backupSize = 0;
  std::string backupSha256;

  // Windows may swap this hive at the next start.
  bool MaySwap() const { return state == SwapState::kSwapping || state == SwapState::kScheduled; }
  // The files may have been exchanged already, without a restart.
  bool MayBeSwappedNow() const {
    return state == SwapState::kSwappingNow || state == SwapState::kSwappedNow;
  }
};

struct RunRecord {
  int number = 0;
  std::string started;  // UTC, "YYYY-MM-DD hh:mm:ss UTC"
  std::string version;
  std::vector<RecordedHive> hives;
};

std::vector<std::uint8_t> RunRecordText(const RunRecord& record);

// Nothing for text that is not a whole record of this form: a first line
// other than the heading, an unknown key or state, a hive line without all
// its fields, a number that is not one.
std::optional<RunRecord> ParseRunRecord(const std::vector<std::uint8_t>& text);
