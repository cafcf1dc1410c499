// Helpers of the task tests: tasks of the tarvel32 stand-in that run a
// lambda, bounded waits from plain threads, and the nolvex32 log.
#pragma once
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>

#include "platform/platform.h"
#include "standart/errors.h"
#include "standart/tasks.h"
#include "tarvel32/tarvel32.h"

namespace tasktest {

constexpr int32_t kJoinMs = 120000;  // bound of every task end awaited by a test

// A trusted task of the stand-in running `body` (on a 512 KiB stack).
class TestTask {
 public:
  TestTask(const std::string& name, std::function<void()> body) : body_(std::move(body)) {
    uint8_t shortName[256];
    StoreShortString(shortName, name);
    handle_ = NewTask(&Trampoline, 32764, 1, shortName, intptr_t(this), 0);
    if (handle_ < 0) Die("NewTask failed for " + name);
  }
  ~TestTask() {
    if (!Join()) Die("a task did not end in time");
  }
  TestTask(const TestTask&) = delete;
  TestTask& operator=(const TestTask&) = delete;

  int32_t handle() const { return handle_; }
  bool Join(int32_t ms = kJoinMs) { return WaitTaskEnd(handle_, ms) != 0; }

 private:
  static void ZEF_STDCALL Trampoline() {
    auto* self = reinterpret_cast<TestTask*>(GetTaskInfo(GetTaskHandle())->Param);
    self->body_();
  }
  // A task still running would use a destroyed object: stop the run instead.
  [[noreturn]] static void Die(const std::string& why) {
    std::fprintf(stderr, "FATAL: %s\n", why.c_str());
    std::abort();
  }

  std::function<void()> body_;
  int32_t handle_ = -1;
};

// Polls pred from a plain thread; false when it is not met within ms.
inline bool WaitUntil(const std::function<bool()>& pred, int32_t ms = 20000) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!pred()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

// Lets the other tasks run until pred holds (inside a task).
inline bool TaskWaitUntil(const std::function<bool()>& pred, int32_t ms = 20000) {
  uint32_t start = platform::TickCount();
  while (!pred()) {
    if (platform::TickCount() - start > uint32_t(ms)) return false;
    TaskDelay(1);
  }
  return true;
}

inline int StressRounds(int fallback) {
  std::string v = platform::GetEnv("ZEF_TASK_STRESS_ROUNDS");
  return v.empty() ? fallback : std::max(1, std::atoi(v.c_str()));
}

inline std::string ReadLog() {
  std::string text;
  platform::ReadWholeFile(platform::GetEnv("NOLVEX32_LOG"), text);
  return text;
}

// Counts lines of the log written after a mark. The error service halves a
// log over its size limit from the front, and a test program's log is kept
// from run to run: counts over the whole log, taken before and after, differ
// by what a cut between them removed. The mark, near the end, survives it.
class LogMark {
 public:
  LogMark() : text_("test mark " + std::to_string(platform::TickCount()) + "." + std::to_string(++marks_)) {
    LogText(0, text_);
  }
  size_t Count(const std::string& needle) const {
    std::string log = ReadLog();
    size_t from = log.rfind(text_);
    if (from == std::string::npos) {
      ADD_FAILURE() << "the mark is not in the log";
      return 0;
    }
    size_t n = 0;
    for (size_t at = log.find(needle, from); at != std::string::npos; at = log.find(needle, at + 1)) ++n;
    return n;
  }

 private:
  static inline int marks_ = 0;
  std::string text_;
};

// Module start-up once for the whole test program.
class TaskServicesEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { InitTaskServices(); }
  void TearDown() override { DoneTaskServices(); }
};

}  // namespace tasktest
