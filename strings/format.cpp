// The format command and its formatter. Each conversion of the template is
// parsed here and rebuilt from a fixed alphabet ("%", "-", "0", "*", ".",
// "ll", one conversion letter) before the C library formats a single number;
// texts and characters are padded here without the C library at all.
#include "strings/format.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>

#include "core/cmd_helpers.h"
#include "core/list_index.h"
#include "core/switches.h"
#include "expr/number.h"

namespace strings {
namespace {

using core::Code;
using core::Interp;
using core::Value;

// One parsed conversion.
struct Directive {
  bool left = false;
  bool zero = false;
  int64_t width = 0;
  int64_t precision = -1;  // -1: none
  bool wide = false;       // "ll" or "I64"
  char conv = 0;
};

// Appends one number formatted by a rebuilt directive. `directive` holds
// only characters this file chose; the width and precision are bounded.
template <class T>
void append_number(std::string& out, const char* directive, int width, int precision, T value) {
  int n = std::snprintf(nullptr, 0, directive, width, precision, value);
  if (n <= 0) return;
  size_t old = out.size();
  out.resize(old + static_cast<size_t>(n) + 1);
  std::snprintf(out.data() + old, static_cast<size_t>(n) + 1, directive, width, precision, value);
  out.resize(old + static_cast<size_t>(n));
}

// Builds "%[-][0]*.*<length><conv>".
std::string rebuild(const Directive& s, const char* length) {
  std::string directive = "%";
  if (s.left) directive += '-';
  if (s.zero) directive += '0';
  directive += "*.*";
  directive += length;
  directive += s.conv;
  return directive;
}

void append_padded(std::string& out, std::string_view text, const Directive& s) {
  size_t width = static_cast<size_t>(s.width);
  size_t pad = width > text.size() ? width - text.size() : 0;
  if (!s.left) out.append(pad, ' ');
  out.append(text);
  if (s.left) out.append(pad, ' ');
}

// Reads a run of digits as a width or precision, saturating far above the
// limit so that an overlong number is still refused, never wrapped.
int64_t read_count(std::string_view t, size_t& j) {
  int64_t v = 0;
  while (j < t.size() && t[j] >= '0' && t[j] <= '9') {
    if (v <= kFormatMaxWidth * 10) v = v * 10 + (t[j] - '0');
    ++j;
  }
  return v;
}

}  // namespace

FormatOutcome format_text(std::string_view tmpl_in, std::span<const Value> args, bool unescape) {
  FormatOutcome r;
  std::string unescaped;
  if (unescape) unescaped = core::nuvelUnescape(tmpl_in);
  std::string_view t = unescape ? std::string_view(unescaped) : tmpl_in;
  std::string& out = r.text;
  size_t next = 0;  // next argument
  auto take = [&]() -> const Value* { return next < args.size() ? &args[next++] : nullptr; };
  auto fail = [&](std::string message) {
    r.ok = false;
    r.text.clear();
    r.error = std::move(message);
    return r;
  };

  size_t i = 0;
  while (i < t.size()) {
    size_t pct = t.find('%', i);
    if (pct == std::string_view::npos) {
      out.append(t.substr(i));
      break;
    }
    out.append(t.substr(i, pct - i));
    size_t j = pct + 1;
    if (j < t.size() && t[j] == '%') {
      out.push_back('%');
      i = j + 1;
      continue;
    }
    Directive s;
    for (; j < t.size(); ++j) {
      if (t[j] == '-') {
        s.left = true;
      } else if (t[j] == '0') {
        s.zero = true;
      } else if (t[j] != '+') {
        break;
      }
    }
    bool arg_missing = false;
    if (j < t.size() && t[j] == '*') {
      ++j;
      const Value* w = take();
      if (!w) {
        arg_missing = true;
      } else {
        int64_t v = core::leading_decimal(w->view());
        if (v < 0) {
          s.left = true;
          v = v == INT64_MIN ? INT64_MAX : -v;
        }
        s.width = v;
      }
    } else {
      s.width = read_count(t, j);
    }
    if (j < t.size() && t[j] == '.') {
      ++j;
      if (j < t.size() && t[j] == '*') {
        ++j;
        const Value* p = take();
        if (!p) {
          arg_missing = true;
        } else {
          int64_t v = core::leading_decimal(p->view());
          s.precision = v < 0 ? -1 : v;
        }
      } else {
        s.precision = read_count(t, j);
      }
    }
    if (t.substr(j, 2) == "ll") {
      s.wide = true;
      j += 2;
    } else if (t.substr(j, 3) == "I64") {
      s.wide = true;
      j += 3;
    } else if (j < t.size() && t[j] == 'l') {
      ++j;
    }
    if (j >= t.size() || t[j] == ' ' || t[j] == '\t') break;  // the output ends here
    s.conv = t[j];
    i = j + 1;
    if (s.width > kFormatMaxWidth || s.precision > kFormatMaxWidth) {
      return fail(core::format_message(core::message_text(core::Msg::FormatWidthOverLimit),
                                       {t.substr(pct, j + 1 - pct), kFormatMaxWidth}));
    }
    if (out.size() + static_cast<size_t>(std::max<int64_t>(s.width, s.precision)) >
        kFormatMaxResult) {
      return fail(core::format_message(core::message_text(core::Msg::FormatResultOverLimit),
                                       {kFormatMaxResult}));
    }
    const Value* arg = arg_missing ? nullptr : take();
    if (!arg) continue;  // no argument left: the conversion gives nothing
    const int width = static_cast<int>(s.width);
    const int precision = static_cast<int>(s.precision);
    switch (s.conv) {
      case 'd':
      case 'i':
        if (s.wide) {
          append_number(out, rebuild(s, "ll").c_str(), width, precision,
                        static_cast<long long>(core::leading_decimal(arg->view())));
        } else {
          append_number(out, rebuild(s, "").c_str(), width, precision,
                        static_cast<int>(core::leading_decimal32(arg->view())));
        }
        break;
      case 'o':
      case 'u':
      case 'x':
      case 'X':
        if (s.wide) {
          append_number(out, rebuild(s, "ll").c_str(), width, precision,
                        static_cast<unsigned long long>(core::leading_decimal(arg->view())));
        } else {
          append_number(out, rebuild(s, "").c_str(), width, precision,
                        static_cast<unsigned>(core::leading_decimal32(arg->view())));
        }
        break;
      case 'c': {
        int64_t code =
            s.wide ? core::leading_decimal(arg->view()) : core::leading_decimal32(arg->view());
        char ch = static_cast<char>(static_cast<unsigned char>(code & 0xFF));
        append_padded(out, std::string_view(&ch, 1), s);
        break;
      }
      case 'e':
      case 'E':
      case 'f':
      case 'g':
      case 'G':
        append_number(out, rebuild(s, "").c_str(), width, precision,
                      expr::read_double_text(arg->view()));
        break;
      case 's': {
        std::string text = unescape ? core::nuvelUnescape(arg->view()) : std::string(arg->view());
        std::string_view v = text;
        if (s.precision >= 0) v = v.substr(0, static_cast<size_t>(s.precision));
        append_padded(out, v, s);
        break;
      }
      default:
        append_padded(out, arg->view().substr(0, 1), s);
        break;
    }
  }
  return r;
}

namespace {

// format template ?arg ...?
// Results: the template with each conversion replaced by the next argument
// formatted as it asks (see format_text). When the escape setting is on,
// backslash escapes in the template and in "%s" arguments are translated.
// A width or precision over the limit fails.
Code nuvelCommandFormat(Interp& interp, int argc, Value* argv, void*) {
  FormatOutcome r =
      format_text(argv[1].view(), std::span<const Value>(argv + 2, static_cast<size_t>(argc - 2)),
                  core::switches().escape != 0);
  if (!r.ok) {
    return core::fail(interp, core::Msg::FormatFailed, r.error);
  }
  core::nuvelSetResult(interp, Value(std::move(r.text)));
  return Code::Ok;
}

constexpr core::CommandRow kFormatCommands[] = {
    {"format", nuvelCommandFormat, 2, core::kAnyWords, "template ?arg ...?"},
};

}  // namespace

[[gnu::section(".text.startup.register")]] void register_format_cmds(Interp& interp) {
  core::register_rows(interp, kFormatCommands);
}

}  // namespace strings
