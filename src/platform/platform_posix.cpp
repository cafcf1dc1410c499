#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <link.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/sysinfo.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <fstream>
#include <mutex>
#include <sstream>

#include "platform/file_faults.h"
#include "platform/platform.h"
#include "platform/version_data.h"

// File sizes past 2 GiB and dates past 2038 in the 32-bit build too.
static_assert(sizeof(off_t) == 8, "build with _FILE_OFFSET_BITS=64");
static_assert(sizeof(time_t) == 8, "build with _TIME_BITS=64");

namespace platform {

namespace {
thread_local std::string t_loadError;
thread_local uint32_t t_lastError = 0;
}  // namespace

std::string LibraryFileName(const std::string& baseName) { return baseName + ".so"; }

LibraryHandle OpenLibrary(const std::string& pathOrName) {
  void* h = dlopen(pathOrName.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!h) {
    const char* e = dlerror();
    t_loadError = e ? e : "unknown error";
    t_lastError = 126;  // the module could not be found or loaded
  }
  return h;
}

// As GetModuleHandle: finding a library takes no reference on it (dlopen
// with RTLD_NOLOAD takes one, given back at once), so that it still unloads
// with its owner's last close; the handle stays valid while it is loaded.
static LibraryHandle WithoutReference(void* h) {
  if (h) dlclose(h);
  return h;
}

LibraryHandle FindLoadedLibrary(const std::string& fileName) {
  void* h = dlopen(fileName.c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (h) return WithoutReference(h);
  // dlopen by bare name only matches the soname; compare loaded file names too.
  struct Search { const std::string* name; std::string path; } search{&fileName, {}};
  dl_iterate_phdr(
      [](dl_phdr_info* info, size_t, void* data) {
        auto* s = static_cast<Search*>(data);
        if (info->dlpi_name && FileNameOf(info->dlpi_name) == *s->name) {
          s->path = info->dlpi_name;
          return 1;
        }
        return 0;
      },
      &search);
  return search.path.empty() ? nullptr : WithoutReference(dlopen(search.path.c_str(), RTLD_NOW | RTLD_NOLOAD));
}

void* FindFunction(LibraryHandle library, const char* name) {
  return library ? dlsym(library, name) : nullptr;
}

void CloseLibrary(LibraryHandle library) {
  if (library) dlclose(library);
}

std::string LastLoadError() { return t_loadError; }

std::string ModulePathOf(const void* address) {
  Dl_info info;
  if (dladdr(address, &info) && info.dli_fname) {
    char resolved[PATH_MAX];
    if (realpath(info.dli_fname, resolved)) return resolved;
    return info.dli_fname;
  }
  return {};
}

uintptr_t ModuleInstanceOf(const void* address) {
  Dl_info info;
  return dladdr(address, &info) ? uintptr_t(info.dli_fbase) : 0;
}

std::string OwnModulePath() { return ModulePathOf(reinterpret_cast<const void*>(&OwnModulePath)); }

char PathSeparator() { return '/'; }

bool ModuleVersion(const void* address, VersionData& out) {
  Dl_info info;
  if (!dladdr(address, &info) || !info.dli_fname) return false;
  void* h = dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD);
  if (!h) return false;
  auto* rec = static_cast<const ZefVersionRecord*>(dlsym(h, ZEF_VERSION_SYMBOL));
  bool found = rec != nullptr;
  if (found) {
    out.Major = rec->Major;
    out.Minor = rec->Minor;
    out.Release = rec->Release;
    out.Build = rec->Build;
    out.FileDescription = rec->FileDescription ? rec->FileDescription : "";
    out.ProductName = rec->ProductName ? rec->ProductName : "";
  }
  dlclose(h);
  return found;
}

bool FileExists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

int64_t FileSize(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return -1;
  return int64_t(st.st_size);
}

bool RenameFile(const std::string& from, const std::string& to) {
  if (FileStepFails(FileStep::Rename, from)) return false;
  return rename(from.c_str(), to.c_str()) == 0;
}

bool FlushFileToDisk(const std::string& path) {
  if (FileStepFails(FileStep::Flush, path)) return false;
  int fd = open(path.c_str(), O_RDWR);
  if (fd < 0) return false;
  const bool flushed = fsync(fd) == 0;
  return close(fd) == 0 && flushed;
}

bool RemoveFile(const std::string& path) { return unlink(path.c_str()) == 0; }

bool MakeDirectory(const std::string& path) {
  struct stat st;
  return mkdir(path.c_str(), 0777) == 0 || (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode));
}

std::string TempDirectory() {
  const char* t = getenv("TMPDIR");
  std::string dir = t && *t ? t : "/tmp";
  if (dir.back() != '/') dir += '/';
  return dir;
}

std::string GetEnv(const std::string& name) {
  const char* v = getenv(name.c_str());
  return v ? v : "";
}

uint32_t TickCount() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return uint32_t(uint64_t(ts.tv_sec) * 1000u + uint64_t(ts.tv_nsec) / 1000000u);
}

void Sleep(uint32_t milliseconds) {
  timespec ts{time_t(milliseconds / 1000), long(milliseconds % 1000) * 1000000L};
  while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
  }
}

uint32_t CurrentThreadId() { return uint32_t(syscall(SYS_gettid)); }

uint32_t LastOSError() { return t_lastError ? t_lastError : uint32_t(errno); }
void SetLastOSError(uint32_t code) {
  t_lastError = code;
  errno = int(code);
}

std::string OSErrorMessage(uint32_t code) {
  char buf[256];
  buf[0] = 0;
  const char* m = strerror_r(int(code), buf, sizeof buf);  // GNU variant
  return m ? m : buf;
}

LocalTime Now() {
  timespec ts;
  clock_gettime(CLOCK_REALTIME, &ts);
  tm t;
  time_t secs = ts.tv_sec;
  localtime_r(&secs, &t);
  return {t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec,
          int(ts.tv_nsec / 1000000)};
}

void VirtualMemoryInfo(uint64_t& available, uint64_t& total) {
  struct sysinfo si;
  if (sysinfo(&si) == 0) {
    available = uint64_t(si.freeram) * si.mem_unit;
    total = uint64_t(si.totalram) * si.mem_unit;
  } else {
    available = total = 0;
  }
}

}  // namespace platform

namespace platform {
void SetEnv(const std::string& name, const std::string& value) { setenv(name.c_str(), value.c_str(), 1); }
}  // namespace platform
