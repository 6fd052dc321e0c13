// Base64 and hexadecimal codecs.
#include "containers/codec.h"

#include <array>
#include <cstdint>

namespace containers {
namespace {

constexpr std::string_view kStandard =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr std::string_view kUrl =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";

bool is_space(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

// Byte -> sextet value, 255 for characters outside the alphabet.
std::array<uint8_t, 256> reverse_table(std::string_view alphabet) {
  std::array<uint8_t, 256> table{};
  table.fill(255);
  for (size_t i = 0; i < alphabet.size(); ++i) {
    table[static_cast<unsigned char>(alphabet[i])] = static_cast<uint8_t>(i);
  }
  return table;
}

}  // namespace

std::string base64_encode(std::string_view bytes, Base64Alphabet alphabet, size_t wrap) {
  const std::string_view table = alphabet == Base64Alphabet::Url ? kUrl : kStandard;
  const bool pad = alphabet == Base64Alphabet::Standard;
  std::string out;
  size_t encoded = (bytes.size() + 2) / 3 * 4;
  out.reserve(encoded + (wrap > 0 ? encoded / wrap : 0));
  size_t column = 0;
  auto put = [&](char c) {
    if (wrap > 0 && column == wrap) {
      out += '\n';
      column = 0;
    }
    out += c;
    ++column;
  };
  size_t i = 0;
  for (; i + 3 <= bytes.size(); i += 3) {
    uint32_t group = static_cast<uint32_t>(static_cast<unsigned char>(bytes[i])) << 16 |
                     static_cast<uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8 |
                     static_cast<unsigned char>(bytes[i + 2]);
    put(table[group >> 18 & 63]);
    put(table[group >> 12 & 63]);
    put(table[group >> 6 & 63]);
    put(table[group & 63]);
  }
  size_t rest = bytes.size() - i;
  if (rest > 0) {
    uint32_t group = static_cast<uint32_t>(static_cast<unsigned char>(bytes[i])) << 16;
    if (rest == 2) group |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8;
    put(table[group >> 18 & 63]);
    put(table[group >> 12 & 63]);
    if (rest == 2) {
      put(table[group >> 6 & 63]);
    } else if (pad) {
      put('=');
    }
    if (pad) put('=');
  }
  return out;
}

std::optional<std::string> base64_decode(std::string_view text, Base64Alphabet alphabet) {
  const auto table = reverse_table(alphabet == Base64Alphabet::Url ? kUrl : kStandard);
  std::string out;
  out.reserve(text.size() / 4 * 3 + 3);
  uint32_t group = 0;
  int count = 0;  // sextets in `group`
  size_t padding = 0;
  for (char c : text) {
    if (is_space(c)) continue;
    if (c == '=') {
      ++padding;
      continue;
    }
    if (padding > 0) return std::nullopt;  // data after the fill
    uint8_t v = table[static_cast<unsigned char>(c)];
    if (v == 255) return std::nullopt;
    group = group << 6 | v;
    if (++count == 4) {
      out += static_cast<char>(group >> 16 & 0xff);
      out += static_cast<char>(group >> 8 & 0xff);
      out += static_cast<char>(group & 0xff);
      group = 0;
      count = 0;
    }
  }
  switch (count) {
    case 0:
      if (padding != 0) return std::nullopt;
      break;
    case 1:
      return std::nullopt;  // six bits cannot make a byte
    case 2:
      if ((padding != 0 && padding != 2) || (group & 0xf) != 0) return std::nullopt;
      out += static_cast<char>(group >> 4 & 0xff);
      break;
    case 3:
      if ((padding != 0 && padding != 1) || (group & 0x3) != 0) return std::nullopt;
      out += static_cast<char>(group >> 10 & 0xff);
      out += static_cast<char>(group >> 2 & 0xff);
      break;
  }
  return out;
}

std::string hex_encode(std::string_view bytes, bool upper) {
  const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (char c : bytes) {
    auto b = static_cast<unsigned char>(c);
    out += digits[b >> 4];
    out += digits[b & 15];
  }
  return out;
}

std::optional<std::string> hex_decode(std::string_view text) {
  std::string out;
  out.reserve(text.size() / 2);
  int high = -1;
  for (char c : text) {
    if (is_space(c)) continue;
    int v = hex_digit_value(c);
    if (v < 0) return std::nullopt;
    if (high < 0) {
      high = v;
    } else {
      out += static_cast<char>(high << 4 | v);
      high = -1;
    }
  }
  if (high >= 0) return std::nullopt;
  return out;
}

}  // namespace containers
