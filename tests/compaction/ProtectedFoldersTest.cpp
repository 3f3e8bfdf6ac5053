// The run's protected folders: made with the protected descriptor, judged by
// what stands at the name when something does, never reused; and their
// removal after the restart touches only folders that pass the same check.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "compaction/ProtectedFolders.h"
#include "platform/SecurityDescriptor.h"
#include "platform/fake/FakeWindows.h"
#include "tests/support/FakeMachine.h"

namespace {

using platform::fake::FakeWindows;

CPathName PathOf(const wchar_t* text) {
  CPathName path;
  path.SetPath(text);
  return path;
}

std::wstring TextOf(const CPathName& path) { return path.GetText().GetBuffer(); }

TEST(ProtectedFoldersTest, WhatStandsAtTheNameDecides) {
  struct Row {
    const char* what;
    std::function<void(FakeWindows&)> prepare;
    FolderProblem expected;
  };
  const std::wstring folder = L"C:\\Windows\\Kelvaro Backup";
  const std::vector<Row> rows = {
      {"nothing: made", [](FakeWindows&) {}, FolderProblem::kNone},
      {"ours from before",
       [&](FakeWindows& fake) {
         fake.files.MakeDirectoryWithSecurity(folder.c_str(), platform::ProtectedDescriptor());
       },
       FolderProblem::kNone},
      {"the user's",
       [&](FakeWindows& fake) {
         fake.files.AddFolder(folder);
         fake.files.SetSecurity(folder, platform::fake::UserFolderDescriptor());
       },
       FolderProblem::kForeignOwner},
      {"owned by Administrators, but Users may change it",
       [&](FakeWindows& fake) {
         fake.files.AddFolder(folder);
         fake.files.SetSecurity(
             folder,
             platform::MakeDescriptor(platform::AdministratorsSid(), platform::AdministratorsSid(),
                                      {{platform::AdministratorsSid(), platform::kFileAllAccess, 0},
                                       {platform::UsersSid(), platform::kFileAllAccess, 0}},
                                      true));
       },
       FolderProblem::kOpenToOthers},
      {"a junction", [&](FakeWindows& fake) { fake.files.AddJunction(folder, L"C:\\Users"); },
       FolderProblem::kLink},
      {"a file", [&](FakeWindows& fake) { fake.files.AddFile(folder, 3); },
       FolderProblem::kNotAFolder},
      {"refused by the platform",
       [](FakeWindows& fake) {
         fake.faults.Fail("CreateDirectoryW", platform::kErrorAccessDenied);
       },
       FolderProblem::kNotMade},
      {"owner unreadable",
       [&](FakeWindows& fake) {
         fake.files.AddFolder(folder);
         fake.faults.Fail("GetKernelObjectSecurity", platform::kErrorAccessDenied);
       },
       FolderProblem::kUnreadable},
  };
  for (std::size_t index = 0; index < rows.size(); ++index) {
    test_support::FakeMachine fake;
    rows[index].prepare(fake);
    ProtectedFolder made = EnsureBackupFolderIn(PathOf(L"C:\\Windows"));
    EXPECT_EQ(made.problem, rows[index].expected) << "row " << index << ": " << rows[index].what;
    if (made.ok()) {
      EXPECT_EQ(TextOf(made.path), folder) << "row " << index;
      EXPECT_EQ(fake.files.SecurityOf(folder), platform::ProtectedDescriptor()) << "row " << index;
    }
  }
}

TEST(ProtectedFoldersTest, EachRunGetsAFreshFolderAndTheResultsModeRemovesThem) {
  test_support::FakeMachine fake;
  const CPathName windows = PathOf(L"C:\\Windows");
  std::vector<std::wstring> made;
  for (int run = 0; run < 3; ++run) {
    ProtectedFolder folder = CreateRunFolder(windows);
    ASSERT_TRUE(folder.ok()) << "run " << run;
    made.push_back(TextOf(folder.path));
  }
  EXPECT_EQ(made, (std::vector<std::wstring>{L"C:\\Windows\\Kelvaro\\Run-1",
                                             L"C:\\Windows\\Kelvaro\\Run-2",
                                             L"C:\\Windows\\Kelvaro\\Run-3"}));
  // A folder still holding a file stays; a planted junction is neither
  // followed nor removed; the others go.
  fake.files.AddFile(L"C:\\Windows\\Kelvaro\\Run-2\\SYSTEM", 10);
  fake.files.WriteFile(L"C:\\Users\\Admin\\Empty\\keep", {1});
  fake.files.AddJunction(L"C:\\Windows\\Kelvaro\\Run-4", L"C:\\Users\\Admin\\Empty");
  RemoveEarlierRunFolders(windows);
  EXPECT_TRUE(fake.files.Exists(L"C:\\Users\\Admin\\Empty\\keep"));
  EXPECT_TRUE(fake.files.Exists(L"C:\\Windows\\Kelvaro\\Run-4"));
  EXPECT_TRUE(fake.files.Exists(L"C:\\Windows\\Kelvaro\\Run-2\\SYSTEM"));
  EXPECT_FALSE(fake.files.Exists(L"C:\\Windows\\Kelvaro\\Run-1"));
  EXPECT_FALSE(fake.files.Exists(L"C:\\Windows\\Kelvaro\\Run-3"));
  fake.files.Remove(L"C:\\Windows\\Kelvaro\\Run-4");
  fake.files.Remove(L"C:\\Windows\\Kelvaro\\Run-2\\SYSTEM");
  RemoveEarlierRunFolders(windows);
  EXPECT_FALSE(fake.files.Exists(L"C:\\Windows\\Kelvaro"));
}

}  // namespace
