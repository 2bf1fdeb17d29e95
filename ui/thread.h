#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>

#include "ui/handles.h"

namespace vantric::ui {

enum class ThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

// Runs `call` on the GUI thread and waits until it has run; on the GUI thread
// itself it runs at once. The GUI thread is the one that made the first
// worker thread: its message loops run the calls that workers hand over. An exception from the call is thrown again here.
void RunOnGuiThread(const std::function<void()>& call);

// Runs the calls that workers are waiting for. The GUI thread's message loops
// do this by themselves; a GUI-thread wait that a waiting worker could block
// calls it while it waits.
void CheckSynchronize();

// Waits for `lock` on the GUI thread without ever blocking a worker that is
// waiting for the GUI thread.
template <typename Lockable>
void LockWhileSynchronizing(Lockable& lock);

// What the body of a worker thread sees of its thread. Shared between the
// owner and the thread, so the thread may outlive its owner.
class ThreadControl {
 public:
  ThreadControl();
  ~ThreadControl();
  ThreadControl(const ThreadControl&) = delete;
  ThreadControl& operator=(const ThreadControl&) = delete;

  bool Terminated() const { return terminated_; }
  bool Suspended() const { return suspended_; }
  // Returns after `milliseconds`, or at once when the thread is terminated.
  void Sleep(DWORD milliseconds) const;
  // Stays here while the thread is suspended, unless it is terminated.
  void WaitWhileSuspended() const;

 private:
  friend class WorkerThread;
  std::atomic<bool> terminated_{false};
  std::atomic<bool> suspended_{true};
  unique_handle resumed_;  // manual reset: set while not suspended
  unique_handle wake_;     // manual reset: set on termination
  unique_handle thread_;
};

// A worker thread, created suspended. Suspension is taken at the body's own
// waiting points (WaitWhileSuspended, Sleep), never in the middle of its
// work: a thread stopped inside the heap or a drawing call would hold locks
// that the GUI thread then waits on forever.
class WorkerThread {
 public:
  using Body = std::function<void(const ThreadControl&)>;

  explicit WorkerThread(Body body);
  // Does not wait: asks the thread to end, wakes it, and lets it finish on
  // its own, freeing what it shares.
  ~WorkerThread();
  WorkerThread(const WorkerThread&) = delete;
  WorkerThread& operator=(const WorkerThread&) = delete;

  void Suspend();
  void Resume();
  bool Suspended() const { return control_->Suspended(); }
  void Terminate();
  bool Terminated() const { return control_->Terminated(); }
  void SetPriority(ThreadPriority priority);

 private:
  std::shared_ptr<ThreadControl> control_;
};

namespace detail {
// Signalled while calls wait for the GUI thread.
HANDLE SynchronizeEvent();
}  // namespace detail

template <typename Lockable>
void LockWhileSynchronizing(Lockable& lock) {
  while (!lock.try_lock()) {
    CheckSynchronize();
    WaitForSingleObject(detail::SynchronizeEvent(), 1);
  }
}

}  // namespace vantric::ui
