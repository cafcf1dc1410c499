#include "standart/trusted_tasks.h"

#include <atomic>

#include "standart/errors.h"
#include "standart/task_binding.h"
#include "standart/task_library.h"
#include "standart/tasks.h"

namespace {

constexpr int32_t kNeededTasksVersion = 122;
constexpr int32_t kTaskStackSize = 32764;

// On the caller's stack; its address is the new task's parameter.
struct tDispatcherRec {
  std::vector<int32_t> Args;
  const tTaskProcedure* Proc;
  platform::SyncHandle Event;
  std::exception_ptr Exception;
};

void ZEF_STDCALL SynchroProc() {
  const tTaskInfo* info = GetTaskInfo(GetTaskHandle());
  if (!info) return;
  auto* rec = reinterpret_cast<tDispatcherRec*>(info->Param);
  try {
    ProtocolSection protocol;
    (*rec->Proc)(rec->Args);
  } catch (...) {
    rec->Exception = std::current_exception();
    try {
      RaiseError(147, "Error running synchro proc from other thread");
    } catch (...) {
    }
  }
  platform::SetEvent(rec->Event);
}

void CheckTasksVersion() {
  int32_t version = 0;
  if (!QueryTasksVersion(version) || version < kNeededTasksVersion)
    RaiseErrorFmt(154, "Version of tarvel32.dll too low, %d needed", kNeededTasksVersion);
}

}  // namespace

void RunInTrustedTask(const std::string& name, const std::vector<int32_t>& args, const tTaskProcedure& proc) {
  if (IsInTrustedThread()) {
    std::vector<int32_t> copy(args);
    proc(copy);
    return;
  }
  CheckTasksVersion();
  tDispatcherRec rec{args, &proc, platform::CreateEventHandle(true, false), nullptr};
  uint8_t taskName[256];
  StoreShortString(taskName, name);
  int32_t task = rec.Event ? NewTask(SynchroProc, kTaskStackSize, 1, taskName, intptr_t(&rec), 0) : -1;
  if (task < 0) {
    if (rec.Event) platform::CloseHandle(rec.Event);
    throw TTasksException("RunInTrustedTask: Can not create trusted task.");
  }
  platform::WaitForSingleObject(rec.Event, platform::kInfinite);
  platform::CloseHandle(rec.Event);
  if (rec.Exception) std::rethrow_exception(rec.Exception);
}

// Shared by the worker object and its thread, which may outlive the object
// when it does not end in time.
struct tIndependentThread::State {
  tTaskProcedure Proc;
  std::vector<int32_t> Args;
  int32_t Requester = -1;
  std::string RequesterName;
  std::exception_ptr Exception;
  platform::SyncHandle StartEvent = platform::CreateEventHandle(false, false);
  platform::SyncHandle DoneEvent = 0;
  std::atomic<bool> Terminated{false};

  ~State() {
    platform::CloseHandle(StartEvent);
    if (DoneEvent) platform::CloseHandle(DoneEvent);
  }
};

namespace {

void RunRequest(tIndependentThread::State& s) {
  try {
    s.Proc(s.Args);
  } catch (...) {
    s.Exception = std::current_exception();
    try {
      RaiseError(155, "Error running IndependentProc from trusted thread " + s.RequesterName);
    } catch (...) {
    }
  }
  // Read before answering: the requester may start the next request at once.
  int32_t requester = s.Requester;
  platform::SyncHandle done = s.DoneEvent;
  if (requester >= 0) SendSignal(requester, kSignalIndependentDone, 0, 0, 0);
  if (done) platform::SetEvent(done);
}

void IndependentProc(const std::shared_ptr<tIndependentThread::State>& state) {
  for (;;) {
    platform::WaitForSingleObject(state->StartEvent, platform::kInfinite);
    if (state->Terminated) return;
    RunRequest(*state);
  }
}

}  // namespace

tIndependentThread::tIndependentThread(uint32_t destroyTimeoutMs)
    : state_(std::make_shared<State>()), destroyTimeoutMs_(destroyTimeoutMs) {
  std::shared_ptr<State> state = state_;
  if (state->StartEvent) thread_ = platform::CreateThreadHandle([state] { IndependentProc(state); });
  if (!thread_) throw TTasksException("tIndependentThread: Can not create thread.");
}

tIndependentThread::~tIndependentThread() {
  try {
    Destroy();
  } catch (...) {
  }
}

void tIndependentThread::Destroy() {
  if (!thread_) return;
  platform::SyncHandle thread = thread_;
  thread_ = 0;
  state_->Terminated = true;
  platform::SetEvent(state_->StartEvent);
  uint32_t r = platform::WaitForSingleObject(thread, destroyTimeoutMs_);
  platform::CloseHandle(thread);
  if (r == platform::kWaitTimeout) RaiseError(147, "tIndependentThread.Destroy: timeout waiting termination");
}

int32_t tIndependentThread::Start(const tTaskProcedure& proc, const std::vector<int32_t>& args) {
  State& s = *state_;
  s.Proc = proc;
  s.Args = args;
  s.Exception = nullptr;
  if (IsInTrustedThread()) {
    s.Requester = GetTaskHandle();
    s.RequesterName = TaskName(s.Requester);
    tSignalFilter filter{s.Requester, kSignalIndependentDone, 0};
    RemoveSignals(&filter, sizeof filter);
  } else {
    s.Requester = -1;
    s.RequesterName.clear();
    if (!s.DoneEvent) s.DoneEvent = platform::CreateEventHandle(true, false);
  }
  if (s.DoneEvent) platform::ResetEvent(s.DoneEvent);
  platform::SetEvent(s.StartEvent);
  return s.Requester;
}

bool RunInIndependentThread(tIndependentThread& worker, const std::vector<int32_t>& args,
                            const tTaskProcedure& proc) {
  if (!worker.thread_) throw TTasksException("RunInIndependentThread:Waiting terminated.");
  bool done;
  if (worker.Start(proc, args) == -1) {
    done = platform::WaitForSingleObject(worker.state_->DoneEvent, platform::kInfinite) == platform::kWaitObject0;
  } else {
    tWaitRecord record{};
    done = TaskWaitSignal(kSignalIndependentDone, record, -1);
  }
  tIndependentThread::State& s = *worker.state_;
  if (s.Exception) {
    std::exception_ptr e = s.Exception;
    s.Exception = nullptr;
    std::rethrow_exception(e);
  }
  if (!done) throw TTasksException("RunInIndependentThread:Waiting terminated.");
  return true;
}
