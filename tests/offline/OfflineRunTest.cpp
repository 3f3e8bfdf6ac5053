// The off-line compaction of a whole installation, on trees laid out in a
// scratch folder: which hives are found, what is refused, the swap with its
// backup and record under every failure, the dry run, a second run, restore.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <set>
#include <string_view>

#include "hive/BaseBlock.h"
#include "hive/ContentDiff.h"
#include "hive/HiveCheck.h"
#include "hive/RecordLayout.h"
#include "offline/OfflineRestore.h"
#include "offline/OfflineRun.h"
#include "offline/ProfilePaths.h"
#include "offline/RunRecord.h"
#include "hive/Sha256.h"
#include "tests/hive/HiveTestSupport.h"
#include "tests/offline/InstallationTree.h"
#ifdef KELVARO_INDEPENDENT_READERS
#include "tests/hive/ContentCollector.h"
#include "tests/hive/HivexLibrary.h"
#include "tests/hive/ProgramRun.h"
#endif

using namespace offline;
using namespace offlinetest;
namespace fs = std::filesystem;

namespace {

using Files = std::map<std::string, std::vector<std::uint8_t>>;

// The volume, with one chosen call failing, the calls counted, and files that
// are "open in another program".
class CFaultyFiles : public IOfflineFiles {
 public:
  std::string failOperation;
  int failAt = -1;
  std::set<std::string> openElsewhere;  // file names
  std::map<std::string, int> calls;

  bool MakeFolder(const fs::path& folder, std::string& error) override {
    return !Fails("MakeFolder", error) && m_disk.MakeFolder(folder, error);
  }
  bool WriteNew(const fs::path& file, std::span<const std::uint8_t> bytes,
                std::string& error) override {
    return !Fails("WriteNew", error) && m_disk.WriteNew(file, bytes, error);
  }
  bool Read(const fs::path& file, std::vector<std::uint8_t>& bytes, std::string& error) override {
    return !Fails("Read", error) && m_disk.Read(file, bytes, error);
  }
  bool Link(const fs::path& file, const fs::path& name, std::string& error) override {
    return !Fails("Link", error) && m_disk.Link(file, name, error);
  }
  bool Copy(const fs::path& from, const fs::path& to, std::string& error) override {
    return !Fails("Copy", error) && m_disk.Copy(from, to, error);
  }
  bool Rename(const fs::path& from, const fs::path& to, std::string& error) override {
    return !Fails("Rename", error) && m_disk.Rename(from, to, error);
  }
  bool Remove(const fs::path& file, std::string& error) override {
    return !Fails("Remove", error) && m_disk.Remove(file, error);
  }
  bool CopyPermissions(const fs::path& from, const fs::path& to, std::string& error) override {
    return !Fails("CopyPermissions", error) && m_disk.CopyPermissions(from, to, error);
  }
  bool OpenElsewhere(const fs::path& file) override {
    return openElsewhere.count(file.filename().string()) != 0;
  }

