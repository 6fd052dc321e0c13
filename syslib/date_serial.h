// Date serials and the readers of date texts shared by the clock command and
// the date and time commands.
//
// A date serial counts days with 1899-12-30 as day 0 (so 1970-01-01 is 25569)
// in the proleptic Gregorian calendar; the time of day is its fraction. For a
// negative serial the fraction is subtracted: -1.25 is 1899-12-29 06:00.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

namespace syslib {

// Serial of 1970-01-01.
inline constexpr int64_t kUnixEpochSerial = 25569;
// Serials of 0001-01-01 and of the day after 9999-12-31: the dates the date
// commands accept.
inline constexpr int64_t kFirstSerial = -693593;
inline constexpr int64_t kEndSerial = 2958466;

// A local (or UTC) calendar date and time of day.
struct DateTime {
  int64_t year = 1970;
  int month = 1;  // 1..12
  int day = 1;    // 1..31
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millis = 0;
};

bool gregorian_leap(int64_t year);
int days_in_month(int64_t year, int month);

// Days since 1970-01-01 of a date. Months and days outside their ranges roll
// over: month 13 is January of the next year, day 0 the last day of the month
// before.
int64_t days_from_civil(int64_t year, int64_t month, int64_t day);
// The calendar date of a day count since 1970-01-01.
void civil_from_days(int64_t days, int64_t& year, int& month, int& day);

// The serial of a date and time (its fields in range).
double to_serial(const DateTime& t);
// The date and time of a serial, to the millisecond; false for a serial
// outside the years 1 to 9999 or not a number.
bool from_serial(double serial, DateTime& out);
// "%.10f".
std::string serial_text(double serial);

// The day fraction of a time of day.
double day_fraction(int hour, int minute, int second, int millis = 0);
// Reads "hh:mm" or "hh:mm:ss" (hours 0..23, minutes and seconds 0..59).
bool read_time_of_day(std::string_view text, int& hour, int& minute, int& second);

// Conversions between Unix seconds and local or UTC dates and times.
bool local_from_unix(int64_t seconds, DateTime& out);
bool utc_from_unix(int64_t seconds, DateTime& out);
bool unix_from_local(const DateTime& t, int64_t& seconds);
int64_t unix_from_utc(const DateTime& t);

// The broken-down form of a local date and time for the date formatter:
// weekday, day of year and the zone's daylight flag filled in.
std::tm to_tm(const DateTime& t);

// A year of one or two digits: 50..99 are 1950..1999, 0..49 are 2000..2049.
int64_t widen_year(int64_t year, size_t digits);

// The month (1..12) of a full or three-letter month name, any case; 0 when the
// word is neither.
int month_of_name(std::string_view word);

// Reads a date text by the rules of `clock scan`: "m/d/y", "m/d", "d/Mon/y",
// "Mon d y", "d Mon y", "Mon d" or "d Mon", each optionally followed by a time
// "hh:mm[:ss]". Returns 0, or the number of the fault:
//   1 a year out of range (before 1970 or after 9999 when `scan_limits`; else
//     before year 1 or after 9999) or more than two slashes,
//   2 a day outside 0..31, 3 a month outside 0..12 or not a month name,
//   4 fewer than three fields with two slashes, 5 a date too far in the future,
//   6 an unreadable time of day.
// Days and months out of their ranges roll over as in `dateserial`. Without a
// year the current local year is used; without a date part, today.
// `exact` tells whether day and month named a real calendar day.
int scan_date_text(std::string_view text, bool scan_limits, DateTime& out, bool* exact = nullptr);

// Reads an ISO 8601 date or date and time: "YYYY-MM-DD" or "YYYYMMDD",
// optionally followed by " " or "T" and "hh:mm[:ss[.fff]]", and then
// optionally by "Z" or "+hh:mm"/"-hh:mm" (converted to local time). Only real
// calendar days are accepted.
bool read_iso_date(std::string_view text, DateTime& out);

// The date argument of the date commands: a word that reads as a number is a
// serial (except eight digits forming a real date YYYYMMDD); any other word is
// an ISO date or a `clock scan` date text. `exact` as for scan_date_text.
bool read_date_argument(std::string_view word, DateTime& out, bool* exact = nullptr);

// The current local date and time, to the millisecond.
DateTime local_now();

}  // namespace syslib
