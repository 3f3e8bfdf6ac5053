#pragma once
// The commands that work on the running Windows' registry rather than on a
// file: their names and the part of --help that documents them. Only the
// Windows build runs them; the portable build names them to say so.
#include <array>
#include <string_view>

inline constexpr std::array<std::string_view, 4> kLiveCommandNames = {"loaded", "analyze",
                                                                      "defragment", "restore"};

inline bool IsLiveCommandName(std::string_view name) {
  for (std::string_view live : kLiveCommandNames) {
    if (live == name) return true;
  }
  return false;
}

inline constexpr char kLiveHelp[] =
    "Live commands (Windows only, from an elevated prompt; they work on the hives\n"
    "Windows has loaded, as the Kelvaro window does):\n"
    "       kelvaro-hive loaded [--json]\n"
    "       kelvaro-hive analyze [HIVE]... [--json]\n"
    "       kelvaro-hive defragment [HIVE]... [--no-restart] [--show-results] [--json]\n"
    "       kelvaro-hive restore [--no-restart]\n"
    "  loaded      the loaded hives as the window lists them: name, file, size,\n"
    "              whether the window ticks it and whether Kelvaro would compact\n"
    "              it (and why not)\n"
    "  analyze     saves a compact copy of each hive, checks it, reports its size\n"
    "              and the gain, and deletes it; nothing is scheduled\n"
    "  defragment  the window's Defragment without its prompt: saves, checks and\n"
    "              schedules each compact copy to replace the live hive at the\n"
    "              next start, then restarts Windows (10 seconds' notice)\n"
    "              --no-restart  schedule only; restart later yourself\n"
    "              --show-results  show the results window after the restart\n"
    "  restore     schedules the backups of the last compaction (\"Kelvaro Backup\"\n"
    "              in the Windows folder), each checked first, back into place\n"
    "  HIVE        a registry name as listed (HKLM\\SYSTEM, HKU\\.DEFAULT), any case;\n"
    "              none: every hive the window ticks (those whose file was found)\n"
    "  Each live command appends what it did to <Windows>\\Kelvaro\\kelvaro-hive.log.\n"
    "  Exit codes: 0 done, no restart needed; 3010 done, restart needed to finish\n"
    "  (--no-restart); 1641 restart started; 1 nothing could be done (every hive\n"
    "  refused or left out); 2 failed (an unsafe Kelvaro folder, the registry or\n"
    "  file system refused); 87 bad usage; 5 not elevated.\n";
