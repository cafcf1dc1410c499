// Waits and their time-outs on a monotonic clock, events, and mutexes as
// critical sections between threads; results and error numbers as the
// Win32 waits give them.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "platform/platform.h"
#include "platform/sync.h"

using namespace platform;

namespace {

using Clock = std::chrono::steady_clock;

int64_t MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// Windows may end a time-out up to one system tick early.
#ifdef _WIN32
constexpr int64_t kEarly = 16;
#else
constexpr int64_t kEarly = 0;
#endif

TEST(PlatformWaits, TimeOutsLastTheirTimeOnTheMonotonicClock) {
  SyncHandle never = CreateEventHandle(true, false);
  for (uint32_t timeout : {1u, 50u, 200u}) {
    const Clock::time_point start = Clock::now();
    const uint32_t ticks = TickCount();
    EXPECT_EQ(WaitForSingleObject(never, timeout), kWaitTimeout);
    const int64_t took = MillisecondsSince(start);
    EXPECT_GE(took, int64_t(timeout) - kEarly) << "time-out " << timeout;
    EXPECT_LT(took, int64_t(timeout) + 2000) << "time-out " << timeout;
    EXPECT_GE(int64_t(TickCount() - ticks), int64_t(timeout) - kEarly - 1);
  }
  const Clock::time_point start = Clock::now();
  EXPECT_EQ(WaitForSingleObject(never, 0), kWaitTimeout);
  EXPECT_LT(MillisecondsSince(start), 500) << "time-out 0 only looks";
  CloseHandle(never);
}

TEST(PlatformWaits, TickCountAndSleepFollowTheMonotonicClock) {
  const Clock::time_point start = Clock::now();
  const uint32_t first = TickCount();
  uint32_t previous = first;
  while (MillisecondsSince(start) < 100) {
    const uint32_t now = TickCount();
    EXPECT_LT(now - previous, 0x80000000u) << "the tick count went back";
    previous = now;
  }
  Sleep(100);
  const int64_t ticks = int64_t(TickCount() - first);
  const int64_t took = MillisecondsSince(start);
  EXPECT_GE(took, 200 - kEarly);
  EXPECT_GE(ticks, 200 - kEarly - 16);
  EXPECT_LE(ticks, took + 16);
}

TEST(PlatformWaits, ASignalEndsTheWaitBeforeItsTimeOut) {
  SyncHandle event = CreateEventHandle(false, false);
  std::thread setter([event] {
    Sleep(50);
    SetEvent(event);
  });
  const Clock::time_point start = Clock::now();
  EXPECT_EQ(WaitForSingleObject(event, 20000), kWaitObject0);
  EXPECT_LT(MillisecondsSince(start), 10000);
  setter.join();
  std::thread lateSetter([event] {
    Sleep(30);
    SetEvent(event);
  });
  EXPECT_EQ(WaitForSingleObject(event, kInfinite), kWaitObject0);
  lateSetter.join();
  CloseHandle(event);
}

TEST(PlatformEvents, AnAutoResetEventLetsOneOfTwoWaitersThrough) {
  SyncHandle event = CreateEventHandle(false, false);
  std::atomic<int> through{0}, timedOut{0};
  auto waiter = [&] { (WaitForSingleObject(event, 1500) == kWaitObject0 ? through : timedOut)++; };
  std::thread a(waiter), b(waiter);
  Sleep(100);
  SetEvent(event);
  a.join();
  b.join();
  EXPECT_EQ(through.load(), 1);
  EXPECT_EQ(timedOut.load(), 1);
  EXPECT_EQ(WaitForSingleObject(event, 0), kWaitTimeout) << "the one signal was taken";
  CloseHandle(event);
}

TEST(PlatformEvents, AManualResetEventLetsAllWaitersThroughUntilReset) {
  SyncHandle event = CreateEventHandle(true, false);
  std::atomic<int> through{0};
  std::vector<std::thread> waiters;
  for (int i = 0; i < 4; ++i)
    waiters.emplace_back([&] { through += WaitForSingleObject(event, 10000) == kWaitObject0; });
  Sleep(50);
  EXPECT_TRUE(SetEvent(event));
  for (std::thread& t : waiters) t.join();
  EXPECT_EQ(through.load(), 4);
  EXPECT_EQ(WaitForSingleObject(event, 0), kWaitObject0);
  EXPECT_TRUE(ResetEvent(event));
  EXPECT_EQ(WaitForSingleObject(event, 0), kWaitTimeout);
  SyncHandle autoEvent = CreateEventHandle(false, true);
  EXPECT_TRUE(ResetEvent(autoEvent));
  EXPECT_EQ(WaitForSingleObject(autoEvent, 0), kWaitTimeout) << "reset clears an auto-reset event too";
  CloseHandle(event);
  CloseHandle(autoEvent);
}

TEST(PlatformCriticalSections, AMutexLetsOneThreadAtATimeIn) {
  SyncHandle mutex = CreateMutexHandle(false);
  constexpr int kThreads = 4, kRounds = 400;
  int counter = 0;  // guarded by the mutex only
  std::atomic<int> inside{0}, overlaps{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < kRounds; ++i) {
        ASSERT_EQ(WaitForSingleObject(mutex, kInfinite), kWaitObject0);
        if (++inside != 1) ++overlaps;
        ASSERT_EQ(WaitForSingleObject(mutex, 0), kWaitObject0) << "the owner enters again";
        ++counter;
        ASSERT_TRUE(ReleaseMutex(mutex));
        --inside;
        ASSERT_TRUE(ReleaseMutex(mutex));
      }
    });
  }
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(counter, kThreads * kRounds);
  EXPECT_EQ(overlaps.load(), 0);
  CloseHandle(mutex);
}

