#pragma once
// Writes a hive tree as a fresh hive file in the fewest bytes: every cell
// sized to what it holds (8-byte alignment only), packed into 4 KiB bins,
// subkeys sorted as Windows sorts them with the list kind the format version
// wants (lf before 1.5, lh from 1.5, ri above 507 subkeys), big-data records
// for data over 16,344 bytes from 1.4 on, data of 4 bytes or less resident,
// one security record per distinct descriptor with exact reference counts,
// every largest-length field recomputed, no volatile counts or lists, and a clean base
// block (equal sequence numbers, right checksum).

#include "hive/HiveTree.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace hive {

enum class HiveFormat {
  Keep,    // the tree's own version
  Latest,  // 1.3 and 1.4 written as 1.5: lh lists, big-data records
};

struct WriteOptions {
  HiveFormat format = HiveFormat::Keep;
  // A save leaves out keys marked volatile, as Windows' own saves do; a
  // compaction keeps whatever a file holds, that flag included.
  bool leaveOutVolatileKeys = false;
};

// What the writer cannot put into a hive: sibling keys whose names are
// equal ignoring case, a name or class too long for its length field, a
// tree whose cells do not fit a hive's 4 GiB of bins.
class HiveWriteError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The minor version a tree read from a format 1.`fileMinor` file is written as.
std::uint32_t WrittenMinorVersion(std::uint32_t fileMinor, const WriteOptions& options);
std::uint32_t WrittenMinorVersion(const HiveTree& tree, const WriteOptions& options);

std::vector<std::uint8_t> WriteHive(const HiveTree& tree, const WriteOptions& options);

// The size of the file WriteHive produces, computed without producing it.
std::uint64_t CompactedSize(const HiveTree& tree, const WriteOptions& options);

}  // namespace hive
