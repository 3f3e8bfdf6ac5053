#pragma once
// What the system needs of the file system, in terms of paths. Each operation
// hands the path's text to the installed platform; platform failures come back
// as a boolean (or nothing), never as an error code.
#include <cstdint>

#include "path/PathName.h"

// Creates the folder and every missing folder above it, one level at a time,
// from the drive root, the UNC share or (for \Temp\x) the current drive's root.
// True when the folder exists at the end; false at the first failure, leaving
// the folders made so far. Throws CPathException::badCombine for ".." above the root.
bool CreateFolderChain(const CPathName& path);
// True when the path names an existing folder.
bool FolderExists(const CPathName& path);
// True when the path names an existing entry that is not a folder.
bool FileExists(const CPathName& path);
// Clears the read-only bit of a file, keeping its other bits. Folders are left alone.
void ClearReadOnly(const CPathName& path);
// The system's temporary folder without its trailing backslash; the empty path
// when the platform cannot say.
CPathName GetTempFolder();
// The size of the first entry matching the path (which may hold * and ?).
// False, with `size` 0, when nothing matches.
bool GetFileSize(const CPathName& path, std::uint64_t& size);
