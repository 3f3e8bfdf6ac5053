#pragma once
// One long job at a time on a thread of its own, so that the window that
// started it keeps handling its messages. The job tells the window what it
// does by posting messages to it, and may ask it things by sending messages;
// the window's thread therefore never blocks without handling sent messages.
#include <windows.h>

#include <atomic>
#include <exception>
#include <functional>
#include <thread>

class CRunThread {
 public:
  CRunThread();
  // Waits for a job still going: a job is never cut short.
  ~CRunThread();
  CRunThread(const CRunThread&) = delete;
  CRunThread& operator=(const CRunThread&) = delete;

  // Starts `job` on a new thread; when it has returned, `finished` is posted
  // to `window`. False when a job is still going or was not collected.
  bool Start(std::function<void()> job, HWND window, UINT finished);
  // From Start until Collect: the thread's end has not been collected.
  bool Busy() const { return m_thread.joinable(); }

  // Asks the job to stop at its next chance; the job reads StopRequested().
  void RequestStop() { m_stop = true; }
  bool StopRequested() const { return m_stop; }

  // Waits for the job to return, handling the messages that are sent to this
  // thread's windows meanwhile (the job may be waiting on one).
  void WaitHandlingSentMessages();
  // Ends a finished job's thread; what escaped the job, if anything, for the
  // caller to report once the window is usable again.
  std::exception_ptr Collect();

 private:
  std::thread m_thread;
  std::atomic<bool> m_stop{false};
  HANDLE m_done = nullptr;  // manual-reset event, set when the job has returned
  std::exception_ptr m_error;
};
