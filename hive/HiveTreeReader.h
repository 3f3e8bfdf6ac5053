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

// `tree` holds what the walk could read even when the verdict reports errors;
// callers that need the whole content refuse anything but sound or warnings.
// A key whose descriptor is its parent's gets an empty `security`.
TreeReadResult ReadHiveTree(std::vector<std::uint8_t> bytes, const std::vector<LogInput>& logs);

}  // namespace hive
