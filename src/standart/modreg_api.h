// The maker's module registry (Modreg): a library that loads other
// libraries for the process, keeps one registration per module and
// describes each with its file version. Libraries are loaded through it
// when it can itself be loaded.
#pragma once
#include <cstdint>

#include "platform/abi.h"

namespace ModReg {

constexpr const char* kLibraryBaseName = "modreg";
constexpr uint32_t kRegisterFlags = 0xFFFE;

#pragma pack(push, 4)
// The description of a registered module.
struct tDLLInfo {
  int32_t Size;          // set by the caller: sizeof(tDLLInfo)
  uintptr_t Handle;      // the module handle
  uint16_t Version[4];   // major, minor, release, build
  char FileName[260];    // zero-terminated path of the module
};
#pragma pack(pop)

// RegisterDLLs(file name, flags, reserved): the number of modules
// registered by the call (0 when the file cannot be loaded).
using TRegisterDLLs = int32_t(ZEF_STDCALL*)(const char* fileName, uint32_t flags, int32_t reserved);
// GetDLLInfo(file name, info): true when a module of that file is registered.
using TGetDLLInfo = uint8_t(ZEF_STDCALL*)(const char* fileName, tDLLInfo* info);
// GetDLLInfoByHandle(handle, info): true for a registered module.
using TGetDLLInfoByHandle = uint8_t(ZEF_STDCALL*)(uintptr_t handle, tDLLInfo* info);
// UnRegisterDLL(handle): releases the registration; the last one frees the module.
using TUnRegisterDLL = uint8_t(ZEF_STDCALL*)(uintptr_t handle);

}  // namespace ModReg
