#pragma once
// What a walk of the key tree reports to its caller: each key in depth-first
// order (subkeys in stored order), then that key's values with their data.

#include "hive/Bytes.h"
#include "hive/Records.h"

#include <cstdint>
#include <string>
#include <vector>

namespace hive {

class IHiveVisitor {
 public:
  virtual ~IHiveVisitor() = default;
  // `path` holds the names from the root key (first) down to this key (last).
  virtual void OnKey(const std::vector<std::u16string>& path, const KeyNode& key) = 0;
  // `record` is the value's vk record as stored (type, flags, spare); `data` its data.
  virtual void OnValue(const std::u16string& name, const ValueKey& record, Bytes data) = 0;
  // Called after OnKey with the key's security descriptor and class name
  // bytes (empty when unreadable or absent), for readers that copy a key whole.
  virtual void OnKeyRecords(Bytes /*securityDescriptor*/, Bytes /*className*/) {}
  // Called before OnKey and before OnValue with the offset of the cell holding
  // the record they report, for readers that come back to it later.
  virtual void OnCell(std::uint32_t /*offset*/) {}
};

}  // namespace hive
