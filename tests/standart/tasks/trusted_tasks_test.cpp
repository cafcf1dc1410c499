// Waits through waiter threads, the trusted-task runner and the worker thread.
#include <atomic>
#include <thread>

#include "standart/task_binding.h"
#include "standart/trusted_tasks.h"
#include "task_test_support.h"

using namespace tasktest;
using namespace platform;

namespace {

class TestError : public std::runtime_error {
 public:
  TestError(const std::string& what, int id) : std::runtime_error(what), id(id) {}
  int id;
};

struct Event {
  SyncHandle h = CreateEventHandle(true, false);
  ~Event() { CloseHandle(h); }
};

}  // namespace

TEST(WinWait, TrustedTaskWaitsWhileOtherTasksRun) {
  Event first, second;
  uint32_t result = 0;
  TestTask waiter("waiter", [&] {
    SyncHandle both[] = {first.h, second.h};
    result = WinWaitForMultipleObjects(2, both, 10000, false);
  });
  // Only another task can set the event: the wait must not hold up the tasks.
  TestTask setter("setter", [&] {
    TaskDelay(20);
    SetEvent(second.h);
  });
  ASSERT_TRUE(waiter.Join());
  EXPECT_EQ(result, 1u);
}

TEST(WinWait, TimeOutsAndPolls) {
  Event e;
  uint32_t timedOut = 0, ignoring = 0, polled = 0, ready = 0;
  {
    TestTask t("T", [&] {
      timedOut = WinWaitForMultipleObjects(1, &e.h, 30, false);
      ignoring = WinWaitForMultipleObjects(1, &e.h, 30, true);
      polled = WinWaitForMultipleObjects(1, &e.h, 0, false);
      SetEvent(e.h);
      ready = WinWaitForMultipleObjects(1, &e.h, kInfinite, false);
    });
  }
  EXPECT_EQ(timedOut, kWaitTimeout);
  EXPECT_EQ(ignoring, kWaitTimeout);
  EXPECT_EQ(polled, kWaitTimeout);
  EXPECT_EQ(ready, 0u);
  EXPECT_EQ(WinWaitForMultipleObjects(1, &e.h, 100, false), 0u) << "plain thread";
}

TEST(WinWait, MutexReleasedByItsOwnerEndsOwnedByTheWaitingTask) {
  SyncHandle m = CreateMutexHandle(false);
  Event other;
  std::atomic<bool> held{false}, done{false};
  std::thread owner([&] {
    WaitForSingleObject(m, 0);
    held = true;
    Sleep(50);
    ReleaseMutex(m);
    WaitUntil([&] { return done.load(); });
  });
  ASSERT_TRUE(WaitUntil([&] { return held.load(); }));
  uint32_t result = 99;
  bool owned = false;
  {
    TestTask t("T", [&] {
      SyncHandle list[] = {other.h, m};
      result = WinWaitForMultipleObjects(2, list, 10000, false);
      owned = ReleaseMutex(m);
    });
  }
  done = true;
  owner.join();
  EXPECT_EQ(result, 1u);
  EXPECT_TRUE(owned) << "the task, not the waiter thread, must own the mutex";
  CloseHandle(m);
}

TEST(WinWait, AbandonedMutexIsTakenByTheTask) {
  SyncHandle m = CreateMutexHandle(false);
  std::atomic<bool> held{false};
  std::thread owner([&] {
    WaitForSingleObject(m, 0);
    held = true;
    Sleep(50);
  });
  ASSERT_TRUE(WaitUntil([&] { return held.load(); }));
  uint32_t result = 99;
  bool owned = false;
  {
    TestTask t("T", [&] {
      result = WinWaitForMultipleObjects(1, &m, 10000, false);
      owned = ReleaseMutex(m);
    });
  }
  owner.join();
  EXPECT_TRUE(result == 0u || result == kWaitAbandoned0) << result;
  EXPECT_TRUE(owned);
  CloseHandle(m);
}

TEST(RunInTrustedTask, PlainCallerGetsANewTaskTrustedCallerRunsInline) {
  int32_t runner = -1;
  std::string name;
  std::vector<int32_t> seen;
  RunInTrustedTask("callback task", {3, 1, 4}, [&](const std::vector<int32_t>& args) {
    runner = GetTaskHandle();
    name = TaskName(runner);
    seen = args;
    EXPECT_TRUE(IsInTrustedThread());
  });
  EXPECT_GT(runner, 0);
  EXPECT_EQ(name, "callback task");
  EXPECT_EQ(seen, (std::vector<int32_t>{3, 1, 4}));
  int32_t caller = 0, inner = 0;
  {
    TestTask t("caller", [&] {
      caller = GetTaskHandle();
      RunInTrustedTask("unused", {}, [&](const std::vector<int32_t>&) { inner = GetTaskHandle(); });
    });
  }
  EXPECT_EQ(inner, caller);
}

