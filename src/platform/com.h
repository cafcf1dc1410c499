// The COM bracket around calls into a low-level driver: CoInitialize and
// CoUninitialize of the system library ole32. Without COM (Linux) binding
// always succeeds and both calls do nothing.
#pragma once
#include <cstdint>
#include <string>

namespace platform {

class ComLibrary {
 public:
  ComLibrary() = default;
  ~ComLibrary() { Free(); }
  ComLibrary(const ComLibrary&) = delete;
  ComLibrary& operator=(const ComLibrary&) = delete;

  // File name of the system library ("ole32.dll").
  static const char* ModuleName();
  // Loads the library and binds both entry points; false when either is
  // missing (LastOSError then tells why).
  bool Load();
  void Free();
  bool Loaded() const { return loaded_; }

  void Initialize();
  void Uninitialize();

 private:
  bool loaded_ = false;
  void* module_ = nullptr;
  void* initialize_ = nullptr;
  void* uninitialize_ = nullptr;
};

}  // namespace platform
