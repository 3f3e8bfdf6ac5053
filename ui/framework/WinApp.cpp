#include "ui/framework/WinApp.h"

#include <commctrl.h>

namespace {
CWinApp* g_pApp = nullptr;
}

CWinApp::CWinApp(const wchar_t*) { g_pApp = this; }

CWinApp::~CWinApp() {
  if (g_pApp == this) g_pApp = nullptr;
}

BOOL CWinApp::InitInstance() { return TRUE; }

const MessageMap* CWinApp::GetMessageMap() const {
  static const MessageMap map = {nullptr, nullptr, 0};
  return &map;
}

void CWinApp::BeginWaitCursor() {
  HCURSOR previous = ::SetCursor(::LoadCursorW(nullptr, MAKEINTRESOURCEW(32514)));  // IDC_WAIT
  if (m_nWaitCursorCount++ == 0) m_hPreviousCursor = previous;
}

void CWinApp::EndWaitCursor() {
  if (m_nWaitCursorCount == 0) return;
  if (--m_nWaitCursorCount == 0) ::SetCursor(m_hPreviousCursor);
}

CWinApp* AfxGetApp() { return g_pApp; }

HINSTANCE AfxGetInstanceHandle() {
  return g_pApp != nullptr && g_pApp->m_hInstance != nullptr ? g_pApp->m_hInstance
                                                             : ::GetModuleHandleW(nullptr);
}

int AfxWinMain(HINSTANCE instance, const wchar_t* commandLineTail) {
  CWinApp* app = AfxGetApp();
  if (app == nullptr) return 1;
  app->m_hInstance = instance;
  app->m_lpCmdLine = commandLineTail != nullptr ? commandLineTail : L"";
  INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX),
                                ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&controls);
  app->InitInstance();
  return 0;
}
