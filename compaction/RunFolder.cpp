#include "compaction/RunFolder.h"

#include <optional>

#include "platform/Platform.h"

namespace {

RunFolder Stopped(RunFolder folder, FolderProblem problem) {
  folder.stoppedAt = StoppedAt::kRunFolder;
  folder.problem = problem;
  return folder;
}

}  // namespace

RunFolder MakeRunFolder() {
  RunFolder folder;
  std::optional<CPathName> windowsFolder = SystemWindowsFolder();
  if (!windowsFolder) return Stopped(folder, FolderProblem::kNoWindowsFolder);
  folder.windowsFolder = *windowsFolder;
  ProtectedFolder made = CreateRunFolder(*windowsFolder);
  if (!made.ok()) return Stopped(folder, made.problem);
  folder.path = made.path;
  platform::FileFacts facts;
  if (!platform::Current().Files().QueryFileFacts(made.path.GetText().GetBuffer(), &facts)) {
    RemoveRunFolder(made.path);
    return Stopped(folder, FolderProblem::kUnreadable);
  }
  folder.volumeSerialNumber = facts.volumeSerialNumber;
  return folder;
}
