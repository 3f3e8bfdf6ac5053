#pragma once
// The record of one off-line run, kept in the run's backup folder. It is
// brought up to date before each step that changes a hive's files (written
// to a new file, flushed, renamed over the last one), so after an
// interruption at any point it says, per hive, where each of its files is:
// every file is in one of two places, told apart by its SHA-256.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "offline/OfflineFiles.h"

namespace offline {

inline constexpr char kRecordName[] = "offline-run.json";

// The step begun last for a hive, and so where its files are.
enum class HiveState {
  Staged,     // the compact file may lie beside the hive as `staged`; the hive is old
  Keeping,    // the old hive and its logs are being given names in the backup folder; old
  Swapping,   // the compact file is being renamed over the hive: old or new
  Clearing,   // the hive is new; its old logs are beside it or gone (kept in the backup)
  Done,       // the hive is new, its old logs are in the backup folder only
  Undone,     // the swap was given up: the hive is old, with its logs
  Restoring,  // restore: the hive is new or old again, the old logs beside it or not
  Restored,   // restore: the hive and its logs are the old files again
};

std::string_view StateName(HiveState state);

struct RecordedFile {
  std::string name;  // its name beside the hive, and in the backup folder
  std::uint64_t size = 0;
  std::string sha256;
};

struct RecordedHive {
  std::string name;    // as the report names it
  std::string live;    // path below ROOT, '/' between components
  std::string folder;  // its folder in the run's backup folder
  std::string staged;  // the compact file's name beside the hive
  HiveState state = HiveState::Staged;
  RecordedFile old;
  std::vector<RecordedFile> logs;
  RecordedFile compact;
  std::string message;  // why it was undone, or what was left over
};

struct RunRecord {
  std::uint32_t run = 0;
  std::string root;  // as given on the command line
  std::vector<RecordedHive> hives;
};

std::string RecordText(const RunRecord& record);
// Nothing, with `error`, when `text` is not a record of this shape.
std::optional<RunRecord> ParseRecord(std::string_view text, std::string& error);

// Writes the record as kRecordName in `runFolder`, replacing the last one only
// once the new one is whole on the disk.
bool SaveRecord(IOfflineFiles& files, const std::filesystem::path& runFolder,
                const RunRecord& record, std::string& error);
std::optional<RunRecord> LoadRecord(const std::filesystem::path& runFolder, std::string& error);

}  // namespace offline