 private:
  bool Fails(const std::string& operation, std::string& error) {
    if (operation != failOperation || calls[operation]++ != failAt) {
      if (operation != failOperation) ++calls[operation];
      return false;
    }
    error = operation + " failed (injected)";
    return true;
  }
  CDiskOfflineFiles m_disk;
};

OfflineRun RunOffline(const fs::path& root, IOfflineFiles& files, bool dryRun = false) {
  OfflineRequest request{root, dryRun, {}};
  OfflineRun run = PrepareOfflineRun(request, files);
  CarryOutOfflineRun(run, request, files);
  return run;
}

std::vector<std::string> Names(const std::vector<FoundHive>& hives) {
  std::vector<std::string> names;
  for (const FoundHive& hive : hives) names.push_back(hive.name);
  return names;
}

const HiveOutcome* Outcome(const OfflineRun& run, const std::string& name) {
  for (const HiveOutcome& hive : run.hives)
    if (hive.hive.name == name) return &hive;
  return nullptr;
}

std::string Sha(const std::vector<std::uint8_t>& bytes) { return hive::Sha256Hex(bytes); }

const std::vector<std::string> kGeneratedHives = {"COMPONENTS",
                                                  "DEFAULT",
                                                  "SAM",
                                                  "SECURITY",
                                                  "SOFTWARE",
                                                  "SYSTEM",
                                                  "alice\\NTUSER.DAT",
                                                  "alice\\UsrClass.dat",
                                                  "systemprofile\\NTUSER.DAT"};

void SetDirty(const fs::path& hive) {
  std::vector<std::uint8_t> bytes = hivetest::ReadAll(hive);
  bytes[hive::regf::kPrimarySequence] += 1;
  hive::StoreBaseBlockChecksum(std::span<std::uint8_t>(bytes.data(), hive::kBaseBlockSize));
  hivetest::WriteAll(hive, bytes);
}

void Damage(const fs::path& hive) {
  std::vector<std::uint8_t> bytes = hivetest::ReadAll(hive);
  // The root key's cell: "nk" no more.
  const std::uint32_t root = bytes[hive::regf::kRootCell] | bytes[hive::regf::kRootCell + 1] << 8;
  bytes[hive::kBaseBlockSize + root + 4] = 'x';
  hivetest::WriteAll(hive, bytes);
}

void WriteHiberfil(const fs::path& root, const char* head) {
  std::vector<std::uint8_t> bytes(4096, 0);
  std::copy(head, head + std::strlen(head), bytes.begin());
  hivetest::WriteAll(root / "hiberfil.sys", bytes);
}

fs::path Config(const fs::path& root) { return root / "Windows" / "System32" / "config"; }

// Each hive of `before` that the run touched is either as it was or the
// compact file the clean run made, never missing, and the record (when there
// is one) says which, by state and SHA-256.
void ExpectOldOrNewAndRecordTrue(const fs::path& root, const Files& before,
                                 const std::map<std::string, std::string>& compactSha,
                                 const std::string& context) {
  for (const auto& [name, sha] : compactSha) {
    const fs::path file = root / name;
    ASSERT_TRUE(fs::exists(file)) << context << ": " << name << " is missing";
    const std::string now = Sha(hivetest::ReadAll(file));
    EXPECT_TRUE(now == Sha(before.at(name)) || now == sha) << context << ": " << name;
  }
  const std::vector<std::uint32_t> runs = ExistingRuns(root / "Windows");
  if (runs.empty()) return;
  std::string error;
  std::optional<RunRecord> record = LoadRecord(RunFolderOf(root / "Windows", runs.back()), error);
  if (!record) return;  // the run stopped before its first record was whole
  for (const RecordedHive& hive : record->hives) {
    const std::string now = Sha(hivetest::ReadAll(root / hive.live));
    const bool old = now == hive.old.sha256, fresh = now == hive.compact.sha256;
    switch (hive.state) {
      case HiveState::Staged:
      case HiveState::Keeping:
      case HiveState::Undone:
      case HiveState::Restored:
        EXPECT_TRUE(old) << context << ": " << hive.live << " should be old";
        for (const RecordedFile& log : hive.logs)
          EXPECT_TRUE(fs::exists((root / hive.live).parent_path() / log.name)) << context;
        break;
      case HiveState::Swapping:
      case HiveState::Restoring: EXPECT_TRUE(old || fresh) << context << ": " << hive.live; break;
      case HiveState::Clearing:
      case HiveState::Done:
        EXPECT_TRUE(fresh) << context << ": " << hive.live << " should be new";
        break;
    }
    if (hive.state == HiveState::Done) {
      for (const RecordedFile& log : hive.logs)
        EXPECT_FALSE(fs::exists((root / hive.live).parent_path() / log.name)) << context;
    }
  }
}

#ifdef KELVARO_INDEPENDENT_READERS
struct KeyValueCount {
  std::size_t keys = 0, values = 0;
  bool operator==(const KeyValueCount&) const = default;
};

std::ostream& operator<<(std::ostream& out, const KeyValueCount& count) {
  return out << count.keys << " keys, " << count.values << " values";
}

KeyValueCount CountLines(const std::vector<std::string>& lines) {
  KeyValueCount count;
  for (const std::string& line : lines) (line.rfind("K ", 0) == 0 ? count.keys : count.values)++;
  return count;
}

// Keys and values in a reader's text output, one line each.
KeyValueCount CountLines(const std::string& text,
                         const std::function<bool(std::string_view)>& isKey,
                         const std::function<bool(std::string_view)>& isValue) {
  KeyValueCount count;
  for (std::size_t at = 0, end; at < text.size(); at = end + 1) {
    end = std::min(text.find('\n', at), text.size());
    const std::string_view line(text.data() + at, end - at);
    if (isKey(line))
      ++count.keys;
    else if (isValue(line))
      ++count.values;
  }
  return count;
}

// The compacted file read whole by the off-line readers installed here:
// hivex, libregf's regfinfo and regfexport, reglookup; each counts the keys
// and values our own reader counts.
void ExpectReadWholeByIndependentReaders(const fs::path& file, const std::string& context) {
  hivetest::CContentCollector collector;
  hive::CheckHiveBytes(hivetest::ReadAll(file), {}, &collector);
  const KeyValueCount ours = CountLines(collector.lines);
  ASSERT_GT(ours.keys, 0u) << context;
  static const hivetest::CHivexLibrary hivex;
  if (hivex.Loaded()) {
    std::vector<std::string> lines;
    std::string error;
    EXPECT_TRUE(hivex.Dump(file, lines, error)) << context << ": hivex: " << error;
    EXPECT_EQ(CountLines(lines), ours) << context << ": hivex";
  }
  const std::string quoted = "'" + file.string() + "'";
  if (hivetest::ProgramInstalled("regfinfo")) {
    EXPECT_EQ(hivetest::RunProgram("regfinfo " + quoted).exit, 0) << context << ": regfinfo";
  }
  if (hivetest::ProgramInstalled("regfexport")) {
    const hivetest::ProgramRun run = hivetest::RunProgram("regfexport " + quoted);
    EXPECT_EQ(run.exit, 0) << context << ": regfexport";
    const KeyValueCount counted = CountLines(
        run.out, [](std::string_view line) { return line.rfind("Key path: ", 0) == 0; },
        [](std::string_view line) { return line.rfind("Value: ", 0) == 0; });
    EXPECT_EQ(counted, ours) << context << ": regfexport";
  }
  if (hivetest::ProgramInstalled("reglookup")) {
    // PATH,TYPE,VALUE,MTIME: one line a key or value, after that header.
    const hivetest::ProgramRun run = hivetest::RunProgram("reglookup " + quoted);
    EXPECT_EQ(run.exit, 0) << context << ": reglookup";
    const KeyValueCount counted = CountLines(
        run.out, [](std::string_view line) { return line.find(",KEY,") != std::string::npos; },
        [](std::string_view line) { return !line.empty() && line.rfind("PATH,", 0) != 0; });
    EXPECT_EQ(counted, ours) << context << ": reglookup";
  }
}
#endif

}  // namespace

