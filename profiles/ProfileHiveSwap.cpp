#include "profiles/ProfileHiveSwap.h"

#include <algorithm>
#include <memory>
#include <optional>

#include "compaction/BackupFolder.h"
#include "compaction/CheckedCopy.h"
#include "compaction/ExclusiveFile.h"
#include "compaction/HiveTasks.h"
#include "compaction/PendingSwaps.h"
#include "compaction/RunFolder.h"
#include "compaction/RunRecordKeeper.h"
#include "compaction/RunStart.h"
#include "hive/Sha256.h"
#include "platform/Platform.h"
#include "profiles/ProfileHiveAnalysis.h"
#include "profiles/SwapFileNow.h"

namespace {

using profiles::UserProfile;

// GetText() answers a temporary: the text is kept for as long as the call needs it.
std::wstring Text(const CPathName& path) { return path.GetText().GetBuffer(); }

CPathName PathOf(const std::wstring& text) {
  CPathName path;
  path.SetPath(text.c_str());
  return path;
}

ProfileSwapResult ResultOf(ProfileHiveResult copied) {
  switch (copied) {
    case ProfileHiveResult::kAnalysed: return ProfileSwapResult::kSwapped;
    case ProfileHiveResult::kInUse: return ProfileSwapResult::kInUse;
    case ProfileHiveResult::kUnreadable: return ProfileSwapResult::kUnreadable;
    case ProfileHiveResult::kNotSaved: return ProfileSwapResult::kNotSaved;
    case ProfileHiveResult::kRefused: return ProfileSwapResult::kRefused;
    case ProfileHiveResult::kContentDiffers: return ProfileSwapResult::kContentDiffers;
    case ProfileHiveResult::kChanged: return ProfileSwapResult::kChanged;
  }
  return ProfileSwapResult::kNotSaved;
}

// The last look before the exchange: the file is the one read, and nobody
// holds it (an open sharing read only fails while anyone has it for writing
// or Windows has it loaded; closed again at once).
ProfileSwapResult LastLook(const SwappedProfileHive& hive, const platform::FileFacts& read) {
  if (profiles::ProfileLoaded(hive.sid)) return ProfileSwapResult::kSignedIn;
  CExclusiveFile open(PathOf(hive.file));
  platform::FileFacts now;
  if (!open.IsOpen()) {
    return platform::Current().System().GetLastError() == platform::kErrorSharingViolation
               ? ProfileSwapResult::kInUse
               : ProfileSwapResult::kChanged;
  }
  if (!platform::Current().Files().QueryOpenFileFacts(open.Get(), &now) || !IsPlainFile(now) ||
      now.size != read.size || now.lastWriteTime != read.lastWriteTime ||
      now.fileIndex != read.fileIndex || now.volumeSerialNumber != read.volumeSerialNumber) {
    return ProfileSwapResult::kChanged;
  }
  return ProfileSwapResult::kSwapped;
}

// .LOG1 and .LOG2 belong to the file as it was: beside the backup, under its name.
bool MoveLogs(const std::wstring& file, const CPathName& backupFile) {
  platform::IFileSystem& files = platform::Current().Files();
  bool moved = true;
  for (const wchar_t* suffix : {L".LOG1", L".LOG2"}) {
    const std::wstring log = file + suffix;
    if (files.QueryFileAttributes(log.c_str()) == platform::kInvalidFileAttributes) continue;
    const std::wstring target = Text(backupFile) + suffix;
    moved = files.MoveReplacing(log.c_str(), target.c_str()) && ProtectMovedFile(PathOf(target)) &&
            moved;
  }
  return moved;
}

struct SwapContext {
  const RunFolder& run;
  const CPathName& backupFolder;
  RunRecordKeeper& record;
};

void SwapOne(const HiveTask& task, std::size_t index, SwapContext& context,
             SwappedProfileHive& hive) {
  if (profiles::ProfileLoaded(hive.sid)) {
    hive.result = ProfileSwapResult::kSignedIn;
    return;
  }
  const CPathName copyPath = Combine(context.run.path, task.fileName);
  ProfileHiveAsRead read;
  const AnalyzedProfileHive copied =
      CopyProfileHive(hive.sid, hive.file, copyPath, context.run, &read);
  hive.size = copied.size;
  hive.result = ResultOf(copied.result);
  // A load that found the file held may be the profile service's.
  if (hive.result == ProfileSwapResult::kInUse && profiles::ProfileLoaded(hive.sid)) {
    hive.result = ProfileSwapResult::kSignedIn;
  }
  if (hive.result != ProfileSwapResult::kSwapped) return;
  hive.compactSize = copied.compactSize;
  // Without the file's own descriptor the new file could not get it.
  if (read.descriptor.empty()) {
    DropCopy(copyPath);
    hive.result = ProfileSwapResult::kUnreadable;
    return;
  }
  if (copied.compactSize >= copied.size) {
    DropCopy(copyPath);
    hive.result = ProfileSwapResult::kNoGain;
    return;
  }
  // ReplaceFileW renames within one volume only.
  if (read.facts.volumeSerialNumber != context.run.volumeSerialNumber) {
    DropCopy(copyPath);
    hive.result = ProfileSwapResult::kOtherVolume;
    return;
  }
  CheckedCopy copy;
  copy.liveSize = copied.size;
  copy.size = copied.compactSize;
  {
    CExclusiveFile open(copyPath);
    std::vector<std::uint8_t> bytes;
    if (open.IsOpen() && ReadWhole(open.Get(), copied.compactSize, bytes)) {
      copy.sha256 = hive::Sha256Hex(bytes);
    }
  }
  const CPathName backupFile = Combine(context.backupFolder, task.fileName);
  // On record before the files change, with the previous file's hash: the
  // record alone can then tell which of the two stands at the hive's name.
  if (copy.sha256.empty() ||
      !context.record.BeforeSwapNow(index, copy, backupFile, read.bytes.size(),
                                    hive::Sha256Hex(read.bytes))) {
    DropCopy(copyPath);
    hive.result = ProfileSwapResult::kNotAccepted;
    return;
  }
  hive.result = LastLook(hive, read.facts);
  if (hive.result != ProfileSwapResult::kSwapped) {
    DropCopy(copyPath);
    return;
  }
  const SwapNowOutcome swap =
      SwapFileNow(PathOf(hive.file), copyPath, backupFile, read.descriptor, copy.sha256);
  if (!swap.swapped) {
    hive.leftAtBackup = swap.leftAtBackup;
    DropCopy(copyPath);
    hive.result = swap.status == platform::kErrorSharingViolation
                      ? (profiles::ProfileLoaded(hive.sid) ? ProfileSwapResult::kSignedIn
                                                           : ProfileSwapResult::kInUse)
                      : ProfileSwapResult::kNotAccepted;
    return;
  }
  context.record.SwappedNow(index);
  hive.descriptorSet = swap.descriptorSet && swap.backupProtected;
  hive.readBack = swap.readBack;
  hive.logsMoved = MoveLogs(hive.file, backupFile);
}

// The file at the hive's name is the checked copy.
bool HoldsCopyNow(const RecordedHive& recorded) {
  CExclusiveFile open(PathOf(recorded.liveFile));
  platform::FileFacts facts;
  std::vector<std::uint8_t> bytes;
  return open.IsOpen() && platform::Current().Files().QueryOpenFileFacts(open.Get(), &facts) &&
         ReadWhole(open.Get(), facts.size, bytes) && hive::Sha256Hex(bytes) == recorded.copySha256;
}

NotScheduledReason RecordReason(ProfileSwapResult result) {
  switch (result) {
    case ProfileSwapResult::kNoGain: return NotScheduledReason::kNoGain;
    case ProfileSwapResult::kRefused:
    case ProfileSwapResult::kContentDiffers: return NotScheduledReason::kRefused;
    case ProfileSwapResult::kOtherVolume: return NotScheduledReason::kOtherVolume;
    case ProfileSwapResult::kStopped: return NotScheduledReason::kStopped;
    case ProfileSwapResult::kRestartPending: return NotScheduledReason::kRestartPending;
    case ProfileSwapResult::kUnreadable:
    case ProfileSwapResult::kNotSaved: return NotScheduledReason::kNotSaved;
    default: return NotScheduledReason::kNotAccepted;
  }
}

}  // namespace

