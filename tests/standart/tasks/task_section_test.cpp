// Task critical sections through the tarvel32 stand-in.
#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "nolvex32/nolvex32.h"
#include "standart/task_binding.h"
#include "task_test_support.h"

using namespace tasktest;

namespace {

::testing::Environment* const g_environment = ::testing::AddGlobalTestEnvironment(new TaskServicesEnvironment);

// The queue as a task sees it (the plain test thread becomes a task briefly).
std::vector<int32_t> QueueOf(const tTaskCriticalSection& s) {
  AttachTask("probe");
  std::vector<int32_t> queue(s.Tasks, s.Tasks + s.Count.load());
  DetachTask();
  return queue;
}

// A task that holds the section until `release` is set.
std::unique_ptr<TestTask> StartOwner(tTaskCriticalSection& s, std::atomic<bool>& release, const char* name = "owner") {
  auto owner = std::make_unique<TestTask>(name, [&s, &release] {
    EXPECT_TRUE(EnterTaskSection(s, -1, false, true));
    EXPECT_TRUE(TaskWaitUntil([&] { return release.load(); }, 60000));
    LeaveTaskSection(s);
  });
  EXPECT_TRUE(WaitUntil([&] { return s.Count.load() == 1; }));
  return owner;
}

}  // namespace

TEST(TaskSection, ReentryKeepsTheSectionUntilLeftAsOften) {
  tTaskCriticalSection s{};
  std::atomic<int> step{0};
  bool otherGot = true;
  TestTask owner("owner", [&] {
    EXPECT_TRUE(EnterTaskSection(s, -1, false, true));
    EXPECT_TRUE(EnterTaskSection(s, 0, false, true));
    EXPECT_EQ(s.EntryCount.load(), 2);
    LeaveTaskSection(s);
    EXPECT_EQ(s.Count.load(), 1);
    EXPECT_EQ(s.EntryCount.load(), 1);
    step = 1;
    EXPECT_TRUE(TaskWaitUntil([&] { return step.load() == 2; }));
    LeaveTaskSection(s);
  });
  ASSERT_TRUE(WaitUntil([&] { return step.load() == 1; }));
  {
    TestTask other("other", [&] { otherGot = EnterTaskSection(s, 0, false, true); });
  }
  EXPECT_FALSE(otherGot);
  step = 2;
  ASSERT_TRUE(owner.Join());
  EXPECT_EQ(s.Count.load(), 0);
  EXPECT_EQ(s.EntryCount.load(), 0);
}

TEST(TaskSection, QueuedTasksAreServedInOrderAndPriorityComesFirst) {
  tTaskCriticalSection s{};
  std::atomic<bool> release{false};
  std::vector<std::string> served;
  auto owner = StartOwner(s, release);
  auto waiter = [&](std::string name, bool priority) {
    return std::make_unique<TestTask>(name, [&s, &served, name, priority] {
      EXPECT_TRUE(EnterTaskSection(s, -1, priority, true));
      served.push_back(name);
      LeaveTaskSection(s);
    });
  };
  auto a = waiter("A", false);
  ASSERT_TRUE(WaitUntil([&] { return s.Count.load() == 2; }));
  auto b = waiter("B", false);
  ASSERT_TRUE(WaitUntil([&] { return s.Count.load() == 3; }));
  auto p = waiter("P", true);
  ASSERT_TRUE(WaitUntil([&] { return s.Count.load() == 4; }));
  EXPECT_EQ(QueueOf(s), (std::vector<int32_t>{owner->handle(), p->handle(), a->handle(), b->handle()}));
  release = true;
  for (auto* t : {owner.get(), a.get(), b.get(), p.get()}) ASSERT_TRUE(t->Join());
  EXPECT_EQ(served, (std::vector<std::string>{"P", "A", "B"}));
  EXPECT_EQ(s.Count.load(), 0);
}

