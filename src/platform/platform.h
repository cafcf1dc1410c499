// The platform layer: everything that touches the operating system, with a
// POSIX and a Windows side. Nothing outside src/platform calls the OS.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// ---- Libraries -----------------------------------------------------------
using LibraryHandle = void*;

// File name of a shared library from its base name: "name.dll" on Windows,
// "name.so" on Linux.
std::string LibraryFileName(const std::string& baseName);
// Loads a library by path or name; nullptr on failure (see LastLoadError).
LibraryHandle OpenLibrary(const std::string& pathOrName);
// A library that is already loaded in the process, by file name; nullptr if not.
LibraryHandle FindLoadedLibrary(const std::string& fileName);
void* FindFunction(LibraryHandle library, const char* name);
void CloseLibrary(LibraryHandle library);
std::string LastLoadError();

// Full path of the module (library or program) that contains `address`.
std::string ModulePathOf(const void* address);
// Instance handle (load address) of the module that contains `address`.
uintptr_t ModuleInstanceOf(const void* address);
// Full path of the module that contains this code.
std::string OwnModulePath();
std::string DirectoryOf(const std::string& path);  // with trailing separator
std::string FileNameOf(const std::string& path);
char PathSeparator();

// ---- Version data ----------------------------------------------------------
struct VersionData {
  uint16_t Major = 0, Minor = 0, Release = 0, Build = 0;
  std::string FileDescription;  // in the code page of the resource (ANSI)
  std::string ProductName;
};
// Version data of the module containing `address` (a VERSIONINFO resource on
// Windows; the data compiled into the module on Linux). False if none.
bool ModuleVersion(const void* address, VersionData& out);

// ---- Files -----------------------------------------------------------------
bool FileExists(const std::string& path);
int64_t FileSize(const std::string& path);  // -1 when missing
bool ReadWholeFile(const std::string& path, std::string& out);
bool WriteWholeFile(const std::string& path, const std::string& data);
bool AppendToFile(const std::string& path, const std::string& data);
bool RenameFile(const std::string& from, const std::string& to);  // replaces target
// Writes a temporary file beside `path` and renames it over `path`, so that
// a reader sees either the old or the new content, never a part of it;
// `durable` puts the temporary file on the disk before the rename.
bool ReplaceWholeFile(const std::string& path, const std::string& data, bool durable = false);
// Puts what was written to the file on the disk (not only in the cache).
bool FlushFileToDisk(const std::string& path);
bool RemoveFile(const std::string& path);
bool MakeDirectory(const std::string& path);  // true when it exists afterwards
std::string TempDirectory();
std::string GetEnv(const std::string& name);
void SetEnv(const std::string& name, const std::string& value);

// ---- Time and threads ------------------------------------------------------
uint32_t TickCount();  // milliseconds since an arbitrary start, wraps at 2^32
void Sleep(uint32_t milliseconds);
uint32_t CurrentThreadId();
uint32_t LastOSError();
void SetLastOSError(uint32_t code);
std::string OSErrorMessage(uint32_t code);
// Local time as year, month, day, hour, minute, second, millisecond.
struct LocalTime { int Year, Month, Day, Hour, Minute, Second, Millisecond; };
LocalTime Now();

// ---- Movable memory blocks --------------------------------------------------
// Blocks that cross between libraries; the receiver frees them.
using MemHandle = uintptr_t;
constexpr uint32_t kMemMovable = 0x0002;
constexpr uint32_t kMemZeroInit = 0x0040;
MemHandle MemAlloc(uint32_t flags, size_t size);  // 0 on failure
MemHandle MemReAlloc(MemHandle block, size_t size, uint32_t flags);
void* MemLock(MemHandle block);
bool MemUnlock(MemHandle block);
size_t MemSize(MemHandle block);
void MemFree(MemHandle block);
// Movable blocks allocated and not yet freed. Each module counts its own,
// unless the program exports ZefMovableBlockCounter (POSIX): then every
// module of the process counts into that one counter, so that blocks made
// in one library and freed in another balance out.
int64_t MovableBlocksLive();
// Available and total virtual memory, for failure messages.
void VirtualMemoryInfo(uint64_t& available, uint64_t& total);

}  // namespace platform
