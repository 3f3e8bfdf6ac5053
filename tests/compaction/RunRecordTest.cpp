// The run's record as text: what it writes reads back the same, text that is
// not a whole record is refused, and the copies' hashes are SHA-256's own.
// The records on disk: found whatever was deleted, numbered after the highest.
#include "compaction/RunRecord.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "compaction/RunRecordFile.h"
#include "hive/Sha256.h"
#include "platform/SecurityDescriptor.h"
#include "tests/compaction/CraftedRecord.h"
#include "tests/support/FakeMachine.h"

namespace {

std::vector<std::uint8_t> Bytes(const std::string& text) {
  return std::vector<std::uint8_t>(text.begin(), text.end());
}

RunRecord TwoHives() {
  RunRecord record = CraftedRunRecord(12);
  record.version = "1.1.0.0";
  RecordedHive user =
      UserHive(SwapState::kNotScheduled, L"C:\\Users\\J\u00f6rg \u4e2d\\NTUSER.DAT");
  user.reason = "no gain";
  record.hives.push_back(user);
  return record;
}

bool Same(const RunRecord& a, const RunRecord& b) {
  if (a.number != b.number || a.started != b.started || a.version != b.version ||
      a.hives.size() != b.hives.size()) {
    return false;
  }
  for (std::size_t i = 0; i < a.hives.size(); ++i) {
    const RecordedHive& x = a.hives[i];
    const RecordedHive& y = b.hives[i];
    if (x.state != y.state || x.name != y.name || x.liveFile != y.liveFile ||
        x.liveSize != y.liveSize || x.copySize != y.copySize || x.copySha256 != y.copySha256 ||
        x.backupFile != y.backupFile || x.reason != y.reason || x.backupSize != y.backupSize ||
        x.backupSha256 != y.backupSha256) {
      return false;
    }
  }
  return true;
}

TEST(RunRecordTest, ReadsBackWhatItWritesAndRefusesAnythingElse) {
  const std::vector<std::uint8_t> written = RunRecordText(TwoHives());
  const std::string whole(written.begin(), written.end());
  std::optional<RunRecord> read = ParseRunRecord(Bytes(whole));
  ASSERT_TRUE(read.has_value());
  EXPECT_TRUE(Same(*read, TwoHives()));

  const std::string hive = "hive\tscheduled\tHKLM\\SAM\tC:\\SAM\t10\t5\tab\tC:\\B\\SAM\t\r\n";
  const std::string head = "Kelvaro run record 1\r\nrun\t1\r\n";
  struct Row {
    const char* what;
    std::string text;
  };
  const Row rows[] = {
      {"empty", ""},
      {"another heading", "Kelvaro run record 2\r\nrun\t1\r\n"},
      {"cut in the last line", whole.substr(0, whole.size() - 3)},
      {"lines ending in LF alone", "Kelvaro run record 1\nrun\t1\n"},
      {"an unknown key", head + "owner\tsomeone\r\n"},
      {"a run number that is not one", "Kelvaro run record 1\r\nrun\t1x\r\n"},
      {"an unknown state", head + "hive\tdone\tHKLM\\SAM\tC:\\SAM\t10\t5\tab\tC:\\B\\SAM\t\r\n"},
      {"a hive line short of a field", head + hive.substr(0, hive.rfind('\t')) + "\r\n"},
      {"a size that is not a number",
       head + "hive\tscheduled\tHKLM\\SAM\tC:\\SAM\t-1\t5\tab\tC:\\B\t\r\n"},
      {"a name that is not UTF-8",
       head + "hive\tscheduled\tHKLM\\\xC3\tC:\\SAM\t10\t5\tab\tC:\\B\t\r\n"},
      {"a backup size without its hash", head + hive.substr(0, hive.size() - 2) + "\t12\r\n"},
      {"a backup size that is not a number",
       head + hive.substr(0, hive.size() - 2) + "\t1 2\tcd\r\n"},
  };
  const std::string hashed = hive.substr(0, hive.size() - 2) + "\t12\tcd\r\n";
  EXPECT_TRUE(ParseRunRecord(Bytes(head + hive)).has_value()) << "the rows' own base";
  EXPECT_TRUE(ParseRunRecord(Bytes(head + hashed)).has_value()) << "with the backup's hash";
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    EXPECT_FALSE(ParseRunRecord(Bytes(rows[i].text)).has_value())
        << "row " << i << ": " << rows[i].what;
  }
}

