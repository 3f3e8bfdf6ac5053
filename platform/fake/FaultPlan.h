#pragma once
// Failure injection for the fake Windows: any operation, named by the Win32
// function it stands for ("RegOpenKeyExW", "CreateDirectoryW", ...), can be told to
// fail with a chosen error code, after letting a number of calls pass, once, a
// number of times or always.
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/Win32Constants.h"

namespace platform::fake {

class FaultPlan {
 public:
  static constexpr int kAlways = -1;

  // The next `times` calls of `operation` (after `skip` calls that pass) fail
  // with `error`. kAlways makes every later call fail.
  void Fail(const std::string& operation, Status error, int times = 1, int skip = 0);
  void Clear();

  // Called by every fake operation on entry: the error to fail with, if any.
  // Also counts the call.
  std::optional<Status> Check(const char* operation);

  // Runs on entry to every fake operation, before its failure check, with the
  // operation's name: a test acting as another program between two calls. It
  // is not called again for calls it makes itself.
  std::function<void(const std::string&)> beforeCall;

  // How often an operation was called since the plan was made or cleared.
  int CallCount(const std::string& operation) const;
  // Every operation called so far, in order of first call.
  const std::vector<std::string>& OperationsSeen() const { return m_seen; }

 private:
  struct Rule {
    Status error;
    int remaining;  // kAlways for no end
    int skip;
  };
  std::map<std::string, std::vector<Rule>> m_rules;
  std::map<std::string, int> m_calls;
  std::vector<std::string> m_seen;
  bool m_inHook = false;
};

}  // namespace platform::fake
