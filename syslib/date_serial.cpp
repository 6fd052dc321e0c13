// Date serials and date-text readers.
#include "syslib/date_serial.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/clock.h"
#include "platform/time_zone.h"

namespace syslib {
namespace {

constexpr int64_t kMillisPerDay = 86400000;
// Serials from this one on are refused by the scan rules (fault 5).
constexpr double kScanSerialLimit = 9999999.0;

const char* const kMonthNames[12] = {"january",   "february", "march",    "april",
                                     "may",       "june",     "july",     "august",
                                     "september", "october",  "november", "december"};

int64_t floor_div(int64_t a, int64_t b) {
  int64_t q = a / b;
  return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}

bool all_digits(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

// A decimal number of at most 12 digits (no sign).
bool read_count(std::string_view s, int64_t& out) {
  if (!all_digits(s) || s.size() > 12) return false;
  out = 0;
  for (char c : s) out = out * 10 + (c - '0');
  return true;
}

int two(std::string_view s, size_t at) {
  return (s[at] - '0') * 10 + (s[at + 1] - '0');
}

bool digits_at(std::string_view s, size_t at, size_t n) {
  return at + n <= s.size() && all_digits(s.substr(at, n));
}

bool real_day(int64_t year, int64_t month, int64_t day) {
  return month >= 1 && month <= 12 && day >= 1 &&
         day <= days_in_month(year, static_cast<int>(month));
}

// The text with tabs made spaces, runs of spaces made one, no outer spaces.
std::string squeeze(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '\t') c = ' ';
    if (c == ' ' && (out.empty() || out.back() == ' ')) continue;
    out.push_back(c);
  }
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

// Splits at any of `separators`, dropping empty fields and the trailing '.'
// and ',' of each field.
std::vector<std::string_view> fields_of(std::string_view text, std::string_view separators) {
  std::vector<std::string_view> out;
  size_t start = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i < text.size() && separators.find(text[i]) == std::string_view::npos) continue;
    std::string_view f = text.substr(start, i - start);
    while (!f.empty() && (f.back() == '.' || f.back() == ',')) f.remove_suffix(1);
    if (!f.empty()) out.push_back(f);
    start = i + 1;
  }
  return out;
}

// A year field: digits only, widened when it has one or two.
bool read_year(std::string_view f, int64_t& year) {
  if (!read_count(f, year)) return false;
  year = widen_year(year, f.size());
  return true;
}

int read_day(std::string_view f, int64_t& day) {
  if (!read_count(f, day) || day > 31) return 2;
  return 0;
}

}  // namespace

bool gregorian_leap(int64_t year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int days_in_month(int64_t year, int month) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && gregorian_leap(year) ? 29 : kDays[month - 1];
}

// Days from civil after H. Hinnant's algorithm: years counted from March so
// that the leap day ends the year; 400-year eras of 146097 days.
int64_t days_from_civil(int64_t year, int64_t month, int64_t day) {
  year += floor_div(month - 1, 12);
  month = month - 1 - floor_div(month - 1, 12) * 12 + 1;  // 1..12
  int64_t y = month <= 2 ? year - 1 : year;
  int64_t era = floor_div(y, 400);
  int64_t yoe = y - era * 400;                          // 0..399
  int64_t mp = (month + 9) % 12;                        // March 0
  int64_t doy = (153 * mp + 2) / 5;                     // day of March-year, day 1
  int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;  // 0..146096
  return era * 146097 + doe - 719468 + (day - 1);
}

void civil_from_days(int64_t days, int64_t& year, int& month, int& day) {
  int64_t z = days + 719468;
  int64_t era = floor_div(z, 146097);
  int64_t doe = z - era * 146097;
  int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  int64_t mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = yoe + era * 400 + (month <= 2 ? 1 : 0);
}

double day_fraction(int hour, int minute, int second, int millis) {
  int64_t ms = ((hour * 60LL + minute) * 60 + second) * 1000 + millis;
  return static_cast<double>(ms) / static_cast<double>(kMillisPerDay);
}