TEST(RunRecordTest, CopiesAreNamedByTheirSha256) {
  struct Row {
    std::string input;
    const char* digest;
  };
  const Row rows[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      // 56 bytes: the length no longer fits the block, padding takes a second one.
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {std::string(1000000, 'a'),
       "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    EXPECT_EQ(hive::Sha256Hex(Bytes(rows[i].input)), rows[i].digest)
        << "row " << i << ": " << rows[i].input.size() << " bytes";
  }
}

TEST(RunRecordTest, RunsAreFoundWhateverRecordsWereDeletedAndNoNumberIsGivenAgain) {
  const std::wstring records = L"C:\\Windows\\Kelvaro\\Records\\";
  struct Row {
    const char* what;
    std::function<void(platform::fake::FakeWindows&)> change;  // after runs 1, 2 and 3
    std::vector<int> onRecord;
    std::optional<int> next;  // nothing: no run may start
  };
  const Row rows[] = {
      {"all kept", [](platform::fake::FakeWindows&) {}, {1, 2, 3}, 4},
      {"the oldest deleted",
       [&](platform::fake::FakeWindows& fake) { fake.files.Remove(records + L"Run-1.record"); },
       {2, 3},
       4},
      {"one between deleted",
       [&](platform::fake::FakeWindows& fake) { fake.files.Remove(records + L"Run-2.record"); },
       {1, 3},
       4},
      {"the newest deleted",
       [&](platform::fake::FakeWindows& fake) { fake.files.Remove(records + L"Run-3.record"); },
       {1, 2},
       3},
      {"names that are no record's, and a run's folder of copies",
       [&](platform::fake::FakeWindows& fake) {
         for (const wchar_t* name : {L"Run-07.record", L"Run-x.record", L"Run-.record",
                                     L"Run-9999999.record", L"Run-8.record.new", L"Run-8.txt"}) {
           fake.files.AddFile(records + name, 10);
         }
         fake.files.MakeDirectoryWithSecurity((records + L"Run-9.record").c_str(),
                                              platform::ProtectedDescriptor());
         fake.files.MakeDirectoryWithSecurity((records + L"Run-3").c_str(),
                                              platform::ProtectedDescriptor());
       },
       {1, 2, 3},
       4},
      {"every record deleted, a run's backups kept",
       [&](platform::fake::FakeWindows& fake) {
         for (const wchar_t* name : {L"Run-1.record", L"Run-2.record", L"Run-3.record"}) {
           fake.files.Remove(records + name);
         }
         fake.files.AddFolder(L"C:\\Windows\\Kelvaro Backup\\Run-2");
       },
       {},
       3},
      {"backups of a run beyond the records, and a file named as one",
       [&](platform::fake::FakeWindows& fake) {
         fake.files.AddFolder(L"C:\\Windows\\Kelvaro Backup\\Run-7");
         fake.files.AddFile(L"C:\\Windows\\Kelvaro Backup\\Run-9", 10);
       },
       {1, 2, 3},
       8},
      {"a record named in other letters",
       [&](platform::fake::FakeWindows& fake) {
         fake.files.AddFile(records + L"RUN-5.RECORD", 10);
       },
       {1, 2, 3, 5},
       6},
      {"the folder cannot be searched",
       [](platform::fake::FakeWindows& fake) { fake.faults.Fail("FindFirstFileW", 5); },
       {},
       std::nullopt},
      {"the search fails half-way",
       [](platform::fake::FakeWindows& fake) { fake.faults.Fail("FindNextFileW", 5); },
       {},
       std::nullopt},
  };
  const CPathName windows = [] {
    CPathName path;
    path.SetPath(L"C:\\Windows");
    return path;
  }();
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const std::string label = "row " + std::to_string(i) + ": " + rows[i].what;
    test_support::FakeMachine fake;
    fake.files.MakeDirectoryWithSecurity(L"C:\\Windows\\Kelvaro", platform::ProtectedDescriptor());
    for (int run = 1; run <= 3; ++run) {
      RunRecord record = CraftedRunRecord(0);
      ASSERT_TRUE(StartRunRecord(windows, record)) << label;
      ASSERT_EQ(record.number, run) << label;
    }
    rows[i].change(fake);
    EXPECT_EQ(RunsOnRecord(windows), rows[i].onRecord) << label;
    // A fault planned above fails one call: the listing took it, so plan it again.
    if (!rows[i].next) rows[i].change(fake);
    RunRecord record = CraftedRunRecord(0);
    std::optional<CPathName> started = StartRunRecord(windows, record);
    ASSERT_EQ(started.has_value(), rows[i].next.has_value()) << label;
    if (started) {
      EXPECT_EQ(record.number, *rows[i].next) << label;
    }
  }
}

}  // namespace
