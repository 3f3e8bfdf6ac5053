#pragma once
// What each scheduled copy held when Windows saved it, kept beside the run's
// record: "<Windows>\Kelvaro\Records\Run-<n>\<hive file name>", a byte-exact
// copy of the checked copy, in a protected folder of its own. Windows boots
// from the copy, but every write made between the save and the restart goes
// to the old file, which becomes the backup; comparing the two by content
// names what the compacted hive lacks (LostWrites.h). It costs the compacted
// size of each hive on disk, for as long as the run is on record.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "path/PathComponent.h"
#include "path/PathName.h"

// Run-3.record => Run-3\SYSTEM beside it; nothing for a record file not named
// "<name>.record" or a hive name no file can bear (HiveFileName.h).
std::optional<CPathName> ReferenceFileOf(const CPathName& recordFile, const std::wstring& hiveName);

// Reads `copy` through one exclusive handle and, when its SHA-256 is
// `copySha256` (the record's), writes its bytes as the hive's reference: a new
// file beside it, flushed, renamed into place. False, with nothing left
// behind, when the copy does not match or any step fails.
bool KeepReference(const CPathName& recordFile, const std::wstring& hiveName, const CPathName& copy,
                   const std::string& copySha256);

// Removes the hive's reference, for a copy that was not scheduled after all.
void DropReference(const CPathName& recordFile, const std::wstring& hiveName);

// Once their backups are deleted the references can name nothing: they go,
// and the run's reference folder with the last of them.
void DropReferences(const CPathName& recordFile, const std::vector<std::wstring>& hiveNames);

enum class ReferenceState { kRead, kMissing, kUnreadable, kMismatch };

struct ReferenceBytes {
  ReferenceState state = ReferenceState::kMissing;
  std::vector<std::uint8_t> bytes;  // kRead only
};

// The reference as it stands, read through one exclusive handle; refused
// (kMismatch) unless its SHA-256 is `copySha256`: a reference that is not the
// copy Windows booted from would name changes that never happened.
ReferenceBytes ReadReference(const CPathName& recordFile, const std::wstring& hiveName,
                             const std::string& copySha256);

// The whole of a plain file read through one exclusive handle; nothing when it
// is missing, held for writing, a link, or cannot be read whole.
std::optional<std::vector<std::uint8_t>> ReadPlainFile(const CPathName& file);
