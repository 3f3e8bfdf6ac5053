#pragma once
// The reader's view of a hive as a tree: replays the logs of a dirty hive,
// walks and validates it, and copies every key and value it can read.

#include "hive/HiveCheck.h"
#include "hive/HiveTree.h"
#include "hive/LogReplay.h"

#include <cstdint>
#include <vector>

namespace hive {

struct TreeReadResult {
  // The check of the input: its verdict, findings, statistics and replay.
  CheckResult check;
  HiveTree tree;
  // Why the tree cannot stand for the file's content (a key whose security
  // record holds an empty descriptor, which a tree cannot tell from "the
  // parent's"); empty when it can.
  std::string unrepresentable;
};

// The most descriptor bytes a tree holds in all. Keys share security cells in
// a file but each key whose descriptor is not its parent's gets a copy in the
// tree, so a hostile file of a few MiB could make it gigabytes. The hives of
// a running Windows need a few MiB (descriptors of a few hundred bytes, set
// apart from their parent's on some thousands of keys); 64 MiB leaves ample
// room and stays far below a 32-bit process's address space.
inline constexpr std::size_t kTreeDescriptorByteLimit = 64 * 1024 * 1024;

// `tree` holds what the walk could read even when the verdict reports errors;
// callers that need the whole content refuse anything but sound or warnings.
// A key whose descriptor is its parent's gets an empty `security`. Past
// `descriptorByteLimit` bytes of descriptors no more are copied and
// `unrepresentable` says so.
// The base block facts a rewrite keeps, from `base` and the file's name field.
HiveHeader HeaderFromBaseBlock(const BaseBlock& base, Bytes file);

TreeReadResult ReadHiveTree(std::vector<std::uint8_t> bytes, const std::vector<LogInput>& logs,
                            std::size_t descriptorByteLimit = kTreeDescriptorByteLimit);

}  // namespace hive
