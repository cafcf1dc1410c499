// Moving a piece of work to another task or thread and waiting for it; an
// exception of the work is raised again in the waiting caller.
#pragma once
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/sync.h"

using tTaskProcedure = std::function<void(const std::vector<int32_t>&)>;

class TTasksException : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Runs proc(args) inside a new trusted task named `name` and waits for it; a
// trusted caller runs it directly. Needs tarvel32's TasksVersion 122 or
// later (reported with code 154 otherwise).
void RunInTrustedTask(const std::string& name, const std::vector<int32_t>& args, const tTaskProcedure& proc);

// A worker operating-system thread that runs procedures on request, one at a
// time, for one requester at a time.
class tIndependentThread {
 public:
  // destroyTimeoutMs: how long destruction waits for the thread to end.
  explicit tIndependentThread(uint32_t destroyTimeoutMs = 30000);
  ~tIndependentThread();
  tIndependentThread(const tIndependentThread&) = delete;
  tIndependentThread& operator=(const tIndependentThread&) = delete;

  // Ends the thread (reported with code 147 when it does not end in time);
  // the destructor does this when it has not been done.
  void Destroy();

  struct State;

 private:
  friend bool RunInIndependentThread(tIndependentThread&, const std::vector<int32_t>&, const tTaskProcedure&);
  // Starts a request; -1 for a non-trusted caller, else the caller's task.
  int32_t Start(const tTaskProcedure& proc, const std::vector<int32_t>& args);

  std::shared_ptr<State> state_;
  platform::SyncHandle thread_ = 0;
  uint32_t destroyTimeoutMs_;
};

// Runs proc(args) on the worker and waits (a trusted caller by signal 9, so
// that the other tasks keep running). True; raises what proc raised.
bool RunInIndependentThread(tIndependentThread& worker, const std::vector<int32_t>& args,
                            const tTaskProcedure& proc);
