// Base conversions, number formatting and the random commands: digit texts
// in bases 2 to 36, bits, IPv4 numbers, grouped thousands and vulgar
// fractions; random numbers, sequences and texts from the interpreter's
// generator (expr/random.h), which rand(), rnd() and srand share.
//
// Numbers are read whole (expr/whole_number.h): a text that is not entirely a
// number, or a value beyond 64 bits, is refused with a message instead of
// being read partly or wrapped.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>
#include <unordered_set>
#include <vector>

#include "core/cmd_helpers.h"
#include "expr/number.h"
#include "expr/option_words.h"
#include "expr/random.h"
#include "expr/utf8_text.h"
#include "expr/whole_number.h"
#include "platform/system.h"

namespace expr {
namespace {

using core::Code;
using core::Interp;
using core::Msg;

// Widths and results past these would only exhaust memory.
constexpr int64_t kMaxWidth = 1024;
constexpr int64_t kMaxCount = 8 * 1024 * 1024;
constexpr int64_t kMaxTextLength = 64 * 1024 * 1024;

// A decimal or base-prefixed integer word within lo..hi.
std::optional<int64_t> small_int(const Value& word, int64_t lo, int64_t hi) {
  auto v = read_whole_int64(word.view());
  if (!v || *v < lo || *v > hi) return std::nullopt;
  return v;
}

// Digits of v in base 2..36, upper case unless `lower`.
std::string to_base(uint64_t v, int base, bool lower = false) {
  const char* digits =
      lower ? "0123456789abcdefghijklmnopqrstuvwxyz" : "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
  std::string out;
  do {
    out += digits[v % static_cast<uint64_t>(base)];
    v /= static_cast<uint64_t>(base);
  } while (v != 0);
  std::reverse(out.begin(), out.end());
  return out;
}

// A base word: decimal 2..36.
std::optional<int> read_base(Interp& interp, const Value& word) {
  auto b = small_int(word, 2, 36);
  if (!b) {
    (void)core::fail(interp, Msg::ConvInvalidBase, core::leading_int(word.view()));
    return std::nullopt;
  }
  return static_cast<int>(*b);
}

// baseconv number from to
// Results: the digits of `number` (base `from`) written in base `to`, upper
// case; a leading "-" is kept. Unsigned 64-bit magnitude.
Code nuvelCommandBaseconv(Interp& interp, int argc, Value* argv, void*) {
  auto from = read_base(interp, argv[2]);
  if (!from) return Code::Error;
  auto to = read_base(interp, argv[3]);
  if (!to) return Code::Error;
  std::string_view t = argv[1].view();
  bool negative = !t.empty() && t[0] == '-';
  if (negative || (!t.empty() && t[0] == '+')) t.remove_prefix(1);
  if (t.empty()) return core::fail(interp, Msg::ConvInvalidNumber, argv[1]);
  for (size_t i = 0; i < t.size();) {
    Utf8Char c = utf8_char_at(t, i);
    int d = c.length == 1 ? digit_value(t[i]) : -1;
    if (d < 0 || d >= *from) {
      return core::fail(interp, Msg::ConvInvalidDigit, t.substr(i, c.length),
                        static_cast<int64_t>(*from));
    }
    i += c.length;
  }
  auto v = read_digits(t, *from, false);
  if (!v) return core::fail(interp, Msg::ConvTooLarge, argv[1]);
  return set_text(interp, (negative && *v != 0 ? "-" : "") + to_base(*v, *to));
}

// convbase value ?base? ?-prefix?
// Results: the integer (any form of the integer value reader) written in
// base 2..36 (default 10) with its sign; -prefix adds 0x, 0b or 0o.
Code nuvelCommandConvbase(Interp& interp, int argc, Value* argv, void*) {
  OptionWords o;
  if (!o.parse(interp, argc, argv, {{"-prefix"}})) return o.code;
  if (o.count() < 1 || o.count() > 2) return core::nuvelWrongArgs(interp, argc, argv);
  auto w = read_whole_int(o[0].view());
  if (!w) return core::fail(interp, Msg::ConvInvalidNumber, o[0]);
  int base = 10;
  if (o.count() > 1) {
    auto b = read_base(interp, o[1]);
    if (!b) return Code::Error;
    base = *b;
  }
  std::string out = w->negative ? "-" : "";
  if (o.has("-prefix")) out += base == 16 ? "0x" : base == 2 ? "0b" : base == 8 ? "0o" : "";
  return set_text(interp, out + to_base(w->magnitude, base));
}

// bintoint digits ?-signed?, hextoint digits ?-signed?, octtoint digits
// ?-signed?
// Results: the value of the digits (an optional matching prefix and "_"
// separators allowed) unsigned, or as a signed 64-bit value with -signed.
Code nuvelCommandDigitsToInt(Interp& interp, int argc, Value* argv, void*) {
  OptionWords o;
  if (!o.parse(interp, argc, argv, {{"-signed"}})) return o.code;
  if (o.count() != 1) return core::nuvelWrongArgs(interp, argc, argv);
  std::string_view name = argv[0].view();
  int base = core::iequals(name, "bintoint") ? 2 : core::iequals(name, "octtoint") ? 8 : 16;
  char letter = base == 2 ? 'b' : base == 8 ? 'o' : 'x';
  std::string_view t = o[0].view();
  // 0x/&h, 0b/&b, 0o/&o.
  char amp_letter = base == 16 ? 'h' : letter;
  if (t.size() > 2 &&
      ((t[0] == '0' && (t[1] | 0x20) == letter) || (t[0] == '&' && (t[1] | 0x20) == amp_letter))) {
    t.remove_prefix(2);
  }
  auto v = read_digits(t, base, true);
  if (!v || t.front() == '_') return core::fail(interp, Msg::ConvInvalidNumber, o[0]);
  if (o.has("-signed")) return core::result_int(interp, static_cast<int64_t>(*v));
  core::nuvelSetResult(interp, uint_value(*v));
  return Code::Ok;
}

// inttobin value ?width? ?-bits n?, inttooct value ?width? ?-bits n?,
// inttohex value ?width? ?-bits n? ?-lower? ?-prefix?
// Results: the value's 64-bit pattern (negative values in two's complement)
// in base 2, 8 or 16, kept to its low n bits with -bits and zero-padded to
// at least width digits.
Code nuvelCommandIntToDigits(Interp& interp, int argc, Value* argv, void*) {
  OptionWords o;
  if (!o.parse(interp, argc, argv, {{"-bits", true}, {"-lower"}, {"-prefix"}})) return o.code;
  if (o.count() < 1 || o.count() > 2) return core::nuvelWrongArgs(interp, argc, argv);
  std::string_view name = argv[0].view();
  int base = core::iequals(name, "inttobin") ? 2 : core::iequals(name, "inttooct") ? 8 : 16;
  if (base != 16 && (o.has("-lower") || o.has("-prefix"))) {
    return core::fail(interp, Msg::UnknownOption, o.has("-lower") ? "-lower" : "-prefix");
  }
  auto w = read_whole_int(o[0].view());
  if (!w) return core::fail(interp, Msg::ConvInvalidNumber, o[0]);
  uint64_t v = w->bits();
  if (const Value* bits = o.value("-bits")) {
    auto n = small_int(*bits, 1, 64);
    if (!n) return core::fail(interp, Msg::InvalidArgument, *bits);
    if (*n < 64) v &= (uint64_t{1} << *n) - 1;
  }
  int64_t width = 0;
  if (o.count() > 1) {
    auto n = small_int(o[1], 0, kMaxWidth);
    if (!n) return core::fail(interp, Msg::InvalidArgument, o[1]);
    width = *n;
  }
  std::string digits = to_base(v, base, o.has("-lower"));
  if (static_cast<int64_t>(digits.size()) < width) {
    digits.insert(0, static_cast<size_t>(width) - digits.size(), '0');
  }
  return set_text(interp, (o.has("-prefix") ? "0x" : "") + digits);
}

// bit n / bit value n / bit value n 0|1
// Results: 1 shifted left by n; bit n of the value ("1"/"0"); the value with
// bit n cleared or set. Signed 64-bit results (bit 63 is negative).
Code nuvelCommandBit(Interp& interp, int argc, Value* argv, void*) {
  const Value& nword = argc == 2 ? argv[1] : argv[2];
  auto n = small_int(nword, 0, 63);
  if (!n) return core::fail(interp, Msg::ConvInvalidBit, nword);
  uint64_t mask = uint64_t{1} << *n;
  if (argc == 2) return core::result_int(interp, static_cast<int64_t>(mask));
  auto w = read_whole_int(argv[1].view());
  if (!w) return core::fail(interp, Msg::ConvInvalidNumber, argv[1]);
  uint64_t v = w->bits();
  if (argc == 3) return core::result_bool(interp, (v & mask) != 0);
  std::string_view state = argv[3].view();
  if (state != "0" && state != "1") return core::fail(interp, Msg::InvalidArgument, argv[3]);
  v = state == "1" ? (v | mask) : (v & ~mask);
  return core::result_int(interp, static_cast<int64_t>(v));
}

// ip_to_long address
// Results: a dotted IPv4 address a.b.c.d (each part 0..255, decimal) as the
// unsigned 32-bit number a*2^24 + b*2^16 + c*2^8 + d.
Code nuvelCommandIpToLong(Interp& interp, int argc, Value* argv, void*) {
  std::string_view t = argv[1].view();
  uint64_t total = 0;
  int parts = 0;
  size_t i = 0;
  while (parts < 4) {
    size_t start = i;
    unsigned part = 0;
    while (i < t.size() && i - start < 3 && t[i] >= '0' && t[i] <= '9') {
      part = part * 10 + static_cast<unsigned>(t[i++] - '0');
    }
    if (i == start || part > 255) break;
    total = (total << 8) | part;
    ++parts;
    if (parts < 4) {
      if (i >= t.size() || t[i] != '.') break;
      ++i;
    }
  }
  if (parts != 4 || i != t.size()) return core::fail(interp, Msg::ConvInvalidAddress, argv[1]);
  core::nuvelSetResult(interp, uint_value(total));
  return Code::Ok;
}

// long_to_ip number
// Results: the number 0..4294967295 as a dotted IPv4 address.
Code nuvelCommandLongToIp(Interp& interp, int argc, Value* argv, void*) {
  auto w = read_whole_int(argv[1].view());
  if (!w || w->negative || w->magnitude > 0xFFFFFFFFu) {
    return core::fail(interp, Msg::InvalidArgument, argv[1]);
  }
  uint64_t v = w->magnitude;
  std::string out;
  for (int shift = 24; shift >= 0; shift -= 8) {
    if (!out.empty()) out += '.';
    out += std::to_string((v >> shift) & 0xFF);
  }
  return set_text(interp, std::move(out));
}

// A decimal number text: sign, digits, at most one "." and at least one digit.
bool is_decimal_text(std::string_view t) {
  if (!t.empty() && (t[0] == '-' || t[0] == '+')) t.remove_prefix(1);
  size_t dots = 0, digits = 0;
  for (char c : t) {
    if (c == '.') {
      ++dots;
    } else if (c >= '0' && c <= '9') {
      ++digits;
    } else {
      return false;
    }
  }
  return digits > 0 && dots <= 1;
}

// comma value ?decimals? ?-sep c? ?-point c?
// Results: the number with its integer part grouped in threes (default ","),
// sign kept; with decimals first rounded half away from zero to that many
// places, otherwise the fraction as written. -point replaces the ".".
Code nuvelCommandComma(Interp& interp, int argc, Value* argv, void*) {
  OptionWords o;
  if (!o.parse(interp, argc, argv, {{"-sep", true}, {"-point", true}})) return o.code;
  if (o.count() < 1 || o.count() > 2) return core::nuvelWrongArgs(interp, argc, argv);
  std::string text(o[0].view());
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.erase(0, 1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.pop_back();
  if (!is_decimal_text(text)) {
    auto w = read_whole_int(text);
    if (!w) return core::fail(interp, Msg::ConvInvalidNumber, o[0]);
    text = (w->negative ? "-" : "") + std::to_string(w->magnitude);
  }
  if (o.count() > 1) {
    auto places = small_int(o[1], std::numeric_limits<int32_t>::min(), kMaxWidth);
    if (!places) return core::fail(interp, Msg::InvalidArgument, o[1]);
    text = format_rounded(std::strtod(text.c_str(), nullptr), static_cast<int>(*places));
  }
  std::string_view sep = o.value("-sep") ? o.value("-sep")->view() : ",";
  std::string_view point = o.value("-point") ? o.value("-point")->view() : ".";
  std::string_view t = text;
  std::string out;
  if (!t.empty() && (t[0] == '-' || t[0] == '+')) {
    out += t[0];
    t.remove_prefix(1);
  }
  size_t dot = t.find('.');
  std::string_view whole = t.substr(0, dot);
  for (size_t i = 0; i < whole.size(); ++i) {
    if (i > 0 && (whole.size() - i) % 3 == 0) out += sep;
    out += whole[i];
  }
  if (dot != std::string_view::npos) {
    out += point;
    out += t.substr(dot + 1);
  }
  return set_text(interp, std::move(out));
}

// The closest fraction p/q to x with 1 <= q <= limit (x >= 0): the
// continued-fraction convergents, and at the end the best semiconvergent.
std::pair<__int128, __int128> best_fraction(long double x, int64_t limit) {
  __int128 p0 = 0, q0 = 1, p1 = 1, q1 = 0;
  long double rest = x;
  for (int step = 0; step < 100; ++step) {
    // A term this large already puts the next denominator past any limit
    // (and keeps the conversion below defined for an infinite rest).
    long double a_ld = std::min(std::floor(rest), 1e19L);
    __int128 a = static_cast<__int128>(a_ld);
    __int128 q2 = a * q1 + q0;
    if (q2 > limit) {
      __int128 k = (limit - q0) / q1;
      __int128 ps = p0 + k * p1, qs = q0 + k * q1;
      long double e_semi =
          std::fabs(x - static_cast<long double>(ps) / static_cast<long double>(qs));
      long double e_conv =
          std::fabs(x - static_cast<long double>(p1) / static_cast<long double>(q1));
      if (k > 0 && e_semi < e_conv) return {ps, qs};
      return {p1, q1};
    }
    __int128 p2 = a * p1 + p0;
    p0 = p1, q0 = q1, p1 = p2, q1 = q2;
    long double frac = rest - a_ld;
    if (frac <= 0 ||
        std::fabs(x - static_cast<long double>(p1) / static_cast<long double>(q1)) == 0) {
      break;
    }
    rest = 1 / frac;
  }
  return {p1, q1};
}

// vfract value ?maxden? ?-mixed?
// Results: the value as "n/d" in lowest terms, the closest fraction whose
// denominator is at most maxden (default 1000); "n" for an integer result;
// with -mixed a whole part first ("1 1/2").
Code nuvelCommandVfract(Interp& interp, int argc, Value* argv, void*) {
  OptionWords o;
  if (!o.parse(interp, argc, argv, {{"-mixed"}})) return o.code;
  if (o.count() < 1 || o.count() > 2) return core::nuvelWrongArgs(interp, argc, argv);
  auto n = read_whole_number(o[0].view());
  if (!n) return core::fail(interp, Msg::ConvInvalidNumber, o[0]);
  int64_t limit = 1000;
  if (o.count() > 1) {
    auto m = small_int(o[1], 1, std::numeric_limits<int64_t>::max());
    if (!m) return core::fail(interp, Msg::InvalidArgument, o[1]);
    limit = *m;
  }
  if (n->is_int) return core::result_int(interp, n->i);
  long double x = n->d;
  if (!std::isfinite(x) || std::fabs(x) >= 9.2e18L) {
    return core::fail(interp, Msg::ConvTooLarge, o[0]);
  }
  bool negative = x < 0;
  auto [p, q] = best_fraction(std::fabs(x), limit);
  if (p > static_cast<__int128>(std::numeric_limits<int64_t>::max())) {
    return core::fail(interp, Msg::ConvTooLarge, o[0]);
  }
  auto num = static_cast<int64_t>(p);
  auto den = static_cast<int64_t>(q);
  std::string sign = negative && num != 0 ? "-" : "";
  if (den == 1) return set_text(interp, sign + std::to_string(num));
  if (o.has("-mixed") && num >= den) {
    return set_text(interp, sign + std::to_string(num / den) + " " + std::to_string(num % den) +
                                "/" + std::to_string(den));
  }
  return set_text(interp, sign + std::to_string(num) + "/" + std::to_string(den));
}

// --- Random ------------------------------------------------------------------------

// A bound of rnd: the 32-bit unsigned range, negative values counting as 0.
std::optional<uint32_t> rnd_bound(const Value& word) {
  auto w = read_whole_int(word.view());
  if (!w) return std::nullopt;
  if (w->negative) return 0;
  return static_cast<uint32_t>(std::min<uint64_t>(w->magnitude, 0xFFFFFFFFu));
}

// rnd ?min? ?max?
// Results: no word: a float in [0, 1) as rand(); one word: an integer in
// 0..max; two words: an integer between the bounds in either order, as
// rnd(a,b) (negative bounds count as 0).
Code nuvelCommandRnd(Interp& interp, int argc, Value* argv, void*) {
  if (argc == 1) return set_text(interp, fixed15(random_unit(interp), 0));
  uint32_t bounds[2] = {0, 0};
  for (int k = 1; k < argc; ++k) {
    auto b = rnd_bound(argv[k]);
    if (!b) return core::fail(interp, Msg::ConvInvalidNumber, argv[k]);
    bounds[argc - 1 - k] = *b;
  }
  return core::result_int(interp, random_range(interp, bounds[1], bounds[0]));
}

// rndseq count ?min max? ?-unique?
// Results: one word: the integers 1..count in random order; with bounds,
// count integers drawn from min..max, repeating unless -unique.
Code nuvelCommandRndseq(Interp& interp, int argc, Value* argv, void*) {
  OptionWords o;
  if (!o.parse(interp, argc, argv, {{"-unique"}})) return o.code;
  if (o.count() != 1 && o.count() != 3) return core::nuvelWrongArgs(interp, argc, argv);
  auto cw = read_whole_int64(o[0].view());
  if (!cw) return core::fail(interp, Msg::ConvInvalidNumber, o[0]);
  int64_t count = *cw;
  if (count > kMaxCount) return core::fail(interp, Msg::RandomOverLimit, count, kMaxCount);
  if (count <= 0) return set_text(interp, "");
  std::vector<int64_t> out;
  out.reserve(static_cast<size_t>(count));
  if (o.count() == 1) {
    for (int64_t i = 1; i <= count; ++i) out.push_back(i);
    for (size_t i = out.size() - 1; i > 0; --i) {
      std::swap(out[i], out[random_below(interp, i + 1)]);
    }
  } else {
    int64_t lo = 0, hi = 0;
    for (int k = 0; k < 2; ++k) {
      const Value& word = o[static_cast<size_t>(k) + 1];
      auto b = read_whole_int64(word.view());
      if (!b) return core::fail(interp, Msg::ConvInvalidNumber, word);
      (k == 0 ? lo : hi) = *b;
    }
    if (lo > hi) std::swap(lo, hi);
    // The span minus one fits 64 bits; a full span is drawn with 2^64 - 1.
    uint64_t span_less = static_cast<uint64_t>(hi) - static_cast<uint64_t>(lo);
    auto draw = [&]() {
      uint64_t off = span_less == std::numeric_limits<uint64_t>::max()
                         ? random_below(interp, span_less)
                         : random_below(interp, span_less + 1);
      return static_cast<int64_t>(static_cast<uint64_t>(lo) + off);
    };
    if (!o.has("-unique")) {
      for (int64_t i = 0; i < count; ++i) out.push_back(draw());
    } else if (span_less < static_cast<uint64_t>(count) - 1) {
      return core::fail(interp, Msg::RandomRangeTooSmall, count);
    } else if (span_less < static_cast<uint64_t>(count) * 2) {
      // A dense range: shuffle the first count places of the whole range.
      std::vector<int64_t> all;
      for (uint64_t i = 0; i <= span_less; ++i) {
        all.push_back(static_cast<int64_t>(static_cast<uint64_t>(lo) + i));
      }
      for (size_t i = 0; i < static_cast<size_t>(count); ++i) {
        std::swap(all[i], all[i + random_below(interp, all.size() - i)]);
      }
      out.assign(all.begin(), all.begin() + count);
    } else {
      std::unordered_set<int64_t> seen;
      while (static_cast<int64_t>(out.size()) < count) {
        int64_t v = draw();
        if (seen.insert(v).second) out.push_back(v);
      }
    }
  }
  std::string text;
  for (int64_t v : out) {
    if (!text.empty()) text += ' ';
    text += std::to_string(v);
  }
  return set_text(interp, std::move(text));
}

// An index below n from the kernel's secure source, without modulo bias.
std::optional<uint64_t> secure_below(uint64_t n) {
  uint64_t limit = std::numeric_limits<uint64_t>::max() - std::numeric_limits<uint64_t>::max() % n;
  for (;;) {
    uint64_t v = 0;
    if (!platform::secure_random(&v, sizeof v)) return std::nullopt;
    if (v < limit) return v % n;
  }
}

// randomstr length ?chars? ?-alpha? ?-alnum? ?-digits? ?-hex? ?-lower?
// ?-upper? ?-secure?
// Results: length characters drawn from the set: the chars word (UTF-8
// characters) and the classes named, letters and digits when neither is
// given; -secure draws from the kernel's source instead of the generator.
Code nuvelCommandRandomstr(Interp& interp, int argc, Value* argv, void*) {
  OptionWords o;
  if (!o.parse(
          interp, argc, argv,
          {{"-alpha"}, {"-alnum"}, {"-digits"}, {"-hex"}, {"-lower"}, {"-upper"}, {"-secure"}})) {
    return o.code;
  }
  if (o.count() < 1 || o.count() > 2) return core::nuvelWrongArgs(interp, argc, argv);
  auto lw = read_whole_int(o[0].view());
  if (!lw) return core::fail(interp, Msg::ConvInvalidNumber, o[0]);
  if (lw->negative || lw->magnitude == 0) return set_text(interp, "");
  if (lw->magnitude > static_cast<uint64_t>(kMaxTextLength)) {
    return core::fail(interp, Msg::RandomOverLimit, lw->as_int64(), kMaxTextLength);
  }
  constexpr std::string_view kUpper = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
  constexpr std::string_view kLower = "abcdefghijklmnopqrstuvwxyz";
  constexpr std::string_view kDigits = "0123456789";
  std::string set;
  if (o.count() > 1) set += o[1].view();
  if (o.has("-alpha") || o.has("-alnum")) set.append(kUpper).append(kLower);
  if (o.has("-alnum") || o.has("-digits")) set += kDigits;
  if (o.has("-hex")) set += "0123456789ABCDEF";
  if (o.has("-lower")) set += kLower;
  if (o.has("-upper")) set += kUpper;
  bool class_given = o.has("-alpha") || o.has("-alnum") || o.has("-digits") || o.has("-hex") ||
                     o.has("-lower") || o.has("-upper");
  if (o.count() == 1 && !class_given) set.append(kUpper).append(kLower).append(kDigits);
  std::vector<std::string_view> chars = utf8_chars(set);
  if (chars.empty()) return core::fail(interp, Msg::InvalidArgument, o[1]);
  size_t widest = 0;
  for (std::string_view c : chars) widest = std::max(widest, c.size());
  if (lw->magnitude * widest > static_cast<uint64_t>(kMaxTextLength)) {
    return core::fail(interp, Msg::RandomOverLimit, lw->as_int64(), kMaxTextLength);
  }
  bool secure = o.has("-secure");
  std::string out;
  out.reserve(static_cast<size_t>(lw->magnitude * widest));
  for (uint64_t i = 0; i < lw->magnitude; ++i) {
    uint64_t pick = 0;
    if (secure) {
      auto s = secure_below(chars.size());
      if (!s) return core::fail(interp, Msg::RandomNoSource);
      pick = *s;
    } else {
      pick = random_below(interp, chars.size());
    }
    out += chars[pick];
  }
  return set_text(interp, std::move(out));
}

constexpr core::CommandRow kBaseCommands[] = {
    {"baseconv", nuvelCommandBaseconv, 4, 4, "number from to"},
    {"convbase", nuvelCommandConvbase, 2, 4, "value ?base? ?-prefix?"},
    {"bintoint", nuvelCommandDigitsToInt, 2, 3, "digits ?-signed?"},
    {"hextoint", nuvelCommandDigitsToInt, 2, 3, "digits ?-signed?"},
    {"octtoint", nuvelCommandDigitsToInt, 2, 3, "digits ?-signed?"},
    {"inttobin", nuvelCommandIntToDigits, 2, 5, "value ?width? ?-bits n?"},
    {"inttohex", nuvelCommandIntToDigits, 2, 7, "value ?width? ?-bits n? ?-lower? ?-prefix?"},
    {"inttooct", nuvelCommandIntToDigits, 2, 5, "value ?width? ?-bits n?"},
    {"bit", nuvelCommandBit, 2, 4, "?value? n ?0|1?"},
    {"ip_to_long", nuvelCommandIpToLong, 2, 2, "address"},
    {"long_to_ip", nuvelCommandLongToIp, 2, 2, "number"},
    {"comma", nuvelCommandComma, 2, 7, "value ?decimals? ?-sep c? ?-point c?"},
    {"vfract", nuvelCommandVfract, 2, 4, "value ?maxden? ?-mixed?"},
    {"rnd", nuvelCommandRnd, 1, 3, "?min? ?max?"},
    {"rndseq", nuvelCommandRndseq, 2, 5, "count ?min max? ?-unique?"},
    {"randomstr", nuvelCommandRandomstr, 2, 10,
     "length ?chars? ?-alpha|-alnum|-digits|-hex|-lower|-upper? ?-secure?"},
};

}  // namespace

[[gnu::section(".text.startup.register")]] void register_base_cmds(Interp& interp) {
  core::register_rows(interp, kBaseCommands);
}

}  // namespace expr
