#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <set>
#include <thread>
#include <vector>

#include "platform/handles.h"
#include "platform/kernelobject.h"
#include "platform/lasterror.h"
#include "platform/module.h"
#include "platform/sync.h"
#include "platform/thread.h"

namespace {

using namespace platform;

constexpr std::uint32_t kLongWait = 60'000;  // never reached when the code works

class PlainObject : public KernelObject {};

// Closes a handle at the end of a test.
struct HandleCloser {
  Handle handle;
  ~HandleCloser() { CloseHandle(handle); }
};

// Runs fn on a new thread and returns its handle.
Handle StartThread(ThreadFunction fn) {
  Handle thread = CreateThread(std::move(fn), false, nullptr);
  EXPECT_NE(thread, kNullHandle);
  return thread;
}

// Runs fn on a new thread, waits for it to end and returns its exit code.
std::uint32_t RunOnOtherThread(ThreadFunction fn) {
  Handle thread = StartThread(std::move(fn));
  EXPECT_EQ(WaitForSingleObject(thread, kLongWait), kWaitObject0);
  std::uint32_t exitCode = 0;
  EXPECT_TRUE(GetExitCodeThread(thread, &exitCode));
  CloseHandle(thread);
  return exitCode;
}

TEST(Handles, AreUniquePositive31BitValuesThatCloseOnce) {
  std::set<Handle> handles;
  for (int i = 0; i < 100; ++i) {
    Handle handle = RegisterObject(std::make_shared<PlainObject>());
    EXPECT_GT(handle, 0);
    EXPECT_TRUE(handles.insert(handle).second);
  }
  for (Handle handle : handles) {
    EXPECT_NE(LookupObject(handle), nullptr);
    EXPECT_TRUE(CloseHandle(handle));
    EXPECT_EQ(LookupObject(handle), nullptr);
    SetLastError(0);
    EXPECT_FALSE(CloseHandle(handle));
    EXPECT_EQ(GetLastError(), kErrorInvalidHandle);
  }
  EXPECT_FALSE(CloseHandle(kNullHandle));
  EXPECT_FALSE(CloseHandle(-4));
  EXPECT_EQ(RegisterObject(nullptr), kNullHandle);
}

TEST(Events, ManualResetStaysSignalledAndAutoResetReleasesOneWait) {
  const struct {
    bool manualReset;
    bool initialState;
    std::uint32_t firstWait;
    std::uint32_t secondWait;
  } cases[] = {
      {true, true, kWaitObject0, kWaitObject0},
      {false, true, kWaitObject0, kWaitTimeout},
      {true, false, kWaitTimeout, kWaitTimeout},
      {false, false, kWaitTimeout, kWaitTimeout},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "manual " << c.manualReset << " initial " << c.initialState);
    HandleCloser event{CreateEvent(c.manualReset, c.initialState, nullptr)};
    EXPECT_EQ(WaitForSingleObject(event.handle, 0), c.firstWait);
    EXPECT_EQ(WaitForSingleObject(event.handle, 0), c.secondWait);
    EXPECT_TRUE(SetEvent(event.handle));
    EXPECT_TRUE(ResetEvent(event.handle));
    EXPECT_EQ(WaitForSingleObject(event.handle, 0), kWaitTimeout);
  }
}

TEST(Events, SetEventWakesAWaiterOnAnotherThread) {
  HandleCloser event{CreateEvent(false, false, nullptr)};
  Handle waiter = StartThread([&] { return WaitForSingleObject(event.handle, kLongWait); });
  EXPECT_TRUE(SetEvent(event.handle));
  ASSERT_EQ(WaitForSingleObject(waiter, kLongWait), kWaitObject0);
  std::uint32_t result = 0;
  GetExitCodeThread(waiter, &result);
  EXPECT_EQ(result, kWaitObject0);
  EXPECT_EQ(WaitForSingleObject(event.handle, 0), kWaitTimeout);  // the waiter took it
  CloseHandle(waiter);
}

