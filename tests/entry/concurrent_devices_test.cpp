// POS tasks that create and free devices at the same time, through the real
// exports. Creating and destroying a universal register lets the other tasks
// run (its driver thread is awaited by signal), so the tasks below really
// interleave inside InitDevice, Done and DONEDLL.
//
// A deadlock among the tasks would also hold up the test thread, which
// waits as a task: a watchdog thread ends the program instead.
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <thread>

#include "devices_fixture.h"
#include "task_test_support.h"

namespace {

constexpr int kWatchdogSeconds = 120;
const char* const kStartBanner = "*** START ";

// Ends the program with a message when it is not dismissed in time.
class Watchdog {
 public:
  Watchdog(std::string what, int seconds)
      : thread_([this, what, seconds] {
          std::unique_lock<std::mutex> lock(mutex_);
          if (dismissed_.wait_for(lock, std::chrono::seconds(seconds), [this] { return done_; })) return;
          std::fprintf(stderr, "FATAL: %s did not end within %d s\n", what.c_str(), seconds);
          std::fflush(stderr);
          std::_Exit(1);
        }) {}
  ~Watchdog() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      done_ = true;
    }
    dismissed_.notify_all();
    thread_.join();
  }

 private:
  std::mutex mutex_;
  std::condition_variable dismissed_;
  bool done_ = false;
  std::thread thread_;
};

size_t Count(const std::string& text, const std::string& needle) {
  size_t n = 0;
  for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) ++n;
  return n;
}

class ConcurrentDevices : public DevicesFixture {
 protected:
  // Keeps the library loaded from here to the end of the program. A worker
  // thread of a device reports its end while it still runs a few
  // instructions of the library, and unloading the library right after
  // many devices were freed pulls that code from under it. That is a fault
  // of the threads, not of the device table, so these tests keep it apart.
  static void SetUpTestSuite() {
    static Adapter pin;
    std::string error;
    if (!pin.library) {
      ASSERT_TRUE(pin.Load(AdapterPath(), error)) << error;
    }
  }
  void SetUp() override {
    DevicesFixture::SetUp();
    platform::WriteWholeFile(dir_ + "emulator.cfg", "calls = calls.log\n");
  }
  // Starts every body as a POS task of its own and waits until all ended.
  void RunTogether(const std::vector<std::function<void()>>& bodies) {
    Watchdog watchdog(::testing::UnitTest::GetInstance()->current_test_info()->name(), kWatchdogSeconds);
    std::vector<std::unique_ptr<tasktest::TestTask>> tasks;
    for (size_t i = 0; i < bodies.size(); ++i)
      tasks.push_back(std::make_unique<tasktest::TestTask>("POS " + std::to_string(i), bodies[i]));
    for (auto& task : tasks) ASSERT_TRUE(task->Join());
  }
  std::string DeviceLog(int number) {
    std::string text;
    platform::ReadWholeFile(dir_ + "zefor" + std::to_string(number + 1) + ".log", text);
    return text;
  }
  // The driver sessions of one device number, in order, from the emulator's
  // call log: "I" for an initialisation, "D" for ZefDone.
  std::string DriverSessions(int number) {
    std::string calls, sessions;
    platform::ReadWholeFile(dir_ + "calls.log", calls);
    const std::string suffix = " number=" + std::to_string(number) + " ";
    for (size_t at = 0, end; at < calls.size(); at = end + 1) {
      end = calls.find('\n', at);
      if (end == std::string::npos) end = calls.size();
      const std::string line = calls.substr(at, end - at);
      if (line.find(suffix) == std::string::npos) continue;
      if (line.rfind("enter ZefInitXML ", 0) == 0) sessions += 'I';
      if (line.rfind("enter ZefDone ", 0) == 0) sessions += 'D';
    }
    return sessions;
  }
  // The device list holds each printer at most once.
  void ExpectNoNumberTwice() {
    const std::string info = DevicesInfo();
    for (int n = 0; n < kEmulatedDevices; ++n)
      EXPECT_LE(Count(info, "#" + std::to_string(n + 1) + ": "), 1u) << info;
  }
};

