// libFuzzer target: any bytes the reader accepts without errors must write
// as a hive the reader accepts without errors, holding the same content
// (judged both by the writer's own matcher and by the content comparison),
// and writing that hive again must give the same bytes. The streamed writer
// the compaction uses must give the tree writer's bytes exactly.

#include "hive/ContentDiff.h"
#include "hive/ContentIndex.h"
#include "hive/HiveCheck.h"
#include "hive/StreamedHiveWriter.h"
#include "hive/Hive.h"
#include "hive/HiveTreeReader.h"
#include "hive/HiveWalk.h"
#include "hive/HiveWriter.h"
#include "hive/TreeMatcher.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

[[noreturn]] void Fail(const char* what, const std::string& detail) {
  std::fprintf(stderr, "compaction fault: %s: %s\n", what, detail.c_str());
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::uint8_t> input(data, data + size);
  hive::TreeReadResult read = hive::ReadHiveTree(input, {});
  if (read.check.verdict != hive::Verdict::Sound && read.check.verdict != hive::Verdict::Warnings)
    return 0;
  // Refused by the compaction with a message, as it should be.
  if (!read.unrepresentable.empty()) return 0;

  std::vector<std::uint8_t> written;
  try {
    written = hive::WriteHive(read.tree, hive::WriteOptions{});
  } catch (const hive::HiveWriteError& error) {
    Fail("a readable hive could not be written", error.what());
  }
  if (hive::CompactedSize(read.tree, hive::WriteOptions{}) != written.size())
    Fail("the compacted size is not the written size", std::to_string(written.size()));

  {
    hive::CheckResult check;
    std::unique_ptr<hive::CHive> opened =
        hive::CHive::OpenView(hive::Bytes(input), check.findings, check.refusal);
    if (!opened) Fail("a readable hive could not be opened over its bytes", check.refusal);
    hive::ContentIndex index;
    hive::CContentIndexer indexer(index, false, nullptr);
    hive::CheckOpenedHive(*opened, check, &indexer, hive::CheckScope::ContentOnly);
    hive::HiveHeader header = hive::HeaderFromBaseBlock(check.base, hive::Bytes());
    header.fileName = hive::HeaderFromBaseBlock(hive::BaseBlock{}, hive::Bytes(input)).fileName;
    std::vector<std::uint8_t> streamed;
    try {
      hive::WriteIndexedHive(*opened, std::move(index), header, hive::WriteOptions{},
                             [&](hive::Bytes piece) {
                               streamed.insert(streamed.end(), piece.begin(), piece.end());
                               return true;
                             });
    } catch (const hive::HiveWriteError& error) {
      Fail("the streamed writer refused a hive the tree writer wrote", error.what());
    }
    if (streamed != written) Fail("the streamed writer's bytes are not the tree writer's", "");
  }

  hive::CTreeMatcher matcher(read.tree.root);
  hive::CheckResult check = hive::CheckHiveBytes(written, {}, &matcher);
  if (check.base.Dirty() || check.findings.Count(hive::Severity::Error) != 0)
    Fail("the written hive has errors", check.findings.Kept().empty()
                                            ? std::string("dirty")
                                            : check.findings.Kept().front().message);
  if (!matcher.Matched()) Fail("the written hive's content differs", matcher.Difference());
  hive::ContentDiffResult diff = hive::DiffHiveContent(input, written);
  if (!diff.readable || diff.total != 0)
    Fail("the content comparison finds differences",
         diff.differences.empty()
             ? diff.error
             : diff.differences.front().path + ": " + diff.differences.front().what);

  hive::TreeReadResult again = hive::ReadHiveTree(written, {});
  if (hive::WriteHive(again.tree, hive::WriteOptions{}) != written)
    Fail("writing the written hive again changed it", "");
  return 0;
}