TEST(TaskSection, ZeroTimeOutOnAHeldSectionFailsAtOnceAndLeavesTheQueue) {
  tTaskCriticalSection s{};
  std::atomic<bool> release{false};
  auto owner = StartOwner(s, release);
  TestTask a("A", [&] {
    EXPECT_TRUE(EnterTaskSection(s, -1, false, true));
    LeaveTaskSection(s);
  });
  ASSERT_TRUE(WaitUntil([&] { return s.Count.load() == 2; }));
  std::vector<int32_t> before = QueueOf(s);
  bool got = true;
  std::vector<int32_t> after;
  {
    TestTask b("B", [&] {
      got = EnterTaskSection(s, 0, false, true);
      after.assign(s.Tasks, s.Tasks + s.Count.load());
    });
  }
  EXPECT_FALSE(got);
  EXPECT_EQ(after, before);
  release = true;
}

TEST(TaskSection, HandOverSkipsATaskThatHasEnded) {
  tTaskCriticalSection s{};
  TestTask dead("dead", [] {});
  ASSERT_TRUE(dead.Join());
  std::atomic<bool> ownerHolds{false};
  int32_t ownerSeenByA = 0;
  TestTask owner("owner", [&] {
    EXPECT_TRUE(EnterTaskSection(s, -1, false, true));
    ownerHolds = true;
    EXPECT_TRUE(TaskWaitUntil([&] { return s.Count.load() == 2; }));
    // Put the ended task between the owner and A.
    s.Tasks[2] = s.Tasks[1];
    s.Tasks[1] = dead.handle();
    s.Count.store(3);
    LeaveTaskSection(s);
  });
  TestTask a("A", [&] {
    // A started before the owner would take the section first and leave
    // the owner waiting for a queue that never forms.
    EXPECT_TRUE(TaskWaitUntil([&] { return ownerHolds.load(); }));
    EXPECT_TRUE(EnterTaskSection(s, 5000, false, true));
    ownerSeenByA = s.Tasks[0];
    EXPECT_EQ(s.Count.load(), 1);
    LeaveTaskSection(s);
  });
  ASSERT_TRUE(owner.Join());
  ASSERT_TRUE(a.Join());
  EXPECT_EQ(ownerSeenByA, a.handle());
  EXPECT_EQ(s.Count.load(), 0);
}

TEST(TaskSection, The641stTaskGetsCode136AndDoesNotHoldTheSection) {
  tTaskCriticalSection s{};
  std::atomic<bool> release{false};
  std::atomic<int> served{0};
  auto owner = StartOwner(s, release);
  std::vector<std::unique_ptr<TestTask>> waiters;
  for (int i = 1; i < kTaskSectionCapacity; ++i) {
    waiters.push_back(std::make_unique<TestTask>("waiter " + std::to_string(i), [&] {
      if (EnterTaskSection(s, -1, false, true)) {
        ++served;
        LeaveTaskSection(s);
      }
    }));
  }
  ASSERT_TRUE(WaitUntil([&] { return s.Count.load() == kTaskSectionCapacity; }, 60000));
  bool got = true;
  int32_t code = 0, count = 0, holder = 0;
  {
    TestTask last("last", [&] {
      got = EnterTaskSection(s, -1, false, true);
      code = LastError();
      count = s.Count.load();
      holder = s.Tasks[0];
    });
  }
  EXPECT_FALSE(got);
  EXPECT_EQ(code, 136);
  EXPECT_EQ(count, kTaskSectionCapacity);
  EXPECT_EQ(holder, owner->handle());
  release = true;
  ASSERT_TRUE(owner->Join());
  for (auto& w : waiters) ASSERT_TRUE(w->Join());
  EXPECT_EQ(served.load(), kTaskSectionCapacity - 1);
  EXPECT_EQ(s.Count.load(), 0);
}

