// The emulator's calls back into the adapter, as a real driver makes them:
// the two entry points handed over with ZefInit / ZefInitXML, called with
// the records of the universal driver interface. What to call comes from
// the configuration ("on_init", "on_document", "on_background"), one call a
// line; what each call got back is appended to the callback log.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "emu_config.h"
#include "io/printer/zefor/driver/lodrv_api.h"

namespace emu {

void SetCallbacks(int32_t number, LoDrv::TInterfaceCallback interfaceCallback, LoDrv::TPropCallback propCallback);
void GetCallbacks(int32_t number, LoDrv::TInterfaceCallback& interfaceCallback, LoDrv::TPropCallback& propCallback);

// Runs the lines in the calling thread; `when` marks them in the log.
void RunCallbacks(int32_t number, const Config& c, const std::vector<std::string>& lines, const std::string& when);
// Runs the lines from c.CallbackThreads threads of the emulator's own and
// waits for them.
void RunCallbacksInThreads(int32_t number, const Config& c, const std::vector<std::string>& lines,
                           const std::string& when);

// Background threads that run c.OnBackground every c.BackgroundPeriod ms
// (c.BackgroundRounds times, or until StopBackground).
void StartBackground(int32_t number, const Config& c);
void StopBackground(int32_t number);

}  // namespace emu