TEST(PlatformCriticalSections, AWaiterTakesTheMutexWhenItsOwnerLeaves) {
  SyncHandle mutex = CreateMutexHandle(true);
  SyncHandle other = CreateEventHandle(true, false);
  std::atomic<uint32_t> result{99};
  std::thread waiter([&] {
    SyncHandle list[] = {other, mutex};
    result = WaitForMultipleObjects(2, list, false, 10000);
    if (result == kWaitObject0 + 1) ReleaseMutex(mutex);
  });
  Sleep(50);
  EXPECT_EQ(result.load(), 99u) << "held by this thread";
  EXPECT_TRUE(ReleaseMutex(mutex));
  waiter.join();
  EXPECT_EQ(result.load(), kWaitObject0 + 1);
  CloseHandle(mutex);
  CloseHandle(other);
}

TEST(PlatformWaits, WaitForAllTakesNothingUntilItTakesAll) {
  SyncHandle autoEvent = CreateEventHandle(false, true);
  SyncHandle mutex = CreateMutexHandle(false);
  SyncHandle manual = CreateEventHandle(true, false);
  SyncHandle list[] = {autoEvent, mutex, manual};
  EXPECT_EQ(WaitForMultipleObjects(3, list, true, 20), kWaitTimeout);
  std::atomic<uint32_t> other{99};
  std::thread([&] {
    other = WaitForSingleObject(mutex, 0);
    ReleaseMutex(mutex);
  }).join();
  EXPECT_EQ(other.load(), kWaitObject0) << "the failed wait left the mutex free";
  EXPECT_EQ(WaitForSingleObject(autoEvent, 0), kWaitObject0) << "the failed wait took nothing";
  SetEvent(autoEvent);
  SetEvent(manual);
  EXPECT_EQ(WaitForMultipleObjects(3, list, true, 1000), kWaitObject0);
  EXPECT_EQ(WaitForSingleObject(autoEvent, 0), kWaitTimeout);
  EXPECT_TRUE(ReleaseMutex(mutex));
  CloseHandle(autoEvent);
  CloseHandle(mutex);
  CloseHandle(manual);
}

TEST(PlatformWaits, WrongHandlesAndCountsFailWithTheirErrorNumbers) {
  SyncHandle event = CreateEventHandle(false, false);
  SyncHandle mutex = CreateMutexHandle(false);
  EXPECT_EQ(WaitForSingleObject(0, 0), kWaitFailed);
  EXPECT_EQ(LastOSError(), kErrorInvalidHandle);
  SyncHandle list[] = {event, 0};
  EXPECT_EQ(WaitForMultipleObjects(2, list, false, 0), kWaitFailed);
  EXPECT_EQ(LastOSError(), kErrorInvalidHandle);
  EXPECT_EQ(WaitForMultipleObjects(0, list, false, 0), kWaitFailed);
  EXPECT_EQ(LastOSError(), kErrorInvalidParameter);
  std::vector<SyncHandle> many(kMaximumWaitObjects + 1, event);
  EXPECT_EQ(WaitForMultipleObjects(uint32_t(many.size()), many.data(), false, 0), kWaitFailed);
  EXPECT_EQ(LastOSError(), kErrorInvalidParameter);
  SyncHandle twice[] = {event, event};
  EXPECT_EQ(WaitForMultipleObjects(2, twice, true, 0), kWaitFailed);
  EXPECT_EQ(LastOSError(), kErrorInvalidParameter);
  EXPECT_EQ(WaitForMultipleObjects(2, twice, false, 0), kWaitTimeout) << "one handle twice is fine for any";
  EXPECT_FALSE(ReleaseMutex(mutex));
  EXPECT_EQ(LastOSError(), kErrorNotOwner);
  EXPECT_FALSE(ReleaseMutex(event));
  EXPECT_EQ(LastOSError(), kErrorInvalidHandle);
  EXPECT_FALSE(SetEvent(mutex));
  EXPECT_EQ(LastOSError(), kErrorInvalidHandle);
  EXPECT_FALSE(CloseHandle(0));
  EXPECT_TRUE(CloseHandle(event));
  EXPECT_TRUE(CloseHandle(mutex));
}

}  // namespace
