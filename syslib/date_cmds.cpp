// The date commands: formatted dates, date serials and their conversions to
// and from calendar dates, ISO 8601 texts and Unix seconds.
//
// A date argument is a serial when it reads as a number (1899-12-30 is day 0,
// the time of day is the fraction), or else a date text: ISO 8601 or one of
// the forms `clock scan` reads. An omitted date means now, in local time.
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/cmd_helpers.h"
#include "platform/time_zone.h"
#include "syslib/date_format.h"
#include "syslib/date_serial.h"

namespace syslib {
namespace {

using core::Code;
using core::Interp;
using core::Msg;
using core::Value;

// Option flags of the date commands.
enum DateOption : unsigned {
  kOptUtc = 1u << 0,
  kOptIso = 1u << 1,
  kOptName = 1u << 2,
  kOptShort = 1u << 3,
};

struct OptionName {
  const char* name;
  unsigned bit;
};

// True for a word that reads whole as a number ("-3.5" is a value, not an option).
bool reads_as_number(std::string_view word) {
  std::string text(word);
  char* end = nullptr;
  (void)std::strtod(text.c_str(), &end);
  return !text.empty() && end == text.c_str() + text.size();
}

// The words of a date command after its name: options (anywhere, any case;
// "--" ends them; "-format" takes the next word) and the other words in order.
struct DateWords {
  std::vector<std::string_view> values;
  unsigned options = 0;
  std::string_view format;
  bool has_format = false;
};

// Splits argv into options and values. Fails (reported) on an unknown option
// or a "-format" without its text.
bool read_words(Interp& interp, int argc, Value* argv, std::initializer_list<OptionName> allowed,
                bool takes_format, DateWords& out, Code& code) {
  bool options_done = false;
  for (int i = 1; i < argc; ++i) {
    std::string_view word = argv[i].view();
    if (options_done || word.size() < 2 || word[0] != '-' || reads_as_number(word)) {
      out.values.push_back(word);
      continue;
    }
    if (word == "--") {
      options_done = true;
      continue;
    }
    if (takes_format && core::iequals(word, "-format")) {
      if (i + 1 >= argc) {
        code = core::nuvelWrongArgs(interp, argc, argv);
        return false;
      }
      out.format = argv[++i].view();
      out.has_format = true;
      continue;
    }
    bool known = false;
    for (const OptionName& o : allowed) {
      if (core::iequals(word, o.name)) {
        out.options |= o.bit;
        known = true;
      }
    }
    if (!known) {
      code = core::fail(interp, Msg::UnknownOption, word);
      return false;
    }
  }
  return true;
}

// The date of an optional date argument: now when it is missing.
bool date_of(Interp& interp, const DateWords& words, DateTime& when, Code& code) {
  if (words.values.empty()) {
    when = local_now();
    return true;
  }
  if (read_date_argument(words.values[0], when)) return true;
  code = core::fail(interp, Msg::InvalidDate, words.values[0]);
  return false;
}

Code set_text(Interp& interp, std::string text) {
  core::nuvelSetResult(interp, Value(std::move(text)));
  return Code::Ok;
}

// date ?date? ?-format fmt?
// Results: the date formatted by the one-letter date formatter (default
// "Y-m-d"); `date 44567` is 2022-01-06.
Code nuvelCommandDate(Interp& interp, int argc, Value* argv, void*) {
  DateWords words;
  Code code = Code::Ok;
  if (!read_words(interp, argc, argv, {}, true, words, code)) return code;
  if (words.values.size() > 1) return core::nuvelWrongArgs(interp, argc, argv);
  DateTime when;
  if (!date_of(interp, words, when, code)) return code;
  return set_text(interp, format_date(words.has_format ? words.format : "Y-m-d", to_tm(when)));
}

// now ?-format fmt?
// Results: the current local date and time as a serial ("%.10f"), or
// formatted by the one-letter date formatter.
Code nuvelCommandNow(Interp& interp, int argc, Value* argv, void*) {
  DateWords words;
  Code code = Code::Ok;
  if (!read_words(interp, argc, argv, {}, true, words, code)) return code;
  if (!words.values.empty()) return core::nuvelWrongArgs(interp, argc, argv);
  DateTime when = local_now();
  if (words.has_format) return set_text(interp, format_date(words.format, to_tm(when)));
  return set_text(interp, serial_text(to_serial(when)));
}

// dateserial year month day | dateserial date
// Results: the whole-day serial of a calendar date. Months and days out of
// range roll over (month 13 is January of the next year, day 0 the last day
// of the month before); years 0..99 are read as clock scan reads them.
Code nuvelCommandDateSerial(Interp& interp, int argc, Value* argv, void*) {
  if (argc == 3) {
    return core::nuvelWrongArgs(interp, argc, argv);
  }
  if (argc == 2) {
    DateTime when;
    if (!read_date_argument(argv[1].view(), when)) {
      return core::fail(interp, Msg::InvalidDate, argv[1]);
    }
    return core::result_int(interp,
                            days_from_civil(when.year, when.month, when.day) + kUnixEpochSerial);
  }
  int64_t parts[3];
  // Limits that keep the arithmetic exact; the result is checked below.
  const int64_t limits[3] = {1000000, 12000000, 400000000};
  for (int i = 0; i < 3; ++i) {
    auto v = core::parse_int(argv[i + 1].view());
    if (!v || *v > limits[i] || *v < -limits[i]) {
      return core::fail(interp, Msg::InvalidDate, argv[i + 1]);
    }
    parts[i] = *v;
  }
  int64_t year = parts[0] >= 0 ? widen_year(parts[0], parts[0] < 100 ? 2 : 4) : parts[0];
  int64_t serial = days_from_civil(year, parts[1], parts[2]) + kUnixEpochSerial;
  if (serial < kFirstSerial || serial >= kEndSerial) {
    return core::fail(interp, Msg::InvalidDate, argv[1]);
  }
  return core::result_int(interp, serial);
}

// day_of_week ?date? ?-iso? ?-name? ?-short?
// Results: 0..6 with Sunday 0; with -iso 1..7 with Monday 1; with -name the
// day's name, with -short its three-letter name.
Code nuvelCommandDayOfWeek(Interp& interp, int argc, Value* argv, void*) {
  DateWords words;
  Code code = Code::Ok;
  if (!read_words(interp, argc, argv,
                  {{"-iso", kOptIso}, {"-name", kOptName}, {"-short", kOptShort}}, false, words,
                  code)) {
    return code;
  }
  if (words.values.size() > 1) return core::nuvelWrongArgs(interp, argc, argv);
  DateTime when;
  if (!date_of(interp, words, when, code)) return code;
  const char* letter = "w";
  if (words.options & kOptShort) {
    letter = "D";
  } else if (words.options & kOptName) {
    letter = "l";
  } else if (words.options & kOptIso) {
    letter = "N";
  }
  return set_text(interp, format_date(letter, to_tm(when)));
}

// is_date text
// Results: "1" when the text is a date text (ISO 8601 or a clock scan form)
// naming a real calendar day and time, else "0". Numbers are serials, not
// date texts ("0"), except eight digits forming a real date YYYYMMDD.
Code nuvelCommandIsDate(Interp& interp, int, Value* argv, void*) {
  std::string_view text = argv[1].view();
  DateTime when;
  bool exact = false;
  bool eight_digits = text.size() == 8 && text.find_first_not_of("0123456789") == text.npos;
  if (reads_as_number(text) && !eight_digits) return core::result_bool(interp, false);
  bool ok = read_date_argument(text, when, &exact);
  return core::result_bool(interp, ok && exact);
}

// is_dst ?date?
// Results: "1" when daylight saving time is in effect in the local zone at
// that moment, else "0".
Code nuvelCommandIsDst(Interp& interp, int argc, Value* argv, void*) {
  DateWords words;
  Code code = Code::Ok;
  if (!read_words(interp, argc, argv, {}, false, words, code)) return code;
  if (words.values.size() > 1) return core::nuvelWrongArgs(interp, argc, argv);
  DateTime when;
  if (!date_of(interp, words, when, code)) return code;
  return core::result_bool(interp, to_tm(when).tm_isdst > 0);
}

// is_leapyear ?year|date?
// Results: "1" for a leap year of the calendar the date commands count in
// (proleptic Gregorian: every fourth year, but of the centuries only those
// divisible by 400), else "0". A plain integer is a year; any other word a
// date; default the current year.
Code nuvelCommandIsLeapYear(Interp& interp, int argc, Value* argv, void*) {
  int64_t year = 0;
  if (argc == 1) {
    year = local_now().year;
  } else if (auto y = core::parse_int(argv[1].view())) {
    year = *y;
  } else {
    DateTime when;
    if (!read_date_argument(argv[1].view(), when)) {
      return core::fail(interp, Msg::InvalidDate, argv[1]);
    }
    year = when.year;
  }
  return core::result_bool(interp, gregorian_leap(year));
}

// iso_to_double text
// Results: the serial of an ISO 8601 date or date and time ("%.10f"); a zone
// suffix ("Z", "+hh:mm") converts the time to local time.
Code nuvelCommandIsoToDouble(Interp& interp, int, Value* argv, void*) {
  DateTime when;
  if (!read_iso_date(argv[1].view(), when)) return core::fail(interp, Msg::InvalidIsoDate, argv[1]);
  return set_text(interp, serial_text(to_serial(when)));
}

// ctime_to_double seconds ?-utc?
// Results: the serial of the local (with -utc the UTC) date and time of a
// Unix time.
Code nuvelCommandCtimeToDouble(Interp& interp, int argc, Value* argv, void*) {
  DateWords words;
  Code code = Code::Ok;
  if (!read_words(interp, argc, argv, {{"-utc", kOptUtc}}, false, words, code)) return code;
  if (words.values.size() != 1) return core::nuvelWrongArgs(interp, argc, argv);
  auto seconds = core::parse_int(words.values[0]);
  DateTime when;
  bool ok = seconds && ((words.options & kOptUtc) ? utc_from_unix(*seconds, when)
                                                  : local_from_unix(*seconds, when));
  if (!ok || when.year < 1 || when.year > 9999) {
    return core::fail(interp, Msg::InvalidDate, words.values[0]);
  }
  return set_text(interp, serial_text(to_serial(when)));
}

// The Unix time of a date read as local time, or as UTC.
bool unix_of(const DateTime& when, bool utc, int64_t& seconds) {
  if (utc) {
    seconds = unix_from_utc(when);
    return true;
  }
  return unix_from_local(when, seconds);
}

Code unix_result(Interp& interp, int64_t seconds) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%" PRId64, seconds);
  return set_text(interp, buf);
}

// double_to_ctime serial ?-utc?
// Results: the Unix time of a serial read as local (with -utc as UTC) time,
// truncated to the second.
Code nuvelCommandDoubleToCtime(Interp& interp, int argc, Value* argv, void*) {
  DateWords words;
  Code code = Code::Ok;
  if (!read_words(interp, argc, argv, {{"-utc", kOptUtc}}, false, words, code)) return code;
  if (words.values.size() != 1) return core::nuvelWrongArgs(interp, argc, argv);
  DateTime when;
  int64_t seconds = 0;
  if (!reads_as_number(words.values[0]) ||
      !from_serial(std::strtod(std::string(words.values[0]).c_str(), nullptr), when) ||
      !unix_of(when, words.options & kOptUtc, seconds)) {
    return core::fail(interp, Msg::InvalidDate, words.values[0]);
  }
  return unix_result(interp, seconds);
}

// date_to_ctime date ?-utc?
// Results: the Unix time of a date argument (serial or date text) read as
// local (with -utc as UTC) time.
Code nuvelCommandDateToCtime(Interp& interp, int argc, Value* argv, void*) {
  DateWords words;
  Code code = Code::Ok;
  if (!read_words(interp, argc, argv, {{"-utc", kOptUtc}}, false, words, code)) return code;
  if (words.values.size() != 1) return core::nuvelWrongArgs(interp, argc, argv);
  DateTime when;
  int64_t seconds = 0;
  if (!read_date_argument(words.values[0], when) ||
      !unix_of(when, words.options & kOptUtc, seconds)) {
    return core::fail(interp, Msg::InvalidDate, words.values[0]);
  }
  return unix_result(interp, seconds);
}

const core::CommandRow kDateCommands[] = {
    {"date", nuvelCommandDate, 1, 4, "?date? ?-format fmt?"},
    {"now", nuvelCommandNow, 1, 3, "?-format fmt?", core::kUnsafe},
    {"dateserial", nuvelCommandDateSerial, 2, 4, "year month day | date"},
    {"day_of_week", nuvelCommandDayOfWeek, 1, 5, "?date? ?-iso? ?-name? ?-short?"},
    {"is_date", nuvelCommandIsDate, 2, 2, "text"},
    {"is_dst", nuvelCommandIsDst, 1, 2, "?date?"},
    {"is_leapyear", nuvelCommandIsLeapYear, 1, 2, "?year|date?"},
    {"iso_to_double", nuvelCommandIsoToDouble, 2, 2, "text"},
    {"ctime_to_double", nuvelCommandCtimeToDouble, 2, 3, "seconds ?-utc?"},
    {"double_to_ctime", nuvelCommandDoubleToCtime, 2, 3, "serial ?-utc?"},
    {"date_to_ctime", nuvelCommandDateToCtime, 2, 3, "date ?-utc?"},
};

}  // namespace

[[gnu::section(".text.startup.register")]] void register_date_cmds(Interp& interp) {
  core::register_rows(interp, kDateCommands);
}

}  // namespace syslib
