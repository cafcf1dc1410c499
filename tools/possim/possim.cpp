// The POS simulator: loads the adapter by path as the POS does, calls
// INITDLL, creates a device, reads its status, capability flags, external
// identifier and shift state and the device list, prints
// optional PRN files, frees the device and the library, and prints what came
// back in readable form.
//
//   possim [--adapter PATH] [--config PARAMS.CFG] [--device N] [--print FILE]...
//          [--menu HANDLE[=ANSWER]]...
//
// --menu runs a menu entry the driver registered, as the cashier would choose
// it (with the answer of its input dialog), and shows the file it produced.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "adapter.h"
#include "orderparser.h"
#include "orderstream.h"
#include "io/printer/fiscreg/fisc_doc_info.h"
#include "tarvel32/tarvel32.h"

namespace {

struct Options {
  std::string adapter;
  std::string config;
  int32_t device = 0;
  std::vector<std::string> prints;
  std::vector<std::string> orders;    // order descriptions to print as receipts
  std::vector<std::string> datasets;  // saved datasets streams ("FRErrorInputData.log")
  int32_t kind = 1;                   // document kind of the receipts
  int32_t flags = 0x2E;               // fdfSeparateDiscount | fdfUseTaxDishType | fdfPrintChange | fdfUseAltNames
  std::vector<std::string> menus;     // "handle" or "handle=dialog answer"
};

bool ParseArgs(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto next = [&]() -> std::string { return i + 1 < argc ? argv[++i] : ""; };
    if (a == "--adapter") o.adapter = next();
    else if (a == "--config") o.config = next();
    else if (a == "--device") o.device = std::atoi(next().c_str());
    else if (a == "--print") o.prints.push_back(next());
    else if (a == "--order") o.orders.push_back(next());
    else if (a == "--datasets") o.datasets.push_back(next());
    else if (a == "--kind") o.kind = std::atoi(next().c_str());
    else if (a == "--flags") o.flags = int32_t(std::strtol(next().c_str(), nullptr, 0));
    else if (a == "--menu") o.menus.push_back(next());
    else {
      std::fprintf(stderr, "usage: possim [--adapter PATH] [--config FILE] [--device N] [--print FILE]...\n"
                           "              [--kind N] [--flags N] [--order FILE.order]... [--datasets FILE]...\n"
                           "              [--menu HANDLE[=ANSWER]]...\n");
      return false;
    }
  }
  if (o.adapter.empty())
    o.adapter = platform::DirectoryOf(platform::OwnModulePath()) + platform::LibraryFileName("zefor");
  return true;
}

// The device-list callback handed over by INITDLL (nullptr before it).
Adapter::TDevicesInfo g_devicesInfo = nullptr;

std::string DevicesText() {
  char devices[1024] = {};
  if (g_devicesInfo) g_devicesInfo(devices, sizeof devices);
  return devices;
}

void ShowDriverInfo(Adapter& a) {
  std::vector<uint8_t> info(600, 0);
  int32_t revision = 101, error = 0;
  std::memcpy(info.data() + 544, &revision, 4);
  bool ok = a.INITDLL(0, 0, 2, &error, info.data(), 0);
  uint16_t version;
  std::memcpy(&version, info.data() + 12, 2);
  std::printf("INITDLL: %s\n", ok ? "true" : "false");
  std::printf("  driver name:    %.*s\n", info[280], reinterpret_cast<char*>(info.data() + 281));
  std::printf("  driver version: %u\n", version);
  uint32_t callback;
  std::memcpy(&callback, info.data() + 548, 4);
  g_devicesInfo = reinterpret_cast<Adapter::TDevicesInfo>(uintptr_t(callback));
  std::printf("  devices:        \"%s\"\n", DevicesText().c_str());
}

void ShowStatus(Adapter& a, int32_t handle) {
  TPrinterStatus status{};
  status.Size = kPrinterStatusSize;
  a.GetStatus(handle, &status);
  std::printf("GetStatus(%d):\n", handle);
  std::printf("  Offline=%u Busy=%u NotReady=%u SlipSupported=%u CannotPrintUnfiscal=%u\n", status.Offline,
              status.Busy, status.NotReady, status.SlipSupported, status.CannotPrintUnfiscal);
  std::printf("  PaperStatus=%u StatusFlags=0x%02X AdapterMinor=%d\n", status.PaperStatus, status.StatusFlags,
              status.AdapterMinor);
  status.StateText[sizeof status.StateText - 1] = 0;
  if (status.StateText[0]) std::printf("  StateText: %s\n", status.StateText);
}

// What a fiscal register tells about itself: capability flags, the
// external identifier (serial number) and whether a shift is open.
void ShowFiscal(Adapter& a, int32_t handle) {
  uint32_t flags = a.NewGetFlags(handle);
  std::printf("NewGetFlags(%d) = 0x%08X\n", handle, flags);
  char id[256] = {};
  uint8_t opened = 0;
  bool ok = a.FiscGetExtID(handle, id, &opened);
  std::printf("FiscGetExtID(%d) = %s\n", handle, ok ? "true" : "false");
  std::printf("  external identifier: \"%s\"\n", id);
  std::printf("  shift:               %s\n", opened ? "open" : "closed");
  a.PrintersStarted(handle);
  std::printf("PrintersStarted(%d)\n", handle);
}

