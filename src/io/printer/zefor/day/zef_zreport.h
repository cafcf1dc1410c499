// Values of the driver's Z-report data.
#pragma once
#include <cstdint>
#include <string>

namespace ZReportData {

// A counter value in currency units ("1234.56", a comma taken as the decimal
// separator too) in hundredths, rounded half to even; raises for a text
// that is not a number.
int64_t CounterHundredths(const std::string& text);

}  // namespace ZReportData
