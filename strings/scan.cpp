// The scan command and its reader. Numbers are read here digit by digit from
// the input text, bounded by the conversion's width; only a finished float
// field (copied to its own string) is handed to the C library's strtod.
#include "strings/scan.h"

#include <algorithm>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "core/cmd_helpers.h"

namespace strings {
namespace {

using core::Code;
using core::Interp;
using core::Value;

bool blank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

int digit_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 99;
}

// The input still open to one conversion: at most `limit` bytes from `pos`.
struct Field {
  std::string_view in;
  size_t pos;
  size_t end;  // pos + width, capped at the input's end
  bool more() const { return pos < end; }
  char peek() const { return in[pos]; }
};

// Reads digits of a base, saturating at 2^64 - 1; the count of digits read.
size_t read_digits(Field& f, int base, uint64_t& value, size_t max_digits) {
  constexpr uint64_t kMax = std::numeric_limits<uint64_t>::max();
  size_t n = 0;
  while (f.more() && n < max_digits && digit_value(f.peek()) < base) {
    const auto b = static_cast<uint64_t>(base);
    const auto d = static_cast<uint64_t>(digit_value(f.peek()));
    value = value > (kMax - d) / b ? kMax : value * b + d;
    ++f.pos;
    ++n;
  }
  return n;
}

// An integer: optional sign, then digits of `base`; base 0 chooses by prefix
// as %i does ("0x" hexadecimal, "0" octal, otherwise decimal). With `hex_prefix`
// a "0x" before hexadecimal digits is skipped. False when no digit was read.
bool read_integer(Field& f, int base, bool hex_prefix, uint64_t& magnitude, bool& negative,
                  size_t max_digits) {
  negative = false;
  if (f.more() && (f.peek() == '-' || f.peek() == '+')) {
    negative = f.peek() == '-';
    ++f.pos;
  }
  auto has_hex_prefix = [&]() {
    return f.pos + 2 < f.end && f.in[f.pos] == '0' &&
           (f.in[f.pos + 1] == 'x' || f.in[f.pos + 1] == 'X') && digit_value(f.in[f.pos + 2]) < 16;
  };
  if (base == 0) {
    if (has_hex_prefix()) {
      base = 16;
      f.pos += 2;
    } else if (f.more() && f.peek() == '0') {
      base = 8;
    } else {
      base = 10;
    }
  } else if (hex_prefix && has_hex_prefix()) {
    f.pos += 2;
  }
  magnitude = 0;
  return read_digits(f, base, magnitude, max_digits) > 0;
}

// A float field: sign, digits, ".", digits, exponent. Empty when there is no
// digit in the mantissa.
std::string read_float_field(Field& f) {
  size_t b = f.pos;
  size_t p = f.pos;
  auto digit = [&](size_t at) { return at < f.end && f.in[at] >= '0' && f.in[at] <= '9'; };
  if (p < f.end && (f.in[p] == '-' || f.in[p] == '+')) ++p;
  size_t digits = 0;
  while (digit(p)) ++p, ++digits;
  if (p < f.end && f.in[p] == '.') {
    ++p;
    while (digit(p)) ++p, ++digits;
  }
  if (digits == 0) return std::string();
  if (p < f.end && (f.in[p] == 'e' || f.in[p] == 'E')) {
    size_t q = p + 1;
    if (q < f.end && (f.in[q] == '-' || f.in[q] == '+')) ++q;
    if (digit(q)) {
      while (digit(q)) ++q;
      p = q;
    }
  }
  f.pos = p;
  return std::string(f.in.substr(b, p - b));
}

std::string print_fixed(double v, long long width, long long precision) {
  int w = static_cast<int>(width);
  int p = static_cast<int>(precision < 0 ? 6 : precision);
  int n = std::snprintf(nullptr, 0, "%*.*f", w, p, v);
  if (n <= 0) return std::string();
  std::string out(static_cast<size_t>(n) + 1, '\0');
  std::snprintf(out.data(), out.size(), "%*.*f", w, p, v);
  out.resize(static_cast<size_t>(n));
  return out;
}

long long read_count(std::string_view t, size_t& j) {
  long long v = 0;
  while (j < t.size() && t[j] >= '0' && t[j] <= '9') {
    if (v <= kScanMaxWidth * 10) v = v * 10 + (t[j] - '0');
    ++j;
  }
  return v;
}

}  // namespace

