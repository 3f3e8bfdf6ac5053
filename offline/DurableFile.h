#pragma once
// Writing a new file so that it is on the disk, not only in a cache, before
// anything that relies on it happens.
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

namespace offline {

// Creates `file` (which must not exist), writes `bytes`, flushes them to the
// device and closes it. False with `error` set otherwise; a file begun is removed.
bool WriteDurableFile(const std::filesystem::path& file, std::span<const std::uint8_t> bytes,
                      std::string& error);

// True when another program has `file` open: Windows refuses to share it.
// Other systems have no share modes, so they answer false.
bool IsOpenElsewhere(const std::filesystem::path& file);

}  // namespace offline
