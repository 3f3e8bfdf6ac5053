#pragma once
// The step by which a hive nobody has loaded changes at once: ReplaceFileW
// puts the checked copy at the hive's name and the previous file at its
// backup name, in one call that fails, changing nothing, while anyone holds
// the hive (the profile service loading it for a user signing in). Windows
// keeps the previous file's DACL and attributes for the new one, not its
// owner: the whole descriptor is put back here. Then the file at the hive's
// name is read back: it must be the copy that was checked. The previous file
// keeps its descriptor over the rename, which lets its user rewrite it by its
// full path: it gets the protected one (SYSTEM and Administrators) at once.
#include <cstdint>
#include <string>
#include <vector>

#include "path/PathName.h"
#include "platform/Win32Constants.h"

struct SwapNowOutcome {
  platform::Status status = platform::kErrorSuccess;  // what ReplaceFileW answered
  bool swapped = false;  // the copy is the hive's file, the previous file at the backup name
  // The previous file was left at the backup name by a half-done call and
  // could not be put back: the hive has no file until it is.
  bool leftAtBackup = false;
  bool descriptorSet = false;    // the previous file's owner, group and DACL are the new one's
  bool readBack = false;         // the hive's file read back holds the checked copy's bytes
  bool backupProtected = false;  // the previous file has the protected descriptor
};

// Gives a file moved into a Kelvaro folder the protected descriptor, through
// one handle on the file itself (never a link's target).
bool ProtectMovedFile(const CPathName& file);

// `descriptor`: the previous file's own; `copySha256`: the checked copy's.
SwapNowOutcome SwapFileNow(const CPathName& live, const CPathName& copy, const CPathName& backup,
                           const std::vector<std::uint8_t>& descriptor,
                           const std::string& copySha256);
