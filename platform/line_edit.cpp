// Line input on Linux: plain reads through the console's input buffer, echo
// switched off with termios, and the shell's editor on libedit. libedit (and
// the terminal libraries it pulls in) is loaded the first time an editor is
// made, so a script that never reaches the shell does not pay for it at
// start-up; without it the shell reads plain lines.
#include "platform/line_edit.h"

#include <histedit.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>

#include "platform/console.h"
#include "platform/console_internal.h"
#include "platform/dynlib.h"
#include "platform/system.h"

namespace platform {

namespace {

// The libedit entry points the editor uses.
struct EditApi {
  DynLib lib;
  decltype(&::el_init) init = nullptr;
  decltype(&::el_end) end = nullptr;
  decltype(&::el_get) get = nullptr;
  decltype(&::el_gets) gets = nullptr;
  decltype(&::el_set) set = nullptr;
  decltype(&::el_wset) wset = nullptr;
  decltype(&::history_init) history_init = nullptr;
  decltype(&::history_end) history_end = nullptr;
  decltype(&::history) history = nullptr;

  EditApi() {
    if (!lib.open_system("libedit.so.2")) return;
    bool all = bind(init, "el_init") && bind(end, "el_end") && bind(get, "el_get") &&
               bind(gets, "el_gets") && bind(set, "el_set") && bind(wset, "el_wset") &&
               bind(history_init, "history_init") && bind(history_end, "history_end") &&
               bind(history, "history");
    if (!all) init = nullptr;
  }
  template <class F>
  bool bind(F& slot, const char* name) {
    slot = reinterpret_cast<F>(lib.symbol(name));
    return slot != nullptr;
  }
  bool ok() const { return init != nullptr; }
};

// Loaded once and kept for the life of the process, as a linked library
// would be; read-only after that.
const EditApi& edit_api() {
  static const EditApi api;
  return api;
}

}  // namespace

bool stdin_is_terminal() {
  return ::isatty(0) != 0;
}

std::optional<std::string> read_plain_line(size_t max) {
  std::string line;
  int c = stdin_getc();
  if (c < 0) return std::nullopt;
  while (c >= 0) {
    if (c == '\n') break;
    line.push_back(static_cast<char>(c));
    if (max > 0 && line.size() + 1 >= max) break;
    c = stdin_getc();
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

std::optional<std::string> read_line_noecho(size_t max) {
  flush();
  if (!detail::hold_terminal_settings()) return read_plain_line(max);
  termios quiet{};
  if (::tcgetattr(0, &quiet) == 0) {
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    ::tcsetattr(0, TCSANOW, &quiet);
  }
  std::optional<std::string> line = read_plain_line(max);
  detail::release_terminal_settings();
  return line;
}

// The editor, its history and what the prompt callback shows. libedit calls
// back with the EditLine only; the client-data slot leads back here.
struct LineEditor::Impl {
  EditLine* el = nullptr;
  History* history = nullptr;
  std::string history_file;
  std::string prompt;
  bool abandoned = false;

  ~Impl() {
    const EditApi& api = edit_api();
    if (el != nullptr) api.end(el);
    if (history != nullptr) api.history_end(history);
  }
};

namespace {

LineEditor::Impl* impl_of(EditLine* el) {
  void* data = nullptr;
  edit_api().get(el, EL_CLIENTDATA, &data);
  return static_cast<LineEditor::Impl*>(data);
}

char* prompt_text(EditLine* el) {
  return impl_of(el)->prompt.data();
}

// Ctrl+C: the line typed so far is dropped.
unsigned char abandon_line(EditLine* el, int) {
  impl_of(el)->abandoned = true;
  return CC_NEWLINE;
}

}  // namespace

LineEditor::LineEditor(std::string history_file) : impl_(std::make_unique<Impl>()) {
  impl_->history_file = std::move(history_file);
  const EditApi& api = edit_api();
  if (!api.ok()) return;
  impl_->history = api.history_init();
  HistEvent event;
  api.history(impl_->history, &event, H_SETSIZE, 1000);
  api.history(impl_->history, &event, H_SETUNIQUE, 1);
  if (!impl_->history_file.empty()) {
    api.history(impl_->history, &event, H_LOAD, impl_->history_file.c_str());
  }
  impl_->el = api.init("nuvel", stdin, stdout, stderr);
  if (impl_->el == nullptr) return;
  EditLine* el = impl_->el;
  api.set(el, EL_CLIENTDATA, impl_.get());
  api.set(el, EL_EDITOR, "emacs");
  api.set(el, EL_PROMPT, prompt_text);
  api.set(el, EL_HIST, api.history, impl_->history);
  // Ctrl+C reaches the editor as a key (no SIGINT while a line is typed).
  api.set(el, EL_SETTY, "-d", "-isig", nullptr);
  // The wide form keeps the names as given (the narrow form copies them and
  // never frees the copies).
  api.wset(el, EL_ADDFN, L"nuvel-abandon", L"Abandon the line", abandon_line);
  api.set(el, EL_BIND, "^C", "nuvel-abandon", nullptr);
  // Home and End as terminals and multiplexers send them.
  for (const char* home : {"\x1b[1~", "\x1b[7~", "\x1b[H", "\x1bOH"}) {
    api.set(el, EL_BIND, home, "ed-move-to-beg", nullptr);
  }
  for (const char* end : {"\x1b[4~", "\x1b[8~", "\x1b[F", "\x1bOF"}) {
    api.set(el, EL_BIND, end, "ed-move-to-end", nullptr);
  }
}

LineEditor::~LineEditor() = default;

LineEditor::Status LineEditor::read(std::string_view prompt, std::string& line) {
  line.clear();
  flush();
  if (impl_->el == nullptr) {
    out(prompt);
    std::optional<std::string> plain = read_plain_line(0);
    if (!plain) return Status::End;
    line = std::move(*plain);
    return Status::Line;
  }
  impl_->prompt.assign(prompt);
  impl_->abandoned = false;
  bool held = detail::hold_terminal_settings();
  int count = 0;
  const char* text = edit_api().gets(impl_->el, &count);
  if (held) detail::release_terminal_settings();
  if (impl_->abandoned) return Status::Interrupted;
  if (text == nullptr || count <= 0) return Status::End;
  line.assign(text, static_cast<size_t>(count));
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
  if (!line.empty()) {
    const EditApi& api = edit_api();
    HistEvent event;
    api.history(impl_->history, &event, H_ENTER, line.c_str());
    if (!impl_->history_file.empty()) {
      api.history(impl_->history, &event, H_SAVE, impl_->history_file.c_str());
    }
  }
  return Status::Line;
}

}  // namespace platform
