// libFuzzer target for the parser and the evaluator: the input is a script,
// run in a sandboxed interpreter (see fuzz_interp.h). A fresh interpreter
// every 200 inputs keeps state from piling up, and so does one after an input
// that ran for more than a second: inputs that each triple a variable left
// by the one before (lappend r ... $r) reach gigabytes in a few inputs, and
// a single command on such a text outlasts the watchdog under Ctrl+C.
#include <cstddef>
#include <cstdint>

#include "fuzz_interp.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static fuzzing::History history;
  static fuzzing::Watchdog watchdog(std::chrono::milliseconds(300), &history);
  static std::unique_ptr<core::Interp> interp;
  static int runs = 0;
  static bool slow = false;
  if (size > 64 * 1024) return 0;
  if (!interp || ++runs % 200 == 0 || slow) {
    interp.reset();
    interp = fuzzing::safe_interp();
    history.restart();
  }
  history.add(data, size);
  fuzzing::reset_switches();
  core::Value script(std::string_view(reinterpret_cast<const char*>(data), size));
  const auto start = std::chrono::steady_clock::now();
  watchdog.begin();
  fuzzing::quietly([&] { (void)core::rindoEval(*interp, script); });
  watchdog.end();
  slow = std::chrono::steady_clock::now() - start > std::chrono::seconds(1);
  return 0;
}
