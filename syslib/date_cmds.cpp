// The date command: the local date and time through the date formatter.
#include "core/cmd_helpers.h"
#include "platform/time_zone.h"
#include "syslib/date_format.h"

namespace syslib {
namespace {

using core::Code;
using core::CommandSpec;
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
        core::nuvelSetError(&interp, "%s: Invalid time value '%s'\n", argv[0].c_str(),
                            argv[i].c_str());
        return Code::Error;
      }
    } else {
      return core::nuvelWrongArgs(interp, argc, argv);
    }
  }
  std::tm when{};
  if (!platform::local_time(seconds ? *seconds : platform::now_seconds(), when)) {
    core::nuvelSetError(&interp, "%s: Invalid time value '%lld'\n", argv[0].c_str(),
                        static_cast<long long>(*seconds));
    return Code::Error;
  }
  core::nuvelSetResult(interp, Value(format_date(format, when)));
  return Code::Ok;
}

const CommandSpec kDateCommands[] = {
    {"date", nuvelCommandDate},
};

}  // namespace

void register_date_cmds(Interp& interp) {
  core::nuvelRegisterFamily(interp, kDateCommands);
}

}  // namespace syslib
