// UTF-8 characters of a text.
#include "expr/utf8_text.h"

namespace expr {

Utf8Char utf8_char_at(std::string_view text, size_t pos) {
  auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  unsigned char b = byte(pos);
  if (b < 0x80) return {1, b};
  size_t need = 0;
  uint32_t code = 0;
  uint32_t least = 0;
  if (b >= 0xC2 && b <= 0xDF) {
    need = 1, code = b & 0x1Fu, least = 0x80;
  } else if (b >= 0xE0 && b <= 0xEF) {
    need = 2, code = b & 0x0Fu, least = 0x800;
  } else if (b >= 0xF0 && b <= 0xF4) {
    need = 3, code = b & 0x07u, least = 0x10000;
  } else {
    return {};
  }
  if (pos + need >= text.size()) return {};
  for (size_t k = 1; k <= need; ++k) {
    unsigned char c = byte(pos + k);
    if ((c & 0xC0) != 0x80) return {};
    code = (code << 6) | (c & 0x3Fu);
  }
  if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return {};
  return {need + 1, static_cast<int32_t>(code)};
}

std::vector<std::string_view> utf8_chars(std::string_view text) {
  std::vector<std::string_view> out;
  for (size_t i = 0; i < text.size();) {
    size_t n = utf8_char_at(text, i).length;
    out.push_back(text.substr(i, n));
    i += n;
  }
  return out;
}

size_t utf8_count(std::string_view text) {
  size_t count = 0;
  for (size_t i = 0; i < text.size(); i += utf8_char_at(text, i).length) ++count;
  return count;
}

void append_utf8(std::string& out, uint32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

}  // namespace expr
