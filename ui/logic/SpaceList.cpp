#include "ui/logic/SpaceList.h"

#include <string>

#include "catalogue/SizeText.h"
#include "platform/Platform.h"

namespace uilogic {

namespace {

// Room for the longest separator the platform allows and its terminator.
constexpr int kSeparatorLength = 5;

CString DecimalSeparator() {
  wchar_t separator[kSeparatorLength] = {};
  if (platform::Current().Locale().QueryLocaleInfo(platform::kLocaleSystemDefault,
                                                   platform::kLocaleSDecimal, separator,
                                                   kSeparatorLength) == 0 ||
      separator[0] == L'\0') {
    return CString(L".");
  }
  separator[kSeparatorLength - 1] = L'\0';
  return CString(separator);
}

}  // namespace

CString ShareText(std::uint64_t part, std::uint64_t whole) {
  std::uint64_t tenths = 0;
  if (whole != 0) {
    // In long double: part * 1000 may not fit 64 bits for the largest files.
    const long double exact =
        static_cast<long double>(part) * 1000.0L / static_cast<long double>(whole);
    tenths = static_cast<std::uint64_t>(exact + 0.5L);
  }
  return FormatNumber(tenths / 10) + DecimalSeparator() + CString(std::to_wstring(tenths % 10)) +
         L"%";
}

std::vector<SpaceListRow> SpaceListRows(const AnalyzedHive& hive) {
  std::vector<SpaceListRow> rows;
  if (hive.refusal) return rows;
  for (const SubtreeSize& subtree : hive.largestSubtrees) {
    CString key = hive.name;
    if (!subtree.path.IsEmpty()) key = key + L"\\" + subtree.path;
    rows.push_back({key, FormatSizeKB(subtree.bytes), ShareText(subtree.bytes, hive.compactSize)});
  }
  return rows;
}

}  // namespace uilogic
