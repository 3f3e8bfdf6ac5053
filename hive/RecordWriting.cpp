#include "hive/RecordWriting.h"

#include "hive/BaseBlock.h"
#include "hive/Hive.h"
#include "hive/Names.h"
#include "hive/Records.h"
#include "hive/WrittenCellSizes.h"

#include <algorithm>
#include <cstring>

namespace hive {

namespace {

void PutName(std::uint8_t* at, const std::u16string& name) {
  if (Compressible(name)) {
    for (char16_t c : name) *at++ = static_cast<std::uint8_t>(c);
  } else {
    for (char16_t c : name) {
      Put16(at, c);
      at += 2;
    }
  }
}

void PutBytes(std::uint8_t* at, const std::uint8_t* bytes, std::size_t size) {
  if (size != 0) std::memcpy(at, bytes, size);
}

// The lf hint: the first four characters, one byte each.
std::uint32_t FastLeafHint(const std::u16string& name) {
  std::uint32_t hint = 0;
  for (std::size_t i = 0; i < 4 && i < name.size(); ++i)
    hint |= static_cast<std::uint32_t>(name[i] & 0xFF) << (8 * i);
  return hint;
}

}  // namespace

void Put16(std::uint8_t* at, std::uint16_t value) {
  at[0] = static_cast<std::uint8_t>(value);
  at[1] = static_cast<std::uint8_t>(value >> 8);
}

void Put32(std::uint8_t* at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

void Put64(std::uint8_t* at, std::uint64_t value) {
  Put32(at, static_cast<std::uint32_t>(value));
  Put32(at + 4, static_cast<std::uint32_t>(value >> 32));
}

// Every base block field, and what a rewrite does with it:
//   signature, file type, file format   set: "regf", primary, 1
//   primary and secondary sequence      kept, made equal: the file is whole
//   last written time                   kept: the content's time, not this copy's
//   major and minor version             kept (raised when asked for the latest format)
//   root cell, hive bins data size      set by the new layout
//   clustering factor                   set to 1, as every hive written since NT 4
//   file name                           kept
//   resource manager, log and transaction manager ids, "rmtm"
//                                       kept: they name the hive's transaction
//                                       resource manager and its log, which record
//                                       keys, not cells, so a new layout leaves
//                                       them true
//   flags                               kept, but for "transaction lock" and
//                                       "defragmented image being written": this
//                                       file is complete and nothing is pending
//   last reorganized time               kept: when Windows reorganizes next is its
//                                       own decision, and a copy made from the same
//                                       input must come out the same
//   offline library mark, its flags and saving time
//                                       kept, in the place it was found: the content
//                                       is the one that library saved
//   thaw transaction ids                kept, like the other transaction ids
//   boot type, boot recover             cleared: memory-only, Windows ignores them
//   reserved areas                      cleared
//   checksum                            set
void WriteBaseBlock(std::span<std::uint8_t> block, const HiveHeader& header, std::uint32_t minor,
                    std::uint32_t rootCell, std::uint32_t binsSize) {
  std::fill(block.begin(), block.begin() + kBaseBlockSize, std::uint8_t{0});
  std::uint8_t* base = block.data();
  std::memcpy(base + regf::kSignature, "regf", 4);
  Put32(base + regf::kPrimarySequence, header.sequence);
  Put32(base + regf::kSecondarySequence, header.sequence);
  Put64(base + regf::kLastWritten, header.lastWritten);
  Put32(base + regf::kMajorVersion, regf::kMajorVersionValue);
  Put32(base + regf::kMinorVersion, minor);
  Put32(base + regf::kFileType, static_cast<std::uint32_t>(FileType::Primary));
  Put32(base + regf::kFileFormat, regf::kFileFormatDirectMemoryLoad);
  Put32(base + regf::kRootCell, rootCell);
  Put32(base + regf::kBinsSize, binsSize);
  Put32(base + regf::kClusteringFactor, regf::kClusteringFactorValue);
  PutBytes(base + regf::kFileName, header.fileName.data(),
           std::min(header.fileName.size(), regf::kFileNameSize));
  PutBytes(base + regf::kRmId, header.rmId.data(), header.rmId.size());
  PutBytes(base + regf::kLogId, header.logId.data(), header.logId.size());
  Put32(base + regf::kFlags, header.flags & ~(kBaseFlagTransactionLock | kBaseFlagDefragmenting));
  PutBytes(base + regf::kTmId, header.tmId.data(), header.tmId.size());
  Put32(base + regf::kGuidSignature, header.guidSignature);
  if (header.offlineAt != regf::kOfflineSignatureEarly)
    Put64(base + regf::kLastReorganized, header.lastReorganized);
  if (header.offlineAt == regf::kOfflineSignature ||
      header.offlineAt == regf::kOfflineSignatureEarly) {
    std::memcpy(base + header.offlineAt, "OfRg", 4);
    Put32(base + header.offlineAt + regf::kOfflineFlagsAfterSignature, header.offlineFlags);
    Put64(base + header.offlineAt + regf::kOfflineSavedAfterSignature, header.offlineSaved);
  }
  PutBytes(base + regf::kThawTmId, header.thawTmId.data(), header.thawTmId.size());
  PutBytes(base + regf::kThawRmId, header.thawRmId.data(), header.thawRmId.size());
  PutBytes(base + regf::kThawLogId, header.thawLogId.data(), header.thawLogId.size());
  StoreBaseBlockChecksum(block.first(kBaseBlockSize));
}

void WriteKeyRecord(std::uint8_t* record, const std::u16string& name, const KeyRecordFields& key) {
  std::uint16_t flags = static_cast<std::uint16_t>(key.flags & ~kKeyCompressedName);
  if (Compressible(name)) flags |= kKeyCompressedName;
  if (key.root) flags |= kKeyHiveEntry;
  std::memcpy(record + nk::kSignature, "nk", 2);
  Put16(record + nk::kFlags, flags);
  Put64(record + nk::kLastWritten, key.lastWritten);
  Put32(record + nk::kAccessBits, key.accessBits);
  Put32(record + nk::kParent, key.parent);
  Put32(record + nk::kSubkeyCount, key.subkeyCount);
  // Volatile subkeys live in memory only: none on disk.
  Put32(record + nk::kVolatileSubkeyCount, std::uint32_t{0});
  Put32(record + nk::kSubkeyList, key.subkeyList);
  Put32(record + nk::kVolatileSubkeyList, kNoCell);
  Put32(record + nk::kValueCount, key.valueCount);
  Put32(record + nk::kValueList, key.valueList);
  Put32(record + nk::kSecurity, key.security);
  Put32(record + nk::kClass, key.classCell);
  Put16(record + nk::kLargestSubkeyName, static_cast<std::uint16_t>(key.largestName));
  Put16(record + nk::kUserFlags, key.userFlags);
  Put32(record + nk::kLargestSubkeyClass, key.largestClass);
  Put32(record + nk::kLargestValueName, key.largestValueName);
  Put32(record + nk::kLargestValueData, key.largestValueData);
  Put16(record + nk::kNameLength, static_cast<std::uint16_t>(StoredNameSize(name)));
  Put16(record + nk::kClassLength, key.classLength);
  PutName(record + nk::kName, name);
}

void WriteValueRecord(std::uint8_t* record, const std::u16string& name,
                      const ValueRecordFields& value, Bytes inlineData) {
  std::memcpy(record + vk::kSignature, "vk", 2);
  Put16(record + vk::kNameLength, static_cast<std::uint16_t>(StoredNameSize(name)));
  if (value.dataSize == 0 && (value.flags & kValueTombstone) != 0) {
    // A tombstone has no data at all, not empty data held in the record.
    Put32(record + vk::kDataSize, std::uint32_t{0});
    Put32(record + vk::kData, kNoCell);
  } else if (value.dataCell == kNoCell) {
    Put32(record + vk::kDataSize, value.dataSize | kInlineDataBit);
    PutBytes(record + vk::kData, inlineData.data(), inlineData.size());
  } else {
    Put32(record + vk::kDataSize, value.dataSize);
    Put32(record + vk::kData, value.dataCell);
  }
  Put32(record + vk::kType, value.type);
  std::uint16_t flags = static_cast<std::uint16_t>(value.flags & ~kValueCompressedName);
  if (Compressible(name)) flags |= kValueCompressedName;
  Put16(record + vk::kFlags, flags);
  Put16(record + vk::kSpare, value.spare);
  PutName(record + vk::kName, name);
}

void WriteLeafHeader(std::uint8_t* leaf, bool hashed, std::uint16_t count) {
  std::memcpy(leaf + list::kSignature, hashed ? "lh" : "lf", 2);
  Put16(leaf + list::kCount, count);
}

void WriteLeafElement(std::uint8_t* leaf, bool hashed, std::uint32_t index, std::uint32_t keyCell,
                      const std::u16string& name) {
  std::uint8_t* element = leaf + list::kElements + list::kHashElementSize * index;
  Put32(element, keyCell);
  Put32(element + list::kElementHint, hashed ? NameHash(name) : FastLeafHint(name));
}

void WriteIndexRootHeader(std::uint8_t* ri, std::uint16_t leaves) {
  std::memcpy(ri + list::kSignature, "ri", 2);
  Put16(ri + list::kCount, leaves);
}

void WriteBigDataHeader(std::uint8_t* db, std::uint16_t segments, std::uint32_t segmentList) {
  std::memcpy(db + db::kSignature, "db", 2);
  Put16(db + db::kSegmentCount, segments);
  Put32(db + db::kSegmentList, segmentList);
}

void WriteSecurityRecord(std::uint8_t* record, std::uint32_t flink, std::uint32_t blink,
                         std::uint32_t references, Bytes descriptor) {
  std::memcpy(record + sk::kSignature, "sk", 2);
  Put32(record + sk::kFlink, flink);
  Put32(record + sk::kBlink, blink);
  Put32(record + sk::kReferenceCount, references);
  Put32(record + sk::kDescriptorSize, static_cast<std::uint32_t>(descriptor.size()));
  PutBytes(record + sk::kDescriptor, descriptor.data(), descriptor.size());
}

}  // namespace hive
