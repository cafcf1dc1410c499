// Configuration of the fiscal register emulator: a text file of "key = value"
// lines, global or in "[device N]" sections, read again whenever it changes.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace emu {

// A fault bound to one driver function. nth 0: every call; n: only the n-th
// call counted since the configuration was last (re)loaded.
struct Fault {
  std::string Function;
  int32_t Value = 0;  // result code, or delay in milliseconds
  int32_t Nth = 0;
};

struct Config {
  std::string Directory;  // of the configuration file, with trailing separator
  std::string StateFile, TapeFile, CallLog;
  std::string UnloadLog;  // notes the thread that unloads the library
  int32_t Protocol = 40;
  std::string DriverName = "Fiscal register emulator";
  std::string VersionInfo = "1.0";
  std::string DriverState = "Ready";
  std::vector<std::string> Options;
  std::string Rounding = "0.01";      // "none": no DataFormat element
  std::string EndDate = "none";       // "none": no Hardware element
  std::string ChangeFrom;             // ChangeFromTypeIndexes, empty: none
  std::string MenuFile;               // raw XML of the MENU element
  std::string ReplyFile;              // a whole init reply instead of the built one
  std::string MenuReplyFile;           // what ZefMenuOperation returns instead of <MenuReply/>
  std::string FiscalReplyFile;        // what ZefFiscalDocument returns instead of DocumentResult
  std::string Serial = "EMU0000001";
  uint8_t NotReady = 0, Busy = 0, CannotPrintUnfiscal = 0, DrawerOpened = 0, EKLZNearEnd = 0;
  int32_t PaperStatus = 0;
  int32_t QueueSize = 0;
  int32_t Width = 40;                 // characters of a tape line
  int32_t DrawerOpenReads = 1;        // drawer status reads that find an opened drawer open
  int32_t LogicCode = 0;
  std::string LogicAnsi, LogicUtf8;
  std::vector<Fault> Faults;          // "fault = Function code [nth]"
  std::vector<Fault> Delays;          // "delay = Function ms [nth]"
  std::vector<Fault> Throws;          // "throw = Function [nth]"
  std::vector<Fault> CountedFaults;   // "counted_fault = ZefFiscalDocument code [nth]"
  // "hold = Function nth before|inside|after": the call stops there for
  // good (a test kills the process), after writing HoldFile.
  Fault Hold;
  std::string HoldPoint;
  std::string HoldFile;

  // Fiscal documents.
  std::string DocumentsFile;          // every fiscal document received, as sent
  bool Strict = true;                 // check each fiscal document as a register does
  std::map<int32_t, int32_t> Taxes;   // "taxes = 1:2000 2:1000": index -> rate in hundredths of a percent
  bool ExactTaxes = false;            // "tax_check = exact": tax sums to the kopeck of the rate
  std::vector<int32_t> CashTypes{1};  // payment type indexes that are cash (may give change)
  int32_t MaxPayType = 16;            // highest payment type index accepted

  // The register's day.
  std::string ZReply = "full";        // what the Z-report answers: full, attributes, bare, none
  std::string ZReportFile;            // "ZReportData" text answered instead of the register's own
  // Calls back into the adapter (emu_callbacks.h): one call a line, in order.
  std::vector<std::string> OnInit;        // in ZefInit's own thread
  std::vector<std::string> OnDocument;    // from own threads while ZefFiscalDocument runs
  std::vector<std::string> OnBackground;  // from own threads between the calls
  int32_t CallbackThreads = 1;            // threads that each run the whole list
  int32_t BackgroundPeriod = 0;           // milliseconds between rounds; 0: no background threads
  int32_t BackgroundRounds = 0;           // rounds of each background thread; 0: until ZefDone
  std::string CallbackLog;                // what each call got back (default emulator<N+1>.callbacks)
  std::map<int32_t, int32_t> RecordSizes; // "record_size = KIND SIZE": the size field of that kind's records
  bool HasClockOffset = false;
  int32_t ClockOffset = 0;            // "clock_offset = -45": the clock set off, once per configuration
};

// Parses the text for device `number`; later lines win, a device section
// over the global lines before it. Unknown keys are ignored.
Config ParseConfig(const std::string& text, int32_t number, const std::string& directory);

// The fault of a list that applies to call `count` of `function`; nullptr if none.
const Fault* FindFault(const std::vector<Fault>& faults, const std::string& function, int32_t count);

}  // namespace emu
