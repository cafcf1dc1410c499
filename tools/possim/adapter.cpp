#include "adapter.h"

namespace {
template <class F>
bool Bind(platform::LibraryHandle lib, const char* name, F& target, std::string& error) {
  target = reinterpret_cast<F>(platform::FindFunction(lib, name));
  if (!target) error += std::string(error.empty() ? "" : ", ") + "missing export " + name;
  return target != nullptr;
}
}  // namespace

bool Adapter::Load(const std::string& path, std::string& error) {
  library = platform::OpenLibrary(path);
  if (!library) {
    error = "cannot load " + path + ": " + platform::LastLoadError();
    return false;
  }
  bool ok = true;
  ok &= Bind(library, "INITDLL", INITDLL, error);
  ok &= Bind(library, "DONEDLL", DONEDLL, error);
  ok &= Bind(library, "InitDevice", InitDevice, error);
  ok &= Bind(library, "Done", Done, error);
  ok &= Bind(library, "GetStatus", GetStatus, error);
  ok &= Bind(library, "PrintingWithRes", PrintingWithRes, error);
  ok &= Bind(library, "Printing", Printing, error);
  ok &= Bind(library, "CancelPrint", CancelPrint, error);
  ok &= Bind(library, "OpenDrawerNum", OpenDrawerNum, error);
  ok &= Bind(library, "OpenDrawer", OpenDrawer, error);
  ok &= Bind(library, "IsDrawerNumOpen", IsDrawerNumOpen, error);
  ok &= Bind(library, "ExtPrintData", ExtPrintData, error);
  ok &= Bind(library, "FiscGetExtID", FiscGetExtID, error);
  ok &= Bind(library, "FiscDocument", FiscDocument, error);
  ok &= Bind(library, "PrintersStarted", PrintersStarted, error);
  ok &= Bind(library, "ProgramPrinter", ProgramPrinter, error);
  ok &= Bind(library, "NewGetFlags", NewGetFlags, error);
  ok &= Bind(library, "InitCustDispPort", InitCustDispPort, error);
  ok &= Bind(library, "Print", Print, error);
  ok &= Bind(library, "GetZReportData", GetZReportData, error);
  return ok;
}

void Adapter::Unload() {
  platform::CloseLibrary(library);
  library = nullptr;
}

bool NoUnlistedRequests(std::FILE* out) {
  using TTakeUnlisted = int32_t(ZEF_STDCALL*)(char*, int32_t);
  auto params = platform::FindLoadedLibrary(platform::LibraryFileName("params"));
  auto take = params ? reinterpret_cast<TTakeUnlisted>(platform::FindFunction(params, "ParamsTakeUnlisted")) : nullptr;
  std::string requests(64 * 1024, '\0');
  if (!take || take(requests.data(), int32_t(requests.size())) == 0) return true;
  std::fprintf(out, "Requests the POS would not answer:\n%s", requests.c_str());
  return false;
}
