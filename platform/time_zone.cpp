// Local time and zone facts through the C library's POSIX time functions.
#include "platform/time_zone.h"

#include <time.h>

#include <limits>

namespace platform {

int64_t now_seconds() {
  return static_cast<int64_t>(::time(nullptr));
}

bool local_time(int64_t seconds, std::tm& out) {
  if (seconds < std::numeric_limits<time_t>::min() ||
      seconds > std::numeric_limits<time_t>::max()) {
    return false;
  }
  auto t = static_cast<time_t>(seconds);
  return ::localtime_r(&t, &out) != nullptr;
}

bool utc_time(int64_t seconds, std::tm& out) {
  if (seconds < std::numeric_limits<time_t>::min() ||
      seconds > std::numeric_limits<time_t>::max()) {
    return false;
  }
  auto t = static_cast<time_t>(seconds);
  return ::gmtime_r(&t, &out) != nullptr;
}

ZoneFacts zone_facts(const std::tm& local) {
  ::tzset();
  ZoneFacts facts;
  facts.standard_name = tzname[0] != nullptr ? tzname[0] : "";
  facts.standard_offset = static_cast<long>(timezone);
  facts.daylight = local.tm_isdst > 0;
  if (facts.daylight) {
    // The offset in daylight saving time comes from the zone data for that
    // very time; the bias is its difference from standard time.
    std::tm copy = local;
    facts.daylight_bias = -3600;
    if (::mktime(&copy) != static_cast<time_t>(-1) && copy.tm_isdst > 0) {
      facts.daylight_bias = -(copy.tm_gmtoff + facts.standard_offset);
    }
  }
  return facts;
}

}  // namespace platform