TEST(Events, PulseLeavesTheEventNonSignalled) {
  for (bool manualReset : {true, false}) {
    HandleCloser event{CreateEvent(manualReset, true, nullptr)};
    EXPECT_TRUE(PulseEvent(event.handle));
    EXPECT_EQ(WaitForSingleObject(event.handle, 0), kWaitTimeout) << manualReset;
  }
}

TEST(Events, PulseOfAManualResetEventReleasesWaitingThreads) {
  HandleCloser event{CreateEvent(true, false, nullptr)};
  Handle waiters[] = {StartThread([&] { return WaitForSingleObject(event.handle, kLongWait); }),
                      StartThread([&] { return WaitForSingleObject(event.handle, kLongWait); })};
  // A pulse only releases threads that already wait, so pulse until both went.
  std::uint32_t result = kWaitTimeout;
  for (int attempt = 0; attempt < 1000 && result == kWaitTimeout; ++attempt) {
    PulseEvent(event.handle);
    result = WaitForMultipleObjects(2, waiters, true, 10);
  }
  EXPECT_EQ(result, kWaitObject0);
  for (Handle waiter : waiters) {
    std::uint32_t exitCode = 0;
    GetExitCodeThread(waiter, &exitCode);
    EXPECT_EQ(exitCode, kWaitObject0);
    CloseHandle(waiter);
  }
}

TEST(Waits, WaitAnyReportsTheLowestSignalledIndexAndTakesOnlyThatObject) {
  Handle events[3];
  for (Handle& event : events) event = CreateEvent(false, false, nullptr);
  EXPECT_EQ(WaitForMultipleObjects(3, events, false, 0), kWaitTimeout);

  SetEvent(events[2]);
  SetEvent(events[1]);
  EXPECT_EQ(WaitForMultipleObjects(3, events, false, 0), kWaitObject0 + 1);
  EXPECT_EQ(WaitForMultipleObjects(3, events, false, 0), kWaitObject0 + 2);
  EXPECT_EQ(WaitForMultipleObjects(3, events, false, 0), kWaitTimeout);
  for (Handle event : events) CloseHandle(event);
}

TEST(Waits, WaitAllTakesEveryObjectAtOnceOrNone) {
  Handle events[2] = {CreateEvent(false, true, nullptr), CreateEvent(false, false, nullptr)};
  EXPECT_EQ(WaitForMultipleObjects(2, events, true, 0), kWaitTimeout);
  // The failed wait-all must not have consumed the signalled auto-reset event.
  EXPECT_EQ(WaitForSingleObject(events[0], 0), kWaitObject0);

  SetEvent(events[0]);
  Handle waiter = StartThread([&] { return WaitForMultipleObjects(2, events, true, kLongWait); });
  SetEvent(events[1]);
  ASSERT_EQ(WaitForSingleObject(waiter, kLongWait), kWaitObject0);
  std::uint32_t result = 0;
  GetExitCodeThread(waiter, &result);
  EXPECT_EQ(result, kWaitObject0);
  EXPECT_EQ(WaitForMultipleObjects(2, events, false, 0), kWaitTimeout);  // both taken
  CloseHandle(waiter);
  for (Handle event : events) CloseHandle(event);
}

TEST(Waits, BadArgumentsFail) {
  HandleCloser event{CreateEvent(true, true, nullptr)};
  HandleCloser plain{RegisterObject(std::make_shared<PlainObject>())};
  Handle closed = CreateEvent(true, true, nullptr);
  CloseHandle(closed);
  std::vector<Handle> tooMany(kMaximumWaitObjects + 1, event.handle);
  Handle twice[] = {event.handle, event.handle};

  const struct {
    const char* what;
    std::uint32_t count;
    const Handle* handles;
    bool waitAll;
    std::uint32_t error;
  } cases[] = {
      {"closed handle", 1, &closed, false, kErrorInvalidHandle},
      {"object that cannot be waited on", 1, &plain.handle, false, kErrorInvalidHandle},
      {"no objects", 0, &event.handle, false, kErrorInvalidParameter},
      {"too many objects", static_cast<std::uint32_t>(tooMany.size()), tooMany.data(), false,
       kErrorInvalidParameter},
      {"one object twice in a wait-all", 2, twice, true, kErrorInvalidParameter},
  };
  for (const auto& c : cases) {
    SetLastError(0);
    EXPECT_EQ(WaitForMultipleObjects(c.count, c.handles, c.waitAll, 0), kWaitFailed) << c.what;
    EXPECT_EQ(GetLastError(), c.error) << c.what;
  }
  EXPECT_EQ(WaitForMultipleObjects(2, twice, false, 0), kWaitObject0);  // fine for wait-any
  EXPECT_FALSE(SetEvent(plain.handle));
}

