// libFuzzer target for the format and scan readers: any template, any
// arguments, any input text. Build with -DNUVEL_FUZZ=ON (clang) and run
// build-fuzz/fuzz/format_scan_fuzz -max_total_time=300.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "core/value.h"
#include "strings/format.h"
#include "strings/scan.h"

// The data is a mode byte, then the template, a NUL, and the rest: for
// format the arguments separated by \x01, for scan the input text.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t mode = data[0];
  std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
  size_t nul = rest.find('\0');
  std::string_view tmpl = rest.substr(0, nul);
  std::string_view tail = nul == std::string_view::npos ? std::string_view() : rest.substr(nul + 1);
  if (mode & 1) {
    std::vector<core::Value> args;
    size_t from = 0;
    while (from <= tail.size() && args.size() < 64) {
      size_t at = tail.find('\x01', from);
      if (at == std::string_view::npos) at = tail.size();
      args.emplace_back(tail.substr(from, at - from));
      from = at + 1;
    }
    (void)strings::format_text(tmpl, args, (mode & 2) != 0);
  } else {
    (void)strings::scan_text(tail, tmpl, (mode >> 1) % 16);
  }
  return 0;
}
