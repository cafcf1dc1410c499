// Many tasks and plain threads contending for one section. The number of
// rounds comes from ZEF_TASK_STRESS_ROUNDS (reduced under valgrind).
#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "standart/trusted_tasks.h"
#include "task_test_support.h"

using namespace tasktest;

namespace {

// Fails when two callers are ever inside at once.
class ExclusionProbe {
 public:
  void Enter() {
    if (inside_.fetch_add(1) != 0) ++violations_;
  }
  void Leave() { inside_.fetch_sub(1); }
  int violations() const { return violations_.load(); }

 private:
  std::atomic<int> inside_{0};
  std::atomic<int> violations_{0};
};

}  // namespace

TEST(TaskSectionStress, TrustedTasksAreServedFirstInFirstOut) {
  const int rounds = StressRounds(3000);
  const int taskCount = 6;
  tTaskCriticalSection s{};
  ExclusionProbe probe;
  // Tasks run one at a time and queue without a wait in between, so the
  // order of arrival is the order of the queue.
  int64_t arrivals = 0, lastServed = -1;
  int outOfOrder = 0, nested = 0;
  std::atomic<int> done{0};
  std::vector<std::unique_ptr<TestTask>> tasks;
  for (int t = 0; t < taskCount; ++t) {
    tasks.push_back(std::make_unique<TestTask>("fifo " + std::to_string(t), [&, t] {
      for (int r = 0; r < rounds; ++r) {
        int64_t arrival = arrivals++;
        if (!EnterTaskSection(s, -1, false, true)) {
          ADD_FAILURE() << "entry failed";
          return;
        }
        probe.Enter();
        if (arrival < lastServed) ++outOfOrder;
        lastServed = arrival;
        if ((r + t) % 5 == 0) {
          EnterTaskSection(s, 0, false, true);
          ++nested;
          LeaveTaskSection(s);
        }
        TaskDelay(0 == r % 3 ? 1 : 0);  // hold the section while the others queue
        probe.Leave();
        LeaveTaskSection(s);
      }
      ++done;
    }));
  }
  for (auto& t : tasks) ASSERT_TRUE(t->Join()) << "a wake-up was lost";
  EXPECT_EQ(done.load(), taskCount);
  EXPECT_EQ(probe.violations(), 0);
  EXPECT_EQ(outOfOrder, 0);
  EXPECT_GT(nested, 0);
  EXPECT_EQ(s.Count.load(), 0);
  EXPECT_EQ(s.EntryCount.load(), 0);
}

TEST(TaskSectionStress, PriorityTasksKeepExclusion) {
  const int rounds = StressRounds(3000) / 2;
  tTaskCriticalSection s{};
  ExclusionProbe probe;
  std::vector<std::unique_ptr<TestTask>> tasks;
  for (int t = 0; t < 5; ++t) {
    tasks.push_back(std::make_unique<TestTask>("prio " + std::to_string(t), [&, t] {
      for (int r = 0; r < rounds; ++r) {
        bool entered = EnterTaskSection(s, r % 7 == 0 ? 1 : -1, (r + t) % 3 == 0, false);
        if (!entered) continue;
        probe.Enter();
        TaskDelay(r % 2);
        probe.Leave();
        LeaveTaskSection(s);
      }
    }));
  }
  for (auto& t : tasks) ASSERT_TRUE(t->Join());
  EXPECT_EQ(probe.violations(), 0);
  EXPECT_EQ(s.Count.load(), 0);
}

TEST(TaskSectionStress, TasksAndPlainThreadsShareOneSection) {
  const int rounds = StressRounds(3000) / 4;
  tTaskCriticalSection s{};
  ExclusionProbe probe;
  std::atomic<int> entries{0};
  auto body = [&](bool plain) {
    for (int r = 0; r < rounds; ++r) {
      if (!EnterTaskSection(s, 20000, false, true)) {
        ADD_FAILURE() << "entry timed out";
        return;
      }
      probe.Enter();
      ++entries;
      if (r % 4 == 0) {
        EnterTaskSection(s, 0, false, true);
        LeaveTaskSection(s);
      }
      if (plain) std::this_thread::yield();
      else TaskDelay(r % 2);
      probe.Leave();
      LeaveTaskSection(s);
    }
  };
  std::vector<std::unique_ptr<TestTask>> tasks;
  for (int t = 0; t < 3; ++t)
    tasks.push_back(std::make_unique<TestTask>("mixed " + std::to_string(t), [&] { body(false); }));
  std::vector<std::thread> plain;
  for (int p = 0; p < 2; ++p) plain.emplace_back([&] { body(true); });
  for (auto& t : plain) t.join();
  for (auto& t : tasks) ASSERT_TRUE(t->Join());
  EXPECT_EQ(probe.violations(), 0);
  EXPECT_EQ(entries.load(), 5 * rounds);
  EXPECT_EQ(s.EntryCount.load(), 0);
  DestroyTaskSection(s, false);
}

