#include "cli/CommandTable.h"

#include "cli/FileCommands.h"
#include "cli/OfflineCommands.h"
#include "cli/live/Commands.h"
#include "cli/live/LiveCommand.h"
#include "cli/live/ProfilesCommand.h"
#include "cli/live/RunCommands.h"

namespace {

const OptionSpec kJson{"--json"};
const OptionSpec kLog{"--log", OptionKind::kRepeated, "LOG", "a file"};
const OptionSpec kHiveLog{"--log", OptionKind::kRepeated, "LOG", "a file", {}, true};
const OptionSpec kNoLogs{"--no-logs"};
const OptionSpec kNoRestart{"--no-restart"};
const PositionalSpec kFile{"FILE", "no FILE given"};
const PositionalSpec kHives{"HIVE", {}, true};
const OptionSpec kProfiles{"--profiles"};
const OptionSpec kProfile{"--profile", OptionKind::kRepeated, "WHO", "a SID or a user name"};

}  // namespace

const std::vector<CommandSpec>& Commands() {
  static const std::vector<CommandSpec> commands = {
      {.name = "info",
       .positionals = {kFile},
       .options = {kLog, kNoLogs, kJson},
       .surplus = "more than one FILE",
       .help = "  info    base block, key and value counts, depth, allocated and free space,\n"
               "          the largest free runs and the size the hive would compact to\n"
               "          and what deleted keys and values are still recoverable\n",
       .run = RunInfo},
      {.name = "check",
       .positionals = {kFile},
       .options = {kLog, kNoLogs, {"--verbose"}, kJson},
       .surplus = "more than one FILE",
       .help = "  check   validates every bin and cell and the whole key tree; each finding\n"
               "          names the file offset. Errors and warnings are listed, notes (what\n"
               "          Windows leaves in healthy files) counted by code (--verbose: listed).\n"
               "  Both recover a dirty hive first, in memory, from its transaction logs:\n"
               "  those given with --log, otherwise FILE.LOG1, FILE.LOG2 and FILE.LOG beside\n"
               "  it (--no-logs: none, to see the primary file alone).\n",
       .run = RunCheck},
      {.name = "compact",
       .positionals = {{"IN", "compact needs IN and OUT"}, {"OUT", "compact needs OUT"}},
       .options = {kLog,
                   {"--format", OptionKind::kValue, {}, "keep or latest", {"keep", "latest"}},
                   {"--accept-partial-replay"},
                   kJson},
       .surplus = "more than two files",
       .help = "  compact writes IN's content afresh into OUT in the fewest bytes (a dirty IN\n"
               "          is first recovered from its logs); OUT is written beside, checked\n"
               "          and compared with IN before it replaces any file of that name.\n"
               "          --format latest writes a 1.3 or 1.4 hive as 1.5. A log replay that\n"
               "          stops early is refused; --accept-partial-replay writes the state\n"
               "          it reached and says so.\n",
       .run = RunCompact},
      {.name = "diff",
       .positionals = {{"A", "diff needs two hives"}, {"B", "diff needs two hives"}},
       .options = {kHiveLog, kNoLogs, {"--all"}, kJson},
       .surplus = "diff takes two hives, a third was given",
       .help = "  diff    compares the content of two hives, ignoring layout: keys by path\n"
               "          (name, class name, flags, last-written time, security descriptor)\n"
               "          and values (name, type, data); each --log belongs to the hive\n"
               "          before it. Lists the first 50 differences (--all: every one).\n",
       .run = RunDiff},
      {.name = "usage",
       .positionals = {kFile},
       .options = {kLog,
                   {"--depth", OptionKind::kValue, "N", "a number"},
                   {"--top", OptionKind::kValue, "N", "a number"},
                   kJson,
                   {"--svg", OptionKind::kValue, "FILE", "a file"}},
       .surplus = "more than one FILE",
       .help = "  usage   where the bytes go: the largest subtrees (default the 20 largest down\n"
               "          to depth 4, each at least a tenth of its parent) with their share of\n"
               "          the file, keys, values and largest value; then security records, free\n"
               "          space, unreachable cells, overhead and the total. --svg FILE also\n"
               "          draws it as a treemap.\n",
       .run = RunUsage},
      {.name = "offline",
       .positionals = {{"ROOT", "offline needs ROOT, the folder holding Windows"}},
       .options = {{"--dry-run"},
                   {"--hive", OptionKind::kRepeated, "NAME", "a hive's name"},
                   kJson,
                   {"--yes"}},
       .surplus = "more than one ROOT",
       .help = "  offline compacts every hive of a Windows installation that is not running\n"
               "          (ROOT: the root of its volume, the folder holding Windows): the\n"
               "          machine hives in Windows\\System32\\config and each profile's\n"
               "          NTUSER.DAT and UsrClass.dat. Refuses a hibernated Windows and a\n"
               "          read-only volume. Each hive is compacted beside, checked, then\n"
               "          swapped; the old file and its logs go to Windows\\Kelvaro Backup\\\n"
               "          offline-N. --dry-run changes nothing and gives the exact sizes;\n"
               "          --hive NAME only that hive (as the report names it); --yes does\n"
               "          not ask first. restore --offline ROOT [--run N] puts a run back.\n",
       .run = RunOffline},
      {.name = "loaded",
       .options = {kJson},
       .surplus = "loaded takes no HIVE",
       .needsRunningWindows = true,
       .help = "  loaded      the loaded hives as the window lists them: name, file, size,\n"
               "              whether the window ticks it and whether Kelvaro would compact\n"
               "              it (and why not)\n",
       .run = RunLive<RunLoaded>},
      {.name = "profiles",
       .options = {kJson},
       .surplus = "profiles takes no argument",
       .needsRunningWindows = true,
       .help = "  profiles    every profile in the profile list: SID, user, kind (not signed\n"
               "              in, signed in, temporary, mandatory, roaming, service), its\n"
               "              NTUSER.DAT and UsrClass.dat with their sizes, and whether\n"
               "              Kelvaro would compact them without a restart (and why not)\n",
       .run = RunProfiles},
      {.name = "analyze",
       .positionals = {kHives},
       .options = {kProfiles, kProfile, kJson},
       .needsRunningWindows = true,
       .help = "  analyze     saves a compact copy of each hive, checks it, reports its size\n"
               "              and the gain, and deletes it; nothing is scheduled\n"
               "              --profiles  instead, the hives of every profile nobody is\n"
               "              signed in to (kelvaro-hive profiles), each loaded privately\n"
               "              --profile WHO  only that profile's: a SID, DOMAIN\\user or\n"
               "              user; as often as wanted\n",
       .run = RunLive<RunAnalyze>},
      {.name = "defragment",
       .positionals = {kHives},
       .options = {kNoRestart, {"--show-results"}, kProfiles, kProfile, kJson},
       .needsRunningWindows = true,
       .help = "  defragment  the window's Defragment without its prompt: saves, checks and\n"
               "              schedules each compact copy to replace the live hive at the\n"
               "              next start, then restarts Windows (10 seconds' notice)\n"
               "              --no-restart  schedule only; restart later yourself\n"
               "              --show-results  show the results window after the restart\n"
               "              --profiles, --profile WHO  the hives of profiles nobody is\n"
               "              signed in to (as analyze), compacted and swapped at once,\n"
               "              with no restart; loaded hives too only when HIVE names them,\n"
               "              scheduled after the profiles are done\n",
       .run = RunLive<RunDefragment>},
      {.name = "runs",
       .options = {kJson},
       .surplus = "runs takes no HIVE",
       .needsRunningWindows = true,
       .help = "  runs        the runs on record, each with its number, start (UTC), the hives\n"
               "              it swapped and its state (waiting for restart, swapped, ...)\n",
       .run = RunRunsCommand},
      {.name = "restore",
       .positionals = {kHives},
       .options = {{"--run", OptionKind::kValue, "N", "a number"},
                   {"--yes"},
                   kNoRestart,
                   {"--offline", OptionKind::kValue, "ROOT", "the folder holding Windows"}},
       .needsRunningWindows = true,
       .offlineOption = "--offline",
       .help = "  restore     schedules the backups of one run (the last, or --run N) back into\n"
               "              place, each checked against the run's record first; HIVE: only\n"
               "              those of the run's hives. Shows the run's date and asks first\n"
               "              (--yes: does not ask): every change made since that run is lost\n"
               "              --offline ROOT  puts an off-line run's files back (the last\n"
               "              run, or --run N), anywhere\n",
       .run = RunRestoreCommand},
      {.name = "results",
       .options = {kJson},
       .surplus = "results takes no HIVE",
       .needsRunningWindows = true,
       .help = "  results     after the restart: for each hive the last run swapped, the\n"
               "              changes made after its copy was taken (they went to the old\n"
               "              file, now the backup, and are not in the compacted hive),\n"
               "              the copy's size at the save and the live file's now\n",
       .run = RunResults},
  };
  return commands;
}
