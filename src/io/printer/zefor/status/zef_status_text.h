// Journal texts of the driver status: the names of a field mask and the
// fields of a status record, group by group.
#pragma once
#include <cstdint>
#include <string>

#include "io/printer/zefor/status/zef_status_record.h"

namespace ZefStatus {

// Names of the set groups joined by ", ".
std::string FieldNames(uint32_t mask);
// One part per asked group, joined by ",".
std::string StatusText(const TZefStatus& status, uint32_t mask);
// "ssShiftClosed", "ssShiftOpened", "ssShiftOpened24hoursExceeded"; else the number.
std::string ShiftStateName(uint8_t state);
// A driver date/time pair as "yyyy-mm-ddThh:nn:ss".
std::string MomentText(int32_t date, int32_t time);
// The serial number of a record (its short string, at most 35 characters).
std::string SerialNumber(const TZefStatus& status);

}  // namespace ZefStatus
