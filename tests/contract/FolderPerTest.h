#pragma once
// The fixture of the file cases: a folder of its own for each test, removed
// afterwards with what the test made in it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Platform.h"
#include "tests/contract/ContractPlatform.h"

namespace contract {

class FolderPerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = info->name();
    m_base = ScratchFolder() + L"\\" + std::wstring(name.begin(), name.end());
    ASSERT_TRUE(Files().MakeDirectory(m_base.c_str())) << "error " << System().GetLastError();
    m_made.push_back({m_base, true});
  }

  // Read-only ones too: their attribute is cleared first.
  void TearDown() override {
    for (auto made = m_made.rbegin(); made != m_made.rend(); ++made) {
      Files().ChangeFileAttributes(made->path.c_str(), platform::kFileAttributeNormal);
      if (made->folder) {
        Files().RemoveEmptyDirectory(made->path.c_str());
      } else {
        Files().RemoveFile(made->path.c_str());
      }
    }
  }

  static platform::IFileSystem& Files() { return Platform().Files(); }
  static platform::ISystem& System() { return Platform().System(); }

  // `relative` below this test's folder.
  std::wstring At(const std::wstring& relative) const { return m_base + L"\\" + relative; }

  // Remembers what to remove afterwards, innermost last.
  std::wstring Made(const std::wstring& relative, bool folder) {
    m_made.push_back({At(relative), folder});
    return At(relative);
  }
  std::wstring Folder(const std::wstring& relative) { return Made(relative, true); }

  std::wstring m_base;

 private:
  struct MadeEntry {
    std::wstring path;
    bool folder;
  };
  std::vector<MadeEntry> m_made;
};

}  // namespace contract
