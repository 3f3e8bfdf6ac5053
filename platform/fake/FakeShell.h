#pragma once
// The fake Windows' shell: records what it was asked to open and succeeds,
// unless the failure plan says otherwise ("IShellDispatch2::ShellExecute").
#include <string>
#include <vector>

#include "platform/IShell.h"
#include "platform/fake/FaultPlan.h"

namespace platform::fake {

class FakeShell : public IShell {
 public:
  explicit FakeShell(FaultPlan& faults) : m_faults(faults) {}

  bool OpenAsSignedInUser(const wchar_t* address) override {
    if (m_faults.Check("IShellDispatch2::ShellExecute")) return false;
    opened.push_back(address != nullptr ? address : L"");
    return true;
  }

  std::vector<std::wstring> opened;

 private:
  FaultPlan& m_faults;
};

}  // namespace platform::fake