TEST(TaskSection, PlainThreadTurnsTheSectionIntoAMutexThatTasksWaitFor) {
  tTaskCriticalSection s{};
  ASSERT_TRUE(EnterTaskSection(s, -1, false, true));
  EXPECT_NE(s.Mutex.load(), 0u);
  EXPECT_EQ(s.EntryCount.load(), 1);
  EXPECT_TRUE(EnterTaskSection(s, 0, false, true)) << "re-entry of the owning thread";
  LeaveTaskSection(s);
  std::atomic<int> step{0};
  bool timedOut = true, got = false, stillMutex = false;
  int32_t code = 0;
  TestTask task("T", [&] {
    timedOut = !EnterTaskSection(s, 50, false, true);
    code = LastError();
    step = 1;
    got = EnterTaskSection(s, -1, false, true);
    stillMutex = s.Mutex.load() != 0 && s.Count.load() == 0;
    LeaveTaskSection(s);
  });
  ASSERT_TRUE(WaitUntil([&] { return step.load() == 1; }));
  LeaveTaskSection(s);
  ASSERT_TRUE(task.Join());
  EXPECT_TRUE(timedOut);
  EXPECT_EQ(code, 137);
  EXPECT_TRUE(got);
  EXPECT_TRUE(stillMutex);
  EXPECT_EQ(s.EntryCount.load(), 0);
  EXPECT_NE(s.Mutex.load(), 0u) << "mutex mode lasts until destruction";
  DestroyTaskSection(s, false);
  EXPECT_EQ(s.Mutex.load(), 0u);
  bool taskMode = false;
  {
    TestTask again("again", [&] {
      taskMode = EnterTaskSection(s, 0, false, true) && s.Count.load() == 1 && s.Mutex.load() == 0;
      LeaveTaskSection(s);
    });
  }
  EXPECT_TRUE(taskMode);
}

TEST(TaskSection, PlainThreadWaitsForATaskToLeave) {
  tTaskCriticalSection s{};
  std::atomic<bool> release{false};
  auto owner = StartOwner(s, release);
  EXPECT_FALSE(EnterTaskSection(s, 60, false, true));
  EXPECT_EQ(s.Mutex.load(), 0u);
  std::atomic<bool> got{false};
  std::thread plain([&] {
    got = EnterTaskSection(s, 20000, false, true);
    if (got) LeaveTaskSection(s);
  });
  platform::Sleep(60);
  EXPECT_FALSE(got.load());
  release = true;
  plain.join();
  ASSERT_TRUE(owner->Join());
  EXPECT_TRUE(got.load());
  EXPECT_NE(s.Mutex.load(), 0u);
  DestroyTaskSection(s, false);
}

TEST(TaskSection, DestroyingGivesWaitingTasksCode148) {
  tTaskCriticalSection s{};
  std::atomic<bool> destroy{false};
  std::atomic<int> waitersDone{0};
  std::string unlimitedMessage;
  int32_t unlimitedCode = 0, limitedCode = 0;
  bool limitedGot = true;
  TestTask owner("destroyer", [&] {
    EXPECT_TRUE(EnterTaskSection(s, -1, false, true));
    EXPECT_TRUE(TaskWaitUntil([&] { return destroy.load(); }));
    DestroyTaskSection(s, false);
    // Stay alive so that the reports can name the destroyer.
    EXPECT_TRUE(TaskWaitUntil([&] { return waitersDone.load() == 2; }));
  });
  ASSERT_TRUE(WaitUntil([&] { return s.Count.load() == 1; }));
  TestTask unlimited("unlimited", [&] {
    try {
      EnterTaskSection(s, -1, false, true);
      ADD_FAILURE() << "no exception";
    } catch (const ProcessErrorException& e) {
      unlimitedCode = e.Code();
      unlimitedMessage = e.what();
    }
    ++waitersDone;
  });
  ASSERT_TRUE(WaitUntil([&] { return s.Count.load() == 2; }));
  TestTask limited("limited", [&] {
    limitedGot = EnterTaskSection(s, 20000, false, true);
    limitedCode = LastError();
    ++waitersDone;
  });
  ASSERT_TRUE(WaitUntil([&] { return s.Count.load() == 3; }));
  destroy = true;
  ASSERT_TRUE(owner.Join());
  ASSERT_TRUE(unlimited.Join());
  ASSERT_TRUE(limited.Join());
  EXPECT_EQ(unlimitedCode, 148);
  EXPECT_EQ(unlimitedMessage, "KVTERR(148):Critical section destroied by task \"destroyer\"(" +
                                  std::to_string(owner.handle()) + "). Waiting task \"unlimited\"(" +
                                  std::to_string(unlimited.handle()) + ")");
  EXPECT_FALSE(limitedGot);
  EXPECT_EQ(limitedCode, 148);
  EXPECT_EQ(s.Count.load(), 0);
}