TEST(Mutexes, AreRecursiveAndOnlyTheOwnerReleasesThem) {
  HandleCloser mutex{CreateMutex(true, nullptr)};
  EXPECT_EQ(WaitForSingleObject(mutex.handle, 0), kWaitObject0);  // owner enters again
  EXPECT_EQ(RunOnOtherThread([&] {
              SetLastError(0);
              bool released = ReleaseMutex(mutex.handle);
              return released ? 0u : GetLastError();
            }),
            kErrorNotOwner);
  EXPECT_EQ(RunOnOtherThread([&] { return WaitForSingleObject(mutex.handle, 0); }), kWaitTimeout);

  EXPECT_TRUE(ReleaseMutex(mutex.handle));
  EXPECT_EQ(RunOnOtherThread([&] { return WaitForSingleObject(mutex.handle, 0); }), kWaitTimeout);
  EXPECT_TRUE(ReleaseMutex(mutex.handle));
  SetLastError(0);
  EXPECT_FALSE(ReleaseMutex(mutex.handle));
  EXPECT_EQ(GetLastError(), kErrorNotOwner);
}

TEST(Mutexes, ReleaseHandsTheMutexToAWaitingThread) {
  HandleCloser mutex{CreateMutex(true, nullptr)};
  HandleCloser taken{CreateEvent(true, false, nullptr)};
  HandleCloser done{CreateEvent(true, false, nullptr)};
  Handle waiter = StartThread([&] {
    std::uint32_t result = WaitForSingleObject(mutex.handle, kLongWait);
    SetEvent(taken.handle);
    WaitForSingleObject(done.handle, kLongWait);
    ReleaseMutex(mutex.handle);
    return result;
  });
  EXPECT_EQ(WaitForSingleObject(taken.handle, 50), kWaitTimeout);
  ReleaseMutex(mutex.handle);
  EXPECT_EQ(WaitForSingleObject(taken.handle, kLongWait), kWaitObject0);
  EXPECT_EQ(WaitForSingleObject(mutex.handle, 0), kWaitTimeout);  // the waiter owns it now
  SetEvent(done.handle);
  EXPECT_EQ(WaitForSingleObject(waiter, kLongWait), kWaitObject0);
  EXPECT_EQ(WaitForSingleObject(mutex.handle, 0), kWaitObject0);
  ReleaseMutex(mutex.handle);
  CloseHandle(waiter);
}

TEST(Mutexes, AreAbandonedWhenTheOwnerThreadEnds) {
  // Whether the thread came from CreateThread or elsewhere, its end abandons.
  const struct {
    const char* what;
    void (*runToEnd)(Handle mutex);
  } owners[] = {
      {"CreateThread", [](Handle mutex) {
         RunOnOtherThread([=] { return WaitForSingleObject(mutex, 0); });
       }},
      {"std::thread", [](Handle mutex) { std::thread([=] { WaitForSingleObject(mutex, 0); }).join(); }},
  };
  for (const auto& owner : owners) {
    SCOPED_TRACE(owner.what);
    HandleCloser other{CreateEvent(false, false, nullptr)};
    HandleCloser mutex{CreateMutex(false, nullptr)};
    owner.runToEnd(mutex.handle);

    Handle objects[] = {other.handle, mutex.handle};
    EXPECT_EQ(WaitForMultipleObjects(2, objects, false, 0), kWaitAbandoned0 + 1);
    // The abandoned wait took ownership, and the next one is ordinary.
    EXPECT_EQ(RunOnOtherThread([&] { return WaitForSingleObject(mutex.handle, 0); }), kWaitTimeout);
    EXPECT_EQ(WaitForSingleObject(mutex.handle, 0), kWaitObject0);
    EXPECT_TRUE(ReleaseMutex(mutex.handle));
    EXPECT_TRUE(ReleaseMutex(mutex.handle));
  }
}