TEST(RunInTrustedTask, ExceptionReachesTheCallerAfterReport147) {
  LogMark mark;
  for (int round = 0; round < 3; ++round) {
    try {
      RunInTrustedTask("thrower", {round}, [](const std::vector<int32_t>& args) {
        throw TestError("procedure failed", args[0]);
      });
      ADD_FAILURE() << "no exception";
    } catch (const TestError& e) {
      EXPECT_EQ(e.id, round);
      EXPECT_STREQ(e.what(), "procedure failed");
    }
  }
  EXPECT_EQ(mark.Count("ERR 147: Error running synchro proc from other thread"), 3u);
}

TEST(RunInTrustedTask, TooOldOrMissingTaskLibraryGivesCode154) {
  auto expect154 = [] {
    try {
      RunInTrustedTask("never", {}, [](const std::vector<int32_t>&) { ADD_FAILURE() << "ran"; });
      ADD_FAILURE() << "no exception";
    } catch (const ProcessErrorException& e) {
      EXPECT_EQ(e.Code(), 154);
      EXPECT_STREQ(e.what(), "KVTERR(154):Version of tarvel32.dll too low, 122 needed");
    }
  };
  SetTasksVersion(121);
  expect154();
  SetTasksVersion(122);
  bool ran = false;
  RunInTrustedTask("ok", {}, [&](const std::vector<int32_t>&) { ran = true; });
  EXPECT_TRUE(ran);
  SetTasksVersion(130);
  BindTaskLibrary("no-such-task-library.so");
  expect154();
  BindTaskLibrary(DefaultTaskLibraryName());
}

TEST(IndependentThread, PlainCallerRunsOnTheWorkerThreadEveryTime) {
  tIndependentThread worker;
  uint32_t me = CurrentThreadId();
  std::vector<uint32_t> threads;
  int sum = 0;
  for (int i = 0; i < 3; ++i) {
    EXPECT_TRUE(RunInIndependentThread(worker, {i, 10}, [&](const std::vector<int32_t>& args) {
      threads.push_back(CurrentThreadId());
      sum += args[0] + args[1];
    }));
  }
  ASSERT_EQ(threads.size(), 3u);
  EXPECT_NE(threads[0], me);
  EXPECT_EQ(threads[1], threads[0]);
  EXPECT_EQ(threads[2], threads[0]);
  EXPECT_EQ(sum, 33);
}

TEST(IndependentThread, ExceptionReachesTheCallerAndTheWorkerServesTheNextRequest) {
  tIndependentThread worker;
  LogMark mark;
  auto thrower = [](const std::vector<int32_t>& args) { throw TestError("driver call failed", args[0]); };
  try {
    RunInIndependentThread(worker, {7}, thrower);
    ADD_FAILURE() << "no exception";
  } catch (const TestError& e) {
    EXPECT_EQ(e.id, 7);
  }
  bool ran = false;
  EXPECT_TRUE(RunInIndependentThread(worker, {}, [&](const std::vector<int32_t>&) { ran = true; }));
  EXPECT_TRUE(ran);
  int caught = 0;
  bool ranInTask = false;
  {
    TestTask t("requester", [&] {
      try {
        RunInIndependentThread(worker, {8}, thrower);
      } catch (const TestError& e) {
        caught = e.id;
      }
      RunInIndependentThread(worker, {}, [&](const std::vector<int32_t>&) { ranInTask = true; });
    });
  }
  EXPECT_EQ(caught, 8);
  EXPECT_TRUE(ranInTask);
  EXPECT_EQ(mark.Count("ERR 155: Error running IndependentProc from trusted thread \n"), 1u);
  EXPECT_EQ(mark.Count("ERR 155: Error running IndependentProc from trusted thread requester"), 1u);
}

TEST(IndependentThread, TrustedCallerLetsOtherTasksRunWhileItWaits) {
  tIndependentThread worker;
  Event release;
  uint32_t waitResult = 0;
  TestTask caller("caller", [&] {
    RunInIndependentThread(worker, {}, [&](const std::vector<int32_t>&) {
      waitResult = WaitForSingleObject(release.h, 10000);
    });
  });
  TestTask other("other", [&] {
    TaskDelay(20);
    SetEvent(release.h);
  });
  ASSERT_TRUE(caller.Join());
  EXPECT_EQ(waitResult, 0u) << "the waiting caller held up the other task";
}

TEST(IndependentThread, DestroyTimeOutIsReportedWith147) {
  LogMark mark;
  Event release;
  tIndependentThread worker(100);
  std::atomic<bool> started{false};
  std::thread requester([&] {
    RunInIndependentThread(worker, {}, [&](const std::vector<int32_t>&) {
      started = true;
      WaitForSingleObject(release.h, 10000);
    });
  });
  ASSERT_TRUE(WaitUntil([&] { return started.load(); }));
  worker.Destroy();
  EXPECT_EQ(mark.Count("ERR 147: tIndependentThread.Destroy: timeout waiting termination"), 1u);
  SetEvent(release.h);
  requester.join();
  tIndependentThread quick;
  quick.Destroy();
  EXPECT_EQ(mark.Count("ERR 147: tIndependentThread.Destroy: timeout waiting termination"), 1u);
}
