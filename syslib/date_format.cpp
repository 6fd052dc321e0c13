// The one-letter date formatter.
#include "syslib/date_format.h"

#include <cstdio>
#include <cstdlib>

#include "platform/time_zone.h"

namespace syslib {
namespace {

const char* const kDayNames[7] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                  "Thursday", "Friday", "Saturday"};
const char* const kDayShort[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* const kMonthNames[12] = {"January",   "February", "March",    "April",
                                     "May",       "June",     "July",     "August",
                                     "September", "October",  "November", "December"};
const char* const kMonthShort[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                     "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const char* const kSuffixes[4] = {"th", "st", "nd", "rd"};
const int kDaysInMonth[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

// Leap years before year 8: the years of the early Julian calendar in which a
// day was inserted.
constexpr long kEarlyLeapYears[] = {-45, -42, -39, -36, -33, -30, -27, -21, -18, -15, -12, -9};

bool gregorian_leap(long y) {
  return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

// Keeps a table index inside its table whatever the broken-down time holds.
int wrap(int v, int n) {
  return ((v % n) + n) % n;
}

std::string number(const char* format, long v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, format, v);
  return buf;
}

// "th" for 4..20 and for last digits 0 and 4..9; else "st", "nd", "rd".
const char* ordinal_suffix(int day) {
  if (day >= 4 && day <= 20) return kSuffixes[0];
  int last = wrap(day, 10);
  return last >= 1 && last <= 3 ? kSuffixes[last] : kSuffixes[0];
}

// "%+2.2i%2.2i" or "%+2.2i:%2.2i" of an offset in seconds east of UTC.
std::string offset_text(long east, bool colon) {
  char buf[32];
  long hours = east / 3600;
  long minutes = std::labs(east % 3600) / 60;
  std::snprintf(buf, sizeof buf, colon ? "%+2.2li:%2.2li" : "%+2.2li%2.2li", hours, minutes);
  return buf;
}

// The text of one code letter; false when `c` is not a code letter.
bool code_text(char c, const std::tm& t, const platform::ZoneFacts& zone, std::string& out) {
  long year = static_cast<long>(t.tm_year) + 1900;
  int hour = t.tm_hour;
  switch (c) {
    case 'd':
      out = number("%02ld", t.tm_mday);
      break;
    case 'j':
      out = number("%ld", t.tm_mday);
      break;
    case 'D':
      out = kDayShort[wrap(t.tm_wday, 7)];
      break;
    case 'l':
      out = kDayNames[wrap(t.tm_wday, 7)];
      break;
    case 'N':
      out = number("%ld", t.tm_wday == 0 ? 7 : t.tm_wday);
      break;
    case 'w':
      out = number("%ld", t.tm_wday);
      break;
    case 'z':
      out = number("%ld", t.tm_yday);
      break;
    case 'S':
      out = ordinal_suffix(t.tm_mday);
      break;
    case 'W':
      out = number("%02ld", iso_week_number(t));
      break;
    case 'F':
      out = kMonthNames[wrap(t.tm_mon, 12)];
      break;
    case 'M':
      out = kMonthShort[wrap(t.tm_mon, 12)];
      break;
    case 'm':
      out = number("%02ld", t.tm_mon + 1);
      break;
    case 'n':
      out = number("%ld", t.tm_mon + 1);
      break;
    case 't': {
      int month = wrap(t.tm_mon, 12);
      long days = kDaysInMonth[month];
      if (month == 1 && is_leap_year(year)) days = 29;
      out = number("%ld", days);
      break;
    } break;
    case 'L':
      out = is_leap_year(year) ? "1" : "0";
      break;
    case 'Y':
      out = number("%04ld", year);
      break;
    case 'y':
    case 'o':
      out = number("%02ld", year >= 2000 ? year % 2000 : year % 1900);
      break;
    case 'a':
      out = hour > 11 ? "pm" : "am";
      break;
    case 'A':
      out = hour > 11 ? "PM" : "AM";
      break;
    case 'B':
      out = "0";
      break;
    case 'g':  // 12-hour clock: noon and midnight are 12
      out = number("%ld", hour % 12 == 0 ? 12 : hour % 12);
      break;
    case 'h':
      out = number("%02ld", hour % 12 == 0 ? 12 : hour % 12);
      break;
    case 'G':
    case 'H':
      out = number("%02ld", hour);
      break;
    case 'i':
      out = number("%02ld", t.tm_min);
      break;
    case 's':
      out = number("%02ld", t.tm_sec);
      break;
    case 'U': {
      // The local time read as standard time.
      std::tm copy = t;
      copy.tm_isdst = 0;
      out = number("%ld", static_cast<long>(std::mktime(&copy)));
      break;
    }
    case 'O':
      out = zone.daylight ? offset_text(-zone.daylight_bias, false) : "+0000";
      break;
    case 'P':
      out = offset_text(-zone.standard_offset, true);
      break;
    case 'Z':
      out = number("%ld", zone.standard_offset);
      break;
    case 'T':
      out = zone.standard_name.substr(0, 3);
      break;
    case 'e':
      out = zone.standard_name;
      break;
    case 'I':
      out = zone.standard_name.empty() ? "" : (zone.daylight ? "1" : "0");
      break;
    default:
      return false;
  }
  return true;
}

// Replaces the first of "r", "c" or "C" (tried in that order) by its format.
void expand_composite(std::string& text) {
  struct Composite {
    char letter;
    const char* format;
  };
  static const Composite kComposites[] = {
      {'r', "D, d M Y H:i:s O"},
      {'c', "Y-m-d\\TH:i:sO"},
      {'C', "D M d H:i:s Y"},
  };
  for (const Composite& c : kComposites) {
    size_t at = text.find(c.letter);
    if (at != std::string::npos) {
      text.replace(at, 1, c.format);
      return;
    }
  }
}

}  // namespace

bool is_leap_year(long year) {
  if (year >= 1582) return gregorian_leap(year);
  if (year >= 8) return year % 4 == 0 && year % 100 != 0;
  for (long y : kEarlyLeapYears) {
    if (y == year) return true;
  }
  return false;
}

// ISO 8601: weeks start on Monday; week 1 holds the year's first Thursday.
// A year has 53 weeks when it starts on a Thursday, or on a Wednesday in a
// leap year; otherwise 52.
int iso_week_number(const std::tm& when) {
  long year = static_cast<long>(when.tm_year) + 1900;
  int yday = when.tm_yday;                  // 0-based
  int weekday = wrap(when.tm_wday + 6, 7);  // Monday 0 .. Sunday 6
  int jan1 = wrap(weekday - yday, 7);       // weekday of 1 January, Monday 0
  auto weeks_in = [](long y, int first) {
    return first == 3 || (first == 2 && gregorian_leap(y)) ? 53 : 52;
  };
  int week = (yday - weekday + 10) / 7;
  if (yday - weekday + 10 < 7) {
    int previous_jan1 = wrap(jan1 - (gregorian_leap(year - 1) ? 366 : 365), 7);
    return weeks_in(year - 1, previous_jan1);
  }
  if (week > weeks_in(year, jan1)) return 1;
  return week;
}

std::string format_date(std::string_view format, const std::tm& when) {
  if (format.size() > kDateFormatMax) return std::string();
  std::string text(format);
  expand_composite(text);
  platform::ZoneFacts zone = platform::zone_facts(when);
  std::string out;
  out.reserve(text.size() * 2);
  std::string piece;
  for (size_t i = 0; i < text.size() && out.size() < kDateFormatMax; ++i) {
    char c = text[i];
    if (c == '\\') {
      if (i + 1 < text.size()) out.push_back(text[++i]);
      continue;
    }
    if (code_text(c, when, zone, piece)) {
      out += piece;
    } else {
      out.push_back(c);
    }
  }
  if (out.size() > kDateFormatMax) out.resize(kDateFormatMax);
  return out;
}

}  // namespace syslib
