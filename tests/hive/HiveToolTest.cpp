// The kelvaro-hive command line: how each command's arguments are read, exit
// codes, messages that name the file and offset, JSON output and log handling.

#include "tests/hive/HiveTestSupport.h"
#include "cli/CommandLine.h"
#include "cli/CommandTable.h"
#include "cli/HiveTool.h"
#include "cli/ToolReport.h"

#include "hive/BaseBlock.h"
#include "hive/FileBytes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <sstream>

using namespace hivetest;

namespace {

ToolRun RunTool(const std::vector<std::filesystem::path>& arguments) {
  std::ostringstream out;
  std::ostringstream err;
  int exit = RunHiveTool(arguments, out, err);
  return ToolRun{exit, out.str(), err.str()};
}

// What the parser made of a command line, read back through the accessors
// the commands use: "diff a b --log[0]=a.LOG1 --json", "error: ...", "help".
std::string Described(const ParseOutcome& outcome) {
  if (outcome.help) return "help";
  if (!outcome.error.empty()) return "error: " + outcome.error;
  const ParsedCommand& parsed = outcome.parsed;
  std::string text(parsed.command->name);
  for (const std::filesystem::path& positional : parsed.positionals)
    text.append(" ").append(hive::PathText(positional));
  for (const OptionSpec& option : parsed.command->options) {
    const std::string name(option.name);
    if (option.kind == OptionKind::kFlag && parsed.Has(option.name)) text += " " + name;
    if (option.kind == OptionKind::kValue && parsed.Value(option.name))
      text += " " + name + "=" + *parsed.Value(option.name);
    if (option.kind != OptionKind::kRepeated) continue;
    for (std::size_t i = 0; i < parsed.positionals.size() && option.belongsToPrevious; ++i) {
      for (const std::filesystem::path& value : parsed.ValuesOf(option.name, i))
        text += " " + name + "[" + std::to_string(i) + "]=" + hive::PathText(value);
    }
    for (const std::filesystem::path& value : parsed.Values(option.name))
      if (!option.belongsToPrevious) text += " " + name + "=" + hive::PathText(value);
  }
  return text;
}

TEST(HiveToolCommandLine, EachCommandReadsItsArgumentsOrNamesWhatIsWrong) {
  struct Row {
    std::vector<std::filesystem::path> arguments;
    const char* described;
  };
  const Row rows[] = {
      {{"info", "a.hiv"}, "info a.hiv"},
      {{"--json", "check", "a.hiv", "--no-logs"}, "check a.hiv --no-logs --json"},
      {{"check", "a.hiv", "--log", "x", "--log", "--json"}, "check a.hiv --log=x --log=--json"},
      {{"check", "-"}, "check -"},
      {{"diff", "a", "--log", "a1", "b", "--log", "b1", "--log", "b2", "--all"},
       "diff a b --log[0]=a1 --log[1]=b1 --log[1]=b2 --all"},
      {{"compact", "in", "out", "--format", "keep", "--format", "latest"},
       "compact in out --format=latest"},
      {{"defragment", "HKLM\\SAM", "--no-restart", "hku\\.default"},
       "defragment HKLM\\SAM hku\\.default --no-restart"},
      {{"restore", "--yes", "hklm\\system", "--run", "3"}, "restore hklm\\system --run=3 --yes"},
      {{"analyze"}, "analyze"},
      {{"check", "a.hiv", "-h"}, "help"},
      {{"frobnicate", "--help"}, "help"},
      {{"--json"}, "error: no command given"},
      {{"info", "a.hiv", "b.hiv"}, "error: more than one FILE: b.hiv"},
      {{"compact"}, "error: compact needs IN and OUT"},
      {{"compact", "in", "out", "--format"}, "error: --format needs keep or latest"},
      {{"compact", "--format", "newest", "in", "out"},
       "error: --format takes keep or latest, not newest"},
      {{"diff", "a"}, "error: diff needs two hives"},
      {{"diff", "--log", "a1", "a", "b"}, "error: --log comes after the hive it belongs to"},
      {{"diff", "a", "b", "c"}, "error: diff takes two hives, a third was given: c"},
      {{"loaded", "--no-restart"}, "error: --no-restart goes with defragment and restore"},
      {{"profiles", "alice"}, "error: profiles takes no argument: alice"},
      {{"profiles", "--json"}, "profiles --json"},
      {{"analyze", "--profiles"}, "analyze --profiles"},
      {{"defragment", "--profile"}, "error: --profile needs a SID or a user name"},
      {{"restore", "--log", "x"}, "error: --log goes with info, check, compact, diff and usage"},
      {{"runs", "HKLM\\SAM"}, "error: runs takes no HIVE: HKLM\\SAM"},
      {{"results", "HKLM\\SAM"}, "error: results takes no HIVE: HKLM\\SAM"},
      {{"results", "--json"}, "results --json"},
      {{"defragment", "--restart"}, "error: unknown option --restart"},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    EXPECT_EQ(Described(ParseCommandLine(rows[i].arguments, Commands())), rows[i].described)
        << "row " << i;
  }
}

class HiveTool : public ::testing::Test {
 protected:
  void SetUp() override {
    BuildKey root{U16("ROOT"), {}, {}, {}};
    root.subkeys.push_back(
        BuildKey{U16("Alpha"), {BuildValue{U16("v"), 3, Pattern(30000, 1)}}, {}, {}});
    std::vector<std::uint8_t> sound = BuildHive(root);
    m_sound = m_scratch.Path() / "sound.hiv";
    WriteAll(m_sound, sound);
    std::vector<std::uint8_t> damaged = sound;
    damaged[hive::kBaseBlockSize] = 'X';  // first bin's signature
    SealBaseBlock(damaged);
    m_damaged = m_scratch.Path() / "damaged.hiv";
    WriteAll(m_damaged, damaged);
    std::vector<std::uint8_t> dirty = sound;
    hive::WriteU32(dirty, 4, 2);
    SealBaseBlock(dirty);
    m_dirty = m_scratch.Path() / "dirty.hiv";
    WriteAll(m_dirty, dirty);
    std::vector<std::uint8_t> noise(5000, 'x');
    m_noise = m_scratch.Path() / "noise.bin";
    WriteAll(m_noise, noise);
  }

