#include "hive/HiveCompaction.h"

#include "hive/FileBytes.h"
#include "hive/HiveTreeReader.h"
#include "hive/Hive.h"
#include "hive/HiveWalk.h"
#include "hive/LogFiles.h"
#include "hive/TreeMatcher.h"

#include <algorithm>
#include <new>
#include <chrono>
#include <cstdio>
#include <random>

namespace hive {

namespace {

constexpr std::size_t kWriteChunk = 1 << 20;
// Rough shares of the time: reading and checking the input, then building and
// checking the new hive, then writing it.
constexpr double kReadingEnds = 0.4;
constexpr double kWritingStarts = 0.7;

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

  // The input, checked for change while it was read.
  std::vector<std::uint8_t> bytes;
  std::string error;
  std::optional<std::uintmax_t> sizeBefore = files.Size(request.input);
  if (!sizeBefore || !files.Read(request.input, bytes, error))
    return Stop(outcome, CompactStatus::Unreadable,
                error.empty() ? input + ": cannot read" : error);
  std::optional<std::uintmax_t> sizeAfter = files.Size(request.input);
  if (!sizeAfter || *sizeAfter != *sizeBefore || bytes.size() != *sizeBefore)
    return Stop(outcome, CompactStatus::Refused,
                input + ": changed size while it was read; nothing written");
  outcome.sizeBefore = bytes.size();

  std::vector<LogInput> logs;
  std::vector<std::filesystem::path> logFiles =
      request.logs.empty() ? FindLogsBeside(request.input) : request.logs;
  for (const std::filesystem::path& logFile : logFiles) {
    if (files.SameFile(logFile, request.output))
      return Stop(outcome, CompactStatus::Refused,
                  output + " is a log of the input; write to another file");
    LogInput log{PathText(logFile), {}};
    if (!files.Read(logFile, log.bytes, error))
      return Stop(outcome, CompactStatus::Unreadable, error);
    logs.push_back(std::move(log));
  }

  Report(request, 0);
  TreeReadResult read = ReadHiveTree(std::move(bytes), logs);
  Report(request, kReadingEnds);
  outcome.minorBefore = read.check.base.minorVersion;
  outcome.logEntriesApplied = read.check.replay.entriesApplied;
  switch (read.check.verdict) {
    case Verdict::Unreadable:
      return Stop(outcome, CompactStatus::Unreadable, input + ": " + read.check.refusal);
    case Verdict::Dirty:
      return Stop(outcome, CompactStatus::Refused,
                  input + ": the hive is dirty and " +
                      (logs.empty() ? std::string("no transaction log was found")
                                    : std::string("its logs do not bring it up to date")) +
                      "; nothing written");
    case Verdict::Errors:
      return Stop(outcome, CompactStatus::Refused,
                  input + ": the hive has errors (" + FirstError(read.check.findings) +
                      "); compacting it would lose content; nothing written");
    case Verdict::Sound:
    case Verdict::Warnings: break;
  }

  const ReplayOutcome& replay = read.check.replay;
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

  if (read.check.findings.Has(FindingCode::RootFlags))
    outcome.warnings.push_back(
        "the root key was not marked as the hive's entry key; the output marks it");

  if (!read.unrepresentable.empty())
    return Stop(outcome, CompactStatus::Refused,
                input + ": " + read.unrepresentable + "; nothing written");

  std::vector<std::uint8_t> written;
  try {
    written = WriteHive(read.tree, request.options);
  } catch (const HiveWriteError& failure) {
    return Stop(outcome, CompactStatus::Refused, input + ": " + failure.what());
  }
  outcome.sizeAfter = written.size();
  outcome.minorAfter = WrittenMinorVersion(read.tree, request.options);

  // The new bytes must read as a hive without errors holding exactly the
  // input's content before they go anywhere near the destination.
  CFindingLog findings;
  std::string refusal;
  std::unique_ptr<CHive> hive = CHive::Open(std::move(written), findings, refusal);
  if (!hive)
    return Stop(outcome, CompactStatus::Refused,
                input + ": the new hive is unreadable: " + refusal);
  CTreeMatcher matcher(read.tree.root, request.options.leaveOutVolatileKeys);
  HiveStatistics statistics;
  CHiveWalk(*hive, findings, &matcher).Run(statistics);
  if (hive->Base().Dirty() || findings.Count(Severity::Error) != 0)
    return Stop(outcome, CompactStatus::Refused,
                input + ": the new hive does not check as sound (" + FirstError(findings) +
                    "); nothing written");
  if (!matcher.Matched())
    return Stop(outcome, CompactStatus::Refused,
                input + ": the new hive's content differs from the input: " + matcher.Difference() +
                    "; nothing written");
  read.tree = HiveTree();
  Report(request, kWritingStarts);
  Bytes newBytes = hive->FileBytes();

  std::filesystem::path temporary = TemporaryBeside(request.output);
  auto fail = [&](std::string message) {
    files.Remove(temporary);
    return Stop(outcome, CompactStatus::Refused, std::move(message) + "; nothing written");
  };
  // Running out of memory past this point must not leave the temporary file.
  try {
    if (!files.Create(temporary, error)) return fail(error);
    for (std::size_t at = 0; at < newBytes.size(); at += kWriteChunk) {
      std::size_t size = std::min(kWriteChunk, newBytes.size() - at);
      if (!files.Append(newBytes.subspan(at, size), error)) return fail(error);
      Report(request, kWritingStarts + (1 - kWritingStarts) * static_cast<double>(at + size) /
                                           static_cast<double>(newBytes.size()));
    }
    if (!files.Finish(error)) return fail(error);

    // What is on disk must be those bytes.
    if (!files.Holds(temporary, newBytes, error)) return fail(error);

    if (!files.Rename(temporary, request.output, error)) return fail(error);
    outcome.status = CompactStatus::Written;
    return outcome;
  } catch (const std::bad_alloc&) {
    files.Remove(temporary);
    throw;
  }
}

}  // namespace hive
