// The formatter behind the format command: printf-like conversions built one
// by one from a script's template. The template never reaches the C library;
// each conversion is parsed, checked and rebuilt from known characters.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "core/value.h"

namespace strings {

// Widths and precisions above this are refused, so "%2000000000d" cannot ask
// for gigabytes.
inline constexpr int64_t kFormatMaxWidth = 1000000;
// Padding and precision may not grow a result beyond this many bytes.
inline constexpr size_t kFormatMaxResult = size_t{64} << 20;

struct FormatOutcome {
  bool ok = true;
  std::string text;   // the formatted text (when ok)
  std::string error;  // the message, without the command name (when not ok)
};

// Formats `args` by the template. A conversion is "%", optional flags "+"
// (accepted and ignored), "-" and "0", a width (digits or "*"), optionally
// "." and a precision (digits or "*"), an optional length "ll", "I64" or "l",
// and the conversion character. d i o u x X c take the argument as a 32-bit
// decimal integer (64-bit with "ll" or "I64"); e E f g G as a double; s as
// text; any other character gives the first character of the argument. A
// conversion with no argument left gives nothing; a space, a tab or the end
// of the template in place of the conversion character ends the output.
// With `unescape`, backslash escapes in the template and in "%s" arguments
// are translated first.
FormatOutcome format_text(std::string_view tmpl, std::span<const core::Value> args, bool unescape);

}  // namespace strings
