#include "ui/logic/TickRules.h"

#include <gtest/gtest.h>

#include "ui/logic/DefragmentRules.h"
#include "ui/logic/SystemMenuRules.h"

namespace {

TEST(TickRulesTest, ToggleTicksUntickedAndUnticksEverythingElse) {
  struct Row {
    std::uint32_t state;
    std::uint32_t expected;
  };
  const Row rows[] = {
      {0x1000, 0x2000},  // unticked => ticked
      {0x2000, 0x1000},  // ticked => unticked
      {0x0000, 0x1000},  // no box => unticked
      {0x3000, 0x1000},  // the unused third image => unticked
      // Selection and focus bits do not hide the tick.
      {0x1003, 0x2000},
      {0x2002, 0x1000},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    EXPECT_EQ(uilogic::ToggledState(rows[i].state), rows[i].expected)
        << "row " << i << ": state 0x" << std::hex << rows[i].state;
  }
}

TEST(TickRulesTest, OnlyHitsInTheAskedZonesToggle) {
  constexpr std::uint32_t kOnItemIcon = 0x2;   // LVHT_ONITEMICON
  constexpr std::uint32_t kToTheRight = 0x20;  // LVHT_TORIGHT
  constexpr std::uint32_t kNowhere = 0x1;      // LVHT_NOWHERE
  struct Row {
    const char* what;
    int row;
    std::uint32_t flags;
    std::uint32_t zones;
    bool expected;
  };
  const Row rows[] = {
      {"click on the box", 3, uilogic::kHitOnStateIcon, uilogic::kClickToggleZones, true},
      {"click on the text", 3, uilogic::kHitOnLabel, uilogic::kClickToggleZones, false},
      {"click on the icon", 3, kOnItemIcon, uilogic::kClickToggleZones, false},
      {"double click on the text", 3, uilogic::kHitOnLabel, uilogic::kDoubleClickToggleZones, true},
      {"double click on the box", 0, uilogic::kHitOnStateIcon, uilogic::kDoubleClickToggleZones,
       true},
      {"double click beside the row", 3, kToTheRight, uilogic::kDoubleClickToggleZones, false},
      {"no row under the point", -1, uilogic::kHitOnStateIcon | kNowhere,
       uilogic::kClickToggleZones, false},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const Row& row = rows[i];
    EXPECT_EQ(uilogic::HitTogglesRow(row.row, row.flags, row.zones), row.expected)
        << "row " << i << ": " << row.what;
  }
}

TEST(TickRulesTest, OnlyTheSpaceBarToggles) {
  EXPECT_TRUE(uilogic::KeyTogglesSelection(0x20));
  EXPECT_FALSE(uilogic::KeyTogglesSelection(0x0D));  // VK_RETURN
  EXPECT_FALSE(uilogic::KeyTogglesSelection(0x28));  // VK_DOWN
}

TEST(TickRulesTest, UnpacksSignedMessagePositions) {
  struct Row {
    std::uint32_t packed;
    int x;
    int y;
  };
  const Row rows[] = {
      {0x00C80064u, 100, 200},
      {0xFFF6FFECu, -20, -10},  // a monitor left of and above the main one
      {0x7FFF8000u, -32768, 32767},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const uilogic::Point point = uilogic::PointFromMessagePos(rows[i].packed);
    EXPECT_EQ(point.x, rows[i].x) << "row " << i;
    EXPECT_EQ(point.y, rows[i].y) << "row " << i;
  }
}

TEST(TickRulesTest, OnlyAChangeOfTheStateImageCallsForARecount) {
  constexpr std::uint32_t kText = 0x0001;      // LVIF_TEXT
  constexpr std::uint32_t kSelected = 0x0002;  // LVIS_SELECTED
  struct Row {
    const char* what;
    std::uint32_t changed;
    std::uint32_t oldState;
    std::uint32_t newState;
    bool expected;
  };
  const Row rows[] = {
      {"ticked", uilogic::kItemStateChanged, 0x1000, 0x2000, true},
      {"unticked while selected", uilogic::kItemStateChanged, 0x2002, 0x1002, true},
      {"selected only", uilogic::kItemStateChanged, 0x2000, 0x2000 | kSelected, false},
      {"text only", kText, 0x1000, 0x2000, false},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const Row& row = rows[i];
    EXPECT_EQ(uilogic::TickMayHaveChanged(row.changed, row.oldState, row.newState), row.expected)
        << "row " << i << ": " << row.what;
  }
}

TEST(DefragmentRulesTest, EnabledWhileAnyRowIsTicked) {
  EXPECT_FALSE(uilogic::DefragmentEnabled(0));
  EXPECT_TRUE(uilogic::DefragmentEnabled(1));
  EXPECT_TRUE(uilogic::DefragmentEnabled(40));
}

TEST(DefragmentRulesTest, PassesTheFocusOnOnlyWhenDisablingTheFocusedControl) {
  EXPECT_TRUE(uilogic::MoveFocusBeforeChange(false, true));
  EXPECT_FALSE(uilogic::MoveFocusBeforeChange(false, false));
  EXPECT_FALSE(uilogic::MoveFocusBeforeChange(true, true));
}

TEST(DefragmentRulesTest, ReassertsOnlyTheDefaultButtonWhenEnabling) {
  constexpr std::uint32_t kHasDefId = 0x534Bu << 16;  // DC_HASDEFID
  struct Row {
    bool enable;
    std::uint32_t answer;
    int control;
    bool expected;
  };
  const Row rows[] = {
      {true, kHasDefId | 1001, 1001, true},
      {true, kHasDefId | 2, 1001, false},
      {true, 1001, 1001, false},  // no default id in the answer
      {false, kHasDefId | 1001, 1001, false},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    EXPECT_EQ(uilogic::ReassertDefaultButton(rows[i].enable, rows[i].answer, rows[i].control),
              rows[i].expected)
        << "row " << i;
  }
}

TEST(SystemMenuRulesTest, TheAboutEntryIgnoresTheLowFourBits) {
  EXPECT_TRUE(uilogic::IsAboutCommand(0x0010));
  EXPECT_TRUE(uilogic::IsAboutCommand(0x001F));
  EXPECT_FALSE(uilogic::IsAboutCommand(0x0020));
  EXPECT_FALSE(uilogic::IsAboutCommand(0xF060));  // SC_CLOSE
}

}  // namespace
