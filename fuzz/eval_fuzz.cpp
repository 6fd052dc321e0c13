// libFuzzer target for the parser and the evaluator: the input is a script,
// run in a sandboxed interpreter (see fuzz_interp.h). A fresh interpreter
// every 200 inputs keeps state from piling up.
#include <cstddef>
#include <cstdint>

#include "fuzz_interp.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static fuzzing::History history;
  static fuzzing::Watchdog watchdog(std::chrono::milliseconds(300), &history);
  static std::unique_ptr<core::Interp> interp;
  static int runs = 0;
  if (size > 64 * 1024) return 0;
  if (!interp || ++runs % 200 == 0) {
    interp.reset();
    interp = fuzzing::safe_interp();
    history.restart();
  }
  history.add(data, size);
  fuzzing::reset_switches();
  core::Value script(std::string_view(reinterpret_cast<const char*>(data), size));
  watchdog.begin();
  fuzzing::quietly([&] { (void)core::rindoEval(*interp, script); });
  watchdog.end();
  return 0;
}
