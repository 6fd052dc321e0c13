// The preprocessing entry point for script files, the embedded script and
// the other callers: a run of the main scan and the optimising walk, and the
// messages that turn its counters into a result code.
#include <climits>

#include "core/guards.h"
#include "core/messages.h"
#include "core/nuvel.h"
#include "core/switches.h"
#include "mpp/mpp.h"
#include "mpp/optimise.h"
#include "mpp/scanner.h"
#include "platform/console.h"

namespace mpp {

namespace {

constexpr const char* kErrorNames[] = {"Premature EOF",
                                       "#if(def) without matching #endif, or nested #if(def)",
                                       "Unexpected #endif",
                                       "Invalid Hex or Octal escape sequence",
                                       "Mismatched double quotes",
                                       "{} brace mismatch",
                                       "[] bracket mismatch",
                                       "() bracket mismatch",
                                       "Empty return string",
                                       "Unhandled error",
                                       "Unknown error"};
constexpr int kErrorNameCount = static_cast<int>(sizeof kErrorNames / sizeof kErrorNames[0]);

std::string trimmed(std::string text) {
  constexpr std::string_view kBlank = " \t\r\n";
  size_t b = text.find_first_not_of(kBlank);
  if (b == std::string::npos) return {};
  size_t e = text.find_last_not_of(kBlank);
  if (b == 0 && e + 1 == text.size()) return text;
  return text.substr(b, e - b + 1);
}

void near_line(const Counters& c) {
  if (c.error_line != 0) platform::out(core::text_of(core::Msg::MppNearLine, c.error_line));
}

}  // namespace

const char* error_name(int index) {
  return index >= 0 && index < kErrorNameCount ? kErrorNames[index]
                                               : kErrorNames[kErrorNameCount - 1];
}

std::optional<std::string> mpp_pass(core::Interp& interp, std::string_view text, bool evaluate,
                                    std::string_view file_name, Counters& counters) {
  counters = Counters{};
  if (text.empty()) return std::string();
  // #if and #exec texts must not start operating-system commands.
  core::ScopedRestore<uint16_t> autoexec_off(core::switches().autoexec, uint16_t{0});
  Scanner scanner(interp, text, evaluate, file_name, counters);
  if (!scanner.run()) return std::nullopt;
  std::string out = scanner.take_output();
  if (!optimise(interp, out, scanner.macros())) return std::nullopt;
  return trimmed(std::move(out));
}

int32_t report(const Counters& c, bool have_text) {
  if (c.error_line != 0) platform::out(core::text_of(core::Msg::MppErrorNearLine, c.error_line));
  if (c.exit_requested) return kExitRequested;
  if (c.open_comment_line != 0) {
    platform::out(core::text_of(core::Msg::MppCommentMismatch, c.open_comment_line));
    return kCommentMismatch;
  }
  if (c.if_depth > 0) {
    platform::out(
        core::text_of(core::Msg::MppIfWithoutEndif, error_name(1), c.last_directive_line));
    return kIfWithoutEndif;
  }
  if (c.if_depth < 0) {
    platform::out(
        core::text_of(core::Msg::MppDirectiveNearLine, error_name(2), c.last_directive_line));
    return kUnexpectedEndif;
  }
  if (c.bad_escape) {
    platform::out(core::text_of(core::Msg::MppNamedNearLine, error_name(3), c.line + 1));
    return kBadEscape;
  }
  if ((c.quotes & 1) != 0) {
    platform::out(core::text_of(core::Msg::MppQuoteCount, error_name(4), c.quotes));
    return kQuoteMismatch;
  }
  if (c.brace_open != c.brace_close) {
    near_line(c);
    bool more_open = c.brace_open > c.brace_close;
    long excess = more_open ? c.brace_open - c.brace_close : c.brace_close - c.brace_open;
    platform::out(core::text_of(core::Msg::MppTooManyBraces, excess, more_open ? '{' : '}',
                                c.open_brace_line, c.last_close_brace_line));
    return kBraceMismatch;
  }
  if (c.bracket_open != c.bracket_close) {
    near_line(c);
    bool more_open = c.bracket_open > c.bracket_close;
    long excess = more_open ? c.bracket_open - c.bracket_close : c.bracket_close - c.bracket_open;
    platform::out(core::text_of(core::Msg::MppTooManyBrackets, excess, more_open ? '[' : ']',
                                more_open ? ']' : '[',
                                more_open ? c.last_open_bracket_line : c.last_close_bracket_line));
    return kBracketMismatch;
  }
  if (c.paren_open != c.paren_close) {
    near_line(c);
    bool more_open = c.paren_open > c.paren_close;
    long excess = more_open ? c.paren_open - c.paren_close : c.paren_close - c.paren_open;
    platform::out(core::text_of(core::Msg::MppTooManyParens, excess, more_open ? '(' : ')'));
    return kParenMismatch;
  }
  if (!have_text) return kNoText;
  if (c.error_line != 0) {
    platform::out(core::text_of(core::Msg::MppUnhandledNearLine, error_name(9), c.error_line));
    return kUnhandled;
  }
  return 0;
}

}  // namespace mpp

namespace core {

int mpp_preprocess(Interp& interp, std::string& text, bool evaluate, std::string_view file_name) {
  if (text.empty()) return 0;
  mpp::Counters counters;
  std::optional<std::string> out = mpp::mpp_pass(interp, text, evaluate, file_name, counters);
  int32_t rc = mpp::report(counters, out.has_value());
  if (out) {
    text = std::move(*out);
  } else {
    text.clear();
  }
  if (rc != 0) return rc;
  return text.size() > static_cast<size_t>(INT_MAX) ? INT_MAX : static_cast<int>(text.size());
}

}  // namespace core
