// The program's resources, loaded in-process from the same resource script.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "ui/framework/Resources.h"
#include "ui/res/Version.h"
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
      {109,
       L"This process will forcibly reboot the computer.  Before proceeding please save all "
       L"data and close all programs."},
      {110,
       L"This version will not run on 64-bit Windows.  Please use the 64-bit version of "
       L"Kelvaro."},
      {IDS_WHERE_SPACE_GOES, L"Where the space goes..."},
      {IDS_SPACE_CAPTION, L"Where the space goes: %1"},
      {IDS_COLUMN_KEY, L"Key"},
      {IDS_COLUMN_SHARE, L"Share"},
      {IDS_LOST_WRITES, L"%1 changes made after the copy was taken are not in the compacted hive"},
      {IDS_SWAPS_WAIT,
       L"The swaps will happen at the next start of Windows; changes made until then will be "
       L"lost."},
      {IDS_RUN_INTERRUPTED,
       L"The run stopped on an error. %1 hives are already scheduled and will be swapped at the "
       L"next start. To put their previous files back after that start, run \"kelvaro-hive "
       L"restore\" from an elevated prompt."},
      {IDS_PROFILES_DONE,
       L"%1 hives of users who are not signed in were compacted now, without a restart: %2"},
      {IDS_NO_RESTART_NEEDED,
       L"No restart is needed: the hives of users who are not signed in are swapped at once."},
      {IDS_CONFIRM_PROFILES_NOW,
       L"The ticked hives of users who are not signed in will be compacted and swapped now. The "
       L"computer will not be restarted."},
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

TEST(Manifest, NamesEverySupportedWindowsFromVistaOn) {
  const char* const ids[] = {
      "{e2011457-1546-43c5-a5fe-008deee3d3f0}",  // Vista
      "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  // 7
      "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  // 8
      "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  // 8.1
      "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  // 10 and 11
  };
  std::string manifest = ManifestText();
  for (const char* id : ids) {
    EXPECT_NE(manifest.find(std::string("<supportedOS Id=\"") + id + "\"/>"), std::string::npos)
        << id;
  }
}

// Declared system DPI aware, the program is not bitmap-stretched by the system
// and scales its own layout. (Wine treats every process as aware, so asking
// the running process would prove nothing here.)
TEST(Manifest, DeclaresSystemDpiAwareness) {
  const std::string manifest = ManifestText();
  EXPECT_NE(manifest.find(R"(<dpiAware xmlns="http://schemas.microsoft.com/SMI/2005/)"
                          R"(WindowsSettings">true</dpiAware>)"),
            std::string::npos);
}

// The UTF-16 value of `key` in the version resource's string table, found by
// its name; the block layout is walked no further than needed.
std::wstring VersionString(const wchar_t* data, std::size_t units, const std::wstring& key) {
  std::wstring text(data, units);
  std::size_t at = text.find(key + L'\0');
  if (at == std::wstring::npos) return {};
  at += key.size() + 1;
  while (at < text.size() && text[at] == L'\0') ++at;  // padding to a 32-bit boundary
  std::size_t end = text.find(L'\0', at);
  return text.substr(at, end == std::wstring::npos ? std::wstring::npos : end - at);
}

TEST(VersionResource, MatchesTheProjectAndTheAboutBox) {
  HMODULE module = ::GetModuleHandleW(nullptr);
  HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(16));  // RT_VERSION
  ASSERT_NE(found, nullptr) << "version resource 1";
  const auto* bytes = static_cast<const BYTE*>(::LockResource(::LoadResource(module, found)));
  DWORD size = ::SizeofResource(module, found);
  const DWORD signature = 0xFEEF04BD;
  const VS_FIXEDFILEINFO* fixed = nullptr;
  for (DWORD at = 0; at + sizeof(VS_FIXEDFILEINFO) <= size; at += 4) {
    if (std::memcmp(bytes + at, &signature, 4) == 0) {
      fixed = reinterpret_cast<const VS_FIXEDFILEINFO*>(bytes + at);
      break;
    }
  }
  ASSERT_NE(fixed, nullptr) << "VS_FIXEDFILEINFO";
  EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(KELVARO_VERSION_MINOR, KELVARO_VERSION_MAJOR));
  EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
  EXPECT_EQ(std::to_string(KELVARO_VERSION_MAJOR) + "." + std::to_string(KELVARO_VERSION_MINOR),
            KELVARO_PROJECT_VERSION)
      << "the version resource and the project version differ";

  const auto* units = reinterpret_cast<const wchar_t*>(bytes);
  EXPECT_EQ(VersionString(units, size / 2, L"ProductName"), L"Kelvaro");
  EXPECT_EQ(VersionString(units, size / 2, L"FileVersion"), L"" KELVARO_VERSION_TEXT);
  EXPECT_EQ(VersionString(units, size / 2, L"FileDescription"), L"Kelvaro registry hive compactor");
  EXPECT_EQ(VersionString(units, size / 2, L"OriginalFilename"),
            sizeof(void*) == 8 ? L"Kelvaro64.exe" : L"Kelvaro.exe");

  HRSRC about = ::FindResourceW(module, MAKEINTRESOURCEW(IDD_ABOUTBOX), MAKEINTRESOURCEW(5));
  ASSERT_NE(about, nullptr);
  std::wstring aboutText(static_cast<const wchar_t*>(::LockResource(::LoadResource(module, about))),
                         ::SizeofResource(module, about) / 2);
  std::wstring shown = L"Kelvaro " + std::to_wstring(KELVARO_VERSION_MAJOR) + L"." +
                       std::to_wstring(KELVARO_VERSION_MINOR) + L"\n";
  EXPECT_NE(aboutText.find(shown), std::wstring::npos) << "the About box shows the same version";
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
       WS_EX_APPWINDOW, 6},  // list, status line, check box, Analyze, Defragment, Cancel
      // list, the box of changes the copies missed, check box, Put Back, OK
      {IDD_RESULTS_DIALOG, 450, 206, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 0, 5},
      {IDD_SPACE_DIALOG, 420, 206, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 0, 2},
  };
  HMODULE module = ::GetModuleHandleW(nullptr);
  for (const Row& row : rows) {
    HRSRC found =
        ::FindResourceW(module, MAKEINTRESOURCEW(row.id), MAKEINTRESOURCEW(5));  // RT_DIALOG
    ASSERT_NE(found, nullptr) << "template " << row.id;
    auto* header =
        static_cast<const TemplateHeader*>(::LockResource(::LoadResource(module, found)));
    ASSERT_EQ(header->signature, 0xFFFF) << "extended template " << row.id;
    EXPECT_EQ(header->cx, row.cx) << row.id;
    EXPECT_EQ(header->cy, row.cy) << row.id;
    EXPECT_EQ(header->style & ~DS_SETFONT, row.style) << row.id;
    EXPECT_EQ(header->exStyle, row.exStyle) << row.id;
    EXPECT_EQ(header->cDlgItems, row.items) << row.id;
  }
}

}  // namespace
