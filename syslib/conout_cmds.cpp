// Console output extras: echo, printf, newline, tab, clreol and logo. All of
// them write through the console writer, so their text lands in the screen
// model like any other output.
#include <string>

#include "core/cmd_helpers.h"
#include "core/switches.h"
#include "platform/console.h"
#include "syslib/console_layer.h"

namespace syslib {
namespace {

using core::Code;
using core::CommandRow;
using core::Interp;
using core::Msg;
using core::Value;

// The handler of the built-in `format`, taken when the family registers, so
// that printf formats exactly as format does even when a script renames or
// replaces that command.
struct ConoutState {
  core::CommandHandler format = nullptr;
};

std::string printable(std::string_view text) {
  return core::switches().escape ? core::nuvelUnescape(text) : std::string(text);
}

// Writes `count` copies of one character, in blocks so that a large count
// never builds one large text.
void repeat_char(char c, int64_t count) {
  const std::string block(4096, c);
  while (count > 0) {
    size_t n = count < 4096 ? static_cast<size_t>(count) : block.size();
    platform::out(std::string_view(block.data(), n));
    count -= static_cast<int64_t>(n);
  }
}

// echo ?-nonewline? ?word ...?
// Prints the words joined by single blanks and a line end (escapes
// translated as puts does). Result: empty.
Code nuvelCommandEcho(Interp& interp, int argc, Value* argv, void*) {
  int first = 1;
  bool newline = true;
  if (argc > 1 && core::iequals(argv[1].view(), "-nonewline")) {
    newline = false;
    first = 2;
  }
  std::string text;
  for (int i = first; i < argc; ++i) {
    if (i > first) text += ' ';
    text += printable(argv[i].view());
  }
  if (newline) text += '\n';
  core::nuvelResetResult(interp);
  platform::out(text);
  return Code::Ok;
}

// printf template ?arg ...?
// Prints what `format template ?arg ...?` gives, without a line end.
// Result: the number of bytes printed. Errors: those of format, under the
// name printf.
Code nuvelCommandPrintf(Interp& interp, int argc, Value* argv, void*) {
  core::CommandHandler format = interp.state<ConoutState>().format;
  if (format == nullptr) return core::fail(interp, Msg::InvalidArgumentBare);
  Code code = core::run_handler(interp, format, argc, argv);
  if (code != Code::Ok) return code;
  Value text = interp.result;
  platform::out(text.view());
  return core::result_int(interp, static_cast<int64_t>(text.view().size()));
}

// Most characters newline and tab write in one call: a count beyond it is
// a mistake that would otherwise fill the disk or hang the program.
constexpr int64_t kMaxRepeat = 1000000;

// The count word of newline and tab (default 1); nullopt when it is not a
// number or above the limit.
std::optional<int64_t> count_word(int argc, const Value* argv) {
  if (argc < 2) return 1;
  std::optional<int64_t> n = core::parse_int(argv[1].view());
  if (n && *n > kMaxRepeat) return std::nullopt;
  return n;
}

// newline ?count?: prints count line ends (none when count <= 0).
Code nuvelCommandNewline(Interp& interp, int argc, Value* argv, void*) {
  std::optional<int64_t> count = count_word(argc, argv);
  if (!count) return core::fail(interp, Msg::InvalidArgument, argv[1]);
  core::nuvelResetResult(interp);
  repeat_char('\n', *count);
  return Code::Ok;
}

// tab ?count?: prints count tab characters (none when count <= 0).
Code nuvelCommandTab(Interp& interp, int argc, Value* argv, void*) {
  std::optional<int64_t> count = count_word(argc, argv);
  if (!count) return core::fail(interp, Msg::InvalidArgument, argv[1]);
  core::nuvelResetResult(interp);
  repeat_char('\t', *count);
  return Code::Ok;
}

// clreol: clears from the cursor to the end of its line (a terminal only).
Code nuvelCommandClreol(Interp& interp, int, Value*, void*) {
  core::nuvelResetResult(interp);
  platform::clear_to_eol();
  return Code::Ok;
}

// logo: prints the product banner, the lines help starts with.
Code nuvelCommandLogo(Interp& interp, int, Value*, void*) {
  core::nuvelResetResult(interp);
  for (std::string_view line : banner_lines()) {
    platform::out(line);
    platform::out("\n");
  }
  return Code::Ok;
}

const CommandRow kConoutCommands[] = {
    {"echo", nuvelCommandEcho, 1, core::kAnyWords, "?-nonewline? ?word ...?"},
    {"printf", nuvelCommandPrintf, 2, core::kAnyWords, "template ?arg ...?"},
    {"newline", nuvelCommandNewline, 1, 2, "?count?"},
    {"tab", nuvelCommandTab, 1, 2, "?count?"},
    {"clreol", nuvelCommandClreol, 1, 1, ""},
    {"logo", nuvelCommandLogo, 1, 1, ""},
};

}  // namespace

[[gnu::section(".text.startup.register")]] void register_conout_cmds(Interp& interp) {
  // format is registered before this family (perhaps still in the batch).
  if (const core::CommandRecord* format = core::find_command_or_row(interp, "format");
      format != nullptr && !format->is_proc) {
    interp.state<ConoutState>().format = format->handler;
  }
  core::register_rows(interp, kConoutCommands);
}

}  // namespace syslib
