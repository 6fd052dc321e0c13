// The date formatter: turns a local broken-down time into text by a format of
// one-letter codes. Used by the date command, the preprocessor's date macros
// and the other date commands.
#pragma once

#include <cstddef>
#include <ctime>
#include <string>
#include <string_view>

namespace syslib {

// Longest format and longest result, in characters.
inline constexpr size_t kDateFormatMax = 512;

// Formats `when` (a local time; its tm_isdst tells whether daylight saving time
// is in effect) by `format`:
//   - the first "r" becomes "D, d M Y H:i:s O"; failing that the first "c"
//     becomes "Y-m-d\TH:i:sO"; failing that the first "C" becomes
//     "D M d H:i:s Y" (only one is expanded);
//   - a backslash makes the next character literal;
//   - each code letter is replaced by its text (see the table in the source);
//     every other character stays.
// A format longer than 512 characters gives the empty text; a longer result is
// cut at 512 characters.
std::string format_date(std::string_view format, const std::tm& when);

// The leap-year rule of the "L" code for a year number (1999, not 99): the
// Gregorian rule from 1582 on, every fourth year but not centuries from 8 to
// 1581, and before 8 exactly the years -45, -42, ... -9 listed in the source.
bool is_leap_year(long year);

// ISO 8601 week number (1..53) of a broken-down time, from its year, day of
// year and day of week.
int iso_week_number(const std::tm& when);

}  // namespace syslib
