// Clocks through clock_gettime; sleeping through nanosleep in short steps so
// that Ctrl+C is noticed promptly without busy waiting.
#include "platform/clock.h"

#include <time.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>

#include "platform/console.h"
#include "platform/system.h"

namespace platform {
namespace {

int64_t read_clock(clockid_t id) {
  timespec ts{};
  ::clock_gettime(id, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

// Taken once while the program loads; read-only afterwards.
const int64_t kProcessStartNs = read_clock(CLOCK_MONOTONIC);

// Longest single nap of a sleep: the break flag is looked at after each.
constexpr int64_t kStepMs = 20;

}  // namespace

int64_t realtime_ns() {
  return read_clock(CLOCK_REALTIME);
}

int64_t monotonic_ns() {
  return read_clock(CLOCK_MONOTONIC);
}

uint64_t boot_ms() {
  return static_cast<uint64_t>(read_clock(CLOCK_BOOTTIME) / 1000000);
}

int64_t process_start_ns() {
  return kProcessStartNs;
}

int64_t process_ms() {
  return (read_clock(CLOCK_MONOTONIC) - kProcessStartNs) / 1000000;
}

bool sleep_interruptible(int64_t ms) {
  flush();
  if (ms <= 0) return !break_flag();
  const int64_t start = monotonic_ns();
  const int64_t deadline = start + std::min(ms, (INT64_MAX - start) / 1000000) * 1000000;
  for (;;) {
    if (break_flag()) return false;
    int64_t left = deadline - monotonic_ns();
    if (left <= 0) return true;
    int64_t nap = std::min<int64_t>(left, kStepMs * 1000000);
    timespec ts{static_cast<time_t>(nap / 1000000000), static_cast<long>(nap % 1000000000)};
    while (::nanosleep(&ts, &ts) != 0 && errno == EINTR) {
      if (break_flag()) return false;
    }
  }
}

bool local_to_seconds(std::tm& local, int64_t& seconds) {
  local.tm_isdst = -1;
  time_t t = ::mktime(&local);
  if (t == static_cast<time_t>(-1)) {
    // -1 is also one second before 1970: mktime succeeded when it normalised
    // the fields to that very moment.
    std::tm check{};
    if (::localtime_r(&t, &check) == nullptr || check.tm_year != local.tm_year ||
        check.tm_yday != local.tm_yday || check.tm_hour != local.tm_hour ||
        check.tm_min != local.tm_min || check.tm_sec != local.tm_sec) {
      return false;
    }
  }
  seconds = static_cast<int64_t>(t);
  return true;
}

}  // namespace platform
