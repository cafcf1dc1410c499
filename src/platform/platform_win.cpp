#include <windows.h>

#include <atomic>

#include "platform/file_faults.h"
#include "platform/platform.h"

namespace platform {

namespace {
thread_local std::string t_loadError;

HMODULE ModuleOf(const void* address) {
  HMODULE m = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     static_cast<LPCSTR>(address), &m);
  return m;
}

std::string QueryVersionText(const std::vector<char>& data, const char* name) {
  struct Translation { WORD language, codePage; }* tr = nullptr;
  UINT len = 0;
  char query[128];
  if (VerQueryValueA(data.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&tr), &len) && len >= 4)
    wsprintfA(query, "\\StringFileInfo\\%04x%04x\\%s", tr->language, tr->codePage, name);
  else
    wsprintfA(query, "\\StringFileInfo\\040904e4\\%s", name);
  char* value = nullptr;
  if (VerQueryValueA(data.data(), query, reinterpret_cast<void**>(&value), &len) && value) return value;
  return {};
}
}  // namespace

std::string LibraryFileName(const std::string& baseName) { return baseName + ".dll"; }

LibraryHandle OpenLibrary(const std::string& pathOrName) {
  HMODULE h = ::LoadLibraryA(pathOrName.c_str());
  if (!h) {
    // Reading the message text may clear the error number; the caller asks for both.
    DWORD code = GetLastError();
    t_loadError = OSErrorMessage(code);
    SetLastError(code);
  }
  return h;
}

LibraryHandle FindLoadedLibrary(const std::string& fileName) { return GetModuleHandleA(fileName.c_str()); }

void* FindFunction(LibraryHandle library, const char* name) {
  return library ? reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name)) : nullptr;
}

void CloseLibrary(LibraryHandle library) {
  if (library) ::FreeLibrary(static_cast<HMODULE>(library));
}

std::string LastLoadError() { return t_loadError; }

std::string ModulePathOf(const void* address) {
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(ModuleOf(address), path, MAX_PATH);
  return std::string(path, n);
}

uintptr_t ModuleInstanceOf(const void* address) { return uintptr_t(ModuleOf(address)); }

std::string OwnModulePath() { return ModulePathOf(reinterpret_cast<const void*>(&OwnModulePath)); }

char PathSeparator() { return '\\'; }

bool ModuleVersion(const void* address, VersionData& out) {
  std::string path = ModulePathOf(address);
  DWORD dummy = 0;
  DWORD size = GetFileVersionInfoSizeA(path.c_str(), &dummy);
  if (!size) return false;
  std::vector<char> data(size);
  if (!GetFileVersionInfoA(path.c_str(), 0, size, data.data())) return false;
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT len = 0;
  if (!VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &len) || !fixed) return false;
  out.Major = HIWORD(fixed->dwFileVersionMS);
  out.Minor = LOWORD(fixed->dwFileVersionMS);
  out.Release = HIWORD(fixed->dwFileVersionLS);
  out.Build = LOWORD(fixed->dwFileVersionLS);
  out.FileDescription = QueryVersionText(data, "FileDescription");
  out.ProductName = QueryVersionText(data, "ProductName");
  return true;
}

bool FileExists(const std::string& path) {
  DWORD a = GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

int64_t FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA d;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &d)) return -1;
  return (int64_t(d.nFileSizeHigh) << 32) | d.nFileSizeLow;
}

bool RenameFile(const std::string& from, const std::string& to) {
  if (FileStepFails(FileStep::Rename, from)) return false;
  return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool FlushFileToDisk(const std::string& path) {
  if (FileStepFails(FileStep::Flush, path)) return false;
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  const bool flushed = FlushFileBuffers(h) != 0;
  return CloseHandle(h) != 0 && flushed;
}

bool RemoveFile(const std::string& path) { return ::DeleteFileA(path.c_str()) != 0; }

bool MakeDirectory(const std::string& path) {
  if (CreateDirectoryA(path.c_str(), nullptr)) return true;
  DWORD a = GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

std::string TempDirectory() {
  char buf[MAX_PATH + 1];
  DWORD n = GetTempPathA(sizeof buf, buf);
  return std::string(buf, n);
}

std::string GetEnv(const std::string& name) {
  char buf[4096];
  DWORD n = GetEnvironmentVariableA(name.c_str(), buf, sizeof buf);
  return n && n < sizeof buf ? std::string(buf, n) : std::string();
}

uint32_t TickCount() { return GetTickCount(); }
void Sleep(uint32_t milliseconds) { ::Sleep(milliseconds); }
uint32_t CurrentThreadId() { return GetCurrentThreadId(); }
uint32_t LastOSError() { return GetLastError(); }
void SetLastOSError(uint32_t code) { SetLastError(code); }

std::string OSErrorMessage(uint32_t code) {
  char buf[512];
  DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, buf,
                           sizeof buf, nullptr);
  while (n && (buf[n - 1] == '\r' || buf[n - 1] == '\n' || buf[n - 1] == '.')) --n;
  return std::string(buf, n);
}

LocalTime Now() {
  SYSTEMTIME t;
  GetLocalTime(&t);
  return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds};
}

// Each module counts the blocks it allocates and frees itself.
std::atomic<int64_t> g_liveBlocks{0};
MemHandle MemAlloc(uint32_t flags, size_t size) {
  MemHandle block = reinterpret_cast<MemHandle>(GlobalAlloc(flags, size));
  if (block) ++g_liveBlocks;
  return block;
}
MemHandle MemReAlloc(MemHandle block, size_t size, uint32_t flags) {
  return reinterpret_cast<MemHandle>(GlobalReAlloc(reinterpret_cast<HGLOBAL>(block), size, flags | GMEM_MOVEABLE));
}
void* MemLock(MemHandle block) { return GlobalLock(reinterpret_cast<HGLOBAL>(block)); }
bool MemUnlock(MemHandle block) { return GlobalUnlock(reinterpret_cast<HGLOBAL>(block)) != 0; }
size_t MemSize(MemHandle block) { return GlobalSize(reinterpret_cast<HGLOBAL>(block)); }
void MemFree(MemHandle block) {
  if (block && !GlobalFree(reinterpret_cast<HGLOBAL>(block))) --g_liveBlocks;
}
int64_t MovableBlocksLive() { return g_liveBlocks.load(); }

void VirtualMemoryInfo(uint64_t& available, uint64_t& total) {
  MEMORYSTATUSEX m;
  m.dwLength = sizeof m;
  if (GlobalMemoryStatusEx(&m)) {
    available = m.ullAvailVirtual;
    total = m.ullTotalVirtual;
  } else {
    available = total = 0;
  }
}

}  // namespace platform

namespace platform {
void SetEnv(const std::string& name, const std::string& value) {
  SetEnvironmentVariableA(name.c_str(), value.c_str());
  _putenv_s(name.c_str(), value.c_str());
}
}  // namespace platform
