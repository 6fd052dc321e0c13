// Number reading: decimal texts read as the C library reads them, whichever
// path the reader takes, and integers carry their value.
#include "expr/number.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

namespace {

void expect_same_as_strtod(const std::string& text) {
  double mine = expr::read_double_text(text);
  double libc = std::strtod(text.c_str(), nullptr);
  EXPECT_EQ(std::memcmp(&mine, &libc, sizeof mine), 0) << text;
}

TEST(NumberReading, DecimalTextsReadLikeStrtod) {
  for (const char* t : {"0",
                        "-0",
                        "0.0",
                        "-0.000000000000000",
                        "5.",
                        "-.5",
                        "+5",
                        "+.25",
                        "007.5",
                        "0.1",
                        "0.30000000000000004",
                        "0.300000000000000",
                        "123456789012345",
                        "1234567890123456",
                        "12345678901234567890",
                        "0.000000000000001",
                        "9007199254740993",
                        "1.7976931348623157",
                        "0.0000000000000000000001",
                        "0.00000000000000000000001"}) {
    expect_same_as_strtod(t);
  }
  std::mt19937_64 rng(12345);
  std::uniform_real_distribution<double> mag(-12.0, 12.0);
  char buf[400];
  for (int i = 0; i < 20000; ++i) {
    double v = std::pow(10.0, mag(rng)) * ((rng() & 1) ? -1.0 : 1.0);
    static const char* const kFormats[] = {"%.15f", "%.3f", "%.17g", "%.0f", "%.6f"};
    std::snprintf(buf, sizeof buf, kFormats[i % 5], v);
    expect_same_as_strtod(buf);
    // Digit strings of random length with the point anywhere.
    std::string s = std::to_string(rng() % 100000000000000000ULL);
    s.insert(rng() % (s.size() + 1), ".");
    expect_same_as_strtod(s);
  }
}

// Decimal texts that lie exactly halfway between two neighbouring doubles
// (and one unit of the last decimal either side) read as strtod reads them:
// the short-fraction reader decides these ties with integer arithmetic.
std::string u128_text(unsigned __int128 v) {
  std::string s;
  do {
    s.insert(s.begin(), static_cast<char>('0' + static_cast<int>(v % 10)));
    v /= 10;
  } while (v != 0);
  return s;
}

TEST(NumberReading, MidpointsBetweenDoublesReadLikeStrtod) {
  std::mt19937_64 rng(777);
  for (int i = 0; i < 20000; ++i) {
    uint64_t mant = (1ULL << 52) | (rng() & ((1ULL << 52) - 1));
    if (i % 7 == 0) mant = 1ULL << 52;         // the power-of-two boundary
    int k = 1 + static_cast<int>(rng() % 19);  // decimals: midpoint * 10^k is whole
    unsigned __int128 five = 1;
    for (int j = 0; j < k; ++j) five *= 5;
    for (int delta : {-1, 0, 1}) {
      unsigned __int128 scaled = (2 * static_cast<unsigned __int128>(mant) + 1) * five;
      scaled = static_cast<unsigned __int128>(static_cast<__int128>(scaled) + delta);
      std::string digits = u128_text(scaled);
      if (digits.size() <= static_cast<size_t>(k)) digits.insert(0, k + 1 - digits.size(), '0');
      digits.insert(digits.size() - static_cast<size_t>(k), ".");
      expect_same_as_strtod(digits);
      expect_same_as_strtod("-" + digits);
    }
  }
}

// Fifteen decimals are printed as printf prints them, ties (exact binary
// values ending in a 5 at the sixteenth decimal) included.
TEST(NumberPrinting, FifteenDecimalsLikePrintf) {
  std::mt19937_64 rng(99);
  std::uniform_real_distribution<double> mag(-25.0, 25.0);
  auto check = [](double v) {
    char buf[400];
    std::snprintf(buf, sizeof buf, "%.15f", v);
    EXPECT_EQ(expr::fixed15(v, 0), buf) << v;
    std::snprintf(buf, sizeof buf, "%15.15f", v);
    EXPECT_EQ(expr::fixed15(v, 15), buf) << v;
  };
  for (double v : {0.0, -0.0, 1.0, -1e-20, 0.5e-15, 9.2233720368547758e18, -9.2233720368547758e18,
                   1.8e19, 1e300, 5e-324}) {
    check(v);
  }
  for (int i = 0; i < 20000; ++i) {
    double v = std::pow(10.0, mag(rng)) * ((rng() & 1) ? -1.0 : 1.0);
    check(v);
    // m / 2^k: exact ties at the sixteenth decimal and beyond.
    check(std::ldexp(static_cast<double>(rng() % 100000), -static_cast<int>(rng() % 60)));
  }
}

// An unboxed float result stands for its "%.15f" text: the double it holds
// must be the one strtod gives for that text, bit for bit (sign of zero too).
TEST(NumberPrinting, RereadOfFifteenDecimalsLikeStrtod) {
  std::mt19937_64 rng(7);
  std::uniform_real_distribution<double> mag(-20.0, 20.0);
  auto check = [](double v) {
    char buf[400];
    std::snprintf(buf, sizeof buf, "%.15f", v);
    double libc = std::strtod(buf, nullptr);
    double mine = expr::float15_reread(v);
    EXPECT_EQ(std::memcmp(&mine, &libc, sizeof mine), 0) << buf;
    // The text made from the reread double, with its recorded reading, is
    // the same text and reads as a fresh copy of it reads.
    core::Value known = expr::float15_known(mine);
    EXPECT_EQ(known.view(), buf);
    expr::ArithOperand a = expr::read_arith(known);
    expr::ArithOperand b = expr::read_arith(core::Value(std::string(buf)));
    EXPECT_TRUE(a.is_float && b.is_float) << buf;
    EXPECT_EQ(a.i, b.i) << buf;
    EXPECT_EQ(std::memcmp(&a.d, &b.d, sizeof a.d), 0) << buf;
  };
  for (double v : {0.0, -0.0, -1e-20, 0.5e-15, 1.5e-15, 8.0, std::nextafter(8.0, 0.0),
                   std::nextafter(8.0, 9.0), -7.9999999999999995, 0.1 + 0.2, 5e-324, 1e300}) {
    check(v);
  }
  for (int i = 0; i < 40000; ++i) {
    double v = std::pow(10.0, mag(rng)) * ((rng() & 1) ? -1.0 : 1.0);
    check(v);
    // m / 2^k: exact ties at the sixteenth decimal and beyond.
    check(std::ldexp(static_cast<double>(rng() % 100000), -static_cast<int>(rng() % 60)));
    // Random bit patterns near the cut at 8.
    check(std::nextafter(8.0, 0.0) - static_cast<double>(rng() % 1000) * 1e-15);
  }
}

TEST(NumberReading, IntegersCarryTheirValue) {
  core::Value v = core::Value::from_int(-42);
  int64_t out = 0;
  EXPECT_TRUE(v.known_int(out));
  EXPECT_EQ(out, -42);
  EXPECT_EQ(v.view(), "-42");
  // Texts that are not canonical integers are not taken for one.
  for (const char* t : {"007", "+5", "-0", "1e3", " 5", "5 ", "99999999999999999999", "0x10"}) {
    core::Value w(t);
    EXPECT_FALSE(w.canonical_int(out)) << t;
  }
  core::Value big("-9223372036854775808");
  EXPECT_TRUE(big.canonical_int(out));
  EXPECT_EQ(out, INT64_MIN);
  EXPECT_EQ(expr::read_arith(core::Value("007")).i, 7);
}

}  // namespace
