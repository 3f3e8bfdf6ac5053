#include "compaction/CompareNoCaseN.h"

#include <algorithm>

#include "platform/Platform.h"

namespace {
using platform::kCompareEqual;
using platform::kCompareGreaterThan;
using platform::kCompareLessThan;
constexpr int kComparisonFailed = -2;
}  // namespace

int CompareNoCaseN(const wchar_t* first, int firstLength, const wchar_t* second, int secondLength,
                   int count) {
  if (first == nullptr) return second == nullptr ? 0 : -1;
  if (second == nullptr) return 1;
  // A negative length would ask the platform to read up to the terminator.
  count = std::max(count, 0);
  const int firstCount = std::min(std::max(firstLength, 0), count);
  const int secondCount = std::min(std::max(secondLength, 0), count);
  platform::ILocale& locale = platform::Current().Locale();
  switch (locale.CompareText(locale.GetThreadLocale(), platform::kNormIgnoreCase, first, firstCount,
                             second, secondCount)) {
    case kCompareLessThan: return -1;
    case kCompareEqual: return 0;
    case kCompareGreaterThan: return 1;
    default: return kComparisonFailed;
  }
}
