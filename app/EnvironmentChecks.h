#pragma once
// The two checks start-up makes before it shows any window.

// True on a 64-bit Windows: the native processor is x64, Itanium or ARM64
// (where x86 programs run emulated with the same registry and file-system
// redirection). False when GetNativeSystemInfo does not exist.
bool IsWindows64Bit();

// True when the process token lists the built-in Administrators group in an
// entry that is not deny-only: a filtered token (an administrator not
// elevated) keeps the group for deny entries alone and has none of its rights.
// Any failure gives false.
bool IsAdministrator();
