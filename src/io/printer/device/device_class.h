// A device class reference: what InitDevice instantiates and what INITDLL
// reports (the class-level driver name and version).
#pragma once
#include <cstdint>
#include <string>

class TDevice;

struct TDeviceClass {
  const char* ClassName;
  std::string (*DriverName)();
  uint16_t (*DriverVersion)();
  // Creates and fully constructs a device (runs its construction steps,
  // which may call overridden operations); never returns nullptr, may throw.
  TDevice* (*Create)(uint8_t number);
};
