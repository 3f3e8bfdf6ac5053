#pragma once
// One run at a time on the machine: the window and the console tool take this
// lock before they change hives and give it back when they are done. It is a
// named mutex in the global namespace (so sessions share it), held for as long
// as its handle is open; Windows closes the handle of a program that ends, so
// a crashed holder frees it. The holder also holds a second one named for its
// program, by which another can say who is running.
#include <string>

#include "platform/ScopedHandles.h"

class RunLock {
 public:
  RunLock();
  RunLock(const RunLock&) = delete;
  RunLock& operator=(const RunLock&) = delete;

  // This program holds the lock. False when another one does, or when the
  // platform would not say: then nothing may be changed.
  bool Held() const { return m_held; }
  // When not held: the program that holds it ("Kelvaro.exe", "kelvaro-hive.exe"),
  // empty when it cannot be told.
  const std::wstring& Holder() const { return m_holder; }

 private:
  platform::ScopedMutex m_lock;
  platform::ScopedMutex m_name;
  bool m_held = false;
  std::wstring m_holder;
};
