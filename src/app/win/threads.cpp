#include "app/win/threads.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>

namespace lumora::win {

namespace {

constexpr UINT kSynchronizeMessage = WM_APP + 10;
constexpr UINT_PTR kSynchronizeTimer = 1;
// The window thread runs workers' calls in slices of this length, then
// leaves a pause for input and painting before the next slice: a worker
// that finds files faster than the window takes them never floods the
// queue with messages that would come before the user's input.
constexpr auto kSlice = std::chrono::milliseconds(20);
constexpr UINT kPauseMs = 10;
// How long a slice waits for a worker's next call before it ends early.
constexpr auto kNextCallWait = std::chrono::microseconds(500);

struct Request {
  std::function<void()> call;
  const TThread* owner = nullptr;
  std::atomic<bool> done{false};
  std::atomic<bool> cancelled{false};
};

// One lock for every worker: it guards the queue of synchronized calls and
// the workers' resume requests. Contention is one worker step at a time.
std::mutex g_lock;
std::condition_variable g_changed;
std::deque<std::shared_ptr<Request>> g_requests;
std::atomic<int> g_queued{0};  // entries of g_requests, readable without the lock
bool g_wakePending = false;     // a message or the pause timer will run the queue

// A hand-over between the two threads costs two wake-ups through the
// kernel (under Wine, through its server) when each side blocks at once;
// a short spin first lets a quick partner answer without them.
constexpr auto kSpin = std::chrono::microseconds(100);

template <typename Ready>
bool SpinFor(Ready&& ready) {
  const auto until = std::chrono::steady_clock::now() + kSpin;
  do {
    for (int i = 0; i < 64; ++i) {
      if (ready()) return true;
      YieldProcessor();
    }
  } while (std::chrono::steady_clock::now() < until);
  return ready();
}
HWND g_window = nullptr;

void RunPendingCalls() {
  ::KillTimer(g_window, kSynchronizeTimer);
  const auto sliceEnd = std::chrono::steady_clock::now() + kSlice;
  std::unique_lock<std::mutex> lock(g_lock);
  for (;;) {
    if (g_requests.empty()) {
      // A worker that is quick about its next call gets it run in this
      // slice; otherwise its next call wakes the window again.
      lock.unlock();
      SpinFor([] { return g_queued.load() > 0; });
      lock.lock();
      g_changed.wait_for(lock, kNextCallWait, [] { return !g_requests.empty(); });
      if (g_requests.empty()) {
        g_wakePending = false;
        return;
      }
    }
    if (std::chrono::steady_clock::now() >= sliceEnd) {
      ::SetTimer(g_window, kSynchronizeTimer, kPauseMs, nullptr);  // g_wakePending stays set
      return;
    }
    std::shared_ptr<Request> request = g_requests.front();
    g_requests.pop_front();
    --g_queued;
    lock.unlock();
    // Cancelled requests are taken off the queue by Terminate, which runs on
    // this thread too: a request found here is still wanted.
    try {
      request->call();
    } catch (...) {
      // A worker's errors are not shown to the user.
    }
    request->done = true;
    lock.lock();
    g_changed.notify_all();
  }
}

LRESULT CALLBACK SynchronizeWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kSynchronizeMessage || (message == WM_TIMER && wParam == kSynchronizeTimer)) {
    RunPendingCalls();
    return 0;
  }
  return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

// A message-only window of the user-interface thread that receives the
// workers' requests.
void EnsureWindow() {
  if (g_window) return;
  WNDCLASSW wc{};
  wc.lpfnWndProc = SynchronizeWindowProc;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = L"LumoraSynchronize";
  ::RegisterClassW(&wc);
  g_window = ::CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
}

}  // namespace

TThread::TThread() { EnsureWindow(); }

TThread::~TThread() {
  Terminate();
  WaitFor();
}

void TThread::Resume() {
  if (!started_) {
    started_ = true;
    suspended_ = false;
    thread_ = std::thread([this] { Run(); });
    return;
  }
  {
    std::lock_guard<std::mutex> lock(g_lock);
    resumeRequested_ = true;
  }
  g_changed.notify_all();
}

void TThread::Terminate() {
  {
    std::lock_guard<std::mutex> lock(g_lock);
    terminated_ = true;
    for (auto it = g_requests.begin(); it != g_requests.end();) {
      if ((*it)->owner == this) {
        (*it)->cancelled = true;
        it = g_requests.erase(it);
        --g_queued;
      } else {
        ++it;
      }
    }
  }
  g_changed.notify_all();
}

void TThread::WaitFor() {
  if (thread_.joinable()) thread_.join();
}

bool TThread::Synchronize(const std::function<void()>& call) {
  auto request = std::make_shared<Request>();
  request->call = call;
  request->owner = this;
  std::unique_lock<std::mutex> lock(g_lock);
  if (terminated_) return false;
  g_requests.push_back(request);
  ++g_queued;
  g_changed.notify_all();  // a slice in progress takes it at once
  if (!g_wakePending) {
    if (!::PostMessageW(g_window, kSynchronizeMessage, 0, 0)) {
      g_requests.pop_back();
      --g_queued;
      return false;
    }
    g_wakePending = true;
  }
  lock.unlock();
  const auto answered = [&] { return request->done.load() || request->cancelled.load(); };
  if (!SpinFor(answered)) {
    lock.lock();
    g_changed.wait(lock, answered);
  }
  return request->done;
}

void TThread::SuspendSelf() {
  std::unique_lock<std::mutex> lock(g_lock);
  suspended_ = true;
  g_changed.wait(lock, [&] { return resumeRequested_ || terminated_.load(); });
  resumeRequested_ = false;
  suspended_ = false;
}

void TThread::Run() noexcept {
  try {
    Execute();
  } catch (...) {
    // The thread ends; its owner sees Finished.
  }
  finished_ = true;
}

}  // namespace lumora::win
