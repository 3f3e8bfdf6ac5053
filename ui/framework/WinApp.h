#pragma once
// The application object: exactly one exists. The entry point hands it the
// command-line tail and calls InitInstance; the process ends when it returns.
#include "ui/framework/Wnd.h"

class CWinApp {
 public:
  explicit CWinApp(const wchar_t* appName = nullptr);
  virtual ~CWinApp();
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;

  virtual BOOL InitInstance();
  virtual const MessageMap* GetMessageMap() const;

  // Visual styles come from the manifest; kept so start-up reads as designed.
  void Enable3dControls() {}
  void BeginWaitCursor();
  void EndWaitCursor();
  void OnHelp() {}

  CWnd* m_pMainWnd = nullptr;
  const wchar_t* m_lpCmdLine = L"";
  HINSTANCE m_hInstance = nullptr;

 private:
  HCURSOR m_hPreviousCursor = nullptr;
  int m_nWaitCursorCount = 0;
};

CWinApp* AfxGetApp();
HINSTANCE AfxGetInstanceHandle();

// The framework's side of wWinMain: runs the application object.
int AfxWinMain(HINSTANCE instance, const wchar_t* commandLineTail);
