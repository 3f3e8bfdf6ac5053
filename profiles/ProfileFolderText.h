#pragma once
// A profile's folder as the profile list stores it (REG_EXPAND_SZ), made a
// full path. Only the machine's own variables are expanded, from the system
// Windows folder: the process environment is the launching user's to set.
#include <string>

namespace profiles {

struct ExpandedFolder {
  std::wstring path;     // empty when `problem` is set
  std::wstring problem;  // why the text is not a full local path
};

// With Windows in "C:\Windows": "%SystemDrive%\Users\alice" ⇒ "C:\Users\alice";
// "%systemroot%\ServiceProfiles\LocalService" ⇒ "C:\Windows\ServiceProfiles\LocalService";
// "%USERPROFILE%\x" ⇒ problem "uses %USERPROFILE%, which Kelvaro does not expand";
// "Users\alice", "\\server\share\alice" ⇒ problem "is not a full path on a local drive".
ExpandedFolder ExpandProfileFolder(const std::wstring& stored, const std::wstring& windowsFolder);

}  // namespace profiles
