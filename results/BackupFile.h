#pragma once
// Where a hive's backup copy lies: the file in the backup folder that bears the
// hive's leaf name, as the compaction run named it.
#include <optional>

#include "path/PathName.h"
#include "platform/CString.h"

// The backup folder's file for the hive:
//   C:\Windows\Kelvaro Backup, HKLM\SOFTWARE ⇒ C:\Windows\Kelvaro Backup\SOFTWARE
// Nothing when the name cannot stand for one file of that folder, so that no
// other entry is sized or deleted in its place: an empty folder path (the leaf
// alone would name a file in the working folder), an empty leaf (HKLM\), "." or
// "..", a leaf with the wildcards * or ? (a search would size another file), or
// one the path library rejects (a|b, C:), which no file can be named.
std::optional<CPathName> BackupFileOf(const CPathName& backupFolder, const CString& hiveName);