TEST(OfflineProfilePaths, MapsOntoTheSystemVolumeOrSaysWhyNot) {
  struct Row {
    const char* path;
    const char* systemRoot;
    std::vector<std::string> components;
    const char* problem;
  } rows[] = {
      {"%SystemDrive%\\Users\\alice", "C:\\Windows", {"Users", "alice"}, ""},
      {"%systemroot%\\ServiceProfiles\\LocalService", "C:\\WINDOWS", {"C:", "WINDOWS"}, ""},
      {"c:\\Users\\bob", "C:\\Windows", {"Users", "bob"}, ""},
      {"E:\\Users\\carol", "E:\\Windows", {"Users", "carol"}, ""},
      {"D:\\Users\\bob", "C:\\Windows", {}, "on drive D:, not the system drive C:"},
      {"%USERPROFILE%\\x", "C:\\Windows", {}, "which only the running Windows knows"},
      {"\\\\server\\share\\dave", "C:\\Windows", {}, "not a path on a drive"},
      {"C:\\Users\\..\\Windows", "C:\\Windows", {}, "not a plain path"},
      {"", "C:\\Windows", {}, "has no profile path"},
  };
  rows[1].components = {"WINDOWS", "ServiceProfiles", "LocalService"};
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    MappedPath mapped = MapOntoSystemVolume(rows[i].path, rows[i].systemRoot);
    EXPECT_EQ(mapped.components, rows[i].components) << "row " << i << ": " << rows[i].path;
    EXPECT_NE(mapped.problem.find(rows[i].problem), std::string::npos)
        << "row " << i << ": " << rows[i].path << " gave \"" << mapped.problem << "\"";
    EXPECT_EQ(mapped.problem.empty(), *rows[i].problem == 0) << "row " << i;
  }
}

