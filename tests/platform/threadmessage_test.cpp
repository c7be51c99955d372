#include "platform/threadmessage.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/handles.h"
#include "platform/lasterror.h"
#include "platform/sync.h"
#include "platform/thread.h"
#include "tests/support/eventually.h"

namespace {

using namespace platform;

constexpr std::uint32_t kLongWait = 60'000;  // never reached when the code works

// A thread running a message loop that records what it takes until the loop
// ends; it hands its id out only once its queue exists.
struct LoopThread {
  LoopThread() {
    Handle ready = CreateEvent(true, false, nullptr);
    handle = CreateThread(
        [this, ready] {
          ThreadMessage message;
          PeekMessage(&message, false);
          SetEvent(ready);
          while (GetMessage(&message) > 0) taken.push_back(message);
          return std::uint32_t{0};
        },
        false, &id);
    WaitForSingleObject(ready, kLongWait);
    CloseHandle(ready);
  }
  ~LoopThread() { CloseHandle(handle); }
  bool Ended() { return WaitForSingleObject(handle, kLongWait) == kWaitObject0; }

  Handle handle = kNullHandle;
  std::uint32_t id = 0;
  std::vector<ThreadMessage> taken;
};

TEST(ThreadMessage, PostedMessagesArriveInOrderUntilTheQuitMessage) {
  LoopThread loop;
  ASSERT_TRUE(PostThreadMessage(loop.id, 1025, 7, -3));
  ASSERT_TRUE(PostThreadMessage(loop.id, 0, 0, 0));  // an empty message only wakes
  ASSERT_TRUE(PostThreadMessage(loop.id, kQuitMessage, 0, 0));
  ASSERT_TRUE(loop.Ended());
  ASSERT_EQ(loop.taken.size(), 2u);
  EXPECT_EQ(loop.taken[0].message, 1025u);
  EXPECT_EQ(loop.taken[0].wParam, 7u);
  EXPECT_EQ(loop.taken[0].lParam, -3);
  EXPECT_EQ(loop.taken[1].message, 0u);
  // The queue goes with its thread, just after the thread's handle is
  // signalled.
  EXPECT_TRUE(benchtest::Eventually([&] { return !PostThreadMessage(loop.id, 1025, 0, 0); }));
  EXPECT_EQ(GetLastError(), kErrorInvalidThreadId);
}

TEST(ThreadMessage, AThreadWithoutAQueueTakesNoMessages) {
  std::uint32_t id = 0;
  Handle idle = CreateThread([] { return std::uint32_t{0}; }, true, &id);
  EXPECT_FALSE(PostThreadMessage(id, 1025, 0, 0));
  EXPECT_EQ(GetLastError(), kErrorInvalidThreadId);
  ResumeThread(idle);
  WaitForSingleObject(idle, kLongWait);
  CloseHandle(idle);
}

TEST(ThreadMessage, PeekLooksOrTakesWithoutWaiting) {
  ThreadMessage message;
  EXPECT_FALSE(PeekMessage(&message, true));
  ASSERT_TRUE(PostThreadMessage(GetCurrentThreadId(), 1025, 1, 0));
  ASSERT_TRUE(PeekMessage(&message, false));
  ASSERT_TRUE(PeekMessage(&message, true));
  EXPECT_EQ(message.message, 1025u);
  EXPECT_FALSE(PeekMessage(&message, true));
}

}  // namespace
