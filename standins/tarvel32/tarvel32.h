// The tarvel32 stand-in: the task library's own functions (declared in
// src/standart/task_library.h) plus the controls that tests and the POS
// simulator use. Not for the adapter.
//
// How the stand-in works:
// - Every task runs on an operating-system thread of its own. All tasks are
//   trusted; the values 32764 (stack size hint), 1 and the last 0 given to
//   NewTask are accepted and otherwise ignored (stacks are 512 KiB).
// - Trusted tasks run one at a time: a task holds the "task baton" while it
//   runs and gives it up only while it waits inside this library (WaitSignal,
//   WaitSignalIgnoreOther, WaitTaskEnd) or when it ends. The baton is handed
//   out first come, first served. A task that blocks in an operating-system
//   wait keeps the baton, as a cooperative task would hold up the others.
// - Each task has a queue of numbered signals (at most 4096 pending). A wait
//   for signal N takes the oldest pending signal N and leaves all others
//   queued; WaitSignal and WaitSignalIgnoreOther behave alike. A time-out
//   leaves status 1 in the wait record; a wait outside a task fails with
//   status 2. A signal that arrives while the timed-out task waits for the
//   baton still counts.
// - Handles start at 1 and are never reused; the information record of an
//   ended task stays, with its defined flag cleared, and SendSignal to it fails.
// - GetSignalExistsHandle gives the calling task's manual-reset event, set
//   while its queue is not empty (0 outside a task).
// - By name only: IsInTrustedThread, PrintAllStacks (counts calls; lists the
//   tasks on standard error when TARVEL32_PRINT_STACKS is set) and
//   TasksVersion (130 unless changed with SetTasksVersion).
#pragma once
#include "standart/task_library.h"

extern "C" {
// Makes the calling plain thread a trusted task until DetachTask (waits for
// the baton first). Returns the task handle, or -1 when it is a task already.
int32_t ZEF_STDCALL AttachTask(const char* name);
// Ends the calling thread's task (from AttachTask) and gives up the baton.
void ZEF_STDCALL DetachTask();
// Waits until the task has ended; true when it has. A task calling this gives
// up the baton while it waits.
uint8_t ZEF_STDCALL WaitTaskEnd(int32_t task, int32_t timeout);
// Number of signals pending for a task (-1 for an unknown handle).
int32_t ZEF_STDCALL PendingSignalCount(int32_t task);
int32_t ZEF_STDCALL PrintAllStacksCount();

// What GetSystemSleepTime, GetNoSwitchMode, IsInitializeFinalize and
// TasksVersion answer (defaults: 0, false, false, 130).
void ZEF_STDCALL SetSystemSleepTime(int32_t ms);
void ZEF_STDCALL SetNoSwitchMode(uint8_t on);
void ZEF_STDCALL SetInitializeFinalize(uint8_t on);
void ZEF_STDCALL SetTasksVersion(int32_t version);
}
