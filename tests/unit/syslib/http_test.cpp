// The http command against a small server of the test's own on the loopback
// address (127.0.0.1, and ::1 when the machine has IPv6): plain, split,
// chunked, large, HEAD, Basic-auth, early-closing and silent responses, and
// the exact text of the requests. Nothing here contacts another address.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <functional>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/system.h"
#include "support/script_harness.h"

namespace {

const std::string kUserAgent =
    "User-Agent: Mozilla/5.0 (Windows; U; Windows NT 5.1; en-US; rv:1.8.1.22) Gecko/20090605 "
    "SeaMonkey/2.0.12\r\n";

void pause_ms(int ms) {
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

bool send_text(int fd, std::string_view text) {
  while (!text.empty()) {
    ssize_t n = ::send(fd, text.data(), text.size(), MSG_NOSIGNAL);
    if (n <= 0) return false;
    text.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

// Sends `text` in pieces of `piece` bytes with a pause after each, so that
// the client receives it in many reads.
void send_in_pieces(int fd, std::string_view text, size_t piece) {
  for (size_t at = 0; at < text.size(); at += piece) {
    if (!send_text(fd, text.substr(at, piece))) return;
    pause_ms(2);
  }
}

// A one-connection-at-a-time HTTP server on an ephemeral loopback port. Each
// request is read up to its blank line, recorded, and answered by the route
// named by the first path segment.
class TestServer {
 public:
  explicit TestServer(int family) {
    fd_ = ::socket(family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd_ < 0) return;
    int one = 1;
    ::setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_storage addr{};
    socklen_t len;
    if (family == AF_INET6) {
      auto* a6 = reinterpret_cast<sockaddr_in6*>(&addr);
      a6->sin6_family = AF_INET6;
      a6->sin6_addr = in6addr_loopback;
      len = sizeof *a6;
    } else {
      auto* a4 = reinterpret_cast<sockaddr_in*>(&addr);
      a4->sin_family = AF_INET;
      a4->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
      len = sizeof *a4;
    }
    if (::bind(fd_, reinterpret_cast<sockaddr*>(&addr), len) != 0 || ::listen(fd_, 8) != 0 ||
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
      ::close(fd_);
      fd_ = -1;
      return;
    }
    port_ = ntohs(family == AF_INET6 ? reinterpret_cast<sockaddr_in6*>(&addr)->sin6_port
                                     : reinterpret_cast<sockaddr_in*>(&addr)->sin_port);
    thread_ = std::thread([this] { serve(); });
  }
  ~TestServer() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (fd_ >= 0) ::close(fd_);
  }
  TestServer(const TestServer&) = delete;
  TestServer& operator=(const TestServer&) = delete;

  bool ok() const { return fd_ >= 0; }
  int port() const { return port_; }
  std::vector<std::string> requests() {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
  }
  std::string last_request() {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_.empty() ? "" : requests_.back();
  }

 private:
  void serve() {
    while (!stop_) {
      pollfd p{fd_, POLLIN, 0};
      if (::poll(&p, 1, 20) <= 0) continue;
      int client = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
      if (client < 0) continue;
      int one = 1;
      ::setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
      std::string request;
      if (read_request(client, request)) {
        {
          std::lock_guard<std::mutex> lock(mutex_);
          requests_.push_back(request);
        }
        answer(client, request);
      }
      ::close(client);
    }
  }

  bool read_request(int client, std::string& request) {
    char buf[4096];
    while (request.find("\r\n\r\n") == std::string::npos) {
      pollfd p{client, POLLIN, 0};
      if (stop_ || ::poll(&p, 1, 5000) <= 0) return false;
      ssize_t n = ::recv(client, buf, sizeof buf, 0);
      if (n <= 0) return false;
      request.append(buf, static_cast<size_t>(n));
    }
    return true;
  }

  // Waits until the client closes its end (or the server stops).
  void hold_open(int client) {
    char buf[256];
    while (!stop_) {
      pollfd p{client, POLLIN, 0};
      if (::poll(&p, 1, 20) > 0 && ::recv(client, buf, sizeof buf, 0) <= 0) return;
    }
  }

  static std::string with_length(std::string_view status, std::string_view body) {
    std::string r = "HTTP/1.1 ";
    r += status;
    r += "\r\nContent-Type: text/plain\r\nContent-Length: " + std::to_string(body.size()) +
         "\r\n\r\n";
    r += body;
    return r;
  }

  void answer(int client, const std::string& request) {
    size_t sp = request.find(' ');
    std::string path = request.substr(sp + 1, request.find(' ', sp + 1) - sp - 1);
    if (path == "/plain" || path == "/") {
      send_text(client, with_length("200 OK", "hello"));
    } else if (path == "/echo") {
      send_text(client, with_length("200 OK", request));
    } else if (path == "/split") {
      // The header block and the body arrive in separate bursts, the body
      // itself in pieces; the connection stays open after the last byte.
      std::string r = with_length("200 OK", "0123456789abcdefghij");
      send_in_pieces(client, r, 7);
      hold_open(client);
    } else if (path == "/chunked") {
      std::string r =
          "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
          "5\r\nhello\r\n7;name=value\r\n, world\r\n1\r\n!\r\n0\r\nX-Trailer: yes\r\n\r\n";
      send_in_pieces(client, r, 3);
      hold_open(client);
    } else if (path == "/bigchunked") {
      // Ten megabytes in chunks of varying sizes, sent in large writes.
      std::string r = "HTTP/1.1 200 OK\r\ntransfer-encoding: Chunked\r\n\r\n";
      size_t total = 0, size = 1;
      while (total < (size_t{10} << 20)) {
        size = size * 7 % 65521 + 1;
        char head[32];
        std::snprintf(head, sizeof head, "%zx\r\n", size);
        r += head;
        for (size_t k = 0; k < size; ++k) r += static_cast<char>('a' + (total + k) % 26);
        r += "\r\n";
        total += size;
      }
      r += "0\r\n\r\n";
      send_text(client, r);
      hold_open(client);
    } else if (path == "/big") {
      std::string body(size_t{5} << 20, '\0');
      for (size_t k = 0; k < body.size(); ++k) body[k] = static_cast<char>(k * 31 % 251);
      send_text(client, with_length("200 OK", body));
    } else if (path == "/head") {
      // A HEAD answer announces a body that never comes; the connection stays open.
      send_text(client, "HTTP/1.1 200 OK\r\nContent-Length: 1234\r\n\r\n");
      hold_open(client);
    } else if (path == "/auth") {
      bool good = request.find("\r\nAuthorization: Basic dXNlcjpwYXNz\r\n") != std::string::npos;
      send_text(client, good ? with_length("200 OK", "welcome")
                             : with_length("401 Unauthorized", "denied"));
    } else if (path == "/nolength") {
      send_text(client, "HTTP/1.0 200 OK\r\n\r\nuntil the end");
    } else if (path == "/closeearly") {
      send_text(client, "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nonly ten b");
    } else if (path == "/stall") {
      send_text(client, "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nonly ten b");
      hold_open(client);
    } else if (path == "/badchunk") {
      send_text(client, "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\nxx\r\n");
      hold_open(client);
    } else if (path == "/silent") {
      hold_open(client);
    } else if (path == "/interrupt") {
      platform::set_break_flag();  // as Ctrl+C would while the client waits
      hold_open(client);
    } else if (path == "/empty") {
      // Closes without a byte.
    } else {
      send_text(client, with_length("404 Not Found", "no such path"));
    }
  }

  int fd_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
  std::mutex mutex_;
  std::vector<std::string> requests_;
};

class Http : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(server_.ok()); }
  // "127.0.0.1:port" followed by `path`.
  std::string url(std::string_view path) {
    return "127.0.0.1:" + std::to_string(server_.port()) + std::string(path);
  }
  testing_support::ScriptRun run(const std::string& script) {
    return testing_support::run_script(script);
  }
  std::string port() { return std::to_string(server_.port()); }

  TestServer server_{AF_INET};
};

TEST_F(Http, PlainResponseWithStatusLineAndHeaders) {
  auto r = run("http http://" + url("/plain"));
  ASSERT_EQ(r.code, core::Code::Ok) << r.errorMsg;
  EXPECT_EQ(r.result,
            "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 5\r\n\r\nhello");
}

// A host name resolved from /etc/hosts (no resolver traffic); the Host line
// keeps the name.
TEST_F(Http, HostName) {
  std::ifstream hosts("/etc/hosts");
  std::string line;
  bool listed = false;
  while (std::getline(hosts, line)) {
    std::istringstream words(line);
    std::string address, name;
    words >> address;
    while (address == "127.0.0.1" && words >> name) listed = listed || name == "localhost";
  }
  if (!listed) GTEST_SKIP() << "localhost is not in /etc/hosts";
  auto r = run("http localhost:" + port() + "/echo");
  ASSERT_EQ(r.code, core::Code::Ok) << r.errorMsg;
  EXPECT_EQ(server_.last_request(),
            "GET /echo HTTP/1.1\r\nHost: localhost\r\n" + kUserAgent + "\r\n");
}

TEST_F(Http, RequestTextIsExact) {
  auto r = run("http http://" + url("/echo"));
  ASSERT_EQ(r.code, core::Code::Ok) << r.errorMsg;
  std::string expected = "GET /echo HTTP/1.1\r\nHost: 127.0.0.1\r\n" + kUserAgent + "\r\n";
  EXPECT_EQ(server_.last_request(), expected);
  // The echoed request comes back whole as the body.
  EXPECT_EQ(r.result.substr(r.result.size() - expected.size()), expected);

  r = run("http " + url("") + " -head");
  EXPECT_EQ(server_.last_request(), "HEAD / HTTP/1.1\r\nHost: 127.0.0.1\r\n" + kUserAgent + "\r\n");

  r = run("http " + url("/echo?a=1&b=x:y") + " -1");
  ASSERT_EQ(r.code, core::Code::Ok) << r.errorMsg;
  EXPECT_EQ(server_.last_request(), "GET /echo?a=1&b=x:y HTTP/1.0\r\n\r\n");
}

TEST_F(Http, BasicCredentials) {
  auto r = run("http " + url("/echo") + " -u user -p pass");
  ASSERT_EQ(r.code, core::Code::Ok) << r.errorMsg;
  EXPECT_EQ(server_.last_request(), "GET /echo HTTP/1.1\r\nHost: 127.0.0.1\r\n" + kUserAgent +
                                        "Authorization: Basic dXNlcjpwYXNz\r\n\r\n");
  // A user name alone is sent without a colon.
  r = run("http " + url("/echo") + " -U user");
  EXPECT_NE(server_.last_request().find("\r\nAuthorization: Basic dXNlcg==\r\n"),
            std::string::npos);

  r = run("http " + url("/auth"));
  ASSERT_EQ(r.code, core::Code::Ok) << r.errorMsg;
  EXPECT_EQ(r.result.substr(0, 25), "HTTP/1.1 401 Unauthorized");
  r = run("http " + url("/auth") + " -u user -p pass");
  EXPECT_EQ(r.result.substr(0, 15), "HTTP/1.1 200 OK");
  EXPECT_EQ(r.result.substr(r.result.size() - 7), "welcome");
}

TEST_F(Http, PortWordAndVariable) {
  // The port word wins over the URL; "-" keeps the URL's port.
  auto r = run("http 127.0.0.1:1/plain " + port());
  ASSERT_EQ(r.code, core::Code::Ok) << r.errorMsg;
  EXPECT_EQ(r.result.substr(r.result.size() - 5), "hello");
  r = run("set r [http " + url("/plain") + " - page]; list $r [string length $page]");
  ASSERT_EQ(r.code, core::Code::Ok) << r.errorMsg;
  EXPECT_EQ(r.result, "{} 69");
  // The value of -u is never taken for the variable name.
  r = run("http " + url("/plain") + " -u someone");
  EXPECT_EQ(r.result.substr(r.result.size() - 5), "hello");
}

TEST_F(Http, ResponsesInManyPieces) {
  auto r = run("http " + url("/split"));
  ASSERT_EQ(r.code, core::Code::Ok) << r.errorMsg;
  EXPECT_EQ(r.result.substr(r.result.find("\r\n\r\n") + 4), "0123456789abcdefghij");

  r = run("http " + url("/chunked"));
  ASSERT_EQ(r.code, core::Code::Ok) << r.errorMsg;
  EXPECT_EQ(r.result, "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nhello, world!");
}

TEST_F(Http, LargeBodies) {
  auto r = run("http " + url("/big"));
  ASSERT_EQ(r.code, core::Code::Ok) << r.errorMsg;
  std::string body = r.result.substr(r.result.find("\r\n\r\n") + 4);
  ASSERT_EQ(body.size(), size_t{5} << 20);
  bool same = true;
  for (size_t k = 0; k < body.size() && same; ++k)
    same = body[k] == static_cast<char>(k * 31 % 251);
  EXPECT_TRUE(same);

  r = run("http " + url("/bigchunked"));
  ASSERT_EQ(r.code, core::Code::Ok) << r.errorMsg;
  body = r.result.substr(r.result.find("\r\n\r\n") + 4);
  ASSERT_GE(body.size(), size_t{10} << 20);
  same = true;
  for (size_t k = 0; k < body.size() && same; ++k)
    same = body[k] == static_cast<char>('a' + k % 26);
  EXPECT_TRUE(same);
}

TEST_F(Http, HeadEndsWithTheHeaders) {
  auto r = run("http " + url("/head") + " -head -timeout 20000");
  ASSERT_EQ(r.code, core::Code::Ok) << r.errorMsg;
  EXPECT_EQ(r.result, "HTTP/1.1 200 OK\r\nContent-Length: 1234\r\n\r\n");
}

TEST_F(Http, BodyEndingWithTheConnection) {
  auto r = run("http " + url("/nolength"));
  ASSERT_EQ(r.code, core::Code::Ok) << r.errorMsg;
  EXPECT_EQ(r.result, "HTTP/1.0 200 OK\r\n\r\nuntil the end");
}

TEST_F(Http, FailuresAreErrors) {
  auto r = run("http " + url("/empty"));
  EXPECT_EQ(r.code, core::Code::Error);
  EXPECT_EQ(r.errorMsg, "http: Unknown Error");

  r = run("http " + url("/closeearly"));
  EXPECT_EQ(r.code, core::Code::Error);
  EXPECT_EQ(r.errorMsg,
            "http: Connection closed before the response from '127.0.0.1' was complete");

  r = run("http " + url("/stall") + " -timeout 200");
  EXPECT_EQ(r.code, core::Code::Error);
  EXPECT_EQ(r.errorMsg, "http: No data from '127.0.0.1' for 200 ms (timeout)");

  r = run("http " + url("/silent") + " -timeout 200");
  EXPECT_EQ(r.code, core::Code::Error);
  EXPECT_EQ(r.errorMsg, "http: No data from '127.0.0.1' for 200 ms (timeout)");

  r = run("http " + url("/badchunk"));
  EXPECT_EQ(r.code, core::Code::Error);
  EXPECT_EQ(r.errorMsg, "http: Malformed chunked body from '127.0.0.1'");

  // -nocomplain keeps the code but reports nothing.
  r = run("set x [catch {http " + url("/empty") + " -nocomplain}]");
  EXPECT_EQ(r.result, "1");
  EXPECT_EQ(r.errorMsg, "");
  EXPECT_EQ(r.output, "");
}

TEST_F(Http, CtrlCEndsAWaitingFetch) {
  auto r = run("http " + url("/interrupt"));
  (void)platform::take_break_flag();
  EXPECT_EQ(r.code, core::Code::Stop);
  EXPECT_EQ(r.errorMsg, "Interrupted");
}

TEST(HttpConnect, RefusedConnection) {
  // A port that was just free: nothing listens there.
  int port;
  {
    TestServer closed(AF_INET);
    ASSERT_TRUE(closed.ok());
    port = closed.port();
  }
  auto r = testing_support::run_script("http 127.0.0.1:" + std::to_string(port) + "/");
  EXPECT_EQ(r.code, core::Code::Error);
  EXPECT_EQ(r.errorMsg, "http: Unable to connect to server '127.0.0.1'");
}

TEST(HttpConnect, Ipv6Loopback) {
  TestServer server(AF_INET6);
  if (!server.ok()) GTEST_SKIP() << "no IPv6 loopback on this machine";
  std::string port = std::to_string(server.port());
  auto r = testing_support::run_script("http {http://[::1]:" + port + "/echo}");
  ASSERT_EQ(r.code, core::Code::Ok) << r.errorMsg;
  EXPECT_EQ(server.last_request(), "GET /echo HTTP/1.1\r\nHost: [::1]\r\n" + kUserAgent + "\r\n");
  r = testing_support::run_script("http {[::1]/plain} " + port);
  ASSERT_EQ(r.code, core::Code::Ok) << r.errorMsg;
  EXPECT_EQ(r.result.substr(r.result.size() - 5), "hello");
}

}  // namespace
