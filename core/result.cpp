// Results, error reports and the wrong-argument table. Errors are reported when
// they happen: the message goes to ::errorMsg and is echoed on the console.
#include <array>
#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "core/cmd_helpers.h"
#include "core/nuvel.h"
#include "core/switches.h"
#include "core/var.h"
#include "platform/console.h"

namespace core {

long g_line_marker = 0;

namespace {

const char* const kCodeNames[] = {"ok",   "error", "return", "break",  "continue",
                                  "exit", "stop",  "goto",   "defined"};

const char* const kStatusText[] = {"No error",
                                   "Syntax error",
                                   "Expected integer",
                                   "Stack overflow",
                                   "Error calling Velement",
                                   "Memory allocation",
                                   "Can't unset a struct member",
                                   "Error"};

void trim_line_ends(std::string& s) {
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
}

// Remembers the last report of an interpreter, so catch can hand its message
// to the script when the failing command left no result.
void note_report(Interp* interp, std::string_view message) {
  if (!interp) return;
  interp->last_report = std::string(message);
  ++interp->report_serial;
}

// Prints the call history, newest entry first.
void print_history() {
  const auto& h = process().call_history;
  platform::out("\n");
  for (size_t k = h.size(); k-- > 0;) {
    std::string entry = h[k];
    while (!entry.empty() && (entry.back() == '\r' || entry.back() == '\n' ||
                              entry.back() == '\t' || entry.back() == ' ')) {
      entry.pop_back();
    }
    bool newest = k + 1 == h.size();
    platform::set_attribute(newest ? 14 : 6);
    platform::out(newest ? "   At:" : "   In:");
    platform::reset_attribute();
    platform::out(" ");
    platform::out(entry.empty() ? std::string_view("[unknown]") : std::string_view(entry));
    platform::out("\n");
  }
}

// The shared report. Returns whether the message was shown.
bool report(Interp* interp, std::string message, bool line_end) {
  if (message.size() > 1023) message.resize(1023);
  trim_line_ends(message);
  // A failure to store the message is reported by the report already under
  // way; reporting it again here would recurse.
  if (interp && interp->storing_report) return false;
  if (interp) {
    interp->storing_report = true;
    (void)vars::set_var(*interp, "::errorMsg", Value(message));
    interp->storing_report = false;
  }
  note_report(interp, message);
  if (interp) interp->last_report_shown = false;
  Switches& sw = switches();
  if (sw.quiet) {
    sw.quiet = 0;
    return false;
  }
  if (!(sw.single_step || sw.debug || sw.verbose) || !platform::console_open()) return false;
  if (interp) interp->last_report_shown = true;
  platform::reset_attribute();
  if (sw.single_step) {
    platform::set_attribute(224);
    platform::out("Breakpoint ");
  } else if (sw.stacktrace) {
    platform::out("Error: ");
  }
  platform::out(message);
  if (!line_end) return true;
  platform::out("\n");
  if (sw.stacktrace) print_history();
  platform::reset_attribute();
  platform::out("\n");
  return true;
}

}  // namespace

// --- Results ------------------------------------------------------------------------

void nuvelSetResultInt(Interp& interp, int64_t v) {
  nuvelSetResult(interp, Value::from_int(v));
}

const char* code_name(int code) {
  return code >= 0 && code <= 8 ? kCodeNames[code] : "Unhandled error";
}

const char* nuvelResultCodeName(Interp& interp, int code) {
  if (code < 0 || code > 8) return "Unhandled error";
  (void)vars::set_var(interp, "::errorCode", Value::from_int(code));
  return kCodeNames[code];
}

// --- Reports ------------------------------------------------------------------------

void nuvelSetError(Interp* interp, const char* format, ...) {
  if (format == nullptr || *format == '\0') return;
  char buf[1024];
  va_list args;
  va_start(args, format);
  vsnprintf(buf, sizeof buf, format, args);
  va_end(args);
  report(interp, buf, true);
}

void nuvelSetErrorText(Interp* interp, std::string_view message) {
  if (message.empty()) return;
  report(interp, std::string(message), true);
}

bool report_error_inline(Interp* interp, std::string_view message) {
  return report(interp, std::string(message), false);
}

void nuvelSetErrorCode(Interp& interp, int status, const char* message) {
  Switches& sw = switches();
  bool valid = status >= 0 && status < 8;
  if (message) note_report(&interp, message);
  if (sw.quiet) {
    sw.quiet = 0;
  } else if ((sw.debug || sw.verbose) && message && valid) {
    platform::outf("%s: %s\n", message, kStatusText[status]);
  }
  (void)vars::set_var(interp, "::errorCode", Value::from_int(status));
  (void)vars::set_var(interp, "::errorMsg", Value(valid ? kStatusText[status] : "Error"));
}

void nuvelExceptionReport(const char* name, const char* message) {
  if (_pglobal_interp) {
    std::string text = name ? std::string(name) + ": " : std::string();
    text += message ? message : "Exception";
    note_report(_pglobal_interp, text);
  }
  Switches& sw = switches();
  if (!(sw.verbose || sw.debug)) return;
  platform::set_attribute(12);
  if (name) platform::outf("\nException in '%s' at line %li", name, g_line_marker);
  if (message && *message) platform::outf(" (%s)", message);
  platform::reset_attribute();
  platform::out("\n");
}

Code nuvelWrongArgs(Interp& interp, int argc, Value* argv, const char* name) {
  platform::reset_attribute();
  if (argc > 1) {
    std::string_view last = argv[argc - 1].view();
    if (last == "/?" || iequals(last, "--help")) {
      if (CommandRecord* help = nuvelGetCommand(interp, "help")) {
        Value words[2] = {Value("help"), argv[0]};
        CommandHandler handler = help->handler;
        return handler(interp, 2, words, help->data);
      }
    }
  }
  if (argc < 1) return Code::Error;
  if (!switches().quiet) {
    platform::outf("Wrong number of args (%i) for '%.50s'\n\n", argc, argv[0].c_str());
    platform::out("Arg\tValue\n");
    for (int i = 0; i < argc; ++i) {
      platform::outf(argv[i].size() >= 30 ? "%i:\t%-.50s...\n" : "%i:\t%-.50s\n", i,
                     argv[i].c_str());
    }
    platform::outf("\nArguments may need enclosing [] {} or \"\". Try: help %s\n",
                   name ? name : argv[0].c_str());
  }
  (void)vars::set_var(interp, "::errorCode", Value("6"));
  (void)vars::set_var(interp, "::errorMsg", Value("Wrong number of arguments"));
  note_report(&interp, "Wrong number of arguments");
  return Code::Stop;
}

// --- Text routines ------------------------------------------------------------------

std::string nuvelUnescape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c != '\\' || i + 1 == text.size()) {
      out.push_back(c);
      continue;
    }
    char n = text[++i];
    switch (n) {
      case 'r':
        out.push_back('\r');
        break;
      case 'n':
        out.push_back('\n');
        break;
      case 't':
        out.push_back('\t');
        break;
      default:
        out.push_back(n);
        break;
    }
  }
  return out;
}