ScanOutcome scan_text(std::string_view input, std::string_view t, size_t max_values) {
  ScanOutcome r;
  size_t pos = 0;
  auto skip_blanks = [&]() {
    while (pos < input.size() && blank(input[pos])) ++pos;
  };
  skip_blanks();
  size_t ti = 0;
  while (ti < t.size() && r.values.size() < max_values) {
    char c = t[ti];
    if (blank(c)) {
      skip_blanks();
      ++ti;
      continue;
    }
    if (c != '%') {
      if (pos >= input.size() || input[pos] != c) break;  // mismatch ends the scan
      ++pos;
      ++ti;
      continue;
    }
    const size_t start = ti++;
    if (ti < t.size() && t[ti] == '%') {
      ++ti;
      skip_blanks();
      if (pos >= input.size() || input[pos] != '%') break;
      ++pos;
      continue;
    }
    bool suppress = false;
    if (ti < t.size() && t[ti] == '*') {
      suppress = true;
      ++ti;
    }
    long long width = read_count(t, ti);
    long long precision = -1;
    if (ti < t.size() && t[ti] == '.') {
      ++ti;
      precision = read_count(t, ti);
    }
    if (t.substr(ti, 3) == "I64") {
      ti += 3;
    } else {
      while (ti < t.size() && (t[ti] == 'h' || t[ti] == 'l' || t[ti] == 'L')) ++ti;
    }
    if (ti >= t.size() || width > kScanMaxWidth || precision > kScanMaxWidth) {
      r.status = ScanOutcome::Status::Invalid;
      r.where = std::string(t.substr(start, ti < t.size() ? ti - start + 1 : ti - start));
      return r;
    }
    const char conv = t[ti++];
    const std::string_view directive = t.substr(start, ti - start);
    std::string value;
    if (conv == 'n') {
      value = std::to_string(pos);
    } else {
      switch (conv) {
        case 'd':
        case 'i':
        case 'x':
        case 'X':
        case 'o':
        case 'c':
        case 'b':
        case 'f':
        case 'g':
        case 's':
          break;
        default:
          r.status = ScanOutcome::Status::Unhandled;
          r.conversion = conv;
          return r;
      }
      skip_blanks();
      if (pos >= input.size()) {
        r.status = ScanOutcome::Status::Exhausted;
        r.where = std::string(t.substr(start));
        return r;
      }
      size_t limit = width > 0 ? static_cast<size_t>(width) : input.size();
      Field f{input, pos, pos + std::min(limit, input.size() - pos)};
      bool ok = true;
      uint64_t mag = 0;
      bool neg = false;
      switch (conv) {
        case 'd':
          ok = read_integer(f, 10, false, mag, neg, 64);
          if (ok) {
            // Saturates like the C library's 64-bit reader.
            constexpr uint64_t kMax = std::numeric_limits<int64_t>::max();
            int64_t v;
            if (!neg) {
              v = mag > kMax ? INT64_MAX : static_cast<int64_t>(mag);
            } else {
              v = mag > kMax ? INT64_MIN : -static_cast<int64_t>(mag);
            }
            value = std::to_string(v);
          }
          break;
        case 'i':
        case 'x':
        case 'X':
        case 'o': {
          int base = conv == 'i' ? 0 : (conv == 'o' ? 8 : 16);
          ok = read_integer(f, base, base == 16, mag, neg, 64);
          if (ok) {
            uint64_t u = neg ? 0 - mag : mag;
            value = std::to_string(static_cast<int32_t>(static_cast<uint32_t>(u)));
          }
          break;
        }
        case 'c':
          value = std::to_string(static_cast<unsigned char>(f.peek()));
          ++f.pos;
          break;
        case 'b':
          ok = read_digits(f, 2, mag, 64) > 0;
          if (ok) value = std::to_string(mag);
          break;
        case 'f':
        case 'g': {
          std::string field = read_float_field(f);
          ok = !field.empty();
          if (ok) value = print_fixed(std::strtod(field.c_str(), nullptr), width, precision);
          break;
        }
        case 's': {
          size_t b = f.pos;
          while (f.more() && !blank(f.peek())) ++f.pos;
          value = std::string(input.substr(b, f.pos - b));
          break;
        }
      }
      if (!ok) {
        r.status = ScanOutcome::Status::Invalid;
        r.where = std::string(directive);
        return r;
      }
      pos = f.pos;
    }
    if (!suppress) r.values.push_back(std::move(value));
  }
  return r;
}

namespace {

// scan input template ?var ...?
// Results: the number of values assigned; when a value is read and no
// variable is left for it, that value.
// Side effects: each variable receives the next value read.
Code nuvelCommandScan(Interp& interp, int argc, Value* argv, void*) {
  const size_t var_count = static_cast<size_t>(argc - 3);
  ScanOutcome r = scan_text(argv[1].view(), argv[2].view(), var_count + 1);
  size_t assigned = std::min(r.values.size(), var_count);
  for (size_t k = 0; k < assigned; ++k) {
    if (core::set_variable(interp, argv[3 + k].view(), Value(r.values[k])) != 0) {
      return Code::Error;
    }
  }
  switch (r.status) {
    case ScanOutcome::Status::Exhausted:
      return core::fail(interp, core::Msg::ScanExhausted, r.where);
    case ScanOutcome::Status::Invalid:
      return core::fail(interp, core::Msg::ScanInvalidSpecifier, r.where);
    case ScanOutcome::Status::Unhandled:
      return core::fail(interp, core::Msg::ScanUnhandledSpecifier, r.conversion);
    case ScanOutcome::Status::Ok:
      break;
  }
  if (r.values.size() > var_count) {
    core::nuvelSetResult(interp, Value(std::move(r.values[var_count])));
  } else {
    core::nuvelSetResultInt(interp, static_cast<int64_t>(assigned));
  }
  return Code::Ok;
}

constexpr core::CommandRow kScanCommands[] = {
    {"scan", nuvelCommandScan, 3, core::kAnyWords, "input template ?var ...?"},
};

}  // namespace

[[gnu::section(".text.startup.register")]] void register_scan_cmds(Interp& interp) {
  core::register_rows(interp, kScanCommands);
}

}  // namespace strings
