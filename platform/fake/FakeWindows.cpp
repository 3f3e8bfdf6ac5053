#include "platform/fake/FakeWindows.h"

#include <stdexcept>

#include "platform/RegistryKeyPaths.h"
#include "platform/fake/CaseFold.h"
#include "platform/fake/FakeHiveBytes.h"

namespace platform::fake {

namespace {
constexpr wchar_t kCurrentControlSetKey[] = L"SYSTEM\\CurrentControlSet";
}  // namespace

FakeWindows::FakeWindows()
    : system(faults),
      security(faults, system),
      files(faults, system),
      registry(faults, security, files),
      volumes(faults, system),
      locale(faults, system) {
  system.UseTokensOf(security);
  // The program itself, which the run copies for its start-up value.
  files.WriteFile(system.moduleFileName, {'M', 'Z', 0x90, 0});
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
  // As on Windows, the control set the hive list hangs below is volatile.
  registry.EnsureKey(kHKeyLocalMachine, kCurrentControlSetKey).isVolatile = true;
}

void FakeWindows::MountHiveFile(KeyHandle root, const std::wstring& keyName,
                                const std::wstring& filePath, std::vector<std::uint8_t> bytes) {
  const std::uint64_t size = bytes.size();
  MountHive(root, keyName, filePath, size, size);
  files.WriteFile(filePath, std::move(bytes));
  FakeKey* key = registry.FindKey(root, keyName);
  if (!LoadHiveBytes(*files.ReadFile(filePath), *key)) {
    throw std::invalid_argument("FakeWindows: not a hive file the reader takes");
  }
}

void FakeWindows::WriteHivesToFiles() {
  for (KeyHandle root : {kHKeyLocalMachine, kHKeyUsers}) {
    for (const auto& key : registry.FindKey(root, L"")->subkeys) {
      if (key->hiveFile.empty()) continue;
      std::optional<std::vector<std::uint8_t>> bytes = files.ReadFile(key->hiveFile);
      if (!bytes || bytes->empty()) continue;
      files.WriteFile(key->hiveFile, SavedHiveBytes(*key, kRegLatestFormat));
    }
  }
}

void FakeWindows::Restart() {
  files.CloseEveryFile();
  files.hostileWriters.clear();
  for (const std::wstring& path : files.deletionsAtRestart) files.Remove(path);
  files.deletionsAtRestart.clear();
  for (const ScheduledReplacement& replacement : registry.scheduledReplacements) {
    if (files.Move(replacement.hiveFile, replacement.oldFile) != kErrorSuccess) continue;
    // A hive never starts without a file: without the new one it keeps its own.
    if (files.Move(replacement.newFile, replacement.hiveFile) != kErrorSuccess) {
      files.Move(replacement.oldFile, replacement.hiveFile);
    }
  }
  for (const ScheduledReplacement& replacement : registry.scheduledReplacements) {
    std::optional<std::vector<std::uint8_t>> bytes = files.ReadFile(replacement.hiveFile);
    if (!bytes || bytes->empty()) continue;
    for (KeyHandle root : {kHKeyLocalMachine, kHKeyUsers}) {
      FakeKey* base = registry.FindKey(root, L"");
      for (const auto& key : base->subkeys) {
        if (!EqualFolded(key->hiveFile, replacement.hiveFile)) continue;
        if (!LoadHiveBytes(*bytes, *key)) unbootableHives.push_back(replacement.hiveFile);
      }
    }
  }
  registry.scheduledReplacements.clear();
  system.shutdownRequests.clear();
}

}  // namespace platform::fake

namespace platform::fake {

namespace {
constexpr wchar_t kProfileListKey[] =
    L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\";
constexpr wchar_t kClassesHivePath[] = L"\\AppData\\Local\\Microsoft\\Windows\\UsrClass.dat";
}  // namespace

void FakeWindows::AddProfile(const Profile& profile, std::vector<std::uint8_t> userHive,
                             std::vector<std::uint8_t> classesHive) {
  const std::wstring key = kProfileListKey + profile.sid;
  registry.PutString(kHKeyLocalMachine, key, L"ProfileImagePath",
                     profile.imagePath.empty() ? profile.folder : profile.imagePath, kRegExpandSz);
  std::vector<std::uint8_t> state(4);
  for (int i = 0; i < 4; ++i) state[i] = static_cast<std::uint8_t>(profile.state >> (8 * i));
  registry.PutValue(kHKeyLocalMachine, key, L"State", kRegDword, std::move(state));
  if (!profile.centralProfile.empty()) {
    registry.PutString(kHKeyLocalMachine, key, L"CentralProfile", profile.centralProfile);
  }
  if (!profile.account.empty()) {
    const std::size_t slash = profile.account.find(L'\\');
    security.accounts[profile.sid] = {profile.account.substr(0, slash),
                                      profile.account.substr(slash + 1)};
  }
  if (!profile.folder.empty()) files.AddFolder(profile.folder);
  if (!userHive.empty()) {
    files.WriteFile(profile.folder + L"\\" + profile.userHiveName, std::move(userHive));
  }
  if (!classesHive.empty())
    files.WriteFile(profile.folder + kClassesHivePath, std::move(classesHive));
}

bool FakeWindows::SignIn(const Profile& profile) {
  const std::wstring userFile = profile.folder + L"\\" + profile.userHiveName;
  const std::wstring classesFile = profile.folder + kClassesHivePath;
  if (registry.FindKey(kHKeyUsers, profile.sid) != nullptr) return true;
  const auto loadable = [this](const std::wstring& file) {
    const std::optional<std::vector<std::uint8_t>> bytes = files.ReadFile(file);
    FakeKey probe;
    return bytes && !files.IsOpenExclusively(file) && LoadHiveBytes(*bytes, probe);
  };
  const bool classes = files.Exists(classesFile);
  if (!loadable(userFile) || (classes && !loadable(classesFile))) return false;
  MountHiveFile(kHKeyUsers, profile.sid, userFile, *files.ReadFile(userFile));
  files.heldBySystem.insert(files.FileIndexOf(userFile));
  if (classes) {
    MountHiveFile(kHKeyUsers, profile.sid + L"_Classes", classesFile, *files.ReadFile(classesFile));
    files.heldBySystem.insert(files.FileIndexOf(classesFile));
  }
  return true;
}

}  // namespace platform::fake
