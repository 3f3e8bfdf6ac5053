// The table of finding codes: every code at the level decided for it, and
// the table consistent with itself (the JSON output and --help rely on it).

#include "hive/FindingCodes.h"
#include "tests/hive/HiveTestSupport.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

using namespace hive;

namespace {

TEST(FindingCodes, EachCodeHasTheLevelDecidedForIt) {
  struct Row {
    const char* name;
    Severity level;
  };
  // Notes: what Windows leaves in healthy files. Warnings: readable, but
  // damaged or not as Windows writes it. Errors: content lost or unreadable.
  const Row rows[] = {
      {"largest-too-large", Severity::Note},
      {"volatile-fields", Severity::Note},
      {"base-block-reserved", Severity::Note},
      {"data-after-bins", Severity::Note},
      {"zero-padding-after-bins", Severity::Note},
      {"log-empty", Severity::Note},
      {"log-not-applicable", Severity::Note},
      {"log-not-needed", Severity::Note},
      {"log-stop", Severity::Note},
      {"log-stale", Severity::Note},
      {"log-skipped-entries", Severity::Note},
      {"bin-spare", Severity::Warning},
      {"sk-refcount-high", Severity::Warning},
      {"sk-unused", Severity::Warning},
      {"root-flags", Severity::Warning},
      {"volatile-key", Severity::Warning},
      {"unreferenced-cell", Severity::Warning},
      {"dirty", Severity::Warning},
      {"log-bad", Severity::Warning},
      {"log-entry-bad", Severity::Warning},
      {"log-gap", Severity::Warning},
      {"log-nothing-to-apply", Severity::Warning},
      {"bad-bin-header", Severity::Error},
      {"bad-bins-size", Severity::Error},
      {"bad-cell", Severity::Error},
      {"damaged-cell-used", Severity::Error},
      {"bad-checksum", Severity::Error},
      {"bad-file-format", Severity::Error},
      {"bad-inline-size", Severity::Error},
      {"bad-key", Severity::Error},
      {"bad-key-name", Severity::Error},
      {"bad-symbolic-link", Severity::Error},
      {"bad-lf-hint", Severity::Error},
      {"bad-lh-hash", Severity::Error},
      {"bad-parent", Severity::Error},
      {"bad-reference", Severity::Error},
      {"bad-root", Severity::Error},
      {"bad-security", Severity::Error},
      {"bad-subkey-list", Severity::Error},
      {"bad-value", Severity::Error},
      {"big-value-in-one-cell", Severity::Error},
      {"bin-size-mismatch", Severity::Error},
      {"bins-past-end", Severity::Error},
      {"cell-shared", Severity::Error},
      {"class-short", Severity::Error},
      {"db-segments", Severity::Error},
      {"key-twice", Severity::Error},
      {"largest-too-small", Severity::Error},
      {"list-too-long", Severity::Error},
      {"subkey-count", Severity::Error},
      {"subkeys-out-of-order", Severity::Error},
      {"sk-refcount", Severity::Error},
      {"sk-ring", Severity::Error},
      {"too-deep", Severity::Error},
      {"value-count", Severity::Error},
      {"value-data-short", Severity::Error},
      {"logs-not-replayed", Severity::Error},
      {"bad-clustering-factor", Severity::Error},
      {"big-data-too-early", Severity::Error},
      {"big-data-too-small", Severity::Error},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const FindingCodeInfo* info = FindFindingCode(rows[i].name);
    ASSERT_NE(info, nullptr) << "row " << i << " (" << rows[i].name << ") is not in the table";
    EXPECT_EQ(SeverityName(info->level), std::string(SeverityName(rows[i].level)))
        << "row " << i << " (" << rows[i].name << ")";
  }
  // No code escapes this list: a new one needs its level decided here too.
  EXPECT_EQ(AllFindingCodes().size(), std::size(rows));
  // The root key's parent field is ignored, so it has no code.
  EXPECT_EQ(FindFindingCode("root-parent"), nullptr);
}

TEST(FindingCodes, TableIsConsistent) {
  std::set<std::string> names;
  std::span<const FindingCodeInfo> codes = AllFindingCodes();
  for (std::size_t i = 0; i < codes.size(); ++i) {
    EXPECT_EQ(static_cast<std::size_t>(codes[i].code), i)
        << "row " << i << " (" << codes[i].name << ")";
    EXPECT_EQ(&Describe(codes[i].code), &codes[i]) << "row " << i;
    EXPECT_TRUE(names.insert(std::string(codes[i].name)).second)
        << "row " << i << " repeats " << codes[i].name;
    EXPECT_FALSE(codes[i].meaning.empty()) << "row " << i;
  }
}

TEST(FindingCodes, ReadmeListsEveryCodeAsTheTableHasIt) {
  std::vector<std::uint8_t> bytes = hivetest::ReadAll(hivetest::SourceFolder() / "README.md");
  if (bytes.empty()) GTEST_SKIP() << "README.md cannot be read from here";
  std::string readme(bytes.begin(), bytes.end());
  std::span<const FindingCodeInfo> codes = AllFindingCodes();
  for (std::size_t i = 0; i < codes.size(); ++i) {
    std::string row = "| `" + std::string(codes[i].name) + "` | " + SeverityName(codes[i].level) +
                      " | " + std::string(codes[i].meaning) + " |";
    EXPECT_NE(readme.find(row), std::string::npos) << "row " << i << ": README lacks " << row;
  }
}

}  // namespace
