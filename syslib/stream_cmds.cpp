// Stream commands: puts, open, close, gets, read, eof, flush, tell, rewind and
// the seek operation, with the open-stream set behind file handles. Standard
// output goes through the console writer; standard input through the
// console's input buffer.
#include <algorithm>
#include <cerrno>
#include <cstring>

#include "core/cmd_helpers.h"
#include "core/switches.h"
#include "platform/console.h"
#include "platform/files.h"
#include "platform/system.h"
#include "syslib/streams.h"

namespace syslib {

using core::Code;
using core::CommandRow;
using core::Interp;
using core::kAnyWords;
using core::Value;

StreamTable& StreamTable::of(Interp& interp) {
  return interp.state<StreamTable>();
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

StreamTable::~StreamTable() {
  close_all();
}

long parse_handle(std::string_view word) {
  return static_cast<long>(core::leading_int(word));
}

namespace {

constexpr int64_t kDefaultLineLength = 4096;
constexpr size_t kReadChunk = 64 * 1024;
// Reading a stream to its end stops with an error beyond this many bytes.
constexpr size_t kReadAllLimit = core::kMaxTextLength;

// A stream word resolved: standard input or an open file.
struct StreamRef {
  bool is_stdin = false;
  long handle = 0;
  std::FILE* file = nullptr;
  bool valid() const { return is_stdin || file != nullptr; }
};

// "stdin" (any case, when allowed) or a handle of the open-stream set.
StreamRef resolve(Interp& interp, std::string_view word, bool allow_stdin) {
  StreamRef ref;
  if (allow_stdin && core::iequals(word, "stdin")) {
    ref.is_stdin = true;
    return ref;
  }
  ref.handle = parse_handle(word);
  if (ref.handle >= 1) ref.file = StreamTable::of(interp).get(ref.handle);
  return ref;
}

Code invalid_handle(Interp& interp) {
  return core::fail(interp, core::Msg::InvalidHandle);
}

// The message for a failed write to the console: no output descriptor at all,
// or a write that did not go through (full disk, reader gone).
Code console_write_failed(Interp& interp, int error) {
  return core::fail(interp,
                    error == EBADF ? core::Msg::ConsoleOpenFailed : core::Msg::ConsoleNotOpen);
}

// Reads one line: bytes up to a line feed, the end of input or `limit` kept
// characters; carriage returns are dropped and the line feed is not kept.
// False when the input had ended before the first byte.
template <class GetByte>
bool read_line(GetByte get_byte, int64_t limit, std::string& line) {
  line.clear();
  bool any = false;
  while (static_cast<int64_t>(line.size()) < limit) {
    int c = get_byte();
    if (c < 0) break;
    any = true;
    if (c == '\n') break;
    if (c != '\r') line.push_back(static_cast<char>(c));
  }
  return any;
}

// puts ?-nonewline? ?stream? text  |  puts ?stream? text ?-nonewline?
// Results: empty.
// Side effects: writes the text (escapes translated while escape is on) and a
// line end unless suppressed. Fails for an invalid stream handle and when the
// text cannot be written.
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
    return core::fail(interp, core::Msg::TooManyArguments, remaining);
  }
  if (remaining < 1) return Code::Ok;
  enum { kStdout, kStderr, kFile } target = kStdout;
  std::FILE* file = nullptr;
  long handle = 0;
  std::string_view text = argv[first].view();
  if (remaining >= 2) {
    std::string_view stream = argv[first].view();
    text = argv[first + 1].view();
    if (core::iequals(stream, "stderr")) {
      target = kStderr;
    } else if (core::iequals(stream, "stdout") || core::iequals(stream, "stdin")) {
      target = kStdout;
    } else {
      handle = parse_handle(stream);
      file = handle >= 1 ? StreamTable::of(interp).get(handle) : nullptr;
      if (!file) {
        return core::fail(interp, core::Msg::InvalidStreamHandle, handle);
      }
      target = kFile;
    }
  }
  std::string out = core::switches().escape ? core::nuvelUnescape(text) : std::string(text);
  if (newline) out.push_back('\n');
  core::nuvelResetResult(interp);
  if (target == kFile) {
    if (std::fwrite(out.data(), 1, out.size(), file) != out.size()) {
      std::clearerr(file);
      return core::fail(interp, core::Msg::StreamWriteFailed, handle);
    }
    return Code::Ok;
  }
  int stream = target == kStderr ? 2 : 1;
  if (target == kStderr) {
    platform::err(out);
  } else {
    platform::out(out);
  }
  if (int error = platform::take_write_error(stream)) return console_write_failed(interp, error);
  return Code::Ok;
}

// open filename ?mode?
// Results: the new stream handle, or "0" when the file cannot be opened.
// Side effects: opens the file with the C library's open call and the mode
// as given (default "rb"); the name has escapes translated while escape is on.
Code nuvelCommandOpen(Interp& interp, int argc, Value* argv, void*) {
  std::string name =
      core::switches().escape ? core::nuvelUnescape(argv[1].view()) : std::string(argv[1].view());
  std::string mode = argc > 2 ? std::string(argv[2].view()) : std::string("rb");
  std::FILE* file = nullptr;
  int error = EINVAL;
  // A NUL would cut the name or mode short and open something else.
  if (name.find('\0') == std::string::npos && mode.find('\0') == std::string::npos) {
    errno = 0;
    // A directory opens as a stream that fails every read: refuse it here.
    if (platform::path_is_directory(name)) {
      error = EISDIR;
    } else {
      file = std::fopen(name.c_str(), mode.c_str());
      error = errno;
    }
  }
  if (!file) {
    nuvelSetResult(interp, Value("0"));
    return core::fail(
        interp,
        error == EACCES || error == EPERM ? core::Msg::OpenAccessDenied : core::Msg::OpenFailed,
        name, mode);
  }
  return core::result_int(interp, StreamTable::of(interp).add(file));
}

// close handle
// Results: "1" when the stream closed cleanly, "0" when closing failed (for
// example when pending data could not be written).
// Side effects: the handle leaves the open-stream set. A handle that is not
// open (never opened, or closed already) fails with "<cmd>: Invalid handle".
Code nuvelCommandClose(Interp& interp, int argc, Value* argv, void*) {
  long handle = parse_handle(argv[1].view());
  if (handle < 1 || !StreamTable::of(interp).get(handle)) {
    nuvelSetResult(interp, Value("0"));
    return core::fail(interp, core::Msg::InvalidHandleCmd);
  }
  return core::result_bool(interp, StreamTable::of(interp).close(handle));
}

// gets ?stream? ?varName? ?-length n?
// Results: the line read (without its line end), or with varName the line's
// length; empty at end of input.
// Side effects: varName receives the line ("" at end of input). The stream is
// a handle, or "-" or "stdin" (the default) for standard input; "-" as
// varName means no variable. At most n characters are read (default 4096).
Code nuvelCommandGets(Interp& interp, int argc, Value* argv, void*) {
  StreamRef ref;
  ref.is_stdin = true;
  if (argc >= 2) {
    std::string_view word = argv[1].view();
    bool numeric = !word.empty() && ((word[0] >= '0' && word[0] <= '9') ||
                                     (word.size() > 1 && (word[0] == '-' || word[0] == '+') &&
                                      word[1] >= '0' && word[1] <= '9'));
    if (numeric) {
      ref = resolve(interp, word, false);
      if (!ref.valid()) return invalid_handle(interp);
    } else if (word != "-" && !core::iequals(word, "stdin")) {
      return core::fail(interp, core::Msg::UnknownStream, argv[1]);
    }
  }
  std::string var = argc >= 3 && argv[2].view() != "-" ? std::string(argv[2].view()) : "";
  int64_t limit = kDefaultLineLength;
  int at = core::find_option(argc, argv, "-length", 3);
  if (at > 0 && at + 1 < argc) limit = std::max<int64_t>(1, core::leading_int(argv[at + 1].view()));
  std::string line;
  bool got = ref.is_stdin ? read_line([] { return platform::stdin_getc(); }, limit, line)
                          : read_line([f = ref.file] { return std::getc(f); }, limit, line);
  if (ref.file && std::ferror(ref.file)) {
    // Reading a stream opened for writing only: nothing to read.
    std::clearerr(ref.file);
  }
  if (ref.is_stdin && platform::take_break_flag()) {
    // Ctrl+C while waiting for the line.
    (void)core::fail(interp, core::Msg::Interrupted);
    return Code::Stop;
  }
  if (!var.empty()) {
    if (core::set_variable(interp, var, got ? Value(line) : Value()) != 0) return Code::Error;
    if (!got) {
      core::nuvelResetResult(interp);
      return Code::Ok;
    }
    return core::result_int(interp, static_cast<int64_t>(line.size()));
  }
  nuvelSetResult(interp, got ? Value(std::move(line)) : Value());
  return Code::Ok;
}

// read handle ?count?
// Results: the bytes read, exactly (NUL bytes included): at most count bytes
// from the current position, or without a count the whole file from its
// start. Fails without a message for a count below 1, a handle of 0 and a
// read that returns nothing.
Code nuvelCommandRead(Interp& interp, int argc, Value* argv, void*) {
  long handle = parse_handle(argv[1].view());
  if (handle == 0) return Code::Error;
  StreamRef ref = resolve(interp, argv[1].view(), false);
  if (!ref.valid()) return invalid_handle(interp);
  std::FILE* f = ref.file;
  int64_t count = INT64_MAX;
  if (argc == 3) {
    count = core::leading_int(argv[2].view());
    if (count <= 0) return Code::Error;
  } else {
    std::rewind(f);
  }
  // What the file still holds bounds the first allocation; reading goes on in
  // pieces, so a huge count costs no more than the data that is there.
  std::string data;
  long at = std::ftell(f);
  if (at >= 0 && std::fseek(f, 0, SEEK_END) == 0) {
    long end = std::ftell(f);
    std::fseek(f, at, SEEK_SET);
    if (end > at) data.reserve(static_cast<size_t>(std::min<int64_t>(end - at, count)));
  }
  char chunk[kReadChunk];
  while (static_cast<int64_t>(data.size()) < count) {
    if (argc == 2 && data.size() >= kReadAllLimit) {
      // A stream that never ends (a device, an endless pipe) would take all
      // memory: reading everything stops at the limit.
      return core::fail(interp, core::Msg::ReadAllOverLimit, kReadAllLimit);
    }
    size_t want = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(sizeof chunk),
                                                        count - static_cast<int64_t>(data.size())));
    size_t n = std::fread(chunk, 1, want, f);
    data.append(chunk, n);
    if (n < want) break;
  }
  if (std::ferror(f)) std::clearerr(f);
  if (data.empty()) {
    core::nuvelResetResult(interp);
    return Code::Error;
  }
  nuvelSetResult(interp, Value(std::move(data)));
  return Code::Ok;
}

