#pragma once
// The folder that receives each replaced hive's previous file: "Kelvaro Backup"
// directly inside the system Windows folder (GetSystemWindowsDirectoryW: on a
// session host GetWindowsDirectoryW answers a folder of the user's).
#include "path/PathName.h"

inline constexpr wchar_t kBackupFolderName[] = L"Kelvaro Backup";

// C:\Windows => C:\Windows\Kelvaro Backup. Neither makes nor tests the folder.
// When the Windows folder cannot be read the result is the relative path
// "Kelvaro Backup". Throws CPathException only from the path library.
CPathName GetBackupFolder();

// One run's backups, its recovery note and script: C:\Windows, 3 =>
// C:\Windows\Kelvaro Backup\Run-3, 3 being the run's record number. Each run
// has its own, so that no run's files are mixed with, or replace, another's.
CPathName RunBackupFolder(const CPathName& windowsFolder, int runNumber);