double to_serial(const DateTime& t) {
  int64_t day = days_from_civil(t.year, t.month, t.day) + kUnixEpochSerial;
  double fraction = day_fraction(t.hour, t.minute, t.second, t.millis);
  return day < 0 ? static_cast<double>(day) - fraction : static_cast<double>(day) + fraction;
}

bool from_serial(double serial, DateTime& out) {
  if (!std::isfinite(serial) || serial <= static_cast<double>(kFirstSerial) - 1.0 ||
      serial >= static_cast<double>(kEndSerial)) {
    return false;
  }
  double whole = std::trunc(serial);
  auto day = static_cast<int64_t>(whole);
  auto ms = static_cast<int64_t>(std::llround(std::fabs(serial - whole) * kMillisPerDay));
  if (ms >= kMillisPerDay) {
    // Rounded up to midnight: the next calendar day.
    ms -= kMillisPerDay;
    ++day;
  }
  if (day < kFirstSerial || day >= kEndSerial) return false;
  civil_from_days(day - kUnixEpochSerial, out.year, out.month, out.day);
  out.hour = static_cast<int>(ms / 3600000);
  out.minute = static_cast<int>(ms / 60000 % 60);
  out.second = static_cast<int>(ms / 1000 % 60);
  out.millis = static_cast<int>(ms % 1000);
  return true;
}

std::string serial_text(double serial) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.10f", serial);
  return buf;
}

bool read_time_of_day(std::string_view text, int& hour, int& minute, int& second) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i == text.size() || text[i] == ':') {
      parts.push_back(text.substr(start, i - start));
      start = i + 1;
    }
  }
  if (parts.size() < 2 || parts.size() > 3) return false;
  int64_t v[3] = {0, 0, 0};
  for (size_t i = 0; i < parts.size(); ++i) {
    if (parts[i].size() > 2 || !read_count(parts[i], v[i])) return false;
  }
  if (v[0] > 23 || v[1] > 59 || v[2] > 59) return false;
  hour = static_cast<int>(v[0]);
  minute = static_cast<int>(v[1]);
  second = static_cast<int>(v[2]);
  return true;
}

namespace {

void from_tm(const std::tm& tm, DateTime& out) {
  out.year = static_cast<int64_t>(tm.tm_year) + 1900;
  out.month = tm.tm_mon + 1;
  out.day = tm.tm_mday;
  out.hour = tm.tm_hour;
  out.minute = tm.tm_min;
  out.second = tm.tm_sec > 59 ? 59 : tm.tm_sec;
  out.millis = 0;
}

std::tm plain_tm(const DateTime& t) {
  std::tm tm{};
  tm.tm_year = static_cast<int>(t.year - 1900);
  tm.tm_mon = t.month - 1;
  tm.tm_mday = t.day;
  tm.tm_hour = t.hour;
  tm.tm_min = t.minute;
  tm.tm_sec = t.second;
  return tm;
}

}  // namespace

bool local_from_unix(int64_t seconds, DateTime& out) {
  std::tm tm{};
  if (!platform::local_time(seconds, tm)) return false;
  from_tm(tm, out);
  return true;
}

bool utc_from_unix(int64_t seconds, DateTime& out) {
  int64_t days = floor_div(seconds, 86400);
  int64_t rest = seconds - days * 86400;
  civil_from_days(days, out.year, out.month, out.day);
  out.hour = static_cast<int>(rest / 3600);
  out.minute = static_cast<int>(rest / 60 % 60);
  out.second = static_cast<int>(rest % 60);
  out.millis = 0;
  return true;
}

bool unix_from_local(const DateTime& t, int64_t& seconds) {
  std::tm tm = plain_tm(t);
  return platform::local_to_seconds(tm, seconds);
}

int64_t unix_from_utc(const DateTime& t) {
  return days_from_civil(t.year, t.month, t.day) * 86400 + t.hour * 3600 + t.minute * 60 + t.second;
}

