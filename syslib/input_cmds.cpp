// Terminal input: single keys (getkey, inkey, waitkey, pause), lines (input,
// input_csv) and the shell's prompt macros (prompt). Keys are read in raw
// mode at a terminal and as bytes from a pipe, where end of input reads as
// Esc (27). Special keys have codes above 255 (Up 328, Down 336, ...).
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "core/cmd_helpers.h"
#include "core/list_value.h"
#include "platform/console.h"
#include "platform/line_edit.h"
#include "platform/system.h"
#include "syslib/prompt_macros.h"
#include "syslib/streams.h"

namespace syslib {
namespace {

using core::Code;
using core::CommandRow;
using core::iequals;
using core::Interp;
using core::kAnyWords;
using core::Msg;
using core::Value;

// Longest line input and input_csv read.
constexpr size_t kLineMax = 65536;

// "-char" as the only option word; the error code otherwise.
std::optional<Code> read_char_option(Interp& interp, int argc, Value* argv, bool& as_char) {
  as_char = false;
  if (argc < 2) return std::nullopt;
  if (!iequals(argv[1].view(), "-char")) return core::fail(interp, Msg::UnknownOption, argv[1]);
  as_char = true;
  return std::nullopt;
}

Code key_result(Interp& interp, int key, bool as_char) {
  if (as_char && key >= 0 && key < 256) {
    core::nuvelSetResult(interp, std::string_view(std::string(1, static_cast<char>(key))));
    return Code::Ok;
  }
  return core::result_int(interp, key);
}

// getkey ?-char?
// Results: the code of the next key ("-char": the character of an ordinary
// key). Waits without echo; end of input gives 27.
Code nuvelCommandGetkey(Interp& interp, int argc, Value* argv, void*) {
  bool as_char;
  if (auto rc = read_char_option(interp, argc, argv, as_char)) return *rc;
  return key_result(interp, platform::read_key(), as_char);
}

// inkey ?-char?
// Results: as getkey for a key already waiting, else "" (never waits).
Code nuvelCommandInkey(Interp& interp, int argc, Value* argv, void*) {
  bool as_char;
  if (auto rc = read_char_option(interp, argc, argv, as_char)) return *rc;
  core::nuvelResetResult(interp);
  if (platform::stdin_at_end() || !platform::key_waiting()) return Code::Ok;
  int key = platform::read_key();
  if (key == platform::kKeyEsc && platform::stdin_at_end()) return Code::Ok;
  return key_result(interp, key, as_char);
}

int fold_key(int key) {
  return key >= 'A' && key <= 'Z' ? key + ('a' - 'A') : key;
}

// waitkey ?ms? ?keys?
// Results: the code of the key, or "" when `ms` (> 0) ran out first. With a
// key list (codes or single characters, case-blind) other keys are skipped;
// end of input (27) and Ctrl+C (3) always end the wait.
Code nuvelCommandWaitkey(Interp& interp, int argc, Value* argv, void*) {
  int64_t ms = 0;
  if (argc >= 2 && !argv[1].empty()) {
    std::optional<int64_t> v = core::parse_int(argv[1].view());
    if (!v) return core::fail(interp, Msg::InvalidArgument, argv[1]);
    ms = *v;
  }
  std::vector<int> wanted;
  if (argc >= 3) {
    for (const Value& k : core::list_read_words(argv[2].view())) {
      std::string_view w = k.view();
      if (w.size() == 1) {
        wanted.push_back(fold_key(static_cast<unsigned char>(w[0])));
      } else if (std::optional<int64_t> code = core::parse_int(w)) {
        wanted.push_back(fold_key(static_cast<int>(*code)));
      } else {
        return core::fail(interp, Msg::InputBadKey, k);
      }
    }
  }
  const int64_t start = static_cast<int64_t>(platform::tick_ms());
  core::nuvelResetResult(interp);
  for (;;) {
    int key;
    if (ms > 0) {
      int64_t left = ms - (static_cast<int64_t>(platform::tick_ms()) - start);
      if (left <= 0) return Code::Ok;
      key = platform::read_key_within(left);
      if (key == platform::kKeyNone) return Code::Ok;
    } else {
      key = platform::read_key();
    }
    bool ends =
        wanted.empty() || key == 3 || (key == platform::kKeyEsc && platform::stdin_at_end());
    for (int w : wanted) ends = ends || fold_key(key) == w;
    if (ends) return core::result_int(interp, key);
  }
}

// pause ?text?
// Prints the text ("Press any key to continue . . . " by default; "-" prints
// nothing), waits for one key, ends the line. Results: the key's code.
Code nuvelCommandPause(Interp& interp, int argc, Value* argv, void*) {
  std::string_view text = argc >= 2 ? argv[1].view() : "Press any key to continue . . . ";
  if (text != "-" && !text.empty()) platform::out(text);
  int key = platform::read_key();
  platform::out("\n");
  return core::result_int(interp, key);
}

// input ?varName? ?-prompt text? ?-default text? ?-noecho?
// Reads one line. Results: the line (an empty one gives the default), or
// with a variable its length; at end of input "" (and the variable "").
Code nuvelCommandInput(Interp& interp, int argc, Value* argv, void*) {
  const Value* var = nullptr;
  std::string_view prompt;
  std::string_view fallback;
  bool noecho = false;
  for (int i = 1; i < argc; ++i) {
    std::string_view w = argv[i].view();
    if (iequals(w, "-prompt") || iequals(w, "-default")) {
      if (i + 1 >= argc) return core::fail(interp, Msg::InputMissingValue, argv[i]);
      (iequals(w, "-prompt") ? prompt : fallback) = argv[++i].view();
    } else if (iequals(w, "-noecho")) {
      noecho = true;
    } else if (w.size() > 1 && w[0] == '-' && !core::parse_int(w)) {
      return core::fail(interp, Msg::UnknownOption, argv[i]);
    } else if (var == nullptr) {
      var = &argv[i];
    } else {
      return core::nuvelWrongArgs(interp, argc, argv);
    }
  }
  if (!prompt.empty()) platform::out(prompt);
  platform::flush();
  std::optional<std::string> line =
      noecho ? platform::read_line_noecho(kLineMax) : platform::read_plain_line(kLineMax);
  if (noecho && line && platform::stdin_is_terminal()) platform::out("\n");
  if (!line) {
    if (var != nullptr && core::set_variable(interp, var->view(), Value("")) != 0) {
      return Code::Error;
    }
    core::nuvelResetResult(interp);
    return Code::Ok;
  }
  if (line->empty()) *line = std::string(fallback);
  if (var == nullptr) {
    core::nuvelSetResult(interp, Value(std::move(*line)));
    return Code::Ok;
  }
  int64_t length = static_cast<int64_t>(line->size());
  if (core::set_variable(interp, var->view(), Value(std::move(*line))) != 0) return Code::Error;
  return core::result_int(interp, length);
}

// Splits a CSV line: double-quoted fields keep separators and doubled
// quotes stand for one; blanks around unquoted fields are trimmed.
std::vector<std::string> split_csv(std::string_view line, char sep) {
  std::vector<std::string> fields;
  size_t i = 0;
  for (;;) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t') && line[i] != sep) ++i;
    std::string field;
    if (i < line.size() && line[i] == '"') {
      ++i;
      while (i < line.size()) {
        if (line[i] == '"') {
          if (i + 1 < line.size() && line[i + 1] == '"') {
            field.push_back('"');
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        field.push_back(line[i++]);
      }
      while (i < line.size() && line[i] != sep) ++i;  // after the closing quote
    } else {
      size_t end = line.find(sep, i);
      if (end == std::string_view::npos) end = line.size();
      std::string_view raw = line.substr(i, end - i);
      size_t last = raw.find_last_not_of(" \t");
      field.assign(last == std::string_view::npos ? std::string_view() : raw.substr(0, last + 1));
      i = end;
    }
    fields.push_back(std::move(field));
    if (i >= line.size()) break;
    ++i;  // the separator
  }
  return fields;
}

// input_csv ?-prompt text? ?-stream handle? ?-sep c? var ?var ...?
// Reads one line and assigns its CSV fields to the variables in order
// (missing ones get "", surplus fields go into the last one as a list).
// Results: the number of fields read, or -1 at end of input.
Code nuvelCommandInputCsv(Interp& interp, int argc, Value* argv, void*) {
  std::string_view prompt;
  const Value* stream = nullptr;
  char sep = ',';
  std::vector<const Value*> names;
  for (int i = 1; i < argc; ++i) {
    std::string_view w = argv[i].view();
    if (iequals(w, "-prompt") || iequals(w, "-stream") || iequals(w, "-sep")) {
      if (i + 1 >= argc) return core::fail(interp, Msg::InputMissingValue, argv[i]);
      const Value& value = argv[++i];
      if (iequals(w, "-prompt")) {
        prompt = value.view();
      } else if (iequals(w, "-stream")) {
        stream = &value;
      } else {
        if (value.size() != 1) return core::fail(interp, Msg::InputBadSeparator, value);
        sep = value[0];
      }
    } else if (w == "--") {
      for (++i; i < argc; ++i) names.push_back(&argv[i]);
    } else if (w.size() > 1 && w[0] == '-') {
      return core::fail(interp, Msg::UnknownOption, argv[i]);
    } else {
      names.push_back(&argv[i]);
    }
  }
  if (names.empty()) return core::nuvelWrongArgs(interp, argc, argv);
  std::FILE* file = nullptr;
  if (stream != nullptr && stream->view() != "stdin") {
    file = StreamTable::of(interp).get(parse_handle(stream->view()));
    if (file == nullptr) return core::fail(interp, Msg::InputInvalidHandle, *stream);
  }
  if (!prompt.empty()) platform::out(prompt);
  platform::flush();
  std::optional<std::string> line;
  if (file == nullptr) {
    line = platform::read_plain_line(kLineMax);
  } else {
    int c = std::getc(file);
    if (c != EOF) {
      line.emplace();
      while (c != EOF && c != '\n' && line->size() + 1 < kLineMax) {
        line->push_back(static_cast<char>(c));
        c = std::getc(file);
      }
      if (!line->empty() && line->back() == '\r') line->pop_back();
    }
  }
  if (!line) return core::result_int(interp, -1);
  std::vector<std::string> fields = split_csv(*line, sep);
  for (size_t n = 0; n < names.size(); ++n) {
    Value value("");
    if (n + 1 == names.size() && fields.size() > names.size()) {
      std::vector<Value> rest(fields.begin() + static_cast<std::ptrdiff_t>(n), fields.end());
      value = Value(core::list_write(rest));
    } else if (n < fields.size()) {
      value = Value(fields[n]);
    }
    if (core::set_variable(interp, names[n]->view(), value) != 0) return Code::Error;
  }
  return core::result_int(interp, static_cast<int64_t>(fields.size()));
}

// prompt ?template?
// Results: the template ("$u@$h$s$k$g" by default) with every prompt macro
// replaced, exactly as the interactive shell shows it (without the blank the
// shell adds after it).
Code nuvelCommandPrompt(Interp& interp, int argc, Value* argv, void*) {
  std::string_view templ = argc >= 2 ? argv[1].view() : kDefaultPromptTemplate;
  core::nuvelSetResult(interp, Value(expand_prompt(interp, templ, kShellHost)));
  return Code::Ok;
}

constexpr uint32_t kKeyFlags = core::kUnsafe | core::kNoFuzz;

constexpr CommandRow kInputCommands[] = {
    {"getkey", nuvelCommandGetkey, 1, 2, "?-char?", kKeyFlags},
    {"inkey", nuvelCommandInkey, 1, 2, "?-char?", kKeyFlags},
    {"waitkey", nuvelCommandWaitkey, 1, 3, "?ms? ?keys?", kKeyFlags},
    {"pause", nuvelCommandPause, 1, 2, "?text?", kKeyFlags},
    {"input", nuvelCommandInput, 1, kAnyWords, "?varName? ?-prompt text? ?-default text? ?-noecho?",
     kKeyFlags},
    {"input_csv", nuvelCommandInputCsv, 2, kAnyWords,
     "?-prompt text? ?-stream handle? ?-sep c? var ?var ...?", kKeyFlags},
    {"prompt", nuvelCommandPrompt, 1, 2, "?template?"},
};

}  // namespace

[[gnu::section(".text.startup.register")]] void register_input_cmds(Interp& interp) {
  core::register_rows(interp, kInputCommands);
}

}  // namespace syslib
