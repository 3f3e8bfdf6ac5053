#pragma once
// The shell (shell32): opening a web address with its program.
namespace platform {

class IShell {
 public:
  virtual ~IShell() = default;
  // Has the desktop's own shell open the address (IShellDispatch2::ShellExecute
  // of the desktop window's view, reached through ShellWindows): the browser,
  // or whatever handler is registered, starts as the signed-in user, never
  // with this elevated program's rights. False when the desktop's shell
  // cannot be reached or refuses; nothing is started then.
  virtual bool OpenAsSignedInUser(const wchar_t* address) = 0;
};

}  // namespace platform
