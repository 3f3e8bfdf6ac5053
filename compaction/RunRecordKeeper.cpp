#include "compaction/RunRecordKeeper.h"

#include "compaction/RunRecordFile.h"
#include "platform/Platform.h"

namespace {

std::wstring TextOf(const CPathName& path) {
  const CPathString text = path.GetText();
  return text.GetBuffer() != nullptr ? std::wstring(text.GetBuffer()) : std::wstring();
}

}  // namespace

const char* ReasonWord(NotScheduledReason reason) {
  switch (reason) {
    case NotScheduledReason::kNotSaved: return "not saved";
    case NotScheduledReason::kRefused: return "refused";
    case NotScheduledReason::kNoGain: return "no gain";
    case NotScheduledReason::kOtherVolume: return "other volume";
    case NotScheduledReason::kNotAccepted: return "not accepted";
    case NotScheduledReason::kStopped: return "stopped";
    case NotScheduledReason::kNoBackup: return "no backup";
    case NotScheduledReason::kRestartPending: return "restart pending";
  }
  return "unknown";
}

bool RunRecordKeeper::Start(const CPathName& windowsFolder, const std::vector<HiveTask>& tasks) {
  m_record.started = UtcTimeText(platform::Current().System().QueryUtcTime());
  m_record.version = KELVARO_RECORD_VERSION;
  for (const HiveTask& task : tasks) {
    RecordedHive hive;
    hive.name = task.entry->name.str();
    hive.liveFile = TextOf(task.entry->path);
    hive.liveSize = task.entry->size;
    m_record.hives.push_back(hive);
  }
  m_file = StartRunRecord(windowsFolder, m_record);
  return m_file.has_value();
}

bool RunRecordKeeper::BeforeSwap(std::size_t task, const CheckedCopy& copy,
                                 const CPathName& backupFile) {
  RecordedHive& hive = m_record.hives.at(task);
  hive.liveSize = copy.liveSize;
  hive.copySize = copy.size;
  hive.copySha256 = copy.sha256;
  hive.backupFile = TextOf(backupFile);
  hive.state = SwapState::kSwapping;
  if (Flush()) return true;
  // Not handed over after all: the record in memory says so too.
  hive.state = SwapState::kPlanned;
  return false;
}

bool RunRecordKeeper::BeforeSwapNow(std::size_t task, const CheckedCopy& copy,
                                    const CPathName& backupFile, std::uint64_t backupSize,
                                    const std::string& backupSha256) {
  RecordedHive& hive = m_record.hives.at(task);
  const RecordedHive before = hive;
  hive.liveSize = copy.liveSize;
  hive.copySize = copy.size;
  hive.copySha256 = copy.sha256;
  hive.backupFile = TextOf(backupFile);
  hive.backupSize = backupSize;
  hive.backupSha256 = backupSha256;
  hive.state = SwapState::kSwappingNow;
  if (Flush()) return true;
  hive = before;
  return false;
}

void RunRecordKeeper::SwappedNow(std::size_t task) {
  m_record.hives.at(task).state = SwapState::kSwappedNow;
  if (!Flush()) Flush();
}

void RunRecordKeeper::Scheduled(std::size_t task) {
  m_record.hives.at(task).state = SwapState::kScheduled;
  if (!Flush()) Flush();
}

void RunRecordKeeper::LeftAlone(std::size_t task, NotScheduledReason reason) {
  RecordedHive& hive = m_record.hives.at(task);
  hive.state = SwapState::kNotScheduled;
  hive.reason = ReasonWord(reason);
}

bool RunRecordKeeper::Flush() { return m_file && UpdateRunRecord(*m_file, m_record); }
