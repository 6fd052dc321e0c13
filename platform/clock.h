// The system clocks and interruptible sleeping, for the clock, time, timer
// and event commands.
#pragma once

#include <cstdint>
#include <ctime>

namespace platform {

// Nanoseconds since 1970-01-01 00:00:00 UTC (the real-time clock).
int64_t realtime_ns();
// Nanoseconds of a clock that never jumps (arbitrary start).
int64_t monotonic_ns();
// Milliseconds since the system started, time spent suspended included.
uint64_t boot_ms();
// Milliseconds since this process started (monotonic).
int64_t process_ms();
// The monotonic_ns() reading taken when the process started.
int64_t process_start_ns();

// Flushes console output, then sleeps `ms` milliseconds in short steps,
// waking early when Ctrl+C sets the break flag. Returns false when it was
// woken by the break flag (the flag stays set for the caller to take).
bool sleep_interruptible(int64_t ms);

// Seconds since 1970-01-01 UTC of a local broken-down time (mktime with the
// zone data; tm_isdst -1 lets the zone decide). Fills in the weekday, day of
// year and daylight flag of `local`. False when the time cannot be represented.
bool local_to_seconds(std::tm& local, int64_t& seconds);

}  // namespace platform
