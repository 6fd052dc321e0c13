// Local time and the time-zone facts of the system's zone data (TZ and the
// zone files), for the date formatter and the date commands.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

namespace platform {

// Seconds since 1970-01-01 00:00:00 UTC, now.
int64_t now_seconds();
// The local broken-down time of `seconds`; false when the time cannot be
// represented (far outside the calendar).
bool local_time(int64_t seconds, std::tm& out);
// The same in UTC.
bool utc_time(int64_t seconds, std::tm& out);

// The zone settings, refreshed from TZ on every call.
struct ZoneFacts {
  std::string standard_name;  // name of standard time ("CET", "UTC"); may be empty
  long standard_offset = 0;   // seconds west of UTC in standard time (CET: -3600)
  bool daylight = false;      // daylight saving time is in effect at the given time
  long daylight_bias = 0;     // seconds added to the offset west while it is (usually -3600)
};
// Zone facts for a local broken-down time (its tm_isdst tells whether daylight
// saving time is in effect).
ZoneFacts zone_facts(const std::tm& local);

}  // namespace platform
