#pragma once
// The shell (shell32): opening a document or web address with its program.
#include <cstdint>

namespace platform {

class IShell {
 public:
  virtual ~IShell() = default;
  // ShellExecuteW with no owner, no parameters and no directory, shown normally:
  // a value above 32 on success, the platform's error value (32 or less) otherwise.
  virtual std::intptr_t OpenWithShell(const wchar_t* verb, const wchar_t* file) = 0;
};

}  // namespace platform
