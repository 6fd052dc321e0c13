// The time command: the time of day of a date, the day fraction of a time of
// day, and the timing of a script.
#include <cstdio>
#include <string>

#include "core/cmd_helpers.h"
#include "platform/clock.h"
#include "platform/system.h"
#include "syslib/date_format.h"
#include "syslib/date_serial.h"

namespace syslib {
namespace {

using core::Code;
using core::Interp;
using core::Msg;
using core::Value;

// A word made of digits and one or two colons: the shape of "hh:mm:ss".
bool time_shape(std::string_view word) {
  size_t colons = 0;
  for (char c : word) {
    if (c == ':') {
      ++colons;
    } else if (c < '0' || c > '9') {
      return false;
    }
  }
  return colons == 1 || colons == 2;
}

// time ?date? ?-format fmt?: the time of day of a date (default now) by the
// one-letter date formatter, default "H:i:s".
Code time_of_day(Interp& interp, int argc, Value* argv) {
  std::string_view format = "H:i:s";
  std::string_view date;
  bool has_date = false;
  for (int i = 1; i < argc; ++i) {
    std::string_view word = argv[i].view();
    if (core::iequals(word, "-format")) {
      if (i + 1 >= argc) return core::nuvelWrongArgs(interp, argc, argv);
      format = argv[++i].view();
    } else if (!has_date) {
      date = word;
      has_date = true;
    } else {
      return core::nuvelWrongArgs(interp, argc, argv);
    }
  }
  DateTime when = local_now();
  if (has_date && !read_date_argument(date, when)) {
    return core::fail(interp, Msg::InvalidDate, date);
  }
  core::nuvelSetResult(interp, Value(format_date(format, to_tm(when))));
  return Code::Ok;
}

// time script ?count?: runs the script count times and gives the mean time
// of one run, measured with the monotonic clock.
Code time_script(Interp& interp, int argc, Value* argv) {
  int64_t count = 1;
  if (argc > 3) return core::nuvelWrongArgs(interp, argc, argv);
  if (argc == 3) {
    auto n = core::parse_int(argv[2].view());
    if (!n) return core::fail(interp, Msg::InvalidCount, argv[2]);
    count = *n;
  }
  const Value script = argv[1];
  int64_t start = platform::monotonic_ns();
  for (int64_t i = 0; i < count; ++i) {
    // An empty script never reaches the evaluator's own look at Ctrl+C.
    if (platform::break_flag() && platform::take_break_flag()) {
      (void)core::fail(interp, Msg::Interrupted);
      return Code::Stop;
    }
    Code code = core::rindoEval(interp, script);
    if (code != Code::Ok) return code;
  }
  int64_t elapsed = platform::monotonic_ns() - start;
  double per_run =
      count > 0 ? static_cast<double>(elapsed) / 1000.0 / static_cast<double>(count) : 0.0;
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.3f microseconds per iteration", per_run);
  core::nuvelSetResult(interp, Value(buf));
  return Code::Ok;
}

// time ?date? ?-format fmt? | time hh:mm?:ss? | time script ?count?
// Results: without words or with -format, the time of day of a date (default
// now) by the one-letter date formatter, default "H:i:s"; with one word of
// the shape hh:mm or hh:mm:ss, its day fraction ("%.10f"); with one word that
// is a date (a serial or a date text), its time of day; otherwise the script
// is run count times (default 1; none when count <= 0) and the result is
// "N microseconds per iteration". A failing run ends the timing with its code.
Code nuvelCommandTime(Interp& interp, int argc, Value* argv, void*) {
  if (argc == 1 || core::find_option(argc, argv, "-format") > 0) {
    return time_of_day(interp, argc, argv);
  }
  if (argc == 2 && time_shape(argv[1].view())) {
    int hour = 0;
    int minute = 0;
    int second = 0;
    if (!read_time_of_day(argv[1].view(), hour, minute, second)) {
      return core::fail(interp, Msg::InvalidTime, argv[1]);
    }
    core::nuvelSetResult(interp, Value(serial_text(day_fraction(hour, minute, second))));
    return Code::Ok;
  }
  DateTime when;
  if (argc == 2 && read_date_argument(argv[1].view(), when)) return time_of_day(interp, argc, argv);
  return time_script(interp, argc, argv);
}

const core::CommandRow kTimeCommands[] = {
    {"time", nuvelCommandTime, 1, 4, "script ?count? | ?date? ?-format fmt? | hh:mm?:ss?"},
};

}  // namespace

[[gnu::section(".text.startup.register")]] void register_time_cmds(Interp& interp) {
  core::register_rows(interp, kTimeCommands);
}

}  // namespace syslib
