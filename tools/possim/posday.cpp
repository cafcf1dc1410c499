// A day at the POS: loads the adapter as the POS does, creates a device and
// runs the documents of a day file through FiscDocument and the other
// exports, printing each result, the register's counters the POS got back
// and, at the Z-report, the shift's data the POS keeps.
//
//   posday [--adapter PATH] [--config PARAMS.CFG] [--device N] DAY-FILE
//
// Day file: one step a line, "#" starts a comment; order files are relative
// to the day file.
//   cash-in ORDER | cash-out ORDER | sale ORDER | return ORDER
//   x-report | z-report | program | collect ORDER
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>

#include "adapter.h"
#include "io/printer/fiscreg/fisc_doc_info.h"
#include "orderparser.h"
#include "orderstream.h"
#include "tarvel32/tarvel32.h"

namespace {

struct Step {
  const char* Name;
  uint8_t Kind;
  int32_t SubType;
  int32_t Flags;
};

const Step kSteps[] = {
    {"cash-in", fdCashInOut, 0, 0},   {"cash-out", fdCashInOut, -1, 0}, {"sale", fdFiscCheck, 0, 0x2E},
    {"return", fdFiscReturn, 0, 0x2E}, {"x-report", fdXReport, 0, 0},   {"z-report", fdCloseShift, 0, 0},
    {"collect", fdCollectCash, 0, 0},
};

std::string ReadText(const std::string& path) {
  std::string text;
  platform::ReadWholeFile(path, text);
  return text;
}

std::string ShortText(const uint8_t* s) { return std::string(reinterpret_cast<const char*>(s + 1), s[0]); }

bool RunStep(Adapter& a, int32_t handle, const Step& step, const std::string& orderPath) {
  std::string data;
  if (!orderPath.empty())
    data = orderwriter::WriteOrderStream(orderwriter::ParseOrderDescription(ReadText(orderPath)));
  TFiscDocInfo doc{};
  doc.Size = kFiscDocInfoSize;
  doc.Kind = step.Kind;
  doc.SubType = step.SubType;
  doc.Flags = step.Flags;
  doc.Data = uint32_t(uintptr_t(data.data()));
  doc.DataSize = int32_t(data.size());
  uint8_t record[kFiscDocInfoSize];
  std::memcpy(record, &doc, sizeof doc);
  const bool ok = a.FiscDocument(handle, record) != 0;
  std::memcpy(&doc, record, sizeof doc);
  std::printf("%-9s %-5s shift %d %s, document %d, receipt %d", step.Name, ok ? "OK" : "FAIL", doc.FiscShiftNum,
              doc.ShiftOpened ? "open" : "closed", doc.DocNum, doc.CheckNum);
  if (!ok) std::printf(", error %d/%d: %s", doc.ErrorCode, doc.LogicError, ShortText(doc.ErrorText).c_str());
  std::printf("\n");
  if (const char* z = reinterpret_cast<const char*>(uintptr_t(doc.ZReportXml)))
    if (*z) std::printf("Z-report data the POS keeps:%s\n", z);
  return ok;
}

int Run(const std::string& adapterPath, int32_t device, const std::string& dayFile) {
  Adapter a;
  std::string error;
  if (!a.Load(adapterPath, error)) {
    std::fprintf(stderr, "cannot load %s: %s\n", adapterPath.c_str(), error.c_str());
    return 2;
  }
  // The driver information record as the POS hands it over (revision 101).
  uint8_t info[600] = {};
  int32_t revision = 101, initError = 0;
  std::memcpy(info + 544, &revision, 4);
  a.INITDLL(0, 0, 2, &initError, info, 0);
  const int32_t handle = a.InitDevice(device, 0);
  std::printf("InitDevice(%d) = %d\n", device, handle);
  int failures = handle > 0 ? 0 : 1;
  const std::string folder = dayFile.substr(0, dayFile.find_last_of("/\\") + 1);
  std::istringstream lines(ReadText(dayFile));
  for (std::string line; handle > 0 && std::getline(lines, line);) {
    std::istringstream words(line.substr(0, line.find('#')));
    std::string name, order;
    if (!(words >> name)) continue;
    words >> order;
    if (name == "program") {
      a.ProgramPrinter(handle, nullptr);
      std::printf("program   done\n");
      continue;
    }
    const Step* step = nullptr;
    for (const Step& s : kSteps)
      if (name == s.Name) step = &s;
    if (!step) {
      std::fprintf(stderr, "unknown step: %s\n", name.c_str());
      ++failures;
      continue;
    }
    if (!RunStep(a, handle, *step, order.empty() ? std::string() : folder + order)) ++failures;
  }
  if (handle > 0) a.Done(handle);
  a.DONEDLL();
  if (!NoUnlistedRequests(stderr)) ++failures;
  a.Unload();
  return failures == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::string adapter = platform::DirectoryOf(platform::OwnModulePath()) + platform::LibraryFileName("zefor");
  std::string config, dayFile;
  int32_t device = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto next = [&]() -> std::string { return i + 1 < argc ? argv[++i] : ""; };
    if (arg == "--adapter") adapter = next();
    else if (arg == "--config") config = next();
    else if (arg == "--device") device = std::atoi(next().c_str());
    else dayFile = arg;
  }
  if (dayFile.empty()) {
    std::fprintf(stderr, "usage: posday [--adapter PATH] [--config PARAMS.CFG] [--device N] DAY-FILE\n");
    return 2;
  }
  if (!config.empty()) platform::SetEnv("PARAMS_CONFIG", config);
  AttachTask("POS main");
  const int result = Run(adapter, device, dayFile);
  DetachTask();
  return result;
}
