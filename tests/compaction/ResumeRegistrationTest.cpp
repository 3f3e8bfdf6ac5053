// The start-up value that opens the results window at the next logon.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "compaction/ProgramCopy.h"
#include "compaction/ResumeRegistration.h"
#include "platform/SecurityDescriptor.h"
#include "tests/compaction/CompactionMachine.h"
#include "tests/support/FakeMachine.h"

namespace {

using compaction_test::Narrow;
using platform::kHKeyLocalMachine;
using platform::fake::WideBytes;

class ResumeRegistrationTest : public ::testing::Test {
 protected:
  std::optional<platform::fake::FakeValue> Value(const wchar_t* key) const {
    return fake.registry.GetValue(kHKeyLocalMachine, key, kStartupValueName);
  }

  // The program the user started, as a file of its own, held since its start.
  void StartedFrom(const std::wstring& path, std::vector<std::uint8_t> bytes = {'M', 'Z', 1}) {
    program.reset();
    fake.files.WriteFile(path, std::move(bytes));
    fake.system.moduleFileName = path;
    program.emplace(ResultsProgram::kRunningProgram);
  }

  test_support::FakeMachine fake;
  std::optional<ResultsProgramHold> program;
};

TEST_F(ResumeRegistrationTest, WritesTheQuotedPathOfTheProtectedCopyAndTheSwitchToRunOnce) {
  StartedFrom(L"C:\\Users\\Admin\\Downloads\\x.exe", {'M', 'Z', 7, 7});
  RegisterResultsOnRestart();
  auto value = Value(kStartupKey);
  ASSERT_TRUE(value.has_value());
  const std::wstring copy = L"C:\\Windows\\Kelvaro\\x.exe";
  const std::wstring expected = L"\"" + copy + L"\" /results";
  EXPECT_EQ(value->type, platform::kRegSz);
  EXPECT_EQ(platform::fake::TextOfBytes(value->data), expected);
  EXPECT_EQ(value->data, WideBytes(expected));
  // The copy is the program's bytes, in a folder only administrators change.
  EXPECT_EQ(fake.files.ReadFile(copy), (std::vector<std::uint8_t>{'M', 'Z', 7, 7}));
  EXPECT_EQ(fake.files.SecurityOf(copy), platform::ProtectedDescriptor());
  EXPECT_FALSE(fake.files.UserMayChangeFolder(L"C:\\Windows\\Kelvaro"));
  EXPECT_FALSE(Value(kLegacyStartupKey).has_value());
  EXPECT_EQ(fake.registry.OpenHandleCount(), 0u);
}

TEST_F(ResumeRegistrationTest, TheStoredCommandStartsResultsModeWithoutMisreadingTheBlanks) {
  const wchar_t* paths[] = {
      L"C:\\Program Files\\Tools\\x.exe", L"C:\\Kelvaro\\Kelvaro.exe",
      L"C:\\My -Tools\\a /b\\Kelvaro.exe",  // switch characters inside the quoted path
  };
  for (std::size_t i = 0; i < std::size(paths); ++i) {
    CString command = ResultsCommandLine(paths[i]);
    EXPECT_EQ(std::wstring(CommandLineTail(command)), L"/results")
        << "row " << i << " " << Narrow(paths[i]);
    EXPECT_TRUE(IsResultsSwitchPresent(CommandLineTail(command))) << "row " << i;
  }
}

TEST_F(ResumeRegistrationTest, WritingTwiceLeavesOneValueWithTheNewerData) {
  StartedFrom(L"C:\\Old\\Kelvaro.exe", {'M', 'Z', 1});
  RegisterResultsOnRestart();
  fake.files.AddDrive(L'D');
  StartedFrom(L"D:\\New Place\\Kelvaro.exe", {'M', 'Z', 2});
  RegisterResultsOnRestart();
  const platform::fake::FakeKey* key = fake.registry.FindKey(kHKeyLocalMachine, kStartupKey);
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(key->values.size(), 1u);
  EXPECT_EQ(platform::fake::TextOfBytes(Value(kStartupKey)->data),
            L"\"C:\\Windows\\Kelvaro\\Kelvaro.exe\" /results");
  EXPECT_EQ(fake.files.ReadFile(L"C:\\Windows\\Kelvaro\\Kelvaro.exe"),
            (std::vector<std::uint8_t>{'M', 'Z', 2}));
}

TEST_F(ResumeRegistrationTest, UnregisterDeletesFromRunOnceAndRunAndNothingElse) {
  fake.registry.PutString(kHKeyLocalMachine, kStartupKey, kStartupValueName, L"x");
  fake.registry.PutString(kHKeyLocalMachine, kLegacyStartupKey, kStartupValueName, L"y");
  fake.registry.PutString(kHKeyLocalMachine, kStartupKey, L"Other", L"keep");
  fake.registry.PutString(kHKeyLocalMachine, kLegacyStartupKey, L"Another", L"keep");
  UnregisterResultsOnRestart();
  EXPECT_FALSE(Value(kStartupKey).has_value());
  EXPECT_FALSE(Value(kLegacyStartupKey).has_value());
  EXPECT_TRUE(fake.registry.GetValue(kHKeyLocalMachine, kStartupKey, L"Other").has_value());
  EXPECT_TRUE(fake.registry.GetValue(kHKeyLocalMachine, kLegacyStartupKey, L"Another").has_value());
  EXPECT_EQ(fake.registry.OpenHandleCount(), 0u);
}

TEST_F(ResumeRegistrationTest, DeletingAMissingValueChangesNothing) {
  fake.registry.PutString(kHKeyLocalMachine, kStartupKey, L"Other", L"keep");
  UnregisterResultsOnRestart();
  UnregisterResultsOnRestart();
  EXPECT_EQ(fake.registry.FindKey(kHKeyLocalMachine, kStartupKey)->values.size(), 1u);
  EXPECT_EQ(fake.faults.CallCount("RegDeleteValueW"), 4);
  EXPECT_EQ(fake.registry.OpenHandleCount(), 0u);
}

TEST_F(ResumeRegistrationTest, WritesNothingWhenTheKeyOrThePathCannotBeHad) {
  struct Row {
    const char* what;
    const char* failing;  // an operation that fails, or null
    std::wstring modulePath;
    bool removeKey;
    bool written;
    bool userOwnsKelvaroFolder = false;
  };
  const std::wstring longest = L"C:\\" + std::wstring(252, L'k') + L".exe";  // 259 characters
  const Row rows[] = {
      {"the key cannot be opened", "RegOpenKeyExW", L"C:\\k.exe", false, false},
      {"the key is missing", nullptr, L"C:\\k.exe", true, false},
      {"the path cannot be read", "GetModuleFileNameW", L"C:\\k.exe", false, false},
      {"the path is cut at 260 characters", nullptr, longest + L"x", false, false},
      {"the longest path that fits", nullptr, longest, false, true},
      {"the program cannot be read", "ReadFile", L"C:\\k.exe", false, false},
      {"the copy cannot be written", "CreateFileW(new)", L"C:\\k.exe", false, false},
      {"the Kelvaro folder is the user's", nullptr, L"C:\\k.exe", false, false, true},
  };
  for (const Row& row : rows) {
    test_support::FakeMachine machine;
    machine.system.moduleFileName = row.modulePath;
    machine.files.WriteFile(row.modulePath.substr(0, 259), {'M', 'Z'});
    if (row.userOwnsKelvaroFolder) {
      machine.files.AddFolder(L"C:\\Windows\\Kelvaro");
      machine.files.SetSecurity(L"C:\\Windows\\Kelvaro", platform::fake::UserFolderDescriptor());
    }
    if (row.failing != nullptr) machine.faults.Fail(row.failing, platform::kErrorAccessDenied);
    if (row.removeKey) machine.registry.DeleteKey(kHKeyLocalMachine, kStartupKey);
    ResultsProgramHold program(ResultsProgram::kRunningProgram);
    RegisterResultsOnRestart();
    auto value = machine.registry.GetValue(kHKeyLocalMachine, kStartupKey, kStartupValueName);
    EXPECT_EQ(value.has_value(), row.written) << row.what;
    if (value) {
      EXPECT_EQ(platform::fake::TextOfBytes(value->data),
                L"\"C:\\Windows\\Kelvaro\\" + longest.substr(3) + L"\" /results");
    }
    EXPECT_EQ(machine.registry.FindKey(kHKeyLocalMachine, kStartupKey) != nullptr, !row.removeKey)
        << row.what << ": the key must not be created";
    EXPECT_EQ(machine.registry.OpenHandleCount(), 0u) << row.what;
  }
}

}  // namespace