TEST(OfflineDiscovery, FindsTheMachineHivesAndEachListedProfilesHives) {
  struct Row {
    const char* name;
    std::function<void(TreeSpec&)> change;
    std::vector<std::string> hives;
    std::vector<std::string> skipped;  // reasons, in list order
  } rows[] = {
      {"as Windows lays it out, with logs beside SYSTEM",
       [](TreeSpec& spec) { spec.systemLogs = true; },
       kGeneratedHives,
       {}},
      {"folder names in other cases",
       [](TreeSpec& spec) {
         spec.windows = "WINDOWS";
         spec.system32 = "system32";
         spec.config = "CONFIG";
         spec.profiles[0].folder = "users/ALICE";
         spec.profiles[1].folder = "WINDOWS/system32/CONFIG/SystemProfile";
       },
       {"COMPONENTS", "DEFAULT", "SAM", "SECURITY", "SOFTWARE", "SYSTEM", "ALICE\\NTUSER.DAT",
        "ALICE\\UsrClass.dat", "SystemProfile\\NTUSER.DAT"},
       {}},
      {"a profile folder missing, one on another drive, one unknown variable",
       [](TreeSpec& spec) {
         spec.profiles[0].folder = "";
         spec.profiles.push_back({"S-1-5-21-1-2-3-1005", "D:\\Users\\bob", "", true});
         spec.profiles.push_back({"S-1-5-21-1-2-3-1006", "%HOMEDRIVE%\\carol", "", true});
       },
       {"COMPONENTS", "DEFAULT", "SAM", "SECURITY", "SOFTWARE", "SYSTEM",
        "systemprofile\\NTUSER.DAT"},
       {"the profile folder is missing", "is on drive D:", "only the running Windows knows"}},
      {"two list entries for one folder, and other machine hives",
       [](TreeSpec& spec) {
         spec.profiles.push_back({"S-1-5-21-1-2-3-1001.bak", "C:\\Users\\alice", "", true});
         spec.machineHives = {"SYSTEM", "DRIVERS", "ELAM", "BBI", "BCD-Template"};
       },
       {"BBI", "BCD-Template", "DRIVERS", "ELAM", "SOFTWARE", "SYSTEM", "alice\\NTUSER.DAT",
        "alice\\UsrClass.dat", "systemprofile\\NTUSER.DAT"},
       {}},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    hivetest::CScratchFolder scratch;
    TreeSpec spec;
    rows[i].change(spec);
    ASSERT_TRUE(BuildInstallationTree(scratch.Path(), spec));
    Installation installation = FindInstallation(scratch.Path());
    std::vector<std::string> found = Names(installation.hives);
    EXPECT_EQ(found, rows[i].hives) << "row " << i << ": " << rows[i].name;
    ASSERT_EQ(installation.skippedProfiles.size(), rows[i].skipped.size())
        << "row " << i << ": " << rows[i].name;
    for (std::size_t j = 0; j < rows[i].skipped.size(); ++j)
      EXPECT_NE(installation.skippedProfiles[j].reason.find(rows[i].skipped[j]), std::string::npos)
          << "row " << i << ": " << installation.skippedProfiles[j].reason;
    EXPECT_EQ(installation.profileListProblem, "") << "row " << i;
  }
}

