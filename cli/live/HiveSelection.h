#pragma once
// Which loaded hives a live command works on: those named on the command line
// (registry names as listed, any case; a repeat counts once), or without names
// every hive the main window ticks.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "catalogue/HiveRecords.h"
#include "cli/live/ProfileSelection.h"
#include "compaction/CompactionRun.h"

struct HiveSelection {
  std::vector<std::unique_ptr<HiveEntry>> entries;  // every listed hive, the registry's order
  std::vector<CompactionRow> rows;                  // one per entry, ticked = selected
  std::wstring unmatched;                           // the first name no listed hive has
  // The profiles asked for with --profiles or --profile; nothing when none were.
  std::optional<ProfileSelection> profiles;
  bool ok() const { return unmatched.empty(); }
};

HiveSelection SelectHives(std::vector<std::unique_ptr<HiveEntry>> entries,
                          const std::vector<std::wstring>& names);

// The selected rows' entries, in order.
std::vector<const HiveEntry*> SelectedEntries(const HiveSelection& selection);