TEST(NamedObjects, ShareOneObjectPerNameUntilTheLastHandleCloses) {
  SetLastError(12345);
  Handle first = CreateEvent(true, false, "kernel-test.shared");
  EXPECT_EQ(GetLastError(), kErrorSuccess);
  Handle second = CreateEvent(false, true, "kernel-test.shared");  // flags ignored
  EXPECT_EQ(GetLastError(), kErrorAlreadyExists);
  Handle opened = OpenEvent("kernel-test.shared");
  ASSERT_NE(second, kNullHandle);
  EXPECT_NE(second, first);
  EXPECT_NE(opened, kNullHandle);

  EXPECT_EQ(WaitForSingleObject(second, 0), kWaitTimeout);
  SetEvent(opened);
  EXPECT_EQ(WaitForSingleObject(first, 0), kWaitObject0);
  EXPECT_EQ(WaitForSingleObject(second, 0), kWaitObject0);  // manual reset, as first created

  CloseHandle(first);
  CloseHandle(second);
  EXPECT_EQ(WaitForSingleObject(opened, 0), kWaitObject0);  // still the same object
  CloseHandle(opened);

  SetLastError(0);
  EXPECT_EQ(OpenEvent("kernel-test.shared"), kNullHandle);
  EXPECT_EQ(GetLastError(), kErrorFileNotFound);
  HandleCloser renewed{CreateEvent(true, false, "kernel-test.shared")};
  EXPECT_EQ(GetLastError(), kErrorSuccess);
  EXPECT_EQ(WaitForSingleObject(renewed.handle, 0), kWaitTimeout);
}

TEST(NamedObjects, ANameHeldByAnotherKindIsRefused) {
  HandleCloser mutex{CreateMutex(false, "kernel-test.kind")};
  SetLastError(0);
  EXPECT_EQ(CreateEvent(true, false, "kernel-test.kind"), kNullHandle);
  EXPECT_EQ(GetLastError(), kErrorInvalidHandle);
  EXPECT_EQ(OpenEvent("kernel-test.kind"), kNullHandle);
  HandleCloser sameMutex{OpenMutex("kernel-test.kind")};
  EXPECT_NE(sameMutex.handle, kNullHandle);
}

TEST(NamedObjects, OpeningAnExistingMutexDoesNotTakeIt) {
  HandleCloser created{CreateMutex(false, "kernel-test.mutex")};
  std::uint32_t result = RunOnOtherThread([] {
    Handle opened = CreateMutex(true, "kernel-test.mutex");
    std::uint32_t error = GetLastError();
    CloseHandle(opened);
    return error;
  });
  EXPECT_EQ(result, kErrorAlreadyExists);
  EXPECT_EQ(WaitForSingleObject(created.handle, 0), kWaitObject0);  // not abandoned, just free
  ReleaseMutex(created.handle);
}

TEST(Threads, StartSuspendedRunToTheirExitCodeAndKnowTheirId) {
  HandleCloser ran{CreateEvent(true, false, nullptr)};
  std::uint32_t idInside = 0;
  std::uint32_t id = 0;
  Handle thread = CreateThread(
      [&] {
        idInside = GetCurrentThreadId();
        SetEvent(ran.handle);
        return 42u;
      },
      true, &id);
  ASSERT_NE(thread, kNullHandle);
  EXPECT_NE(id, 0u);
  EXPECT_NE(id, GetCurrentThreadId());

  std::uint32_t exitCode = 0;
  EXPECT_TRUE(GetExitCodeThread(thread, &exitCode));
  EXPECT_EQ(exitCode, kStillActive);
  EXPECT_EQ(WaitForSingleObject(ran.handle, 100), kWaitTimeout);

  EXPECT_EQ(ResumeThread(thread), 1u);
  EXPECT_EQ(WaitForSingleObject(thread, kLongWait), kWaitObject0);
  EXPECT_EQ(WaitForSingleObject(thread, 0), kWaitObject0);  // stays signalled
  EXPECT_TRUE(GetExitCodeThread(thread, &exitCode));
  EXPECT_EQ(exitCode, 42u);
  EXPECT_EQ(idInside, id);
  EXPECT_EQ(ResumeThread(thread), 0u);
  EXPECT_TRUE(CloseHandle(thread));  // joins the ended thread
}

