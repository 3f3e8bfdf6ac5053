#pragma once
// What the results window says of the writes the swaps left out
// (LostWrites.h), in the details box under its list: for each hive the run
// swapped, the copy's size at the save beside the live file's now; for each
// hive with lost writes the sentence with their count, then one line each; for
// a swap still waiting, that a restart is pending.
#include <cstdint>
#include <functional>

#include "compaction/LostWrites.h"
#include "platform/CString.h"

namespace uilogic {

// Lines end in CR LF, as a multi-line edit control wants them. `sizeText` is
// the window's size text (FormatSizeKB).
CString LostWritesDetails(const LostWriteReport& report,
                          const std::function<CString(unsigned)>& loadString,
                          const std::function<CString(std::uint64_t)>& sizeText);

// The hives a restore may put back: those with lost writes whose previous
// file is still there, in the report's order.
std::vector<const HiveLostWrites*> HivesToPutBack(const LostWriteReport& report);

}  // namespace uilogic
