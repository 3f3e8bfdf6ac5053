#include "cli/live/LiveLog.h"

#include <optional>
#include <vector>

#include "compaction/ProtectedFolders.h"
#include "path/PathComponent.h"
#include "platform/Platform.h"
#include "platform/SecurityDescriptor.h"

bool AppendToLiveLog(const std::string& text) {
  try {
    std::optional<CPathName> windowsFolder = SystemWindowsFolder();
    if (!windowsFolder) return false;
    ProtectedFolder folder =
        EnsureProtectedFolder(Combine(*windowsFolder, CPathComponent(kKelvaroFolderName)));
    if (!folder.ok()) return false;
    const CPathName log = Combine(folder.path, CPathComponent(kLiveLogName));
    return platform::Current().Files().AppendToFile(
        log.GetText().GetBuffer(), std::vector<std::uint8_t>(text.begin(), text.end()),
        platform::ProtectedDescriptor());
  } catch (const CPathException&) {
    return false;
  }
}
