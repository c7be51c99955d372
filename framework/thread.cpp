#include "framework/thread.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QThread>
#include <deque>

#include "framework/application.h"

namespace {

struct PendingCall {
  TThreadMethod method;
  // Set for synchronised calls, which the caller waits for.
  bool waited = false;
  bool done = false;
  std::exception_ptr error;
};

// The queue of calls for the window thread. One lock and one condition
// serve both the calls and the ends of threads, so WaitFor can sleep on
// "a call arrived or the thread ended".
struct WindowQueue {
  std::mutex mutex;
  std::condition_variable changed;
  std::deque<PendingCall*> calls;
};

WindowQueue& Calls() {
  static WindowQueue queue;
  return queue;
}

std::atomic<std::thread::id>& WindowThreadId() {
  static std::atomic<std::thread::id> id{};
  return id;
}

// Wakes the window thread's event loop to run the queue.
class SyncPump : public QObject {
 public:
  bool event(QEvent* e) override {
    if (e->type() != QEvent::User) return QObject::event(e);
    CheckSynchronize();
    return true;
  }
};

SyncPump* Pump() {
  static SyncPump* pump = [] {
    auto* p = new SyncPump();
    if (QCoreApplication::instance()) p->moveToThread(QCoreApplication::instance()->thread());
    return p;
  }();
  return pump;
}

void WakeWindowThread() {
  if (QCoreApplication::instance()) QCoreApplication::postEvent(Pump(), new QEvent(QEvent::User));
}

void Post(PendingCall* call) {
  {
    std::lock_guard lock(Calls().mutex);
    Calls().calls.push_back(call);
  }
  Calls().changed.notify_all();
  WakeWindowThread();
}

int NiceValue(TThreadPriority p) {
  static const int kNice[] = {19, 10, 5, 0, -5, -10, -20};
  return kNice[p];
}

}  // namespace

bool IsWindowThread() {
  auto& id = WindowThreadId();
  if (QCoreApplication::instance()) return QCoreApplication::instance()->thread() == QThread::currentThread();
  std::thread::id expected{};
  id.compare_exchange_strong(expected, std::this_thread::get_id());
  return id.load() == std::this_thread::get_id();
}

bool CheckSynchronize() {
  if (!IsWindowThread()) return false;
  bool ran = false;
  while (true) {
    PendingCall* call = nullptr;
    {
      std::lock_guard lock(Calls().mutex);
      if (Calls().calls.empty()) break;
      call = Calls().calls.front();
      Calls().calls.pop_front();
    }
    ran = true;
    if (call->waited) {
      try {
        call->method();
      } catch (...) {
        call->error = std::current_exception();
      }
      {
        std::lock_guard lock(Calls().mutex);
        call->done = true;
      }
      Calls().changed.notify_all();
    } else {
      Application->Guard(nullptr, call->method);
      delete call;
    }
  }
  return ran;
}

void QueueOnWindowThread(TThreadMethod method) { Post(new PendingCall{std::move(method), false, false, nullptr}); }

// ---- TThread ----

TThread::TThread(bool createSuspended) {
  IsWindowThread();  // fixes the window thread before any worker asks
  Pump();
  thread_ = std::thread([this] { Run(); });
  if (!createSuspended) {
    pendingStart_ = std::make_shared<std::atomic<TThread*>>(this);
    QueueOnWindowThread([start = pendingStart_] {
      if (TThread* thread = start->exchange(nullptr)) thread->Resume();
    });
  }
}

void TThread::TerminateAndWait() {
  Terminate();
  if (!Suspended() || (pendingStart_ && pendingStart_->load())) WaitFor();
}

TThread::~TThread() {
  if (pendingStart_) pendingStart_->store(nullptr);
  if (thread_.joinable()) {
    bool wasStarted = true;
    {
      std::lock_guard lock(startMutex_);
      if (!started_) {
        wasStarted = false;
        abandoned_ = true;
        started_ = true;
        startCondition_.notify_all();
      }
    }
    if (wasStarted) {
      Terminate();
      if (thread_.get_id() == std::this_thread::get_id()) thread_.detach();
      else WaitFor();
    }
  }
  if (thread_.joinable()) thread_.join();
}

void TThread::Resume() {
  if (pendingStart_) pendingStart_->store(nullptr);
  std::lock_guard lock(startMutex_);
  if (started_) return;
  started_ = true;
  startCondition_.notify_all();
}

void TThread::Run() {
  {
    std::unique_lock lock(startMutex_);
    startCondition_.wait(lock, [this] { return started_; });
    if (abandoned_) return;
  }
  threadId_ = static_cast<std::uint32_t>(::syscall(SYS_gettid));
  SetPriority(priority_);
  try {
    Execute();
  } catch (...) {
    fatal_ = std::current_exception();
  }
  if (OnTerminate) {
    try {
      Synchronize([this] { OnTerminate(this); });
    } catch (...) {
    }
  }
  {
    std::lock_guard lock(Calls().mutex);
    finished_ = true;
  }
  Calls().changed.notify_all();
  if (freeOnTerminate_) {
    thread_.detach();
    // The thread deletes its own object: queued on the window thread, so
    // no one is waiting in this object's members.
    QueueOnWindowThread([this] { delete this; });
  }
}

int TThread::WaitFor() {
  if (thread_.get_id() == std::this_thread::get_id()) throw EThread("A thread cannot wait for itself");
  if (pendingStart_ && pendingStart_->exchange(nullptr)) Resume();
  if (!started_) throw EThread("Cannot wait for a thread that was never started");
  if (IsWindowThread()) {
    // Serve the calls the thread may be blocked on while waiting for it.
    while (true) {
      CheckSynchronize();
      std::unique_lock lock(Calls().mutex);
      Calls().changed.wait(lock, [this] { return finished_.load() || !Calls().calls.empty(); });
      if (finished_ && Calls().calls.empty()) break;
    }
  } else {
    std::unique_lock lock(Calls().mutex);
    Calls().changed.wait(lock, [this] { return finished_.load(); });
  }
  if (thread_.joinable()) thread_.join();
  return returnValue_;
}

void TThread::SetPriority(TThreadPriority priority) {
  priority_ = priority;
  // Raising needs privileges the program usually lacks; a refusal is not an
  // error.
  if (threadId_ != 0) (void)::setpriority(PRIO_PROCESS, threadId_, NiceValue(priority));
}

void TThread::Synchronize(const TThreadMethod& method) { Synchronize(this, method); }

void TThread::Synchronize(TThread*, const TThreadMethod& method) {
  if (IsWindowThread()) {
    method();
    return;
  }
  PendingCall call{method, true, false, nullptr};
  Post(&call);
  {
    std::unique_lock lock(Calls().mutex);
    Calls().changed.wait(lock, [&] { return call.done; });
  }
  if (call.error) std::rethrow_exception(call.error);
}

void TThread::Queue(TThread*, const TThreadMethod& method) {
  QueueOnWindowThread(method);
}
