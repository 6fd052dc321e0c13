// File-system commands: the current folder (cd, cd.., chdir, pwd, getcwd),
// listings (ls, glob), folders (rmdir, mkdirs, mktemp), disks (diskfree,
// diskstat, disktype) and path helpers (link_to_path, addslash).
#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "core/cmd_helpers.h"
#include "core/list_value.h"
#include "platform/console.h"
#include "platform/fs.h"
#include "platform/time_zone.h"
#include "syslib/path_text.h"

namespace syslib {
namespace {

using core::Code;
using core::Interp;
using core::Msg;
using core::Value;

// The folder cd was in before its last change, for "cd -".
struct FolderState {
  std::string previous;
};

std::string join(std::string_view folder, std::string_view name) {
  if (folder.empty()) return std::string(name);
  std::string out(folder);
  if (out.back() != '/') out.push_back('/');
  out.append(name);
  return out;
}

// "~" and "~/rest" name the home folder.
std::string expand_home(std::string path) {
  if (path == "~") return platform::home_directory();
  if (path.size() > 1 && path[0] == '~' && path[1] == '/') {
    return join(platform::home_directory(), path.substr(2));
  }
  return path;
}

// cd ?dir? | chdir ?dir? | cd..
// Results: the new current folder as a full path.
// No word or "~" is the home folder, "-" the folder before the last change.
Code nuvelCommandCd(Interp& interp, int argc, Value* argv, void*) {
  FolderState& state = interp.state<FolderState>();
  std::string word = argv[0].view() == "cd.." ? ".." : argc > 1 ? file_word(argv[1]) : "~";
  std::string target = word;
  if (word == "-") {
    if (state.previous.empty()) {
      return core::fail(interp, Msg::FsCantChange, word, "no previous folder");
    }
    target = state.previous;
  } else {
    target = expand_home(word);
  }
  std::string before;
  bool had_before = platform::current_directory(before) == 0;
  if (int error = platform::change_directory(target)) {
    return core::fail(interp, Msg::FsCantChange, argc > 1 ? argv[1].view() : std::string_view(word),
                      platform::error_text(error));
  }
  if (had_before) state.previous = before;
  std::string now;
  if (int error = platform::current_directory(now)) {
    return core::fail(interp, Msg::FsCwdUnavailable, platform::error_text(error));
  }
  core::nuvelSetResult(interp, Value(std::move(now)));
  return Code::Ok;
}

// pwd | getcwd: the current folder.
Code nuvelCommandPwd(Interp& interp, int, Value*, void*) {
  std::string now;
  if (int error = platform::current_directory(now)) {
    return core::fail(interp, Msg::FsCwdUnavailable, platform::error_text(error));
  }
  core::nuvelSetResult(interp, Value(std::move(now)));
  return Code::Ok;
}

struct LsOptions {
  bool all = false;
  bool long_form = false;
  bool folders_only = false;
  bool files_only = false;
  bool recurse = false;
};

struct LsEntry {
  std::string shown;  // as printed (folders end in "/")
  std::string path;   // where it is
};

bool wanted(const LsOptions& o, bool is_dir) {
  return !(o.folders_only && !is_dir) && !(o.files_only && is_dir);
}

// Lists one folder's entries whose names match `pattern`, descending into
// sub-folders (never through links) with -r.
void ls_walk(const LsOptions& o, const std::string& folder, const std::string& shown_prefix,
             std::string_view pattern, std::vector<LsEntry>& out) {
  std::vector<platform::DirEntry> entries;
  if (platform::list_directory(folder.empty() ? "." : folder, entries) != 0) return;
  bool dot_pattern = !pattern.empty() && pattern[0] == '.';
  for (const platform::DirEntry& e : entries) {
    if (e.name[0] == '.' && !o.all && !dot_pattern) continue;
    std::string path = join(folder, e.name);
    std::string shown = shown_prefix + e.name;
    if (name_match(pattern, e.name) && wanted(o, e.is_dir)) {
      out.push_back({e.is_dir ? shown + "/" : shown, path});
    }
    if (o.recurse && e.is_dir && !e.is_link) ls_walk(o, path, shown + "/", pattern, out);
  }
}

// The mode string of ls -l ("drwxr-xr-x").
std::string mode_string(const platform::FileFacts& f) {
  std::string s = f.is_link ? "l" : f.is_dir ? "d" : f.is_regular ? "-" : "?";
  const char* letters = "rwxrwxrwx";
  for (int i = 0; i < 9; ++i) s.push_back((f.mode & (0400u >> i)) ? letters[i] : '-');
  return s;
}

// ls ?pattern ...? ?-a? ?-l? ?-d? ?-f? ?-r? ?-list?
// Results: the number of entries printed, or with -list their list (printing
// nothing). Entries match the patterns (default "*"), are sorted byte-wise
// and folders end in "/"; a pattern naming a folder lists what is in it,
// named relative to that folder.
Code nuvelCommandLs(Interp& interp, int argc, Value* argv, void*) {
  LsOptions o;
  bool as_list = false;
  std::vector<std::string> patterns;
  bool options_end = false;
  for (int i = 1; i < argc; ++i) {
    std::string_view w = argv[i].view();
    if (!options_end && w.size() > 1 && w[0] == '-') {
      if (w == "--") {
        options_end = true;
      } else if (core::iequals(w, "-a")) {
        o.all = true;
      } else if (core::iequals(w, "-l")) {
        o.long_form = true;
      } else if (core::iequals(w, "-d")) {
        o.folders_only = true;
      } else if (core::iequals(w, "-f")) {
        o.files_only = true;
      } else if (core::iequals(w, "-r")) {
        o.recurse = true;
      } else if (core::iequals(w, "-list")) {
        as_list = true;
      } else {
        return core::fail(interp, Msg::UnknownOption, w);
      }
      continue;
    }
    patterns.push_back(std::string(w));
  }
  if (patterns.empty()) patterns.push_back("*");
  std::vector<LsEntry> found;
  for (const std::string& given : patterns) {
    for (const std::string& pattern : expand_braces(given)) {
      size_t sep = pattern.find_last_of('/');
      std::string folder = sep == std::string::npos ? "" : pattern.substr(0, sep + 1);
      std::string name = sep == std::string::npos ? pattern : pattern.substr(sep + 1);
      if (has_wildcards(folder)) {
        std::vector<std::string> paths;
        glob_paths(pattern, "", paths);
        for (std::string& p : paths) {
          bool dir = platform::is_directory(p);
          if (wanted(o, dir)) found.push_back({dir ? p + "/" : p, p});
        }
        continue;
      }
      folder = unquote_pattern(folder);
      std::string shown = folder;
      if (!name.empty() && !has_wildcards(name) &&
          platform::is_directory(join(folder, unquote_pattern(name)))) {
        // A folder by name: what is in it, named relative to it.
        folder = join(folder, unquote_pattern(name)) + "/";
        shown.clear();
        name.clear();
      }
      if (name.empty()) name = "*";
      std::string disk = folder.empty() ? "." : folder;
      std::vector<platform::DirEntry> probe;
      if (int error = platform::list_directory(disk, probe)) {
        return core::fail(interp, Msg::FileCantRead, given, platform::error_text(error));
      }
      ls_walk(o, folder, shown, name, found);
    }
  }
  std::sort(found.begin(), found.end(),
            [](const LsEntry& a, const LsEntry& b) { return a.shown < b.shown; });
  found.erase(std::unique(found.begin(), found.end(),
                          [](const LsEntry& a, const LsEntry& b) { return a.shown == b.shown; }),
              found.end());
  if (as_list) {
    std::vector<Value> items;
    for (const LsEntry& e : found) items.emplace_back(e.shown);
    core::nuvelSetResult(interp, Value(items.empty() ? "{}" : core::list_write(items)));
    return Code::Ok;
  }
  for (const LsEntry& e : found) {
    if (!o.long_form) {
      platform::out(e.shown + "\n");
      continue;
    }
    platform::FileFacts f;
    (void)platform::file_facts(e.path, f, false);
    std::tm when{};
    char stamp[32] = "";
    if (platform::local_time(f.mtime, when))
      std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M", &when);
    platform::outf("%s  %12" PRId64 "  %s  %s\n", mode_string(f).c_str(),
                   static_cast<int64_t>(f.size), stamp, e.shown.c_str());
  }
  return core::result_int(interp, static_cast<int64_t>(found.size()));
}

// glob ?-nocomplain? ?-directory dir? ?-types d|f|l? ?-tails? ?--? pattern ...
// Results: the sorted list of paths matching the patterns ("*", "?",
// "[...]", "{a,b}", a leading "~", "\" quoting the next character).
Code nuvelCommandGlob(Interp& interp, int argc, Value* argv, void*) {
  bool nocomplain = false;
  bool tails = false;
  std::string directory;
  bool have_directory = false;
  std::string types;
  int i = 1;
  for (; i < argc; ++i) {
    std::string_view w = argv[i].view();
    if (w.empty() || w[0] != '-') break;
    if (w == "--") {
      ++i;
      break;
    }
    // Options may be shortened to any unique prefix, as in Tcl.
    auto is = [w](std::string_view option) {
      return w.size() >= 2 && core::istarts_with(option, w);
    };
    if (is("-nocomplain")) {
      nocomplain = true;
    } else if (is("-tails") && !is("-types")) {
      tails = true;
    } else if (is("-directory") || (is("-types") && !is("-tails"))) {
      if (i + 1 >= argc) return core::nuvelWrongArgs(interp, argc, argv);
      if (is("-types")) {
        types = std::string(argv[++i].view());
      } else {
        directory = file_word(argv[++i]);
        have_directory = true;
      }
    } else {
      return core::fail(interp, Msg::UnknownOption, w);
    }
  }
  if (i >= argc) return core::nuvelWrongArgs(interp, argc, argv);
  for (char t : types) {
    if (t != 'd' && t != 'f' && t != 'l' && t != ' ') {
      return core::fail(interp, Msg::InvalidArgument, types);
    }
  }
  std::vector<std::string> matches;
  std::string all_patterns;
  for (int p = i; p < argc; ++p) {
    if (!all_patterns.empty()) all_patterns.push_back(' ');
    all_patterns.append(argv[p].view());
    for (const std::string& one : expand_braces(argv[p].view())) {
      std::vector<std::string> paths;
      std::string pattern = expand_home(one);
      bool relative = pattern.empty() || pattern[0] != '/';
      glob_paths(pattern, have_directory ? directory : "", paths);
      for (std::string& path : paths) {
        if (!types.empty()) {
          platform::FileFacts own, target;
          bool have_own =
              platform::file_facts(have_directory && relative ? join(directory, path) : path, own,
                                   false) == 0;
          bool have_target =
              platform::file_facts(have_directory && relative ? join(directory, path) : path,
                                   target) == 0;
          bool keep = (types.find('l') != std::string::npos && have_own && own.is_link) ||
                      (types.find('d') != std::string::npos && have_target && target.is_dir) ||
                      (types.find('f') != std::string::npos && have_target && !target.is_dir);
          if (!keep) continue;
        }
        matches.push_back(have_directory && relative && !tails ? join(directory, path)
                                                               : std::move(path));
      }
    }
  }
  std::sort(matches.begin(), matches.end());
  matches.erase(std::unique(matches.begin(), matches.end()), matches.end());
  if (matches.empty()) {
    if (nocomplain) {
      core::nuvelResetResult(interp);
      return Code::Ok;
    }
    return core::fail(interp, Msg::FsNoGlobMatch, all_patterns);
  }
  std::vector<Value> items(matches.begin(), matches.end());
  core::nuvelSetResult(interp, Value(core::list_write(items)));
  return Code::Ok;
}

// Whether removing the whole tree at `path` would take the root or the home
// folder with it.
bool protected_tree(const std::string& path) {
  std::string where = platform::canonical_path(path);
  if (where.empty() || where == "/") return true;
  std::string home = platform::canonical_path(platform::home_directory());
  return home == where || (home.size() > where.size() &&
                           home.compare(0, where.size(), where) == 0 && home[where.size()] == '/');
}

// rmdir dir ?dir ...? ?-force?
// Results: "1" when every folder is gone afterwards (a missing one counts as
// gone), else "0". Without -force only empty folders go. -force removes a
// whole tree; the root, the home folder and any folder holding it are
// refused.
Code nuvelCommandRmdir(Interp& interp, int argc, Value* argv, void*) {
  bool force = false;
  std::vector<std::string> dirs;
  for (int i = 1; i < argc; ++i) {
    if (core::iequals(argv[i].view(), "-force")) {
      force = true;
    } else {
      dirs.push_back(file_word(argv[i]));
    }
  }
  if (dirs.empty()) return core::nuvelWrongArgs(interp, argc, argv);
  if (force) {
    for (const std::string& d : dirs) {
      if (platform::path_exists(d) && protected_tree(d)) {
        return core::fail(interp, Msg::FsRefuseRemove, d);
      }
    }
  }
  bool all_gone = true;
  for (const std::string& d : dirs) {
    platform::FileFacts facts;
    if (platform::file_facts(d, facts, false) != 0) continue;
    if (!facts.is_dir) {
      all_gone = false;
      continue;
    }
    int error = force ? platform::remove_tree(d) : platform::remove_directory(d);
    if (error != 0) all_gone = false;
  }
  return core::result_bool(interp, all_gone);
}

// mkdirs path: creates every missing level; "1" when the folder exists
// afterwards.
Code nuvelCommandMkdirs(Interp& interp, int, Value* argv, void*) {
  return core::result_bool(interp, platform::make_directories(file_word(argv[1])) == 0);
}

// mktemp ?template? ?-dir? ?-tmpdir folder?
// Results: the full path of a new, unique file (folder with -dir) made from
// the template (default "nuvelXXXXXX") in $TMPDIR or /tmp, or in the folder
// given. A template holding "/" is a path of its own.
Code nuvelCommandMktemp(Interp& interp, int argc, Value* argv, void*) {
  std::string name = "nuvelXXXXXX";
  std::string folder = platform::temp_directory();
  bool folder_wanted = false;
  bool have_template = false;
  for (int i = 1; i < argc; ++i) {
    std::string_view w = argv[i].view();
    if (core::iequals(w, "-dir")) {
      folder_wanted = true;
    } else if (core::iequals(w, "-tmpdir")) {
      if (i + 1 >= argc) return core::nuvelWrongArgs(interp, argc, argv);
      folder = file_word(argv[++i]);
    } else if (!w.empty() && w[0] == '-') {
      return core::fail(interp, Msg::UnknownOption, w);
    } else if (!have_template) {
      name = file_word(argv[i]);
      have_template = true;
    } else {
      return core::nuvelWrongArgs(interp, argc, argv);
    }
  }
  if (name.size() < 6 || name.compare(name.size() - 6, 6, "XXXXXX") != 0) {
    return core::fail(interp, Msg::FsTemplate);
  }
  std::string path = name.find('/') != std::string::npos ? name : join(folder, name);
  std::string made;
  if (int error = platform::make_temp(path, folder_wanted, made)) {
    return core::fail(interp, Msg::FsCantCreate, path, platform::error_text(error));
  }
  core::nuvelSetResult(interp, Value(platform::absolute_path(made)));
  return Code::Ok;
}

// diskfree ?path? | diskstat ?path?
// Results: the bytes available to the user on the file system holding the
// path (default the current folder); diskstat the pair list
// "total N free N avail N used N percent N.NN".
Code nuvelCommandDisk(Interp& interp, int argc, Value* argv, void*) {
  std::string path = argc > 1 ? file_word(argv[1]) : ".";
  platform::DiskFigures d;
  if (platform::disk_figures(path, d) != 0) return core::fail(interp, Msg::FsErrorAccessing, path);
  if (argv[0].view() == "diskfree") return core::result_int(interp, static_cast<int64_t>(d.avail));
  uint64_t used = d.total - d.free;
  double percent = d.total ? 100.0 * static_cast<double>(used) / static_cast<double>(d.total) : 0.0;
  char text[256];
  std::snprintf(text, sizeof text,
                "total %" PRIu64 " free %" PRIu64 " avail %" PRIu64 " used %" PRIu64
                " percent %.2f",
                d.total, d.free, d.avail, used, percent);
  core::nuvelSetResult(interp, Value(text));
  return Code::Ok;
}

// disktype ?path? ?-name? ?-fs?
// Results: the drive-type number of the file system holding the path
// (0 unknown, 1 path missing, 2 removable, 3 fixed, 4 remote, 5 optical,
// 6 RAM disk); its name with -name; the file-system type with -fs.
Code nuvelCommandDisktype(Interp& interp, int argc, Value* argv, void*) {
  std::string path = ".";
  bool names = false;
  bool fs = false;
  bool have_path = false;
  for (int i = 1; i < argc; ++i) {
    std::string_view w = argv[i].view();
    if (core::iequals(w, "-name")) {
      names = true;
    } else if (core::iequals(w, "-fs")) {
      fs = true;
    } else if (!have_path) {
      path = file_word(argv[i]);
      have_path = true;
    } else {
      return core::fail(interp, Msg::UnknownOption, w);
    }
  }
  static constexpr const char* kNames[] = {"unknown", "noroot", "removable", "fixed",
                                           "remote",  "cdrom",  "ramdisk"};
  std::string type, device;
  int kind = 1;
  if (platform::path_exists(path)) {
    if (!platform::mount_of(path, type, device)) {
      kind = 0;
    } else if (type == "nfs" || type == "nfs4" || type == "cifs" || type == "smb3" ||
               type == "smbfs" || type == "9p" || type == "fuse.sshfs") {
      kind = 4;
    } else if (type == "iso9660" || type == "udf") {
      kind = 5;
    } else if (type == "tmpfs" || type == "ramfs") {
      kind = 6;
    } else {
      kind = platform::device_removable(device) ? 2 : 3;
    }
  }
  if (fs) {
    core::nuvelSetResult(interp, Value(type));
    return Code::Ok;
  }
  if (names) {
    core::nuvelSetResult(interp, Value(kNames[kind]));
    return Code::Ok;
  }
  return core::result_int(interp, kind);
}

// link_to_path name: the full path a symbolic link points to.
Code nuvelCommandLinkToPath(Interp& interp, int, Value* argv, void*) {
  std::string name = file_word(argv[1]);
  platform::FileFacts facts;
  if (platform::file_facts(name, facts, false) != 0) {
    return core::fail(interp, Msg::FileNotFound, name);
  }
  if (!facts.is_link) {
    size_t dot = name.rfind('.');
    if (dot != std::string::npos && core::iequals(std::string_view(name).substr(dot), ".lnk")) {
      return core::fail(interp, Msg::FsNotSupported);
    }
    return core::fail(interp, Msg::FsNotALink, name);
  }
  std::string target;
  if (int error = platform::read_link(name, target)) {
    return core::fail(interp, Msg::FileCantRead, name, platform::error_text(error));
  }
  if (target.empty() || target[0] != '/') {
    std::string link = platform::absolute_path(name);
    target = join(link.substr(0, std::max<size_t>(1, link.find_last_of('/'))), target);
  }
  core::nuvelSetResult(interp, Value(platform::absolute_path(target)));
  return Code::Ok;
}

// addslash path: the path with one "/" appended unless it ends in one.
Code nuvelCommandAddslash(Interp& interp, int, Value* argv, void*) {
  std::string path(argv[1].view());
  if (!path.empty() && !is_separator(path.back())) path.push_back('/');
  core::nuvelSetResult(interp, Value(std::move(path)));
  return Code::Ok;
}

constexpr core::CommandRow kFsCommands[] = {
    {"cd", nuvelCommandCd, 1, 2, "?dir?", core::kUnsafe},
    {"cd..", nuvelCommandCd, 1, 1, "", core::kUnsafe},
    {"chdir", nuvelCommandCd, 1, 2, "?dir?", core::kUnsafe},
    {"pwd", nuvelCommandPwd, 1, 1, "", core::kUnsafe},
    {"getcwd", nuvelCommandPwd, 1, 1, "", core::kUnsafe},
    {"ls", nuvelCommandLs, 1, core::kAnyWords, "?pattern ...? ?-a? ?-l? ?-d? ?-f? ?-r? ?-list?",
     core::kUnsafe},
    {"glob", nuvelCommandGlob, 2, core::kAnyWords,
     "?-nocomplain? ?-directory dir? ?-types d|f|l? ?-tails? ?--? pattern ?pattern ...?",
     core::kUnsafe},
    {"rmdir", nuvelCommandRmdir, 2, core::kAnyWords, "dir ?dir ...? ?-force?", core::kUnsafe},
    {"mkdirs", nuvelCommandMkdirs, 2, 2, "path", core::kUnsafe},
    {"mktemp", nuvelCommandMktemp, 1, 5, "?template? ?-dir? ?-tmpdir folder?", core::kUnsafe},
    {"diskfree", nuvelCommandDisk, 1, 2, "?path?", core::kUnsafe},
    {"diskstat", nuvelCommandDisk, 1, 2, "?path?", core::kUnsafe},
    {"disktype", nuvelCommandDisktype, 1, 4, "?path? ?-name? ?-fs?", core::kUnsafe},
    {"link_to_path", nuvelCommandLinkToPath, 2, 2, "name", core::kUnsafe},
    {"addslash", nuvelCommandAddslash, 2, 2, "path"},
};

}  // namespace

[[gnu::section(".text.startup.register")]] void register_fs_cmds(Interp& interp) {
  core::register_rows(interp, kFsCommands);
}

}  // namespace syslib
