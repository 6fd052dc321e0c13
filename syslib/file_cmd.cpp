// The file command, the script's general entry to the file system, and the
// commands that share its operations: is_file, is_dir, mkdir, md,
// normal_path, md5_file and unlink. Stream subcommands hand their words to
// the stream commands, "rename" and "size" to ren and filesize; the
// subcommand word then plays the part of the command name in messages.
#include <string>
#include <vector>

#include "containers/md5.h"
#include "core/cmd_helpers.h"
#include "core/glob.h"
#include "core/list_value.h"
#include "core/var_store.h"
#include "platform/console.h"
#include "platform/fs.h"
#include "platform/system.h"
#include "syslib/path_text.h"
#include "syslib/streams.h"

namespace syslib {
namespace {

using core::Code;
using core::Interp;
using core::Msg;
using core::ScopedRestore;
using core::Value;

// Runs a handler with the words after "file", so that its messages carry
// the subcommand word as the command name.
Code run_as_command(Interp& interp, core::CommandHandler handler, void* data, int argc,
                    Value* argv) {
  ScopedRestore<int> keep_argc(interp.command_argc, argc - 1);
  ScopedRestore<const Value*> keep_argv(interp.command_argv, argv + 1);
  return handler(interp, argc - 1, argv + 1, data);
}

// --- Operations shared by file subcommands and commands of their own ---------

// exists name: "1" when a file or folder of that name exists (trailing
// separators ignored).
Code op_exists(Interp& interp, int, Value* argv, void*) {
  std::string name = file_word(argv[1]);
  while (name.size() > 1 && is_separator(name.back())) name.pop_back();
  return core::result_bool(interp, platform::path_exists(name));
}

// isfile name / is_file name: "1" for an existing name that is not a folder.
Code op_isfile(Interp& interp, int, Value* argv, void*) {
  platform::FileFacts facts;
  bool found = platform::file_facts(file_word(argv[1]), facts) == 0;
  return core::result_bool(interp, found && !facts.is_dir);
}

// isdirectory name / is_dir name: "1" for a folder.
Code op_isdirectory(Interp& interp, int, Value* argv, void*) {
  std::string name = file_word(argv[1]);
  if (name.size() > 1 && is_separator(name.back())) name.pop_back();
  if (core::iequals(name, "nul")) return core::result_bool(interp, false);
  return core::result_bool(interp, platform::is_directory(name));
}

// mkdir name / md name: creates one folder; "1" on success, else "0".
Code op_mkdir(Interp& interp, int, Value* argv, void*) {
  return core::result_bool(interp, platform::make_directory(argv[1].view()) == 0);
}

// normal_path name: the full path ("/" or "\" separate the components in
// the name); empty when the current folder is unavailable.
Code op_normal_path(Interp& interp, int, Value* argv, void*) {
  core::nuvelSetResult(interp, Value(platform::absolute_path(forward_slashes(argv[1].view()))));
  return Code::Ok;
}

// md5 name / md5_file name: the MD5 digest of the file's bytes as 32
// lower-case hex digits, "0" when the file cannot be read.
Code op_md5(Interp& interp, int, Value* argv, void*) {
  containers::Md5 digest;
  std::string name = file_word(argv[1]);
  if (platform::is_directory(name) || platform::read_file_pieces(name, [&](std::string_view piece) {
                                        digest.update(piece);
                                      }) != 0) {
    core::nuvelSetResult(interp, Value("0"));
    return Code::Ok;
  }
  containers::Md5Digest bytes = digest.finish();
  static constexpr char kHex[] = "0123456789abcdef";
  std::string hex;
  for (uint8_t b : bytes) {
    hex.push_back(kHex[b >> 4]);
    hex.push_back(kHex[b & 15]);
  }
  core::nuvelSetResult(interp, Value(std::move(hex)));
  return Code::Ok;
}

// delete pattern ?-verbose? ?-nocomplain? / unlink ...
// Results: the number of files deleted.
// The pattern is a folder (taken literally) and a name that may hold "*"
// and "?"; only entries of that one folder can match. A name that is just
// "*" and patterns holding "*.*" are refused. Folders are reported and kept; symbolic links
// are removed, never their targets.
Code op_delete(Interp& interp, int argc, Value* argv, void*) {
  bool verbose = false;
  bool nocomplain = false;
  for (int i = 2; i < argc; ++i) {
    if (core::iequals(argv[i].view(), "-verbose")) {
      verbose = true;
    } else if (core::iequals(argv[i].view(), "-nocomplain")) {
      nocomplain = true;
    } else {
      return core::fail(interp, Msg::UnknownOption, argv[i]);
    }
  }
  std::string pattern(argv[1].view());
  size_t sep = pattern.find_last_of('/');
  // "*" as the whole name part would take every file of a folder ("/*"
  // included), as "*.*" does.
  std::string_view name_only =
      std::string_view(pattern).substr(sep == std::string::npos ? 0 : sep + 1);
  if (name_only == "*" || pattern.find("*.*") != std::string::npos) {
    core::nuvelResetResult(interp);
    return core::fail(interp, Msg::FileWildcard);
  }
  std::string folder = platform::absolute_path(sep == std::string::npos ? std::string(".")
                                               : sep == 0               ? std::string("/")
                                                                        : pattern.substr(0, sep));
  std::string name = sep == std::string::npos ? pattern : pattern.substr(sep + 1);
  std::vector<std::string> names;
  if (name.empty() || name == "." || name == ".." || folder.empty()) {
    // nothing of that name can be deleted
  } else if (name.find_first_of("*?") == std::string::npos) {
    names.push_back(name);
  } else {
    std::vector<platform::DirEntry> entries;
    (void)platform::list_directory(folder, entries);
    for (const auto& e : entries) {
      if (core::glob_match(name, e.name, false)) names.push_back(e.name);
    }
    std::sort(names.begin(), names.end());
  }
  int64_t deleted = 0;
  for (const std::string& n : names) {
    std::string path = (folder == "/" ? "" : folder) + "/" + n;
    platform::FileFacts facts;
    if (platform::file_facts(path, facts, false) != 0) continue;
    if (facts.is_dir) {
      if (!nocomplain) platform::out(core::message_of(interp, Msg::FileIsDirectory, path, 0x10));
      continue;
    }
    if (int error = platform::remove_file(path)) {
      if (nocomplain) continue;
      if (verbose) {
        (void)core::fail(interp, Msg::FileUnlinkFailed, path, platform::error_text(error));
      }
      core::nuvelSetResult(interp, Value("0"));
      return core::fail(interp, Msg::FileNameNotFound, path);
    }
    ++deleted;
    if (verbose) platform::out(path + "\n");
  }
  return core::result_int(interp, deleted);
}

// --- Subcommands answered by the file command -----------------------------------

// The name part of a path: after the last "/" or "\".
std::string_view name_part(std::string_view path) {
  size_t sep = last_separator(path);
  return sep == std::string_view::npos ? path : path.substr(sep + 1);
}

Code sub_volumes(Interp& interp, int, Value*, void*) {
  core::nuvelSetResult(interp, Value("/"));
  return Code::Ok;
}

Code sub_exepath(Interp& interp, int, Value*, void*) {
  std::string exe = platform::executable_path();
  size_t sep = exe.find_last_of('/');
  core::nuvelSetResult(interp, Value(sep == std::string::npos ? std::string()
                                     : sep == 0               ? std::string("/")
                                                              : exe.substr(0, sep)));
  return Code::Ok;
}

// file attributes name: the name's attributes as option/value pairs; empty
// for a missing name or one whose name part holds "*" or "?".
Code sub_attributes(Interp& interp, int, Value* argv, void*) {
  std::string path = file_word(argv[2]);
  std::string_view name = name_part(path);
  platform::FileFacts facts;
  if (name.find_first_of("*?") != std::string_view::npos ||
      platform::file_facts(path, facts) != 0) {
    core::nuvelResetResult(interp);
    return Code::Ok;
  }
  bool hidden = !name.empty() && name[0] == '.';
  bool readonly = !platform::may_access(path, 'w');
  std::string out = "-archive 0 -hidden ";
  out += hidden ? "1" : "0";
  out += " -system 0 -readonly ";
  out += readonly ? "1" : "0";
  out += " -longname";
  core::list_append_element(out, name.empty() ? std::string_view(path) : name);
  out += " -shortname {}";
  core::nuvelSetResult(interp, Value(std::move(out)));
  return Code::Ok;
}

// file dirname name: the text before the last separator ("/" for a name
// directly under the root, empty when there is no separator).
Code sub_dirname(Interp& interp, int, Value* argv, void*) {
  std::string_view path = argv[2].view();
  size_t sep = last_separator(path);
  std::string_view out = sep == std::string_view::npos ? std::string_view()
                         : sep == 0                    ? path.substr(0, 1)
                                                       : path.substr(0, sep);
  core::nuvelSetResult(interp, Value(out));
  return Code::Ok;
}

// The extension of a name part: from its last dot on.
std::string_view extension_of(std::string_view name) {
  if (name == "." || name == "..") return {};
  size_t dot = name.rfind('.');
  return dot == std::string_view::npos ? std::string_view() : name.substr(dot);
}

Code sub_executable(Interp& interp, int, Value* argv, void*) {
  std::string_view path = argv[2].view();
  platform::FileFacts facts;
  if (platform::file_facts(path, facts) != 0) {
    core::nuvelResetResult(interp);
    return Code::Ok;
  }
  std::string_view ext = extension_of(name_part(path));
  bool by_name = core::iequals(ext, ".com") || core::iequals(ext, ".exe") ||
                 core::iequals(ext, ".bat") || core::iequals(ext, ".cmd");
  return core::result_bool(interp, by_name || (!facts.is_dir && platform::may_access(path, 'x')));
}

Code sub_extension(Interp& interp, int, Value* argv, void*) {
  core::nuvelSetResult(interp, Value(extension_of(name_part(argv[2].view()))));
  return Code::Ok;
}

Code sub_isroot(Interp& interp, int, Value* argv, void*) {
  std::string_view p = argv[2].view();
  return core::result_bool(
      interp, (p.size() == 1 && is_separator(p[0])) || (p.size() == 2 && is_separator(p[1])));
}

Code sub_name(Interp& interp, int, Value* argv, void*) {
  std::string_view name = name_part(argv[2].view());
  if (name == "." || name == "..") name = {};
  core::nuvelSetResult(interp, Value(name));
  return Code::Ok;
}

Code sub_normalize(Interp& interp, int, Value* argv, void*) {
  core::nuvelSetResult(interp, Value(platform::absolute_path(file_word(argv[2]))));
  return Code::Ok;
}

Code sub_readable(Interp& interp, int, Value* argv, void*) {
  return core::result_bool(interp, platform::may_access(file_word(argv[2]), 'r'));
}

Code sub_writeable(Interp& interp, int, Value* argv, void*) {
  return core::result_bool(interp, platform::may_access(argv[2].view(), 'w'));
}

// file split name: a list of four: drive (always empty here), folder (with
// its trailing separator), base name and extension; empty parts are "{}".
Code sub_split(Interp& interp, int, Value* argv, void*) {
  std::string_view path = argv[2].view();
  size_t sep = last_separator(path);
  std::string_view folder =
      sep == std::string_view::npos ? std::string_view() : path.substr(0, sep + 1);
  std::string_view name = sep == std::string_view::npos ? path : path.substr(sep + 1);
  std::string_view ext = extension_of(name);
  std::string_view base = name.substr(0, name.size() - ext.size());
  Value parts[4] = {Value(), Value(folder), Value(base), Value(ext)};
  core::nuvelSetResult(interp, Value(core::list_write(std::span<const Value>(parts, 4))));
  return Code::Ok;
}

// file stat name varName: fills a new array with the stat() figures.
Code sub_stat(Interp& interp, int, Value* argv, void*) {
  std::string_view var = argv[3].view();
  if (vars::var_exists(interp, var)) return core::fail(interp, Msg::FileVarExists, var);
  platform::FileFacts f;
  if (platform::file_facts(argv[2].view(), f) != 0) return core::result_bool(interp, false);
  const std::pair<const char*, std::string> items[] = {
      {"atime", std::to_string(f.atime)}, {"ctime", std::to_string(f.ctime)},
      {"dev", std::to_string(f.dev)},     {"gid", std::to_string(f.gid)},
      {"ino", std::to_string(f.ino)},     {"mode", std::to_string(f.mode)},
      {"mtime", std::to_string(f.mtime)}, {"nlink", std::to_string(f.nlink)},
      {"size", std::to_string(f.size)},   {"drive", "/"},
      {"rdev", std::to_string(f.rdev)},   {"uid", std::to_string(f.uid)},
  };
  for (const auto& [key, value] : items) {
    if (vars::nuvelArraySetElement(interp, var, key, Value(value), false, false) != 0) {
      return core::fail(interp, Msg::ArrayElementError, var);
    }
  }
  return core::result_bool(interp, true);
}

// file pathcount name: the number of non-empty components (escapes are
// always translated first; "/" and "\" both separate).
Code sub_pathcount(Interp& interp, int, Value* argv, void*) {
  std::string path = forward_slashes(core::nuvelUnescape(argv[2].view()));
  int64_t count = 0;
  size_t at = 0;
  while (at < path.size()) {
    size_t slash = path.find('/', at);
    if (slash == std::string::npos) slash = path.size();
    if (slash > at) ++count;
    at = slash + 1;
  }
  return core::result_int(interp, count);
}

// file type name: "file", "directory" or "link" (a symbolic link, or a name
// ending in ".lnk"); empty when the name does not exist.
Code sub_type(Interp& interp, int, Value* argv, void*) {
  std::string_view path = argv[2].view();
  platform::FileFacts facts;
  const char* type = "";
  if (platform::file_facts(path, facts, false) == 0) {
    std::string_view ext = extension_of(name_part(path));
    type = facts.is_link || core::iequals(ext, ".lnk") ? "link"
           : facts.is_dir                              ? "directory"
                                                       : "file";
  }
  core::nuvelSetResult(interp, Value(type));
  return Code::Ok;
}

// file runtype name ?-v?: 6 ("64bit") or 0 ("32bit") for ELF programs,
// -1 ("unknown") for other files.
Code sub_runtype(Interp& interp, int argc, Value* argv, void*) {
  bool names = false;
  if (argc == 4) {
    if (!core::iequals(argv[3].view(), "-v"))
      return core::fail(interp, Msg::UnknownSubOption, argv[3]);
    names = true;
  }
  platform::FileFacts facts;
  int elf = -1;
  if (platform::file_facts(argv[2].view(), facts) == 0 && !facts.is_dir) {
    elf = platform::elf_class(argv[2].view());
  }
  if (elf < 0) return core::fail(interp, Msg::FileCheckError);
  if (names) {
    core::nuvelSetResult(interp, Value(elf == 64 ? "64bit" : elf == 32 ? "32bit" : "unknown"));
    return Code::Ok;
  }
  return core::result_int(interp, elf == 64 ? 6 : elf == 32 ? 0 : -1);
}

// file pathstrip name count ?-unix?: the path without its last `count`
// components, "/"-separated; empty when it has fewer separators.
Code sub_pathstrip(Interp& interp, int argc, Value* argv, void*) {
  if (argc == 5 && !core::iequals(argv[4].view(), "-unix")) {
    return core::fail(interp, Msg::UnknownSubOption, argv[4]);
  }
  std::string_view in = argv[2].view();
  std::string path;
  for (size_t i = 0; i < in.size(); ++i) {
    if (in[i] == '\\') {
      if (i + 1 < in.size() && in[i + 1] == '\\') ++i;
      path.push_back('/');
    } else {
      path.push_back(in[i]);
    }
  }
  while (!path.empty() && (path.back() == ' ' || path.back() == '\t')) path.pop_back();
  if (!path.empty() && path.back() == '/') path.pop_back();
  int64_t count = core::leading_int(argv[3].view());
  if (count > 0) {
    int64_t seen = 0;
    size_t cut = std::string::npos;
    for (size_t i = path.size(); i-- > 0;) {
      if (path[i] == '/' && ++seen == count) {
        cut = i;
        break;
      }
    }
    path = cut == std::string::npos ? std::string() : path.substr(0, cut);
  }
  core::nuvelSetResult(interp, Value(core::nuvelEscape(path)));
  return Code::Ok;
}

// file resolve name ?component? ?-addslash? ?-unix?: the full path of the
// name (the current folder for an empty name), with the component appended,
// or with a trailing "/" only under -addslash.
Code sub_resolve(Interp& interp, int argc, Value* argv, void*) {
  std::string_view name = argv[2].view();
  int at = 3;
  std::string component;
  bool have_component = false;
  if (at < argc && !core::iequals(argv[at].view(), "-addslash") &&
      !core::iequals(argv[at].view(), "-unix")) {
    if (argv[at].view() != "-") {
      component = std::string(argv[at].view());
      have_component = true;
    }
    ++at;
  }
  bool addslash = false;
  for (; at < argc; ++at) {
    if (core::iequals(argv[at].view(), "-addslash")) {
      addslash = true;
    } else if (!core::iequals(argv[at].view(), "-unix")) {
      return core::fail(interp, Msg::UnknownSubOption, argv[at]);
    }
  }
  std::string path =
      platform::absolute_path(name.empty() ? std::string(".") : forward_slashes(name));
  if (have_component) {
    path = path.empty() ? component : (path == "/" ? "" : path) + "/" + component;
  } else if (addslash) {
    if (!path.empty() && path.back() != '/') path.push_back('/');
  }
  core::nuvelSetResult(interp, Value(std::move(path)));
  return Code::Ok;
}

// file crc name ...: runs file_crc, which the CRC plug-in library adds.
Code sub_crc(Interp& interp, int argc, Value* argv, void*) {
  if (core::nuvelGetCommand(interp, "file_crc") == nullptr) {
    return core::fail(interp, Msg::FileCrcNotLoaded);
  }
  std::vector<Value> words(argv + 1, argv + argc);
  words[0] = Value("file_crc");
  return core::nuvelCallCommand(interp, static_cast<int>(words.size()), words.data());
}

// Subcommands that run another command with the words after "file".
Code sub_delegate(Interp& interp, int argc, Value* argv, void*) {
  std::string_view sub = argv[1].view();
  if (core::iequals(sub, "seek")) {
    ScopedRestore<int> keep_argc(interp.command_argc, argc - 1);
    ScopedRestore<const Value*> keep_argv(interp.command_argv, argv + 1);
    return nuvelStreamSeek(interp, argc - 1, argv + 1);
  }
  std::string command = core::iequals(sub, "rename") ? "ren"
                        : core::iequals(sub, "size") ? "filesize"
                                                     : std::string(sub);
  for (char& c : command) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  core::CommandRecord* rec = core::nuvelGetCommand(interp, command);
  if (rec == nullptr) return core::fail(interp, Msg::FileInvalidCommand, sub);
  core::CommandHandler handler = rec->handler;
  void* data = rec->data;
  std::shared_ptr<void> keep = rec->owner;
  int words = argc - 1;
  if (words < rec->min_words || (rec->max_words >= 0 && words > rec->max_words)) {
    return core::nuvelWrongArgs(interp, words, argv + 1);
  }
  return run_as_command(interp, handler, data, argc, argv);
}

// Subcommands that run one of the shared operations.
Code sub_operation(Interp& interp, int argc, Value* argv, void*) {
  std::string_view sub = argv[1].view();
  core::CommandHandler op = core::iequals(sub, "exists")        ? op_exists
                            : core::iequals(sub, "isfile")      ? op_isfile
                            : core::iequals(sub, "isdirectory") ? op_isdirectory
                            : core::iequals(sub, "mkdir")       ? op_mkdir
                            : core::iequals(sub, "normal_path") ? op_normal_path
                            : core::iequals(sub, "md5")         ? op_md5
                                                                : op_delete;
  return run_as_command(interp, op, nullptr, argc, argv);
}

// file subcommand ?argument ...?
Code nuvelCommandFile(Interp& interp, int argc, Value* argv, void*);

constexpr core::EnsembleRow kFileRows[] = {
    {"open", sub_delegate, 3, core::kAnyWords, "filename ?mode?"},
    {"close", sub_delegate, 3, core::kAnyWords, "handle"},
    {"eof", sub_delegate, 3, core::kAnyWords, "stream"},
    {"flush", sub_delegate, 3, core::kAnyWords, "stream"},
    {"gets", sub_delegate, 3, core::kAnyWords, "stream ?varName? ?-length n?"},
    {"rewind", sub_delegate, 3, core::kAnyWords, "stream"},
    {"tell", sub_delegate, 3, core::kAnyWords, "stream"},
    {"seek", sub_delegate, 3, core::kAnyWords, "stream offset ?origin?"},
    {"rename", sub_delegate, 3, core::kAnyWords, "oldname newname"},
    {"size", sub_delegate, 3, core::kAnyWords, "filename"},
    {"delete", sub_operation, 3, 5, "pattern ?-verbose? ?-nocomplain?"},
    {"unlink", sub_operation, 3, 5, "pattern ?-verbose? ?-nocomplain?"},
    {"exists", sub_operation, 3, 3, "name"},
    {"isfile", sub_operation, 3, 3, "name"},
    {"isdirectory", sub_operation, 3, 3, "name"},
    {"mkdir", sub_operation, 3, 3, "name"},
    {"normal_path", sub_operation, 3, 3, "name"},
    {"md5", sub_operation, 3, 3, "name"},
    {"volumes", sub_volumes, 2, 2, ""},
    {"exepath", sub_exepath, 2, 2, ""},
    {"attributes", sub_attributes, 3, 3, "name"},
    {"dirname", sub_dirname, 3, 3, "name"},
    {"executable", sub_executable, 3, 3, "name"},
    {"extension", sub_extension, 3, 3, "name"},
    {"isroot", sub_isroot, 3, 3, "name"},
    {"name", sub_name, 3, 3, "name"},
    {"normalize", sub_normalize, 3, 3, "name"},
    {"readable", sub_readable, 3, 3, "name"},
    {"writeable", sub_writeable, 3, 3, "name"},
    {"split", sub_split, 3, 3, "name"},
    {"stat", sub_stat, 4, 4, "name varName"},
    {"pathcount", sub_pathcount, 3, 3, "name"},
    {"type", sub_type, 3, 3, "name"},
    {"runtype", sub_runtype, 3, 4, "name ?-v?"},
    {"pathstrip", sub_pathstrip, 4, 5, "name count ?-unix?"},
    {"resolve", sub_resolve, 3, 6, "name ?component? ?-addslash? ?-unix?"},
    {"crc", sub_crc, 3, core::kAnyWords, "name"},
};

constexpr core::Ensemble kFileEnsemble{"file", kFileRows, Msg::FileInvalidCommand};

Code nuvelCommandFile(Interp& interp, int argc, Value* argv, void*) {
  return core::dispatch_ensemble(interp, kFileEnsemble, argc, argv);
}

constexpr core::CommandRow kFileCommands[] = {
    {"file", nuvelCommandFile, 2, core::kAnyWords, "subcommand ?argument ...?", core::kUnsafe},
    {"is_file", op_isfile, 2, 2, "name", core::kUnsafe},
    {"is_dir", op_isdirectory, 2, 2, "name", core::kUnsafe},
    {"mkdir", op_mkdir, 2, 2, "name", core::kUnsafe},
    {"md", op_mkdir, 2, 2, "name", core::kUnsafe},
    {"normal_path", op_normal_path, 2, 2, "name", core::kUnsafe},
    {"md5_file", op_md5, 2, 2, "name", core::kUnsafe},
    {"unlink", op_delete, 2, 4, "pattern ?-verbose? ?-nocomplain?", core::kUnsafe},
};

}  // namespace

[[gnu::section(".text.startup.register")]] void register_file_cmds(Interp& interp) {
  core::register_rows(interp, kFileCommands);
  core::register_ensemble(interp, kFileEnsemble);
}

}  // namespace syslib
