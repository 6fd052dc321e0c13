// Child processes, the environment and the identity of this process on Linux.
#include "platform/process.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <pthread.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "platform/console.h"
#include "platform/system.h"

extern char** environ;

namespace platform {
namespace {

// The errno of the last failing call made here, per thread like errno itself.
thread_local int t_last_error = 0;

int fail_with_errno(int code) {
  t_last_error = code;
  return -1;
}

// One owned file descriptor.
class Fd {
 public:
  Fd() = default;
  ~Fd() { reset(); }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  void reset(int fd = -1) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }

 private:
  int fd_ = -1;
};

// A pipe whose two ends are closed on exec (the child gets copies made by
// dup2, which are not).
bool make_pipe(Fd& read_end, Fd& write_end) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return false;
  read_end.reset(fds[0]);
  write_end.reset(fds[1]);
  return true;
}

class FileActions {
 public:
  FileActions() { ok_ = ::posix_spawn_file_actions_init(&fa_) == 0; }
  ~FileActions() {
    if (ok_) ::posix_spawn_file_actions_destroy(&fa_);
  }
  FileActions(const FileActions&) = delete;
  FileActions& operator=(const FileActions&) = delete;
  bool ok() const { return ok_; }
  posix_spawn_file_actions_t* get() { return &fa_; }

 private:
  posix_spawn_file_actions_t fa_{};
  bool ok_ = false;
};

// The argument vector in the form exec wants; the strings stay owned by the
// caller's vector.
std::vector<char*> c_argv(const std::vector<std::string>& argv) {
  std::vector<char*> out;
  out.reserve(argv.size() + 1);
  for (const std::string& a : argv) out.push_back(const_cast<char*>(a.c_str()));
  out.push_back(nullptr);
  return out;
}

int wait_status(pid_t pid) {
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return fail_with_errno(errno);
  }
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

// Waits for a child until `deadline` (tick_ms; 0 = no limit). A child still
// running then is killed, and the result is -1 with ETIMEDOUT.
int wait_status_until(pid_t pid, uint64_t deadline) {
  if (deadline == 0) return wait_status(pid);
  for (;;) {
    int status = 0;
    pid_t done = ::waitpid(pid, &status, WNOHANG);
    if (done == pid) {
      if (WIFEXITED(status)) return WEXITSTATUS(status);
      if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
      return -1;
    }
    if (done < 0 && errno != EINTR) return fail_with_errno(errno);
    if (tick_ms() >= deadline) {
      ::kill(pid, SIGKILL);
      wait_status(pid);
      return fail_with_errno(ETIMEDOUT);
    }
    sleep_ms(10);
  }
}

// Keeps SIGPIPE away from this thread for the length of a scope: a write to a
// child that stopped reading then fails with EPIPE instead of ending the
// process, whatever the program's handler for SIGPIPE is. A SIGPIPE raised
// meanwhile is taken off the thread before the mask is put back.
class SigpipeBlock {
 public:
  SigpipeBlock() {
    sigset_t block;
    sigemptyset(&block);
    sigaddset(&block, SIGPIPE);
    ok_ = ::pthread_sigmask(SIG_BLOCK, &block, &saved_) == 0;
  }
  ~SigpipeBlock() {
    if (!ok_) return;
    sigset_t pending;
    sigemptyset(&pending);
    if (::sigpending(&pending) == 0 && sigismember(&pending, SIGPIPE) == 1 &&
        sigismember(&saved_, SIGPIPE) == 0) {
      sigset_t only;
      sigemptyset(&only);
      sigaddset(&only, SIGPIPE);
      timespec zero{};
      while (::sigtimedwait(&only, nullptr, &zero) < 0 && errno == EINTR) {
      }
    }
    ::pthread_sigmask(SIG_SETMASK, &saved_, nullptr);
  }
  SigpipeBlock(const SigpipeBlock&) = delete;
  SigpipeBlock& operator=(const SigpipeBlock&) = delete;

