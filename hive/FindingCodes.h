#pragma once
// Every finding the checker reports: its stable name (part of the JSON
// output), its level and what it means. Levels: error (content lost or
// unreadable, or the structure contradicts itself), warning (readable but
// damaged or not as Windows writes it), note (what Windows itself leaves
// in healthy files).

#include "hive/Finding.h"

#include <cstddef>
#include <span>
#include <string_view>

namespace hive {

enum class FindingCode {
  BadBinHeader,
  BadBinsSize,
  BadCell,
  DamagedCellUsed,
  BadChecksum,
  BadFileFormat,
  BadInlineSize,
  BadKey,
  BadKeyName,
  BadLfHint,
  BadLhHash,
  BadParent,
  BadReference,
  BadRoot,
  BadSecurity,
  BadSubkeyList,
  BadSymbolicLink,
  BadValue,
  BigValueInOneCell,
  BinSizeMismatch,
  BinSpare,
  BinsPastEnd,
  CellShared,
  ClassShort,
  DbSegments,
  Dirty,
  KeyTwice,
  LargestTooLarge,
  LargestTooSmall,
  ListTooLong,
  SubkeyCount,
  SubkeysOutOfOrder,
  RootFlags,
  SkRefcount,
  SkRefcountHigh,
  SkRing,
  SkUnused,
  TooDeep,
  UnreferencedCell,
  ValueCount,
  ValueDataShort,
  VolatileFields,
  BaseBlockReserved,
  DataAfterBins,
  ZeroPaddingAfterBins,
  LogsNotReplayed,
  LogBad,
  LogEntryBad,
  LogGap,
  LogNothingToApply,
  LogEmpty,
  LogNotApplicable,
  LogNotNeeded,
  LogStop,
  LogStale,
  LogSkippedEntries,
  BadClusteringFactor,
  BigDataTooEarly,
  BigDataTooSmall,
  VolatileKey
};

struct FindingCodeInfo {
  FindingCode code;
  std::string_view name;
  Severity level;
  std::string_view meaning;
};

// In declaration order of FindingCode.
std::span<const FindingCodeInfo> AllFindingCodes();
const FindingCodeInfo& Describe(FindingCode code);
// Null for a name no code has.
const FindingCodeInfo* FindFindingCode(std::string_view name);

}  // namespace hive
