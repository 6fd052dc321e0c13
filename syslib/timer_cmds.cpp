// Timers and events: sleeping, scheduled scripts (`after`), running them
// (`doevents`, `vwait`, `sleep`), the system tick count and a stopwatch.
//
// Scheduled scripts run only while the interpreter waits in one of those
// commands, never behind the script's back. They run at the global level in
// the order they fall due; a failing one is reported through the error
// report and does not stop the command that ran it.
#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "core/cmd_helpers.h"
#include "core/list_value.h"
#include "core/var_store.h"
#include "platform/clock.h"
#include "platform/console.h"
#include "platform/system.h"

namespace syslib {
namespace {

using core::Code;
using core::Interp;
using core::Msg;
using core::Value;

// The longest nap of a wait between looks at the variable and the events.
constexpr int64_t kWaitStepNs = 10 * 1000000;

struct TimerEvent {
  uint64_t id = 0;
  int64_t due_ns = 0;  // monotonic clock
  bool idle = false;
  Value script;
};

// Per-interpreter: the pending events in order of creation, and the stopwatch.
struct TimerState {
  std::vector<TimerEvent> events;
  uint64_t next_id = 0;
  std::optional<int64_t> stopwatch_start_ns;
};

std::string event_name(uint64_t id) {
  return "after#" + std::to_string(id);
}

// Ends a wait broken by Ctrl+C: reports "Interrupted", code stop.
Code interrupted(Interp& interp) {
  (void)platform::take_break_flag();
  (void)core::fail(interp, Msg::Interrupted);
  return Code::Stop;
}

// Runs every event due now once, earliest first (ties in order of creation).
// Events queued while they run wait for the next call. Returns stop when an
// event was interrupted; `ran` counts the events run.
Code run_due_events(Interp& interp, int64_t& ran) {
  TimerState& state = interp.state<TimerState>();
  const int64_t now = platform::monotonic_ns();
  std::vector<std::pair<int64_t, uint64_t>> due;
  for (const TimerEvent& e : state.events) {
    if (e.due_ns <= now) due.emplace_back(e.due_ns, e.id);
  }
  std::sort(due.begin(), due.end());
  for (const auto& [when, id] : due) {
    auto it = std::find_if(state.events.begin(), state.events.end(),
                           [id = id](const TimerEvent& e) { return e.id == id; });
    if (it == state.events.end()) continue;  // cancelled by an earlier event
    Value script = it->script;
    std::string name = event_name(id);
    state.events.erase(it);
    ++ran;
    core::ResultSaver keep(interp);
    Code code = Code::Ok;
    {
      vars::FrameSwitch global(interp, interp.global_frame.get());
      code = core::rindoEval(interp, script);
    }
    if (code == Code::Stop || code == Code::Exit) {
      keep.release();
      return code;
    }
    // No caller can catch a failing event: report it and go on. Other codes
    // (break, continue, return) just end the event.
    if (code == Code::Error) {
      Value why = interp.result;
      if (why.empty()) why = vars::get_var_value(interp, "::errorMsg").value_or(Value());
      (void)core::fail(interp, Msg::EventFailed, name, why);
    }
  }
  return Code::Ok;
}

// Nanoseconds until the earliest pending event (none: nullopt).
std::optional<int64_t> next_event_in(Interp& interp) {
  std::optional<int64_t> best;
  const int64_t now = platform::monotonic_ns();
  for (const TimerEvent& e : interp.state<TimerState>().events) {
    int64_t in = std::max<int64_t>(0, e.due_ns - now);
    if (!best || in < *best) best = in;
  }
  return best;
}

// Waits until `deadline_ns` (monotonic), running events as they fall due.
Code wait_running_events(Interp& interp, int64_t deadline_ns) {
  for (;;) {
    int64_t ran = 0;
    if (Code code = run_due_events(interp, ran); code != Code::Ok) return code;
    int64_t left = deadline_ns - platform::monotonic_ns();
    if (left <= 0) return Code::Ok;
    if (auto next = next_event_in(interp)) left = std::min(left, std::max<int64_t>(*next, 1000000));
    if (!platform::sleep_interruptible(left / 1000000 + 1)) return interrupted(interp);
  }
}

// The monotonic time `ms` milliseconds from now, held below the clock's end.
int64_t ns_after(int64_t ms) {
  const int64_t now = platform::monotonic_ns();
  const int64_t room = (INT64_MAX - now) / 1000000;
  return now + std::min(ms, room) * 1000000;
}

// A count of milliseconds: decimal; negative counts as 0.
std::optional<int64_t> read_ms(std::string_view word) {
  auto ms = core::parse_int(word);
  if (!ms) return std::nullopt;
  return std::max<int64_t>(*ms, 0);
}

std::string joined(int argc, const Value* argv, int from) {
  std::string text;
  for (int i = from; i < argc; ++i) {
    if (i > from) text += ' ';
    text.append(argv[i].view());
  }
  return text;
}

Value queue_event(Interp& interp, int64_t delay_ms, bool idle, std::string script) {
  TimerState& state = interp.state<TimerState>();
  TimerEvent e;
  e.id = state.next_id++;
  e.due_ns = ns_after(delay_ms);
  e.idle = idle;
  e.script = Value(std::move(script));
  state.events.push_back(std::move(e));
  return Value(event_name(state.events.back().id));
}

// after ms | after ms script ?script ...? | after idle script ?script ...? |
// after cancel id|script | after info ?id?
// Results: `after ms` flushes the console and sleeps (running no events),
// result ""; `after ms script` queues the joined script to run once after ms
// milliseconds and gives its id ("after#N"); `after idle` queues it to run at
// the next wait; `after cancel` removes an event by id or by script ("",
// never fails); `after info` lists the pending ids, or gives an event's
// script and "timer" or "idle".
Code nuvelCommandAfter(Interp& interp, int argc, Value* argv, void*) {
  std::string_view first = argv[1].view();
  TimerState& state = interp.state<TimerState>();
  if (auto ms = read_ms(first)) {
    if (argc == 2) {
      if (!platform::sleep_interruptible(*ms)) return interrupted(interp);
      core::nuvelResetResult(interp);
      return Code::Ok;
    }
    core::nuvelSetResult(interp, queue_event(interp, *ms, false, joined(argc, argv, 2)));
    return Code::Ok;
  }
  if (core::iequals(first, "idle") && argc >= 3) {
    core::nuvelSetResult(interp, queue_event(interp, 0, true, joined(argc, argv, 2)));
    return Code::Ok;
  }
  if (core::iequals(first, "cancel") && argc >= 3) {
    std::string what = joined(argc, argv, 2);
    auto it = std::find_if(state.events.begin(), state.events.end(),
                           [&](const TimerEvent& e) { return event_name(e.id) == what; });
    if (it == state.events.end()) {
      it = std::find_if(state.events.begin(), state.events.end(),
                        [&](const TimerEvent& e) { return e.script.view() == what; });
    }
    if (it != state.events.end()) state.events.erase(it);
    core::nuvelResetResult(interp);
    return Code::Ok;
  }
  if (core::iequals(first, "info") && argc <= 3) {
    std::string out;
    if (argc == 2) {
      for (const TimerEvent& e : state.events) core::list_append_element(out, event_name(e.id));
    } else {
      auto it = std::find_if(state.events.begin(), state.events.end(), [&](const TimerEvent& e) {
        return event_name(e.id) == argv[2].view();
      });
      if (it == state.events.end()) return core::fail(interp, Msg::NoSuchEvent, argv[2]);
      core::list_append_element(out, it->script.view());
      core::list_append_element(out, it->idle ? "idle" : "timer");
    }
    core::nuvelSetResult(interp, Value(out.empty() ? std::string("{}") : out));
    return Code::Ok;
  }
  if (core::iequals(first, "idle") || core::iequals(first, "cancel") ||
      core::iequals(first, "info")) {
    return core::nuvelWrongArgs(interp, argc, argv);
  }
  return core::fail(interp, Msg::UnknownOption, first);
}

// sleep ms
// Results: "" after ms milliseconds (negative counts as 0); scheduled
// scripts that fall due meanwhile run. Ctrl+C ends the sleep (stop).
Code nuvelCommandSleep(Interp& interp, int, Value* argv, void*) {
  auto ms = read_ms(argv[1].view());
  if (!ms) return core::fail(interp, Msg::InvalidArgument, argv[1]);
  platform::flush();
  if (Code code = wait_running_events(interp, ns_after(*ms)); code != Code::Ok) {
    return code;
  }
  core::nuvelResetResult(interp);
  return Code::Ok;
}

// ticks
// Results: milliseconds since the system started, unsigned.
Code nuvelCommandTicks(Interp& interp, int, Value*, void*) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%" PRIu64, platform::boot_ms());
  core::nuvelSetResult(interp, Value(buf));
  return Code::Ok;
}

// timer ?-reset? ?-us?
// Results: milliseconds (microseconds with -us) since the interpreter's
// process started or since the last `timer -reset`; -reset restarts the
// stopwatch and gives 0.
Code nuvelCommandTimer(Interp& interp, int argc, Value* argv, void*) {
  bool reset = false;
  bool micro = false;
  for (int i = 1; i < argc; ++i) {
    std::string_view word = argv[i].view();
    if (core::iequals(word, "-reset")) {
      reset = true;
    } else if (core::iequals(word, "-us")) {
      micro = true;
    } else {
      return core::fail(interp, Msg::UnknownOption, word);
    }
  }
  TimerState& state = interp.state<TimerState>();
  const int64_t now = platform::monotonic_ns();
  if (reset) {
    state.stopwatch_start_ns = now;
    return core::result_int(interp, 0);
  }
  int64_t elapsed = now - state.stopwatch_start_ns.value_or(platform::process_start_ns());
  return core::result_int(interp, micro ? elapsed / 1000 : elapsed / 1000000);
}

// doevents
// Results: the number of scheduled scripts run: every one due now, once.
// Ctrl+C pending ends it with "Interrupted" (stop).
Code nuvelCommandDoEvents(Interp& interp, int, Value*, void*) {
  platform::flush();
  int64_t ran = 0;
  if (Code code = run_due_events(interp, ran); code != Code::Ok) return code;
  if (platform::break_flag()) return interrupted(interp);
  return core::result_int(interp, ran);
}

// vwait name ?-timeout ms?
// Results: "1" once the variable is assigned (after vwait started), running
// scheduled scripts meanwhile; "0" when -timeout passes first.
// Errors: with no script pending and no timeout the wait could never end.
Code nuvelCommandVwait(Interp& interp, int argc, Value* argv, void*) {
  std::string_view name = argv[1].view();
  std::optional<int64_t> deadline;
  if (argc == 3) return core::nuvelWrongArgs(interp, argc, argv);
  if (argc == 4) {
    if (!core::iequals(argv[2].view(), "-timeout")) {
      return core::fail(interp, Msg::UnknownOption, argv[2]);
    }
    auto ms = read_ms(argv[3].view());
    if (!ms) return core::fail(interp, Msg::InvalidArgument, argv[3]);
    deadline = ns_after(*ms);
  }
  platform::flush();
  // Only an assignment made while waiting counts.
  (void)vars::take_var_changed(interp, name);
  for (;;) {
    int64_t ran = 0;
    if (Code code = run_due_events(interp, ran); code != Code::Ok) return code;
    if (vars::take_var_changed(interp, name)) return core::result_bool(interp, true);
    const int64_t now = platform::monotonic_ns();
    if (deadline && now >= *deadline) return core::result_bool(interp, false);
    std::optional<int64_t> next = next_event_in(interp);
    if (!deadline && !next) return core::fail(interp, Msg::WouldWaitForever, name);
    int64_t nap = kWaitStepNs;
    if (next) nap = std::min(nap, std::max<int64_t>(*next, 1000000));
    if (deadline) nap = std::min(nap, *deadline - now);
    if (!platform::sleep_interruptible((nap + 999999) / 1000000)) return interrupted(interp);
  }
}

const core::CommandRow kTimerCommands[] = {
    {"after", nuvelCommandAfter, 2, core::kAnyWords,
     "ms ?script ...? | idle script ?script ...? | cancel id|script | info ?id?", core::kUnsafe},
    {"sleep", nuvelCommandSleep, 2, 2, "ms", core::kUnsafe},
    {"ticks", nuvelCommandTicks, 1, 1, "", core::kUnsafe},
    {"timer", nuvelCommandTimer, 1, 3, "?-reset? ?-us?", core::kUnsafe},
    {"doevents", nuvelCommandDoEvents, 1, 1, "", core::kUnsafe},
    {"vwait", nuvelCommandVwait, 2, 4, "name ?-timeout ms?", core::kUnsafe},
};

}  // namespace

[[gnu::section(".text.startup.register")]] void register_timer_cmds(Interp& interp) {
  core::register_rows(interp, kTimerCommands);
}

}  // namespace syslib
