#pragma once
// Marvin32, the keyed hash that guards each entry of a new-format
// transaction log. The registry uses a fixed seed.

#include "hive/Bytes.h"

#include <cstdint>

namespace hive {

constexpr std::uint64_t kLogEntrySeed = 0x82EF4D887A4E55C5ull;

// The 64-bit result as stored in a log entry: high state word in the upper half.
std::uint64_t Marvin32(Bytes data, std::uint64_t seed);

}  // namespace hive
