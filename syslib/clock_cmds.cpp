// The clock command: the current time in several units, formatting of a time
// in seconds, reading a date text into seconds, and splitting seconds into
// days, hours, minutes and seconds.
#include <cinttypes>
#include <cstdio>
#include <string>

#include "core/cmd_helpers.h"
#include "core/var_store.h"
#include "platform/clock.h"
#include "platform/time_zone.h"
#include "syslib/date_format.h"
#include "syslib/date_serial.h"

namespace syslib {
namespace {

using core::Code;
using core::Interp;
using core::Msg;
using core::Value;

// Longest text of clock format, in characters.
constexpr size_t kClockFormatMax = 127;

// clock clicks
// Results: milliseconds since the process started, as a 32-bit count ("%d").
Code nuvelCommandClockClicks(Interp& interp, int, Value*, void*) {
  return core::result_int(interp, static_cast<int32_t>(platform::process_ms()));
}

// clock seconds
// Results: seconds since 1970-01-01 00:00:00 UTC.
Code nuvelCommandClockSeconds(Interp& interp, int, Value*, void*) {
  return core::result_int(interp, platform::now_seconds());
}

// clock milliseconds
// Results: milliseconds since 1970-01-01 00:00:00 UTC, unsigned.
Code nuvelCommandClockMilliseconds(Interp& interp, int, Value*, void*) {
  auto ms = static_cast<uint64_t>(platform::realtime_ns() / 1000000);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%" PRIu64, ms);
  core::nuvelSetResult(interp, Value(buf));
  return Code::Ok;
}

// Replaces the codes %o (ordinal suffix of the day), %D (day without leading
// zero) and %N (month without leading zero) before the C library's formatter
// sees the format; "%%" stays as it is.
std::string expand_clock_codes(std::string_view format, const std::tm& when) {
  std::string out;
  for (size_t i = 0; i < format.size(); ++i) {
    char c = format[i];
    if (c != '%' || i + 1 >= format.size()) {
      out.push_back(c);
      continue;
    }
    char code = format[++i];
    switch (code) {
      case 'o':
        out += format_date("S", when);
        break;
      case 'D':
        out += std::to_string(when.tm_mday);
        break;
      case 'N':
        out += std::to_string(when.tm_mon + 1);
        break;
      default:
        out.push_back('%');
        out.push_back(code);
        break;
    }
  }
  return out;
}

// clock format seconds|now ?-format fmt?
// Results: the local time of `seconds` by the C library's time formatter
// (default "%a %b %d %H:%M:%S %Y") with the extra codes %o, %D and %N; a text
// that would pass 127 characters gives "".
Code nuvelCommandClockFormat(Interp& interp, int argc, Value* argv, void*) {
  if ((argc != 3 && argc != 5) || (argc == 5 && !core::iequals(argv[3].view(), "-format"))) {
    return core::fail(interp, Msg::ClockFormatUsage);
  }
  int64_t seconds = 0;
  if (core::iequals(argv[2].view(), "now")) {
    seconds = platform::now_seconds();
  } else if (auto n = core::parse_int(argv[2].view()); n && *n >= 0) {
    seconds = *n;
  } else {
    return core::fail(interp, Msg::ClockFormatUsage);
  }
  std::string_view format = argc == 5 ? argv[4].view() : "%a %b %d %H:%M:%S %Y";
  std::tm when{};
  if (!platform::local_time(seconds, when)) return core::fail(interp, Msg::ClockFormatUsage);
  std::string expanded = expand_clock_codes(format, when);
  char buf[kClockFormatMax + 1];
  size_t n = expanded.empty() ? 0 : std::strftime(buf, sizeof buf, expanded.c_str(), &when);
  core::nuvelSetResult(interp, Value(std::string_view(buf, n)));
  return Code::Ok;
}

// clock scan dateText ?word ...?
// Results: seconds since 1970-01-01 UTC of the local date and time the words
// name (joined with single spaces); a date before 1970 gives 0.
// Errors: "clock scan: Error N in date W'" with the fault number of the date
// reader and the first date word.
Code nuvelCommandClockScan(Interp& interp, int argc, Value* argv, void*) {
  if (argc < 3) return core::fail(interp, Msg::ClockScanUsage);
  std::string text;
  for (int i = 2; i < argc; ++i) {
    if (i > 2) text += ' ';
    text.append(argv[i].view());
  }
  DateTime when;
  int fault = scan_date_text(text, true, when);
  int64_t seconds = 0;
  if (fault == 0 && !unix_from_local(when, seconds)) fault = 5;
  if (fault != 0) return core::fail(interp, Msg::ClockScanError, fault, argv[2]);
  return core::result_int(interp, seconds < 0 ? 0 : seconds);
}

// clock split seconds ?daysVar? ?hoursVar? ?minutesVar? ?secondsVar?
// Results: the number of variables set. Days, hours, minutes and seconds go
// to the names given, in that order; a name beginning with "-" skips its
// value (but not in the seconds position). Nothing is set when any name is
// already a variable.
Code nuvelCommandClockSplit(Interp& interp, int argc, Value* argv, void*) {
  if (argc < 4) return core::fail(interp, Msg::ClockSplitError);
  auto seconds = core::parse_int(argv[2].view());
  if (!seconds || *seconds < 0) return core::fail(interp, Msg::ClockSplitError);
  if (argc == 7 && core::starts_with(argv[6].view(), "-")) {
    return core::fail(interp, Msg::ClockSplitError);
  }
  for (int i = 3; i < argc; ++i) {
    std::string_view name = argv[i].view();
    if (core::starts_with(name, "-")) continue;
    if (vars::var_exists(interp, name)) return core::fail(interp, Msg::SubVariableExists, name);
  }
  const int64_t s = *seconds;
  const int64_t parts[4] = {s / 86400, s % 86400 / 3600, s % 3600 / 60, s % 60};
  int64_t set = 0;
  for (int i = 3; i < argc; ++i) {
    if (core::starts_with(argv[i].view(), "-")) continue;
    if (core::set_variable(interp, argv[i].view(), Value(std::to_string(parts[i - 3]))) != 0) {
      return Code::Error;
    }
    ++set;
  }
  return core::result_int(interp, set);
}

const core::EnsembleRow kClockSubcommands[] = {
    {"clicks", nuvelCommandClockClicks, 2, 2, "clicks"},
    {"seconds", nuvelCommandClockSeconds, 2, 2, "seconds"},
    {"milliseconds", nuvelCommandClockMilliseconds, 2, 2, "milliseconds"},
    {"format", nuvelCommandClockFormat, 2, core::kAnyWords, "format seconds|now ?-format fmt?"},
    {"scan", nuvelCommandClockScan, 2, core::kAnyWords, "scan dateText ?word ...?"},
    {"split", nuvelCommandClockSplit, 2, 7,
     "split seconds ?daysVar? ?hoursVar? ?minutesVar? ?secondsVar?"},
};

const core::Ensemble kClockEnsemble = {"clock", kClockSubcommands, Msg::ClockUsage};

// clock subcommand ?arg ...?
// Results: those of the subcommand (clicks, seconds, milliseconds, format,
// scan, split). Errors: an unknown subcommand lists the common ones.
Code nuvelCommandClock(Interp& interp, int argc, Value* argv, void*) {
  return core::dispatch_ensemble(interp, kClockEnsemble, argc, argv);
}

const core::CommandRow kClockCommands[] = {
    {"clock", nuvelCommandClock, 2, core::kAnyWords, "subcommand ?arg ...?"},
};

}  // namespace

[[gnu::section(".text.startup.register")]] void register_clock_cmds(Interp& interp) {
  core::register_rows(interp, kClockCommands);
  core::register_ensemble(interp, kClockEnsemble);
}

}  // namespace syslib
