// kelvaro-probe: looks at and drives the windows of other programs in the same
// Wine prefix, for the end-to-end tests.
//   probe list                         every visible top-level window and its controls
//   probe wait TITLE SECONDS           waits for a visible window titled TITLE, then lists it
//   probe gone TITLE SECONDS           waits until no visible window is titled TITLE
//   probe click TITLE ID               sends a button click (BN_CLICKED) of control ID
//   probe key TITLE VK                 posts a key press (WM_KEYDOWN/UP) to the window's focus
//   probe close TITLE                  posts WM_CLOSE
//   probe setcheck TITLE ID STATE      sets check box ID to STATE (0 or 1)
//   probe syscommand TITLE ID          posts the system-menu command ID
// TITLE may be written TITLE#ID to pick the window of that title that has a
// control ID (a message box's text is control 65535).
//   probe dosdevice NAME               the first target QueryDosDeviceW gives for NAME
//   probe rows TITLE ID [COLUMNS]      the rows of list view ID: state|col0|col1|col2 (and
//                                      further columns up to COLUMNS, 3 unless given)
//   probe holdmutex FILE NAME...       holds each named mutex, as another program would,
//                                      until FILE exists (two minutes at most)
// Exit code 0 on success, 1 when the window did not appear (or go) in time, 2 on usage.
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

std::wstring TextOf(HWND window) {
  wchar_t buffer[1024] = {};
  DWORD_PTR copied = 0;
  if (!::SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buffer),
                             SMTO_ABORTIFHUNG, 2000, &copied)) {
    ::GetWindowTextW(window, buffer, 1024);
  }
  return buffer;
}

std::wstring ClassOf(HWND window) {
  wchar_t buffer[256] = {};
  ::GetClassNameW(window, buffer, 256);
  return buffer;
}

BOOL CALLBACK CollectVisible(HWND window, LPARAM param) {
  if (::IsWindowVisible(window)) reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
  return TRUE;
}

std::vector<HWND> TopLevelWindows() {
  std::vector<HWND> windows;
  ::EnumWindows(&CollectVisible, reinterpret_cast<LPARAM>(&windows));
  return windows;
}

HWND FindTitled(const wchar_t* titleAndId) {
  std::wstring title = titleAndId;
  int required = 0;
  auto hash = title.rfind(L'#');
  if (hash != std::wstring::npos) {
    required = static_cast<int>(std::wcstol(title.c_str() + hash + 1, nullptr, 10));
    title.resize(hash);
  }
  for (HWND window : TopLevelWindows()) {
    if (TextOf(window) != title) continue;
    if (required != 0 && ::GetDlgItem(window, required) == nullptr) continue;
    return window;
  }
  return nullptr;
}

void Print(const std::wstring& line) {
  // UTF-8 on stdout so shell tests can grep the texts.
  int bytes = ::WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(bytes), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, utf8.data(), bytes, nullptr, nullptr);
  std::printf("%s\n", utf8.c_str());
}

BOOL CALLBACK ListControl(HWND child, LPARAM) {
  wchar_t text[2048];
  std::swprintf(text, 2048, L"control|%d|%ls|%ls|%ls|%ls", ::GetDlgCtrlID(child),
                ClassOf(child).c_str(), TextOf(child).c_str(),
                ::IsWindowEnabled(child) ? L"enabled" : L"disabled",
                ::SendMessageW(child, BM_GETCHECK, 0, 0) == BST_CHECKED ? L"checked" : L"-");
  Print(text);
  return TRUE;
}

void ListWindow(HWND window) {
  RECT bounds{};
  ::GetWindowRect(window, &bounds);
  wchar_t line[2048];
  std::swprintf(line, 2048, L"window|%ls|%ls|%ld,%ld,%ld,%ld|style=%08lx", ClassOf(window).c_str(),
                TextOf(window).c_str(), bounds.left, bounds.top, bounds.right - bounds.left,
                bounds.bottom - bounds.top,
                static_cast<unsigned long>(::GetWindowLongW(window, GWL_STYLE)));
  Print(line);
  ::EnumChildWindows(window, &ListControl, 0);
  std::fflush(stdout);
}

// Reads a list view's rows from the other process: the item structure and the
// text buffer must live in that process's memory for the messages to fill them.
void ListRows(HWND list, int columns) {
  DWORD processId = 0;
  ::GetWindowThreadProcessId(list, &processId);
  HANDLE process =
      ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
  if (process == nullptr) return;
  constexpr SIZE_T kTextChars = 512;
  auto* remote = static_cast<char*>(::VirtualAllocEx(
      process, nullptr, sizeof(LVITEMW) + kTextChars * 2, MEM_COMMIT, PAGE_READWRITE));
  if (remote == nullptr) {
    ::CloseHandle(process);
    return;
  }
  auto* remoteText = reinterpret_cast<wchar_t*>(remote + sizeof(LVITEMW));
  int count = static_cast<int>(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  for (int row = 0; row < count; ++row) {
    UINT state = static_cast<UINT>(
        ::SendMessageW(list, LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_STATEIMAGEMASK));
    std::wstring line = L"row|" + std::to_wstring(state >> 12);
    for (int column = 0; column < columns; ++column) {
      LVITEMW item{};
      item.iSubItem = column;
      item.pszText = remoteText;
      item.cchTextMax = static_cast<int>(kTextChars);
      ::WriteProcessMemory(process, remote, &item, sizeof item, nullptr);
      ::SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row),
                     reinterpret_cast<LPARAM>(remote));
      wchar_t text[kTextChars] = {};
      ::ReadProcessMemory(process, remoteText, text, sizeof text - sizeof(wchar_t), nullptr);
      line += L"|";
      line += text;
    }
    Print(line);
  }
  ::VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  ::CloseHandle(process);
}