TEST(TaskSection, DestroyWithEntryFirstWaitsForTheOwner) {
  tTaskCriticalSection s{};
  std::atomic<bool> release{false};
  auto owner = StartOwner(s, release);
  int32_t waiterCode = 0;
  TestTask waiter("waiter", [&] {
    waiterCode = EnterTaskSection(s, 20000, false, true) ? 0 : LastError();
  });
  ASSERT_TRUE(WaitUntil([&] { return s.Count.load() == 2; }));
  std::atomic<bool> destroyed{false};
  TestTask destroyer("destroyer", [&] {
    DestroyTaskSection(s, true);
    destroyed = true;
  });
  ASSERT_TRUE(WaitUntil([&] { return s.Count.load() == 3; }));
  EXPECT_EQ(QueueOf(s), (std::vector<int32_t>{owner->handle(), destroyer.handle(), waiter.handle()}));
  EXPECT_FALSE(destroyed.load());
  release = true;
  ASSERT_TRUE(destroyer.Join());
  ASSERT_TRUE(waiter.Join());
  EXPECT_EQ(waiterCode, 148);
  EXPECT_EQ(s.Count.load(), 0);
  EXPECT_EQ(s.EntryCount.load(), 0);
}

TEST(TaskSection, ScopedLockLeavesOnException) {
  tTaskCriticalSection s{};
  TestTask t("T", [&] {
    try {
      TaskSectionLock lock(s);
      EXPECT_EQ(s.Count.load(), 1);
      throw std::runtime_error("inside");
    } catch (const std::runtime_error&) {
    }
  });
  ASSERT_TRUE(t.Join());
  EXPECT_EQ(s.Count.load(), 0);
  EXPECT_EQ(s.EntryCount.load(), 0);
}

TEST(TaskNames, NamesOfLiveEndedAndUnknownTasks) {
  EXPECT_EQ(TaskName(987654), "Illegal task N 987654");
  std::string own, longName;
  TestTask named("Kitchen printer task", [&] { own = TaskName(GetTaskHandle()); });
  TestTask lengthy(std::string(100, 'x'), [&] { longName = TaskName(GetTaskHandle()); });
  ASSERT_TRUE(named.Join());
  ASSERT_TRUE(lengthy.Join());
  EXPECT_EQ(own, "Kitchen printer task");
  EXPECT_EQ(longName, std::string(kTaskNameRoom, 'x'));
  EXPECT_EQ(TaskName(named.handle()), "Undefined task N " + std::to_string(named.handle()));
}

TEST(TrustedThread, AnswerWithAndWithoutTheBoundFunction) {
  for (bool bound : {true, false}) {
    BindTaskLibrary(bound ? DefaultTaskLibraryName() : "no-such-task-library.so");
    EXPECT_EQ(BoundIsInTrustedThread() != nullptr, bound);
    EXPECT_FALSE(IsInTrustedThread());
    bool inTask = false;
    {
      TestTask t("T", [&] { inTask = IsInTrustedThread(); });
    }
    EXPECT_TRUE(inTask);
    bool inPlain = true;
    std::thread([&] { inPlain = IsInTrustedThread(); }).join();
    EXPECT_FALSE(inPlain);
  }
  BindTaskLibrary(DefaultTaskLibraryName());
}

TEST(TaskDelay, LongDelaysLetOtherTasksRunShortOnesHoldThem) {
  std::atomic<bool> stop{false};
  std::atomic<int> progress{0};
  TestTask busy("busy", [&] {
    while (!stop) {
      ++progress;
      TaskDelay(1);
    }
  });
  ASSERT_TRUE(WaitUntil([&] { return progress.load() > 0; }));
  int duringLong = 0, duringShort = 0;
  {
    TestTask delayer("delayer", [&] {
      int before = progress;
      TaskDelay(40);
      duringLong = progress - before;
      SetSystemSleepTime(30);
      before = progress;
      TaskDelay(40);  // waits on the signal-pending event, keeping its turn
      duringShort = progress - before;
      SetSystemSleepTime(0);
    });
  }
  stop = true;
  ASSERT_TRUE(busy.Join());
  EXPECT_GT(duringLong, 0);
  EXPECT_EQ(duringShort, 0);
}

