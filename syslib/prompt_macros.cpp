// Prompt macros. A template is read once from left to right; at each "$" the
// longest macro name that matches is replaced. A composite macro ("$fulldate",
// "$d", "$t", ...) stands for a text of simpler date macros, which is read the
// same way with the date meanings of the short names ("$d" the day, "$h" the
// hour, "$s" the second). Values taken from outside (folder, user, host,
// environment) are never read for macros again.
#include "syslib/prompt_macros.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "platform/fs.h"
#include "platform/identity.h"
#include "platform/system.h"
#include "platform/time_zone.h"

namespace syslib {
namespace {

constexpr std::array<const char*, 7> kDayNames = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                  "Thursday", "Friday", "Saturday"};
constexpr std::array<const char*, 12> kMonthNames = {
    "January", "February", "March",     "April",   "May",      "June",
    "July",    "August",   "September", "October", "November", "December"};

// Longest environment-variable name and most "$env." replacements.
constexpr size_t kEnvNameMax = 255;
constexpr int kEnvReplacementsMax = 20000;

std::string ordinal_suffix(int n) {
  int last_two = n % 100;
  if (last_two < 11 || last_two > 13) {
    switch (n % 10) {
      case 1:
        return "st";
      case 2:
        return "nd";
      case 3:
        return "rd";
      default:
        break;
    }
  }
  return "th";
}

std::string two_digits(int v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%2.2i", v);
  return buf;
}

// Monday-based week of the year, counted from 1.
int week_of_year(const std::tm& t) {
  char buf[8];
  std::strftime(buf, sizeof buf, "%W", &t);
  return std::atoi(buf) + 1;
}

class Expander {
 public:
  Expander(core::Interp& interp, std::string_view host) : interp_(interp), host_(host) {
    if (!platform::local_time(platform::now_seconds(), now_)) now_ = std::tm{};
  }

  // `shell_names`: the template itself, where the shell's short macros win
  // over the date macros of the same name.
  void expand(std::string_view text, bool shell_names, std::string& out) {
    size_t i = 0;
    while (i < text.size()) {
      size_t dollar = text.find('$', i);
      if (dollar == std::string_view::npos) {
        out.append(text.substr(i));
        break;
      }
      out.append(text.substr(i, dollar - i));
      size_t used = replace_at(text.substr(dollar + 1), shell_names, out);
      if (used == 0) {
        out.push_back('$');
        i = dollar + 1;
      } else {
        i = dollar + 1 + used;
      }
    }
  }

 private:
  // Replaces the macro at the start of `rest` (the text after "$"); returns
  // how many characters of `rest` it used, 0 when none matches.
  size_t replace_at(std::string_view rest, bool shell_names, std::string& out) {
    if (rest.substr(0, 4) == "env.") return replace_env(rest, out);
    static constexpr const char* kNames[] = {
        "exename", "yearday", "fulldate", "r",    "usdate",   "ukdate",   "date",     "isodate",
        "year",    "day",     "hhmmss",   "time", "yyyymmdd", "mmddyyyy", "ddmmyyyy", "ordday",
        "dddd",    "ddd",     "dd",       "d",    "mmmm",     "mmm",      "mm",       "m",
        "yyyy",    "yy",      "hh",       "h",    "ii",       "i",        "ss",       "s",
        "O",       "week",    "ordweek",  "c",    "f",        "g",        "t",        "k",
        "l",       "p",       "n",        "u",    "_"};
    std::string_view best;
    for (const char* name : kNames) {
      std::string_view n(name);
      if (n.size() > best.size() && rest.substr(0, n.size()) == n) {
        if (!shell_names && is_shell_only(n)) continue;
        best = n;
      }
    }
    if (best.empty()) return 0;
    if (shell_names && replace_shell(best, out)) return best.size();
    replace_date(best, out);
    return best.size();
  }

  static bool is_shell_only(std::string_view n) {
    return n == "c" || n == "f" || n == "g" || n == "t" || n == "k" || n == "l" || n == "p" ||
           n == "n" || n == "u" || n == "_";
  }

  // The shell's own macros; false for a name that is a date macro only.
  bool replace_shell(std::string_view n, std::string& out) {
    if (n == "s") {
      out.push_back(' ');
    } else if (n == "c") {
      out.push_back('(');
    } else if (n == "f") {
      out.push_back(')');
    } else if (n == "g") {
      out.push_back('>');
    } else if (n == "h") {
      out.append(host_);
    } else if (n == "d") {
      expand("$dd-$mm-$yyyy", false, out);
    } else if (n == "t") {
      expand("$hh:$ii:$ss", false, out);
    } else if (n == "k") {
      out += std::to_string(interp_.cmdcount);
    } else if (n == "l") {
      out.push_back('<');
    } else if (n == "p") {
      std::string dir;
      if (platform::current_directory(dir) == 0) out += dir;
    } else if (n == "n") {
      std::string dir;
      if (platform::current_directory(dir) == 0 && dir.size() > 1 && dir[1] == ':') {
        out.push_back(dir[0]);
      }
    } else if (n == "u") {
      out += platform::user_name().substr(0, 24);
    } else if (n == "_") {
      out.push_back('\n');
    } else {
      return false;
    }
    return true;
  }

