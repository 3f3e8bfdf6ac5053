// The layout's 96-DPI constants at 100%, 125%, 150% and 200%: the scale's
// rounding, the main window's minimum size and the lists' fixed columns.
#include "ui/logic/DpiScale.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "ui/logic/ColumnWidths.h"
#include "ui/logic/MainLayout.h"

namespace {

TEST(DpiScaleTest, ScalesByDpiOver96AndRoundsHalvesAwayFromZero) {
  struct Row {
    int value;
    int dpi;
    int expected;
    const char* why;
  };
  const Row rows[] = {
      {355, 96, 355, "as designed"},
      {355, 144, 533, "532.5 rounds up"},
      {355, 120, 444, "443.75 rounds up"},
      {355, 192, 710, "twice"},
      {1, 144, 2, "1.5 rounds up"},
      {1, 120, 1, "1.25 rounds down"},
      {3, 112, 4, "3.5 rounds up"},
      {-1, 144, -2, "-1.5 rounds away from zero"},
      {-355, 120, -444, "-443.75 rounds away from zero"},
      {0, 192, 0, "nothing stays nothing"},
      {400, 72, 300, "below 96 dpi shrinks"},
      {7, 0, 7, "no DPI known: as designed"},
      {7, -96, 7, "a nonsense DPI: as designed"},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const Row& row = rows[i];
    EXPECT_EQ(uilogic::ScaleForDpi(row.value, row.dpi), row.expected)
        << "row " << i << ": " << row.value << " at " << row.dpi << " dpi, " << row.why;
  }
}

TEST(DpiScaleTest, TheMainWindowsMinimumSizeScales) {
  struct Row {
    int dpi;
    int width;
    int height;
  };
  const Row rows[] = {{96, 400, 200}, {120, 500, 250}, {144, 600, 300}, {192, 800, 400}};
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const Row& row = rows[i];
    const uilogic::WindowSize minimum = uilogic::MainWindowMinimumSize(row.dpi);
    EXPECT_EQ(minimum.width, row.width) << "row " << i << ": " << row.dpi << " dpi";
    EXPECT_EQ(minimum.height, row.height) << "row " << i << ": " << row.dpi << " dpi";
  }
}

TEST(DpiScaleTest, TheFixedColumnsScaleAndTheRestTakesWhatIsLeft) {
  // The list's client width and the scroll bar's width come from the window,
  // already at its DPI: they are not scaled again.
  struct Row {
    int dpi;
    int listWidth;
    int scrollBar;
    std::array<int, 3> hiveList;  // Hive, Filename, Size
    std::array<int, 4> analysed;  // Hive, Filename, Size, Compact Size
    std::array<int, 3> results;
    std::array<int, 3> space;  // Key, Size, Share
  };
  const Row rows[] = {
      {96, 800, 17, {355, 355, 73}, {355, 178, 100, 150}, {583, 100, 100}, {613, 100, 70}},
      {120, 1000, 21, {444, 444, 91}, {444, 222, 125, 188}, {729, 125, 125}, {766, 125, 88}},
      {144, 1200, 26, {533, 533, 108}, {533, 266, 150, 225}, {874, 150, 150}, {919, 150, 105}},
      {192, 1600, 34, {710, 710, 146}, {710, 356, 200, 300}, {1166, 200, 200}, {1226, 200, 140}},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const Row& row = rows[i];
    const std::string where = "row " + std::to_string(i) + ": " + std::to_string(row.dpi) + " dpi";
    EXPECT_EQ(uilogic::HiveListColumnWidths(row.listWidth, row.scrollBar, row.dpi), row.hiveList)
        << where;
    EXPECT_EQ(uilogic::AnalysedHiveListColumnWidths(row.listWidth, row.scrollBar, row.dpi),
              row.analysed)
        << where;
    EXPECT_EQ(uilogic::ResultsListColumnWidths(row.listWidth, row.scrollBar, row.dpi), row.results)
        << where;
    EXPECT_EQ(uilogic::SpaceListColumnWidths(row.listWidth, row.scrollBar, row.dpi), row.space)
        << where;
  }
}

}  // namespace
