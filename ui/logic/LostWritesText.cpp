#include "ui/logic/LostWritesText.h"

#include "catalogue/AsciiFold.h"
#include "hive/Names.h"
#include "ui/logic/AnalysisColumn.h"
#include "ui/res/resource.h"

namespace uilogic {

namespace {

CString Wide(const std::string& utf8) {
  // The change lines are the engine's UTF-8; the window's text is UTF-16.
  std::u16string units;
  for (std::size_t at = 0; at < utf8.size();) {
    const unsigned char lead = static_cast<unsigned char>(utf8[at]);
    std::uint32_t point = lead;
    std::size_t length = 1;
    if (lead >= 0xF0) {
      point = lead & 0x07u;
      length = 4;
    } else if (lead >= 0xE0) {
      point = lead & 0x0Fu;
      length = 3;
    } else if (lead >= 0xC0) {
      point = lead & 0x1Fu;
      length = 2;
    }
    for (std::size_t next = 1; next < length && at + next < utf8.size(); ++next) {
      point = (point << 6) | (static_cast<unsigned char>(utf8[at + next]) & 0x3Fu);
    }
    at += length;
    if (point >= 0x10000) {
      point -= 0x10000;
      units.push_back(static_cast<char16_t>(0xD800 + (point >> 10)));
      units.push_back(static_cast<char16_t>(0xDC00 + (point & 0x3FF)));
    } else {
      units.push_back(static_cast<char16_t>(point));
    }
  }
  return CString(hive::ToWide(units).c_str());
}

}  // namespace

CString LostWritesDetails(const LostWriteReport& report,
                          const std::function<CString(unsigned)>& loadString,
                          const std::function<CString(std::uint64_t)>& sizeText) {
  CString text;
  auto addLine = [&text](const CString& line) {
    if (!text.IsEmpty()) text += L"\r\n";
    text += line;
  };
  for (const HiveLostWrites& hive : report.hives) {
    const CString name(hive.name.c_str());
    if (hive.check == LostWriteCheck::kRestartPending) {
      addLine(name + L": " + loadString(IDS_RESTART_PENDING));
      continue;
    }
    if (!hive.writes.empty()) {
      addLine(name + L": " +
              FillPlaceholders(loadString(IDS_LOST_WRITES),
                               {CString(std::to_wstring(hive.writes.size()).c_str())}));
      for (const LostWrite& write : hive.writes) addLine(L"    " + Wide(LostWriteLine(write)));
    }
    addLine(FillPlaceholders(loadString(IDS_COPY_SIZE_AT_SAVE),
                             {name, sizeText(hive.copySize), sizeText(hive.liveSizeNow)}));
  }
  return text;
}

const HiveLostWrites* HiveToPutBack(const LostWriteReport& report, const CString& selectedName) {
  const HiveLostWrites* first = nullptr;
  for (const HiveLostWrites& hive : report.hives) {
    if (hive.writes.empty()) continue;
    if (CompareAsciiNoCase(hive.name, selectedName.str()) == 0) return &hive;
    if (first == nullptr) first = &hive;
  }
  return first;
}

}  // namespace uilogic