bool WaitFor(const wchar_t* title, double seconds, bool present) {
  DWORD deadline = ::GetTickCount() + static_cast<DWORD>(seconds * 1000);
  for (;;) {
    HWND window = FindTitled(title);
    if (present && window != nullptr) {
      ListWindow(window);
      return true;
    }
    if (!present && window == nullptr) return true;
    if (static_cast<LONG>(::GetTickCount() - deadline) > 0) return false;
    ::Sleep(100);
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  std::wstring verb = argv[1];
  if (verb == L"folders") {  // the temporary and Windows folders, as Unix-side checks need them
    wchar_t temp[MAX_PATH + 1] = {};
    wchar_t windows[MAX_PATH + 1] = {};
    ::GetTempPathW(MAX_PATH, temp);
    ::GetWindowsDirectoryW(windows, MAX_PATH);
    Print(std::wstring(L"temp|") + temp);
    Print(std::wstring(L"windows|") + windows);
    return 0;
  }
  if (verb == L"list") {
    for (HWND window : TopLevelWindows()) ListWindow(window);
    return 0;
  }
  if (argc < 3) return 2;
  if (verb == L"dosdevice") {
    wchar_t target[1024] = {};
    if (::QueryDosDeviceW(argv[2], target, 1024) == 0) return 1;
    Print(target);
    return 0;
  }
  if (verb == L"holdmutex" && argc >= 4) {
    std::vector<HANDLE> held;
    for (int index = 3; index < argc; ++index) {
      HANDLE mutex = ::CreateMutexW(nullptr, FALSE, argv[index]);
      if (mutex == nullptr) return 1;
      held.push_back(mutex);
    }
    Print(L"holding");
    std::fflush(stdout);
    for (int tick = 0; tick < 1200 && ::GetFileAttributesW(argv[2]) == INVALID_FILE_ATTRIBUTES;
         ++tick) {
      ::Sleep(100);
    }
    for (HANDLE mutex : held) ::CloseHandle(mutex);
    return 0;
  }
  const wchar_t* title = argv[2];
  if (verb == L"wait" && argc >= 4)
    return WaitFor(title, std::wcstod(argv[3], nullptr), true) ? 0 : 1;
  if (verb == L"gone" && argc >= 4)
    return WaitFor(title, std::wcstod(argv[3], nullptr), false) ? 0 : 1;
  HWND window = FindTitled(title);
  if (window == nullptr) {
    Print(L"probe: no window titled " + std::wstring(title));
    return 1;
  }
  if (verb == L"click" && argc >= 4) {
    int id = static_cast<int>(std::wcstol(argv[3], nullptr, 10));
    HWND control = ::GetDlgItem(window, id);
    ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                   reinterpret_cast<LPARAM>(control));
    return 0;
  }
  if (verb == L"key" && argc >= 4) {
    auto key = static_cast<WPARAM>(std::wcstol(argv[3], nullptr, 0));
    DWORD thread = ::GetWindowThreadProcessId(window, nullptr);
    GUITHREADINFO info{sizeof(GUITHREADINFO)};
    HWND target = ::GetGUIThreadInfo(thread, &info) && info.hwndFocus ? info.hwndFocus : window;
    ::PostMessageW(target, WM_KEYDOWN, key, 1);
    ::PostMessageW(target, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
    return 0;
  }
  if (verb == L"rows" && argc >= 4) {
    int columns = argc >= 5 ? static_cast<int>(std::wcstol(argv[4], nullptr, 10)) : 3;
    ListRows(::GetDlgItem(window, static_cast<int>(std::wcstol(argv[3], nullptr, 10))), columns);
    return 0;
  }
  if (verb == L"syscommand" && argc >= 4) {
    ::PostMessageW(window, WM_SYSCOMMAND, static_cast<WPARAM>(std::wcstol(argv[3], nullptr, 0)), 0);
    return 0;
  }
  if (verb == L"setcheck" && argc >= 5) {
    HWND box = ::GetDlgItem(window, static_cast<int>(std::wcstol(argv[3], nullptr, 10)));
    ::SendMessageW(box, BM_SETCHECK,
                   std::wcstol(argv[4], nullptr, 10) != 0 ? BST_CHECKED : BST_UNCHECKED, 0);
    return 0;
  }
  if (verb == L"close") {
    ::PostMessageW(window, WM_CLOSE, 0, 0);
    return 0;
  }
  return 2;
}
