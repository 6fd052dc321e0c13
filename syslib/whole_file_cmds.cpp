// Whole-file commands: readfile, writefile, filesize, copyfile, movefile and
// ren. They work on file names, never on stream handles; every byte of a file
// is kept (NUL bytes and CR LF pairs included) and a write that fails is
// reported as a failure, never as success.
#include <algorithm>
#include <cerrno>
#include <string>
#include <vector>

#include "core/cmd_helpers.h"
#include "core/glob.h"
#include "core/var_store.h"
#include "platform/fs.h"
#include "syslib/path_text.h"

namespace syslib {
namespace {

using core::Code;
using core::Interp;
using core::Msg;
using core::Value;

std::string trim_right(std::string text, std::string_view chars) {
  while (!text.empty() && chars.find(text.back()) != std::string_view::npos) text.pop_back();
  return text;
}

// Stores the lines of a file as elements 0, 1, ... of an array. CR LF and
// LF line ends are both removed; a last line without a line end counts; a
// line of any length is one element. Stops after `max` stored lines when
// `max` > 0. Returns the number of elements stored, or -1 after a report.
int64_t read_lines_into(Interp& interp, const std::string& path, const std::string& array,
                        bool noblank, int64_t max, int& error) {
  int64_t stored = 0;
  bool failed = false;
  error = platform::read_file_lines(path, [&](std::string& line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
    if (noblank && line.empty()) return true;
    std::string index = std::to_string(stored);
    if (vars::nuvelArraySetElement(interp, array, index, Value(line), false, false) != 0) {
      failed = true;
      return false;
    }
    ++stored;
    return max <= 0 || stored < max;
  });
  if (failed) {
    (void)core::fail(interp, Msg::ArrayElementError, array);
    return -1;
  }
  return stored;
}

// readfile filename ?varName? ?-array? ?-noblank? ?-max n?
// Results: the file's bytes; with varName their count (the variable gets
// the bytes); with -array the number of lines stored as elements 0.. of the
// array varName. -max n reads at most n bytes, or stores at most n lines.
// Errors: a missing file; a file that exists but cannot be read (a folder,
// no permission) fails with the system's reason instead of reading as empty.
Code nuvelCommandReadfile(Interp& interp, int argc, Value* argv, void*) {
  std::string path = file_word(argv[1]);
  bool lines = false;
  bool noblank = false;
  int64_t max = 0;
  std::string var;
  bool have_var = false;
  for (int i = 2; i < argc; ++i) {
    std::string_view w = argv[i].view();
    if (core::iequals(w, "-array")) {
      lines = true;
    } else if (core::iequals(w, "-noblank")) {
      noblank = true;
    } else if (core::iequals(w, "-max")) {
      if (i + 1 >= argc) return core::nuvelWrongArgs(interp, argc, argv);
      max = std::max<int64_t>(0, core::leading_int(argv[++i].view()));
    } else if (!w.empty() && w[0] == '-') {
      return core::fail(interp, Msg::UnknownOption, w);
    } else if (!have_var) {
      var = std::string(w);
      have_var = true;
    } else {
      return core::nuvelWrongArgs(interp, argc, argv);
    }
  }
  if (lines && !have_var) return core::nuvelWrongArgs(interp, argc, argv);
  if (!platform::path_exists(path)) return core::fail(interp, Msg::FileNotFound, path);
  if (lines) {
    int error = 0;
    int64_t stored = read_lines_into(interp, path, var, noblank, max, error);
    if (stored < 0) return Code::Error;
    if (error) return core::fail(interp, Msg::FileCantRead, path, platform::error_text(error));
    return core::result_int(interp, stored);
  }
  std::string data;
  if (int error = platform::read_file_bytes(path, max > 0 ? max : -1, data)) {
    return core::fail(interp, Msg::FileCantRead, path, platform::error_text(error));
  }
  if (!have_var) {
    core::nuvelSetResult(interp, Value(std::move(data)));
    return Code::Ok;
  }
  auto count = static_cast<int64_t>(data.size());
  if (core::set_variable(interp, var, Value(std::move(data))) != 0) return Code::Error;
  return core::result_int(interp, count);
}

// Whether a word reads as a whole decimal number (a negative length is a
// value, not an option).
bool is_number(std::string_view w) {
  return core::parse_int(w).has_value();
}

// writefile filename text ?length? ?-append? ?-unescape? ?-var?
// Results: "1" when every byte reached the file. A file that cannot be
// opened or written (missing or read-only folder, full disk) gives "0" and
// an error naming the reason.
// -var: `text` names an ordinary variable whose value is written. A length
// above 0 writes that many leading bytes of the text.
Code nuvelCommandWritefile(Interp& interp, int argc, Value* argv, void*) {
  std::string_view path = argv[1].view();
  bool append = false;
  bool unescape = false;
  bool from_var = false;
  int64_t length = 0;
  bool have_length = false;
  for (int i = 3; i < argc; ++i) {
    std::string_view w = argv[i].view();
    if (core::iequals(w, "-append")) {
      append = true;
    } else if (core::iequals(w, "-unescape")) {
      unescape = true;
    } else if (core::iequals(w, "-var")) {
      from_var = true;
    } else if (!w.empty() && w[0] == '-' && !is_number(w)) {
      return core::fail(interp, Msg::UnknownOption, w);
    } else if (!have_length) {
      length = core::leading_int(w);
      have_length = true;
    } else {
      return core::nuvelWrongArgs(interp, argc, argv);
    }
  }
  Value source = argv[2];
  if (from_var) {
    std::string_view name = argv[2].view();
    std::optional<Value> value = vars::get_var_value(interp, name);
    vars::VarRef record = vars::lookup(interp, name);
    core::nuvelSetResult(interp, Value("0"));
    if (!value) return core::fail(interp, Msg::VariableNotFound, name);
    if (record && record.kind() != vars::VT_AUTO) {
      return core::fail(interp, Msg::FileNotOrdinaryVar, name);
    }
    source = *value;
  }
  // The bytes are written from the value itself unless escapes change them.
  std::string unescaped;
  std::string_view data = source.view();
  if (unescape) {
    unescaped = core::nuvelUnescape(data);
    data = unescaped;
  }
  if (length > 0 && static_cast<uint64_t>(length) < data.size()) {
    data = data.substr(0, static_cast<size_t>(length));
  }
  if (int error = platform::write_file_bytes(path, data, append)) {
    core::nuvelSetResult(interp, Value("0"));
    return core::fail(interp, Msg::FileCantWrite, path, platform::error_text(error));
  }
  return core::result_bool(interp, true);
}

// filesize filename
// Results: the size in bytes. A missing file gives "0" and an error.
Code nuvelCommandFilesize(Interp& interp, int, Value* argv, void*) {
  platform::FileFacts facts;
  if (platform::file_facts(argv[1].view(), facts) != 0) {
    core::nuvelSetResult(interp, Value("0"));
    return core::fail(interp, Msg::FileAccessing, "Error", argv[1]);
  }
  return core::result_int(interp, static_cast<int64_t>(facts.size));
}

// copyfile source target ?-y?
// Results: the number of files copied.
// The source is a file, a folder (all its files), or a folder and a name
// pattern with "*" and "?" ("*.*" matches every name). The target is a file
// name, or a folder when it exists as one or ends in "/" (created with every
// missing level). Folders inside the source are not copied. An existing
// target file is replaced only with -y, and then only once the new copy is
// complete; without -y it is left alone and not counted. A copy that fails
// ends the command with an error; files copied before it stay.
Code nuvelCommandCopyfile(Interp& interp, int argc, Value* argv, void*) {
  std::string source = trim_right(file_word(argv[1]), " \t\r\n");
  std::string target = trim_right(file_word(argv[2]), " \t\r\n");
  bool replace = false;
  if (argc == 4) {
    if (!core::iequals(argv[3].view(), "-y"))
      return core::fail(interp, Msg::UnknownOption, argv[3]);
    replace = true;
  }
  if (target.find_first_of("*?") != std::string::npos) {
    return core::fail(interp, Msg::FileTargetSpec, "Invalid", target);
  }
  if (source.empty()) return core::fail(interp, Msg::FileNotFound, source);
  std::string folder;
  std::string pattern = "*";
  if (is_separator(source.back()) || platform::is_directory(source)) {
    folder = platform::absolute_path(source);
  } else {
    size_t sep = source.find_last_of('/');
    folder = platform::absolute_path(sep == std::string::npos ? std::string_view(".")
                                     : sep == 0               ? std::string_view("/")
                                                : std::string_view(source).substr(0, sep));
    pattern = source.substr(sep == std::string::npos ? 0 : sep + 1);
    if (pattern == "*.*") pattern = "*";
  }
  bool wild = pattern.find_first_of("*?") != std::string::npos;
  std::string one = folder == "/" ? "/" + pattern : folder + "/" + pattern;
  if (!platform::is_directory(folder) || (!wild && !platform::path_exists(one))) {
    return core::fail(interp, Msg::FileNotFound, source);
  }
  bool to_folder = is_separator(target.back()) || platform::is_directory(target);
  // A trailing "\" marks a folder as "/" does; it is not part of its name.
  while (target.size() > 1 && target.back() == '\\') target.pop_back();
  std::string to = platform::absolute_path(target);
  if (to_folder) {
    if (int error = platform::make_directories(to)) {
      return core::fail(interp, Msg::FsCantCreate, target, platform::error_text(error));
    }
  }
  std::vector<platform::DirEntry> entries;
  if (int error = platform::list_directory(folder, entries)) {
    return core::fail(interp, Msg::FileCantRead, folder, platform::error_text(error));
  }
  std::sort(entries.begin(), entries.end(),
            [](const auto& a, const auto& b) { return a.name < b.name; });
  int64_t copied = 0;
  for (const platform::DirEntry& e : entries) {
    if (e.is_dir || !core::glob_match(pattern, e.name, false)) continue;
    std::string from = (folder == "/" ? "" : folder) + "/" + e.name;
    std::string dest = to_folder ? (to == "/" ? "" : to) + "/" + e.name : to;
    int error = platform::copy_file(from, dest, replace);
    if (error == EEXIST && !replace) continue;
    if (error) {
      core::nuvelSetResultInt(interp, copied);
      return core::fail(interp, Msg::FileCantCopy, from, dest, platform::error_text(error));
    }
    ++copied;
  }
  return core::result_int(interp, copied);
}

// movefile source target ?-overwrite?
// Results: "1" when moved, "0" when the system refused.
// A target that is a folder receives the source under its own name. An
// existing target is replaced only with -overwrite, atomically: the old
// target stays whole until the new one takes its place. Across file systems
// the source is copied and removed only after the copy is in place.
Code nuvelCommandMovefile(Interp& interp, int argc, Value* argv, void*) {
  std::string source = platform::absolute_path(file_word(argv[1]));
  std::string target = platform::absolute_path(file_word(argv[2]));
  bool replace = false;
  if (argc == 4) {
    if (!core::iequals(argv[3].view(), "-overwrite")) {
      return core::fail(interp, Msg::UnknownOption, argv[3]);
    }
    replace = true;
  }
  if (platform::is_directory(target)) {
    size_t sep = source.find_last_of('/');
    target = (target == "/" ? "" : target) + "/" + source.substr(sep + 1);
  }
  platform::FileFacts facts;
  if (source.empty() || platform::file_facts(source, facts, false) != 0) {
    return core::fail(interp, Msg::FileSourceNotFound, source);
  }
  if (!replace && platform::file_facts(target, facts, false) == 0) {
    return core::fail(interp, Msg::FileTargetExists, target);
  }
  return core::result_bool(interp, platform::move_path(source, target, replace) == 0);
}

// ren oldname newname
// Results: "1" on success, "0" on failure. Never replaces an existing file
// or folder; works across file systems as movefile does.
Code nuvelCommandRen(Interp& interp, int, Value* argv, void*) {
  return core::result_bool(interp, platform::move_path(argv[1].view(), argv[2].view(), false) == 0);
}

constexpr core::CommandRow kWholeFileCommands[] = {
    {"readfile", nuvelCommandReadfile, 2, 7, "filename ?varName? ?-array? ?-noblank? ?-max n?",
     core::kUnsafe},
    {"writefile", nuvelCommandWritefile, 3, 7,
     "filename text ?length? ?-append? ?-unescape? ?-var?", core::kUnsafe},
    {"filesize", nuvelCommandFilesize, 2, 2, "filename", core::kUnsafe},
    {"copyfile", nuvelCommandCopyfile, 3, 4, "source target ?-y?", core::kUnsafe},
    {"movefile", nuvelCommandMovefile, 3, 4, "source target ?-overwrite?", core::kUnsafe},
    {"ren", nuvelCommandRen, 3, 3, "oldname newname", core::kUnsafe},
};

}  // namespace

[[gnu::section(".text.startup.register")]] void register_whole_file_cmds(Interp& interp) {
  core::register_rows(interp, kWholeFileCommands);
}

}  // namespace syslib
