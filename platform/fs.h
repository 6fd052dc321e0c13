// The file system: file facts, whole-file reads and writes, copies, moves,
// folders, links, the current folder and disk figures. Every function takes
// paths as they are (relative ones against the current folder) and never
// goes through a shell. Functions that can fail return 0 on success or the
// system's error number (errno); a path holding a NUL byte fails with EINVAL.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// The system's text for an error number ("No such file or directory").
std::string error_text(int error);

// What stat() (or lstat() for the link itself) tells about a path.
struct FileFacts {
  bool is_dir = false;
  bool is_regular = false;
  bool is_link = false;  // only from lstat: the name itself is a symbolic link
  uint64_t size = 0;
  uint32_t mode = 0;
  uint64_t dev = 0;
  uint64_t ino = 0;
  uint64_t nlink = 0;
  uint64_t rdev = 0;
  uint32_t uid = 0;
  uint32_t gid = 0;
  int64_t atime = 0;
  int64_t mtime = 0;
  int64_t ctime = 0;
};
// Facts about `path`, following symbolic links (`follow`) or not.
int file_facts(std::string_view path, FileFacts& out, bool follow = true);
bool path_exists(std::string_view path);
bool is_directory(std::string_view path);

// access() checks for the real user: 'r', 'w' or 'x'.
bool may_access(std::string_view path, char what);

// Reads at most `limit` bytes (all when `limit` < 0) of a file from its start.
int read_file_bytes(std::string_view path, int64_t limit, std::string& out);
// Feeds a file to `sink` in pieces (for digests of files of any size).
int read_file_pieces(std::string_view path,
                     const std::function<void(std::string_view piece)>& sink);
// Reads a file line by line: `line` gets each line without its line feed
// (a carriage return before it is kept). `line_sink` returns false to stop.
int read_file_lines(std::string_view path, const std::function<bool(std::string& line)>& line_sink);

// Writes bytes to a file (replacing or appending), flushes and closes it;
// the first failure of any of these steps is returned.
int write_file_bytes(std::string_view path, std::string_view bytes, bool append);

// Copies one regular file's bytes and permission bits. The copy is written
// to a new name beside the target and renamed over it only when complete, so
// a failed copy never leaves a half-written target nor harms an old one.
// Without `replace` an existing target fails with EEXIST.
int copy_file(std::string_view from, std::string_view to, bool replace);

// Moves a file or a folder. Within one file system this is a rename; across
// file systems the whole tree is copied beside the target, renamed into
// place and only then is the source removed, so a failed move keeps the
// source. Without `replace` an existing target fails with EEXIST (checked
// atomically where the file system allows).
int move_path(std::string_view from, std::string_view to, bool replace);

int make_directory(std::string_view path);
// Creates every missing level of a folder path; 0 when it exists afterwards.
int make_directories(std::string_view path);
// Removes a file or symbolic link (never a folder).
int remove_file(std::string_view path);
// Removes an empty folder.
int remove_directory(std::string_view path);
// Removes a folder and everything below it; symbolic links are removed, not
// followed.
int remove_tree(std::string_view path);

// One entry of a folder (never "." or "..").
struct DirEntry {
  std::string name;
  bool is_dir = false;   // following a symbolic link
  bool is_link = false;  // the entry itself is a symbolic link
};
int list_directory(std::string_view path, std::vector<DirEntry>& out);

// The current folder and changing it.
int current_directory(std::string& out);
int change_directory(std::string_view path);
// An absolute, lexically normalised path: relative paths are taken against
// the current folder; "." and ".." components are folded, repeated
// separators merged and a trailing separator dropped (except for "/"). The
// file need not exist. Empty when the current folder is unavailable.
std::string absolute_path(std::string_view path);
// The absolute path with every symbolic link resolved (as far as the path
// exists); empty on failure.
std::string canonical_path(std::string_view path);

// $HOME, or the user's folder from the password database.
std::string home_directory();
// $TMPDIR, or /tmp.
std::string temp_directory();
// Creates a new unique file (or folder) from a template ending in
// "XXXXXX"; `out` gets its path.
int make_temp(std::string_view path_template, bool folder, std::string& out);

// The target text of a symbolic link.
int read_link(std::string_view path, std::string& out);

// Disk figures of the file system holding `path`, in bytes.
struct DiskFigures {
  uint64_t total = 0;
  uint64_t free = 0;
  uint64_t avail = 0;  // what an unprivileged user may use
};
int disk_figures(std::string_view path, DiskFigures& out);
// The mount entry that holds `path`: its file-system type ("ext4") and
// device ("/dev/sda1"). False when the mount table cannot be read.
bool mount_of(std::string_view path, std::string& fs_type, std::string& device);
// Whether the block device of a mount is removable (/sys/block/<dev>/removable).
bool device_removable(std::string_view device);

// The ELF class of a file: 64 or 32, 0 for a file that is not ELF, -1 when
// it cannot be read.
int elf_class(std::string_view path);

}  // namespace platform