 private:
  sigset_t saved_{};
  bool ok_ = false;
};

bool executable_file(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

}  // namespace

// --- Running programs ----------------------------------------------------------

std::string find_program(std::string_view name) {
  if (name.empty()) return {};
  if (name.find('/') != std::string_view::npos) {
    std::string path(name);
    return executable_file(path) ? path : std::string();
  }
  const char* env_path = std::getenv("PATH");
  std::string_view dirs = env_path && *env_path ? env_path : "/usr/local/bin:/usr/bin:/bin";
  while (true) {
    size_t colon = dirs.find(':');
    std::string_view dir = dirs.substr(0, colon);
    std::string candidate(dir.empty() ? "." : dir);
    candidate += '/';
    candidate += name;
    if (executable_file(candidate)) return candidate;
    if (colon == std::string_view::npos) return {};
    dirs.remove_prefix(colon + 1);
  }
}

int run_captured(const std::vector<std::string>& argv, const CaptureOptions& options,
                 std::string& out) {
  if (argv.empty() || argv[0].empty()) return fail_with_errno(ENOENT);
  flush();
  const uint64_t deadline = options.timeout_ms > 0 ? tick_ms() + options.timeout_ms : 0;
  Fd out_read, out_write, in_read, in_write;
  if (!options.discard_output && !make_pipe(out_read, out_write)) return fail_with_errno(errno);
  if (options.input && !make_pipe(in_read, in_write)) return fail_with_errno(errno);
  FileActions actions;
  if (!actions.ok()) return fail_with_errno(ENOMEM);
  if (options.discard_output) {
    ::posix_spawn_file_actions_addopen(actions.get(), 1, "/dev/null", O_WRONLY, 0);
    ::posix_spawn_file_actions_adddup2(actions.get(), 1, 2);
  } else {
    ::posix_spawn_file_actions_adddup2(actions.get(), out_write.get(), 1);
    if (options.merge_stderr) ::posix_spawn_file_actions_adddup2(actions.get(), out_write.get(), 2);
  }
  if (options.input) ::posix_spawn_file_actions_adddup2(actions.get(), in_read.get(), 0);
  std::vector<char*> args = c_argv(argv);
  pid_t pid = 0;
  int rc = ::posix_spawnp(&pid, args[0], actions.get(), nullptr, args.data(), environ);
  if (rc != 0) return fail_with_errno(rc);
  out_write.reset();
  in_read.reset();

  SigpipeBlock no_sigpipe;
  std::string_view pending = options.input ? *options.input : std::string_view();
  if (in_write.get() >= 0) {
    ::fcntl(in_write.get(), F_SETFL, ::fcntl(in_write.get(), F_GETFL) | O_NONBLOCK);
    if (pending.empty()) in_write.reset();
  }
  char block[4096];
  while (out_read.get() >= 0 || in_write.get() >= 0) {
    pollfd fds[2];
    nfds_t count = 0;
    if (out_read.get() >= 0) fds[count++] = pollfd{out_read.get(), POLLIN, 0};
    if (in_write.get() >= 0) fds[count++] = pollfd{in_write.get(), POLLOUT, 0};
    int wait_ms = -1;
    if (deadline != 0) {
      uint64_t now = tick_ms();
      if (now >= deadline) break;  // the wait below kills the child
      wait_ms = static_cast<int>(deadline - now);
    }
    int ready = ::poll(fds, count, wait_ms);
    if (ready < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (ready == 0) continue;
    for (nfds_t i = 0; i < count; ++i) {
      if (fds[i].revents == 0) continue;
      if (fds[i].fd == out_read.get()) {
        ssize_t n = ::read(out_read.get(), block, sizeof block);
        if (n > 0) {
          std::string_view piece(block, static_cast<size_t>(n));
          out.append(piece);
          if (options.on_output) options.on_output(piece);
        } else if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
          out_read.reset();
        }
      } else {
        ssize_t n = ::write(in_write.get(), pending.data(), pending.size());
        if (n > 0) {
          pending.remove_prefix(static_cast<size_t>(n));
          if (pending.empty()) in_write.reset();
        } else if (n < 0 && errno != EINTR && errno != EAGAIN) {
          // The child stopped reading (EPIPE): the rest of the input is dropped.
          in_write.reset();
        }
      }
    }
  }
  return wait_status_until(pid, deadline);
}

