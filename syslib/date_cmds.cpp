// The date command: the local date and time through the date formatter.
#include "core/cmd_helpers.h"
#include "platform/time_zone.h"
#include "syslib/date_format.h"

namespace syslib {
namespace {

using core::Code;
using core::CommandRow;
using core::Interp;
using core::Value;

// date ?-format fmt? ?seconds?
// Results: the local date and time of `seconds` (seconds since 1970-01-01
// 00:00:00 UTC; default now) formatted by `fmt` with the one-letter codes of
// the date formatter; the default format is "Y/m/d H:i:s".
// Side effects: none.
Code nuvelCommandDate(Interp& interp, int argc, Value* argv, void*) {
  std::string_view format = "Y/m/d H:i:s";
  std::optional<int64_t> seconds;
  for (int i = 1; i < argc; ++i) {
    std::string_view word = argv[i].view();
    if (core::iequals(word, "-format")) {
      if (i + 1 >= argc) return core::nuvelWrongArgs(interp, argc, argv);
      format = argv[++i].view();
    } else if (!seconds) {
      seconds = core::parse_int(word);
      if (!seconds) {
        return core::fail(interp, core::Msg::InvalidTimeValue, argv[i]);
      }
    } else {
      return core::nuvelWrongArgs(interp, argc, argv);
    }
  }
  std::tm when{};
  if (!platform::local_time(seconds ? *seconds : platform::now_seconds(), when)) {
    return core::fail(interp, core::Msg::InvalidTimeNumber, *seconds);
  }
  core::nuvelSetResult(interp, Value(format_date(format, when)));
  return Code::Ok;
}

constexpr CommandRow kDateCommands[] = {
    {"date", nuvelCommandDate, 1, core::kAnyWords, "?seconds? ?-format fmt?"},
};

}  // namespace

void register_date_cmds(Interp& interp) {
  core::register_rows(interp, kDateCommands);
}

}  // namespace syslib
