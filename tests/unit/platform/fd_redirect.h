// Test helpers: point a standard descriptor somewhere else for a scope, and
// read everything a descriptor or file holds.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

namespace nuvel_test {

// Makes `fd` refer to `target` until the guard ends, then restores it.
class FdRedirect {
 public:
  FdRedirect(int fd, int target) : fd_(fd), saved_(::dup(fd)) { ::dup2(target, fd); }
  ~FdRedirect() {
    ::dup2(saved_, fd_);
    ::close(saved_);
  }
  FdRedirect(const FdRedirect&) = delete;
  FdRedirect& operator=(const FdRedirect&) = delete;

 private:
  int fd_;
  int saved_;
};

// A temporary file, removed when the guard ends.
class TempFile {
 public:
  TempFile() {
    char name[] = "/tmp/nuvel_test_XXXXXX";
    fd_ = ::mkstemp(name);
    path_ = name;
  }
  ~TempFile() {
    ::close(fd_);
    ::unlink(path_.c_str());
  }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  int fd() const { return fd_; }
  std::string contents() const {
    std::ifstream in(path_, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }

 private:
  int fd_ = -1;
  std::string path_;
};

// Everything readable from `fd` until it stays quiet for `quiet_ms` or ends.
inline std::string drain_fd(int fd, int quiet_ms = 200) {
  std::string text;
  char chunk[4096];
  for (;;) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, quiet_ms) <= 0) break;
    ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n <= 0) break;
    text.append(chunk, static_cast<size_t>(n));
  }
  return text;
}

}  // namespace nuvel_test
