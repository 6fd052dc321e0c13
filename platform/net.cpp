// TCP client connections over POSIX sockets. Sockets are non-blocking; every
// wait is a poll() in short slices so that Ctrl+C ends it promptly.
#include "platform/net.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <memory>

#include "platform/system.h"

namespace platform {
namespace {

// Longest single wait between looks at the break flag.
constexpr int kSliceMs = 100;

struct AddrInfoFree {
  void operator()(addrinfo* list) const { freeaddrinfo(list); }
};
using AddrInfoList = std::unique_ptr<addrinfo, AddrInfoFree>;

// Waits for `events` on `fd` for up to `timeout_ms`, looking at the break
// flag between slices. Ok when the descriptor is ready.
NetStatus wait_for(int fd, short events, int timeout_ms, int& error) {
  uint64_t deadline = tick_ms() + static_cast<uint64_t>(timeout_ms < 0 ? 0 : timeout_ms);
  for (;;) {
    if (break_flag()) return NetStatus::Interrupted;
    uint64_t now = tick_ms();
    if (now >= deadline) return NetStatus::TimedOut;
    uint64_t left = deadline - now;
    pollfd p{fd, events, 0};
    int n = ::poll(&p, 1, static_cast<int>(left < kSliceMs ? left : kSliceMs));
    if (n > 0) return NetStatus::Ok;
    if (n < 0 && errno != EINTR) {
      error = errno;
      return NetStatus::ReceiveFailed;
    }
  }
}

}  // namespace

TcpStream::~TcpStream() {
  close();
}

TcpStream::TcpStream(TcpStream&& other) noexcept : fd_(other.fd_) {
  other.fd_ = -1;
}

TcpStream& TcpStream::operator=(TcpStream&& other) noexcept {
  if (this != &other) {
    close();
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

void TcpStream::close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

NetStatus TcpStream::connect(std::string_view host, std::string_view port, int timeout_ms,
                             int& error) {
  close();
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  addrinfo* found = nullptr;
  std::string host_text(host), port_text(port);
  int rc = ::getaddrinfo(host_text.c_str(), port_text.c_str(), &hints, &found);
  AddrInfoList list(found);
  if (rc != 0) {
    error = rc == EAI_SYSTEM ? errno : rc;
    return NetStatus::ResolveFailed;
  }
  bool made_socket = false;
  int socket_error = 0;
  error = 0;
  for (addrinfo* a = list.get(); a != nullptr; a = a->ai_next) {
    int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, a->ai_protocol);
    if (fd < 0) {
      socket_error = errno;
      continue;
    }
    made_socket = true;
    fd_ = fd;
    if (::connect(fd, a->ai_addr, a->ai_addrlen) == 0) return NetStatus::Ok;
    if (errno != EINPROGRESS) {
      error = errno;
      close();
      continue;
    }
    NetStatus waited = wait_for(fd, POLLOUT, timeout_ms, error);
    if (waited == NetStatus::Interrupted) {
      close();
      return waited;
    }
    if (waited == NetStatus::Ok) {
      int so_error = 0;
      socklen_t len = sizeof so_error;
      if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &so_error, &len) == 0 && so_error == 0) {
        return NetStatus::Ok;
      }
      error = so_error;
    } else if (waited == NetStatus::TimedOut) {
      error = ETIMEDOUT;
    }
    close();
  }
  if (!made_socket) {
    error = socket_error;
    return NetStatus::SocketFailed;
  }
  return NetStatus::ConnectFailed;
}

NetStatus TcpStream::send_all(std::string_view data, int timeout_ms, int& error) {
  size_t sent = 0;
  while (sent < data.size()) {
    ssize_t n = ::send(fd_, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
    if (n > 0) {
      sent += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      NetStatus waited = wait_for(fd_, POLLOUT, timeout_ms, error);
      if (waited == NetStatus::ReceiveFailed) return NetStatus::SendFailed;
      if (waited != NetStatus::Ok) return waited;
      continue;
    }
    error = n < 0 ? errno : EPIPE;
    return NetStatus::SendFailed;
  }
  return NetStatus::Ok;
}

NetStatus TcpStream::receive(char* buffer, size_t capacity, size_t& got, int timeout_ms,
                             int& error) {
  got = 0;
  for (;;) {
    ssize_t n = ::recv(fd_, buffer, capacity, 0);
    if (n > 0) {
      got = static_cast<size_t>(n);
      return NetStatus::Ok;
    }
    if (n == 0) return NetStatus::Closed;
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) {
      error = errno;
      return NetStatus::ReceiveFailed;
    }
    NetStatus waited = wait_for(fd_, POLLIN, timeout_ms, error);
    if (waited != NetStatus::Ok) return waited;
  }
}

}  // namespace platform
