// Process-wide switches and counters. The interpreter is single-threaded; the
// only asynchronous writer is the signal handler, which touches the break and
// exit flags in platform/ only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace core {

struct Interp;

struct Switches {
  uint16_t autoexec = 1;        // unknown commands run through /bin/sh -c
  int32_t echo = 0;             // shell prints results
  uint16_t verbose = 1;         // error reports are echoed on the console
  uint16_t escape = 1;          // puts and friends translate backslash escapes
  uint16_t flow_uses_eval = 1;  // conditions are scripts (1) or expressions (0)
  uint16_t preprocessor = 1;
  int32_t stacktrace = 0;  // call history
  int32_t breakpoint = 0;
  uint16_t debug = 0;
  uint16_t single_step = 0;
  int32_t quiet = 0;           // suppresses the echo of the next report
  uint16_t suppress_args = 0;  // call history without arguments (source)
  long expand_marker_line = 0;
};

// Save slots of `option push`/`option pop`.
struct SwitchSlots {
  bool filled = false;
  uint16_t autoexec = 1;
  int32_t echo = 0;
  uint16_t escape = 1;
  uint16_t flow_uses_eval = 1;
  uint16_t preprocessor = 1;
  int32_t stacktrace = 0;
  int32_t breakpoint = 0;
};

// Process-wide state the design names: the switches, the call history, the
// current script name, the executable path and the configuration-file path.
struct Process {
  Switches sw;
  SwitchSlots slots;
  std::vector<std::string> call_history;
  std::string script_name = "internal.tcl";
  std::string exe_path;
  std::string config_path;
  // Set by the preprocessor's #define ndebug, cleared by #undef ndebug; while
  // it is set, assert does nothing.
  bool ndebug = false;
  // Every interpreter alive, oldest first; an interpreter that ends hands its
  // place in the chain of "previous" interpreters to its own predecessor.
  std::vector<Interp*> interps;
};

// The one process-wide instance (defined in core/interp.cpp).
extern Process g_process;
inline Process& process() {
  return g_process;
}
inline Switches& switches() {
  return g_process.sw;
}

}  // namespace core
