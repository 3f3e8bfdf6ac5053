#include <windows.h>

#include <exdisp.h>
#include <oleauto.h>
#include <servprov.h>
#include <shldisp.h>
#include <shlguid.h>
#include <shlobj.h>
#include <shobjidl.h>

#include "platform/win32/Win32Platform.h"

namespace platform::win32 {

namespace {

// Releases a COM interface when it goes.
template <typename Interface>
class ComReference {
 public:
  ComReference() = default;
  ~ComReference() {
    if (m_pointer != nullptr) m_pointer->Release();
  }
  ComReference(const ComReference&) = delete;
  ComReference& operator=(const ComReference&) = delete;

  Interface* operator->() const { return m_pointer; }
  Interface* Get() const { return m_pointer; }
  Interface** Receive() { return &m_pointer; }
  void** ReceiveVoid() { return reinterpret_cast<void**>(&m_pointer); }

 private:
  Interface* m_pointer = nullptr;
};

// Frees a string handed to automation when it goes.
class AutomationString {
 public:
  explicit AutomationString(const wchar_t* text) : m_text(::SysAllocString(text)) {}
  ~AutomationString() { ::SysFreeString(m_text); }
  AutomationString(const AutomationString&) = delete;
  AutomationString& operator=(const AutomationString&) = delete;
  BSTR Get() const { return m_text; }

 private:
  BSTR m_text;
};

// The desktop window's shell, the signed-in user's Explorer, asked to open
// the address: the path Microsoft describes for starting a program
// unelevated from an elevated one (ShellWindows.FindWindowSW for the
// desktop, its top-level browser's active view, the view's background
// object, its Application, IShellDispatch2::ShellExecute).
bool OpenThroughDesktop(const wchar_t* address) {
  ComReference<IShellWindows> windows;
  if (FAILED(::CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, IID_IShellWindows,
                                windows.ReceiveVoid()))) {
    return false;
  }
  VARIANT desktopLocation;
  ::VariantInit(&desktopLocation);
  desktopLocation.vt = VT_I4;
  desktopLocation.lVal = CSIDL_DESKTOP;
  VARIANT noRoot;
  ::VariantInit(&noRoot);
  long desktopWindow = 0;
  ComReference<IDispatch> desktop;
  if (windows->FindWindowSW(&desktopLocation, &noRoot, SWC_DESKTOP, &desktopWindow,
                            SWFO_NEEDDISPATCH, desktop.Receive()) != S_OK ||
      desktop.Get() == nullptr) {
    return false;
  }
  ComReference<IServiceProvider> services;
  ComReference<IShellBrowser> browser;
  ComReference<IShellView> view;
  ComReference<IDispatch> background;
  ComReference<IShellFolderViewDual> folderView;
  ComReference<IDispatch> application;
  ComReference<IShellDispatch2> shell;
  if (FAILED(desktop->QueryInterface(IID_IServiceProvider, services.ReceiveVoid())) ||
      FAILED(
          services->QueryService(SID_STopLevelBrowser, IID_IShellBrowser, browser.ReceiveVoid())) ||
      FAILED(browser->QueryActiveShellView(view.Receive())) ||
      FAILED(view->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch, background.ReceiveVoid())) ||
      FAILED(background->QueryInterface(IID_IShellFolderViewDual, folderView.ReceiveVoid())) ||
      FAILED(folderView->get_Application(application.Receive())) ||
      FAILED(application->QueryInterface(IID_IShellDispatch2, shell.ReceiveVoid()))) {
    return false;
  }
  AutomationString file(address);
  if (file.Get() == nullptr) return false;
  VARIANT none;
  ::VariantInit(&none);
  VARIANT show;
  ::VariantInit(&show);
  show.vt = VT_I4;
  show.lVal = SW_SHOWNORMAL;
  return SUCCEEDED(shell->ShellExecute(file.Get(), none, none, none, show));
}

}  // namespace

bool Win32Shell::OpenAsSignedInUser(const wchar_t* address) {
  if (address == nullptr) return false;
  const HRESULT apartment = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  // A thread already in another apartment still reaches the shell's objects.
  if (FAILED(apartment) && apartment != RPC_E_CHANGED_MODE) return false;
  const bool opened = OpenThroughDesktop(address);
  if (SUCCEEDED(apartment)) ::CoUninitialize();
  return opened;
}

}  // namespace platform::win32
