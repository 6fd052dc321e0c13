// libFuzzer target for the expression engine: the input is the text of one
// expression, evaluated by the expr command of a sandboxed interpreter.
#include <cstddef>
#include <cstdint>

#include "fuzz_interp.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static fuzzing::Watchdog watchdog(std::chrono::milliseconds(300));
  static std::unique_ptr<core::Interp> interp = fuzzing::safe_interp();
  if (size > 16 * 1024) return 0;
  core::Value words[2] = {core::Value("expr"),
                          core::Value(std::string_view(reinterpret_cast<const char*>(data), size))};
  watchdog.begin();
  fuzzing::quietly([&] { (void)core::nuvelCallCommand(*interp, 2, words); });
  watchdog.end();
  return 0;
}
