#pragma once
// Where every field of every on-disk record lies: the base block, hive bins,
// cells, the records cells hold (nk, vk, sk, li/lf/lh/ri, value lists, db)
// and both transaction-log formats. The parser, the writer, the walk's
// findings, log replay and the tests' hive builder all take their offsets
// from here, so a field can only ever be in one place.
//
// Offsets of a record held in a cell count from the start of the cell's data,
// which follows the cell's 4-byte size field (cell::kDataStart).

#include <cstddef>
#include <cstdint>

namespace hive {

// A cell reference that names no cell.
constexpr std::uint32_t kNoCell = 0xFFFFFFFF;
// Names and class names not stored compressed are UTF-16LE, two bytes a unit.
constexpr std::size_t kUtf16UnitSize = 2;
// Hive bins come in whole pages; log pages and bin offsets follow them.
constexpr std::uint32_t kPageSize = 4096;
// Old-format logs and the base block's checksummed part work in sectors.
constexpr std::size_t kSectorSize = 512;
constexpr std::size_t kBaseBlockSize = 4096;
constexpr std::uint32_t kBinHeaderSize = 32;
// What cells a one-page bin holds.
constexpr std::uint32_t kBinRoom = kPageSize - kBinHeaderSize;

// The base block (at the start of a hive file, and of each log file).
namespace regf {
constexpr std::size_t kSignature = 0;  // "regf"
constexpr std::size_t kPrimarySequence = 4;
constexpr std::size_t kSecondarySequence = 8;
constexpr std::size_t kLastWritten = 12;  // FILETIME
constexpr std::size_t kMajorVersion = 20;
constexpr std::size_t kMinorVersion = 24;
constexpr std::size_t kFileType = 28;
constexpr std::size_t kFileFormat = 32;
constexpr std::size_t kRootCell = 36;
constexpr std::size_t kBinsSize = 40;
constexpr std::size_t kClusteringFactor = 44;
constexpr std::size_t kFileName = 48;
constexpr std::size_t kFileNameSize = 64;
// The kernel transaction manager's resource manager, its log and the
// transaction manager (GUIDs), and "rmtm" when they are set.
constexpr std::size_t kRmId = 112;
constexpr std::size_t kLogId = 128;
constexpr std::size_t kFlags = 144;
constexpr std::size_t kTmId = 148;
constexpr std::size_t kGuidSignature = 164;
constexpr std::size_t kGuidSize = 16;
constexpr std::size_t kLastReorganized = 168;  // FILETIME, since Windows 8
// The offline registry library's mark: "OfRg", its flags and when it saved
// the file. Files carry it at 176 after the last-reorganized time, or at
// 168 in place of it.
constexpr std::size_t kOfflineSignature = 176;
constexpr std::size_t kOfflineSignatureEarly = 168;
constexpr std::size_t kOfflineFlagsAfterSignature = 4;
constexpr std::size_t kOfflineSavedAfterSignature = 8;  // FILETIME
// Where the known fields of the first sector end and those of the tail begin.
constexpr std::size_t kKnownEnd = 192;
constexpr std::size_t kChecksum = 508;  // XOR of the 127 dwords before it
constexpr std::size_t kTailStart = 4040;
// The values every hive Windows writes holds in these fields.
constexpr std::uint32_t kMajorVersionValue = 1;
constexpr std::uint32_t kFileFormatDirectMemoryLoad = 1;
constexpr std::uint32_t kClusteringFactorValue = 1;
// Transaction ids of a hive thawed after a snapshot (GUIDs).
constexpr std::size_t kThawTmId = 4040;
constexpr std::size_t kThawRmId = 4056;
constexpr std::size_t kThawLogId = 4072;
// Memory-only boot fields.
constexpr std::size_t kBootType = 4088;
constexpr std::size_t kBootRecover = 4092;
}  // namespace regf

// The header of a hive bin.
namespace hbin {
constexpr std::size_t kSignature = 0;  // "hbin"
constexpr std::size_t kOffset = 4;     // its own offset in the hive bins data
constexpr std::size_t kSize = 8;
constexpr std::size_t kTimestamp = 20;  // FILETIME; the first bin's mirrors the base block's
constexpr std::size_t kSpare = 28;
}  // namespace hbin

// A cell: a signed size (negative while allocated), then its data.
namespace cell {
constexpr std::size_t kSizeField = 0;
constexpr std::size_t kDataStart = 4;
constexpr std::uint32_t kAlignment = 8;
}  // namespace cell

// Key node.
namespace nk {
constexpr std::size_t kSignature = 0;  // "nk"
constexpr std::size_t kFlags = 2;
constexpr std::size_t kLastWritten = 4;
constexpr std::size_t kAccessBits = 12;
constexpr std::size_t kParent = 16;
constexpr std::size_t kSubkeyCount = 20;
constexpr std::size_t kVolatileSubkeyCount = 24;
constexpr std::size_t kSubkeyList = 28;
constexpr std::size_t kVolatileSubkeyList = 32;
constexpr std::size_t kValueCount = 36;
constexpr std::size_t kValueList = 40;
constexpr std::size_t kSecurity = 44;
constexpr std::size_t kClass = 48;
// Low 16 bits; the high 16 (kUserFlags) are flags since Vista.
constexpr std::size_t kLargestSubkeyName = 52;
constexpr std::size_t kUserFlags = 54;
constexpr std::size_t kLargestSubkeyClass = 56;
constexpr std::size_t kLargestValueName = 60;
constexpr std::size_t kLargestValueData = 64;
constexpr std::size_t kNameLength = 72;
constexpr std::size_t kClassLength = 74;
constexpr std::size_t kName = 76;
constexpr std::size_t kFixedSize = kName;
}  // namespace nk

// Key value.
namespace vk {
constexpr std::size_t kSignature = 0;  // "vk"
constexpr std::size_t kNameLength = 2;
constexpr std::size_t kDataSize = 4;  // with kInlineDataBit: data held in kData itself
constexpr std::size_t kData = 8;      // the data cell, or up to 4 bytes of data
constexpr std::size_t kType = 12;
constexpr std::size_t kFlags = 16;
constexpr std::size_t kSpare = 18;
constexpr std::size_t kName = 20;
constexpr std::size_t kFixedSize = kName;
constexpr std::size_t kInlineCapacity = 4;
}  // namespace vk

// Key security: a ring of records, each with one descriptor and its users' count.
namespace sk {
constexpr std::size_t kSignature = 0;  // "sk"
constexpr std::size_t kFlink = 4;
constexpr std::size_t kBlink = 8;
constexpr std::size_t kReferenceCount = 12;
constexpr std::size_t kDescriptorSize = 16;
constexpr std::size_t kDescriptor = 20;
constexpr std::size_t kFixedSize = kDescriptor;
}  // namespace sk

// Subkey lists: li (offsets), lf (offset + name hint), lh (offset + name
// hash) and ri (offsets of li, lf or lh lists).
namespace list {
constexpr std::size_t kSignature = 0;
constexpr std::size_t kCount = 2;
constexpr std::size_t kElements = 4;
constexpr std::size_t kOffsetElementSize = 4;  // li, ri
constexpr std::size_t kHashElementSize = 8;    // lf, lh
constexpr std::size_t kElementHint = 4;        // within an lf or lh element
}  // namespace list

// A key's value list: the offsets of its vk records, nothing else.
namespace valuelist {
constexpr std::size_t kElementSize = 4;
}  // namespace valuelist

// Big data (format 1.4 on): a db record pointing to a list of segment cells.
namespace db {
constexpr std::size_t kSignature = 0;  // "db"
constexpr std::size_t kSegmentCount = 2;
constexpr std::size_t kSegmentList = 4;
constexpr std::size_t kFixedSize = 8;
constexpr std::size_t kSegmentListElementSize = 4;
constexpr std::uint32_t kSegmentSize = 16344;
// The first format minor version that has big data.
constexpr std::uint32_t kFirstMinorVersion = 4;
}  // namespace db

// A new-format log entry (HvLE), after the log's 512-byte base block.
namespace hvle {
constexpr std::size_t kFirst = kSectorSize;  // where the first entry starts
constexpr std::size_t kSignature = 0;        // "HvLE"
constexpr std::size_t kSize = 4;
constexpr std::size_t kFlags = 8;  // the base block's flags after this entry
constexpr std::size_t kSequence = 12;
constexpr std::size_t kBinsSize = 16;
constexpr std::size_t kPageCount = 20;
constexpr std::size_t kPagesHash = 24;   // Marvin32 of everything after the header
constexpr std::size_t kHeaderHash = 32;  // Marvin32 of the 32 bytes before it
constexpr std::size_t kHeaderSize = 40;
// Page references follow the header, then the pages in that order.
constexpr std::size_t kPageOffset = 0;
constexpr std::size_t kPageBytes = 4;
constexpr std::size_t kPageReferenceSize = 8;
}  // namespace hvle

// An old-format log: the base block's first sector, then a "DIRT" vector with
// one bit per 512-byte page of the hive bins data, then the dirty pages from
// the next sector on.
namespace oldlog {
constexpr std::size_t kDirtSignature = kSectorSize;  // "DIRT"
constexpr std::size_t kDirtBitmap = kDirtSignature + 4;
constexpr std::size_t kPageSize = kSectorSize;
}  // namespace oldlog

// Key node flags.
constexpr std::uint16_t kKeyVolatile = 0x0001;
constexpr std::uint16_t kKeyHiveExit = 0x0002;
constexpr std::uint16_t kKeyHiveEntry = 0x0004;
constexpr std::uint16_t kKeyNoDelete = 0x0008;
constexpr std::uint16_t kKeySymbolicLink = 0x0010;
constexpr std::uint16_t kKeyCompressedName = 0x0020;
// Value flags.
constexpr std::uint16_t kValueCompressedName = 0x0001;
// A value deleted in this layer of a layered key (format 1.6).
constexpr std::uint16_t kValueTombstone = 0x0002;
// Set in vk::kDataSize when the data sits in vk::kData.
constexpr std::uint32_t kInlineDataBit = 0x80000000;
// Base block flags: a transaction is pending against the file.
constexpr std::uint32_t kBaseFlagTransactionLock = 0x1;
// Base block flags: a defragmented image is being written out.
constexpr std::uint32_t kBaseFlagDefragmenting = 0x2;

}  // namespace hive
