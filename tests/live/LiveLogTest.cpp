// The log is written only into a sound Kelvaro folder, only through a file
// that is neither a link nor a second name of another file.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "platform/SecurityDescriptor.h"
#include "tests/live/LiveMachine.h"
#include "cli/live/LiveLog.h"

namespace live_test {
namespace {

using compaction_test::CompactionMachine;

const std::wstring kElsewhere = L"C:\\Users\\Admin\\notes.txt";

struct AppendRow {
  const char* scenario;
  std::function<void(CompactionMachine&)> setUp;
  bool written;
  std::string logAfter;  // the log file's text afterwards (empty: no file)
};

TEST(LiveLogTest, AppendsOnlyWhereNoOtherProgramCouldSteerIt) {
  const std::vector<AppendRow> rows = {
      {"fresh machine", [](CompactionMachine&) {}, true, "new\r\n"},
      {"earlier lines",
       [](CompactionMachine& m) {
         m.fake.files.AddFolder(kKelvaroFolder);
         m.fake.files.SetSecurity(kKelvaroFolder, platform::ProtectedDescriptor());
         m.fake.files.WriteFile(kLogFile, {'o', 'l', 'd', '\r', '\n'});
       },
       true, "old\r\nnew\r\n"},
      {"log is a symbolic link",
       [](CompactionMachine& m) {
         m.fake.files.AddFolder(kKelvaroFolder);
         m.fake.files.SetSecurity(kKelvaroFolder, platform::ProtectedDescriptor());
         m.fake.files.AddSymbolicLink(kLogFile, kElsewhere);
       },
       false, ""},
      {"log has a second name",
       [](CompactionMachine& m) {
         m.fake.files.AddFolder(kKelvaroFolder);
         m.fake.files.SetSecurity(kKelvaroFolder, platform::ProtectedDescriptor());
         m.fake.files.WriteFile(kLogFile, {'x'});
         m.fake.files.SetLinkCount(kLogFile, 2);
       },
       false, "x"},
      {"log is a folder",
       [](CompactionMachine& m) {
         m.fake.files.AddFolder(kLogFile);
         m.fake.files.SetSecurity(kKelvaroFolder, platform::ProtectedDescriptor());
       },
       false, ""},
      {"Kelvaro folder is a junction",
       [](CompactionMachine& m) {
         m.fake.files.AddJunction(kKelvaroFolder, compaction_test::kTempFolder);
       },
       false, ""},
      {"Kelvaro folder made by the user",
       [](CompactionMachine& m) {
         m.fake.files.AddFolder(kKelvaroFolder);
         m.fake.files.SetSecurity(kKelvaroFolder, platform::fake::UserFolderDescriptor());
       },
       false, ""},
      {"Kelvaro is a file", [](CompactionMachine& m) { m.fake.files.AddFile(kKelvaroFolder, 3); },
       false, ""},
      {"the platform refuses the append",
       [](CompactionMachine& m) {
         m.fake.faults.Fail("CreateFileW(append)", platform::kErrorAccessDenied);
       },
       false, ""},
  };
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const AppendRow& row = rows[i];
    CompactionMachine machine;
    machine.fake.files.WriteFile(kElsewhere, {'m', 'i', 'n', 'e'});
    row.setUp(machine);
    EXPECT_EQ(AppendToLiveLog("new\r\n"), row.written) << "row " << i << ": " << row.scenario;
    EXPECT_EQ(LogText(machine), row.logAfter) << "row " << i << ": " << row.scenario;
    EXPECT_EQ(*machine.fake.files.ReadFile(kElsewhere),
              std::vector<std::uint8_t>({'m', 'i', 'n', 'e'}))
        << "row " << i << ": " << row.scenario;
    if (row.written) {
      EXPECT_EQ(machine.fake.files.SecurityOf(kLogFile), platform::ProtectedDescriptor())
          << "row " << i << ": " << row.scenario;
    }
  }
}

}  // namespace
}  // namespace live_test
