// MD5 message digest, written from the description in RFC 1321.
#include "containers/md5.h"

#include <algorithm>
#include <cstring>

namespace containers {
namespace {

constexpr uint32_t kSine[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};

// Per-round rotation amounts, four per round.
inline uint32_t rotl(uint32_t x, int n) {
  return (x << n) | (x >> (32 - n));
}

inline uint32_t load_le32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

constexpr char kHexDigits[] = "0123456789abcdef";

}  // namespace

void Md5::reset() {
  state_[0] = 0x67452301;
  state_[1] = 0xefcdab89;
  state_[2] = 0x98badcfe;
  state_[3] = 0x10325476;
  length_ = 0;
  used_ = 0;
}

// The four rounds' steps, a = b + ((a + f(b, c, d) + x + t) <<< s), written
// so that the part that waits for `b` (the step before's result) is short:
// a + x + t, and what does not involve b, are added first. G's two halves
// have no bit in common, so they add as they or.
inline void step_f(uint32_t& a, uint32_t b, uint32_t c, uint32_t d, uint32_t x, uint32_t t, int s) {
  a = b + rotl(a + x + t + (d ^ (b & (c ^ d))), s);
}
inline void step_g(uint32_t& a, uint32_t b, uint32_t c, uint32_t d, uint32_t x, uint32_t t, int s) {
  a = b + rotl(a + x + t + (c & ~d) + (b & d), s);
}
inline void step_h(uint32_t& a, uint32_t b, uint32_t c, uint32_t d, uint32_t x, uint32_t t, int s) {
  a = b + rotl(a + x + t + (b ^ (c ^ d)), s);
}
inline void step_i(uint32_t& a, uint32_t b, uint32_t c, uint32_t d, uint32_t x, uint32_t t, int s) {
  a = b + rotl(a + x + t + (c ^ (b | ~d)), s);
}

void Md5::transform(const uint8_t* block) {
  uint32_t x[16];
  for (int i = 0; i < 16; ++i) x[i] = load_le32(block + 4 * i);
  uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3];
  // The 64 steps, unrolled four at a time: the registers rotate roles.
  for (int i = 0; i < 16; i += 4) {
    step_f(a, b, c, d, x[i], kSine[i], 7);
    step_f(d, a, b, c, x[i + 1], kSine[i + 1], 12);
    step_f(c, d, a, b, x[i + 2], kSine[i + 2], 17);
    step_f(b, c, d, a, x[i + 3], kSine[i + 3], 22);
  }
  for (int i = 16; i < 32; i += 4) {
    step_g(a, b, c, d, x[(5 * i + 1) % 16], kSine[i], 5);
    step_g(d, a, b, c, x[(5 * i + 6) % 16], kSine[i + 1], 9);
    step_g(c, d, a, b, x[(5 * i + 11) % 16], kSine[i + 2], 14);
    step_g(b, c, d, a, x[(5 * i + 16) % 16], kSine[i + 3], 20);
  }
  for (int i = 32; i < 48; i += 4) {
    step_h(a, b, c, d, x[(3 * i + 5) % 16], kSine[i], 4);
    step_h(d, a, b, c, x[(3 * i + 8) % 16], kSine[i + 1], 11);
    step_h(c, d, a, b, x[(3 * i + 11) % 16], kSine[i + 2], 16);
    step_h(b, c, d, a, x[(3 * i + 14) % 16], kSine[i + 3], 23);
  }
  for (int i = 48; i < 64; i += 4) {
    step_i(a, b, c, d, x[(7 * i) % 16], kSine[i], 6);
    step_i(d, a, b, c, x[(7 * i + 7) % 16], kSine[i + 1], 10);
    step_i(c, d, a, b, x[(7 * i + 14) % 16], kSine[i + 2], 15);
    step_i(b, c, d, a, x[(7 * i + 21) % 16], kSine[i + 3], 21);
  }
  state_[0] += a;
  state_[1] += b;
  state_[2] += c;
  state_[3] += d;
}

void Md5::update(std::string_view bytes) {
  auto p = reinterpret_cast<const uint8_t*>(bytes.data());
  size_t n = bytes.size();
  length_ += n;
  if (used_ > 0) {
    size_t take = std::min(n, sizeof block_ - used_);
    std::memcpy(block_ + used_, p, take);
    used_ += take;
    p += take;
    n -= take;
    if (used_ < sizeof block_) return;
    transform(block_);
    used_ = 0;
  }
  for (; n >= 64; p += 64, n -= 64) transform(p);
  if (n > 0) std::memcpy(block_, p, n);
  used_ = n;
}

Md5Digest Md5::finish() {
  // Padding: one 1-bit, zeros up to 56 mod 64, then the bit length (little-endian).
  uint64_t bits = length_ * 8;
  block_[used_++] = 0x80;
  if (used_ > 56) {
    std::memset(block_ + used_, 0, sizeof block_ - used_);
    transform(block_);
    used_ = 0;
  }
  std::memset(block_ + used_, 0, 56 - used_);
  for (int i = 0; i < 8; ++i) block_[56 + i] = static_cast<uint8_t>(bits >> (8 * i));
  transform(block_);
  used_ = 0;
  Md5Digest digest;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) digest[4 * i + j] = static_cast<uint8_t>(state_[i] >> (8 * j));
  return digest;
}

Md5Digest md5_digest(std::string_view bytes) {
  Md5 md5;
  md5.update(bytes);
  return md5.finish();
}

void md5_hex(std::string_view bytes, char (&out)[33]) {
  Md5Digest digest = md5_digest(bytes);
  for (size_t i = 0; i < digest.size(); ++i) {
    out[2 * i] = kHexDigits[digest[i] >> 4];
    out[2 * i + 1] = kHexDigits[digest[i] & 0xf];
  }
  out[32] = '\0';
}

std::string md5_hex(std::string_view bytes) {
  char text[33];
  md5_hex(bytes, text);
  return std::string(text, 32);
}

}  // namespace containers
