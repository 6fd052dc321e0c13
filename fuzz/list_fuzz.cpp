// libFuzzer target for the three list readers and the list writer: every
// reading must stay inside the text, and a list written from plain elements
// (not empty; no line ends, quotes, braces, brackets or backslashes,
// which the readers give meanings the writer does not undo) reads back as the same elements.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "core/list_value.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  bool warning = false;
  std::vector<core::Value> standard = core::list_read_standard(text, &warning);
  (void)core::list_read_words(text);
  (void)core::list_read_elements(text);
  auto plain = [](const core::Value& e) {
    return !e.empty() && e.view().find_first_of("\n\r\v\f\"{}[]\\") == std::string_view::npos;
  };
  if (!warning && std::all_of(standard.begin(), standard.end(), plain)) {
    std::string written = core::list_write(standard);
    std::vector<core::Value> again = core::list_read_standard(written);
    if (again.size() != standard.size()) std::abort();
    for (size_t i = 0; i < again.size(); ++i) {
      if (again[i].view() != standard[i].view()) std::abort();
    }
  }
  return 0;
}