int64_t start_background(const std::vector<std::string>& argv, bool repeat) {
  if (argv.empty()) return fail_with_errno(ENOENT);
  std::string path = find_program(argv[0]);
  if (path.empty()) return fail_with_errno(ENOENT);
  flush();
  std::vector<char*> args = c_argv(argv);
  const char* program = path.c_str();
  pid_t parent = ::getpid();
  // Only async-signal-safe calls after fork: the interpreter has more than
  // one thread. The first child leads a new process group and starts the
  // program (again and again with `repeat`); both die with their parent.
  pid_t leader = ::fork();
  if (leader < 0) return fail_with_errno(errno);
  if (leader == 0) {
    ::setpgid(0, 0);
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (::getppid() != parent) ::_exit(0);
    int null_in = ::open("/dev/null", O_RDONLY);
    int null_out = ::open("/dev/null", O_WRONLY);
    if (null_in >= 0) ::dup2(null_in, 0);
    if (null_out >= 0) {
      ::dup2(null_out, 1);
      ::dup2(null_out, 2);
    }
    pid_t self = ::getpid();
    do {
      timespec started{};
      ::clock_gettime(CLOCK_MONOTONIC, &started);
      pid_t child = ::fork();
      if (child < 0) ::_exit(127);
      if (child == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != self) ::_exit(0);
        ::execv(program, args.data());
        ::_exit(127);
      }
      int status = 0;
      while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
      }
      // A program that cannot run is not started again and again.
      if (WIFEXITED(status) && WEXITSTATUS(status) == 127) ::_exit(127);
      // A program that ends at once is started again at most five times a
      // second rather than in a busy loop.
      timespec ended{};
      ::clock_gettime(CLOCK_MONOTONIC, &ended);
      long elapsed_ms =
          (ended.tv_sec - started.tv_sec) * 1000 + (ended.tv_nsec - started.tv_nsec) / 1000000;
      if (repeat && elapsed_ms < 200) {
        timespec pause{0, (200 - elapsed_ms) * 1000000};
        ::nanosleep(&pause, nullptr);
      }
    } while (repeat);
    ::_exit(0);
  }
  ::setpgid(leader, leader);  // also from here, so stop_background never misses it
  return leader;
}

bool background_running(int64_t id) {
  if (id <= 0) return false;
  int status = 0;
  pid_t done = ::waitpid(static_cast<pid_t>(id), &status, WNOHANG);
  return done == 0;
}

bool stop_background(int64_t id) {
  if (!background_running(id)) return false;
  ::kill(-static_cast<pid_t>(id), SIGTERM);
  wait_status(static_cast<pid_t>(id));
  return true;
}

int wait_background(int64_t id) {
  if (id <= 0) return -1;
  for (;;) {
    int status = 0;
    pid_t done = ::waitpid(static_cast<pid_t>(id), &status, WNOHANG);
    if (done == static_cast<pid_t>(id)) {
      if (WIFEXITED(status)) return WEXITSTATUS(status);
      if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
      return -1;
    }
    if (done < 0 && errno != EINTR) return fail_with_errno(errno);
    if (break_flag()) {
      stop_background(id);
      return -1;
    }
    sleep_ms(20);
  }
}

