#pragma once

#include <windows.h>

#include <atomic>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>

#include "ui/thread.h"

namespace vantric {

// Thrown by a tick to end it quietly: the timer reports every other exception.
struct EAbort : std::exception {
  const char* what() const noexcept override { return "Operation aborted"; }
};

class TRxTimer;

// What the timer thread shares with its timer. The thread holds it for as
// long as it runs, so it never reaches a timer that is gone: the timer cuts
// the link, under the tick lock, before it goes.
struct TimerLink {
  std::mutex tick;  // held by the thread for the whole of a tick
  TRxTimer* owner = nullptr;
  std::atomic<DWORD> interval{1000};
};

// The timer's worker: sleeps for the interval, then fires the timer (on the
// GUI thread with SyncEvent), until it is terminated or loses its timer.
class TTimerThread {
 public:
  explicit TTimerThread(std::shared_ptr<TimerLink> link);
  ui::WorkerThread& Thread() { return thread_; }

 private:
  static void Execute(const ui::ThreadControl& control, TimerLink& link);
  ui::WorkerThread thread_;
};

// A timer that ticks from its own thread (Threaded) or from a window timer.
class TRxTimer {
 public:
  using TNotifyEvent = std::function<void(TRxTimer& sender)>;

  TRxTimer();
  ~TRxTimer();
  TRxTimer(const TRxTimer&) = delete;
  TRxTimer& operator=(const TRxTimer&) = delete;

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);
  DWORD Interval() const { return interval_; }
  void SetInterval(DWORD value);
  bool SyncEvent() const { return syncEvent_; }
  void SetSyncEvent(bool value) { syncEvent_ = value; }
  bool Threaded() const { return threaded_; }
  void SetThreaded(bool value);
  ui::ThreadPriority ThreadPriority() const { return threadPriority_; }
  void SetThreadPriority(ui::ThreadPriority value);
  void SetOnTimer(TNotifyEvent handler);

  // Stops for good: waits for a tick in progress, then cuts the thread off,
  // which ends by itself. The destructor does it; an owner whose tick
  // handler uses the owner's pointer to the timer does it first.
  void Shutdown();

  // Calls OnTimer when enabled, assigned and not being destroyed.
  void FireTimer();
  // Runs `call` on the GUI thread and waits for it; on the GUI thread itself
  // at once. The calling thread decides, never the suspended flag, which the
  // GUI thread may set at any moment.
  void SyncCall(const std::function<void()>& call);

  bool ThreadSuspended() { return thread_.Thread().Suspended(); }
  HWND TimerWindow() const;

 private:
  class Window;
  void ApplyTimerState();
  void ReleaseWindow();

  std::atomic<bool> enabled_{true};
  std::atomic<DWORD> interval_{1000};
  TNotifyEvent onTimer_;
  std::unique_ptr<Window> window_;
  std::atomic<bool> syncEvent_{true};
  bool threaded_ = true;
  std::shared_ptr<TimerLink> link_;
  TTimerThread thread_;
  ui::ThreadPriority threadPriority_ = ui::ThreadPriority::tpNormal;
  std::atomic<bool> destroying_{false};
};

// Reports an exception that left a tick: the application's exception
// display; nothing for EAbort. Call inside a catch block.
void ReportTickException() noexcept;

}  // namespace vantric
