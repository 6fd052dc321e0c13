// Reading an HTTP response piece by piece (see http_response.h).
#include "syslib/http_response.h"

#include <algorithm>

namespace syslib {
namespace {

// Size lines and trailer lines longer than this are not a chunked body.
constexpr size_t kMaxLine = 8192;

char lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool same_nocase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

bool contains_nocase(std::string_view hay, std::string_view needle) {
  if (needle.size() > hay.size()) return false;
  for (size_t i = 0; i + needle.size() <= hay.size(); ++i) {
    if (same_nocase(hay.substr(i, needle.size()), needle)) return true;
  }
  return false;
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.remove_suffix(1);
  return s;
}

// The hexadecimal size at the start of a chunk-size line (extensions after
// ';' are ignored); false when the line holds no valid size.
bool parse_chunk_size(std::string_view line, uint64_t& size) {
  line = trim(line);
  size_t i = 0;
  size = 0;
  int significant = 0;
  for (; i < line.size(); ++i) {
    char c = line[i];
    int v = c >= '0' && c <= '9'   ? c - '0'
            : c >= 'a' && c <= 'f' ? c - 'a' + 10
            : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                   : -1;
    if (v < 0) break;
    if (size != 0 || v != 0) ++significant;
    if (significant > 15) return false;  // far beyond any real chunk
    size = size << 4 | static_cast<uint64_t>(v);
  }
  if (i == 0) return false;
  std::string_view rest = trim(line.substr(i));
  return rest.empty() || rest.front() == ';';
}

}  // namespace

HttpResponseReader::Progress HttpResponseReader::feed(std::string_view bytes) {
  if (phase_ == Phase::Done) return Progress::Done;
  if (phase_ == Phase::Body) return feed_body(bytes);
  text_.append(bytes);
  size_t from = scanned_ >= block_start_ + 3 ? scanned_ - 3 : block_start_;
  size_t end = text_.find("\r\n\r\n", from);
  if (end == std::string::npos) {
    scanned_ = text_.size();
    return Progress::More;
  }
  header_end_ = end + 4;
  std::string rest = text_.substr(header_end_);
  text_.resize(header_end_);
  start_body();
  if (phase_ == Phase::Done) return Progress::Done;
  if (phase_ == Phase::Headers) {
    // An interim response (100 Continue, 103 Early Hints): it stays in the
    // text and the final response follows it.
    block_start_ = scanned_ = header_end_;
    return rest.empty() ? Progress::More : feed(rest);
  }
  return feed_body(rest);
}

void HttpResponseReader::start_body() {
  std::string_view head(text_.data() + block_start_, header_end_ - 2 - block_start_);
  size_t line_end = head.find("\r\n");
  std::string_view status_line = head.substr(0, line_end);
  // "HTTP/1.1 204 No Content": the code follows the first space.
  int status = 0;
  size_t space = status_line.find(' ');
  if (space != std::string_view::npos) {
    for (size_t i = space + 1;
         i < status_line.size() && status_line[i] >= '0' && status_line[i] <= '9' && status < 1000;
         ++i) {
      status = status * 10 + (status_line[i] - '0');
    }
  }
  bool chunked = false;
  bool has_length = false;
  uint64_t length = 0;
  size_t at = line_end == std::string_view::npos ? head.size() : line_end + 2;
  while (at < head.size()) {
    size_t next = head.find("\r\n", at);
    if (next == std::string_view::npos) next = head.size();
    std::string_view line = head.substr(at, next - at);
    at = next + 2;
    size_t colon = line.find(':');
    if (colon == std::string_view::npos) continue;
    std::string_view name = trim(line.substr(0, colon));
    std::string_view value = trim(line.substr(colon + 1));
    if (same_nocase(name, "Transfer-Encoding")) {
      if (contains_nocase(value, "chunked")) chunked = true;
    } else if (same_nocase(name, "Content-Length")) {
      // A negative or zero length means no body; text that is no number
      // leaves the body to end with the connection.
      if (!value.empty() && value.front() == '-') {
        has_length = true;
        length = 0;
        continue;
      }
      uint64_t n = 0;
      size_t i = 0;
      for (; i < value.size() && value[i] >= '0' && value[i] <= '9' && n < (uint64_t{1} << 60);
           ++i) {
        n = n * 10 + static_cast<uint64_t>(value[i] - '0');
      }
      if (i > 0) {
        has_length = true;
        length = n;
      }
    }
  }
  if (status >= 100 && status < 200 && status != 101) return;  // interim: more headers follow
  phase_ = Phase::Body;
  if (head_request_ || status == 101 || status == 204 || status == 304) {
    phase_ = Phase::Done;
  } else if (chunked && decode_chunks_) {
    framing_ = Framing::Chunked;
  } else if (chunked) {
    framing_ = Framing::UntilClose;
  } else if (has_length) {
    framing_ = Framing::Length;
    body_length_ = length;
    if (length == 0) phase_ = Phase::Done;
  }
}

HttpResponseReader::Progress HttpResponseReader::feed_body(std::string_view bytes) {
  switch (framing_) {
    case Framing::UntilClose:
      text_.append(bytes);
      return Progress::More;
    case Framing::Length: {
      uint64_t have = text_.size() - header_end_;
      uint64_t want = body_length_ - have;
      size_t take = bytes.size() < want ? bytes.size() : static_cast<size_t>(want);
      text_.append(bytes.substr(0, take));
      if (take == want) {
        phase_ = Phase::Done;
        return Progress::Done;
      }
      return Progress::More;
    }
    case Framing::Chunked:
      return feed_chunks(bytes);
  }
  return Progress::More;
}

HttpResponseReader::Progress HttpResponseReader::feed_chunks(std::string_view bytes) {
  size_t i = 0;
  while (i < bytes.size()) {
    if (chunk_state_ == ChunkState::Data) {
      size_t take = bytes.size() - i;
      if (take > chunk_left_) take = static_cast<size_t>(chunk_left_);
      text_.append(bytes.substr(i, take));
      i += take;
      chunk_left_ -= take;
      if (chunk_left_ == 0) chunk_state_ = ChunkState::DataEnd;
      continue;
    }
    // The other states read lines.
    size_t nl = bytes.find('\n', i);
    size_t stop = nl == std::string_view::npos ? bytes.size() : nl;
    line_.append(bytes.substr(i, stop - i));
    if (line_.size() > kMaxLine) return Progress::Malformed;
    if (nl == std::string_view::npos) return Progress::More;
    i = nl + 1;
    if (!line_.empty() && line_.back() == '\r') line_.pop_back();
    switch (chunk_state_) {
      case ChunkState::SizeLine: {
        uint64_t size = 0;
        if (!parse_chunk_size(line_, size)) return Progress::Malformed;
        chunk_state_ = size == 0 ? ChunkState::Trailers : ChunkState::Data;
        chunk_left_ = size;
        break;
      }
      case ChunkState::DataEnd:
        if (!line_.empty()) return Progress::Malformed;  // data longer than its size
        chunk_state_ = ChunkState::SizeLine;
        break;
      case ChunkState::Trailers:
        if (line_.empty()) {
          phase_ = Phase::Done;
          line_.clear();
          return Progress::Done;
        }
        break;  // trailer fields are not kept
      case ChunkState::Data:
        break;
    }
    line_.clear();
  }
  return Progress::More;
}

bool HttpResponseReader::complete_at_close() const {
  if (phase_ == Phase::Done) return true;
  if (phase_ != Phase::Body) return false;
  if (framing_ == Framing::UntilClose) return true;
  // A last chunk whose closing blank line never came.
  return framing_ == Framing::Chunked && chunk_state_ == ChunkState::Trailers && line_.empty();
}

}  // namespace syslib
