#pragma once
// Writes each kind of record into the cell data given, fields computed by
// the caller: the one place a writer lays out a base block, a key, a value,
// a subkey list or a big-data record.

#include "hive/HiveTree.h"
#include "hive/RecordLayout.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace hive {

void Put16(std::uint8_t* at, std::uint16_t value);
void Put32(std::uint8_t* at, std::uint32_t value);
void Put64(std::uint8_t* at, std::uint64_t value);

// The base block of a new file: `header`'s fields kept, the rest set.
void WriteBaseBlock(std::span<std::uint8_t> base, const HiveHeader& header, std::uint32_t minor,
                    std::uint32_t rootCell, std::uint32_t binsSize);

struct KeyRecordFields {
  std::uint16_t flags = 0;  // the key's own; compressed-name and entry flags are set here
  bool root = false;
  std::uint16_t userFlags = 0;
  std::uint32_t accessBits = 0;
  std::uint64_t lastWritten = 0;
  std::uint32_t parent = 0;
  std::uint32_t subkeyCount = 0;
  std::uint32_t subkeyList = 0;
  std::uint32_t valueCount = 0;
  std::uint32_t valueList = 0;
  std::uint32_t security = 0;
  std::uint32_t classCell = 0;
  std::uint16_t classLength = 0;
  std::uint32_t largestName = 0;
  std::uint32_t largestClass = 0;
  std::uint32_t largestValueName = 0;
  std::uint32_t largestValueData = 0;
};
void WriteKeyRecord(std::uint8_t* record, const std::u16string& name, const KeyRecordFields& key);

// The fields a key's record takes from a writer's plan once its cells are
// placed at `offsets`: where its parent, lists, security record and class
// name went. `Plan` is a writer's plan of a key (parent, childCount, list,
// valueCount, valueList, security, classCell, as plan and cell numbers).
template <class Plan, class SecurityPlans>
void SetPlacedFields(KeyRecordFields& fields, const Plan& plan, const std::vector<Plan>& keys,
                     const SecurityPlans& securities, const std::vector<std::uint32_t>& offsets) {
  auto cellOrNone = [&](std::uint32_t cell) { return cell == kNoCell ? kNoCell : offsets[cell]; };
  fields.root = plan.parent == kNoCell;
  fields.parent = fields.root ? kNoCell : offsets[keys[plan.parent].nk];
  fields.subkeyCount = plan.childCount;
  fields.subkeyList = cellOrNone(plan.list);
  fields.valueCount = plan.valueCount;
  fields.valueList = cellOrNone(plan.valueList);
  fields.security = offsets[securities[plan.security].cell];
  fields.classCell = cellOrNone(plan.classCell);
}

struct ValueRecordFields {
  std::uint32_t type = 0;
  std::uint16_t flags = 0;  // the value's own; the compressed-name flag is set here
  std::uint16_t spare = 0;
  std::uint32_t dataSize = 0;
  std::uint32_t dataCell = 0;  // kNoCell: the data lies in the record
};
// `inlineData`: the data when it lies in the record.
void WriteValueRecord(std::uint8_t* record, const std::u16string& name,
                      const ValueRecordFields& value, Bytes inlineData);

// A leaf's header, then its elements one by one: lh (name hash) from format
// 1.5 on, lf (first four characters) before.
void WriteLeafHeader(std::uint8_t* leaf, bool hashed, std::uint16_t count);
void WriteLeafElement(std::uint8_t* leaf, bool hashed, std::uint32_t index, std::uint32_t keyCell,
                      const std::u16string& name);
void WriteIndexRootHeader(std::uint8_t* ri, std::uint16_t leaves);
void WriteBigDataHeader(std::uint8_t* db, std::uint16_t segments, std::uint32_t segmentList);
void WriteSecurityRecord(std::uint8_t* record, std::uint32_t flink, std::uint32_t blink,
                         std::uint32_t references, Bytes descriptor);

}  // namespace hive
