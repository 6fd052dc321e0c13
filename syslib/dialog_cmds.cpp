// Dialogs as terminal prompts: msgbox, inputbox, get_fileopen, get_filesave
// and get_folder. Each shows its title and question on the console and reads
// the answer from standard input, so dialogs work over ssh and take answers
// from a pipe. On a terminal the title and text sit in a double-line frame
// with the title in white on blue; elsewhere they are plain lines. Results
// are those of the desktop dialogs the commands stand for.
#include <span>
#include <string>
#include <vector>

#include "core/cmd_helpers.h"
#include "core/switches.h"
#include "platform/console.h"
#include "platform/fs.h"
#include "platform/system.h"

namespace syslib {
namespace {

using core::Code;
using core::CommandRow;
using core::Interp;
using core::Msg;
using core::Value;

constexpr int kTitleAttribute = 31;  // white on blue
constexpr int kEsc = platform::kKeyEsc;
constexpr int kAttempts = 3;

// The desktop's answer codes.
enum Answer : int { kOk = 1, kCancel = 2, kAbort = 3, kRetry = 4, kIgnore = 5, kYes = 6, kNo = 7 };

struct Choice {
  const char* label;
  Answer answer;
};

// The button sets by number: ok, okcancel, abortretryignore, yesnocancel,
// yesno, retrycancel.
struct ButtonSet {
  const char* name;
  Choice choices[3];
  size_t count;
};

constexpr ButtonSet kButtonSets[] = {
    {"ok", {{"OK", kOk}}, 1},
    {"okcancel", {{"OK", kOk}, {"Cancel", kCancel}}, 2},
    {"abortretryignore", {{"Abort", kAbort}, {"Retry", kRetry}, {"Ignore", kIgnore}}, 3},
    {"yesnocancel", {{"Yes", kYes}, {"No", kNo}, {"Cancel", kCancel}}, 3},
    {"yesno", {{"Yes", kYes}, {"No", kNo}}, 2},
    {"retrycancel", {{"Retry", kRetry}, {"Cancel", kCancel}}, 2},
};
constexpr size_t kSetCount = sizeof kButtonSets / sizeof kButtonSets[0];

constexpr std::string_view kIcons[][2] = {
    {"info", "Info:"},
    {"warning", "Warning:"},
    {"error", "Error:"},
    {"question", "Question:"},
};

std::string printable(std::string_view text) {
  return core::switches().escape ? core::nuvelUnescape(text) : std::string(text);
}

size_t char_count(std::string_view text) {
  return platform::decode_utf8(text).size();
}

std::vector<std::string> split_lines(std::string_view text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (;;) {
    size_t end = text.find('\n', start);
    std::string_view line = text.substr(start, end == std::string_view::npos ? end : end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.emplace_back(line);
    if (end == std::string_view::npos) return lines;
    start = end + 1;
  }
}

// Shows the head of a dialog: on a terminal a frame around the title (in
// white on blue) and the text lines, elsewhere the title and the lines.
void show_head(std::string_view title, const std::vector<std::string>& lines) {
  if (!platform::escapes_enabled()) {
    if (!title.empty()) {
      platform::out(title);
      platform::out("\n");
    }
    for (const std::string& line : lines) {
      platform::out(line);
      platform::out("\n");
    }
    return;
  }
  size_t width = char_count(title);
  for (const std::string& line : lines) width = std::max(width, char_count(line));
  width += 2;  // a blank on either side
  auto bar = [&](std::string_view left, std::string_view right) {
    std::string text(left);
    for (size_t i = 0; i < width; ++i) text += "═";
    text += right;
    text += '\n';
    platform::out(text);
  };
  auto row = [&](std::string_view text, int attr) {
    std::string padded = " " + std::string(text);
    padded.append(width - 1 - char_count(text), ' ');
    platform::out("║");
    platform::set_attribute(attr);
    platform::out(padded);
    platform::reset_attribute();
    platform::out("║\n");
  };
  bar("╔", "╗");
  if (!title.empty()) {
    row(title, kTitleAttribute);
    if (!lines.empty()) bar("╠", "╣");
  }
  for (const std::string& line : lines) row(line, 7);
  bar("╚", "╝");
}

// One line of an answer from standard input, without its line end. Nothing
// at the end of input, or when the line starts with Esc (Cancel).
std::optional<std::string> read_answer() {
  std::string line;
  int c = platform::stdin_getc();
  if (c < 0) return std::nullopt;
  while (c >= 0 && c != '\n') {
    if (c != '\r') line.push_back(static_cast<char>(c));
    c = platform::stdin_getc();
  }
  // A terminal echoed the line and its line end itself; the screen copy
  // takes them too.
  platform::note_echoed(line + "\n");
  if (!line.empty() && line[0] == kEsc) return std::nullopt;
  return line;
}

// msgbox text ?title? ?buttons? ?icon?
// Shows the text and the choices and reads one key: a choice's first letter
// picks it, Enter the first choice, Esc (and the end of input) Cancel when
// it is offered, else the last choice. Results: 1 OK, 2 Cancel, 3 Abort,
// 4 Retry, 5 Ignore, 6 Yes, 7 No. Errors: an unknown buttons or icon word
// (checked before anything is shown).
Code nuvelCommandMsgbox(Interp& interp, int argc, Value* argv, void*) {
  size_t set = 0;
  if (argc > 3 && !argv[3].view().empty()) {
    std::optional<int64_t> n = core::parse_int(argv[3].view());
    bool found = n && *n >= 0 && *n < static_cast<int64_t>(kSetCount);
    if (found) set = static_cast<size_t>(*n);
    for (size_t i = 0; i < kSetCount && !found; ++i) {
      if (core::iequals(argv[3].view(), kButtonSets[i].name)) {
        set = i;
        found = true;
      }
    }
    if (!found) return core::fail(interp, Msg::UnknownOption, argv[3]);
  }
  std::string_view prefix;
  if (argc > 4 && !argv[4].view().empty()) {
    bool found = false;
    for (const auto& icon : kIcons) {
      if (core::iequals(argv[4].view(), icon[0])) {
        prefix = icon[1];
        found = true;
      }
    }
    if (!found) return core::fail(interp, Msg::UnknownOption, argv[4]);
  }
  std::vector<std::string> lines = split_lines(printable(argv[1].view()));
  if (!prefix.empty()) lines.front() = std::string(prefix) + " " + lines.front();
  show_head(argc > 2 ? printable(argv[2].view()) : std::string(), lines);

  std::span<const Choice> choices(kButtonSets[set].choices, kButtonSets[set].count);
  std::string menu;
  for (const Choice& c : choices) {
    if (!menu.empty()) menu += ' ';
    menu += '[';
    menu += c.label[0];
    menu += ']';
    menu += c.label + 1;
  }
  menu += "? ";
  platform::out(menu);
  const Choice* picked = nullptr;
  bool key_was_letter = false;
  while (picked == nullptr) {
    int key = platform::read_key();
    key_was_letter = key > ' ' && key < 127;
    if (key == platform::kKeyEnter) {
      picked = &choices.front();
    } else if (key == kEsc || key == 3 || platform::break_flag()) {
      picked = &choices.back();
      for (const Choice& c : choices) {
        if (c.answer == kCancel) picked = &c;
      }
    } else if (key > 0 && key < 128) {
      for (const Choice& c : choices) {
        if (core::iequals(std::string(1, static_cast<char>(key)), std::string(1, c.label[0]))) {
          picked = &c;
        }
      }
    }
  }
  if (key_was_letter) platform::skip_buffered_line_end();
  platform::out(picked->label);
  platform::out("\n");
  return core::result_int(interp, picked->answer);
}

// inputbox prompt ?title? ?default?
// Prints the title and "prompt [default]: " ("prompt: " without a default)
// and reads a line. Result: the line; an empty line gives the default; Esc
// or the end of input gives "".
Code nuvelCommandInputbox(Interp& interp, int argc, Value* argv, void*) {
  std::string title = argc > 2 ? printable(argv[2].view()) : std::string();
  if (!title.empty()) show_head(title, {});
  std::string def = argc > 3 ? printable(argv[3].view()) : std::string();
  std::string prompt = printable(argv[1].view());
  if (argc > 3) prompt += " [" + def + "]";
  prompt += ": ";
  platform::out(prompt);
  std::optional<std::string> line = read_answer();
  if (!line) {
    platform::out("\n");
    core::nuvelSetResult(interp, "");
    return Code::Ok;
  }
  core::nuvelSetResult(interp, Value(line->empty() ? def : *line));
  return Code::Ok;
}

// The one extension of a filter "Text|*.txt" (".txt"), or "" when the
// filter names more or other patterns.
std::string filter_extension(std::string_view filter) {
  size_t bar = filter.find('|');
  if (bar == std::string_view::npos) return {};
  std::string_view pattern = filter.substr(bar + 1);
  if (pattern.find('|') != std::string_view::npos) return {};
  if (pattern.size() < 3 || pattern.substr(0, 2) != "*.") return {};
  std::string_view ext = pattern.substr(1);
  if (ext.find_first_of("*?;[ ") != std::string_view::npos) return {};
  return std::string(ext);
}

bool has_extension(std::string_view path) {
  size_t slash = path.find_last_of('/');
  std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  size_t dot = name.find_last_of('.');
  return dot != std::string_view::npos && dot > 0;
}

// The full path of an answer: relative answers are taken in `folder`.
std::string full_path(std::string_view folder, std::string_view answer) {
  if (!answer.empty() && answer[0] == '/') return platform::absolute_path(answer);
  std::string joined(folder);
  if (!joined.empty() && joined.back() != '/') joined += '/';
  joined += answer;
  return platform::absolute_path(joined);
}

// Asks for a path up to three times until `accept` takes it. Result: the
// full path, or "" for an empty answer, Esc or the end of input.
template <class Accept>
std::string ask_path(std::string_view title, std::string_view question, std::string_view folder,
                     const Accept& accept) {
  show_head(title, {});
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    platform::out(question);
    std::optional<std::string> line = read_answer();
    if (!line) {
      platform::out("\n");
      return {};
    }
    if (line->empty()) return {};
    std::string path = full_path(folder, *line);
    if (accept(path)) return path;
    if (platform::break_flag()) return {};
  }
  return {};
}

std::string start_folder(int argc, const Value* argv, int index) {
  if (argc > index && !argv[index].view().empty()) return printable(argv[index].view());
  std::string cwd;
  platform::current_directory(cwd);
  return cwd;
}

// get_fileopen ?title? ?filter? ?folder?   get_filesave ?title? ?filter? ?folder?
// Reads a file name (relative names are taken in the folder, default the
// current one). get_fileopen asks again, three times in all, until the file
// exists; get_filesave adds the filter's one extension to a name without
// one and asks "Overwrite? (y/n)" for an existing file. Result: the full
// path, or "" for an empty answer, Esc or the end of input.
Code nuvelCommandGetFile(Interp& interp, int argc, Value* argv, void*) {
  bool save = argv[0].view() == "get_filesave";
  std::string title = argc > 1 ? printable(argv[1].view()) : std::string(save ? "Save As" : "Open");
  std::string ext = argc > 2 ? filter_extension(argv[2].view()) : std::string();
  std::string folder = start_folder(argc, argv, 3);
  std::string path;
  if (!save) {
    path = ask_path(title, "File name: ", folder, [](std::string& p) {
      if (platform::path_exists(p) && !platform::is_directory(p)) return true;
      platform::out("File not found\n");
      return false;
    });
  } else {
    path = ask_path(title, "File name: ", folder, [&ext](std::string& p) {
      if (!ext.empty() && !has_extension(p)) p += ext;
      if (platform::is_directory(p)) {
        platform::out("Not a file name\n");
        return false;
      }
      if (!platform::path_exists(p)) return true;
      platform::out("Overwrite? (y/n) ");
      int key = platform::read_key();
      if (key != platform::kKeyEnter) platform::skip_buffered_line_end();
      bool yes = key == 'y' || key == 'Y';
      platform::out(yes ? "y\n" : "n\n");
      return yes;
    });
  }
  core::nuvelSetResult(interp, Value(path));
  return Code::Ok;
}

// get_folder ?title? ?folder?
// Reads the name of an existing folder (asked three times in all). Result:
// its full path, or "" for an empty answer, Esc or the end of input.
Code nuvelCommandGetFolder(Interp& interp, int argc, Value* argv, void*) {
  std::string title = argc > 1 ? printable(argv[1].view()) : std::string("Select Folder");
  std::string folder = start_folder(argc, argv, 2);
  std::string path = ask_path(title, "Folder: ", folder, [](std::string& p) {
    if (platform::is_directory(p)) return true;
    platform::out("Folder not found\n");
    return false;
  });
  core::nuvelSetResult(interp, Value(path));
  return Code::Ok;
}

const CommandRow kDialogCommands[] = {
    {"msgbox", nuvelCommandMsgbox, 2, 5, "text ?title? ?buttons? ?icon?", core::kUnsafe},
    {"inputbox", nuvelCommandInputbox, 2, 4, "prompt ?title? ?default?", core::kUnsafe},
    {"get_fileopen", nuvelCommandGetFile, 1, 4, "?title? ?filter? ?folder?", core::kUnsafe},
    {"get_filesave", nuvelCommandGetFile, 1, 4, "?title? ?filter? ?folder?", core::kUnsafe},
    {"get_folder", nuvelCommandGetFolder, 1, 3, "?title? ?folder?", core::kUnsafe},
};

}  // namespace

[[gnu::section(".text.startup.register")]] void register_dialog_cmds(Interp& interp) {
  core::register_rows(interp, kDialogCommands);
}

}  // namespace syslib
