#pragma once
// The 4 KiB base block at the start of a hive file (and, partly, of each log).

#include "hive/Bytes.h"
#include "hive/RecordLayout.h"

#include <array>
#include <cstdint>

namespace hive {

using Guid = std::array<std::uint8_t, regf::kGuidSize>;

enum class FileType : std::uint32_t { Primary = 0, OldLog = 1, OldLogAlternate = 2, NewLog = 6 };

struct BaseBlock {
  std::uint32_t primarySequence = 0;
  std::uint32_t secondarySequence = 0;
  std::uint64_t lastWritten = 0;
  std::uint32_t majorVersion = 0;
  std::uint32_t minorVersion = 0;
  std::uint32_t fileType = 0;
  std::uint32_t fileFormat = 0;
  std::uint32_t rootCell = 0;
  std::uint32_t binsSize = 0;
  std::uint32_t clusteringFactor = 0;
  std::uint32_t flags = 0;
  Guid rmId{}, logId{}, tmId{};
  std::uint32_t guidSignature = 0;  // "rmtm" when the three ids are set
  // Since Windows 8: when the hive was last reorganized at load; the low two
  // bits say what was done (1 defragmented, 2 access history cleared).
  std::uint64_t lastReorganized = 0;
  // Written by the offline registry library: "OfRg", its flags and when it
  // saved the file. `offlineAt` says where the mark lies (0 when absent);
  // when at the last-reorganized time's place, there is no such time.
  bool offlineLibrary = false;
  std::size_t offlineAt = 0;
  std::uint32_t offlineFlags = 0;
  std::uint64_t offlineSaved = 0;
  Guid thawTmId{}, thawRmId{}, thawLogId{};
  std::uint32_t checksum = 0;
  std::uint32_t computedChecksum = 0;

  bool ChecksumOk() const { return checksum == computedChecksum; }
  bool SequencesAgree() const { return primarySequence == secondarySequence; }
  bool Dirty() const { return !ChecksumOk() || !SequencesAgree(); }
};

// XOR of the 127 dwords before the checksum field; Windows never stores 0 or
// -1 there, so those become 1 and -2.
std::uint32_t BaseBlockChecksum(Bytes first512);

// Reads the fields; `bytes` must hold at least 512 bytes with "regf" at 0
// (the thaw ids are read only when all 4096 are there).
BaseBlock ParseBaseBlock(Bytes bytes);

// Recomputes and stores the checksum of a base block held in `bytes`.
void StoreBaseBlockChecksum(std::span<std::uint8_t> bytes);

// Marks a base block taken from a log as a primary file's.
void MarkAsPrimary(std::span<std::uint8_t> bytes);

}  // namespace hive