// eof stream
// Results: "1" when the stream's end-of-file indicator is set (for "stdin":
// when standard input has ended) or the handle is 0, else "0".
Code nuvelCommandEof(Interp& interp, int argc, Value* argv, void*) {
  StreamRef ref = resolve(interp, argv[1].view(), true);
  if (ref.is_stdin) return core::result_bool(interp, platform::stdin_at_end());
  if (ref.handle == 0) return core::result_bool(interp, true);
  if (!ref.valid()) return invalid_handle(interp);
  return core::result_bool(interp, std::feof(ref.file) != 0);
}

// flush ?stream?
// Results: "1" when everything written reached its destination, else "0".
// Side effects: writes out the stream's pending output (default stdout).
Code nuvelCommandFlush(Interp& interp, int argc, Value* argv, void*) {
  std::string_view word = argc > 1 ? argv[1].view() : std::string_view("stdout");
  if (core::iequals(word, "stdout") || core::iequals(word, "stderr")) {
    platform::flush();
    int stream = core::iequals(word, "stderr") ? 2 : 1;
    bool ok = platform::take_write_error(stream) == 0;
    // Nothing pending on a closed output is still no success.
    if (stream == 1 && !platform::console_open()) ok = false;
    return core::result_bool(interp, ok);
  }
  if (core::iequals(word, "stdin")) return core::result_bool(interp, true);
  StreamRef ref = resolve(interp, word, false);
  if (!ref.valid()) return invalid_handle(interp);
  return core::result_bool(interp, std::fflush(ref.file) == 0);
}