std::tm to_tm(const DateTime& t) {
  std::tm tm = plain_tm(t);
  int64_t days = days_from_civil(t.year, t.month, t.day);
  int64_t weekday = (days + 4) % 7;  // 1970-01-01 was a Thursday (4)
  tm.tm_wday = static_cast<int>(weekday < 0 ? weekday + 7 : weekday);
  tm.tm_yday = static_cast<int>(days - days_from_civil(t.year, 1, 1));
  std::tm probe = plain_tm(t);
  int64_t ignored = 0;
  tm.tm_isdst = platform::local_to_seconds(probe, ignored) ? (probe.tm_isdst > 0 ? 1 : 0) : 0;
  return tm;
}

int64_t widen_year(int64_t year, size_t digits) {
  if (digits > 2 || year > 99) return year;
  return year >= 50 ? 1900 + year : 2000 + year;
}

int month_of_name(std::string_view word) {
  if (word.size() < 3) return 0;
  for (int m = 0; m < 12; ++m) {
    std::string_view name = kMonthNames[m];
    if (word.size() != 3 && word.size() != name.size()) continue;
    bool same = true;
    for (size_t i = 0; i < word.size() && same; ++i) {
      same = std::tolower(static_cast<unsigned char>(word[i])) == name[i];
    }
    if (same) return m + 1;
  }
  return 0;
}

DateTime local_now() {
  int64_t ns = platform::realtime_ns();
  int64_t seconds = floor_div(ns, 1000000000);
  DateTime t;
  if (!local_from_unix(seconds, t)) utc_from_unix(seconds, t);
  t.millis = static_cast<int>((ns - seconds * 1000000000) / 1000000);
  return t;
}

int scan_date_text(std::string_view text, bool scan_limits, DateTime& out, bool* exact) {
  std::string line = squeeze(text);
  if (line.empty()) return 2;
  std::string_view date_part = line;
  std::string_view time_part;
  if (size_t colon = line.find(':'); colon != std::string::npos) {
    size_t space = line.rfind(' ', colon);
    if (space == std::string::npos) {
      date_part = std::string_view();
      time_part = line;
    } else {
      date_part = std::string_view(line).substr(0, space);
      time_part = std::string_view(line).substr(space + 1);
    }
  }
  DateTime now = local_now();
  int64_t year = now.year;
  int64_t month = now.month;
  int64_t day = now.day;
  size_t slashes = 0;
  for (char c : date_part) slashes += c == '/' ? 1 : 0;
  if (slashes > 2) return 1;
  if (slashes > 0) {
    std::vector<std::string_view> f = fields_of(date_part, "/ :");
    if (slashes == 2) {
      if (f.size() < 3) return 4;
      if (!read_year(f[2], year)) return 1;
    }
    if (f.size() < 2) return 2;
    if (int named = month_of_name(f[1]); named != 0) {
      month = named;
      if (int e = read_day(f[0], day); e != 0) return e;
    } else {
      if (!read_count(f[0], month) || month > 12) return 3;
      if (int e = read_day(f[1], day); e != 0) return e;
    }
  } else if (!date_part.empty()) {
    std::vector<std::string_view> w = fields_of(date_part, " ");
    if (w.empty()) return 2;
    if (w.size() >= 3 && !read_year(w[2], year)) return 1;
    if (int named = month_of_name(w[0]); named != 0) {
      month = named;
      if (w.size() < 2) return 2;
      if (int e = read_day(w[1], day); e != 0) return e;
    } else {
      if (int e = read_day(w[0], day); e != 0) return e;
      if (w.size() < 2 || month_of_name(w[1]) == 0) return 3;
      month = month_of_name(w[1]);
    }
    if (scan_limits && w.size() >= 3 && (year < 1970 || year > 9999)) return 1;
  }
  if (!scan_limits && (year < 1 || year > 9999)) return 1;
  // Far beyond the serial limit of fault 5; keeps the arithmetic small.
  if (year > 99999) return 5;
  if (exact) *exact = real_day(year, month, day);
  int64_t days = days_from_civil(year, month, day);
  out = DateTime{};
  civil_from_days(days, out.year, out.month, out.day);
  if (!time_part.empty() && !read_time_of_day(time_part, out.hour, out.minute, out.second)) {
    return 6;
  }
  if (static_cast<double>(days + kUnixEpochSerial) >= kScanSerialLimit) return 5;
  if (!scan_limits && (out.year < 1 || out.year > 9999)) return 1;
  return 0;
}

