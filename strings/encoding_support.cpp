// Whole-word numbers and UTF-8 for the encoding families.
#include "strings/encoding_support.h"

#include <cerrno>
#include <cstdlib>
#include <string>

#include "expr/number.h"

namespace expr {
namespace {

bool blank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view trim_blanks(std::string_view w) {
  while (!w.empty() && blank(w.front())) w.remove_prefix(1);
  while (!w.empty() && blank(w.back())) w.remove_suffix(1);
  return w;
}

bool all_of(std::string_view digits, std::string_view allowed) {
  return !digits.empty() && digits.find_first_not_of(allowed) == std::string_view::npos;
}

}  // namespace

std::optional<int64_t> whole_int(std::string_view word) {
  std::string_view w = trim_blanks(word);
  std::string_view body = w;
  bool sign = !body.empty() && (body.front() == '+' || body.front() == '-');
  if (sign) body.remove_prefix(1);
  bool ok = false;
  std::string prefix;
  if (body.size() > 2) {
    prefix = {body[0], static_cast<char>(body[1] | 0x20)};
  }
  std::string_view digits = body.size() > 2 ? body.substr(2) : std::string_view();
  if (prefix == "0x" || prefix == "&h") {
    ok = !sign && digits.size() <= 16 && all_of(digits, "0123456789abcdefABCDEF");
  } else if (prefix == "0b" || prefix == "&b") {
    ok = !sign && digits.size() <= 64 && all_of(digits, "01");
  } else if (prefix == "0o") {
    ok = !sign && all_of(digits, "01234567");
  } else {
    ok = all_of(body, "0123456789");
  }
  if (!ok) return std::nullopt;
  return read_int_text(w).value;
}

std::optional<double> whole_double(std::string_view word) {
  std::string w(trim_blanks(word));
  if (w.empty()) return std::nullopt;
  char* end = nullptr;
  errno = 0;
  double d = std::strtod(w.c_str(), &end);
  if (end != w.c_str() + w.size()) return std::nullopt;
  return d;
}

size_t utf8_decode(std::string_view text, size_t at, uint32_t& code) {
  auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  unsigned char b0 = byte(at);
  if (b0 < 0x80) {
    code = b0;
    return 1;
  }
  size_t len;
  uint32_t min;
  if (b0 >= 0xc2 && b0 <= 0xdf) {
    len = 2;
    code = b0 & 0x1f;
    min = 0x80;
  } else if (b0 >= 0xe0 && b0 <= 0xef) {
    len = 3;
    code = b0 & 0x0f;
    min = 0x800;
  } else if (b0 >= 0xf0 && b0 <= 0xf4) {
    len = 4;
    code = b0 & 0x07;
    min = 0x10000;
  } else {
    return 0;
  }
  if (at + len > text.size()) return 0;
  for (size_t k = 1; k < len; ++k) {
    unsigned char b = byte(at + k);
    if ((b & 0xc0) != 0x80) return 0;
    code = code << 6 | (b & 0x3f);
  }
  if (code < min || code > 0x10ffff || (code >= 0xd800 && code <= 0xdfff)) return 0;
  return len;
}

void utf8_append(std::string& out, uint32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xc0 | code >> 6);
    out += static_cast<char>(0x80 | (code & 0x3f));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xe0 | code >> 12);
    out += static_cast<char>(0x80 | (code >> 6 & 0x3f));
    out += static_cast<char>(0x80 | (code & 0x3f));
  } else {
    out += static_cast<char>(0xf0 | code >> 18);
    out += static_cast<char>(0x80 | (code >> 12 & 0x3f));
    out += static_cast<char>(0x80 | (code >> 6 & 0x3f));
    out += static_cast<char>(0x80 | (code & 0x3f));
  }
}

}  // namespace expr