TEST(OfflineRefusals, EachUnsafeCaseIsRefusedWithItsReasonAndChangesNothingRefused) {
  struct Row {
    const char* name;
    std::function<void(const fs::path& root, CFaultyFiles& files)> setUp;
    const char* refusal;  // of the whole installation; "" for none
    const char* hive;     // the hive refused alone, or ""
    const char* reason;
  } rows[] = {
      {"hibernated (Windows 8 on)",
       [](const fs::path& root, CFaultyFiles&) { WriteHiberfil(root, "HIBR"); },
       "Windows is hibernated", "", ""},
      {"hibernated (before Windows 8)",
       [](const fs::path& root, CFaultyFiles&) { WriteHiberfil(root, "hibr"); },
       "Windows is hibernated", "", ""},
      {"a resume attempted and not finished",
       [](const fs::path& root, CFaultyFiles&) { WriteHiberfil(root, "WAKE"); },
       "Windows is hibernated", "", ""},
      {"a resume under way",
       [](const fs::path& root, CFaultyFiles&) { WriteHiberfil(root, "RSTR"); },
       "Windows is hibernated", "", ""},
      {"a hiberfil.sys cleared at start-up",
       [](const fs::path& root, CFaultyFiles&) { WriteHiberfil(root, ""); }, "", "", ""},
      {"a read-only volume",
       [](const fs::path&, CFaultyFiles& files) {
         files.failOperation = "WriteNew";
         files.failAt = 0;
       },
       "the volume is read-only", "", ""},
      {"no Windows folder",
       [](const fs::path& root, CFaultyFiles&) { fs::rename(root / "Windows", root / "Win"); },
       "holds no Windows folder", "", ""},
      {"a dirty hive without logs",
       [](const fs::path& root, CFaultyFiles&) { SetDirty(Config(root) / "SAM"); }, "", "SAM",
       "dirty and no transaction log was found"},
      {"a hive with errors",
       [](const fs::path& root, CFaultyFiles&) { Damage(Config(root) / "DEFAULT"); }, "", "DEFAULT",
       ""},
      {"a hive open in another program",
       [](const fs::path&, CFaultyFiles& files) { files.openElsewhere.insert("SECURITY"); }, "",
       "SECURITY", "open in another program"},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    hivetest::CScratchFolder scratch;
    ASSERT_TRUE(BuildInstallationTree(scratch.Path(), TreeSpec{}));
    CFaultyFiles files;
    rows[i].setUp(scratch.Path(), files);
    const Files before = Snapshot(scratch.Path());
    OfflineRun run = RunOffline(scratch.Path(), files);
    EXPECT_NE(run.refusal.find(rows[i].refusal), std::string::npos)
        << "row " << i << ": " << rows[i].name << ": \"" << run.refusal << "\"";
    EXPECT_EQ(run.refusal.empty(), *rows[i].refusal == 0) << "row " << i << ": " << run.refusal;
    if (!run.refusal.empty()) {
      EXPECT_EQ(Snapshot(scratch.Path()), before) << "row " << i << ": " << rows[i].name;
      continue;
    }
    for (const HiveOutcome& hive : run.hives) {
      const bool refused = hive.hive.name == rows[i].hive;
      EXPECT_EQ(hive.result, refused ? HiveResult::Refused : HiveResult::Compacted)
          << "row " << i << ": " << hive.hive.name << ": " << hive.message;
      if (refused) {
        EXPECT_NE(hive.message.find(rows[i].reason), std::string::npos)
            << "row " << i << ": " << hive.message;
        EXPECT_EQ(hivetest::ReadAll(hive.hive.file),
                  before.at(hive.hive.file.lexically_relative(scratch.Path()).generic_string()))
            << "row " << i;
      }
    }
  }
}

