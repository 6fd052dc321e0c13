// The reader behind the scan command: takes values out of an input text by a
// template of conversions. Every conversion reads only from the input text,
// byte by byte within its bounds; nothing is copied into fixed buffers.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace strings {

// Widths above this are refused as invalid specifiers.
inline constexpr long long kScanMaxWidth = 1000000;

struct ScanOutcome {
  enum class Status { Ok, Exhausted, Invalid, Unhandled };
  Status status = Status::Ok;
  std::vector<std::string> values;  // converted values, in template order
  std::string where;                // Exhausted: the template from the failing conversion on;
                                    // Invalid: the conversion's text
  char conversion = 0;              // Unhandled: the conversion character
};

// Reads at most `max_values` values from the input by the template.
// Conversions: %d (sign and up to 64 digits), %i (with 0x/0 prefixes),
// %x %X %o, %c (the character code), %b (up to 64 binary digits), %f %g
// (printed in fixed point with the conversion's width and precision), %s (a
// word), %n (characters consumed so far), %% (a percent sign); "*" after "%"
// reads without keeping the value. Blanks are skipped before each
// conversion; a blank in the template skips blanks in the input, any other
// character must match the input or the scan ends there.
ScanOutcome scan_text(std::string_view input, std::string_view tmpl, size_t max_values);

}  // namespace strings
