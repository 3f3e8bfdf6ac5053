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

// The hive whose previous file the window offers to put back: the selected
// row's when it lost writes, otherwise the first that did; null when none did.
const HiveLostWrites* HiveToPutBack(const LostWriteReport& report, const CString& selectedName);

}  // namespace uilogic
