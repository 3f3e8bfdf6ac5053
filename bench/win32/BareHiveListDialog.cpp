// The yardsticks for the main window's start: a bare program that shows the
// same dialog template and fills its list with the same rows straight from the
// hive list and then the profile list, with no framework, sorting or checks.
//   bare-hivelist             rows from one read of each value, no sizes
//   bare-hivelist /lookups    as the window asks: each hive value read again
//                             by name, each file's size looked up
// A profile not signed in gives rows: its NTUSER.DAT (and, with /lookups, its UsrClass.dat
// when that exists), as "HKU\<SID> (not signed in)".
#include <windows.h>

#include <commctrl.h>

#include <cwchar>
#include <string>

#include "platform/RegistryKeyPaths.h"
#include "ui/res/resource.h"

namespace {

void InsertColumn(HWND list, int column, const wchar_t* heading, int width) {
  LVCOLUMNW entry{};
  entry.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
  entry.cx = width;
  entry.pszText = const_cast<wchar_t*>(heading);
  entry.iSubItem = column;
  ::SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(column),
                 reinterpret_cast<LPARAM>(&entry));
}

void SetText(HWND list, int row, int column, const wchar_t* text) {
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = const_cast<wchar_t*>(text);
  ::SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

// The size column's text, by file search as the window's catalogue measures.
std::wstring SizeText(const std::wstring& file, bool* found) {
  unsigned long long bytes = 0;
  WIN32_FIND_DATAW entry{};
  HANDLE search = ::FindFirstFileW(file.c_str(), &entry);
  *found = search != INVALID_HANDLE_VALUE;
  if (*found) {
    bytes = (static_cast<unsigned long long>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
    ::FindClose(search);
  }
  wchar_t size[32];
  std::swprintf(size, 32, L"%llu KB", bytes / 1024);
  return size;
}

int AddRow(HWND list, int index, const wchar_t* name, const std::wstring& file,
           const std::wstring& size) {
  LVITEMW item{};
  item.mask = LVIF_TEXT;
  item.iItem = index;
  item.pszText = const_cast<wchar_t*>(name);
  int row =
      static_cast<int>(::SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
  if (row < 0) return index;
  SetText(list, row, 1, file.c_str());
  SetText(list, row, 2, size.c_str());
  return row + 1;
}

// One row per REG_SZ value: its name, its file with the device replaced by C:,
// and with `lookups` the file's size.
int FillHiveRows(HWND list, bool lookups) {
  HKEY key = nullptr;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, platform::kHiveListKey, 0, KEY_READ, &key) !=
      ERROR_SUCCESS) {
    return 0;
  }
  wchar_t device[MAX_PATH] = {};
  ::QueryDosDeviceW(L"C:", device, MAX_PATH);
  const std::wstring prefix = device;
  int index = 0;
  for (DWORD value = 0;; ++value) {
    wchar_t name[512];
    wchar_t data[1024];
    DWORD nameLength = 512;
    DWORD dataBytes = sizeof data;
    DWORD type = 0;
    LSTATUS status = ::RegEnumValueW(key, value, name, &nameLength, nullptr, &type,
                                     reinterpret_cast<BYTE*>(data), &dataBytes);
    if (status == ERROR_NO_MORE_ITEMS) break;
    if (lookups && status == ERROR_SUCCESS) {
      dataBytes = sizeof data;
      status =
          ::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &dataBytes);
    }
    if (status != ERROR_SUCCESS || type != REG_SZ) continue;
    std::wstring file = data;
    if (file.rfind(prefix, 0) == 0) file = L"C:" + file.substr(prefix.size());
    bool found = false;
    index = AddRow(list, index, name, file, lookups ? SizeText(file, &found) : std::wstring());
  }
  ::RegCloseKey(key);
  return index;
}

void FillProfileRows(HWND list, int index, bool lookups) {
  HKEY key = nullptr;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE,
                      L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList", 0,
                      KEY_READ | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS) {
    return;
  }
  for (DWORD subkey = 0;; ++subkey) {
    wchar_t sid[256];
    DWORD sidLength = 256;
    LSTATUS status =
        ::RegEnumKeyExW(key, subkey, sid, &sidLength, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_NO_MORE_ITEMS) break;
    if (status != ERROR_SUCCESS) continue;
    // A signed-in user's hives are in the hive list already.
    HKEY loaded = nullptr;
    if (::RegOpenKeyExW(HKEY_USERS, sid, 0, KEY_QUERY_VALUE, &loaded) == ERROR_SUCCESS) {
      ::RegCloseKey(loaded);
      continue;
    }
    wchar_t folder[MAX_PATH];
    DWORD folderBytes = sizeof folder;
    if (::RegGetValueW(key, sid, L"ProfileImagePath",
                       RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, nullptr, folder,
                       &folderBytes) != ERROR_SUCCESS) {
      continue;
    }
    const std::wstring user = std::wstring(folder) + L"\\NTUSER.DAT";
    const std::wstring name = L"HKU\\" + std::wstring(sid);
    bool found = true;
    const std::wstring size = lookups ? SizeText(user, &found) : std::wstring();
    if (found) index = AddRow(list, index, (name + L" (not signed in)").c_str(), user, size);
    if (!lookups) continue;
    const std::wstring classes =
        std::wstring(folder) + L"\\AppData\\Local\\Microsoft\\Windows\\UsrClass.dat";
    const std::wstring classesSize = SizeText(classes, &found);
    if (found) {
      index =
          AddRow(list, index, (name + L"_Classes (not signed in)").c_str(), classes, classesSize);
    }
  }
  ::RegCloseKey(key);
}

bool g_lookups = false;

INT_PTR CALLBACK BareDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) {
    HWND list = ::GetDlgItem(dialog, IDC_HIVE_LIST);
    InsertColumn(list, 0, L"Hive", 300);
    InsertColumn(list, 1, L"File Name", 300);
    InsertColumn(list, 2, L"Size", 100);
    // As any list filled while hidden should be: laid out once, not per row.
    ::SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    FillProfileRows(list, FillHiveRows(list, g_lookups), g_lookups);
    ::SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    return TRUE;
  }
  if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
    ::DestroyWindow(dialog);
    return TRUE;
  }
  return FALSE;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
  g_lookups = std::wcsstr(commandLine, L"/lookups") != nullptr;
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
  ::InitCommonControlsEx(&controls);
  // Modeless with its own loop, as the program's dialog framework runs it.
  HWND dialog = ::CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_HIVELIST_DIALOG), nullptr,
                                     &BareDialog, 0);
  if (dialog == nullptr) return 1;
  ::ShowWindow(dialog, SW_SHOW);
  MSG message{};
  while (::IsWindow(dialog) && ::GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (!::IsDialogMessageW(dialog, &message)) {
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
  }
  return 0;
}
