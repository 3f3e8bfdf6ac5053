// Which messages a dialog procedure answers through its return value.
#include <gtest/gtest.h>

#include <cstdint>

#include "ui/logic/DialogReplyRules.h"

namespace {

TEST(DialogReplyRulesTest, OnlyTheDocumentedMessagesReturnTheAnswerDirectly) {
  struct Row {
    std::uint32_t message;
    const char* name;
    bool direct;
  };
  const Row rows[] = {
      {0x0037, "WM_QUERYDRAGICON", true},
      {0x0110, "WM_INITDIALOG", true},
      {0x0132, "WM_CTLCOLORMSGBOX", true},
      {0x0133, "WM_CTLCOLOREDIT", true},
      {0x0135, "WM_CTLCOLORBTN", true},
      {0x0136, "WM_CTLCOLORDLG", true},
      {0x0138, "WM_CTLCOLORSTATIC", true},
      {0x0039, "WM_COMPAREITEM", true},
      {0x002E, "WM_VKEYTOITEM", true},
      {0x002F, "WM_CHARTOITEM", true},
      {0x0131, "before WM_CTLCOLORMSGBOX", false},
      {0x0139, "after WM_CTLCOLORSTATIC", false},
      {0x0084, "WM_NCHITTEST", false},
      {0x004E, "WM_NOTIFY", false},
      {0x0024, "WM_GETMINMAXINFO", false},
      {0x0111, "WM_COMMAND", false},
  };
  for (std::size_t index = 0; index < std::size(rows); ++index) {
    EXPECT_EQ(uilogic::DialogReturnsAnswerDirectly(rows[index].message), rows[index].direct)
        << "row " << index << ": " << rows[index].name;
  }
}

}  // namespace
