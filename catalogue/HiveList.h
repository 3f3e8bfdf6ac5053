#pragma once
// The registry's list of loaded hives ("SYSTEM\CurrentControlSet\Control\hivelist"
// under HKEY_LOCAL_MACHINE), read into user-facing names and file paths.
#include <functional>
#include <memory>
#include <vector>

#include "catalogue/HiveRecords.h"
#include "catalogue/RegistryBuffer.h"
#include "platform/CString.h"
#include "platform/RegistryKeyPaths.h"
#include "platform/Win32Constants.h"

using platform::kHiveListKey;

// Whether a value read from the hive list stands for a hive with a file: the
// read succeeded, the type is REG_SZ, the name is longer than one character and
// the data holds a non-empty text.
bool PassesHiveValueFilter(platform::Status queryResult, const CRegistryBuffer& name,
                           const CRegistryBuffer& data);

// One value that passed the filter, translated.
struct ListedHive {
  CString name;      // TranslateHiveName of the value's name
  CString fileText;  // TranslateDevicePath of the value's data
};

// Calls `visit` for every value of the hive list that passes the filter, in the
// registry's order, until the enumeration ends or fails. Nothing when the key
// cannot be opened.
void ForEachListedHive(const std::function<void(const ListedHive&)>& visit);

// One record per listed hive, in the registry's order: its name, its path
// (empty when the path library rejects the text) and its file's size (0 when
// no file is found).
std::vector<std::unique_ptr<HiveEntry>> CollectHives();
