#pragma once
// The one rule that turns a hive's user-form name into the file name its
// compact copy and its backup file share: the leaf, used unchanged as one
// name in a folder. The compaction run and the results review both use it, so
// the review finds exactly the backups the run made.
#include <optional>

#include "path/PathComponent.h"
#include "platform/CString.h"

// The plain-text note the backup folder holds beside the previous hive files.
inline constexpr wchar_t kRecoveryNoteName[] = L"How to restore.txt";

// HKLM\SOFTWARE => SOFTWARE, HKU\.DEFAULT => .DEFAULT. Nothing when the leaf is
// empty, "." or "..", holds a wildcard (a search would find another file), a
// colon (a drive or a stream) or a control character, or is no name the path
// library accepts: each would name another entry than the hive's own.
std::optional<CPathComponent> HiveFileName(const CString& hiveName);
