// The handle owners over the fake Windows: what they open, and that whatever
// they opened is closed exactly once however the owner is left.
#include "platform/ScopedHandles.h"

#include <gtest/gtest.h>

#include "platform/fake/FakeWindows.h"

namespace {

using platform::ScopedToken;
using platform::fake::FakeWindows;

enum class Opening { process, thread, threadThenProcess, key, file, search };

// Handles of every kind the fake holds open.
std::size_t OpenCount(const FakeWindows& fake) {
  return fake.security.OpenTokenCount() + fake.registry.OpenHandleCount() +
         fake.files.OpenFileCount() + fake.files.OpenSearchCount();
}

TEST(ScopedHandles, OpenWhatTheyAreAskedForAndCloseItOnce) {
  struct Row {
    const char* what;
    Opening opening;
    bool impersonating;   // the thread has a token of its own
    const char* failing;  // an operation of the fake that fails, or null
    bool open;            // the holder reports an open token
  };
  const Row rows[] = {
      {"the process token", Opening::process, false, nullptr, true},
      {"a refused process token", Opening::process, false, "OpenProcessToken", false},
      {"the thread token of an impersonating thread", Opening::thread, true, nullptr, true},
      {"no thread token without impersonation", Opening::thread, false, nullptr, false},
      {"the process token after a refused thread token", Opening::threadThenProcess, false, nullptr,
       true},
      {"a registry key", Opening::key, false, nullptr, true},
      {"a refused registry key", Opening::key, false, "RegOpenKeyExW", false},
      {"a file", Opening::file, false, nullptr, true},
      {"a refused file", Opening::file, false, "CreateFileW", false},
      {"a file search", Opening::search, false, nullptr, true},
  };
  for (std::size_t index = 0; index < std::size(rows); ++index) {
    const Row& row = rows[index];
    FakeWindows fake;
    if (row.impersonating) fake.security.threadToken = fake.security.processToken;
    fake.files.AddFile(L"C:\\Windows\\win.ini", 10);
    if (row.failing != nullptr) fake.faults.Fail(row.failing, 5);
    {
      ScopedToken token(fake.security);
      platform::ScopedKey key(fake.registry);
      platform::ScopedFile file(fake.files);
      platform::ScopedFind search(fake.files);
      platform::FindData found;
      platform::KeyHandle opening = 0;
      bool opened = false;
      switch (row.opening) {
        case Opening::process: opened = token.OpenProcess(platform::kTokenQuery); break;
        case Opening::thread: opened = token.OpenThread(platform::kTokenQuery, false); break;
        case Opening::threadThenProcess:
          opened = token.OpenThread(platform::kTokenQuery, false) ||
                   token.OpenProcess(platform::kTokenQuery);
          break;
        case Opening::key:
          if (fake.registry.OpenKey(platform::kHKeyLocalMachine, L"SYSTEM", 0,
                                    platform::kKeyQueryValue,
                                    &opening) == platform::kErrorSuccess) {
            key.Reset(opening);
          }
          opened = key.IsOpen();
          break;
        case Opening::file:
          file.Reset(fake.files.OpenFileExclusive(L"C:\\Windows\\win.ini"));
          opened = file.IsOpen();
          break;
        case Opening::search:
          search.Reset(fake.files.FindFirst(L"C:\\Windows\\win.ini", &found));
          opened = search.IsOpen();
          break;
      }
      EXPECT_EQ(opened, row.open) << "row " << index << ": " << row.what;
      EXPECT_EQ(token.IsOpen() || key.IsOpen() || file.IsOpen() || search.IsOpen(), row.open)
          << "row " << index << ": " << row.what;
      EXPECT_EQ(OpenCount(fake), row.open ? 1u : 0u) << "row " << index << ": " << row.what;
    }
    EXPECT_EQ(OpenCount(fake), 0u) << "row " << index << ": " << row.what;
  }
}

TEST(ScopedToken, ANewOpenClosesTheTokenHeldFirst) {
  FakeWindows fake;
  ScopedToken token(fake.security);
  ASSERT_TRUE(token.OpenProcess(platform::kTokenQuery));
  platform::TokenHandle first = token.Get();
  ASSERT_TRUE(token.OpenProcess(platform::kTokenQuery));
  EXPECT_NE(token.Get(), first);
  EXPECT_EQ(fake.security.OpenTokenCount(), 1u);
  token.Close();
  EXPECT_FALSE(token.IsOpen());
  EXPECT_EQ(fake.security.OpenTokenCount(), 0u);
}

}  // namespace
