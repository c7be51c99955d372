#include "platform/threadmessage.h"

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "platform/lasterror.h"
#include "platform/thread.h"

namespace platform {

namespace {

struct MessageQueue {
  std::mutex mutex;
  std::condition_variable posted;
  std::deque<ThreadMessage> messages;
};

struct QueueTable {
  std::mutex mutex;
  std::unordered_map<std::uint32_t, std::shared_ptr<MessageQueue>> queues;
};

QueueTable& Table() {
  static auto* table = new QueueTable;  // outlives every thread's exit
  return *table;
}

std::shared_ptr<MessageQueue> FindQueue(std::uint32_t threadId) {
  QueueTable& table = Table();
  std::lock_guard lock(table.mutex);
  auto it = table.queues.find(threadId);
  return it != table.queues.end() ? it->second : nullptr;
}

// The calling thread's queue, made at its first use and withdrawn when the
// thread ends, so that a later thread with a reused id starts empty.
class OwnQueue {
 public:
  OwnQueue() : threadId_(GetCurrentThreadId()), queue_(std::make_shared<MessageQueue>()) {
    QueueTable& table = Table();
    std::lock_guard lock(table.mutex);
    table.queues[threadId_] = queue_;
  }
  ~OwnQueue() {
    QueueTable& table = Table();
    std::lock_guard lock(table.mutex);
    auto it = table.queues.find(threadId_);
    if (it != table.queues.end() && it->second == queue_) table.queues.erase(it);
  }
  MessageQueue& Queue() { return *queue_; }

 private:
  std::uint32_t threadId_;
  std::shared_ptr<MessageQueue> queue_;
};

MessageQueue& CurrentQueue() {
  thread_local OwnQueue own;
  return own.Queue();
}

}  // namespace

bool PostThreadMessage(std::uint32_t threadId, std::uint32_t message, std::uintptr_t wParam,
                       std::intptr_t lParam) {
  std::shared_ptr<MessageQueue> queue = FindQueue(threadId);
  if (queue == nullptr) {
    SetLastError(kErrorInvalidThreadId);
    return false;
  }
  {
    std::lock_guard lock(queue->mutex);
    queue->messages.push_back({message, wParam, lParam});
  }
  queue->posted.notify_one();
  return true;
}

int GetMessage(ThreadMessage* message) {
  MessageQueue& queue = CurrentQueue();
  std::unique_lock lock(queue.mutex);
  queue.posted.wait(lock, [&] { return !queue.messages.empty(); });
  const ThreadMessage next = queue.messages.front();
  queue.messages.pop_front();
  if (message != nullptr) *message = next;
  return next.message == kQuitMessage ? 0 : 1;
}

bool PeekMessage(ThreadMessage* message, bool remove) {
  MessageQueue& queue = CurrentQueue();
  std::lock_guard lock(queue.mutex);
  if (queue.messages.empty()) return false;
  if (message != nullptr) *message = queue.messages.front();
  if (remove) queue.messages.pop_front();
  return true;
}

}  // namespace platform
