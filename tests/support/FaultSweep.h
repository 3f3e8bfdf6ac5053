#pragma once
// The faults that make every platform call of a clean run fail in turn. The
// calls come from the clean run itself, so a call the code gains later is
// covered without touching the tests that sweep.
#include <set>
#include <string>
#include <vector>

#include "platform/fake/FaultPlan.h"

namespace test_support {

struct Fault {
  std::string operation;
  platform::Status error;
  int skip;             // calls that pass first
  int times;            // 1, or FaultPlan::kAlways
  bool throws = false;  // std::bad_alloc out of the call instead of an error
};

inline std::string Describe(const Fault& fault) {
  return fault.operation + (fault.throws ? " throws" : " error " + std::to_string(fault.error)) +
         (fault.times == platform::fake::FaultPlan::kAlways
              ? " always"
              : " at call " + std::to_string(fault.skip + 1));
}

// Each operation `clean` saw, failing at each of its calls with each of
// `errors`, then at every call with the first. lstrcmpiW is left out: it has
// no way to report a failure, so a fault there changes nothing. Each call of
// an operation in `throwing` also throws an allocation failure in turn.
inline std::vector<Fault> FaultsInTurn(const platform::fake::FaultPlan& clean,
                                       const std::vector<platform::Status>& errors,
                                       const std::set<std::string>& throwing = {}) {
  std::vector<Fault> faults;
  for (const std::string& operation : clean.OperationsSeen()) {
    if (operation == "lstrcmpiW") continue;
    const int count = clean.CallCount(operation);
    for (platform::Status error : errors) {
      for (int skip = 0; skip < count; ++skip) faults.push_back(Fault{operation, error, skip, 1});
    }
    faults.push_back(Fault{operation, errors.front(), 0, platform::fake::FaultPlan::kAlways});
    if (throwing.count(operation) == 0) continue;
    for (int skip = 0; skip < count; ++skip)
      faults.push_back(Fault{operation, platform::kErrorSuccess, skip, 1, true});
  }
  return faults;
}

}  // namespace test_support
