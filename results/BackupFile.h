#pragma once
// Where a hive's backup copy lies: the file in the backup folder that bears the
// hive's leaf name, as the compaction run named it.
#include <optional>

#include "path/PathName.h"
#include "platform/CString.h"

// The backup folder's file for the hive:
//   C:\Windows\Kelvaro Backup, HKLM\SOFTWARE ⇒ C:\Windows\Kelvaro Backup\SOFTWARE
// Nothing when the name cannot stand for one file of that folder, so that no
// other entry is sized or deleted in its place: a folder not named in full
// (empty, relative, or a drive without its root), or a name HiveFileName
// refuses, the same rule the compaction run named its files by.
std::optional<CPathName> BackupFileOf(const CPathName& backupFolder, const CString& hiveName);

// The recovery note in the backup folder; nothing for a folder not named in full.
std::optional<CPathName> RecoveryNoteOf(const CPathName& backupFolder);