// One fiscal document with a datasets stream, and what the POS got back.
void PrintReceipt(Adapter& a, int32_t handle, const Options& o, const std::string& name, std::string stream) {
  std::vector<uint8_t> record(kFiscDocInfoSize, 0);
  TFiscDocInfo doc{};
  doc.Size = kFiscDocInfoSize;
  doc.Kind = uint8_t(o.kind);
  doc.Flags = o.flags;
  doc.Data = uint32_t(uintptr_t(stream.data()));
  doc.DataSize = int32_t(stream.size());
  std::memcpy(record.data(), &doc, sizeof doc);
  bool ok = a.FiscDocument(handle, record.data()) != 0;
  std::memcpy(&doc, record.data(), sizeof doc);
  std::printf("FiscDocument(%s, kind %d) = %s\n", name.c_str(), o.kind, ok ? "true" : "false");
  std::printf("  CheckNum=%d DocNum=%d FiscShiftNum=%d ShiftOpened=%u OFDUnsentCount=%d\n", int32_t(doc.CheckNum),
              int32_t(doc.DocNum), int32_t(doc.FiscShiftNum), doc.ShiftOpened, int32_t(doc.OFDUnsentCount));
  if (!ok)
    std::printf("  ErrorCode=%d LogicError=%d ErrorText=\"%.*s\"\n", int32_t(doc.ErrorCode), int32_t(doc.LogicError),
                doc.ErrorText[0], reinterpret_cast<const char*>(doc.ErrorText + 1));
}

void PrintReceipts(Adapter& a, int32_t handle, const Options& o) {
  for (const std::string& file : o.orders) {
    std::string text;
    if (!platform::ReadWholeFile(file, text)) {
      std::printf("FiscDocument: cannot read %s\n", file.c_str());
      continue;
    }
    try {
      PrintReceipt(a, handle, o, file, orderwriter::WriteOrderStream(orderwriter::ParseOrderDescription(text)));
    } catch (const std::exception& e) {
      std::printf("FiscDocument: %s: %s\n", file.c_str(), e.what());
    }
  }
  for (const std::string& file : o.datasets) {
    std::string stream;
    if (platform::ReadWholeFile(file, stream)) PrintReceipt(a, handle, o, file, stream);
    else std::printf("FiscDocument: cannot read %s\n", file.c_str());
  }
}

// The POS's side of the menu lives in the parameter service: it keeps the
// entries the adapter registered and runs an entry's procedure on request.
void RunMenus(const Options& o) {
  if (o.menus.empty()) return;
  using TRunMenu = int32_t(ZEF_STDCALL*)(int32_t, const char*, char*, int32_t);
  auto params = platform::FindLoadedLibrary(platform::LibraryFileName("params"));
  auto run = params ? reinterpret_cast<TRunMenu>(platform::FindFunction(params, "ParamsRunMenu")) : nullptr;
  for (const std::string& menu : o.menus) {
    size_t equals = menu.find('=');
    int32_t handle = std::atoi(menu.substr(0, equals).c_str());
    std::string answer = equals == std::string::npos ? "" : menu.substr(equals + 1);
    char file[260] = {};
    bool ran = run && run(handle, answer.c_str(), file, sizeof file) != 0;
    std::printf("Menu entry %d (\"%s\"): %s\n", handle, answer.c_str(), ran ? "run" : "no such command");
    std::string text;
    if (ran && file[0] && platform::ReadWholeFile(file, text))
      std::printf("  print file %s:\n%s\n", file, text.c_str());
  }
}

void ShowDevices() { std::printf("Devices: \"%s\"\n", DevicesText().c_str()); }

int Run(const Options& o) {
  Adapter a;
  std::string error;
  if (!a.Load(o.adapter, error)) {
    std::fprintf(stderr, "possim: %s\n", error.c_str());
    return 1;
  }
  ShowDriverInfo(a);
  int32_t handle = a.InitDevice(o.device, 0);
  std::printf("InitDevice(%d) = %d\n", o.device, handle);
  if (handle > 0) {
    ShowStatus(a, handle);
    ShowFiscal(a, handle);
    ShowDevices();
    for (const std::string& file : o.prints) {
      std::string data;
      if (!platform::ReadWholeFile(file, data)) {
        std::printf("Printing: cannot read %s\n", file.c_str());
        continue;
      }
      bool ok = a.PrintingWithRes(handle, reinterpret_cast<const uint8_t*>(data.data()), int32_t(data.size()));
      std::printf("PrintingWithRes(%s, %d bytes) = %s\n", file.c_str(), int(data.size()), ok ? "true" : "false");
    }
    PrintReceipts(a, handle, o);
    RunMenus(o);
    a.Done(handle);
    std::printf("Done(%d)\n", handle);
  }
  a.DONEDLL();
  std::printf("DONEDLL\n");
  const bool strict = NoUnlistedRequests(stdout);
  a.Unload();
  return handle <= 0 ? 2 : strict ? 0 : 3;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (!ParseArgs(argc, argv, o)) return 2;
  if (!o.config.empty()) platform::SetEnv("PARAMS_CONFIG", o.config);
  // The POS calls the adapter from its own tasks.
  AttachTask("POS main");
  int result = Run(o);
  DetachTask();
  return result;
}
