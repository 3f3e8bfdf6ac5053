// The results window's details box: what it says of each hive the run swapped.
#include "ui/logic/LostWritesText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/res/resource.h"

namespace {

CString Load(unsigned id) {
  switch (id) {
    case IDS_LOST_WRITES:
      return L"%1 changes made after the copy was taken are not in the compacted hive";
    case IDS_COPY_SIZE_AT_SAVE: return L"%1: copy %2, now %3";
    case IDS_RESTART_PENDING: return L"restart pending";
  }
  return CString((L"<" + std::to_wstring(id) + L">").c_str());
}

CString Size(std::uint64_t bytes) { return CString((std::to_wstring(bytes) + L" B").c_str()); }

HiveLostWrites Hive(const wchar_t* name, LostWriteCheck check, std::vector<LostWrite> writes) {
  HiveLostWrites hive;
  hive.name = name;
  hive.check = check;
  hive.copySize = 4096;
  hive.liveSizeNow = 8192;
  hive.writes = std::move(writes);
  return hive;
}

TEST(LostWritesTextTest, DetailsAndTheHiveToPutBack) {
  const LostWrite added{LostWriteKind::kKeyAdded, "HKLM\\SAM\\Late", ""};
  const LostWrite value{LostWriteKind::kValueChanged, "HKLM\\SYSTEM\\Setup", "Ünïcode"};
  struct Row {
    const char* what;
    std::vector<HiveLostWrites> hives;
    std::wstring selected;
    std::wstring details;
    std::wstring putBack;  // empty: none offered
  };
  const Row rows[] = {
      {"nothing lost",
       {Hive(L"HKLM\\SAM", LostWriteCheck::kCompared, {})},
       L"",
       L"HKLM\\SAM: copy 4096 B, now 8192 B",
       L""},
      {"one hive lost a key",
       {Hive(L"HKLM\\SAM", LostWriteCheck::kCompared, {added})},
       L"",
       L"HKLM\\SAM: 1 changes made after the copy was taken are not in the compacted hive\r\n"
       L"    HKLM\\SAM\\Late: key added\r\n"
       L"HKLM\\SAM: copy 4096 B, now 8192 B",
       L"HKLM\\SAM"},
      {"a value name beyond ASCII, the selected hive offered",
       {Hive(L"HKLM\\SAM", LostWriteCheck::kCompared, {added}),
        Hive(L"HKLM\\SYSTEM", LostWriteCheck::kCompared, {value})},
       L"hklm\\system",
       L"HKLM\\SAM: 1 changes made after the copy was taken are not in the compacted hive\r\n"
       L"    HKLM\\SAM\\Late: key added\r\n"
       L"HKLM\\SAM: copy 4096 B, now 8192 B\r\n"
       L"HKLM\\SYSTEM: 1 changes made after the copy was taken are not in the compacted hive\r\n"
       L"    HKLM\\SYSTEM\\Setup: value '\u00dcn\u00efcode' changed\r\n"
       L"HKLM\\SYSTEM: copy 4096 B, now 8192 B",
       L"HKLM\\SYSTEM"},
      {"a swap still waiting",
       {Hive(L"HKLM\\SAM", LostWriteCheck::kRestartPending, {})},
       L"",
       L"HKLM\\SAM: restart pending",
       L""},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    LostWriteReport report;
    report.hives = rows[i].hives;
    EXPECT_EQ(uilogic::LostWritesDetails(report, Load, Size).str(), rows[i].details)
        << "row " << i << ": " << rows[i].what;
    const HiveLostWrites* offered =
        uilogic::HiveToPutBack(report, CString(rows[i].selected.c_str()));
    EXPECT_EQ(offered ? offered->name : std::wstring(), rows[i].putBack)
        << "row " << i << ": " << rows[i].what;
  }
}

}  // namespace
