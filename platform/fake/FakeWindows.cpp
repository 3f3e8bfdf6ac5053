#include "platform/fake/FakeWindows.h"

#include "platform/RegistryKeyPaths.h"
#include "platform/fake/CaseFold.h"

namespace platform::fake {

FakeWindows::FakeWindows()
    : system(faults),
      security(faults, system),
      files(faults, system),
      registry(faults, security, files),
      volumes(faults, system),
      locale(faults, system) {
  system.UseTokensOf(security);
}

void FakeWindows::MountHive(KeyHandle root, const std::wstring& keyName,
                            const std::wstring& filePath, std::uint64_t fileSize,
                            std::uint64_t compactSize) {
  files.AddFile(filePath, fileSize);
  registry.MountHive(root, keyName, filePath, compactSize);
  // The kernel lists the file under the device of its volume: C:\x => \Device\HarddiskVolume1\x.
  std::wstring kernelFile = filePath;
  for (const FakeDrive& drive : volumes.drives) {
    if (!drive.devices.empty() && drive.root.size() >= 2 && filePath.size() >= 2 &&
        EqualFolded(drive.root.substr(0, 2), filePath.substr(0, 2))) {
      kernelFile = drive.devices.front() + filePath.substr(2);
      break;
    }
  }
  std::wstring kernelName =
      (root == kHKeyUsers ? L"\\REGISTRY\\USER\\" : L"\\REGISTRY\\MACHINE\\") + keyName;
  registry.PutString(kHKeyLocalMachine, kHiveListKey, kernelName, kernelFile);
}

void FakeWindows::Restart() {
  for (const ScheduledReplacement& replacement : registry.scheduledReplacements) {
    if (files.Move(replacement.hiveFile, replacement.oldFile) != kErrorSuccess) continue;
    // A hive never starts without a file: without the new one it keeps its own.
    if (files.Move(replacement.newFile, replacement.hiveFile) != kErrorSuccess) {
      files.Move(replacement.oldFile, replacement.hiveFile);
    }
  }
  registry.scheduledReplacements.clear();
  system.shutdownRequests.clear();
}

}  // namespace platform::fake
