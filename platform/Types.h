#pragma once
// Portable stand-ins for the Win32 scalar types the seam speaks in (its
// constants: Win32Constants.h). Values are the platform's own, so the Win32
// implementation only casts.
#include <cstdint>

namespace platform {

using Status = std::uint32_t;        // a Win32 error code (LSTATUS / GetLastError value)
using KeyHandle = std::uintptr_t;    // HKEY
using TokenHandle = std::uintptr_t;  // HANDLE of an access token
using FindHandle = std::uintptr_t;   // HANDLE of a file search
using FileHandle = std::uintptr_t;   // HANDLE of an open file
using MutexHandle = std::uintptr_t;  // HANDLE of a named mutex
using Sid = void;                    // opaque security identifier (PSID points at one)

}  // namespace platform
