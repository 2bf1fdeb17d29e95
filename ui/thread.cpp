#include "ui/thread.h"

#include <deque>
#include <exception>
#include <mutex>
#include <stdexcept>

namespace vantric::ui {
namespace {

constexpr UINT kSynchronizeMessage = WM_APP + 0x5A;

struct SynchronizeRequest {
  const std::function<void()>* call;
  std::exception_ptr error;
  unique_handle done;
};

// The GUI thread's end of RunOnGuiThread: a queue of waiting calls and a
// message-only window whose message makes any message loop run them.
class Synchronizer {
 public:
  Synchronizer() : guiThread_(GetCurrentThreadId()), pending_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = Procedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "VantricSynchronizer";
    RegisterClassExA(&windowClass);
    window_ = CreateWindowExA(0, windowClass.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              windowClass.hInstance, nullptr);
    if (!window_ || !pending_) throw std::runtime_error("Cannot create the thread synchronizer");
  }

  bool OnGuiThread() const { return GetCurrentThreadId() == guiThread_; }
  HANDLE Pending() const { return pending_.get(); }

  void Run(const std::function<void()>& call) {
    SynchronizeRequest request{&call, nullptr, unique_handle(CreateEventA(nullptr, TRUE, FALSE, nullptr))};
    if (!request.done) throw std::runtime_error("Cannot wait for the GUI thread");
    {
      const std::lock_guard guard(mutex_);
      queue_.push_back(&request);
      SetEvent(pending_.get());
    }
    PostMessageA(window_, kSynchronizeMessage, 0, 0);
    WaitForSingleObject(request.done.get(), INFINITE);
    if (request.error) std::rethrow_exception(request.error);
  }

  void RunWaiting() {
    for (;;) {
      SynchronizeRequest* request = nullptr;
      {
        const std::lock_guard guard(mutex_);
        if (queue_.empty()) {
          ResetEvent(pending_.get());
          return;
        }
        request = queue_.front();
        queue_.pop_front();
      }
      try {
        (*request->call)();
      } catch (...) {
        request->error = std::current_exception();
      }
      SetEvent(request->done.get());
    }
  }

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kSynchronizeMessage) {
      CheckSynchronize();
      return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
  }

  DWORD guiThread_;
  unique_handle pending_;
  HWND window_ = nullptr;  // lives as long as the process
  std::mutex mutex_;
  std::deque<SynchronizeRequest*> queue_;
};

// Made by the first worker thread's owner, on the GUI thread.
Synchronizer& TheSynchronizer() {
  static Synchronizer synchronizer;
  return synchronizer;
}

struct ThreadStart {
  std::shared_ptr<ThreadControl> control;
  WorkerThread::Body body;
};

DWORD WINAPI ThreadProcedure(LPVOID parameter) {
  const std::unique_ptr<ThreadStart> start(static_cast<ThreadStart*>(parameter));
  start->control->WaitWhileSuspended();
  if (!start->control->Terminated()) start->body(*start->control);
  return 0;
}

int WindowsPriority(ThreadPriority priority) {
  switch (priority) {
    case ThreadPriority::tpIdle: return THREAD_PRIORITY_IDLE;
    case ThreadPriority::tpLowest: return THREAD_PRIORITY_LOWEST;
    case ThreadPriority::tpLower: return THREAD_PRIORITY_BELOW_NORMAL;
    case ThreadPriority::tpNormal: return THREAD_PRIORITY_NORMAL;
    case ThreadPriority::tpHigher: return THREAD_PRIORITY_ABOVE_NORMAL;
    case ThreadPriority::tpHighest: return THREAD_PRIORITY_HIGHEST;
    case ThreadPriority::tpTimeCritical: return THREAD_PRIORITY_TIME_CRITICAL;
  }
  return THREAD_PRIORITY_NORMAL;
}

}  // namespace

void RunOnGuiThread(const std::function<void()>& call) {
  Synchronizer& synchronizer = TheSynchronizer();
  if (synchronizer.OnGuiThread()) {
    call();
  } else {
    synchronizer.Run(call);
  }
}

void CheckSynchronize() {
  Synchronizer& synchronizer = TheSynchronizer();
  if (synchronizer.OnGuiThread()) synchronizer.RunWaiting();
}

HANDLE detail::SynchronizeEvent() { return TheSynchronizer().Pending(); }

ThreadControl::ThreadControl()
    : resumed_(CreateEventA(nullptr, TRUE, FALSE, nullptr)),
      wake_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
  if (!resumed_ || !wake_) throw std::runtime_error("Cannot create a thread");
}

ThreadControl::~ThreadControl() = default;

void ThreadControl::Sleep(DWORD milliseconds) const { WaitForSingleObject(wake_.get(), milliseconds); }

void ThreadControl::WaitWhileSuspended() const {
  while (suspended_ && !terminated_) WaitForSingleObject(resumed_.get(), INFINITE);
}

WorkerThread::WorkerThread(Body body) : control_(std::make_shared<ThreadControl>()) {
  TheSynchronizer();  // the GUI thread is the one that makes threads
  auto start = std::make_unique<ThreadStart>(ThreadStart{control_, std::move(body)});
  control_->thread_.reset(CreateThread(nullptr, 0, ThreadProcedure, start.get(), 0, nullptr));
  if (!control_->thread_) throw std::runtime_error("Cannot create a thread");
  (void)start.release();  // the thread owns it now
}

WorkerThread::~WorkerThread() { Terminate(); }

void WorkerThread::Suspend() {
  control_->suspended_ = true;
  ResetEvent(control_->resumed_.get());
}

void WorkerThread::Resume() {
  control_->suspended_ = false;
  SetEvent(control_->resumed_.get());
}

void WorkerThread::Terminate() {
  control_->terminated_ = true;
  SetEvent(control_->wake_.get());
  SetEvent(control_->resumed_.get());
}

void WorkerThread::SetPriority(ThreadPriority priority) {
  SetThreadPriority(control_->thread_.get(), WindowsPriority(priority));
}

}  // namespace vantric::ui