TEST(OfflineSwap, CompactsEachHiveKeepsTheOldFilesAndRestoresThemExactly) {
  hivetest::CScratchFolder scratch;
  const fs::path root = scratch.Path();
  TreeSpec spec;
  spec.systemLogs = true;
  ASSERT_TRUE(BuildInstallationTree(root, spec));
  CDiskOfflineFiles disk;
  const Files before = Snapshot(root);

  OfflineRun dry = RunOffline(root, disk, true);
  EXPECT_EQ(Snapshot(root), before) << "a dry run wrote";
  OfflineRun run = RunOffline(root, disk);
  ASSERT_EQ(Names(run.installation.hives), kGeneratedHives);
  for (std::size_t i = 0; i < run.hives.size(); ++i) {
    const HiveOutcome& hive = run.hives[i];
    const std::string relative = hive.hive.file.lexically_relative(root).generic_string();
    ASSERT_EQ(hive.result, HiveResult::Compacted) << hive.hive.name << ": " << hive.message;
    EXPECT_EQ(dry.hives[i].result, HiveResult::WouldCompact) << hive.hive.name;
    EXPECT_EQ(dry.hives[i].after, hive.after) << hive.hive.name << ": the dry run's size";
    const std::vector<std::uint8_t> now = hivetest::ReadAll(hive.hive.file);
    EXPECT_EQ(now.size(), hive.after) << hive.hive.name;
    EXPECT_LT(hive.after, hive.before) << hive.hive.name;
    EXPECT_EQ(hive::CheckHiveBytes(now, {}).verdict, hive::Verdict::Sound) << hive.hive.name;
    EXPECT_EQ(hive::DiffHiveContent(before.at(relative), now).total, 0u) << hive.hive.name;
#ifdef KELVARO_INDEPENDENT_READERS
    ExpectReadWholeByIndependentReaders(hive.hive.file, hive.hive.name);
#endif
    const fs::path kept = run.runFolder / std::to_string(i + 1) / hive.hive.file.filename();
    EXPECT_EQ(hivetest::ReadAll(kept), before.at(relative)) << hive.hive.name;
  }
  for (const char* log : {"SYSTEM.LOG1", "SYSTEM.LOG2"}) {
    EXPECT_FALSE(fs::exists(Config(root) / log)) << log << " left beside the new hive";
    EXPECT_EQ(hivetest::ReadAll(run.runFolder / "6" / log),
              before.at("Windows/System32/config/" + std::string(log)));
  }
  std::string error;
  std::optional<RunRecord> record = LoadRecord(run.runFolder, error);
  ASSERT_TRUE(record) << error;
  for (const RecordedHive& hive : record->hives)
    EXPECT_EQ(hive.state, HiveState::Done) << hive.name;

  OfflineRun second = RunOffline(root, disk);
  for (const HiveOutcome& hive : second.hives)
    EXPECT_EQ(hive.result, HiveResult::NothingToGain) << hive.hive.name << ": " << hive.message;
  EXPECT_EQ(ExistingRuns(root / "Windows"), std::vector<std::uint32_t>{1});

  OfflineRestore restore = RestoreOfflineRun(root, std::nullopt, disk);
  ASSERT_EQ(restore.problem, "");
  ASSERT_EQ(restore.hives.size(), kGeneratedHives.size());
  for (const RestoredHive& hive : restore.hives)
    EXPECT_EQ(hive.result, RestoreResult::Restored) << hive.name << ": " << hive.message;
  const Files after = Snapshot(root);
  for (const auto& [name, bytes] : before)
    EXPECT_TRUE(after.count(name) && after.at(name) == bytes) << name << " not restored";
}

TEST(OfflineSwap, LogsMoveWithTheirHiveAndRealSamplesComeOutCleanWithTheSameContent) {
  KELVARO_SKIP_WITHOUT_SAMPLES();
  hivetest::CScratchFolder scratch;
  const fs::path root = scratch.Path();
  TreeSpec spec;
  spec.realSamples = true;
  ASSERT_TRUE(BuildInstallationTree(root, spec));
  const Files before = Snapshot(root);
  CDiskOfflineFiles disk;
  OfflineRun run = RunOffline(root, disk);
  const fs::path local = root / "Users" / "sample" / "AppData" / "Local" / "Microsoft" / "Windows";
  for (const char* name : {"sample\\NTUSER.DAT", "sample\\UsrClass.dat"}) {
    const HiveOutcome* hive = Outcome(run, name);
    ASSERT_TRUE(hive) << name;
    ASSERT_EQ(hive->result, HiveResult::Compacted) << name << ": " << hive->message;
    const std::string relative = hive->hive.file.lexically_relative(root).generic_string();
    const std::vector<std::uint8_t> now = hivetest::ReadAll(hive->hive.file);
    EXPECT_EQ(hive::CheckHiveBytes(now, {}).verdict, hive::Verdict::Sound) << name;
    std::vector<hive::LogInput> logs;
    for (const char* log : {"UsrClass.dat.LOG1", "UsrClass.dat.LOG2"})
      if (std::string(name).find("UsrClass") != std::string::npos)
        logs.push_back(
            {log, before.at("Users/sample/AppData/Local/Microsoft/Windows/" + std::string(log))});
    EXPECT_EQ(hive::DiffHiveContent(before.at(relative), logs, now, {}).total, 0u) << name;
#ifdef KELVARO_INDEPENDENT_READERS
    ExpectReadWholeByIndependentReaders(hive->hive.file, name);
#endif
  }
  for (const char* log : {"UsrClass.dat.LOG1", "UsrClass.dat.LOG2"}) {
    EXPECT_FALSE(fs::exists(local / log)) << log << " left beside the new hive";
    bool kept = false;
    for (const auto& entry : fs::recursive_directory_iterator(run.runFolder))
      kept = kept ||
             (entry.path().filename() == log &&
              hivetest::ReadAll(entry.path()) ==
                  before.at("Users/sample/AppData/Local/Microsoft/Windows/" + std::string(log)));
    EXPECT_TRUE(kept) << log << " not in the backup";
  }
  OfflineRestore restore = RestoreOfflineRun(root, run.run, disk);
  ASSERT_EQ(restore.problem, "");
  const Files after = Snapshot(root);
  for (const auto& [name, bytes] : before)
    EXPECT_TRUE(after.count(name) && after.at(name) == bytes) << name << " not restored";
}