  void replace_date(std::string_view n, std::string& out) {
    const std::tm& t = now_;
    int year = t.tm_year + 1900;
    char buf[64];
    if (n == "exename") {
      out += "Nuvel";
    } else if (n == "yearday") {
      out += std::to_string(t.tm_yday + 1);
    } else if (n == "fulldate") {
      expand("$dddd, $d$ordday $mmmm $yyyy", false, out);
    } else if (n == "r") {
      expand("$ddd, $d$ordday $mmm $yyyy $hh:$ii:$ss $O", false, out);
    } else if (n == "usdate") {
      expand("$mm-$dd-$yyyy", false, out);
    } else if (n == "ukdate" || n == "date") {
      expand("$dd-$mm-$yyyy", false, out);
    } else if (n == "isodate") {
      expand("$yyyy$mm$dd", false, out);
    } else if (n == "year") {
      expand("$yyyy", false, out);
    } else if (n == "day") {
      expand("$dddd", false, out);
    } else if (n == "hhmmss" || n == "time") {
      expand("$hh:$ii:$ss", false, out);
    } else if (n == "yyyymmdd") {
      std::snprintf(buf, sizeof buf, "%4.4i-%2.2i-%2.2i", year, t.tm_mon + 1, t.tm_mday);
      out += buf;
    } else if (n == "mmddyyyy") {
      std::snprintf(buf, sizeof buf, "%2.2i-%2.2i-%4.4i", t.tm_mon + 1, t.tm_mday, year);
      out += buf;
    } else if (n == "ddmmyyyy") {
      std::snprintf(buf, sizeof buf, "%2.2i-%2.2i-%4.4i", t.tm_mday, t.tm_mon + 1, year);
      out += buf;
    } else if (n == "ordday") {
      out += ordinal_suffix(t.tm_mday);
    } else if (n == "dddd") {
      out += kDayNames[static_cast<size_t>(t.tm_wday % 7)];
    } else if (n == "ddd") {
      out += std::string_view(kDayNames[static_cast<size_t>(t.tm_wday % 7)]).substr(0, 3);
    } else if (n == "dd") {
      out += two_digits(t.tm_mday);
    } else if (n == "d") {
      out += std::to_string(t.tm_mday);
    } else if (n == "mmmm") {
      out += kMonthNames[static_cast<size_t>(t.tm_mon % 12)];
    } else if (n == "mmm") {
      out += std::string_view(kMonthNames[static_cast<size_t>(t.tm_mon % 12)]).substr(0, 3);
    } else if (n == "mm") {
      out += two_digits(t.tm_mon + 1);
    } else if (n == "m") {
      out += std::to_string(t.tm_mon + 1);
    } else if (n == "yyyy") {
      std::snprintf(buf, sizeof buf, "%4.4i", year);
      out += buf;
    } else if (n == "yy") {
      out += two_digits(((year % 100) + 100) % 100);
    } else if (n == "hh") {
      out += two_digits(t.tm_hour);
    } else if (n == "h") {
      out += std::to_string(t.tm_hour);
    } else if (n == "ii") {
      out += two_digits(t.tm_min);
    } else if (n == "i") {
      out += std::to_string(t.tm_min);
    } else if (n == "ss") {
      out += two_digits(t.tm_sec);
    } else if (n == "s") {
      out += std::to_string(t.tm_sec);
    } else if (n == "O") {
      platform::ZoneFacts zone = platform::zone_facts(t);
      long bias = zone.daylight ? -zone.daylight_bias / 60 : 0;
      std::snprintf(buf, sizeof buf, "%+2.2li%2.2li", bias / 60, (bias < 0 ? -bias : bias) % 60);
      out += buf;
    } else if (n == "week") {
      out += std::to_string(week_of_year(t));
    } else if (n == "ordweek") {
      out += ordinal_suffix(week_of_year(t));
    }
  }

  // "$env.NAME": the name ends at a tab, a line end, "<", ">", "|", "^", "&",
  // a blank, the next "$" or the end of the text.
  size_t replace_env(std::string_view rest, std::string& out) {
    size_t end = 4;
    while (end < rest.size() &&
           std::string_view("\t\r\n<>|^& $").find(rest[end]) == std::string_view::npos) {
      ++end;
    }
    std::string_view name = rest.substr(4, end - 4);
    if (++env_count_ > kEnvReplacementsMax) return 0;
    if (name.empty() || name.size() > kEnvNameMax) {
      out += "$env-error";
      return end;
    }
    bool found = false;
    std::string value = platform::get_env(name, &found);
    out += found ? value : std::string("$env-missing");
    return end;
  }

  core::Interp& interp_;
  std::string_view host_;
  std::tm now_{};
  int env_count_ = 0;
};

}  // namespace

std::string expand_prompt(core::Interp& interp, std::string_view templ, std::string_view host) {
  std::string out;
  Expander(interp, host).expand(templ, true, out);
  return out;
}

}  // namespace syslib
