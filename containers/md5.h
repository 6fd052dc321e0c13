// MD5 message digest (RFC 1321): the digest behind hash-table bucket choice and
// the script-level md5 text.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace containers {

using Md5Digest = std::array<uint8_t, 16>;

// Incremental digest: feed bytes with update(), then finish() once. A finished
// digest must be reset() before it is fed again.
class Md5 {
 public:
  Md5() { reset(); }
  void reset();
  void update(std::string_view bytes);
  Md5Digest finish();

 private:
  void transform(const uint8_t* block);

  uint32_t state_[4];
  uint64_t length_;  // bytes fed so far
  uint8_t block_[64];
  size_t used_;  // bytes waiting in block_
};

// The raw 16-byte digest of `bytes`.
Md5Digest md5_digest(std::string_view bytes);
// Writes the digest as 32 lower-case hex digits plus a terminating NUL into
// `out`; no allocation.
void md5_hex(std::string_view bytes, char (&out)[33]);
// The digest as 32 lower-case hex digits.
std::string md5_hex(std::string_view bytes);

}  // namespace containers