bool ProfileSwapOutcome::Stopped() const { return stoppedAt != StoppedAt::kNothing || interrupted; }

int ProfileSwapOutcome::Swapped() const {
  return static_cast<int>(std::count_if(hives.begin(), hives.end(), [](const auto& hive) {
    return hive.result == ProfileSwapResult::kSwapped;
  }));
}

namespace {

void Swap(ProfileSwapOutcome& outcome, const std::vector<const UserProfile*>& chosen) {
  // One entry per file, named as the hive is when its user is signed in, so
  // that the record, the copy and the backup name it as they name any hive.
  std::vector<std::unique_ptr<HiveEntry>> entries;
  for (const UserProfile* profile : chosen) {
    for (const profiles::ProfileHiveFile* file : {&profile->userHive, &profile->classesHive}) {
      if (!file->size || *file->size == 0) continue;
      auto entry = std::make_unique<HiveEntry>();
      entry->name = CString(
          (L"HKU\\" + profile->sid + (file == &profile->classesHive ? L"_Classes" : L"")).c_str());
      entry->path = PathOf(file->path);
      entry->size = *file->size;
      SwappedProfileHive hive;
      hive.sid = profile->sid;
      hive.name = entry->name.GetString();
      hive.file = file->path;
      hive.size = *file->size;
      hive.result = ProfileSwapResult::kStopped;
      outcome.hives.push_back(hive);
      entries.push_back(std::move(entry));
    }
  }
  std::vector<CompactionRow> rows;
  for (const auto& entry : entries) rows.push_back(CompactionRow{entry.get(), true});
  const std::vector<HiveTask> tasks = PlanTasks(rows);
  // A file whose path or name the planning leaves out is not touched.
  if (tasks.size() != outcome.hives.size()) {
    for (SwappedProfileHive& hive : outcome.hives) hive.result = ProfileSwapResult::kNotAccepted;
    return;
  }
  if (tasks.empty()) return;

  RunStart start(tasks);
  if (StoppedAtStart(start, outcome)) return;
  const RunFolder& run = start.run;
  RunRecordKeeper& record = start.record;
  outcome.runNumber = record.Record().number;

  SwapContext context{run, start.backupFolder, record};
  for (std::size_t index = 0; index < tasks.size(); ++index) {
    SwappedProfileHive& hive = outcome.hives[index];
    try {
      if (IsPendingSwap(start.pending, tasks[index].entry->name)) {
        hive.result = ProfileSwapResult::kRestartPending;
      } else {
        SwapOne(tasks[index], index, context, hive);
      }
    } catch (...) {
      outcome.interrupted = true;
      // Out of memory, say: the swaps made stand, on record; the rest are left.
      break;
    }
    if (hive.result != ProfileSwapResult::kSwapped &&
        !record.Record().hives.at(index).MayBeSwappedNow()) {
      record.LeftAlone(index, RecordReason(hive.result));
    }
  }
  // A file caught between the record and the exchange: what stands at its
  // name decides what the record says.
  for (std::size_t index = 0; index < tasks.size(); ++index) {
    const RecordedHive& recorded = record.Record().hives.at(index);
    SwappedProfileHive& hive = outcome.hives[index];
    if (recorded.state == SwapState::kSwappingNow) {
      if (HoldsCopyNow(recorded)) {
        hive.result = ProfileSwapResult::kSwapped;
        record.SwappedNow(index);
        continue;
      }
      if (hive.result == ProfileSwapResult::kSwapped) hive.result = ProfileSwapResult::kStopped;
      if (!hive.leftAtBackup) record.LeftAlone(index, RecordReason(hive.result));
    } else if (recorded.state == SwapState::kPlanned) {
      record.LeftAlone(index, NotScheduledReason::kStopped);
    }
  }
  record.Flush();
  if (outcome.Swapped() == 0 &&
      std::none_of(outcome.hives.begin(), outcome.hives.end(),
                   [](const SwappedProfileHive& hive) { return hive.leftAtBackup; })) {
    platform::Current().Files().RemoveEmptyDirectory(Text(start.backupFolder).c_str());
  }
  RemoveRunFolder(run.path);
  return;
}

}  // namespace

ProfileSwapOutcome SwapProfileHives(const std::vector<const UserProfile*>& chosen) {
  ProfileSwapOutcome outcome;
  try {
    Swap(outcome, chosen);
  } catch (...) {
    // Out of memory, say: every swap made is on record and in the outcome.
    outcome.interrupted = true;
  }
  return outcome;
}