TEST_F(ConcurrentDevices, DistinctNumbersGetDistinctHandles) {
  constexpr int kTasks = 3, kEach = 4;
  int32_t handles[kTasks][kEach] = {};
  std::vector<std::function<void()>> bodies;
  for (int t = 0; t < kTasks; ++t)
    bodies.push_back([&, t] {
      for (int i = 0; i < kEach; ++i) handles[t][i] = adapter_.InitDevice(t * kEach + i, 0);
    });
  RunTogether(bodies);

  std::set<int32_t> distinct;
  for (auto& row : handles) distinct.insert(std::begin(row), std::end(row));
  EXPECT_EQ(distinct, (std::set<int32_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
  const std::string info = DevicesInfo();
  for (int n = 0; n < kTasks * kEach; ++n) {
    EXPECT_EQ(Count(info, "#" + std::to_string(n + 1) + ": "), 1u) << info;
    EXPECT_EQ(Count(DeviceLog(n), kStartBanner), 1u) << "number " << n;
  }
  for (int t = 0; t < kTasks; ++t)
    for (int i = 0; i < kEach; ++i) EXPECT_EQ(adapter_.InitDevice(t * kEach + i, 0), handles[t][i]);
}

TEST_F(ConcurrentDevices, OneNumberGetsOneDevice) {
  // The printer and its customer display are the same device; the POS may
  // set up both from different tasks at once.
  constexpr int kNumber = 3;
  int32_t printers[3] = {}, display = 0;
  RunTogether({[&] { printers[0] = adapter_.InitDevice(kNumber, 0); },
               [&] { printers[1] = adapter_.InitDevice(kNumber + 256, 0); },
               [&] { display = adapter_.InitCustDispPort(kNumber, 0); },
               [&] { printers[2] = adapter_.InitDevice(kNumber, 0); }});
  EXPECT_EQ(printers[0], 1);
  EXPECT_EQ(printers[1], 1);
  EXPECT_EQ(printers[2], 1);
  EXPECT_EQ(display, 1001);
  EXPECT_EQ(Count(DeviceLog(kNumber), kStartBanner), 1u);
  EXPECT_EQ(Count(DevicesInfo(), "#"), 1u);
}

TEST_F(ConcurrentDevices, FailedCreationAnswersEveryCaller) {
  int32_t results[3] = {0, 0, 0};
  RunTogether({[&] { results[0] = adapter_.InitDevice(42, 0); },
               [&] { results[1] = adapter_.InitDevice(42, 0); },
               [&] { results[2] = adapter_.InitCustDispPort(42, 0); }});
  EXPECT_EQ(results[0], -1);
  EXPECT_EQ(results[1], -1);
  EXPECT_EQ(results[2], 999);
  EXPECT_EQ(DevicesInfo(), "");
  EXPECT_EQ(adapter_.InitDevice(0, 0), 1) << "no slot stayed reserved";
}

TEST_F(ConcurrentDevices, ANumberBeingFreedIsCreatedAfterward) {
  constexpr int kNumber = 5;
  const int32_t first = adapter_.InitDevice(kNumber, 0);
  ASSERT_EQ(first, 1);
  int32_t second = 0;
  bool freeing = false;
  // Tasks switch only inside waits: once `freeing` is seen, Done has cleared
  // the slot and its device is being destroyed.
  RunTogether({[&] {
                 freeing = true;
                 adapter_.Done(first);
               },
               [&] {
                 ASSERT_TRUE(tasktest::TaskWaitUntil([&] { return freeing; }));
                 second = adapter_.InitDevice(kNumber, 0);
               }});
  EXPECT_GT(second, 0);
  EXPECT_EQ(Count(DevicesInfo(), "#6: "), 1u);
  // The new device started after the old one had let its driver go.
  EXPECT_EQ(Count(DeviceLog(kNumber), kStartBanner), 2u);
  EXPECT_EQ(DriverSessions(kNumber), "IDI");
}

TEST_F(ConcurrentDevices, CreateFreeAndShutDownTogether) {
  const int rounds = tasktest::StressRounds(3);
  for (int round = 0; round < rounds; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    std::vector<int32_t> created;
    std::mutex createdLock;
    auto create = [&](int number) {
      int32_t h = adapter_.InitDevice(number, 0);
      std::lock_guard<std::mutex> lock(createdLock);
      created.push_back(h);
    };
    RunTogether({
        [&] {  // creates four printers and frees them again
          std::vector<int32_t> own;
          for (int n = 0; n < 4; ++n) own.push_back(adapter_.InitDevice(n, 0));
          for (int32_t h : own) adapter_.Done(h);
        },
        [&] {  // asks for the same four and reads their status
          for (int n = 0; n < 4; ++n) {
            int32_t h = adapter_.InitDevice(n, 0);
            std::vector<uint8_t> record(kPrinterStatusSize, 0);
            reinterpret_cast<TPrinterStatus*>(record.data())->Size = kPrinterStatusSize;
            adapter_.GetStatus(h, reinterpret_cast<TPrinterStatus*>(record.data()));
          }
        },
        [&] {  // four others, then the library shut-down
          for (int n = 8; n < 12; ++n) create(n);
          adapter_.DONEDLL();
        },
        [&] {
          for (int n = 4; n < 8; ++n) create(n);
        },
    });
    for (int32_t h : created) EXPECT_TRUE(h >= 1 && h <= 16) << h;
    ExpectNoNumberTwice();
    for (int n = 0; n < kEmulatedDevices; ++n) {
      // The devices of one number never overlap.
      const std::string sessions = DriverSessions(n);
      EXPECT_EQ(sessions.find("II"), std::string::npos) << "number " << n << ": " << sessions;
    }
    adapter_.DONEDLL();
    EXPECT_EQ(DevicesInfo(), "");
    EXPECT_EQ(adapter_.InitDevice(3, 0), 1) << "the table was emptied";
    adapter_.DONEDLL();
  }
}

}  // namespace
