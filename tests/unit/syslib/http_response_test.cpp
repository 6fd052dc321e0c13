// The HTTP response reader fed in every possible split: the same response
// must come out however the bytes are cut into reads.
#include "syslib/http_response.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using syslib::HttpResponseReader;
using Progress = HttpResponseReader::Progress;

// Feeds `wire` cut at `cut` (and the rest in one piece); the final progress.
Progress feed_split(HttpResponseReader& r, std::string_view wire, size_t cut) {
  Progress p = r.feed(wire.substr(0, cut));
  if (p != Progress::More) return p;
  return r.feed(wire.substr(cut));
}

TEST(HttpResponse, ChunkedBodyAtEverySplitAndByteByByte) {
  const std::string head = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
  const std::string wire = head +
                           "4\r\nWiki\r\n5;ext=\"a b\"\r\npedia\r\nE\r\n in\r\n\r\nchunks.\r\n"
                           "0\r\nExpires: never\r\n\r\n";
  const std::string expected = head + "Wikipedia in\r\n\r\nchunks.";
  for (size_t cut = 0; cut <= wire.size(); ++cut) {
    HttpResponseReader r(true, false);
    ASSERT_EQ(feed_split(r, wire, cut), Progress::Done) << cut;
    EXPECT_EQ(r.text(), expected) << cut;
  }
  HttpResponseReader r(true, false);
  Progress p = Progress::More;
  for (char c : wire) p = r.feed(std::string_view(&c, 1));
  EXPECT_EQ(p, Progress::Done);
  EXPECT_EQ(r.text(), expected);
}

TEST(HttpResponse, ChunkedBodyWithNulBytes) {
  std::string body("a\0b\0\0c", 6);
  std::string wire =
      "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n6\r\n" + body + "\r\n0\r\n\r\n";
  HttpResponseReader r(true, false);
  EXPECT_EQ(r.feed(wire), Progress::Done);
  EXPECT_EQ(r.text().substr(r.text().size() - 6), body);
}

TEST(HttpResponse, MalformedChunks) {
  const char* bad[] = {
      "zz\r\n",                 // no size
      "3\r\nabcdef\r\n",        // data longer than its size
      "fffffffffffffffff\r\n",  // absurd size
      "3 x\r\nabc\r\n",         // text after the size
  };
  for (const char* body : bad) {
    HttpResponseReader r(true, false);
    EXPECT_EQ(r.feed(std::string("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n") + body),
              Progress::Malformed)
        << body;
  }
}

TEST(HttpResponse, ContentLengthFraming) {
  const std::string wire = "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n0123456789EXTRA";
  for (size_t cut = 0; cut <= wire.size(); ++cut) {
    HttpResponseReader r(true, false);
    ASSERT_EQ(feed_split(r, wire, cut), Progress::Done) << cut;
    EXPECT_EQ(r.text(), wire.substr(0, wire.size() - 5)) << cut;
  }
  // Cut short by the server: not complete.
  HttpResponseReader r(true, false);
  EXPECT_EQ(r.feed("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n01234"), Progress::More);
  EXPECT_FALSE(r.complete_at_close());
  // Zero length, HEAD and 204 end with the header block.
  HttpResponseReader zero(true, false);
  EXPECT_EQ(zero.feed("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n"), Progress::Done);
  HttpResponseReader head(true, true);
  EXPECT_EQ(head.feed("HTTP/1.1 200 OK\r\nContent-Length: 99\r\n\r\n"), Progress::Done);
  HttpResponseReader none(true, false);
  EXPECT_EQ(none.feed("HTTP/1.1 204 No Content\r\n\r\n"), Progress::Done);
}

TEST(HttpResponse, InterimResponsesComeBeforeTheFinalOne) {
  const std::string wire =
      "HTTP/1.1 103 Early Hints\r\nLink: </a.css>\r\n\r\n"
      "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok";
  for (size_t cut = 0; cut <= wire.size(); ++cut) {
    HttpResponseReader r(true, false);
    ASSERT_EQ(feed_split(r, wire, cut), Progress::Done) << cut;
    EXPECT_EQ(r.text(), wire) << cut;
  }
}

TEST(HttpResponse, UntilCloseAndRawModes) {
  HttpResponseReader r(true, false);
  EXPECT_EQ(r.feed("HTTP/1.0 200 OK\r\n\r\nsome"), Progress::More);
  EXPECT_EQ(r.feed(" more"), Progress::More);
  EXPECT_TRUE(r.complete_at_close());
  EXPECT_EQ(r.text(), "HTTP/1.0 200 OK\r\n\r\nsome more");
  // Without chunk decoding (HTTP/1.0 requests) a chunked body stays as sent.
  HttpResponseReader raw(false, false);
  std::string wire = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n1\r\nx\r\n0\r\n\r\n";
  EXPECT_EQ(raw.feed(wire), Progress::More);
  EXPECT_TRUE(raw.complete_at_close());
  EXPECT_EQ(raw.text(), wire);
  // Headers never finished: not a response.
  HttpResponseReader cut(true, false);
  EXPECT_EQ(cut.feed("HTTP/1.1 200 OK\r\nContent-"), Progress::More);
  EXPECT_FALSE(cut.complete_at_close());
}

}  // namespace
