#pragma once
// The only folders Kelvaro writes hive files into, both below the machine's
// Windows folder (GetSystemWindowsDirectoryW: on a session host the per-user
// Windows folder belongs to the user): "Kelvaro\Run-<n>", made afresh for each
// run, and "Kelvaro Backup". Each is made with SYSTEM and Administrators as
// the only ones who may change it; one found already there must be a real
// folder (no junction or link) owned by SYSTEM or Administrators, or the run
// stops: another program could have planted it to steer the run's files. Nor
// may its DACL let anyone but SYSTEM and Administrators change it.
#include <optional>

#include "path/PathName.h"

inline constexpr wchar_t kKelvaroFolderName[] = L"Kelvaro";
inline constexpr wchar_t kRunFolderPrefix[] = L"Run-";

enum class FolderProblem {
  kNone,
  kNoWindowsFolder,  // the platform did not name the system Windows folder
  kNotMade,          // the platform refused to make it
  kLink,             // a junction or symbolic link stands at the name
  kNotAFolder,       // a file stands at the name
  kForeignOwner,     // neither SYSTEM nor Administrators own it
  kOpenToOthers,     // its DACL lets someone else change it
  kUnreadable,       // its facts or owner could not be read
};

struct ProtectedFolder {
  CPathName path;
  FolderProblem problem = FolderProblem::kNone;
  bool ok() const { return problem == FolderProblem::kNone; }
};

// C:\Windows, full, from GetSystemWindowsDirectoryW; nothing when not given.
std::optional<CPathName> SystemWindowsFolder();

// The problem of an existing folder, kNone for a sound one.
FolderProblem CheckExistingFolder(const CPathName& folder);

// Makes the folder with the protected descriptor, or checks the one there.
ProtectedFolder EnsureProtectedFolder(const CPathName& folder);

// Makes the folder with the protected descriptor; kNotMade when anything is
// already at the name (nothing there is trusted to be this run's).
ProtectedFolder MakeNewProtectedFolder(const CPathName& folder);

// A new, empty folder for this run: <Windows>\Kelvaro (made or checked), then
// the first free Run-<n> in it, made with the protected descriptor; an
// existing name is never reused.
ProtectedFolder CreateRunFolder(const CPathName& windowsFolder);

// <Windows>\Kelvaro Backup, made or checked.
ProtectedFolder EnsureBackupFolderIn(const CPathName& windowsFolder);

// The results mode after the restart: removes every empty Run-<n> folder of
// <Windows>\Kelvaro (their copies became the live hives), then that folder
// when empty. Nothing is touched unless <Windows>\Kelvaro and each run folder
// pass CheckExistingFolder.
void RemoveEarlierRunFolders(const CPathName& windowsFolder);

// Removes the run folder when it is empty: the run drops every copy it does
// not schedule, and a scheduled one leaves at the restart. False when it stayed.
bool RemoveRunFolder(const CPathName& runFolder);
