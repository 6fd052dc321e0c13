// The date serial: every day of the years 1 to 9999 goes to its calendar date
// and back, and through Unix seconds, without loss.
#include "syslib/date_serial.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using syslib::DateTime;

// Walks the calendar day by day alongside the day count.
TEST(DateSerial, EveryDayRoundTrips) {
  int64_t year = 1;
  int month = 1;
  int day = 1;
  for (int64_t serial = syslib::kFirstSerial; serial < syslib::kEndSerial; ++serial) {
    int64_t days = serial - syslib::kUnixEpochSerial;
    ASSERT_EQ(syslib::days_from_civil(year, month, day), days)
        << year << "-" << month << "-" << day;
    int64_t y = 0;
    int m = 0;
    int d = 0;
    syslib::civil_from_days(days, y, m, d);
    ASSERT_EQ(y, year);
    ASSERT_EQ(m, month);
    ASSERT_EQ(d, day);
    DateTime t;
    t.year = year;
    t.month = month;
    t.day = day;
    t.hour = static_cast<int>(serial & 15);
    t.minute = 59;
    t.second = 30;
    DateTime back;
    ASSERT_TRUE(syslib::from_serial(syslib::to_serial(t), back)) << serial;
    ASSERT_EQ(back.year, year);
    ASSERT_EQ(back.month, month);
    ASSERT_EQ(back.day, day);
    ASSERT_EQ(back.hour, t.hour);
    ASSERT_EQ(back.minute, 59);
    ASSERT_EQ(back.second, 30);
    DateTime utc;
    ASSERT_TRUE(syslib::utc_from_unix(syslib::unix_from_utc(t), utc));
    ASSERT_EQ(utc.year, year);
    ASSERT_EQ(utc.day, day);
    ASSERT_EQ(utc.hour, t.hour);
    if (++day > syslib::days_in_month(year, month)) {
      day = 1;
      if (++month > 12) {
        month = 1;
        ++year;
      }
    }
  }
  EXPECT_EQ(year, 10000);
}

TEST(DateSerial, KnownSerials) {
  struct Known {
    int64_t year;
    int month;
    int day;
    int64_t serial;
  };
  const Known known[] = {
      {1899, 12, 30, 0},  {1899, 12, 31, 1},       {1900, 1, 1, 2},        {1900, 2, 28, 60},
      {1900, 3, 1, 61},   {1970, 1, 1, 25569},     {2000, 2, 29, 36585},   {2022, 1, 6, 44567},
      {1, 1, 1, -693593}, {9999, 12, 31, 2958465}, {1600, 2, 29, -109512}, {1582, 10, 15, -115858},
  };
  for (const Known& k : known) {
    EXPECT_EQ(syslib::days_from_civil(k.year, k.month, k.day) + syslib::kUnixEpochSerial, k.serial)
        << k.year << "-" << k.month << "-" << k.day;
  }
}

// Before day 0 the time of day is subtracted: -1.25 is 1899-12-29 06:00.
TEST(DateSerial, NegativeSerialsSubtractTheTime) {
  DateTime t;
  ASSERT_TRUE(syslib::from_serial(-1.25, t));
  EXPECT_EQ(t.year, 1899);
  EXPECT_EQ(t.day, 29);
  EXPECT_EQ(t.hour, 6);
  EXPECT_DOUBLE_EQ(syslib::to_serial(t), -1.25);
  ASSERT_TRUE(syslib::from_serial(-0.5, t));
  EXPECT_EQ(t.day, 30);
  EXPECT_EQ(t.hour, 12);
  // A time that rounds up to midnight is the next calendar day.
  ASSERT_TRUE(syslib::from_serial(44567.9999999999, t));
  EXPECT_EQ(t.day, 7);
  EXPECT_EQ(t.hour, 0);
  EXPECT_FALSE(syslib::from_serial(static_cast<double>(syslib::kEndSerial), t));
  EXPECT_FALSE(syslib::from_serial(syslib::kFirstSerial - 1.0, t));
  EXPECT_FALSE(syslib::from_serial(std::nan(""), t));
}

}  // namespace
