// The file system through POSIX calls and std::filesystem.
#include "platform/fs.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <system_error>

namespace platform {

namespace fs = std::filesystem;

namespace {

// A path for the C library: the same bytes, refused when it holds a NUL
// (which would silently cut it short and name something else).
std::optional<std::string> c_path(std::string_view path) {
  if (path.find('\0') != std::string_view::npos) return std::nullopt;
  return std::string(path);
}

// An open descriptor, closed when the scope ends.
class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  // Closes now and reports the failure of close itself.
  int close() {
    int fd = fd_;
    fd_ = -1;
    return fd >= 0 && ::close(fd) != 0 ? errno : 0;
  }

 private:
  int fd_;
};

using File = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

File open_file(const std::string& path, const char* mode) {
  return File(std::fopen(path.c_str(), mode), &std::fclose);
}

int error_of(const std::error_code& ec) {
  return ec ? (ec.category() == std::generic_category() || ec.category() == std::system_category()
                   ? ec.value()
                   : EIO)
            : 0;
}

// Writes every byte, going on after short writes and interruptions.
int write_all(int fd, const char* data, size_t size) {
  while (size > 0) {
    ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    data += n;
    size -= static_cast<size_t>(n);
  }
  return 0;
}

// The folder part of a path for placing a temporary name beside it.
std::string folder_of(const std::string& path) {
  size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// Renames without replacing an existing target. The kernel checks this
// atomically; file systems that cannot fall back to a check then a rename.
int rename_no_replace(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
  int error = errno;
  if (error != EINVAL && error != ENOSYS) return error;
  struct stat st {};
  if (::lstat(to.c_str(), &st) == 0) return EEXIST;
  return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

int rename_into_place(const std::string& from, const std::string& to, bool replace) {
  if (replace) return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
  return rename_no_replace(from, to);
}

// Copies the bytes of `from` into the new file `tmp_fd`.
int copy_bytes(int from_fd, int tmp_fd) {
  char buf[1 << 16];
  for (;;) {
    ssize_t n = ::read(from_fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (n == 0) return 0;
    if (int e = write_all(tmp_fd, buf, static_cast<size_t>(n))) return e;
  }
}

}  // namespace

std::string error_text(int error) {
  return std::strerror(error);
}

int file_facts(std::string_view path, FileFacts& out, bool follow) {
  auto p = c_path(path);
  if (!p) return EINVAL;
  struct stat st {};
  if ((follow ? ::stat(p->c_str(), &st) : ::lstat(p->c_str(), &st)) != 0) return errno;
  out.is_dir = S_ISDIR(st.st_mode);
  out.is_regular = S_ISREG(st.st_mode);
  out.is_link = S_ISLNK(st.st_mode);
  out.size = static_cast<uint64_t>(st.st_size);
  out.mode = st.st_mode;
  out.dev = st.st_dev;
  out.ino = st.st_ino;
  out.nlink = st.st_nlink;
  out.rdev = st.st_rdev;
  out.uid = st.st_uid;
  out.gid = st.st_gid;
  out.atime = st.st_atime;
  out.mtime = st.st_mtime;
  out.ctime = st.st_ctime;
  return 0;
}

bool path_exists(std::string_view path) {
  FileFacts f;
  return file_facts(path, f) == 0;
}

bool is_directory(std::string_view path) {
  FileFacts f;
  return file_facts(path, f) == 0 && f.is_dir;
}

bool may_access(std::string_view path, char what) {
  auto p = c_path(path);
  if (!p) return false;
  int mode = what == 'r' ? R_OK : (what == 'w' ? W_OK : X_OK);
  return ::access(p->c_str(), mode) == 0;
}

int read_file_bytes(std::string_view path, int64_t limit, std::string& out) {
  out.clear();
  auto p = c_path(path);
  if (!p) return EINVAL;
  Fd fd(::open(p->c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) return errno;
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) return errno;
  if (S_ISDIR(st.st_mode)) return EISDIR;
  // Read straight into the result as much as the file holds now, then on in
  // pieces for files that grew or report no size (pipes, /proc).
  uint64_t want = static_cast<uint64_t>(st.st_size);
  if (limit >= 0 && static_cast<uint64_t>(limit) < want) want = static_cast<uint64_t>(limit);
  out.resize(static_cast<size_t>(want));
  size_t have = 0;
  while (have < out.size()) {
    ssize_t n = ::read(fd.get(), out.data() + have, out.size() - have);
    if (n < 0) {
      if (errno == EINTR) continue;
      out.clear();
      return errno;
    }
    if (n == 0) break;
    have += static_cast<size_t>(n);
  }
  out.resize(have);
  if (have < want) return 0;
  char buf[1 << 16];
  while (limit < 0 || static_cast<int64_t>(out.size()) < limit) {
    size_t room = sizeof buf;
    if (limit >= 0) room = std::min<size_t>(room, static_cast<size_t>(limit) - out.size());
    ssize_t n = ::read(fd.get(), buf, room);
    if (n < 0) {
      if (errno == EINTR) continue;
      out.clear();
      return errno;
    }
    if (n == 0) break;
    out.append(buf, static_cast<size_t>(n));
  }
  return 0;
}

int read_file_pieces(std::string_view path,
                     const std::function<void(std::string_view piece)>& sink) {
  auto p = c_path(path);
  if (!p) return EINVAL;
  Fd fd(::open(p->c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) return errno;
  char buf[1 << 16];
  for (;;) {
    ssize_t n = ::read(fd.get(), buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (n == 0) return 0;
    sink(std::string_view(buf, static_cast<size_t>(n)));
  }
}

int read_file_lines(std::string_view path,
                    const std::function<bool(std::string& line)>& line_sink) {
  auto p = c_path(path);
  if (!p) return EINVAL;
  if (is_directory(*p)) return EISDIR;
  File f = open_file(*p, "rb");
  if (!f) return errno;
  // getline reads a line of any length in one piece, NUL bytes included.
  std::unique_ptr<char, void (*)(void*)> buf(nullptr, &std::free);
  size_t capacity = 0;
  std::string line;
  for (;;) {
    char* raw = buf.release();
    ssize_t n = ::getline(&raw, &capacity, f.get());
    buf.reset(raw);
    if (n < 0) break;
    line.assign(raw, static_cast<size_t>(n));
    if (!line.empty() && line.back() == '\n') line.pop_back();
    if (!line_sink(line)) return 0;
  }
  return std::ferror(f.get()) ? EIO : 0;
}

int write_file_bytes(std::string_view path, std::string_view bytes, bool append) {
  auto p = c_path(path);
  if (!p) return EINVAL;
  int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (append ? O_APPEND : O_TRUNC);
  Fd fd(::open(p->c_str(), flags, 0666));
  if (fd.get() < 0) return errno;
  if (int e = write_all(fd.get(), bytes.data(), bytes.size())) return e;
  return fd.close();
}

int copy_file(std::string_view from, std::string_view to, bool replace) {
  auto src = c_path(from);
  auto dst = c_path(to);
  if (!src || !dst) return EINVAL;
  Fd in(::open(src->c_str(), O_RDONLY | O_CLOEXEC));
  if (in.get() < 0) return errno;
  struct stat st {};
  if (::fstat(in.get(), &st) != 0) return errno;
  if (S_ISDIR(st.st_mode)) return EISDIR;
  if (!S_ISREG(st.st_mode)) return EINVAL;
  struct stat target {};
  if (!replace && ::lstat(dst->c_str(), &target) == 0) return EEXIST;
  std::string tmp = folder_of(*dst) + "/.nuvel-XXXXXX";
  Fd out(::mkostemp(tmp.data(), O_CLOEXEC));
  if (out.get() < 0) return errno;
  int error = ::fchmod(out.get(), st.st_mode & 07777) == 0 ? 0 : errno;
  if (!error) error = copy_bytes(in.get(), out.get());
  if (int e = out.close(); !error) error = e;
  if (!error) error = rename_into_place(tmp, *dst, replace);
  if (error) ::unlink(tmp.c_str());
  return error;
}

int move_path(std::string_view from, std::string_view to, bool replace) {
  auto src = c_path(from);
  auto dst = c_path(to);
  if (!src || !dst) return EINVAL;
  struct stat st {};
  if (::lstat(src->c_str(), &st) != 0) return errno;
  int error = rename_into_place(*src, *dst, replace);
  if (error != EXDEV) return error;
  // Another file system: copy, put the copy in place, then drop the source.
  if (S_ISREG(st.st_mode)) {
    error = copy_file(*src, *dst, replace);
    if (error) return error;
    return ::unlink(src->c_str()) == 0 ? 0 : errno;
  }
  std::string tmp = folder_of(*dst) + "/.nuvel-XXXXXX";
  std::error_code ec;
  if (S_ISLNK(st.st_mode)) {
    std::string link;
    if (int e = read_link(*src, link)) return e;
    if (::mkdtemp(tmp.data()) == nullptr) return errno;
    std::string inner = tmp + "/l";
    error = ::symlink(link.c_str(), inner.c_str()) == 0 ? 0 : errno;
    if (!error) error = rename_into_place(inner, *dst, replace);
    fs::remove_all(tmp, ec);
    if (error) return error;
    return ::unlink(src->c_str()) == 0 ? 0 : errno;
  }
  if (!S_ISDIR(st.st_mode)) return EXDEV;
  if (::mkdtemp(tmp.data()) == nullptr) return errno;
  fs::copy(*src, tmp, fs::copy_options::recursive | fs::copy_options::copy_symlinks, ec);
  error = error_of(ec);
  if (!error) {
    ::chmod(tmp.c_str(), st.st_mode & 07777);
    error = rename_into_place(tmp, *dst, replace);
  }
  if (error) {
    fs::remove_all(tmp, ec);
    return error;
  }
  return remove_tree(*src);
}

int make_directory(std::string_view path) {
  auto p = c_path(path);
  if (!p) return EINVAL;
  return ::mkdir(p->c_str(), 0777) == 0 ? 0 : errno;
}

int make_directories(std::string_view path) {
  auto p = c_path(path);
  if (!p || p->empty()) return EINVAL;
  std::error_code ec;
  fs::create_directories(*p, ec);
  if (is_directory(*p)) return 0;
  return ec ? error_of(ec) : ENOTDIR;
}

int remove_file(std::string_view path) {
  auto p = c_path(path);
  if (!p) return EINVAL;
  return ::unlink(p->c_str()) == 0 ? 0 : errno;
}

int remove_directory(std::string_view path) {
  auto p = c_path(path);
  if (!p) return EINVAL;
  return ::rmdir(p->c_str()) == 0 ? 0 : errno;
}

int remove_tree(std::string_view path) {
  auto p = c_path(path);
  if (!p) return EINVAL;
  std::error_code ec;
  fs::remove_all(*p, ec);
  return error_of(ec);
}

int list_directory(std::string_view path, std::vector<DirEntry>& out) {
  out.clear();
  auto p = c_path(path.empty() ? std::string_view(".") : path);
  if (!p) return EINVAL;
  std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(p->c_str()), &::closedir);
  if (!dir) return errno;
  std::string base = *p;
  if (base.back() != '/') base.push_back('/');
  for (;;) {
    // readdir reports failure only through errno, which the look-ups below
    // may change: clear it before every call.
    errno = 0;
    struct dirent* e = ::readdir(dir.get());
    if (e == nullptr) break;
    std::string_view name = e->d_name;
    if (name == "." || name == "..") continue;
    DirEntry entry;
    entry.name = std::string(name);
    if (e->d_type == DT_DIR) {
      entry.is_dir = true;
    } else if (e->d_type == DT_LNK || e->d_type == DT_UNKNOWN) {
      struct stat st {};
      std::string full = base + entry.name;
      if (::lstat(full.c_str(), &st) == 0) entry.is_link = S_ISLNK(st.st_mode);
      if (::stat(full.c_str(), &st) == 0) entry.is_dir = S_ISDIR(st.st_mode);
    }
    out.push_back(std::move(entry));
  }
  return errno;
}

int current_directory(std::string& out) {
  std::string buf(256, '\0');
  for (;;) {
    if (::getcwd(buf.data(), buf.size()) != nullptr) {
      out.assign(buf.c_str());
      return 0;
    }
    if (errno != ERANGE || buf.size() > (1u << 20)) return errno;
    buf.resize(buf.size() * 2);
  }
}

int change_directory(std::string_view path) {
  auto p = c_path(path);
  if (!p) return EINVAL;
  return ::chdir(p->c_str()) == 0 ? 0 : errno;
}

std::string absolute_path(std::string_view path) {
  fs::path p{std::string(path)};
  if (p.is_relative()) {
    std::string cwd;
    if (current_directory(cwd) != 0) return "";
    p = fs::path(cwd) / p;
  }
  std::string out = p.lexically_normal().string();
  while (out.size() > 1 && out.back() == '/') out.pop_back();
  return out;
}

std::string canonical_path(std::string_view path) {
  auto p = c_path(path);
  if (!p) return "";
  std::error_code ec;
  fs::path c = fs::weakly_canonical(fs::path(absolute_path(*p)), ec);
  if (ec) return "";
  std::string out = c.string();
  while (out.size() > 1 && out.back() == '/') out.pop_back();
  return out;
}

std::string home_directory() {
  if (const char* home = std::getenv("HOME"); home && *home) return home;
  struct passwd pw {};
  struct passwd* found = nullptr;
  std::string buf(16384, '\0');
  if (::getpwuid_r(::getuid(), &pw, buf.data(), buf.size(), &found) == 0 && found &&
      found->pw_dir) {
    return found->pw_dir;
  }
  return "/";
}

std::string temp_directory() {
  if (const char* tmp = std::getenv("TMPDIR"); tmp && *tmp) return tmp;
  return "/tmp";
}

int make_temp(std::string_view path_template, bool folder, std::string& out) {
  auto p = c_path(path_template);
  if (!p) return EINVAL;
  std::string name = *p;
  if (folder) {
    if (::mkdtemp(name.data()) == nullptr) return errno;
  } else {
    Fd fd(::mkostemp(name.data(), O_CLOEXEC));
    if (fd.get() < 0) return errno;
  }
  out = name;
  return 0;
}

int read_link(std::string_view path, std::string& out) {
  auto p = c_path(path);
  if (!p) return EINVAL;
  std::string buf(256, '\0');
  for (;;) {
    ssize_t n = ::readlink(p->c_str(), buf.data(), buf.size());
    if (n < 0) return errno;
    if (static_cast<size_t>(n) < buf.size()) {
      out.assign(buf.data(), static_cast<size_t>(n));
      return 0;
    }
    if (buf.size() > (1u << 20)) return ENAMETOOLONG;
    buf.resize(buf.size() * 2);
  }
}

int disk_figures(std::string_view path, DiskFigures& out) {
  auto p = c_path(path);
  if (!p) return EINVAL;
  struct statvfs vfs {};
  if (::statvfs(p->c_str(), &vfs) != 0) return errno;
  uint64_t unit = vfs.f_frsize ? vfs.f_frsize : vfs.f_bsize;
  out.total = static_cast<uint64_t>(vfs.f_blocks) * unit;
  out.free = static_cast<uint64_t>(vfs.f_bfree) * unit;
  out.avail = static_cast<uint64_t>(vfs.f_bavail) * unit;
  return 0;
}

namespace {

// Mount-table fields write blanks and tabs as octal escapes ("\040").
std::string unescape_mount_field(std::string_view field) {
  std::string out;
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size() && field[i + 1] >= '0' && field[i + 1] <= '7') {
      int v = (field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0');
      out.push_back(static_cast<char>(v));
      i += 3;
    } else {
      out.push_back(field[i]);
    }
  }
  return out;
}

bool under_mount(const std::string& path, const std::string& mount) {
  if (mount == "/") return true;
  return path.compare(0, mount.size(), mount) == 0 &&
         (path.size() == mount.size() || path[mount.size()] == '/');
}

}  // namespace

bool mount_of(std::string_view path, std::string& fs_type, std::string& device) {
  std::string where = canonical_path(path);
  if (where.empty()) return false;
  std::ifstream mounts("/proc/self/mounts");
  if (!mounts) return false;
  std::string line;
  size_t best = 0;
  bool found = false;
  while (std::getline(mounts, line)) {
    size_t a = line.find(' ');
    size_t b = a == std::string::npos ? a : line.find(' ', a + 1);
    size_t c = b == std::string::npos ? b : line.find(' ', b + 1);
    if (c == std::string::npos) continue;
    std::string dev = unescape_mount_field(std::string_view(line).substr(0, a));
    std::string point = unescape_mount_field(std::string_view(line).substr(a + 1, b - a - 1));
    std::string type = line.substr(b + 1, c - b - 1);
    // Later entries mount over earlier ones at the same point.
    if (under_mount(where, point) && point.size() >= best) {
      best = point.size();
      fs_type = type;
      device = dev;
      found = true;
    }
  }
  return found;
}

bool device_removable(std::string_view device) {
  size_t slash = device.find_last_of('/');
  std::string name(slash == std::string_view::npos ? device : device.substr(slash + 1));
  if (name.empty() || name.find("..") != std::string::npos) return false;
  std::error_code ec;
  fs::path sys = fs::canonical(fs::path("/sys/class/block") / name, ec);
  if (ec) return false;
  // A partition's flag lives with its disk, one level up.
  for (const fs::path& dir : {sys, sys.parent_path()}) {
    std::ifstream flag(dir / "removable");
    int value = 0;
    if (flag >> value) return value == 1;
  }
  return false;
}

int elf_class(std::string_view path) {
  auto p = c_path(path);
  if (!p) return -1;
  Fd fd(::open(p->c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) return -1;
  unsigned char head[5] = {};
  ssize_t n = ::read(fd.get(), head, sizeof head);
  if (n < 0) return -1;
  if (n < 5 || head[0] != 0x7f || head[1] != 'E' || head[2] != 'L' || head[3] != 'F') return 0;
  return head[4] == 2 ? 64 : (head[4] == 1 ? 32 : 0);
}

}  // namespace platform
