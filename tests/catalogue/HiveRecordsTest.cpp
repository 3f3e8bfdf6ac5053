#include "catalogue/HiveRecords.h"

#include <gtest/gtest.h>

namespace {

TEST(HiveLeafNameTest, TakesTheTextAfterTheLastBackslash) {
  struct Row {
    const wchar_t* name;
    const wchar_t* leaf;
  };
  const Row rows[] = {
      {L"HKLM\\SOFTWARE", L"SOFTWARE"},
      {L"HKU\\S-1-5-20", L"S-1-5-20"},
      {L"HKU\\.DEFAULT", L".DEFAULT"},
      {L"HKU\\S-1-5-21-1004_Classes", L"S-1-5-21-1004_Classes"},
      {L"HKLM\\SYSTEM\\Nested", L"Nested"},
      {L"", L""},
      {L"HKLM\\", L""},
      {L"\\", L""},
      {L"SOFTWARE", L"SOFTWARE"},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    EXPECT_EQ(HiveLeafName(rows[i].name).str(), rows[i].leaf)
        << "row " << i << ": " << rows[i].name;
  }
}

TEST(StartsTickedTest, OnlyHivesWithAFoundFileStartTicked) {
  HiveEntry found;
  found.size = 1;
  HiveEntry missing;
  EXPECT_TRUE(StartsTicked(found));
  EXPECT_FALSE(StartsTicked(missing));
}

}  // namespace
