// The program's resources, loaded in-process from the same resource script.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "ui/framework/Resources.h"
#include "ui/res/resource.h"

namespace {

TEST(StringTable, HoldsEveryTextExactly) {
  struct Row {
    UINT id;
    const wchar_t* text;
  };
  const Row rows[] = {
      {101, L"&About Kelvaro..."},
      {102, L"Hive"},
      {103, L"Filename"},
      {104, L"Size"},
      {105, L"Windows is shutting down to finish defraging the registry."},
      {106, L"Previous Size"},
      {107, L"Current Size"},
      {108, L"You must be an administrator to run this program."},
      {109, L"This process will forcibly reboot the computer.  Before proceeding please save all "
            L"data and close all programs."},
      {110, L"This version will not run on 64-bit Windows.  Please use the 64-bit version of "
            L"Kelvaro."},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(std::wstring(LoadResourceString(row.id)), row.text) << "string " << row.id;
  }
  EXPECT_TRUE(LoadResourceString(4242).IsEmpty()) << "a missing string loads as empty";
}

std::string ManifestText() {
  HMODULE module = ::GetModuleHandleW(nullptr);
  HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));  // RT_MANIFEST
  if (found == nullptr) return {};
  HGLOBAL loaded = ::LoadResource(module, found);
  auto* bytes = static_cast<const char*>(::LockResource(loaded));
  return std::string(bytes, ::SizeofResource(module, found));
}

TEST(Manifest, AsksForAdministratorRightsAndVisualStyles) {
  std::string manifest = ManifestText();
  ASSERT_FALSE(manifest.empty()) << "manifest resource 1 of type RT_MANIFEST";
  EXPECT_NE(manifest.find(R"(level="requireAdministrator")"), std::string::npos);
  EXPECT_NE(manifest.find(R"(uiAccess="false")"), std::string::npos);
  EXPECT_NE(manifest.find(R"(name="Microsoft.Windows.Common-Controls")"), std::string::npos);
  EXPECT_NE(manifest.find(R"(version="6.0.0.0")"), std::string::npos);
}

struct TemplateHeader {
  WORD dlgVer;
  WORD signature;
  DWORD helpID;
  DWORD exStyle;
  DWORD style;
  WORD cDlgItems;
  short x, y, cx, cy;
};

TEST(DialogTemplates, HaveTheirSizesStylesAndCaptions) {
  struct Row {
    UINT id;
    short cx, cy;
    DWORD style;
    DWORD exStyle;
    WORD items;
  };
  const Row rows[] = {
      {IDD_HIVELIST_DIALOG, 550, 206,
       WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX |
           WS_MAXIMIZEBOX,
       WS_EX_APPWINDOW, 4},
      {IDD_RESULTS_DIALOG, 450, 206, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 0, 3},
  };
  HMODULE module = ::GetModuleHandleW(nullptr);
  for (const Row& row : rows) {
    HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(row.id), MAKEINTRESOURCEW(5));  // RT_DIALOG
    ASSERT_NE(found, nullptr) << "template " << row.id;
    auto* header = static_cast<const TemplateHeader*>(::LockResource(::LoadResource(module, found)));
    ASSERT_EQ(header->signature, 0xFFFF) << "extended template " << row.id;
    EXPECT_EQ(header->cx, row.cx) << row.id;
    EXPECT_EQ(header->cy, row.cy) << row.id;
    EXPECT_EQ(header->style & ~DS_SETFONT, row.style) << row.id;
    EXPECT_EQ(header->exStyle, row.exStyle) << row.id;
    EXPECT_EQ(header->cDlgItems, row.items) << row.id;
  }
}

}  // namespace