// The position of a resolved stream; -1 when it has none.
int64_t position(const StreamRef& ref) {
  return ref.is_stdin ? platform::stdin_tell() : static_cast<int64_t>(std::ftell(ref.file));
}

// tell stream
// Results: the current position ("-1" when the stream cannot tell).
Code nuvelCommandTell(Interp& interp, int argc, Value* argv, void*) {
  StreamRef ref = resolve(interp, argv[1].view(), true);
  if (!ref.valid()) return invalid_handle(interp);
  return core::result_int(interp, position(ref));
}

// rewind stream
// Results: "1" when the position is 0 afterwards, else "0".
// Side effects: moves to the start and clears the end-of-file indicator.
Code nuvelCommandRewind(Interp& interp, int argc, Value* argv, void*) {
  StreamRef ref = resolve(interp, argv[1].view(), true);
  if (!ref.valid()) return invalid_handle(interp);
  if (ref.is_stdin) {
    (void)platform::stdin_seek(0, 0);
  } else {
    std::rewind(ref.file);
  }
  return core::result_bool(interp, position(ref) == 0);
}

constexpr CommandRow kStreamCommands[] = {
    {"puts", nuvelCommandPuts, 1, kAnyWords, "?-nonewline? ?stream? text"},
    {"open", nuvelCommandOpen, 2, kAnyWords, "filename ?mode?", core::kUnsafe},
    {"close", nuvelCommandClose, 2, 2, "handle", core::kUnsafe},
    {"gets", nuvelCommandGets, 1, 5, "?stream? ?varName? ?-length n?", core::kUnsafe},
    {"read", nuvelCommandRead, 2, 3, "handle ?count?", core::kUnsafe},
    {"eof", nuvelCommandEof, 2, 2, "stream", core::kUnsafe},
    {"flush", nuvelCommandFlush, 1, 2, "?stream?"},
    {"tell", nuvelCommandTell, 2, 2, "stream"},
    {"rewind", nuvelCommandRewind, 2, 2, "stream", core::kUnsafe},
};

}  // namespace

Code nuvelStreamSeek(Interp& interp, int argc, Value* argv) {
  if (argc < 3 || argc > 4) return core::nuvelWrongArgs(interp, argc, argv);
  StreamRef ref = resolve(interp, argv[1].view(), true);
  if (!ref.valid()) return invalid_handle(interp);
  int64_t offset = core::leading_int(argv[2].view());
  int64_t origin = argc > 3 ? core::leading_int(argv[3].view()) : 0;
  int whence = origin <= 0 ? 0 : (origin == 1 ? 1 : 2);
  bool ok = ref.is_stdin
                ? platform::stdin_seek(offset, whence)
                : std::fseek(ref.file, static_cast<long>(offset),
                             whence == 0 ? SEEK_SET : (whence == 1 ? SEEK_CUR : SEEK_END)) == 0;
  return core::result_bool(interp, ok);
}

[[gnu::section(".text.startup.register")]] void register_stream_cmds(Interp& interp) {
  core::register_rows(interp, kStreamCommands);
}

}  // namespace syslib
