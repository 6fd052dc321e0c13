// TCP client connections for the HTTP client: name resolution (host names,
// IPv4 and IPv6 addresses), connecting, sending and receiving, each bounded
// by a timeout and ended early by Ctrl+C (the break flag, which is left set
// for the caller to take).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

enum class NetStatus {
  Ok,
  ResolveFailed,  // error: the resolver's code
  SocketFailed,   // no socket could be made for any address; error: errno
  ConnectFailed,  // no address accepted the connection; error: errno of the last try
  SendFailed,     // error: errno
  ReceiveFailed,  // error: errno
  Closed,         // the peer closed the connection (receive only)
  TimedOut,       // nothing moved within the timeout
  Interrupted,    // the break flag was raised while waiting
};

// One connected TCP stream; the socket is closed when the object goes.
class TcpStream {
 public:
  TcpStream() = default;
  ~TcpStream();
  TcpStream(TcpStream&& other) noexcept;
  TcpStream& operator=(TcpStream&& other) noexcept;
  TcpStream(const TcpStream&) = delete;
  TcpStream& operator=(const TcpStream&) = delete;

  bool is_open() const { return fd_ >= 0; }
  void close();

  // Resolves `host` (a name or an IPv4/IPv6 address without brackets) for
  // `port` and connects to each address in the resolver's order until one
  // accepts, giving each `timeout_ms`. `error` receives the code named by
  // the status.
  NetStatus connect(std::string_view host, std::string_view port, int timeout_ms, int& error);

  // Sends all of `data`; gives up when the peer takes nothing for
  // `timeout_ms`.
  NetStatus send_all(std::string_view data, int timeout_ms, int& error);

  // Waits up to `timeout_ms` for data and reads at most `capacity` bytes
  // into `buffer`; `got` is the count read (Ok only).
  NetStatus receive(char* buffer, size_t capacity, size_t& got, int timeout_ms, int& error);

 private:
  int fd_ = -1;
};

}  // namespace platform
