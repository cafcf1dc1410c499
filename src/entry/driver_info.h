// The POS's driver information record filled by INITDLL; only these
// offsets are touched.
#pragma once
#include <cstddef>
#include <cstdint>

namespace DriverInfoLayout {
constexpr size_t kTwo = 8;              // int32, set to 2
constexpr size_t kVersion = 12;         // uint16
constexpr size_t kName = 280;           // short string, 256 bytes
constexpr size_t kRevision = 544;       // int32, read
constexpr size_t kDevicesInfo = 548;    // code address, when revision >= 101
constexpr int32_t kRevisionWithCallback = 101;
constexpr size_t kRecordSize = 552;
}  // namespace DriverInfoLayout

