#include "ui/logic/MainLayout.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "ui/logic/ColumnWidths.h"

namespace {

using uilogic::Point;
using uilogic::Rect;

// Template 102 at 96 dpi with an 8-point MS Sans Serif: 1.5 pixels per
// horizontal and 1.625 per vertical dialog unit; a client area of 825 x 335.
const uilogic::MainControls kTemplateControls = {
    {11, 11, 814, 265},    // list 1000: 7, 7, 535 x 156
    {11, 301, 152, 317},   // check box 1004: 7, 185, 94 x 10
    {653, 301, 728, 324},  // Defragment 1001: 435, 185, 50 x 14
    {738, 301, 813, 324},  // Cancel 2: 492, 185, 50 x 14
    {567, 301, 642, 324},  // Analyze 1006: 378, 185, 50 x 14
    {11, 276, 814, 289},   // status line 1007: 7, 170, 535 x 8
};

TEST(MainLayoutTest, MeasuresMarginsFromTheListAndTheButtonFromCancel) {
  const uilogic::LayoutMetrics metrics =
      uilogic::MeasureLayoutMetrics(kTemplateControls.list, kTemplateControls.cancel);
  EXPECT_EQ(metrics.marginX, 11);
  EXPECT_EQ(metrics.marginY, 11);
  EXPECT_EQ(metrics.buttonWidth, 75);
  EXPECT_EQ(metrics.buttonHeight, 23);
}

TEST(MainLayoutTest, LaysTheControlsOutForEachClientSize) {
  const uilogic::LayoutMetrics metrics{11, 11, 75, 23};
  struct Row {
    int width;
    int height;
    uilogic::MainLayout expected;
  };
  const Row rows[] = {
      // The list grows with the window and ends MY above the 13-pixel status
      // line, which ends MY above the buttons, whose bottom is MY above the
      // client's; Cancel keeps MX to the right, Defragment MX to Cancel's left
      // and Analyze MX to Defragment's left.
      {1000, 500, {978, 420, {11, 466}, {828, 466}, {914, 466}, {742, 466}, {11, 442}, 978}},
      // The template's own size: Cancel's right margin becomes MX, not the 12
      // pixels (8 dialog units) the template gives it.
      {825, 335, {803, 255, {11, 301}, {653, 301}, {739, 301}, {567, 301}, {11, 277}, 803}},
      // The narrowest client area: Analyze starts MX right of the check box.
      {421, 162, {399, 82, {11, 128}, {249, 128}, {335, 128}, {163, 128}, {11, 104}, 399}},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const Row& row = rows[i];
    const uilogic::MainLayout layout =
        uilogic::LayOutMainWindow(metrics, kTemplateControls, row.width, row.height);
    const std::string where = "row " + std::to_string(i) + ": " + std::to_string(row.width) +
                              " x " + std::to_string(row.height);
    EXPECT_EQ(layout.listWidth, row.expected.listWidth) << where;
    EXPECT_EQ(layout.listHeight, row.expected.listHeight) << where;
    EXPECT_EQ(layout.checkBox.x, row.expected.checkBox.x) << where;
    EXPECT_EQ(layout.checkBox.y, row.expected.checkBox.y) << where;
    EXPECT_EQ(layout.defragment.x, row.expected.defragment.x) << where;
    EXPECT_EQ(layout.defragment.y, row.expected.defragment.y) << where;
    EXPECT_EQ(layout.cancel.x, row.expected.cancel.x) << where;
    EXPECT_EQ(layout.cancel.y, row.expected.cancel.y) << where;
    EXPECT_EQ(layout.analyze.x, row.expected.analyze.x) << where;
    EXPECT_EQ(layout.analyze.y, row.expected.analyze.y) << where;
    EXPECT_EQ(layout.statusLine.x, row.expected.statusLine.x) << where;
    EXPECT_EQ(layout.statusLine.y, row.expected.statusLine.y) << where;
    EXPECT_EQ(layout.statusLineWidth, row.expected.statusLineWidth) << where;
  }
}

TEST(MainLayoutTest, TheListHeightDependsOnItsCurrentTop) {
  uilogic::MainControls moved = kTemplateControls;
  moved.list.top = 40;
  const uilogic::MainLayout layout = uilogic::LayOutMainWindow({11, 11, 75, 23}, moved, 1000, 500);
  EXPECT_EQ(layout.listHeight, 500 - 11 - 23 - 11 - 13 - 11 - 40);
}

TEST(MainLayoutTest, TheMinimumWidthKeepsAnalyzeClearOfTheCheckBox) {
  const uilogic::LayoutMetrics metrics{11, 11, 75, 23};
  struct Row {
    int checkBoxRight;
    int frameWidth;
    int expectedClient;
    int expectedWindow;
  };
  const Row rows[] = {
      // The template at 96 dpi: the buttons need more than the 400-pixel floor.
      {152, 16, 421, 437},
      // A short check box: the floor holds.
      {60, 16, 329, 400},
      // Either side of the floor.
      {115, 16, 384, 400},
      {116, 16, 385, 401},
      {60, 72, 329, 401},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    uilogic::MainControls controls = kTemplateControls;
    controls.checkBox.right = rows[i].checkBoxRight;
    EXPECT_EQ(uilogic::MinimumClientWidth(metrics, controls), rows[i].expectedClient)
        << "row " << i;
    EXPECT_EQ(uilogic::MinimumWindowWidth(metrics, controls, rows[i].frameWidth, 96),
              rows[i].expectedWindow)
        << "row " << i;
    // At that width Analyze lies MX right of the check box, never over it.
    const uilogic::MainLayout layout =
        uilogic::LayOutMainWindow(metrics, controls, rows[i].expectedClient, 162);
    EXPECT_EQ(layout.analyze.x, rows[i].checkBoxRight + 11) << "row " << i;
  }
}

TEST(MainLayoutTest, TheGripHidesOnlyWhileMaximised) {
  EXPECT_TRUE(uilogic::GripVisibleAfterSize(0));   // SIZE_RESTORED
  EXPECT_TRUE(uilogic::GripVisibleAfterSize(1));   // SIZE_MINIMIZED
  EXPECT_FALSE(uilogic::GripVisibleAfterSize(2));  // SIZE_MAXIMIZED
}

TEST(MainLayoutTest, TheGripFillsTheClientCorner) {
  const Rect grip = uilogic::GripRect({0, 0, 825, 335}, 17, 18);
  EXPECT_EQ(grip.left, 808);
  EXPECT_EQ(grip.top, 317);
  EXPECT_EQ(grip.right, 825);
  EXPECT_EQ(grip.bottom, 335);
}

TEST(MainLayoutTest, TheGripCornerResizesFromTheLowerRight) {
  const Rect window{100, 100, 941, 474};
  struct Row {
    const char* what;
    int platformAnswer;
    bool gripVisible;
    Point point;
    int expected;
  };
  const Row rows[] = {
      {"inside the corner", 1, true, {930, 460}, 17},
      {"the corner's top-left pixel", 1, true, {924, 457}, 17},
      {"the corner's last pixel", 1, true, {940, 473}, 17},
      {"left of the corner", 1, true, {923, 460}, 1},
      {"above the corner", 1, true, {930, 456}, 1},
      {"on the window's right edge", 1, true, {941, 460}, 1},
      {"the grip hidden (maximised)", 1, false, {930, 460}, 1},
      {"the platform found no client area", 11, true, {930, 460}, 11},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const Row& row = rows[i];
    EXPECT_EQ(
        uilogic::SizeGripHitTest(row.platformAnswer, row.gripVisible, window, row.point, 17, 17),
        row.expected)
        << "row " << i << ": " << row.what;
  }
}

TEST(MainLayoutTest, CentresTheMinimisedIcon) {
  struct Row {
    int width, height, iconWidth, iconHeight;
    Point expected;
  };
  const Row rows[] = {
      {36, 36, 32, 32, {2, 2}},
      {37, 35, 32, 32, {3, 2}},
      {160, 24, 32, 32, {64, -3}},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const Row& row = rows[i];
    const Point at =
        uilogic::MinimizedIconPosition(row.width, row.height, row.iconWidth, row.iconHeight);
    EXPECT_EQ(at.x, row.expected.x) << "row " << i;
    EXPECT_EQ(at.y, row.expected.y) << "row " << i;
  }
}

TEST(ColumnWidthsTest, FilenameSizeAndTheFirstResultColumnTakeTheRest) {
  struct Row {
    int width;
    std::array<int, 3> hiveList;  // Hive, Filename, Size
    std::array<int, 4> analysed;  // Hive, Filename, Size, Compact Size
    std::array<int, 3> results;
    std::array<int, 3> space;  // Key, Size, Share
  };
  const Row rows[] = {
      // The template's list at 96 dpi under Wine.
      {933, {355, 355, 206}, {355, 311, 100, 150}, {716, 100, 100}, {746, 100, 70}},
      // Size's last pixel gone, then Filename's.
      {727, {355, 355, 0}, {355, 105, 100, 150}, {510, 100, 100}, {540, 100, 70}},
      {622, {355, 355, 0}, {355, 0, 100, 150}, {405, 100, 100}, {435, 100, 70}},
      // Narrower than the fixed columns: the rest never goes negative.
      {200, {355, 355, 0}, {355, 0, 100, 150}, {0, 100, 100}, {13, 100, 70}},
      {150, {355, 355, 0}, {355, 0, 100, 150}, {0, 100, 100}, {0, 100, 70}},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const std::string where = "row " + std::to_string(i) + ": " + std::to_string(rows[i].width);
    EXPECT_EQ(uilogic::HiveListColumnWidths(rows[i].width, 17, 96), rows[i].hiveList) << where;
    EXPECT_EQ(uilogic::AnalysedHiveListColumnWidths(rows[i].width, 17, 96), rows[i].analysed)
        << where;
    EXPECT_EQ(uilogic::ResultsListColumnWidths(rows[i].width, 17, 96), rows[i].results) << where;
    EXPECT_EQ(uilogic::SpaceListColumnWidths(rows[i].width, 17, 96), rows[i].space) << where;
  }
}

}  // namespace
