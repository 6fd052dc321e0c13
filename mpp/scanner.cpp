// The main scan of the preprocessor. At each position the first rule that
// applies is used:
//   1. "/*" outside a string starts a comment, dropped up to "*/";
//   2. blanks outside a string before a line end or a directive are dropped;
//   3. a macro word outside a string, where a word starts, is replaced;
//   4. #else and #endif outside a string, in every state;
//   5. while skipping a false conditional block, everything else is dropped;
//   6. backslash: line joining and escape translation;
//   7. LF counts a line (and checks the quote count);
//   8. '#' outside a string begins a directive;
//   9. any other character is copied and counted.
#include "mpp/scanner.h"

#include "core/cmd_helpers.h"
#include "core/switches.h"
#include "platform/console.h"
#include "platform/system.h"

namespace mpp {

namespace {

bool is_hex(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return c - 'A' + 10;
}
bool is_octal(char c) {
  return c >= '0' && c <= '7';
}

}  // namespace

namespace {

// Runs in progress: #exec can source a file, whose run can #exec again in a
// private interpreter made for it. The count is kept by the first
// interpreter of the chain, so runs nested through private interpreters
// count together.
struct ActiveRuns {
  int count = 0;
};

int& active_runs(core::Interp& interp) {
  core::Interp* root = &interp;
  while (root->previous != nullptr) root = root->previous;
  return root->state<ActiveRuns>().count;
}

}  // namespace

Scanner::Scanner(core::Interp& interp, std::string_view text, bool evaluate,
                 std::string_view file_name, Counters& counters)
    : interp_(interp), in_(text), evaluate_(evaluate), file_name_(file_name), counters_(counters) {
  ++active_runs(interp_);
}

Scanner::~Scanner() {
  --active_runs(interp_);
}

bool Scanner::nested_too_deeply() {
  return active_runs(interp_) > kMaxNestedRuns;
}

core::Interp& Scanner::private_interp() {
  if (!private_) {
    std::vector<std::string> words{"nuvel_embed", file_name_.empty() ? "{}" : file_name_};
    private_ = core::nuvelCreateInterp(static_cast<int>(words.size()), &words);
  }
  return *private_;
}

bool Scanner::run() {
  const size_t n = in_.size();
  while (pos_ < n && !stopped_) {
    char c = in_[pos_];
    if (!in_string_) {
      if (c == '/' && pos_ + 1 < n && in_[pos_ + 1] == '*') {
        comment();
        continue;
      }
      if (c == ' ' || c == '\t') {
        whitespace();
        continue;
      }
      if (!skipping_ && is_word_char(c) && (pos_ == 0 || !is_word_char(in_[pos_ - 1])) &&
          macros_.count() > 2 && macro_word()) {
        continue;
      }
      if (c == '#' && conditional_marker()) continue;
    }
    if (skipping_) {
      if (c == '\n') ++counters_.line;
      ++pos_;
      continue;
    }
    if (c == '\\') {
      backslash();
      continue;
    }
    if (c == '\n') {
      if (!line_end()) return false;
      continue;
    }
    if (c == '#' && !in_string_ && last_ != '#') {
      directive();
      continue;
    }
    ordinary(c);
  }
  if (brace_depth_ > 0 && !brace_lines_.is_empty()) {
    counters_.open_brace_line = static_cast<long>(brace_lines_.peek());
  }
  if (pos_ > n) {
    // Every rule checks its reads against the end of the input, so this is
    // an internal fault; the run cannot be trusted and the process ends.
    platform::out(core::text_of(core::Msg::MppCharCountMismatch, line1(), pos_ - n));
    platform::exit_process(1);
  }
  return !failed_;
}

void Scanner::comment() {
  const long opened = line1();
  size_t close = in_.find("*/", pos_ + 2);
  size_t end = close == std::string_view::npos ? in_.size() : close;
  for (size_t i = pos_ + 2; i < end; ++i) {
    if (in_[i] == '\n') ++counters_.line;
  }
  if (close == std::string_view::npos) {
    // An unterminated comment fails the run: dropping the rest of the text
    // would run a truncated script as if nothing were wrong.
    counters_.open_comment_line = opened;
    pos_ = in_.size();
    stopped_ = true;
    failed_ = true;
    return;
  }
  pos_ = close + 2;
}

// True when a predefined macro (#__LINE__ and the five others) starts at `at`.
static bool predefined_at(std::string_view in, size_t at) {
  static constexpr std::string_view kNames[] = {"#__LINE__", "#__FILE__", "#__DATE__",
                                                "#__TIME__", "#__USER__", "#__HOST__"};
  std::string_view rest = in.substr(at);
  for (std::string_view name : kNames) {
    if (core::istarts_with(rest, name)) return true;
  }
  return false;
}

void Scanner::whitespace() {
  size_t end = pos_;
  while (end < in_.size() && (in_[end] == ' ' || in_[end] == '\t')) ++end;
  bool drop = skipping_ || end == in_.size() || in_[end] == '\r' || in_[end] == '\n' ||
              (in_[end] == '#' && !predefined_at(in_, end));
  if (!drop) emit(in_.substr(pos_, end - pos_));
  pos_ = end;
}

bool Scanner::macro_word() {
  // The end found for an earlier word start holds for every start before it.
  if (!word_end_known_ || (word_end_ != std::string_view::npos && word_end_ < pos_)) {
    size_t end = pos_;
    while (end < in_.size() && !ends_macro_word(in_[end])) ++end;
    word_end_ = end < in_.size() ? end : std::string_view::npos;
    word_end_known_ = true;
  }
  if (word_end_ == std::string_view::npos) return false;  // no terminator: not looked up
  std::string_view word = in_.substr(pos_, word_end_ - pos_);
  if (word.size() > kMaxMacroWord || !macros_.find(word)) return false;
  macros_.set_line(line1());
  emit(macros_.expansion(word));
  pos_ = word_end_;
  return true;
}

bool Scanner::conditional_marker() {
  std::string_view rest = in_.substr(pos_);
  bool is_else = core::istarts_with(rest, "#else");
  bool is_endif = !is_else && core::istarts_with(rest, "#endif");
  if (!is_else && !is_endif) return false;
  counters_.last_directive_line = line1();
  if (is_else) {
    skipping_ = !skipping_;
  } else {
    --counters_.if_depth;
    skipping_ = false;
    if (counters_.if_depth != 0) {
      // Nested conditionals are not supported; a lone #endif is an error.
      stop_with_error();
      return true;
    }
  }
  (void)consume_line_or_fail();
  return true;
}

void Scanner::backslash() {
  const size_t n = in_.size();
  if (pos_ + 1 >= n) {
    emit('\\');
    ++pos_;
    return;
  }
  char d = in_[pos_ + 1];
  if (d == '\r' || d == '\n') {
    // Line joining: the backslash and the whole run of line ends go.
    pos_ += 1;
    while (pos_ < n && (in_[pos_] == '\r' || in_[pos_] == '\n')) {
      if (in_[pos_] == '\n') ++counters_.line;
      ++pos_;
    }
    return;
  }
  bool escaped_pair =
      d == '"' || d == '\\' || d == '{' || d == '}' || d == '[' || d == ']' || d == '(' || d == ')';
  if (!core::switches().escape || escaped_pair) {
    // The pair is copied as it stands; its second character is not counted.
    emit(in_.substr(pos_, 2));
    pos_ += 2;
    return;
  }
  if (d == 'x' || d == 'X') {
    if (n - (pos_ + 2) < 2) {
      emit('\\');
      ++pos_;
      return;
    }
    char h1 = in_[pos_ + 2];
    if (!is_hex(h1)) {
      counters_.bad_escape = true;
      stopped_ = true;
      return;
    }
    int value = hex_digit(h1);
    size_t used = 3;
    if (is_hex(in_[pos_ + 3])) {
      value = value * 16 + hex_digit(in_[pos_ + 3]);
      used = 4;
    }
    if (value == 0) {
      emit("\\x00");
    } else if (value == 34) {
      emit("\\x22");
    } else {
      emit(static_cast<char>(value));
    }
    pos_ += used;
    return;
  }
  if (is_octal(d)) {
    int value = 0;
    size_t used = 1;
    while (used <= 3 && pos_ + used < n && is_octal(in_[pos_ + used])) {
      value = value * 8 + (in_[pos_ + used] - '0');
      ++used;
    }
    emit(value == 0 ? '?' : static_cast<char>(value & 0xff));
    pos_ += used;
    return;
  }
  char control = 0;
  switch (d) {
    case 'a':
      control = '\a';
      break;
    case 'b':
      control = '\b';
      break;
    case 'f':
      control = '\f';
      break;
    case 'n':
      control = '\n';
      break;
    case 'r':
      control = '\r';
      break;
    case 't':
      control = '\t';
      break;
    case 'v':
      control = '\v';
      break;
    default:
      break;
  }
  if (control) {
    emit(control);
    pos_ += 2;
    return;
  }
  emit('\\');  // any other backslash is an ordinary character
  ++pos_;
}

bool Scanner::count_line_end() {
  ++counters_.line;
  if (!in_string_ && counters_.error_line == 0 && (counters_.quotes & 1) != 0) {
    platform::out(core::text_of(core::Msg::MppQuoteMismatch, counters_.line, counters_.quotes));
    return false;
  }
  return true;
}

bool Scanner::line_end() {
  if (!count_line_end()) {
    failed_ = stopped_ = true;
    return false;
  }
  emit('\n');
  ++pos_;
  return true;
}

void Scanner::ordinary(char c) {
  emit(c);
  ++pos_;
  if (c == '"') {
    in_string_ = !in_string_;
    ++counters_.quotes;
    return;
  }
  if (in_string_) return;
  switch (c) {
    case '(':
      ++counters_.paren_open;
      break;
    case ')':
      ++counters_.paren_close;
      break;
    case '[':
      ++counters_.bracket_open;
      counters_.last_open_bracket_line = line1();
      break;
    case ']':
      ++counters_.bracket_close;
      counters_.last_close_bracket_line = line1();
      break;
    case '{':
      ++counters_.brace_open;
      ++brace_depth_;
      (void)brace_lines_.push(line1());  // a full stack records nothing more
      if (in_.substr(pos_, 2) == "*}") core::switches().expand_marker_line = line1();
      break;
    case '}':
      ++counters_.brace_close;
      counters_.last_close_brace_line = line1();
      if (brace_depth_ == 0) {
        stopped_ = true;  // more closing braces than opening ones
        break;
      }
      if (brace_depth_ <= brace_lines_.count()) {
        counters_.open_brace_line = static_cast<long>(brace_lines_.pop());
      }
      --brace_depth_;
      break;
    default:
      break;
  }
}

void Scanner::stop_with_error() {
  counters_.error_line = line1();
  stopped_ = true;
}

bool Scanner::consume_line() {
  const size_t n = in_.size();
  while (pos_ < n && in_[pos_] != '\r' && in_[pos_] != '\n') ++pos_;
  while (pos_ < n && in_[pos_] == '\r') ++pos_;
  bool ok = true;
  if (pos_ < n && in_[pos_] == '\n') {
    ++pos_;
    ok = skipping_ ? (++counters_.line, true) : count_line_end();
  }
  if (last_ != '\n' && last_ != '\r') emit('\n');
  return ok;
}

}  // namespace mpp
