// The platform's synchronisation objects with Win32 results.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/platform.h"
#include "platform/sync.h"

using namespace platform;

namespace {

struct Handles {
  std::vector<SyncHandle> list;
  ~Handles() {
    for (SyncHandle h : list) CloseHandle(h);
  }
  SyncHandle Add(SyncHandle h) {
    list.push_back(h);
    return h;
  }
};

}  // namespace

TEST(SyncEvents, AutoResetLetsOneWaitThroughManualResetStays) {
  Handles h;
  SyncHandle autoEvent = h.Add(CreateEventHandle(false, true));
  SyncHandle manual = h.Add(CreateEventHandle(true, false));
  EXPECT_EQ(WaitForSingleObject(autoEvent, 0), kWaitObject0);
  EXPECT_EQ(WaitForSingleObject(autoEvent, 10), kWaitTimeout);
  EXPECT_TRUE(SetEvent(manual));
  EXPECT_EQ(WaitForSingleObject(manual, 0), kWaitObject0);
  EXPECT_EQ(WaitForSingleObject(manual, 0), kWaitObject0);
  EXPECT_TRUE(ResetEvent(manual));
  EXPECT_EQ(WaitForSingleObject(manual, 0), kWaitTimeout);
}

TEST(SyncEvents, SetFromAnotherThreadWakesTheWaitAndLowestIndexWins) {
  Handles h;
  SyncHandle a = h.Add(CreateEventHandle(true, false));
  SyncHandle b = h.Add(CreateEventHandle(false, false));
  std::thread setter([&] {
    Sleep(30);
    SetEvent(b);
  });
  SyncHandle both[] = {a, b};
  EXPECT_EQ(WaitForMultipleObjects(2, both, false, 5000), kWaitObject0 + 1);
  setter.join();
  SetEvent(a);
  SetEvent(b);
  EXPECT_EQ(WaitForMultipleObjects(2, both, false, 0), kWaitObject0);
  EXPECT_EQ(WaitForMultipleObjects(2, both, false, 0), kWaitObject0);  // manual a stays set
  ResetEvent(a);
  EXPECT_EQ(WaitForMultipleObjects(2, both, false, 0), kWaitObject0 + 1);
  EXPECT_EQ(WaitForMultipleObjects(2, both, false, 0), kWaitTimeout);
}

TEST(SyncEvents, WaitAllTakesAllOrNothing) {
  Handles h;
  SyncHandle a = h.Add(CreateEventHandle(false, true));
  SyncHandle b = h.Add(CreateEventHandle(false, false));
  SyncHandle both[] = {a, b};
  EXPECT_EQ(WaitForMultipleObjects(2, both, true, 20), kWaitTimeout);
  EXPECT_EQ(WaitForSingleObject(a, 0), kWaitObject0) << "a must not have been consumed";
  SetEvent(a);
  std::thread setter([&] {
    Sleep(20);
    SetEvent(b);
  });
  EXPECT_EQ(WaitForMultipleObjects(2, both, true, 5000), kWaitObject0);
  setter.join();
  EXPECT_EQ(WaitForSingleObject(a, 0), kWaitTimeout);
  EXPECT_EQ(WaitForSingleObject(b, 0), kWaitTimeout);
  SyncHandle twice[] = {a, a};
  EXPECT_EQ(WaitForMultipleObjects(2, twice, true, 0), kWaitFailed);
  EXPECT_EQ(LastOSError(), kErrorInvalidParameter);
}

TEST(SyncMutexes, ReentrantOwnedByThreadAndReleasedAsOftenAsTaken) {
  Handles h;
  SyncHandle m = h.Add(CreateMutexHandle(false));
  EXPECT_EQ(WaitForSingleObject(m, 0), kWaitObject0);
  EXPECT_EQ(WaitForSingleObject(m, 0), kWaitObject0);
  std::atomic<uint32_t> other{1};
  std::thread([&] { other = WaitForSingleObject(m, 10); }).join();
  EXPECT_EQ(other.load(), kWaitTimeout);
  std::thread([&] { other = ReleaseMutex(m) ? 1 : 0; }).join();
  EXPECT_EQ(other.load(), 0u) << "only the owner releases";
  EXPECT_TRUE(ReleaseMutex(m));
  std::thread([&] { other = WaitForSingleObject(m, 10); }).join();
  EXPECT_EQ(other.load(), kWaitTimeout) << "still held once";
  EXPECT_TRUE(ReleaseMutex(m));
  EXPECT_FALSE(ReleaseMutex(m));
  EXPECT_EQ(LastOSError(), kErrorNotOwner);
}

