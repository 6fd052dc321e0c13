// Text builders: Buffer, which collects characters in a fixed chunk and moves
// the chunk onto its result whenever it fills, and the replace-all routines.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace containers {

// A chunked text builder for one building job: construct, add, detach.
// Invariant: chunk().size() < capacity() between calls; everything added so
// far is the result followed by the chunk.
class Buffer {
 public:
  static constexpr int32_t kDefaultCapacity = 8192;

  // A capacity of 0 or less means the default.
  explicit Buffer(int32_t capacity = kDefaultCapacity);

  void addstr(std::string_view text);
  void add(char c);
  // Moves the chunk onto the result.
  void flush();
  // Flushes and hands over everything built so far; the builder starts again
  // from an empty result, so a second detach gives the empty text.
  std::string detach();

  // Characters added since the last flush.
  std::string_view chunk() const { return chunk_; }
  int32_t capacity() const { return capacity_; }
  int32_t length() const { return static_cast<int32_t>(chunk_.size()); }
  int32_t flushes() const { return flushes_; }
  // Number of addstr() and add() calls.
  int32_t adds() const { return adds_; }

 private:
  int32_t capacity_;
  std::string result_;
  std::string chunk_;
  int32_t flushes_ = 0;
  int32_t adds_ = 0;
};

// Replaces every non-overlapping occurrence of `search` in `text`, scanning
// left to right once (replacements are not scanned again); `replacement` may
// be empty. An empty search leaves the text as it is. Returns `text`.
std::string& replaces_all_dynamic(std::string& text, std::string_view search,
                                  std::string_view replacement);

// Replaces every non-overlapping occurrence of `search` (found without regard
// to ASCII case when `fold_case` is set) within the text's own length. The
// text never grows: it is left unchanged when the replacement is longer than
// the search or either of them is empty. Returns the number of replacements.
int replace_in_place(std::string& text, std::string_view search, std::string_view replacement,
                     bool fold_case);

}  // namespace containers