TEST(TaskSectionStress, DestroyingWithWaitersGivesEveryWaiterCode148) {
  const int rounds = std::max(2, StressRounds(3000) / 60);
  std::atomic<int> exceptions{0}, falses{0}, others{0};
  for (int round = 0; round < rounds; ++round) {
    auto s = std::make_unique<tTaskCriticalSection>();
    std::atomic<bool> destroy{false};
    TestTask owner("owner", [&] {
      EnterTaskSection(*s, -1, false, true);
      TaskWaitUntil([&] { return destroy.load(); });
      DestroyTaskSection(*s, false);
      s.reset();  // the object holding the section goes away at once
    });
    ASSERT_TRUE(WaitUntil([&] { return s && s->Count.load() == 1; }));
    std::vector<std::unique_ptr<TestTask>> waiters;
    for (int w = 0; w < 5; ++w) {
      bool unlimited = (w + round) % 2 == 0;
      waiters.push_back(std::make_unique<TestTask>("w", [&, unlimited, w] {
        try {
          if (!EnterTaskSection(*s, unlimited ? -1 : 30000, w % 2 == 1, true) && LastError() == 148) ++falses;
          else ++others;
        } catch (const ProcessErrorException& e) {
          if (e.Code() == 148) ++exceptions;
          else ++others;
        }
      }));
      ASSERT_TRUE(WaitUntil([&] { return s->Count.load() == w + 2; }));
    }
    destroy = true;
    ASSERT_TRUE(owner.Join());
    for (auto& w : waiters) ASSERT_TRUE(w->Join());
  }
  EXPECT_EQ(exceptions.load() + falses.load(), 5 * rounds);
  EXPECT_GT(exceptions.load(), 0);
  EXPECT_GT(falses.load(), 0);
  EXPECT_EQ(others.load(), 0);
}

TEST(TrustedRunnerStress, PlainThreadsRunInTrustedTasksWithExceptions) {
  const int rounds = StressRounds(3000) / 10;
  std::atomic<int> ran{0}, caught{0};
  int insideTasks = 0;  // changed only inside trusted tasks
  std::vector<std::thread> callers;
  for (int c = 0; c < 3; ++c) {
    callers.emplace_back([&, c] {
      for (int r = 0; r < rounds; ++r) {
        try {
          RunInTrustedTask("stress", {c, r}, [&](const std::vector<int32_t>& args) {
            ++insideTasks;
            ++ran;
            if (args[1] % 7 == 3) throw std::out_of_range("round " + std::to_string(args[1]));
          });
        } catch (const std::out_of_range& e) {
          if (e.what() == "round " + std::to_string(r)) ++caught;
        }
      }
    });
  }
  for (auto& t : callers) t.join();
  EXPECT_EQ(ran.load(), 3 * rounds);
  int expectedThrows = 0;
  for (int r = 0; r < rounds; ++r) expectedThrows += r % 7 == 3;
  EXPECT_EQ(caught.load(), 3 * expectedThrows);
  AttachTask("reader");
  EXPECT_EQ(insideTasks, 3 * rounds);
  DetachTask();
}

TEST(IndependentThreadStress, TasksShareTheWorkerUnderADriverLock) {
  const int rounds = StressRounds(3000) / 10;
  tIndependentThread worker;
  tTaskCriticalSection driverLock{};
  ExclusionProbe probe;
  std::atomic<int> calls{0}, caught{0};
  std::vector<std::unique_ptr<TestTask>> tasks;
  for (int t = 0; t < 3; ++t) {
    tasks.push_back(std::make_unique<TestTask>("driver user", [&] {
      for (int r = 0; r < rounds; ++r) {
        TaskSectionLock lock(driverLock);
        try {
          RunInIndependentThread(worker, {r}, [&](const std::vector<int32_t>& args) {
            probe.Enter();
            ++calls;
            probe.Leave();
            if (args[0] % 5 == 4) throw std::logic_error("driver");
          });
        } catch (const std::logic_error&) {
          ++caught;
        }
      }
    }));
  }
  for (auto& t : tasks) ASSERT_TRUE(t->Join());
  EXPECT_EQ(calls.load(), 3 * rounds);
  int expectedThrows = 0;
  for (int r = 0; r < rounds; ++r) expectedThrows += r % 5 == 4;
  EXPECT_EQ(caught.load(), 3 * expectedThrows);
  EXPECT_EQ(probe.violations(), 0);
  DestroyTaskSection(driverLock, true);
}
