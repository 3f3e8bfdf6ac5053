#pragma once
// Owners of what the platform hands out: a registry key, an open file, a file
// search, a named mutex and an access token. Each closes its handle when it goes
// (or when it takes another), through the interface that opened it, and asks a
// second time when the platform reports the close failed: a handle left open
// keeps a file or a hive held, and a user whose hive it is cannot sign in.
// None can be copied, so no handle has two owners.
#include <cstdint>

#include "platform/IFileSystem.h"
#include "platform/IRegistry.h"
#include "platform/ISecurity.h"
#include "platform/ISystem.h"
#include "platform/Types.h"

namespace platform {

// Whether a close call reports success: CloseHandle and FindClose answer
// true, RegCloseKey ERROR_SUCCESS.
inline bool ClosedOk(bool result) { return result; }
inline bool ClosedOk(Status result) { return result == kErrorSuccess; }

// `kClose` is the interface's own close call; `kNone` the value that holds nothing.
template <typename Interface, typename Handle, auto kClose, Handle kNone>
class ScopedHandle {
 public:
  explicit ScopedHandle(Interface& opener, Handle handle = kNone)
      : m_opener(opener), m_handle(handle) {}
  ~ScopedHandle() { Close(); }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;

  bool IsOpen() const { return m_handle != kNone; }
  Handle Get() const { return m_handle; }

  // Takes a handle just opened, closing the one held first. A failed open
  // passes kNone and leaves the owner closed.
  void Reset(Handle handle = kNone) {
    if (IsOpen() && !ClosedOk((m_opener.*kClose)(m_handle))) (m_opener.*kClose)(m_handle);
    m_handle = handle;
  }
  void Close() { Reset(); }

 protected:
  Interface& Opener() const { return m_opener; }

 private:
  Interface& m_opener;
  Handle m_handle;
};

using ScopedKey = ScopedHandle<IRegistry, KeyHandle, &IRegistry::CloseKey, KeyHandle{0}>;
using ScopedFile =
    ScopedHandle<IFileSystem, FileHandle, &IFileSystem::CloseFile, kInvalidFileHandle>;
using ScopedFind =
    ScopedHandle<IFileSystem, FindHandle, &IFileSystem::FindClose, kInvalidFindHandle>;
using ScopedMutex = ScopedHandle<ISystem, MutexHandle, &ISystem::CloseMutex, MutexHandle{0}>;

// The token owner opens its token itself: the process's, or the thread's own.
class ScopedToken
    : public ScopedHandle<ISecurity, TokenHandle, &ISecurity::CloseToken, TokenHandle{0}> {
 public:
  explicit ScopedToken(ISecurity& security) : ScopedHandle(security) {}

  // OpenProcessToken on the current process, after closing any token held.
  bool OpenProcess(std::uint32_t access) {
    Close();
    TokenHandle token = 0;
    if (!Opener().OpenProcessToken(access, &token)) token = 0;
    Reset(token);
    return IsOpen();
  }
  // OpenThreadToken on the current thread, after closing any token held.
  bool OpenThread(std::uint32_t access, bool openAsSelf) {
    Close();
    TokenHandle token = 0;
    if (!Opener().OpenThreadToken(access, openAsSelf, &token)) token = 0;
    Reset(token);
    return IsOpen();
  }
};

}  // namespace platform
