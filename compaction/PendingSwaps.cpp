#include "compaction/PendingSwaps.h"

#include <optional>
#include <set>

#include "catalogue/AsciiFold.h"
#include "compaction/LostWrites.h"
#include "compaction/ProtectedFolders.h"
#include "compaction/RunRecord.h"
#include "compaction/RunRecordFile.h"
#include "compaction/RunRecordKeeper.h"
#include "compaction/RunReference.h"
#include "path/FileOperations.h"
#include "platform/Platform.h"

namespace {

std::wstring Folded(const std::wstring& text) {
  std::wstring folded(text);
  for (wchar_t& unit : folded) unit = FoldAsciiLetter(unit);
  return folded;
}

std::optional<RunRecord> ReadRecord(const CPathName& file) {
  std::optional<std::vector<std::uint8_t>> text = ReadPlainFile(file);
  if (!text) return std::nullopt;
  return ParseRunRecord(*text);
}

// The swap moves the old file to the backup's name, and the first start
// after it hashes that backup: either says the swap was made, and the live
// file may grow as it likes since. Without either (no start yet, or the
// backups deleted unhashed), a live file not yet the copy's size waits.
bool SwapWaits(const RecordedHive& hive) {
  if (!hive.MaySwap() || !hive.backupSha256.empty()) return false;
  CPathName backup;
  if (!hive.backupFile.empty() && backup.SetPath(hive.backupFile.c_str()) && FileExists(backup)) {
    return false;
  }
  platform::FileFacts facts;
  if (!platform::Current().Files().QueryFileFacts(hive.liveFile.c_str(), &facts)) return false;
  return facts.size != hive.copySize;
}

}  // namespace

std::vector<std::wstring> PendingSwaps(const CPathName& windowsFolder) {
  std::vector<std::wstring> pending;
  std::optional<CPathName> newest = NewestRunRecord(windowsFolder);
  if (!newest) return pending;
  std::optional<RunRecord> record = ReadRecord(*newest);
  std::set<std::wstring> decided;
  const std::string waiting = ReasonWord(NotScheduledReason::kRestartPending);
  for (int number = record ? record->number : 0; number >= 1; --number) {
    std::optional<RunRecord> run = ReadRecord(RunRecordPath(windowsFolder, number));
    if (!run) continue;
    for (const RecordedHive& hive : run->hives) {
      if (decided.count(Folded(hive.name)) != 0) continue;
      if (hive.state == SwapState::kNotScheduled && hive.reason == waiting) continue;
      decided.insert(Folded(hive.name));
      if (SwapWaits(hive)) pending.push_back(hive.name);
    }
  }
  return pending;
}

bool IsPendingSwap(const std::vector<std::wstring>& pending, const CString& hiveName) {
  const std::wstring wanted = Folded(hiveName.str());
  for (const std::wstring& name : pending) {
    if (Folded(name) == wanted) return true;
  }
  return false;
}
