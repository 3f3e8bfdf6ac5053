#pragma once
// A file Kelvaro reads as it stands, through one handle: opened so that no
// other program can write, delete or rename it while it is open (and none may
// already hold it for writing), its facts and bytes read through that handle.
// While it is open its name cannot come to mean another file.
#include <cstdint>
#include <vector>

#include "path/PathName.h"
#include "platform/IFileSystem.h"
#include "platform/ScopedHandles.h"
#include "platform/Types.h"

// Closes the handle when it goes, however the reading ends.
class CExclusiveFile {
 public:
  explicit CExclusiveFile(const CPathName& path);

  bool IsOpen() const { return m_handle.IsOpen(); }
  platform::FileHandle Get() const { return m_handle.Get(); }

 private:
  platform::ScopedFile m_handle;
};

// Reads the open file to its end; false unless exactly `expectedSize` bytes came.
bool ReadWhole(platform::FileHandle file, std::uint64_t expectedSize,
               std::vector<std::uint8_t>& bytes);

// A plain file with one name: no link, junction or folder, and no second name
// through which another program could reach it.
bool IsPlainFile(const platform::FileFacts& facts);