TEST(TaskWaits, NoSwitchModeIsReportedExceptDuringStartUp) {
  int32_t inNoSwitch = 0, inStartUp = 0;
  bool signalled = false;
  {
    TestTask t("T", [&] {
      tWaitRecord record{};
      SetNoSwitchMode(1);
      TaskWaitSignal(4242, record, 0);
      inNoSwitch = LastError();
      RaiseError(1, "marker");
      SetInitializeFinalize(1);
      TaskWaitSignal(4242, record, 0);
      inStartUp = LastError();
      SetInitializeFinalize(0);
      SetNoSwitchMode(0);
      SendSignal(GetTaskHandle(), 4242, 5, 6, 7);
      signalled = TaskWaitSignal(4242, record, 0) && record.First == 5 && record.Second == 6;
    });
  }
  EXPECT_EQ(inNoSwitch, 140);
  EXPECT_EQ(inStartUp, 1);
  EXPECT_TRUE(signalled);
}

TEST(TaskSection, TimeOutInTaskModeIsReportedWithTheOwnersAndStacksOnlyWhenAsked) {
  tTaskCriticalSection s{};
  std::atomic<bool> release{false};
  auto owner = StartOwner(s, release, "slow owner");
  int32_t quietCode = 0, loudCode = 0, stacksBefore = PrintAllStacksCount(), stacksAfterQuiet = 0;
  bool quietGot = true, loudGot = true;
  std::string message;
  {
    TestTask t("impatient", [&] {
      RaiseError(1, "marker");
      quietGot = EnterTaskSection(s, 20, false, false);
      quietCode = LastError();
      stacksAfterQuiet = PrintAllStacksCount();
      loudGot = EnterTaskSection(s, 20, false, true);
      loudCode = LastError();
      char text[256];
      LastErrorMessage(text, sizeof text, -1);
      message = text;
    });
    EXPECT_TRUE(t.Join());
    EXPECT_EQ(message, "Critical section waiting time-out. Locked by task \"slow owner\"(" +
                           std::to_string(owner->handle()) + "). Waiting task \"impatient\"(" +
                           std::to_string(t.handle()) + "), initially locked by slow owner, task stack printed");
  }
  EXPECT_FALSE(quietGot);
  EXPECT_EQ(quietCode, 2) << "only the minor waiting report";
  EXPECT_EQ(stacksAfterQuiet, stacksBefore);
  EXPECT_FALSE(loudGot);
  EXPECT_EQ(loudCode, 137);
  EXPECT_EQ(PrintAllStacksCount(), stacksBefore + 1);
  EXPECT_EQ(s.Count.load(), 1) << "the impatient task left the queue";
  release = true;
}

TEST(TaskSection, AReportThatRaisesDuringTheWaitTakesTheTaskOffTheQueue) {
  tTaskCriticalSection s{};
  std::atomic<bool> release{false};
  auto owner = StartOwner(s, release);
  ExceptError(140);
  int32_t code = 0;
  int32_t countAfter = -1;
  {
    TestTask t("no switch", [&] {
      SetNoSwitchMode(1);
      try {
        EnterTaskSection(s, -1, false, true);
        ADD_FAILURE() << "no exception";
      } catch (const ProcessErrorException& e) {
        code = e.Code();
      }
      SetNoSwitchMode(0);
      countAfter = s.Count.load();
    });
  }
  NolvexReset();
  InitTaskServices();
  EXPECT_EQ(code, 140);
  EXPECT_EQ(countAfter, 1);
  release = true;
  ASSERT_TRUE(owner->Join());
  EXPECT_EQ(s.Count.load(), 0);
}
