#include "hive/HiveCompaction.h"

#include "hive/ContentDigests.h"
#include "hive/ContentIndex.h"
#include "hive/FileBytes.h"
#include "hive/FileView.h"
#include "hive/Hive.h"
#include "hive/HiveCheck.h"
#include "hive/HiveTreeReader.h"
#include "hive/HiveWalk.h"
#include "hive/LogFiles.h"
#include "hive/LogReplay.h"
#include "hive/StreamedHiveWriter.h"

#include <algorithm>
#include <new>
#include <chrono>
#include <cstdio>
#include <random>

namespace hive {

namespace {

// Rough shares of the time: reading and checking the input, then writing the
// new hive, then reading it back and checking it.
constexpr double kReadingEnds = 0.4;
constexpr double kCheckingStarts = 0.75;

void Report(const CompactRequest& request, double done) {
  if (request.progress) request.progress(done);
}

CompactOutcome Stop(CompactOutcome outcome, CompactStatus status, std::string message) {
  outcome.status = status;
  outcome.message = std::move(message);
  return outcome;
}

std::string FirstError(const CFindingLog& findings) {
  for (const Finding& finding : findings.Kept())
    if (finding.severity == Severity::Error) return finding.message;
  return "errors";
}

}  // namespace

int CompactExitCode(CompactStatus status) {
  switch (status) {
    case CompactStatus::Written: return 0;
    case CompactStatus::Refused: return 2;
    case CompactStatus::Unreadable: return 3;
  }
  return 3;
}

std::filesystem::path TemporaryBeside(const std::filesystem::path& output) {
  std::random_device device;
  std::mt19937_64 random(
      device() ^
      static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
  char suffix[20];
  std::snprintf(suffix, sizeof suffix, "%016llx", static_cast<unsigned long long>(random()));
  std::filesystem::path name = output.filename();
  name += ".kelvaro-";
  name += suffix;
  name += ".tmp";
  return output.parent_path() / name;
}

CompactOutcome CompactHiveFile(const CompactRequest& request, IOutputFiles& files) {
  CompactOutcome outcome;
  std::string input = PathText(request.input);
  std::string output = PathText(request.output);
  if (files.SameFile(request.input, request.output))
    return Stop(outcome, CompactStatus::Refused,
                output + " is the input file; write to another file");

  std::optional<std::uintmax_t> sizeBefore = files.Size(request.input);
  std::uintmax_t largest = files.LargestHeld();
  if (sizeBefore && *sizeBefore > largest && largest < kLargestReadableFile)
    return Stop(outcome, CompactStatus::Refused,
                input + ": " + std::to_string(*sizeBefore) +
                    " bytes, more than this 32-bit program can hold (" + std::to_string(largest) +
                    " bytes); compact it with the 64-bit program; nothing written");

  std::vector<LogInput> logs;
  std::vector<std::filesystem::path> logFiles =
      request.logs.empty() ? FindLogsBeside(request.input) : request.logs;
  for (const std::filesystem::path& logFile : logFiles) {
    if (files.SameFile(logFile, request.output))
      return Stop(outcome, CompactStatus::Refused,
                  output + " is a log of the input; write to another file");
  }

  // The input, checked for change while it was read. A replay writes into
  // it, so then it is read into memory; else it is only looked at.
  std::string error;
  CFileView view;
  std::vector<std::uint8_t> replayed;
  bool read = !logFiles.empty() ? files.Read(request.input, replayed, error)
                                : files.View(request.input, view, error);
  if (!sizeBefore || !read)
    return Stop(outcome, CompactStatus::Unreadable,
                error.empty() ? input + ": cannot read" : error);
  std::size_t inputSize = logFiles.empty() ? view.View().size() : replayed.size();
  std::optional<std::uintmax_t> sizeAfter = files.Size(request.input);
  if (!sizeAfter || *sizeAfter != *sizeBefore || inputSize != *sizeBefore)
    return Stop(outcome, CompactStatus::Refused,
                input + ": changed size while it was read; nothing written");
  outcome.sizeBefore = inputSize;

  for (const std::filesystem::path& logFile : logFiles) {
    LogInput log{PathText(logFile), {}};
    if (!files.Read(logFile, log.bytes, error))
      return Stop(outcome, CompactStatus::Unreadable, error);
    logs.push_back(std::move(log));
  }

  Report(request, 0);
  CheckResult check;
  ContentIndex index;
  CContentDigests digests(nullptr, request.options.leaveOutVolatileKeys);
  CContentIndexer indexer(index, request.options.leaveOutVolatileKeys, &digests);
  std::unique_ptr<CHive> hive;
  // The file name field as the file holds it, whatever a log's base block says.
  std::vector<std::uint8_t> fileName;
  if (!logFiles.empty()) {
    fileName = HeaderFromBaseBlock(BaseBlock{}, replayed).fileName;
    if (!logs.empty()) check.replay = ReplayLogs(replayed, logs, check.findings);
    logs.clear();
    hive = CHive::Open(std::move(replayed), check.findings, check.refusal);
  } else {
    hive = CHive::OpenView(view.View(), check.findings, check.refusal);
    fileName = HeaderFromBaseBlock(BaseBlock{}, view.View()).fileName;
  }
  if (hive) CheckOpenedHive(*hive, check, &indexer, CheckScope::ContentOnly);
  Report(request, kReadingEnds);
  outcome.minorBefore = check.base.minorVersion;
  outcome.logEntriesApplied = check.replay.entriesApplied;
  switch (check.verdict) {
    case Verdict::Unreadable:
      return Stop(outcome, CompactStatus::Unreadable, input + ": " + check.refusal);
    case Verdict::Dirty:
      return Stop(outcome, CompactStatus::Refused,
                  input + ": the hive is dirty and " +
                      (logFiles.empty() ? std::string("no transaction log was found")
                                        : std::string("its logs do not bring it up to date")) +
                      "; nothing written");
    case Verdict::Errors:
      return Stop(outcome, CompactStatus::Refused,
                  input + ": the hive has errors (" + FirstError(check.findings) +
                      "); compacting it would lose content; nothing written");
    case Verdict::Sound:
    case Verdict::Warnings: break;
  }

  const ReplayOutcome& replay = check.replay;
  if (replay.partial) {
    std::string stopped = replay.entriesApplied == 0 ? "the log replay applied no entry"
                                                     : "the log replay stopped after entry " +
                                                           std::to_string(replay.lastSequence);
    stopped += " (" + replay.stopReason + ")";
    if (!request.acceptPartialReplay)
      return Stop(outcome, CompactStatus::Refused,
                  input + ": " + stopped +
                      "; the later logged writes would be missing. Give --accept-partial-replay "
                      "to write the state the replay reached; nothing written");
    outcome.partialReplay = true;
    outcome.warnings.push_back(stopped +
                               ": the output holds the state the replay reached, without the "
                               "later logged writes");
  }

  if (check.findings.Has(FindingCode::RootFlags))
    outcome.warnings.push_back(
        "the root key was not marked as the hive's entry key; the output marks it");

  if (!index.unrepresentable.empty())
    return Stop(outcome, CompactStatus::Refused,
                input + ": " + index.unrepresentable + "; nothing written");

  std::filesystem::path temporary = TemporaryBeside(request.output);
  auto fail = [&](std::string message) {
    files.Remove(temporary);
    return Stop(outcome, CompactStatus::Refused, std::move(message) + "; nothing written");
  };
  // Running out of memory past this point must not leave the temporary file.
  try {
    HiveHeader base = HeaderFromBaseBlock(check.base, Bytes());
    base.fileName = std::move(fileName);
    if (!files.Create(temporary, error)) return fail(error);
    std::uint64_t sent = 0;
    std::uint64_t expected = std::max<std::uint64_t>(outcome.sizeBefore, 1);
    StreamedWrite written;
    try {
      written = WriteIndexedHive(*hive, std::move(index), base, request.options, [&](Bytes piece) {
        if (!files.Append(piece, error)) return false;
        sent += piece.size();
        Report(request, kReadingEnds + (kCheckingStarts - kReadingEnds) *
                                           std::min(1.0, static_cast<double>(sent) /
                                                             static_cast<double>(expected)));
        return true;
      });
    } catch (const HiveWriteError& failure) {
      return fail(input + ": " + failure.what());
    }
    if (!written.complete) return fail(error);
    if (!files.Finish(error)) return fail(error);
    outcome.sizeAfter = written.size;
    outcome.minorAfter = written.minor;

    // The input is let go before the new file is read back: never both whole in memory.
    const std::vector<KeyDigest>& expectedDigests = digests.Recorded();
    hive.reset();
    view.Release();

    // What is on disk must read as a hive without errors holding exactly
    // the input's content before it goes anywhere near the destination.
    CFileView writtenView;
    if (!files.ReadBack(temporary, writtenView, error)) return fail(error);
    CFindingLog findings;
    std::string refusal;
    std::unique_ptr<CHive> writtenHive = CHive::OpenView(writtenView.View(), findings, refusal);
    if (!writtenHive) return fail(input + ": the new hive is unreadable: " + refusal);
    if (writtenView.View().size() != written.size)
      return fail(PathText(temporary) + ": does not read back as written");
    CContentDigests matcher(&expectedDigests, request.options.leaveOutVolatileKeys);
    HiveStatistics statistics;
    CHiveWalk(*writtenHive, findings, &matcher).Run(statistics);
    if (writtenHive->Base().Dirty() || findings.Count(Severity::Error) != 0)
      return fail(input + ": the new hive does not check as sound (" + FirstError(findings) + ")");
    if (!matcher.Matched())
      return fail(input +
                  ": the new hive's content differs from the input: " + matcher.Difference());
    writtenHive.reset();
    writtenView.Release();
    Report(request, 1);

    if (!files.Rename(temporary, request.output, error)) return fail(error);
    outcome.status = CompactStatus::Written;
    return outcome;
  } catch (const std::bad_alloc&) {
    files.Remove(temporary);
    throw;
  }
}

}  // namespace hive
