#pragma once
// The check every compact copy passes before Windows is told to boot from it.
// The copy is opened so that no other program can write, delete or rename it
// while it is read (and none may already hold it for writing); it must be a
// plain file with one name on the expected volume; its bytes must be a sound
// hive whose root is a root key; and its top-level keys must be the live
// key's: each name in the copy is a live subkey, and each live subkey missing
// from the copy is volatile (a save never writes those).
#include <cstdint>
#include <string>

#include "path/PathName.h"
#include "platform/Types.h"

enum class CopyRefusal {
  kNone,
  kNotOpened,     // missing, or held by another program
  kNotPlainFile,  // a link, a folder, or a file with more than one name
  kOtherVolume,   // not on the volume of the hive it would replace
  kUnreadable,    // reading it through the open handle failed
  kNotSoundHive,  // the hive reader's verdict is not "sound"
  kNotRootKey,    // the copy's root key is not a hive's root
  kKeysDiffer,    // its top-level keys are not the live key's
};

struct CopyVerdict {
  CopyRefusal refusal = CopyRefusal::kNone;
  std::uint64_t size = 0;  // bytes read, when the copy was read
  std::string sha256;      // of the bytes read, when the copy was read
  bool accepted() const { return refusal == CopyRefusal::kNone; }
};

// `liveKey` is the open key the copy was saved from; `volumeSerialNumber` the
// live hive file's volume.
CopyVerdict CheckCompactCopy(const CPathName& copy, platform::KeyHandle liveKey,
                             std::uint32_t volumeSerialNumber);
