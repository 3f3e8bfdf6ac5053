#include "tests/offline/InstallationTree.h"

#include "tests/hive/HiveBuilder.h"
#include "tests/hive/HiveTestSupport.h"

#include <fstream>

namespace offlinetest {

namespace {

using hivetest::BuildKey;
using hivetest::BuildValue;

std::vector<std::uint8_t> Utf16z(const std::string& text) {
  std::vector<std::uint8_t> bytes;
  for (char c : text) {
    bytes.push_back(static_cast<std::uint8_t>(c));
    bytes.push_back(0);
  }
  bytes.push_back(0);
  bytes.push_back(0);
  return bytes;
}

BuildKey Key(const std::string& name) { return BuildKey{hivetest::U16(name), {}, {}, {}}; }

// Some keys and values, so that the fragmented layout has room to give back.
void AddFiller(BuildKey& root, const std::string& name, std::size_t keys) {
  BuildKey filler = Key(name);
  for (std::size_t i = 0; i < keys; ++i) {
    BuildKey key = Key("Item" + std::to_string(i));
    key.values.push_back(BuildValue{
        hivetest::U16("Data"), 3, hivetest::Pattern(40 + i % 300, static_cast<std::uint32_t>(i))});
    filler.subkeys.push_back(std::move(key));
  }
  root.subkeys.push_back(std::move(filler));
}

BuildKey SoftwareTree(const TreeSpec& spec) {
  BuildKey profileList = Key("ProfileList");
  for (const TreeProfile& profile : spec.profiles) {
    BuildKey key = Key(profile.sid);
    key.values.push_back(
        BuildValue{hivetest::U16("ProfileImagePath"), 2, Utf16z(profile.imagePath)});
    profileList.subkeys.push_back(std::move(key));
  }
  if (spec.realSamples) {
    BuildKey key = Key("S-1-5-21-1-2-3-1002");
    key.values.push_back(
        BuildValue{hivetest::U16("ProfileImagePath"), 2, Utf16z("C:\\Users\\sample")});
    profileList.subkeys.push_back(std::move(key));
  }
  BuildKey currentVersion = Key("CurrentVersion");
  currentVersion.values.push_back(
      BuildValue{hivetest::U16("SystemRoot"), 1, Utf16z(spec.systemRoot)});
  currentVersion.subkeys.push_back(std::move(profileList));
  BuildKey windowsNt = Key("Windows NT");
  windowsNt.subkeys.push_back(std::move(currentVersion));
  BuildKey microsoft = Key("Microsoft");
  microsoft.subkeys.push_back(std::move(windowsNt));
  BuildKey root = Key("ROOT");
  root.subkeys.push_back(std::move(microsoft));
  AddFiller(root, "Classes", 300);
  return root;
}

std::filesystem::path Below(const std::filesystem::path& root, const std::string& relative) {
  return root / std::filesystem::path(relative).make_preferred();
}

}  // namespace

bool BuildInstallationTree(const std::filesystem::path& root, const TreeSpec& spec) {
  const std::filesystem::path config = root / spec.windows / spec.system32 / spec.config;
  std::filesystem::create_directories(config / "RegBack");
  std::filesystem::create_directories(config / "TxR");
  hivetest::WriteAll(config / "SOFTWARE",
                     hivetest::BuildHive(SoftwareTree(spec), nullptr, spec.freeGap));
  std::uint32_t seed = 1;
  for (const std::string& name : spec.machineHives) {
    BuildKey tree = Key("ROOT");
    AddFiller(tree, name, 100 + 40 * seed++);
    hivetest::WriteAll(config / name, hivetest::BuildHive(tree, nullptr, spec.freeGap));
  }
  if (spec.systemLogs) {
    // A new-format log's base block: the hive's own, of the log file type, one
    // sequence number behind, with no entries after it.
    std::vector<std::uint8_t> log = hivetest::ReadAll(config / "SYSTEM");
    log.resize(4096);
    log[4] -= 1;
    log[8] -= 1;
    log[28] = 6;
    hivetest::SealBaseBlock(log);
    hivetest::WriteAll(config / "SYSTEM.LOG1", log);
    hivetest::WriteAll(config / "SYSTEM.LOG2", log);
  }
  // What else Windows keeps there: none of it is a hive to compact.
  std::vector<std::uint8_t> system = hivetest::ReadAll(config / "SOFTWARE");
  hivetest::WriteAll(config / "SOFTWARE.sav", system);
  hivetest::WriteAll(config / "RegBack" / "SOFTWARE", system);
  hivetest::WriteAll(config / "netlogon.ftl", hivetest::Pattern(100, 7));
  hivetest::WriteAll(config / "TxR" / "{0}.TxR.blf", hivetest::Pattern(100, 8));

  for (const TreeProfile& profile : spec.profiles) {
    if (profile.folder.empty()) continue;
    const std::filesystem::path folder = Below(root, profile.folder);
    std::filesystem::create_directories(folder);
    BuildKey user = Key("ROOT");
    AddFiller(user, "Software", 150);
    hivetest::WriteAll(folder / "NTUSER.DAT", hivetest::BuildHive(user, nullptr, spec.freeGap));
    if (!profile.usrClass) continue;
    const std::filesystem::path local = folder / "AppData" / "Local" / "Microsoft" / "Windows";
    std::filesystem::create_directories(local);
    BuildKey classes = Key("ROOT");
    AddFiller(classes, "CLSID", 120);
    hivetest::WriteAll(local / "UsrClass.dat", hivetest::BuildHive(classes, nullptr, spec.freeGap));
  }
  if (!spec.realSamples) return true;

  // A user whose hives are real ones: a clean NTUSER.DAT, and a dirty
  // UsrClass.dat that its two logs bring up to date.
  const std::filesystem::path unpacked = root / ".samples";
  const std::filesystem::path user = root / "Users" / "sample";
  const std::filesystem::path local = user / "AppData" / "Local" / "Microsoft" / "Windows";
  std::filesystem::create_directories(local);
  const std::pair<const char*, std::filesystem::path> samples[] = {
      {"dfwinreg/dfwinreg-NTUSER.DAT", user / "NTUSER.DAT"},
      {"regipy/UsrClass.dat", local / "UsrClass.dat"},
      {"regipy/UsrClass.dat.LOG1", local / "UsrClass.dat.LOG1"},
      {"regipy/UsrClass.dat.LOG2", local / "UsrClass.dat.LOG2"},
  };
  for (const auto& [sample, target] : samples) {
    std::filesystem::path file = hivetest::Unpack(unpacked, sample);
    if (file.empty()) return false;
    std::filesystem::rename(file, target);
  }
  std::filesystem::remove_all(unpacked);
  return true;
}

std::map<std::string, std::vector<std::uint8_t>> Snapshot(const std::filesystem::path& root) {
  std::map<std::string, std::vector<std::uint8_t>> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root))
    if (entry.is_regular_file())
      files[entry.path().lexically_relative(root).generic_string()] =
          hivetest::ReadAll(entry.path());
  return files;
}

}  // namespace offlinetest