bool read_iso_date(std::string_view s, DateTime& out) {
  DateTime t;
  size_t at = 0;
  if (digits_at(s, 0, 4) && s.size() >= 10 && s[4] == '-' && s[7] == '-' && digits_at(s, 5, 2) &&
      digits_at(s, 8, 2)) {
    at = 10;
    t.month = two(s, 5);
    t.day = two(s, 8);
  } else if (digits_at(s, 0, 8)) {
    at = 8;
    t.month = two(s, 4);
    t.day = two(s, 6);
  } else {
    return false;
  }
  t.year = two(s, 0) * 100 + two(s, 2);
  if (t.year < 1 || !real_day(t.year, t.month, t.day)) return false;
  if (at == s.size()) {
    out = t;
    return true;
  }
  if (s[at] != ' ' && s[at] != 'T') return false;
  ++at;
  // hh:mm[:ss[.fff]]
  if (!digits_at(s, at, 2) || at + 5 > s.size() || s[at + 2] != ':' || !digits_at(s, at + 3, 2)) {
    return false;
  }
  t.hour = two(s, at);
  t.minute = two(s, at + 3);
  at += 5;
  if (at < s.size() && s[at] == ':') {
    if (!digits_at(s, at + 1, 2)) return false;
    t.second = two(s, at + 1);
    at += 3;
    if (at < s.size() && s[at] == '.') {
      size_t digits = 0;
      int scale = 100;
      for (++at; at < s.size() && std::isdigit(static_cast<unsigned char>(s[at])); ++at) {
        if (digits++ < 3) {
          t.millis += (s[at] - '0') * scale;
          scale /= 10;
        }
      }
      if (digits == 0) return false;
    }
  }
  if (t.hour > 23 || t.minute > 59 || t.second > 59) return false;
  if (at == s.size()) {
    out = t;
    return true;
  }
  // A zone: the time is converted from it to local time.
  int64_t offset = 0;
  if (s[at] == 'Z' && at + 1 == s.size()) {
    offset = 0;
  } else if ((s[at] == '+' || s[at] == '-') && digits_at(s, at + 1, 2)) {
    int sign = s[at] == '-' ? -1 : 1;
    size_t p = at + 3;
    int minutes = 0;
    if (p < s.size() && s[p] == ':') ++p;
    if (p < s.size()) {
      if (!digits_at(s, p, 2) || p + 2 != s.size()) return false;
      minutes = two(s, p);
    }
    int hours = two(s, at + 1);
    if (hours > 23 || minutes > 59) return false;
    offset = sign * (hours * 3600 + minutes * 60);
  } else {
    return false;
  }
  int millis = t.millis;
  if (!local_from_unix(unix_from_utc(t) - offset, out)) return false;
  out.millis = millis;
  return true;
}

bool read_date_argument(std::string_view word, DateTime& out, bool* exact) {
  std::string text(word);
  char* end = nullptr;
  double serial = std::strtod(text.c_str(), &end);
  bool numeric = !text.empty() && end == text.c_str() + text.size() &&
                 !std::isspace(static_cast<unsigned char>(text[0]));
  bool eight_digit_date = word.size() == 8 && all_digits(word) && read_iso_date(word, out);
  if (numeric && !eight_digit_date) {
    if (exact) *exact = true;
    return from_serial(serial, out);
  }
  if (read_iso_date(word, out)) {
    if (exact) *exact = true;
    return true;
  }
  return scan_date_text(word, false, out, exact) == 0;
}

}  // namespace syslib
