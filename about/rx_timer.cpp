#include "about/rx_timer.h"

#include <stdexcept>

#include "ui/application.h"
#include "ui/window.h"

namespace vantric {
namespace {

constexpr UINT_PTR kTimerId = 1;

}  // namespace

void ReportTickException() noexcept {
  try {
    throw;
  } catch (const EAbort&) {
  } catch (...) {
    if (ui::Application* application = ui::Application::Current()) application->HandleException();
  }
}

// The hidden window of the window-timer mode.
class TRxTimer::Window : public ui::Window {
 public:
  explicit Window(TRxTimer& timer) : timer_(timer) {
    Create({.name = "VantricTimerWindow"}, 0, "", WS_POPUP, {0, 0, 0, 0}, nullptr);
  }
  ~Window() override { DestroyHandle(); }

 protected:
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message != WM_TIMER) return DefaultMessage(message, wParam, lParam);
    try {
      timer_.FireTimer();
    } catch (...) {
      ReportTickException();
    }
    return 0;
  }

 private:
  TRxTimer& timer_;
};

HWND TRxTimer::TimerWindow() const { return window_ ? window_->handle() : nullptr; }

TTimerThread::TTimerThread(std::shared_ptr<TimerLink> link)
    : thread_([link](const ui::ThreadControl& control) { Execute(control, *link); }) {}

void TTimerThread::Execute(const ui::ThreadControl& control, TimerLink& link) {
  const auto closing = [&] {
    if (control.Terminated()) return true;
    const std::lock_guard guard(link.tick);
    return link.owner == nullptr;
  };
  while (!control.Terminated()) {
    if (!closing()) control.Sleep(link.interval);
    // A suspension that came during the sleep takes effect here.
    control.WaitWhileSuspended();
    if (closing()) break;
    const std::lock_guard guard(link.tick);
    TRxTimer* timer = link.owner;
    if (timer == nullptr || !timer->Enabled()) continue;
    try {
      if (timer->SyncEvent()) {
        timer->SyncCall([timer] { timer->FireTimer(); });
      } else {
        timer->FireTimer();
      }
    } catch (...) {
      ReportTickException();
    }
  }
}

TRxTimer::TRxTimer() : link_(std::make_shared<TimerLink>()), thread_(link_) { link_->owner = this; }

TRxTimer::~TRxTimer() { Shutdown(); }

void TRxTimer::Shutdown() {
  if (destroying_.exchange(true)) return;
  enabled_ = false;
  // A tick in progress may be waiting for this very thread to run its call:
  // run such calls while waiting for the tick to end.
  ui::LockWhileSynchronizing(link_->tick);
  link_->owner = nullptr;
  link_->tick.unlock();
  onTimer_ = nullptr;
  ReleaseWindow();
  thread_.Thread().Resume();
  thread_.Thread().Terminate();
}

void TRxTimer::SetEnabled(bool value) {
  if (value == enabled_) return;
  enabled_ = value;
  ApplyTimerState();
}

void TRxTimer::SetInterval(DWORD value) {
  if (value == interval_) return;
  interval_ = value;
  ApplyTimerState();
}

void TRxTimer::SetThreaded(bool value) {
  if (value == threaded_) return;
  threaded_ = value;
  ApplyTimerState();
}

void TRxTimer::SetThreadPriority(ui::ThreadPriority value) {
  if (value == threadPriority_) return;
  threadPriority_ = value;
  if (threaded_) ApplyTimerState();
}

void TRxTimer::SetOnTimer(TNotifyEvent handler) {
  const bool changed = static_cast<bool>(handler) != static_cast<bool>(onTimer_);
  onTimer_ = std::move(handler);
  if (changed) ApplyTimerState();
}

void TRxTimer::ReleaseWindow() {
  if (!window_) return;
  KillTimer(window_->handle(), kTimerId);
  window_.reset();
}

void TRxTimer::ApplyTimerState() {
  ui::WorkerThread& thread = thread_.Thread();
  const bool ticking = interval_ != 0 && enabled_ && onTimer_;
  if (threaded_) {
    ReleaseWindow();
    if (!thread.Suspended()) thread.Suspend();
    link_->interval = interval_.load();
    if (ticking) {
      thread.SetPriority(threadPriority_);
      thread.Resume();
    }
    return;
  }
  if (!thread.Suspended()) thread.Suspend();
  if (!window_) {
    window_ = std::make_unique<Window>(*this);
  } else {
    KillTimer(window_->handle(), kTimerId);
  }
  if (ticking && SetTimer(window_->handle(), kTimerId, interval_, nullptr) == 0) {
    throw std::runtime_error("Not enough timers available");
  }
}

void TRxTimer::FireTimer() {
  if (enabled_ && !destroying_ && onTimer_) onTimer_(*this);
}

void TRxTimer::SyncCall(const std::function<void()>& call) {
  // The GUI thread may suspend or disable the timer while the worker waits
  // here: suspension only takes hold at the worker's waiting points, where it
  // holds no lock, and the GUI thread runs waiting calls in its message loops
  // and while it waits for a tick to end (Shutdown), so the call neither
  // deadlocks nor outlives the timer.
  ui::RunOnGuiThread(call);
}

}  // namespace vantric
