#pragma once
// Where a hive's bytes go. Every byte of the hive bins data is counted once:
// to the key subtree owning the cell (the key's record, its subkey lists,
// value list, values, their data with big-data records and segments, its
// class name), to the security records (shared by many keys, so counted on
// their own), to free cells (deleted records still readable in them
// included), to allocated cells nothing reaches, or to overhead: bin headers
// and slack, the bytes no readable cell covers.

#include "hive/Hive.h"
#include "hive/HiveStatistics.h"
#include "hive/LogReplay.h"

#include <cstdint>
#include <string>
#include <vector>

namespace hive {

constexpr std::uint32_t kNoSpaceNode = 0xFFFFFFFF;

struct SpaceNode {
  std::u16string name;
  std::uint32_t parent = kNoSpaceNode;  // index into SpaceAccount::nodes
  std::uint32_t depth = 0;              // levels below the root key
  std::uint64_t ownBytes = 0;           // this key's cells, and those of keys folded into it
  std::uint64_t bytes = 0;              // the whole subtree
  std::uint64_t keys = 0;               // in the subtree, itself included
  std::uint64_t values = 0;
  std::uint64_t largestValue = 0;  // data bytes of the largest single value in the subtree
};

struct SpaceAccount {
  // nodes[0] is the root key (when it could be read); parents come before
  // their children. Keys below the account's depth are folded into their
  // ancestor at that depth.
  std::vector<SpaceNode> nodes;
  std::uint64_t security = 0;
  std::uint64_t securityRecords = 0;
  std::uint64_t free = 0;
  RemnantCounts remnants;  // the deleted records readable inside the free cells
  std::uint64_t unreachable = 0;
  std::uint64_t binHeaders = 0;
  std::uint64_t slack = 0;
  std::uint64_t binsSize = 0;  // as the base block declares it
  std::uint64_t fileSize = 0;

  std::uint64_t Subtrees() const { return nodes.empty() ? 0 : nodes.front().bytes; }
  std::uint64_t Overhead() const { return binHeaders + slack; }
  // Equals binsSize: the parts cover the hive bins data exactly.
  std::uint64_t Total() const { return Subtrees() + security + free + unreachable + Overhead(); }
};

// The account of an opened hive, keys deeper than `depth` levels below the
// root folded into their ancestor at that depth.
SpaceAccount AccountSpace(const CHive& hive, std::size_t depth);

struct SpaceAccountResult {
  std::string refusal;  // why the bytes are not a hive this reader takes; empty when read
  SpaceAccount account;
  ReplayOutcome replay;
  bool dirty = false;  // still dirty after the logs
};

// Brings a dirty hive up to date from `logs` first, in memory, as a check does.
SpaceAccountResult AccountHiveBytes(std::vector<std::uint8_t> bytes,
                                    const std::vector<LogInput>& logs, std::size_t depth);

// The path of a node below the root key ("Software\Microsoft"); the root's own name for the root.
std::u16string SpaceNodePath(const SpaceAccount& account, std::uint32_t node);

// The subtrees worth showing: down to `depth` levels, a child only when it
// holds at least a tenth of its parent's bytes, the `top` largest of them.
// In tree order: each parent before its children, siblings largest first.
std::vector<std::uint32_t> LargestSubtrees(const SpaceAccount& account, std::size_t top,
                                           std::size_t depth);

// Each node's children, largest first.
std::vector<std::vector<std::uint32_t>> SpaceChildren(const SpaceAccount& account);

}  // namespace hive
