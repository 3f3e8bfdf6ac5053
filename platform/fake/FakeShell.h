#pragma once
// The fake Windows' shell: records what it was asked to open and succeeds,
// unless the failure plan says otherwise ("ShellExecuteW" fails with a value of
// 32 or less, as the platform's own results).
#include <string>
#include <vector>

#include "platform/IShell.h"
#include "platform/fake/FaultPlan.h"

namespace platform::fake {

class FakeShell : public IShell {
 public:
  explicit FakeShell(FaultPlan& faults) : m_faults(faults) {}

  std::intptr_t OpenWithShell(const wchar_t* verb, const wchar_t* file) override {
    if (auto error = m_faults.Check("ShellExecuteW")) return static_cast<std::intptr_t>(*error);
    opened.push_back({verb != nullptr ? verb : L"", file != nullptr ? file : L""});
    return 42;
  }

  struct Request {
    std::wstring verb;
    std::wstring file;
  };
  std::vector<Request> opened;

 private:
  FaultPlan& m_faults;
};

}  // namespace platform::fake
