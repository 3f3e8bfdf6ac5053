#pragma once
// Compacting a hive file into a new file: read it (replaying its logs when it
// is dirty), write its content afresh, and put the result in place safely:
// into a temporary file beside the destination, flushed, read back, checked
// and compared with the input, then renamed over the destination. On any
// failure the temporary file is removed and the destination left as it was.
// The input is mapped, not copied, unless logs are replayed into it; the new
// file goes to disk as it is made; the check reads it back once the input is
// let go, comparing a digest of each key with the input's. So the memory
// needed is about the larger of the two files, not both and a tree.

#include "hive/HiveWriter.h"
#include "hive/OutputFiles.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace hive {

struct CompactRequest {
  std::filesystem::path input;
  std::filesystem::path output;
  std::vector<std::filesystem::path> logs;  // empty: those found beside the input
  WriteOptions options;
  // Write the state a log replay reached even when it had to stop before
  // the last logged write (otherwise such a compaction is refused).
  bool acceptPartialReplay = false;
  // Called now and then with the share done, 0 to 1.
  std::function<void(double)> progress;
};

enum class CompactStatus {
  Written,
  Refused,     // nothing written: dirty without logs, errors, a partial replay, same path,
               // write failure
  Unreadable,  // the input is not a hive this reader takes, or cannot be read
};

struct CompactOutcome {
  CompactStatus status = CompactStatus::Unreadable;
  std::string message;  // why it was refused or unreadable
  std::uint64_t sizeBefore = 0;
  std::uint64_t sizeAfter = 0;
  std::uint32_t minorBefore = 0;
  std::uint32_t minorAfter = 0;
  std::size_t logEntriesApplied = 0;
  bool partialReplay = false;         // written from a replay that stopped early
  std::vector<std::string> warnings;  // what the output differs in from the input, and why
};

// 0 written, 2 refused, 3 unreadable: the exit codes of `kelvaro-hive compact`.
int CompactExitCode(CompactStatus status);

CompactOutcome CompactHiveFile(const CompactRequest& request, IOutputFiles& files);

// The name of the temporary file written beside `output`.
std::filesystem::path TemporaryBeside(const std::filesystem::path& output);

}  // namespace hive
