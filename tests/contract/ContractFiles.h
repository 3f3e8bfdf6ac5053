#pragma once
// Files the contract cases need but the seam cannot make: the fake adds them to
// its file system, the Win32 side creates them for real.
#include <cstdint>
#include <string>
#include <vector>

namespace contract {

// Creates a new file of `size` bytes without writing them (sparse on Windows),
// so that sizes beyond 4 GiB cost no disk space. False when it cannot.
bool MakeLargeFile(const std::wstring& path, std::uint64_t size);

// Creates a new file holding `bytes`. False when it cannot.
bool MakeFileWithBytes(const std::wstring& path, const std::vector<std::uint8_t>& bytes);

}  // namespace contract
