// The directives of the preprocessor: what follows a '#' outside a string.
// A directive is recognised by its name as a prefix, without regard to case;
// its argument runs to the end of the line, and the rest of the line is
// consumed.
#include <cstdlib>

#include "core/cmd_helpers.h"
#include "core/switches.h"
#include "core/text_util.h"
#include "mpp/scanner.h"
#include "platform/console.h"
#include "platform/identity.h"
#include "platform/time_zone.h"
#include "syslib/date_format.h"

namespace mpp {

namespace {

using core::is_blank;
bool is_line_end(char c) {
  return c == '\r' || c == '\n';
}

std::string_view trim(std::string_view t, std::string_view chars = " \t\r\n") {
  size_t b = t.find_first_not_of(chars);
  if (b == std::string_view::npos) return {};
  size_t e = t.find_last_not_of(chars);
  return t.substr(b, e - b + 1);
}

// `name` followed by a blank (or, with `line_end_ok`, a line end or the end
// of the text) at the start of `rest`.
bool directive_named(std::string_view rest, std::string_view name, bool line_end_ok = false) {
  if (!core::istarts_with(rest, name)) return false;
  if (rest.size() == name.size()) return line_end_ok;
  char next = rest[name.size()];
  return is_blank(next) || (line_end_ok && is_line_end(next));
}

// The rest of the line from `p` (without its line end).
std::string_view rest_of_line(std::string_view in, size_t p) {
  size_t end = p;
  while (end < in.size() && !is_line_end(in[end])) ++end;
  return in.substr(p, end - p);
}

// Position of the first '#' not preceded by a backslash, or npos.
size_t unescaped_hash(std::string_view t) {
  for (size_t i = 0; i < t.size(); ++i) {
    if (t[i] == '#' && (i == 0 || t[i - 1] != '\\')) return i;
  }
  return std::string_view::npos;
}

bool diagnostics_shown() {
  const core::Switches& sw = core::switches();
  return sw.verbose || sw.debug;
}

std::string now_formatted(std::string_view format) {
  std::tm when{};
  if (!platform::local_time(platform::now_seconds(), when)) return {};
  return syslib::format_date(format, when);
}

}  // namespace

bool Scanner::predefined_macro() {
  std::string_view rest = in_.substr(pos_);
  std::string text;
  if (core::istarts_with(rest, "#__LINE__")) {
    text = std::to_string(line1());
  } else if (core::istarts_with(rest, "#__FILE__")) {
    if (file_name_.empty()) {
      text = "<unknown>";
    } else {
      std::string full = platform::full_path(file_name_);
      if (full.empty()) full = file_name_;
      for (char c : full) {
        text.push_back(c);
        if (c == '\\') text.push_back('\\');
      }
    }
  } else if (core::istarts_with(rest, "#__DATE__")) {
    text = now_formatted("Ymd");
  } else if (core::istarts_with(rest, "#__TIME__")) {
    text = now_formatted("H:i:s");
  } else if (core::istarts_with(rest, "#__USER__")) {
    text = platform::user_name();
    if (text.empty()) text = "<unknown>";
  } else if (core::istarts_with(rest, "#__HOST__")) {
    text = platform::host_name();
    if (text.empty()) text = "<unknown>";
  } else {
    return false;
  }
  emit(text);
  pos_ += 9;
  return true;
}

void Scanner::directive() {
  std::string_view rest = in_.substr(pos_);
  if (rest.size() == 1 || rest[1] == '#' || is_blank(rest[1])) {
    (void)consume_line_or_fail();
    return;
  }
  if (predefined_macro()) return;
  if (directive_named(rest, "#undef")) {
    counters_.last_directive_line = line1();
    size_t p = pos_ + 6;
    while (p < in_.size() && is_blank(in_[p])) ++p;
    size_t end = p;
    while (end < in_.size() && !is_blank(in_[end]) && !is_line_end(in_[end])) ++end;
    std::string_view name = in_.substr(p, end - p);
    macros_.undefine(name);
    if (core::iequals(name, "ndebug")) core::process().ndebug = false;
    pos_ = end;
  } else if (directive_named(rest, "#define")) {
    define_directive(pos_ + 7);
  } else if (directive_named(rest, "#ifdef")) {
    conditional_directive(pos_ + 6, true);
  } else if (directive_named(rest, "#ifndef")) {
    conditional_directive(pos_ + 7, false);
  } else if (core::istarts_with(rest, "#exit")) {
    // Everything from here on is discarded.
    counters_.last_directive_line = line1();
    counters_.if_depth = 0;
    if (rest.size() - 5 >= 2) counters_.exit_requested = true;
    pos_ = in_.size();
    stopped_ = true;
    return;
  } else if (directive_named(rest, "#echo", true)) {
    echo_directive(pos_ + 5);
  } else if (directive_named(rest, "#if")) {
    evaluated_directive(pos_ + 3, true);
  } else if (directive_named(rest, "#exec")) {
    evaluated_directive(pos_ + 5, false);
  } else if (core::istarts_with(rest, "#deflist")) {
    deflist_directive();
  }
  // Any other word after '#' makes the line a comment.
  if (stopped_) return;
  (void)consume_line_or_fail();
}

bool Scanner::consume_line_or_fail() {
  if (consume_line()) return true;
  failed_ = stopped_ = true;
  return false;
}

// #define NAME [VALUE]
void Scanner::define_directive(size_t p) {
  counters_.last_directive_line = line1();
  const size_t n = in_.size();
  while (p < n && is_blank(in_[p])) ++p;
  size_t name_end = p;
  while (name_end < n && !is_blank(in_[name_end]) && !is_line_end(in_[name_end])) ++name_end;
  std::string name(in_.substr(p, name_end - p));
  p = name_end;
  while (p < n && is_blank(in_[p])) ++p;
  std::string value;
  bool quoted = p < n && in_[p] == '"';
  if (quoted) {
    // Opening quote included, up to and including the next quote that is not
    // escaped; a backslash before a line end continues the value.
    value.push_back('"');
    ++counters_.quotes;
    ++p;
    while (p < n) {
      char c = in_[p];
      if (c == '\\' && p + 1 < n && is_line_end(in_[p + 1])) {
        ++p;
        while (p < n && is_line_end(in_[p])) {
          if (in_[p] == '\n') ++counters_.line;
          ++p;
        }
        continue;
      }
      if (c == '\\' && p + 1 < n && in_[p + 1] == '"') {
        value += "\\\"";
        p += 2;
        continue;
      }
      if (c == '\n') break;
      value.push_back(c);
      ++p;
      if (c == '"') {
        ++counters_.quotes;
        break;
      }
    }
  } else {
    while (p < n && !is_line_end(in_[p])) {
      if (in_[p] == '#' && in_[p - 1] != '\\') break;
      value.push_back(in_[p]);
      ++p;
    }
  }
  pos_ = p;
  std::string_view v = trim(value, " \t\r");
  if (core::iequals(name, "ndebug")) core::process().ndebug = true;
  std::string final_value;
  if (v.empty()) {
    final_value = "1";
  } else {
    if (!quoted) {
      size_t hash = unescaped_hash(v);
      if (hash != std::string_view::npos) v = v.substr(0, hash);
    }
    v = trim(v, " \t\r\n");
    if (v.size() >= 2 && v.front() == '"' && v.back() == '"' && v != "\"\"") {
      v = v.substr(1, v.size() - 2);
    }
    std::string plain;
    for (size_t i = 0; i < v.size(); ++i) {
      if (v[i] == '\\' && i + 1 < v.size() && v[i + 1] == '"') continue;
      plain.push_back(v[i]);
    }
    final_value = macros_.resolve(plain, kDefineSteps);
  }
  macros_.define(name, final_value);
}

// #ifdef NAME / #ifndef NAME
void Scanner::conditional_directive(size_t p, bool if_defined) {
  counters_.last_directive_line = line1();
  const size_t n = in_.size();
  while (p < n && is_blank(in_[p])) ++p;
  size_t end = p;
  while (end < n && !is_blank(in_[end]) && !is_line_end(in_[end])) ++end;
  bool defined = macros_.find(in_.substr(p, end - p)) != nullptr;
  ++counters_.if_depth;
  if (defined != if_defined) skipping_ = true;
  pos_ = end;
}

// #if TEXT / #exec TEXT: TEXT is evaluated in the private interpreter.
void Scanner::evaluated_directive(size_t p, bool is_if) {
  counters_.last_directive_line = line1();
  if (is_if) ++counters_.if_depth;
  std::string_view text = rest_of_line(in_, p);
  pos_ = p + text.size();
  size_t hash = text.find('#');
  if (hash != std::string_view::npos) text = text.substr(0, hash);
  size_t open = text.find("/*");
  if (open != std::string_view::npos) {
    if (text.find("*/", open + 2) == std::string_view::npos) {
      if (diagnostics_shown()) platform::out("Error: Mismatched /* ... */ comment found\n");
      stop_with_error();
      return;
    }
    text = text.substr(0, open);
  }
  text = trim(text, " \t");
  if (text.size() >= 2 &&
      ((text.front() == '"' && text.back() == '"') || (text.front() == '{' && text.back() == '}') ||
       (text.front() == '[' && text.back() == ']'))) {
    text = trim(text.substr(1, text.size() - 2), " \t");
  }
  macros_.set_line(line1());
  std::string script = macros_.substitute(text);
  if (!evaluate_) return;  // the condition counts as true
  core::Code rc = core::Code::Error;
  core::Interp* pi = nullptr;
  if (!nested_too_deeply()) {
    pi = &private_interp();
    rc = core::rindoEval(*pi, core::Value(script));
  }
  if (rc != core::Code::Ok || !pi) {
    if (diagnostics_shown()) {
      platform::out(core::text_of(core::Msg::MppExpressionFailed, script));
    }
    stop_with_error();
    return;
  }
  if (is_if && !pi->result.empty() && std::strtod(pi->result.c_str(), nullptr) == 0.0) {
    skipping_ = true;
  }
}

// #echo [TEXT]: printed at preprocessing time.
void Scanner::echo_directive(size_t p) {
  counters_.last_directive_line = line1();
  std::string_view text = rest_of_line(in_, p);
  pos_ = p + text.size();
  size_t hash = text.find('#');
  if (hash != std::string_view::npos) text = text.substr(0, hash);
  size_t open = text.find("/*");
  if (open != std::string_view::npos) {
    if (text.find("*/", open + 2) == std::string_view::npos) {
      platform::out("Error: Mismatched /* ... */ comment\n");
      stop_with_error();
      return;
    }
    text = text.substr(0, open);
  }
  text = trim(text);
  std::string shown;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size()) {
      char next = text[i + 1];
      char control = next == 'r' ? '\r' : next == 'n' ? '\n' : next == 't' ? '\t' : 0;
      if (control) {
        shown.push_back(control);
        ++i;
        continue;
      }
    }
    shown.push_back(text[i]);
  }
  if (shown.size() >= 2 && shown.front() == '"' && shown.back() == '"') {
    shown = shown.substr(1, shown.size() - 2);
  }
  macros_.set_line(line1());
  shown = macros_.substitute(shown);
  shown.push_back('\n');
  platform::out(shown);
}

// #deflist: every macro, in definition order.
void Scanner::deflist_directive() {
  counters_.last_directive_line = line1();
  const containers::PairList& list = macros_.list();
  for (int32_t i = 0; i < list.count(); ++i) {
    const std::string* name = list.name_at(i);
    const containers::PairValue* value = list.value_at(i);
    const std::string* text = value ? std::get_if<std::string>(value) : nullptr;
    platform::outf("%-30.30s\t%s\n", name ? name->c_str() : "", text ? text->c_str() : "");
  }
  platform::out("\n");
}

}  // namespace mpp
