#include "app/win32/CompactorApp.h"

#include <memory>
#include <optional>

#include "app/StartupDecision.h"
#include "compaction/LiveDescriptors.h"
#include "compaction/ProtectedFolders.h"
#include "ui/HiveListDlg.h"
#include "ui/ResultsDlg.h"
#include "ui/framework/Dialog.h"
#include "ui/framework/Resources.h"
#include "ui/logic/AfterRun.h"
#include "ui/res/resource.h"

namespace {

std::unique_ptr<CDialog> MakeModeWindow(StartupOutcome outcome) {
  if (outcome == StartupOutcome::ResultsMode) return std::make_unique<CResultsDlg>(nullptr);
  return std::make_unique<CHiveListDlg>(nullptr);
}

void ShowRefusal(UINT stringId) {
  CString text = LoadResourceString(stringId);
  KelvaroMessageBox(nullptr, text, MB_OK | MB_ICONERROR);
}

}  // namespace

CCompactorApp::CCompactorApp() : CWinApp(nullptr) {}

CCompactorApp::~CCompactorApp() = default;

const MessageMap* CCompactorApp::GetMessageMap() const {
  // The standard Help command goes to the framework's own handler.
  static const MessageMap map = {CWinApp::GetMessageMap(), nullptr, 0};
  return &map;
}

BOOL CCompactorApp::InitInstance() {
  Enable3dControls();
  StartupOutcome outcome = DecideStartup(m_lpCmdLine, kBuildRefusesWindows64);
  switch (outcome) {
    case StartupOutcome::RefuseWindows64: ShowRefusal(IDS_WINDOWS_64BIT); return FALSE;
    case StartupOutcome::RefuseNotAdministrator: ShowRefusal(IDS_NOT_ADMINISTRATOR); return FALSE;
    case StartupOutcome::NormalMode:
    case StartupOutcome::ResultsMode: break;
  }
  // The first start after the swaps: the new live files get their own
  // descriptors back before anything else.
  if (outcome == StartupOutcome::ResultsMode) {
    if (std::optional<CPathName> windowsFolder = SystemWindowsFolder()) {
      SettleLiveDescriptors(*windowsFolder);
    }
  }
  std::unique_ptr<CDialog> window = MakeModeWindow(outcome);
  m_pMainWnd = window.get();
  window->DoModal();
  m_pMainWnd = nullptr;
  if (auto* main = dynamic_cast<CHiveListDlg*>(window.get()); main && main->WatchRestart()) {
    // A restart closes this windowless process; still here a minute later,
    // the countdown was aborted and the swaps wait for whenever it comes.
    ::Sleep(uilogic::kRestartWatchMilliseconds);
    KelvaroMessageBox(nullptr, LoadResourceString(IDS_SWAPS_WAIT), MB_OK | MB_ICONWARNING);
  }
  return FALSE;
}
