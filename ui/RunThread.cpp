#include "ui/RunThread.h"

#include <utility>

CRunThread::CRunThread() : m_done(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

CRunThread::~CRunThread() {
  if (!Busy()) {
    if (m_done != nullptr) ::CloseHandle(m_done);
    return;
  }
  RequestStop();
  WaitHandlingSentMessages();
  m_thread.join();
  if (m_done != nullptr) ::CloseHandle(m_done);
}

bool CRunThread::Start(std::function<void()> job, HWND window, UINT finished) {
  if (Busy() || m_done == nullptr) return false;
  m_stop = false;
  m_error = nullptr;
  ::ResetEvent(m_done);
  m_thread = std::thread([this, job = std::move(job), window, finished] {
    try {
      job();
    } catch (...) {
      // Nothing may leave a thread's function; the window's thread reports it.
      m_error = std::current_exception();
    }
    ::SetEvent(m_done);
    ::PostMessageW(window, finished, 0, 0);
  });
  return true;
}

void CRunThread::WaitHandlingSentMessages() {
  if (!Busy()) return;
  for (;;) {
    DWORD woken = ::MsgWaitForMultipleObjects(1, &m_done, FALSE, INFINITE, QS_SENDMESSAGE);
    if (woken != WAIT_OBJECT_0 + 1) return;  // the job has returned (or the wait failed)
    // Peeking delivers the messages sent to this thread; nothing posted is taken.
    MSG message{};
    ::PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
}

std::exception_ptr CRunThread::Collect() {
  if (!Busy()) return nullptr;
  WaitHandlingSentMessages();
  m_thread.join();
  return std::exchange(m_error, nullptr);
}
