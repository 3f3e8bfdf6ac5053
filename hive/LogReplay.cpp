#include "hive/LogReplay.h"

#include "hive/BaseBlock.h"
#include "hive/Marvin32.h"

#include <algorithm>

namespace hive {

namespace {

struct Entry {
  const LogInput* log;
  std::size_t offset;
  std::uint32_t size;
  std::uint32_t flags;
  std::uint32_t sequence;
  std::uint32_t binsSize;
  std::uint32_t pages;
  std::uint64_t pageBytes = 0;  // bytes of pages it carries
};

// Where the `index`-th page reference of the entry at `entry` lies.
std::size_t PageReference(std::size_t entry, std::size_t index) {
  return entry + hvle::kHeaderSize + hvle::kPageReferenceSize * index;
}

// A damaged entry: the entries after it in its log are not read.
struct DamagedEntry {
  std::uint32_t sequence;
  bool sequenceTrusted;  // the header's own hash holds
  std::string description;
};

bool LogBaseBlockValid(Bytes log) {
  if (log.size() < kSectorSize || !HasSignature(log, regf::kSignature, "regf")) return false;
  BaseBlock base = ParseBaseBlock(log);
  return base.ChecksumOk() && base.SequencesAgree();
}

// Reads the HvLE entries of one log until the first that is not whole and sound.
void ReadEntries(const LogInput& log, std::vector<Entry>& entries, CFindingLog& findings,
                 std::vector<DamagedEntry>* damaged = nullptr) {
  Bytes bytes(log.bytes.data(), log.bytes.size());
  std::size_t offset = hvle::kFirst;
  while (Fits(bytes, offset, hvle::kHeaderSize) &&
         HasSignature(bytes, offset + hvle::kSignature, "HvLE")) {
    Entry entry{&log,
                offset,
                ReadU32(bytes, offset + hvle::kSize),
                ReadU32(bytes, offset + hvle::kFlags),
                ReadU32(bytes, offset + hvle::kSequence),
                ReadU32(bytes, offset + hvle::kBinsSize),
                ReadU32(bytes, offset + hvle::kPageCount)};
    std::string where = log.name + " at " + Hex(offset);
    const char* problem = nullptr;
    if (entry.size < hvle::kHeaderSize || entry.size % kSectorSize != 0 ||
        !Fits(bytes, offset, entry.size))
      problem = "has a size that does not fit the log";
    else if (entry.binsSize == 0 || entry.binsSize % kPageSize != 0)
      problem = "has a hive bins data size that is not a multiple of 4096";
    else if (Marvin32(bytes.subspan(offset + hvle::kHeaderSize, entry.size - hvle::kHeaderSize),
                      kLogEntrySeed) != ReadU64(bytes, offset + hvle::kPagesHash))
      problem = "fails its first hash (the pages are damaged)";
    else if (Marvin32(bytes.subspan(offset, hvle::kHeaderHash), kLogEntrySeed) !=
             ReadU64(bytes, offset + hvle::kHeaderHash))
      problem = "fails its second hash (the header is damaged)";
    if (!problem) {
      std::uint64_t room = entry.size - hvle::kHeaderSize;
      std::uint64_t need = std::uint64_t{entry.pages} * hvle::kPageReferenceSize;
      for (std::uint32_t i = 0; i < entry.pages && need <= room; ++i) {
        std::uint32_t pageOffset = ReadU32(bytes, PageReference(offset, i) + hvle::kPageOffset);
        std::uint32_t pageSize = ReadU32(bytes, PageReference(offset, i) + hvle::kPageBytes);
        if (pageOffset % kPageSize != 0 || pageSize == 0 || pageSize % kPageSize != 0 ||
            std::uint64_t{pageOffset} + pageSize > entry.binsSize) {
          problem = "refers to a page outside its hive bins data";
          break;
        }
        need += pageSize;
        entry.pageBytes += pageSize;
      }
      if (!problem && need > room) problem = "lists more page bytes than it holds";
    }
    if (problem) {
      std::string description =
          "log entry " + std::to_string(entry.sequence) + " in " + where + " " + problem;
      findings.Report(offset, FindingCode::LogEntryBad,
                      description + "; later entries of this log are not used");
      if (damaged) {
        bool trusted = Marvin32(bytes.subspan(offset, hvle::kHeaderHash), kLogEntrySeed) ==
                       ReadU64(bytes, offset + hvle::kHeaderHash);
        damaged->push_back(DamagedEntry{entry.sequence, trusted, std::move(description)});
      }
      return;
    }
    entries.push_back(entry);
    offset += entry.size;
  }
}

void ApplyEntry(std::vector<std::uint8_t>& image, const Entry& entry, ReplayOutcome& outcome) {
  Bytes log(entry.log->bytes.data(), entry.log->bytes.size());
  std::size_t needed = kBaseBlockSize + std::size_t{entry.binsSize};
  if (image.size() < needed) image.resize(needed, 0);
  std::size_t data = PageReference(entry.offset, entry.pages);
  for (std::uint32_t i = 0; i < entry.pages; ++i) {
    std::uint32_t pageOffset = ReadU32(log, PageReference(entry.offset, i) + hvle::kPageOffset);
    std::uint32_t pageSize = ReadU32(log, PageReference(entry.offset, i) + hvle::kPageBytes);
    std::copy_n(log.begin() + static_cast<std::ptrdiff_t>(data), pageSize,
                image.begin() + static_cast<std::ptrdiff_t>(kBaseBlockSize + pageOffset));
    data += pageSize;
    ++outcome.pagesWritten;
  }
  std::span<std::uint8_t> base(image.data(), kBaseBlockSize);
  WriteU32(base, regf::kPrimarySequence, entry.sequence);
  WriteU32(base, regf::kSecondarySequence, entry.sequence);
  WriteU32(base, regf::kBinsSize, entry.binsSize);
  WriteU32(base, regf::kFlags, entry.flags);
}

void ReplayNewFormat(std::vector<std::uint8_t>& image, const std::vector<const LogInput*>& logs,
                     ReplayOutcome& outcome, CFindingLog& findings) {
  std::vector<Entry> entries;
  std::vector<DamagedEntry> damaged;
  for (const LogInput* log : logs) ReadEntries(*log, entries, findings, &damaged);
  std::uint32_t expected = ParseBaseBlock(Bytes(image.data(), image.size())).secondarySequence;
  BaseBlock hive = ParseBaseBlock(Bytes(image.data(), image.size()));
  std::vector<Entry> later;
  for (const Entry& entry : entries)
    if (entry.sequence >= expected) later.push_back(entry);
  for (const LogInput* log : logs) {
    bool any = false, newer = false;
    std::uint32_t newest = 0;
    for (const Entry& entry : entries) {
      if (entry.log != log) continue;
      any = true;
      newer = newer || entry.sequence >= expected;
      newest = std::max(newest, entry.sequence);
    }
    if (any && !newer)
      findings.Report(0, FindingCode::LogStale,
                      log->name + " holds entries up to sequence number " + std::to_string(newest) +
                          ", older than the hive's " + std::to_string(expected) +
                          ": they are already in the hive");
  }
  std::stable_sort(later.begin(), later.end(),
                   [](const Entry& a, const Entry& b) { return a.sequence < b.sequence; });
  if (later.empty()) {
    findings.Report(regf::kSecondarySequence, FindingCode::LogNothingToApply,
                    "no log entry has sequence number " + std::to_string(expected) +
                        " or later; the dirty hive cannot be brought up to date");
    return;
  }
  if (later.front().sequence != expected) {
    // Windows starts a log afresh only once the hive file holds everything
    // logged before; such a log's base block is the hive's as it was then
    // (same timestamp and size) with the sequence number its chain starts at.
    const LogInput& first = *later.front().log;
    BaseBlock logBase = ParseBaseBlock(Bytes(first.bytes.data(), first.bytes.size()));
    bool startedFromThisFile = logBase.lastWritten == hive.lastWritten &&
                               logBase.binsSize == hive.binsSize &&
                               logBase.secondarySequence == later.front().sequence;
    if (!startedFromThisFile) {
      findings.Report(
          regf::kSecondarySequence, FindingCode::LogGap,
          "the logs start at sequence number " + std::to_string(later.front().sequence) +
              ", the hive expects " + std::to_string(expected) +
              "; the entries between are gone and the hive cannot be brought up to date");
      return;
    }
    findings.Report(regf::kSecondarySequence, FindingCode::LogSkippedEntries,
                    first.name + " starts at sequence number " +
                        std::to_string(later.front().sequence) + ", the hive expects " +
                        std::to_string(expected) +
                        "; the log was started from the state this hive file holds (same timestamp "
                        "and size), so the hive already holds the entries between");
  }
  std::uint32_t previous = 0;
  for (const Entry& entry : later) {
    if (outcome.entriesApplied != 0) {
      if (entry.sequence == previous) continue;  // the same entry kept in both logs
      if (entry.sequence != previous + 1) {
        findings.Report(entry.offset, FindingCode::LogStop,
                        "recovery stops after sequence number " + std::to_string(previous) +
                            ": the next entry found is " + std::to_string(entry.sequence));
        outcome.partial = true;
        outcome.stopReason = "the next entry found is " + std::to_string(entry.sequence);
        break;
      }
    }
    // Growth the entry's own pages do not fill would leave the hive
    // without bins there; refusing it also keeps a hostile log from
    // making us allocate gigabytes of nothing.
    std::uint32_t current = ReadU32(Bytes(image.data(), image.size()), regf::kBinsSize);
    if (entry.binsSize > current && entry.binsSize - current > entry.pageBytes) {
      findings.Report(entry.offset, FindingCode::LogEntryBad,
                      "log entry " + std::to_string(entry.sequence) + " in " + entry.log->name +
                          " at " + Hex(entry.offset) + " grows the hive bins data to " +
                          Hex(entry.binsSize) + " without pages there; recovery stops before it");
      outcome.partial = true;
      outcome.stopReason =
          "log entry " + std::to_string(entry.sequence) + " grows the hive without pages there";
      break;
    }
    ApplyEntry(image, entry, outcome);
    if (outcome.entriesApplied == 0) outcome.firstSequence = entry.sequence;
    ++outcome.entriesApplied;
    outcome.lastSequence = previous = entry.sequence;
    outcome.applied.push_back("entry " + std::to_string(entry.sequence) + " from " +
                              entry.log->name + " at " + Hex(entry.offset) + ": " +
                              std::to_string(entry.pages) + " pages");
  }
  // A damaged entry the hive still needed (or whose number cannot be
  // trusted) cut its log short: what came after it is lost.
  if (outcome.partial) return;
  for (const DamagedEntry& entry : damaged) {
    bool needed = entry.sequence >= expected &&
                  (outcome.entriesApplied == 0 || entry.sequence > outcome.lastSequence);
    if (!entry.sequenceTrusted || needed) {
      outcome.partial = true;
      outcome.stopReason = entry.description;
      return;
    }
  }
}

void ReplayOldFormat(std::vector<std::uint8_t>& image, const LogInput& log, ReplayOutcome& outcome,
                     CFindingLog& findings) {
  Bytes bytes(log.bytes.data(), log.bytes.size());
  BaseBlock logBase = ParseBaseBlock(bytes);
  if (!HasSignature(bytes, oldlog::kDirtSignature, "DIRT")) {
    findings.Report(oldlog::kDirtSignature, FindingCode::LogBad,
                    log.name + ": no \"DIRT\" vector at 0x200");
    return;
  }
  if (logBase.binsSize % kPageSize != 0) {
    findings.Report(regf::kBinsSize, FindingCode::LogBad,
                    log.name + ": hive bins data size is not a multiple of 4096");
    return;
  }
  std::size_t pages = logBase.binsSize / oldlog::kPageSize;
  std::size_t bitmapBytes = (pages + 7) / 8;
  if (!Fits(bytes, oldlog::kDirtBitmap, bitmapBytes)) {
    findings.Report(oldlog::kDirtSignature, FindingCode::LogBad,
                    log.name + ": the dirty vector is cut short");
    return;
  }
  std::size_t data =
      (oldlog::kDirtBitmap + bitmapBytes + kSectorSize - 1) / kSectorSize * kSectorSize;
  auto dirtyPage = [&](std::size_t page) {
    return ((bytes[oldlog::kDirtBitmap + page / 8] >> (page % 8)) & 1u) != 0;
  };
  // Grow only as far as the dirty pages reach: the log's hive bins data
  // size alone must not make us allocate what the log does not carry.
  std::size_t needed = image.size();
  std::size_t dirty = 0;
  for (std::size_t page = 0; page < pages; ++page)
    if (dirtyPage(page)) {
      needed = std::max(needed, kBaseBlockSize + (page + 1) * oldlog::kPageSize);
      ++dirty;
    }
  if (needed - image.size() > dirty * oldlog::kPageSize) {
    findings.Report(oldlog::kDirtSignature, FindingCode::LogBad,
                    log.name + ": its dirty pages lie past the hive and leave gaps");
    return;
  }
  std::vector<std::uint8_t> recovered(image);
  recovered.resize(needed, 0);
  std::size_t written = 0;
  for (std::size_t page = 0; page < pages; ++page) {
    if (!dirtyPage(page)) continue;
    if (!Fits(bytes, data, oldlog::kPageSize)) {
      findings.Report(
          data, FindingCode::LogBad,
          log.name + ": dirty page " + std::to_string(page) + " is missing from the log");
      return;
    }
    std::copy_n(
        bytes.begin() + static_cast<std::ptrdiff_t>(data), oldlog::kPageSize,
        recovered.begin() + static_cast<std::ptrdiff_t>(kBaseBlockSize + page * oldlog::kPageSize));
    data += oldlog::kPageSize;
    ++written;
  }
  // The log's base block is the one the hive had once the write completed.
  std::copy_n(bytes.begin(), kSectorSize, recovered.begin());
  MarkAsPrimary(std::span<std::uint8_t>(recovered.data(), kBaseBlockSize));
  image.swap(recovered);
  outcome.baseBlockRecovered = true;
  outcome.pagesWritten += written;
  ++outcome.entriesApplied;
  outcome.firstSequence = outcome.lastSequence = logBase.secondarySequence;
  outcome.applied.push_back(log.name + ": " + std::to_string(written) + " dirty 512-byte pages");
}

// A clean hive has no use for its logs, unless it was marked clean by a
// writer that never replayed them: then the logs hold newer entries.
void CheckCleanHiveAgainstLogs(const BaseBlock& primary, const std::vector<const LogInput*>& logs,
                               CFindingLog& findings) {
  CFindingLog ignored;
  std::vector<Entry> entries;
  for (const LogInput* log : logs) ReadEntries(*log, entries, ignored);
  const Entry* newest = nullptr;
  for (const Entry& entry : entries)
    if (entry.sequence >= primary.secondarySequence &&
        (!newest || entry.sequence > newest->sequence))
      newest = &entry;
  if (newest)
    findings.Report(regf::kSecondarySequence, FindingCode::LogsNotReplayed,
                    "the hive is marked clean at sequence number " +
                        std::to_string(primary.secondarySequence) + ", but " + newest->log->name +
                        " holds entries up to " + std::to_string(newest->sequence) +
                        ": it was marked clean without its logs replayed");
  else if (!logs.empty())
    findings.Report(0, FindingCode::LogNotNeeded,
                    "the hive is clean; its transaction logs hold nothing newer");
}

}  // namespace

ReplayOutcome ReplayLogs(std::vector<std::uint8_t>& image, const std::vector<LogInput>& logs,
                         CFindingLog& findings) {
  ReplayOutcome outcome;
  if (image.size() < kBaseBlockSize ||
      !HasSignature(Bytes(image.data(), image.size()), regf::kSignature, "regf"))
    return outcome;
  BaseBlock primary = ParseBaseBlock(Bytes(image.data(), image.size()));
  outcome.hiveWasDirty = primary.Dirty();

  std::vector<const LogInput*> newLogs;
  std::vector<const LogInput*> oldLogs;
  for (const LogInput& log : logs) {
    Bytes bytes(log.bytes.data(), log.bytes.size());
    if (bytes.empty()) {
      findings.Report(0, FindingCode::LogEmpty, log.name + " is empty");
      continue;
    }
    if (!LogBaseBlockValid(bytes)) {
      findings.Report(0, FindingCode::LogBad,
                      log.name +
                          ": not a transaction log with a sound base block (signature, "
                          "checksum and sequence numbers)");
      continue;
    }
    std::uint32_t type = ParseBaseBlock(bytes).fileType;
    if (type == static_cast<std::uint32_t>(FileType::NewLog))
      newLogs.push_back(&log);
    else if (type == static_cast<std::uint32_t>(FileType::OldLog) ||
             type == static_cast<std::uint32_t>(FileType::OldLogAlternate))
      oldLogs.push_back(&log);
    else
      findings.Report(regf::kFileType, FindingCode::LogBad,
                      log.name + ": file type " + std::to_string(type) + " is not a log");
  }
  if (!outcome.hiveWasDirty) {
    CheckCleanHiveAgainstLogs(primary, newLogs, findings);
    return outcome;
  }
  if (newLogs.empty() && oldLogs.empty()) return outcome;

  if (!newLogs.empty()) {
    if (!primary.ChecksumOk()) {
      // Windows takes the base block from the log when the hive's own is damaged.
      const LogInput* newest =
          *std::max_element(newLogs.begin(), newLogs.end(), [](auto a, auto b) {
            return ParseBaseBlock(Bytes(a->bytes.data(), a->bytes.size())).secondarySequence <
                   ParseBaseBlock(Bytes(b->bytes.data(), b->bytes.size())).secondarySequence;
          });
      std::copy_n(newest->bytes.begin(), kSectorSize, image.begin());
      MarkAsPrimary(std::span<std::uint8_t>(image.data(), kBaseBlockSize));
      outcome.baseBlockRecovered = true;
    }
    ReplayNewFormat(image, newLogs, outcome, findings);
  } else {
    // A damaged base block cannot say which write the log belongs to; the
    // first bin's timestamp is the hive's as of its last complete write. A
    // log no older than that, whose own base block is sound and names a
    // format this reader takes, carries the base block the hive had after
    // the write it logged: Windows recovers the header from it too.
    bool damaged = !primary.ChecksumOk();
    std::uint64_t stamp =
        damaged ? ReadU64(Bytes(image.data(), image.size()), kBaseBlockSize + hbin::kTimestamp)
                : primary.lastWritten;
    for (const LogInput* log : oldLogs) {
      BaseBlock logBase = ParseBaseBlock(Bytes(log->bytes.data(), log->bytes.size()));
      bool takesFormat = logBase.majorVersion == 1 && logBase.minorVersion >= 3 &&
                         logBase.minorVersion <= 6 && logBase.fileFormat == 1;
      bool belongs =
          damaged ? takesFormat && logBase.lastWritten >= stamp : logBase.lastWritten == stamp;
      if (!belongs) {
        findings.Report(
            0, FindingCode::LogNotApplicable,
            log->name + ": its timestamp differs from the hive's; it belongs to another write");
        continue;
      }
      ReplayOldFormat(image, *log, outcome, findings);
      if (outcome.entriesApplied != 0) break;
    }
  }
  if (outcome.entriesApplied != 0)
    StoreBaseBlockChecksum(std::span<std::uint8_t>(image.data(), kBaseBlockSize));
  return outcome;
}

}  // namespace hive
