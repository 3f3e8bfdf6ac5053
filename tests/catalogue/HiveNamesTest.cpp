#include "catalogue/HiveNames.h"

#include <gtest/gtest.h>

namespace {

TEST(TranslateHiveNameTest, GivesTheUserFormOfBothRoots) {
  struct Row {
    const wchar_t* kernel;
    const wchar_t* user;
  };
  const Row rows[] = {
      {L"\\REGISTRY\\MACHINE\\SOFTWARE", L"HKLM\\SOFTWARE"},
      {L"\\REGISTRY\\MACHINE\\SYSTEM", L"HKLM\\SYSTEM"},
      {L"\\REGISTRY\\USER\\S-1-5-20", L"HKU\\S-1-5-20"},
      {L"\\REGISTRY\\USER\\.DEFAULT", L"HKU\\.DEFAULT"},
      // The prefix is matched with A-Z folded; the rest keeps its case.
      {L"\\registry\\machine\\sam", L"HKLM\\sam"},
      {L"\\Registry\\User\\S-1-5-18", L"HKU\\S-1-5-18"},
      // The whole prefix, backslash included, must be there.
      {L"\\REGISTRY\\MACHINE", L""},
      {L"\\REGISTRY\\MACHINE\\", L"HKLM\\"},
      {L"\\REGISTRY\\MACHINESOFTWARE", L""},
      {L"REGISTRY\\MACHINE\\SOFTWARE", L""},
      {L"\\REGISTRY\\CLASSES\\X", L""},
      {L"HKLM\\SOFTWARE", L""},
      {L"", L""},
      // Only A-Z fold: a capital I with a dot above is no I.
      {L"\\REG\u0130STRY\\MACHINE\\SOFTWARE", L""},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    EXPECT_EQ(TranslateHiveName(rows[i].kernel).str(), rows[i].user)
        << "row " << i << ": " << rows[i].kernel;
  }
}

}  // namespace
