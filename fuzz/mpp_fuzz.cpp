// libFuzzer target for the macro preprocessor: the input is a script text,
// preprocessed without evaluation (first byte even) or with #exec and #if
// evaluated in a sandboxed interpreter (first byte odd).
#include <cstddef>
#include <cstdint>

#include "fuzz_interp.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static fuzzing::Watchdog watchdog(std::chrono::milliseconds(300));
  static std::unique_ptr<core::Interp> interp = fuzzing::safe_interp();
  if (size == 0 || size > 64 * 1024) return 0;
  bool evaluate = (data[0] & 1) != 0;
  std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  watchdog.begin();
  fuzzing::quietly([&] { (void)core::mpp_preprocess(*interp, text, evaluate, "fuzz.tcl"); });
  watchdog.end();
  return 0;
}
