// Stream commands: puts, and the open-stream set behind file handles.
#include "core/builtins.h"
#include "core/cmd_helpers.h"
#include "core/switches.h"
#include "platform/console.h"
#include "syslib/streams.h"

namespace syslib {

using core::Code;
using core::CommandSpec;
using core::Interp;
using core::Value;

StreamTable& StreamTable::instance() {
  static StreamTable table;
  return table;
}

long StreamTable::add(std::FILE* file) {
  long h = next_++;
  entries_.push_back({h, file});
  return h;
}

std::FILE* StreamTable::get(long handle) const {
  for (const Entry& e : entries_) {
    if (e.handle == handle) return e.file;
  }
  return nullptr;
}

bool StreamTable::close(long handle) {
  for (auto it = entries_.begin(); it != entries_.end(); ++it) {
    if (it->handle == handle) {
      std::FILE* f = it->file;
      entries_.erase(it);
      return std::fclose(f) == 0;
    }
  }
  return false;
}

void StreamTable::close_all() {
  for (const Entry& e : entries_) std::fclose(e.file);
  entries_.clear();
}

StreamTable::~StreamTable() { close_all(); }

long parse_handle(std::string_view word) { return static_cast<long>(core::leading_int(word)); }

namespace {

// puts ?-nonewline? ?stream? text  |  puts ?stream? text ?-nonewline?
// Results: empty.
// Side effects: writes the text (escapes translated while escape is on) and a
// line end unless suppressed.
Code nuvelCommandPuts(Interp& interp, int argc, Value* argv, void*) {
  if (argc < 2) return Code::Ok;
  int first = 1;
  int last = argc - 1;
  bool newline = true;
  if (core::iequals(argv[last].view(), "-nonewline")) {
    newline = false;
    --last;
  } else if (core::iequals(argv[first].view(), "-nonewline")) {
    newline = false;
    ++first;
  }
  long remaining = last - first + 1;
  if (remaining >= 4) {
    core::nuvelSetError(&interp, "%s: Too many arguments (%li)\n", argv[0].c_str(), remaining);
    return Code::Error;
  }
  if (remaining < 1) return Code::Ok;
  enum { kStdout, kStderr, kFile } target = kStdout;
  std::FILE* file = nullptr;
  std::string_view text = argv[first].view();
  if (remaining >= 2) {
    std::string_view stream = argv[first].view();
    text = argv[first + 1].view();
    if (core::iequals(stream, "stderr")) {
      target = kStderr;
    } else if (core::iequals(stream, "stdout") || core::iequals(stream, "stdin")) {
      target = kStdout;
    } else {
      long handle = parse_handle(stream);
      file = handle >= 1 ? StreamTable::instance().get(handle) : nullptr;
      if (!file) {
        core::nuvelSetError(&interp, "%s: Invalid stream handle '%li'\n", argv[0].c_str(), handle);
        return Code::Error;
      }
      target = kFile;
    }
  }
  std::string out = core::switches().escape ? core::nuvelUnescape(text) : std::string(text);
  if (newline) out.push_back('\n');
  if (target == kFile) {
    std::fwrite(out.data(), 1, out.size(), file);
  } else if (target == kStderr) {
    platform::err(out);
  } else {
    platform::out(out);
  }
  core::nuvelResetResult(interp);
  return Code::Ok;
}

const CommandSpec kStreamCommands[] = {
    {"puts", nuvelCommandPuts},
};

}  // namespace

void register_stream_cmds(Interp& interp) { core::nuvelRegisterFamily(interp, kStreamCommands); }

}  // namespace syslib
