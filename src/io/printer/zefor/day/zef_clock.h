// Moments of the register's and the POS's clocks as the driver's status
// record gives them: days since 1899-12-30 and milliseconds of the day.
#pragma once
#include <cstdint>

namespace ZefClock {

constexpr int64_t kDayMs = 86400000;

struct tMoment {
  int32_t Date = 0;  // days since 1899-12-30
  int32_t Time = 0;  // milliseconds of the day
};

// The POS computer's local time.
tMoment Now();
// The distance between two moments in whole seconds, truncated.
int64_t DifferenceSeconds(const tMoment& a, const tMoment& b);
bool Earlier(const tMoment& a, const tMoment& b);

}  // namespace ZefClock