TEST(SyncMutexes, OwnerThreadEndingAbandonsTheMutex) {
  Handles h;
  SyncHandle m = h.Add(CreateMutexHandle(false));
  SyncHandle e = h.Add(CreateEventHandle(true, false));
  std::thread([&] { WaitForSingleObject(m, 0); }).join();
  SyncHandle list[] = {e, m};
  EXPECT_EQ(WaitForMultipleObjects(2, list, false, 1000), kWaitAbandoned0 + 1);
  EXPECT_TRUE(ReleaseMutex(m)) << "the abandoned mutex now belongs to the waiter";
  EXPECT_EQ(WaitForSingleObject(m, 0), kWaitObject0) << "abandoned only once";
  ReleaseMutex(m);
  // An owner on a thread of this layer abandons too, and the thread handle
  // signals only after that.
  SyncHandle t = h.Add(CreateThreadHandle([&] { WaitForSingleObject(m, 0); }));
  ASSERT_EQ(WaitForSingleObject(t, 5000), kWaitObject0);
  EXPECT_EQ(WaitForSingleObject(m, 0), kWaitAbandoned0);
  ReleaseMutex(m);
  SyncHandle owned = h.Add(CreateMutexHandle(true));
  EXPECT_TRUE(ReleaseMutex(owned));
}

TEST(SyncMutexes, WaiterGetsTheMutexWhenTheOwnerReleases) {
  Handles h;
  SyncHandle m = h.Add(CreateMutexHandle(true));
  std::atomic<uint32_t> got{99};
  std::thread waiter([&] {
    got = WaitForSingleObject(m, 5000);
    if (got == kWaitObject0) ReleaseMutex(m);
  });
  Sleep(20);
  ReleaseMutex(m);
  waiter.join();
  EXPECT_EQ(got.load(), kWaitObject0);
}

TEST(SyncThreads, HandleSignalsWhenTheBodyHasReturned) {
  Handles h;
  SyncHandle go = h.Add(CreateEventHandle(true, false));
  std::atomic<bool> ran{false};
  SyncHandle t = h.Add(CreateThreadHandle([&] {
    WaitForSingleObject(go, 5000);
    ran = true;
  }));
  ASSERT_NE(t, 0u);
  EXPECT_EQ(WaitForSingleObject(t, 20), kWaitTimeout);
  SetEvent(go);
  EXPECT_EQ(WaitForSingleObject(t, 5000), kWaitObject0);
  EXPECT_TRUE(ran);
  EXPECT_EQ(WaitForSingleObject(t, 0), kWaitObject0) << "stays signalled";
}

TEST(SyncHandles, BadHandlesAndCountsFail) {
  SyncHandle none = 0;
  EXPECT_EQ(WaitForSingleObject(none, 0), kWaitFailed);
  EXPECT_EQ(LastOSError(), kErrorInvalidHandle);
  SyncHandle e = CreateEventHandle(false, false);
  EXPECT_EQ(WaitForMultipleObjects(0, &e, false, 0), kWaitFailed);
  std::vector<SyncHandle> many(kMaximumWaitObjects + 1, e);
  EXPECT_EQ(WaitForMultipleObjects(uint32_t(many.size()), many.data(), false, 0), kWaitFailed);
  EXPECT_EQ(LastOSError(), kErrorInvalidParameter);
  EXPECT_EQ(WaitForMultipleObjects(kMaximumWaitObjects, many.data(), false, 0), kWaitTimeout);
  EXPECT_FALSE(ReleaseMutex(e));
  EXPECT_TRUE(CloseHandle(e));
}
