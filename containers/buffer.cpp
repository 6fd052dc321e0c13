// Buffer and the replace-all routines.
#include "containers/buffer.h"

#include "containers/text_compare.h"

namespace containers {

Buffer::Buffer(int32_t capacity) : capacity_(capacity > 0 ? capacity : kDefaultCapacity) {
  chunk_.reserve(static_cast<size_t>(capacity_));
}

void Buffer::addstr(std::string_view text) {
  ++adds_;
  while (!text.empty()) {
    size_t room = static_cast<size_t>(capacity_) - chunk_.size();
    size_t take = text.size() < room ? text.size() : room;
    chunk_.append(text.substr(0, take));
    text.remove_prefix(take);
    if (chunk_.size() >= static_cast<size_t>(capacity_)) flush();
  }
}

void Buffer::add(char c) {
  ++adds_;
  chunk_.push_back(c);
  if (chunk_.size() >= static_cast<size_t>(capacity_)) flush();
}

void Buffer::flush() {
  result_.append(chunk_);
  chunk_.clear();
  ++flushes_;
}

std::string Buffer::detach() {
  flush();
  std::string result = std::move(result_);
  result_.clear();
  return result;
}

std::string& replaces_all_dynamic(std::string& text, std::string_view search,
                                  std::string_view replacement) {
  if (search.empty()) return text;
  size_t at = text.find(search);
  if (at == std::string::npos) return text;
  std::string built;
  built.reserve(text.size());
  size_t from = 0;
  for (; at != std::string::npos; at = text.find(search, from)) {
    built.append(text, from, at - from);
    built.append(replacement);
    from = at + search.size();
  }
  built.append(text, from, std::string::npos);
  text = std::move(built);
  return text;
}

int replace_in_place(std::string& text, std::string_view search, std::string_view replacement,
                     bool fold_case) {
  if (search.empty() || replacement.empty() || replacement.size() > search.size()) return 0;
  // Reading runs ahead of writing, so the result is built in the text's own
  // storage and only ever shrinks.
  size_t read = 0, write = 0;
  int count = 0;
  const size_t n = text.size();
  while (read < n) {
    if (n - read >= search.size() &&
        equal_text(std::string_view(text).substr(read, search.size()), search, fold_case)) {
      text.replace(write, replacement.size(), replacement);
      write += replacement.size();
      read += search.size();
      ++count;
    } else {
      text[write++] = text[read++];
    }
  }
  text.resize(write);
  return count;
}

}  // namespace containers
