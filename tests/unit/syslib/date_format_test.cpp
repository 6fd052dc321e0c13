// The one-letter date formatter: letters, expansions, literals, limits, leap
// years, ISO weeks and the zone letters under explicit time zones.
#include "syslib/date_format.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "platform/time_zone.h"

namespace {

// Sets TZ for the length of a test and puts the previous value back.
class ZoneGuard {
 public:
  explicit ZoneGuard(const char* zone) {
    if (const char* old = std::getenv("TZ")) saved_ = old, had_ = true;
    ::setenv("TZ", zone, 1);
    ::tzset();
  }
  ~ZoneGuard() {
    if (had_) {
      ::setenv("TZ", saved_.c_str(), 1);
    } else {
      ::unsetenv("TZ");
    }
    ::tzset();
  }
  ZoneGuard(const ZoneGuard&) = delete;
  ZoneGuard& operator=(const ZoneGuard&) = delete;

 private:
  std::string saved_;
  bool had_ = false;
};

std::tm local(int64_t seconds) {
  std::tm t{};
  EXPECT_TRUE(platform::local_time(seconds, t));
  return t;
}

// A broken-down time for a calendar date (normalised by the C library).
std::tm date(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_sec = second;
  t.tm_isdst = -1;
  std::mktime(&t);
  return t;
}

TEST(DateFormat, DayMonthAndYearLetters) {
  ZoneGuard utc("UTC");
  std::tm t = date(2022, 1, 6, 17, 50, 40);
  EXPECT_EQ(syslib::format_date("Y-m-d", t), "2022-01-06");
  EXPECT_EQ(syslib::format_date("\\Y-m-d", t), "Y-01-06");
  EXPECT_EQ(syslib::format_date("d j D l N w z", t), "06 6 Thu Thursday 4 4 5");
  EXPECT_EQ(syslib::format_date("F M m n t L", t), "January Jan 01 1 31 0");
  EXPECT_EQ(syslib::format_date("Y y o", t), "2022 22 22");
  EXPECT_EQ(syslib::format_date("a A B g h G H i s", t), "pm PM 0 5 05 17 17 50 40");
  EXPECT_EQ(syslib::format_date("U", t), "1641491440");
  // Characters that are not letters of the table stay.
  EXPECT_EQ(syslib::format_date("[x] q,k", t), "[x] q,k");
}

TEST(DateFormat, HoursAroundNoonAndMidnight) {
  ZoneGuard utc("UTC");
  // A 12-hour clock shows 12 at noon and at midnight.
  EXPECT_EQ(syslib::format_date("g h a", date(2022, 1, 6, 12, 30)), "12 12 pm");
  EXPECT_EQ(syslib::format_date("g h a", date(2022, 1, 6, 0, 5)), "12 12 am");
  EXPECT_EQ(syslib::format_date("g h", date(2022, 1, 6, 1, 5)), "1 01");
  EXPECT_EQ(syslib::format_date("g h a", date(2022, 1, 6, 11, 59)), "11 11 am");
  EXPECT_EQ(syslib::format_date("g h A", date(2022, 1, 6, 23, 0)), "11 11 PM");
}

TEST(DateFormat, OrdinalSuffixes) {
  ZoneGuard utc("UTC");
  const char* expected[32] = {"",   "st", "nd", "rd", "th", "th", "th", "th", "th", "th", "th",
                              "th", "th", "th", "th", "th", "th", "th", "th", "th", "th", "st",
                              "nd", "rd", "th", "th", "th", "th", "th", "th", "th", "st"};
  for (int day = 1; day <= 31; ++day) {
    EXPECT_EQ(syslib::format_date("S", date(2022, 1, day)), expected[day]) << day;
  }
}

TEST(DateFormat, TwoDigitYears) {
  ZoneGuard utc("UTC");
  EXPECT_EQ(syslib::format_date("y", date(1999, 5, 1)), "99");
  EXPECT_EQ(syslib::format_date("y", date(2022, 5, 1)), "22");
  EXPECT_EQ(syslib::format_date("y", date(2000, 5, 1)), "00");
  EXPECT_EQ(syslib::format_date("y", date(1905, 5, 1)), "05");
  // The year modulo 2000 or 1900, at least two digits.
  EXPECT_EQ(syslib::format_date("o", date(2150, 5, 1)), "150");
}

TEST(DateFormat, DaysInMonthFollowLeapYears) {
  ZoneGuard utc("UTC");
  // February by the same leap-year rule as "L".
  EXPECT_EQ(syslib::format_date("t L", date(2020, 2, 10)), "29 1");
  EXPECT_EQ(syslib::format_date("t L", date(2000, 2, 10)), "29 1");
  EXPECT_EQ(syslib::format_date("t L", date(1900, 2, 10)), "28 0");
  EXPECT_EQ(syslib::format_date("t L", date(2023, 2, 10)), "28 0");
  EXPECT_EQ(syslib::format_date("t", date(2021, 4, 10)), "30");
  EXPECT_EQ(syslib::format_date("t", date(2021, 12, 10)), "31");
}

TEST(DateFormat, LeapYearsOfEveryEra) {
  // Gregorian from 1582 on.
  EXPECT_TRUE(syslib::is_leap_year(2000));
  EXPECT_TRUE(syslib::is_leap_year(2024));
  EXPECT_TRUE(syslib::is_leap_year(1600));
  EXPECT_FALSE(syslib::is_leap_year(1900));
  EXPECT_FALSE(syslib::is_leap_year(2100));
  EXPECT_FALSE(syslib::is_leap_year(2023));
  EXPECT_FALSE(syslib::is_leap_year(1582));
  EXPECT_TRUE(syslib::is_leap_year(1584));
  // From 8 to 1581: every fourth year, but not centuries (not even 1200).
  EXPECT_TRUE(syslib::is_leap_year(8));
  EXPECT_TRUE(syslib::is_leap_year(1004));
  EXPECT_TRUE(syslib::is_leap_year(1580));
  EXPECT_FALSE(syslib::is_leap_year(1200));
  EXPECT_FALSE(syslib::is_leap_year(1500));
  EXPECT_FALSE(syslib::is_leap_year(1581));
  // Before 8: exactly the listed years.
  for (long y : {-45L, -42L, -39L, -36L, -33L, -30L, -27L, -21L, -18L, -15L, -12L, -9L}) {
    EXPECT_TRUE(syslib::is_leap_year(y)) << y;
  }
  for (long y : {-48L, -44L, -24L, -8L, -6L, -3L, 0L, 4L, 7L}) {
    EXPECT_FALSE(syslib::is_leap_year(y)) << y;
  }
}

TEST(DateFormat, IsoWeekNumbers) {
  ZoneGuard utc("UTC");
  EXPECT_EQ(syslib::iso_week_number(date(2021, 1, 3)), 53);  // Sunday, week 53 of 2020
  EXPECT_EQ(syslib::iso_week_number(date(2021, 1, 4)), 1);
  EXPECT_EQ(syslib::iso_week_number(date(2024, 12, 30)), 1);  // week 1 of 2025
  EXPECT_EQ(syslib::iso_week_number(date(2020, 12, 31)), 53);
  EXPECT_EQ(syslib::iso_week_number(date(2022, 1, 1)), 52);
  EXPECT_EQ(syslib::iso_week_number(date(2016, 1, 1)), 53);  // Friday, week 53 of 2015
  // Every day of fifty years against the C library's own ISO week.
  for (int64_t s = 631152000; s < 631152000 + int64_t{50} * 366 * 86400; s += 86400) {
    std::tm t = local(s);
    char buf[8];
    std::strftime(buf, sizeof buf, "%V", &t);
    ASSERT_EQ(syslib::format_date("W", t), buf) << s;
  }
}

TEST(DateFormat, CompositeLetters) {
  ZoneGuard utc("UTC");
  std::tm t = date(2022, 1, 6, 17, 50, 40);
  EXPECT_EQ(syslib::format_date("r", t), "Thu, 06 Jan 2022 17:50:40 +0000");
  EXPECT_EQ(syslib::format_date("c", t), "2022-01-06T17:50:40+0000");
  EXPECT_EQ(syslib::format_date("C", t), "Thu Jan 06 17:50:40 2022");
  // Only the first "r" is expanded; r is tried before c, and c before C.
  EXPECT_EQ(syslib::format_date("r|r", t), "Thu, 06 Jan 2022 17:50:40 +0000|r");
  EXPECT_EQ(syslib::format_date("c|r", t), "c|Thu, 06 Jan 2022 17:50:40 +0000");
  EXPECT_EQ(syslib::format_date("C|c", t), "C|2022-01-06T17:50:40+0000");
}

TEST(DateFormat, BackslashLiterals) {
  ZoneGuard utc("UTC");
  std::tm t = date(2022, 1, 6);
  EXPECT_EQ(syslib::format_date("\\d\\a\\y: d", t), "day: 06");
  EXPECT_EQ(syslib::format_date("\\\\", t), "\\");
  EXPECT_EQ(syslib::format_date("d\\", t), "06");  // a trailing backslash goes
}

TEST(DateFormat, LengthLimits) {
  ZoneGuard utc("UTC");
  std::tm t = date(2022, 1, 6);
  EXPECT_EQ(syslib::format_date(std::string(513, 'x'), t), "");
  EXPECT_EQ(syslib::format_date(std::string(512, 'x'), t), std::string(512, 'x'));
  EXPECT_EQ(syslib::format_date("", t), "");
  // The result is cut at 512 characters.
  std::string many(200, 'l');  // "Thursday" each
  std::string out = syslib::format_date(many, t);
  ASSERT_EQ(out.size(), 512u);
  EXPECT_EQ(out.substr(0, 16), "ThursdayThursday");
}

TEST(DateFormat, ZoneLettersInUtc) {
  ZoneGuard utc("UTC");
  std::tm t = local(1641471046);
  EXPECT_EQ(syslib::format_date("O P Z T e I", t), "+0000 +00:00 0 UTC UTC 0");
}

TEST(DateFormat, ZoneLettersWithDaylightSaving) {
  ZoneGuard cet("CET-1CEST,M3.5.0,M10.5.0/3");
  std::tm winter = local(1641471046);  // 2022-01-06 13:10:46 CET
  EXPECT_EQ(syslib::format_date("H O P Z T e I", winter), "13 +0000 +01:00 -3600 CET CET 0");
  EXPECT_EQ(syslib::format_date("U", winter), "1641471046");
  std::tm summer = local(1656669600);  // 2022-07-01 12:00:00 CEST
  EXPECT_EQ(syslib::format_date("H O P Z T e I", summer), "12 +0100 +01:00 -3600 CET CET 1");
  // U reads the local time as standard time: one hour later than the real time.
  EXPECT_EQ(syslib::format_date("U", summer), "1656673200");
  EXPECT_EQ(syslib::format_date("r", summer), "Fri, 01 Jul 2022 12:00:00 +0100");
}

TEST(DateFormat, ZoneWestOfUtcWithHalfHours) {
  ZoneGuard nst("NST3:30NDT,M3.2.0,M11.1.0");
  std::tm winter = local(1641471046);
  EXPECT_EQ(syslib::format_date("P Z T", winter), "-03:30 12600 NST");
  ZoneGuard ist("IST-5:30");
  EXPECT_EQ(syslib::format_date("P Z e I", local(0)), "+05:30 -19800 IST 0");
}

}  // namespace