bool start_detached(const std::vector<std::string>& argv) {
  if (argv.empty()) return fail_with_errno(ENOENT) == 0;
  std::string path = find_program(argv[0]);
  if (path.empty()) return fail_with_errno(ENOENT) == 0;
  flush();
  std::vector<char*> args = c_argv(argv);
  const char* program = path.c_str();
  // Only async-signal-safe calls between fork and exec: the interpreter has
  // more than one thread.
  pid_t middle = ::fork();
  if (middle < 0) return fail_with_errno(errno) == 0;
  if (middle == 0) {
    ::setpgid(0, 0);
    pid_t child = ::fork();
    if (child != 0) ::_exit(child < 0 ? 127 : 0);
    int null_fd = ::open("/dev/null", O_RDONLY);
    if (null_fd >= 0) ::dup2(null_fd, 0);
    ::execve(program, args.data(), environ);
    ::_exit(127);
  }
  return wait_status(middle) == 0;
}

int run_interactive_shell(std::string_view command_line) {
  flush();
  std::vector<std::string> argv{"/bin/sh"};
  if (command_line.empty()) {
    argv.emplace_back("-i");
  } else {
    argv.emplace_back("-c");
    argv.emplace_back("--");
    // A line end, so that a comment at the end of the text cannot swallow the
    // shell that follows.
    argv.emplace_back(std::string(command_line) + "\nexec /bin/sh -i");
  }
  std::vector<char*> args = c_argv(argv);
  pid_t pid = 0;
  int rc = ::posix_spawn(&pid, args[0], nullptr, nullptr, args.data(), environ);
  if (rc != 0) return fail_with_errno(rc);
  return wait_status(pid);
}

// --- Environment -------------------------------------------------------------------

bool set_env(std::string_view name, std::string_view value) {
  if (name.empty() || name.find_first_of(std::string_view("=\0", 2)) != std::string_view::npos ||
      value.find('\0') != std::string_view::npos) {
    t_last_error = EINVAL;
    return false;
  }
  std::string n(name);
  int rc =
      value.empty() ? ::unsetenv(n.c_str()) : ::setenv(n.c_str(), std::string(value).c_str(), 1);
  if (rc != 0) t_last_error = errno;
  return rc == 0;
}

// --- Process identity and rights -----------------------------------------------------

int64_t process_id() {
  return ::getpid();
}

int64_t thread_id() {
  return ::gettid();
}

int64_t session_id(int64_t pid) {
  if (pid < 0 || pid > INT32_MAX) return fail_with_errno(ESRCH);
  pid_t sid = ::getsid(static_cast<pid_t>(pid));
  if (sid < 0) return fail_with_errno(errno);
  return sid;
}

int64_t user_id() {
  return ::getuid();
}

bool is_elevated() {
  return ::geteuid() == 0;
}

bool is_admin() {
  if (::geteuid() == 0 || ::getuid() == 0) return true;
  int count = ::getgroups(0, nullptr);
  if (count < 0) return false;
  std::vector<gid_t> groups(static_cast<size_t>(count) + 1);
  count = ::getgroups(count, groups.data());
  if (count < 0) return false;
  groups.resize(static_cast<size_t>(count));
  groups.push_back(::getegid());
  std::vector<char> buf(16384);
  for (const char* name : {"sudo", "wheel", "admin"}) {
    group entry{};
    group* found = nullptr;
    if (::getgrnam_r(name, &entry, buf.data(), buf.size(), &found) != 0 || found == nullptr) {
      continue;
    }
    for (gid_t g : groups) {
      if (g == found->gr_gid) return true;
    }
  }
  return false;
}

bool is_foreground() {
  if (!::isatty(0)) return false;
  pid_t group = ::tcgetpgrp(0);
  return group >= 0 && group == ::getpgrp();
}

bool process_exists(int64_t pid) {
  // 0 and negative ids name process groups for kill: never those.
  if (pid <= 0 || pid > INT32_MAX) return false;
  return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

// --- System errors -----------------------------------------------------------------------

int last_error() {
  return t_last_error;
}

void set_last_error(int code) {
  t_last_error = code;
}

}  // namespace platform
