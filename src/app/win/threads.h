// A worker thread object in the framework's manner: created suspended,
// started and woken with Resume, suspending only itself (on a wait object,
// never from outside), and handing work to the user-interface thread with
// Synchronize, which runs the call there while the worker waits.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <thread>

namespace lumora::win {

class TThread {
 public:
  // Create on the user-interface thread: Synchronize runs calls there.
  TThread();
  // Terminates, wakes and joins the worker.
  virtual ~TThread();
  TThread(const TThread&) = delete;
  TThread& operator=(const TThread&) = delete;

  // Starts the worker the first time; later, wakes it from SuspendSelf.
  void Resume();
  // Raises the terminated flag, drops the worker's pending synchronized
  // call and wakes it, so it can see the flag and finish.
  void Terminate();
  // Waits until the worker's thread function has returned.
  void WaitFor();

  bool Terminated() const { return terminated_; }
  // Not started yet, or waiting in SuspendSelf.
  bool Suspended() const { return suspended_; }
  bool Finished() const { return finished_; }

 protected:
  virtual void Execute() = 0;
  // Runs the call on the user-interface thread when it next processes
  // messages; false when the thread was terminated before it ran.
  bool Synchronize(const std::function<void()>& call);
  // Waits until Resume or Terminate.
  void SuspendSelf();

 private:
  void Run() noexcept;

  std::thread thread_;
  std::atomic<bool> terminated_{false};
  std::atomic<bool> suspended_{true};
  std::atomic<bool> finished_{false};
  bool started_ = false;
  bool resumeRequested_ = false;  // guarded by the synchronization lock
};

}  // namespace lumora::win
