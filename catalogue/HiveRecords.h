#pragma once
// The records behind the rows of the two hive lists, and the rule that names a
// hive's compact copy and backup file.
#include <cstdint>

#include "path/PathName.h"
#include "platform/CString.h"

// One row of the main list.
struct HiveEntry {
  CString name;            // user form: HKLM\SYSTEM; empty when the kernel name had neither root
  CPathName path;          // the hive file; empty when its drive-letter text is no valid path
  std::uint64_t size = 0;  // bytes; 0 when no file was found
};

// One row of the results list.
struct HiveResultEntry {
  CString name;                    // user form, as in HiveEntry
  std::uint64_t previousSize = 0;  // the backup copy's bytes
  std::uint64_t currentSize = 0;   // the live file's bytes
};

// The text after the last backslash of a user-form name, the whole name without
// one: HKLM\SOFTWARE => SOFTWARE, HKU\.DEFAULT => .DEFAULT, HKLM\ => "".
CString HiveLeafName(const CString& name);

// A hive whose file was not found (size 0) is listed unticked: replacing a file
// the program cannot even locate could move a boot-critical file across volumes.
bool StartsTicked(const HiveEntry& entry);
