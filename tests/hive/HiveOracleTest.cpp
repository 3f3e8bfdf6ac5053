// Our walk against an independent reader (libhivex, the library behind
// hivexml): same keys, values, types and data bytes. And the faults of
// hivex's own writer, which the validator must catch.

#include "hive/HiveCheck.h"
#include "tests/hive/ContentCollector.h"
#include "tests/hive/HiveTestSupport.h"
#include "tests/hive/HivexLibrary.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace hive;
using namespace hivetest;

namespace {

std::vector<std::string> Sorted(std::vector<std::string> lines) {
  std::sort(lines.begin(), lines.end());
  return lines;
}

// Reports the first few differences rather than two huge lists.
void ExpectSameContent(const std::vector<std::string>& ours, const std::vector<std::string>& theirs,
                       const std::string& what) {
  std::vector<std::string> onlyOurs;
  std::vector<std::string> onlyTheirs;
  std::set_difference(ours.begin(), ours.end(), theirs.begin(), theirs.end(),
                      std::back_inserter(onlyOurs));
  std::set_difference(theirs.begin(), theirs.end(), ours.begin(), ours.end(),
                      std::back_inserter(onlyTheirs));
  EXPECT_TRUE(onlyOurs.empty() && onlyTheirs.empty())
      << what << ": " << onlyOurs.size() << " lines only ours, " << onlyTheirs.size()
      << " only hivex's; first: " << (onlyOurs.empty() ? "" : onlyOurs[0].substr(0, 200)) << " / "
      << (onlyTheirs.empty() ? "" : onlyTheirs[0].substr(0, 200));
  EXPECT_FALSE(ours.empty()) << what;
}

class HiveOracle : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!m_hivex.Loaded())
      GTEST_SKIP() << "libhivex.so.0 is not installed (Debian package libhivex0)";
  }
  std::vector<std::string> Ours(const std::filesystem::path& file, bool cutNamesAtNul = false) {
    CContentCollector collector(cutNamesAtNul);
    CheckHiveBytes(ReadAll(file), {}, &collector);
    return Sorted(collector.lines);
  }
  std::vector<std::string> Theirs(const std::filesystem::path& file) {
    std::vector<std::string> lines;
    std::string error;
    EXPECT_TRUE(m_hivex.Dump(file, lines, error)) << error;
    return Sorted(lines);
  }
  CHivexLibrary m_hivex;
  CScratchFolder m_scratch;
};

TEST_F(HiveOracle, CleanRealHivesReadAsHivexReadsThem) {
  KELVARO_SKIP_WITHOUT_SAMPLES();
  const char* const clean[] = {
      "hivex/minimal",
      "hivex/special",
      "hivex/rlenvalue_test_hive",
      "regipy/BCD",
      "regipy/SAM",
      "regipy/NTUSER.DAT",
      "regipy/NTUSER_modified.DAT",
      "dfwinreg/dfwinreg-NTUSER.DAT",
      "dfwinreg/dfwinreg-SAM",
      "dfwinreg/dfwinreg-SECURITY",
      "dfwinreg/dfwinreg-UsrClass.dat",
  };
  for (std::size_t i = 0; i < std::size(clean); ++i) {
    std::filesystem::path file = Unpack(m_scratch.Path(), clean[i]);
    ASSERT_FALSE(file.empty()) << "row " << i;
    ExpectSameContent(Ours(file, true), Theirs(file), "row " + std::to_string(i) + ": " + clean[i]);
  }
}

TEST_F(HiveOracle, NamesKeepTheirEmbeddedNul) {
  KELVARO_SKIP_WITHOUT_SAMPLES();
  std::vector<std::string> ours = Ours(Unpack(m_scratch.Path(), "hivex/special"));
  const std::string key = std::string("K $$$PROTO.HIV\\zero") + '\0' + "key";
  EXPECT_NE(std::find(ours.begin(), ours.end(), key), ours.end());
}

TEST_F(HiveOracle, GeneratedHivesReadAsHivexReadsThem) {
  // Thousands of keys, non-ASCII names, 0 to 100,000-byte values, an ri list over 1,100 subkeys.
  BuildKey tree = AwkwardTree(4000);
  std::filesystem::path file = m_scratch.Path() / "generated";
  WriteAll(file, BuildHive(tree));
  std::vector<std::string> expected;
  ExpectedLines(tree, "", expected);
  std::vector<std::string> ours = Ours(file);
  EXPECT_EQ(ours, Sorted(expected));
  ExpectSameContent(ours, Theirs(file), "generated hive");
}

TEST_F(HiveOracle, HivexWriterFaultsAreCaught) {
  KELVARO_SKIP_WITHOUT_SAMPLES();
  struct Row {
    const char* key;
    std::vector<CHivexLibrary::NewValue> values;
    const char* code;
  };
  const Row rows[] = {
      // hivex hashes a non-ASCII name over its UTF-8 bytes.
      {"Gr\xC3\xBC\xC3\x9F"
       "e",
       {},
       "bad-lh-hash"},
      // hivex keeps a value over 16,344 bytes in one cell of a 1.5 hive.
      {"Big", {{"Blob", 3, Pattern(20000, 7)}}, "big-value-in-one-cell"},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    std::filesystem::path file = Unpack(m_scratch.Path(), "hivex/minimal");
    std::filesystem::permissions(file, std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
    std::string error;
    ASSERT_TRUE(m_hivex.AddKey(file, rows[i].key, rows[i].values, error))
        << "row " << i << ": " << error;
    CheckResult result = CheckHiveBytes(ReadAll(file), {});
    EXPECT_TRUE(result.findings.Has(rows[i].code)) << "row " << i << ": " << rows[i].code;
    EXPECT_EQ(result.verdict, Verdict::Errors) << "row " << i;
    std::filesystem::remove(file);
  }
}

TEST_F(HiveOracle, DirtyHiveMarkedCleanWithoutItsLogsIsCaught) {
  KELVARO_SKIP_WITHOUT_SAMPLES();
  std::filesystem::path file = Unpack(m_scratch.Path(), "regipy/transactions_NTUSER.DAT");
  std::filesystem::path log = Unpack(m_scratch.Path(), "regipy/transactions_ntuser.dat.log1");
  std::filesystem::permissions(file, std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::add);
  std::string error;
  ASSERT_TRUE(m_hivex.Recommit(file, error)) << error;
  CheckResult result = CheckHiveBytes(ReadAll(file), {LogInput{"log1", ReadAll(log)}});
  EXPECT_TRUE(result.base.SequencesAgree());
  EXPECT_TRUE(result.findings.Has("logs-not-replayed"));
  EXPECT_EQ(result.verdict, Verdict::Errors);
}

}  // namespace
