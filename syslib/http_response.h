// The response side of the HTTP client: collects a response as it arrives in
// pieces of any size and says when it is complete. The header block is kept
// as received; a chunked body is decoded (chunk sizes, extensions and
// trailers may be split anywhere across pieces); a body with a
// Content-Length ends at that length; any other body ends when the server
// closes the connection.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace syslib {

class HttpResponseReader {
 public:
  // `decode_chunks`: decode "Transfer-Encoding: chunked" bodies (HTTP/1.1
  // requests); otherwise the body is kept as it arrives. `head_request`: the
  // response to a HEAD request ends with its header block.
  HttpResponseReader(bool decode_chunks, bool head_request)
      : decode_chunks_(decode_chunks), head_request_(head_request) {}

  enum class Progress {
    More,       // the response goes on
    Done,       // the response is complete; later bytes are ignored
    Malformed,  // the chunked body cannot be read
  };

  Progress feed(std::string_view bytes);
  // The server closed the connection: whether what arrived is a complete
  // response (a body without a length ends here).
  bool complete_at_close() const;

  bool done() const { return phase_ == Phase::Done; }
  bool empty() const { return text_.empty(); }
  // The header block and the (decoded) body.
  const std::string& text() const { return text_; }
  std::string take() { return std::move(text_); }

 private:
  enum class Phase { Headers, Body, Done };
  enum class Framing { UntilClose, Length, Chunked };
  enum class ChunkState { SizeLine, Data, DataEnd, Trailers };

  void start_body();
  Progress feed_body(std::string_view bytes);
  Progress feed_chunks(std::string_view bytes);

  bool decode_chunks_;
  bool head_request_;
  Phase phase_ = Phase::Headers;
  Framing framing_ = Framing::UntilClose;
  std::string text_;
  size_t block_start_ = 0;    // start of the header block being read
  size_t scanned_ = 0;        // header bytes already searched for the blank line
  size_t header_end_ = 0;     // size of the header block in text_
  uint64_t body_length_ = 0;  // expected body length (Framing::Length)
  ChunkState chunk_state_ = ChunkState::SizeLine;
  uint64_t chunk_left_ = 0;  // data bytes left in the current chunk
  std::string line_;         // a size or trailer line being collected
};

}  // namespace syslib