namespace {

// The characters nuvelEscape puts a backslash before.
constexpr std::array<bool, 256> kEscaped = [] {
  std::array<bool, 256> escaped{};
  for (unsigned char c : std::string_view("\\$[]{}")) escaped[c] = true;
  return escaped;
}();

}  // namespace

std::string nuvelEscape(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 8);
  // Runs without such a character are copied whole; each one found ends a
  // run and starts the next, after its backslash.
  size_t run = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (!kEscaped[static_cast<unsigned char>(text[i])]) continue;
    out.append(text.data() + run, i - run);
    out.push_back('\\');
    run = i;
  }
  out.append(text.data() + run, text.size() - run);
  return out;
}

// --- Handler helpers ----------------------------------------------------------------

bool iequals(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i];
    char y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

bool istarts_with(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && iequals(text.substr(0, prefix.size()), prefix);
}

int64_t leading_int(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool neg = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) neg = text[i++] == '-';
  uint64_t v = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    v = v * 10 + static_cast<uint64_t>(text[i] - '0');
  }
  return static_cast<int64_t>(neg ? 0 - v : v);
}

std::optional<int64_t> parse_int(std::string_view text) {
  size_t i = 0;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
  if (i == text.size()) return std::nullopt;
  for (size_t k = i; k < text.size(); ++k) {
    if (text[k] < '0' || text[k] > '9') return std::nullopt;
  }
  return leading_int(text);
}

int find_option(int argc, const Value* argv, std::string_view option, int from) {
  for (int i = from; i < argc; ++i) {
    if (iequals(argv[i].view(), option)) return i;
  }
  return -1;
}

int find_option_exact(int argc, const Value* argv, std::string_view option, int from) {
  for (int i = from; i < argc; ++i) {
    if (argv[i].view() == option) return i;
  }
  return -1;
}

int set_variable(Interp& interp, std::string_view name, const Value& value) {
  return vars::access_var(interp, name, &value, true);
}

}  // namespace core
