// The token holder over the fake Windows: what it opens, and that whatever it
// opened is closed exactly once however the holder is left.
#include "platform/ScopedToken.h"

#include <gtest/gtest.h>

#include "platform/fake/FakeWindows.h"

namespace {

using platform::ScopedToken;
using platform::fake::FakeWindows;

enum class Opening { process, thread, threadThenProcess };

TEST(ScopedToken, OpensWhatItIsAskedForAndClosesItOnce) {
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
  };
  for (std::size_t index = 0; index < std::size(rows); ++index) {
    const Row& row = rows[index];
    FakeWindows fake;
    if (row.impersonating) fake.security.threadToken = fake.security.processToken;
    if (row.failing != nullptr) fake.faults.Fail(row.failing, 5);
    {
      ScopedToken token(fake.security);
      bool opened = false;
      switch (row.opening) {
        case Opening::process: opened = token.OpenProcess(platform::kTokenQuery); break;
        case Opening::thread: opened = token.OpenThread(platform::kTokenQuery, false); break;
        case Opening::threadThenProcess:
          opened = token.OpenThread(platform::kTokenQuery, false) ||
                   token.OpenProcess(platform::kTokenQuery);
          break;
      }
      EXPECT_EQ(opened, row.open) << "row " << index << ": " << row.what;
      EXPECT_EQ(token.IsOpen(), row.open) << "row " << index << ": " << row.what;
      EXPECT_EQ(fake.security.OpenTokenCount(), row.open ? 1u : 0u)
          << "row " << index << ": " << row.what;
    }
    EXPECT_EQ(fake.security.OpenTokenCount(), 0u) << "row " << index << ": " << row.what;
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
