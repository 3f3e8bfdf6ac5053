#include "compaction/ScheduledReplacement.h"

#include "compaction/CheckedCopy.h"
#include "compaction/PrivilegeGuard.h"
#include "platform/Platform.h"

std::optional<NotScheduledReason> ScheduleReplacement(platform::KeyHandle hiveKey,
                                                      const CPathName& copy,
                                                      const CPathName& replacedFile) {
  platform::Status status = platform::kErrorPrivilegeNotHeld;
  {
    PrivilegeGuard restore(kRestorePrivilege);
    if (restore.Enabled()) {
      status = platform::Current().Registry().ReplaceKey(
          hiveKey, nullptr, copy.GetText().GetBuffer(), replacedFile.GetText().GetBuffer());
    }
  }
  if (status == platform::kErrorSuccess) return std::nullopt;
  DropCopy(copy);
  return NotScheduledReason::kNotAccepted;
}