  CScratchFolder m_scratch;
  std::filesystem::path m_sound, m_damaged, m_dirty, m_noise;
};

TEST_F(HiveTool, ExitCodesFollowTheVerdict) {
  const std::filesystem::path volume = m_scratch.Path() / "volume";
  std::filesystem::create_directories(volume / "Windows");
  const CommandLineRow rows[] = {
      {{"--help"}, 0, "Usage: kelvaro-hive info FILE", ""},
      {{}, 3, "", "no command given"},
      {{"frobnicate", m_sound}, 3, "", "unknown command frobnicate"},
      {{"check"}, 3, "", "no FILE given"},
      {{"check", m_sound, "--bogus"}, 3, "", "unknown option --bogus"},
      {{"check", m_sound, "--log"}, 3, "", "--log needs a file"},
      {{"info", m_sound, "--verbose"}, 3, "", "--verbose goes with check"},
      {{"defragment", "--bogus"}, 87, "", "defragment works on the registry of a running Windows"},
      {{"--help"}, 0, "  largest-too-large (note): ", ""},
      {{"--help"}, 0, "4 dirty", ""},
      {{"--help"}, 0, "kelvaro-hive defragment [HIVE]... [--no-restart] [--show-results]", ""},
      {{"--help"}, 0, "kelvaro-hive restore [HIVE]... [--run N] [--yes] [--no-restart]", ""},
      {{"runs", "--json"}, 87, "", "runs works on the registry of a running Windows"},
      {{"--help"}, 0, "3010 done, restart needed", ""},
      {{"check", m_sound}, 0, "sound.hiv: sound (0 errors, 0 warnings, 0 notes)", ""},
      {{"info", m_sound}, 0, "Compacted size:", ""},
      {{"check", m_damaged}, 2, "error at 0x1000: no valid hive bin header at 0x1000", ""},
      {{"check", m_dirty}, 4, "dirty.hiv: dirty (0 errors, 1 warnings", ""},
      {{"check", m_dirty}, 4, "looked for and not usable: ", ""},
      {{"check", m_dirty}, 4, "dirty.hiv.LOG1 (not found)", ""},
      {{"info", m_dirty}, 4, "Verdict:              dirty", ""},
      {{"info", m_dirty, "--no-logs"}, 4, "Verdict:              dirty", ""},
      {{"check", m_noise}, 3, "", "noise.bin: not a registry hive"},
      {{"check", m_scratch.Path() / "missing.hiv"}, 3, "", "missing.hiv: cannot read"},
      {{"check", m_scratch.Path()}, 3, "", "is a folder"},
      {{"--help"}, 0, "kelvaro-hive usage FILE [--log LOG]...", ""},
      {{"usage"}, 3, "", "no FILE given"},
      {{"usage", m_sound, "--depth", "x"}, 3, "", "--depth takes a number from 0 to 512, not x"},
      {{"usage", m_sound, "--top"}, 3, "", "--top needs a number"},
      {{"usage", m_sound}, 0, "Alpha", ""},
      {{"usage", m_sound, "--json"}, 0, "\"path\":\"Alpha\"", ""},
      {{"usage", m_sound, "--svg", m_sound}, 3, "", "--svg names the hive itself"},
      {{"usage", m_sound, "--svg", m_scratch.Path() / "no" / "such.svg"}, 3, "", "such.svg"},
      {{"usage", m_damaged}, 0, "Overhead", ""},
      {{"usage", m_noise, "--json"}, 3, "\"exitCode\":3", "not a registry hive"},
      {{"--help"},
       0,
       "kelvaro-hive offline ROOT [--dry-run] [--hive NAME]... [--json] [--yes]",
       ""},
      {{"offline"}, 3, "", "offline needs ROOT"},
      {{"offline", m_scratch.Path()}, 2, "", "holds no Windows folder"},
      {{"offline", volume}, 2, "", "give --yes to go ahead without a terminal"},
      {{"offline", volume, "--dry-run"}, 0, "Total: 0 -> 0 bytes", ""},
      {{"offline", volume, "--hive", "SYSTEM", "--yes"}, 3, "", "no hive named SYSTEM"},
      {{"restore", "--offline", volume}, 2, "", "no off-line run is on record"},
      {{"restore", "--offline", volume, "--run", "x"}, 87, "", "--run needs a number"},
      {{"restore", "--run", "2"}, 87, "", "restore works on the registry of a running Windows"},
      {{"results", "--json"}, 87, "", "results works on the registry of a running Windows"},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    ToolRun run = RunTool(rows[i].arguments);
    EXPECT_EQ(run.exit, rows[i].exit) << "row " << i << "\n" << run.out << run.err;
    EXPECT_NE(run.out.find(rows[i].outPart), std::string::npos) << "row " << i << ": " << run.out;
    EXPECT_NE(run.err.find(rows[i].errPart), std::string::npos) << "row " << i << ": " << run.err;
  }
}

TEST_F(HiveTool, JsonCarriesVerdictFindingsAndStatistics) {
  ToolRun check = RunTool({"check", m_damaged, "--json"});
  EXPECT_EQ(check.exit, 2);
  EXPECT_EQ(check.out.front(), '{');
  for (const char* part :
       {"\"verdict\":\"errors\"", "\"exitCode\":2", "\"code\":\"bad-bin-header\"",
        "\"offset\":4096", "\"severity\":\"error\"", "\"compactedSize\":"})
    EXPECT_NE(check.out.find(part), std::string::npos) << part << " in " << check.out;

  ToolRun info = RunTool({"info", m_sound, "--json"});
  EXPECT_EQ(info.exit, 0);
  EXPECT_NE(info.out.find("\"keys\":2"), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("\"bigDataValues\":1"), std::string::npos) << info.out;
  EXPECT_EQ(info.out.find("\"findings\""), std::string::npos) << "info leaves the findings out";

  ToolRun dirty = RunTool({"check", m_dirty, "--json"});
  EXPECT_EQ(dirty.exit, 4);
  for (const char* part : {"\"verdict\":\"dirty\"", "\"exitCode\":4",
                           "\"logsLookedFor\":[{\"log\":", "\"countsByCode\":{\"dirty\":1}"})
    EXPECT_NE(dirty.out.find(part), std::string::npos) << part << " in " << dirty.out;

  ToolRun unreadable = RunTool({"check", m_noise, "--json"});
  EXPECT_EQ(unreadable.exit, 3);
  EXPECT_NE(unreadable.out.find("\"verdict\":\"unreadable\""), std::string::npos) << unreadable.out;
}

TEST_F(HiveTool, LogsBesideAreUsedUnlessTurnedOff) {
  // An empty NAME.LOG beside the hive is found, and reported as empty.
  WriteAll(m_scratch.Path() / "dirty.hiv.log", {});
  ToolRun found = RunTool({"check", m_dirty, "--verbose"});
  EXPECT_NE(found.out.find("dirty.hiv.log is empty"), std::string::npos) << found.out;
  EXPECT_NE(found.out.find("dirty.hiv.LOG (found, not usable)"), std::string::npos) << found.out;
  ToolRun quiet = RunTool({"check", m_dirty});
  EXPECT_EQ(quiet.out.find("is empty"), std::string::npos)
      << "notes are listed only with --verbose";
  EXPECT_NE(quiet.out.find("1 log-empty"), std::string::npos) << quiet.out;
  ToolRun off = RunTool({"check", m_dirty, "--no-logs", "--verbose"});
  EXPECT_EQ(off.out.find("is empty"), std::string::npos) << off.out;
  ToolRun bad = RunTool({"check", m_dirty, "--log", m_scratch.Path() / "nothing.LOG1"});
  EXPECT_EQ(bad.exit, 3);
  EXPECT_NE(bad.err.find("nothing.LOG1"), std::string::npos) << bad.err;
}

TEST_F(HiveTool, InfoShowsKnownBaseBlockFieldsAndDeletedRecords) {
  std::vector<std::uint8_t> hive = ReadAll(m_sound);
  std::uint64_t stamp = 0x01D7E00000000000ull;
  auto PutStamp = [](std::vector<std::uint8_t>& h, std::uint64_t value) {
    hive::WriteU32(h, 168, static_cast<std::uint32_t>(value));
    hive::WriteU32(h, 172, static_cast<std::uint32_t>(value >> 32));
  };
  struct Row {
    const char* what;
    std::function<void(std::vector<std::uint8_t>&)> edit;
    const char* part;
    const char* absent = nullptr;
  };
  const Row rows[] = {
      {"defragmented", [&](std::vector<std::uint8_t>& h) { PutStamp(h, stamp | 1); },
       "(defragmented)"},
      {"access history cleared", [&](std::vector<std::uint8_t>& h) { PutStamp(h, stamp | 2); },
       "(access history cleared)"},
      {"offline library",
       [](std::vector<std::uint8_t>& h) {
         std::memcpy(&h[176], "OfRg", 4);
         h[180] = 1;
       },
       "Offline library:      saved by the offline registry library (\"OfRg\", flags 0x1)"},
      {"offline library mark where the last-reorganized time would be",
       [](std::vector<std::uint8_t>& h) {
         std::memcpy(&h[168], "OfRg", 4);
         h[172] = 1;
       },
       "Offline library:      saved by the offline registry library (\"OfRg\", flags 0x1)",
       "Last reorganized"},
      {"old bins after the last bin",
       [](std::vector<std::uint8_t>& h) {
         h.insert(h.end(), h.begin() + hive::kBaseBlockSize, h.end());
       },
       "Deleted (after bins): 2 keys (169 bytes), 1 values (25 bytes)"},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    std::vector<std::uint8_t> edited = hive;
    rows[i].edit(edited);
    SealBaseBlock(edited);
    std::filesystem::path file = m_scratch.Path() / ("info" + std::to_string(i) + ".hiv");
    WriteAll(file, edited);
    ToolRun run = RunTool({"info", file});
    EXPECT_EQ(run.exit, 0) << "row " << i << " (" << rows[i].what << ")";
    EXPECT_NE(run.out.find(rows[i].part), std::string::npos)
        << "row " << i << " (" << rows[i].what << "):\n"
        << run.out;
    if (rows[i].absent) {
      EXPECT_EQ(run.out.find(rows[i].absent), std::string::npos)
          << "row " << i << " (" << rows[i].what << "):\n"
          << run.out;
    }
  }
}

TEST(HiveToolText, FileTimesReadAsUtc) {
  struct Row {
    std::uint64_t fileTime;
    const char* text;
  };
  const Row rows[] = {
      {0, "never"},
      {116444736000000000ull, "1970-01-01T00:00:00Z"},
      {130338819900000000ull, "2014-01-11T02:46:30Z"},
      {125911584000000000ull, "2000-01-01T00:00:00Z"},
      {126227808000000000ull, "2001-01-01T00:00:00Z"},
      {125962560000000000ull, "2000-02-29T00:00:00Z"},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i)
    EXPECT_EQ(FileTimeText(rows[i].fileTime), rows[i].text) << "row " << i;
}

}  // namespace