TEST(OfflineSwap, EveryStepFailingInTurnLeavesEachHiveOldOrNewAndTheRecordTrue) {
  TreeSpec spec;
  spec.machineHives = {"SYSTEM"};
  spec.profiles.clear();
  spec.systemLogs = true;
  // The failing step is the run's own, or the restore's after a whole run.
  struct Row {
    const char* name;
    std::function<void(const fs::path& root)> before;
    std::function<void(const fs::path& root, IOfflineFiles& files)> failing;
  } rows[] = {
      {"the run", [](const fs::path&) {},
       [](const fs::path& root, IOfflineFiles& files) { RunOffline(root, files); }},
      {"the restore",
       [](const fs::path& root) {
         CDiskOfflineFiles disk;
         RunOffline(root, disk);
       },
       [](const fs::path& root, IOfflineFiles& files) {
         RestoreOfflineRun(root, std::nullopt, files);
       }},
  };
  // The clean run: the compact files it writes.
  hivetest::CScratchFolder cleanScratch;
  ASSERT_TRUE(BuildInstallationTree(cleanScratch.Path(), spec));
  const Files original = Snapshot(cleanScratch.Path());
  CFaultyFiles cleanRun;
  OfflineRun run = RunOffline(cleanScratch.Path(), cleanRun);
  std::map<std::string, std::string> compactSha;
  for (const HiveOutcome& hive : run.hives) {
    ASSERT_EQ(hive.result, HiveResult::Compacted) << hive.hive.name;
    compactSha[hive.hive.file.lexically_relative(cleanScratch.Path()).generic_string()] =
        Sha(hivetest::ReadAll(hive.hive.file));
  }
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    // Which calls the step makes when nothing fails.
    hivetest::CScratchFolder countScratch;
    ASSERT_TRUE(BuildInstallationTree(countScratch.Path(), spec));
    rows[i].before(countScratch.Path());
    CFaultyFiles clean;
    rows[i].failing(countScratch.Path(), clean);
    ASSERT_GE(clean.calls.size(), 3u) << "row " << i << ": " << rows[i].name;
    for (const auto& [operation, count] : clean.calls) {
      for (int at = 0; at < count; ++at) {
        const std::string context = "row " + std::to_string(i) + ": " + rows[i].name + ": " +
                                    operation + " failing at call " + std::to_string(at + 1);
        hivetest::CScratchFolder scratch;
        ASSERT_TRUE(BuildInstallationTree(scratch.Path(), spec));
        // The generated trees are the same byte for byte, so the clean run's hashes hold.
        ASSERT_EQ(Snapshot(scratch.Path()), original) << context;
        rows[i].before(scratch.Path());
        CFaultyFiles files;
        files.failOperation = operation;
        files.failAt = at;
        rows[i].failing(scratch.Path(), files);
        ExpectOldOrNewAndRecordTrue(scratch.Path(), original, compactSha, context);
        // No record: the run stopped before it changed anything.
        const std::vector<std::uint32_t> runs = ExistingRuns(scratch.Path() / "Windows");
        std::string error;
        if (runs.empty() ||
            !LoadRecord(RunFolderOf(scratch.Path() / "Windows", runs.back()), error))
          continue;
        CDiskOfflineFiles disk;
        OfflineRestore again = RestoreOfflineRun(scratch.Path(), std::nullopt, disk);
        EXPECT_EQ(again.problem, "") << context;
        for (const RestoredHive& hive : again.hives)
          EXPECT_TRUE(hive.result == RestoreResult::Restored ||
                      hive.result == RestoreResult::AlreadyOld)
              << context << ": restore after the failure: " << hive.name << ": " << hive.message;
        const Files after = Snapshot(scratch.Path());
        for (const auto& [name, bytes] : original)
          EXPECT_TRUE(after.count(name) && after.at(name) == bytes)
              << context << ": restore after the failure: " << name << " not as it was";
      }
    }
  }
}
