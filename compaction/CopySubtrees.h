#pragma once
// Where the bytes of a checked copy go: its largest key subtrees, read from the
// copy in the run's folder before the copy is dropped, with the same account
// and the same rule as kelvaro-hive's usage command.
#include <cstdint>
#include <vector>

#include "path/PathName.h"
#include "platform/CString.h"

// As usage shows them by default: the 20 largest, down to 4 levels below the root.
inline constexpr std::size_t kSubtreesKept = 20;
inline constexpr std::size_t kSubtreeDepth = 4;

struct SubtreeSize {
  CString path;             // below the hive's root ("ControlSet001\Services"); empty for the root
  std::uint32_t depth = 0;  // levels below the root
  std::uint64_t bytes = 0;  // the whole subtree's cells
};

// In tree order, each parent before its children, siblings largest first;
// nothing when the copy cannot be read again or is no hive the reader takes.
std::vector<SubtreeSize> LargestSubtreesOfCopy(const CPathName& copy);