TEST(Threads, ClosingTheHandleOfARunningThreadLetsItFinish) {
  HandleCloser go{CreateEvent(true, false, nullptr)};
  HandleCloser finished{CreateEvent(true, false, nullptr)};
  Handle thread = StartThread([&] {
    WaitForSingleObject(go.handle, kLongWait);
    SetEvent(finished.handle);
    return 0u;
  });
  EXPECT_TRUE(CloseHandle(thread));
  SetEvent(go.handle);
  EXPECT_EQ(WaitForSingleObject(finished.handle, kLongWait), kWaitObject0);
}

TEST(Threads, PrioritiesAreBestEffort) {
  HandleCloser go{CreateEvent(true, false, nullptr)};
  HandleCloser thread{StartThread([&] { return WaitForSingleObject(go.handle, kLongWait); })};
  for (int priority : {kThreadPriorityTimeCritical, kThreadPriorityHighest, kThreadPriorityIdle,
                       kThreadPriorityNormal}) {
    EXPECT_TRUE(SetThreadPriority(thread.handle, priority)) << priority;
    EXPECT_EQ(GetThreadPriority(thread.handle), priority);
  }
  SetLastError(0);
  EXPECT_FALSE(SetThreadPriority(thread.handle, 7));
  EXPECT_EQ(GetLastError(), kErrorInvalidParameter);
  EXPECT_TRUE(SetPriorityClass(kRealtimePriorityClass));
  EXPECT_TRUE(SetPriorityClass(kNormalPriorityClass));
  SetEvent(go.handle);
  EXPECT_EQ(WaitForSingleObject(thread.handle, kLongWait), kWaitObject0);

  HandleCloser event{CreateEvent(true, false, nullptr)};
  EXPECT_FALSE(SetThreadPriority(event.handle, kThreadPriorityNormal));
  EXPECT_EQ(GetThreadPriority(event.handle), kThreadPriorityErrorReturn);
  EXPECT_EQ(ResumeThread(event.handle), 0xFFFFFFFFu);
}

// Three libraries share one event: one creates it by name, one waits on it
// on its own thread, one sets it by handle.
TEST(Libraries, AnEventCreatedInOneLibraryAndSetInAnotherWakesAWaiterInAThird) {
  ModuleHandle maker = LoadLibrary("FWTEST_EVENTMAKER.DLL");
  ModuleHandle setter = LoadLibrary("fwtest_eventsetter.dll");
  ModuleHandle waiter = LoadLibrary("Fwtest_EventWaiter.dll");
  ASSERT_TRUE(maker && setter && waiter);
  auto makeEvent = BindEntryPoint<std::int32_t (*)(const char*)>(maker, "MakeEvent");
  auto setEvent = BindEntryPoint<std::int32_t (*)(std::int32_t)>(setter, "SetEventByHandle");
  auto startWaiter = BindEntryPoint<std::int32_t (*)(std::int32_t, std::uint32_t)>(waiter, "StartWaiter");
  ASSERT_TRUE(makeEvent && setEvent && startWaiter);

  Handle event = makeEvent("kernel-test.cross-library");
  ASSERT_NE(event, kNullHandle);
  Handle waitingThread = startWaiter(event, kLongWait);
  ASSERT_NE(waitingThread, kNullHandle);
  EXPECT_EQ(setEvent(event), 1);

  ASSERT_EQ(WaitForSingleObject(waitingThread, kLongWait), kWaitObject0);
  std::uint32_t waitResult = kWaitFailed;
  GetExitCodeThread(waitingThread, &waitResult);
  EXPECT_EQ(waitResult, kWaitObject0);
  CloseHandle(waitingThread);
  CloseHandle(event);
  for (ModuleHandle module : {maker, setter, waiter}) FreeLibrary(module);
}

}  // namespace
