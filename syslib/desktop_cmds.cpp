// Sound and clipboard: beep, play_wav, stop_wav and clipboard. Sounds are
// played by the system's player program and the clipboard is reached through
// the desktop's clipboard tools, each started with an argument vector (never
// a shell) only when it is on PATH; a tool that hangs is killed after a
// while, so the interpreter never waits for it for ever.
#include <string>
#include <vector>

#include "core/cmd_helpers.h"
#include "core/switches.h"
#include "platform/console.h"
#include "platform/fs.h"
#include "platform/process.h"
#include "platform/system.h"

namespace syslib {
namespace {

using core::Code;
using core::CommandRow;
using core::EnsembleRow;
using core::Interp;
using core::Msg;
using core::Value;

// Players tried in this order.
constexpr const char* kPlayers[] = {"pw-play", "paplay", "aplay"};
// How long a clipboard tool may take before it is given up.
constexpr int kClipboardTimeoutMs = 3000;

// The background sound of this interpreter (play_wav -async); it stops when
// the interpreter ends.
struct SoundState {
  int64_t id = 0;
  SoundState() = default;
  SoundState(const SoundState&) = delete;
  SoundState& operator=(const SoundState&) = delete;
  ~SoundState() { platform::stop_background(id); }
};

// beep ?frequency? ?ms?
// Rings the terminal bell (only when standard output is a terminal); the
// frequency and duration are accepted and ignored. Result: empty.
Code nuvelCommandBeep(Interp& interp, int, Value*, void*) {
  core::nuvelResetResult(interp);
  platform::bell();
  return Code::Ok;
}

// play_wav file ?-async? ?-loop?
// Plays a sound file with the first player found on PATH (pw-play, paplay,
// aplay) and waits for it; with -async it returns at once, with -loop the
// sound repeats until stop_wav (and so never waits). One background sound
// plays at a time: a new one stops the old. Result: 1, or 0 when the
// player failed. Errors: a missing file, an unknown option, no player.
Code nuvelCommandPlayWav(Interp& interp, int argc, Value* argv, void*) {
  bool async = false;
  bool loop = false;
  const Value* file = nullptr;
  for (int i = 1; i < argc; ++i) {
    std::string_view w = argv[i].view();
    if (core::iequals(w, "-async")) {
      async = true;
    } else if (core::iequals(w, "-loop")) {
      loop = true;
    } else if (file == nullptr) {
      file = &argv[i];
    } else {
      return core::fail(interp, Msg::UnknownOption, w);
    }
  }
  if (file == nullptr) return core::nuvelWrongArgs(interp, argc, argv);
  std::string path =
      core::switches().escape ? core::nuvelUnescape(file->view()) : std::string(file->view());
  if (!platform::path_exists(path) || platform::is_directory(path)) {
    return core::fail(interp, Msg::FileNotFound, path);
  }
  std::string player;
  for (const char* name : kPlayers) {
    if (!platform::find_program(name).empty()) {
      player = name;
      break;
    }
  }
  if (player.empty()) return core::fail(interp, Msg::EnvNotSupported);
  SoundState& sound = interp.state<SoundState>();
  platform::stop_background(sound.id);
  sound.id = 0;
  int64_t id = platform::start_background({player, path}, loop);
  if (id < 0) return core::result_int(interp, 0);
  if (async || loop) {
    sound.id = id;
    return core::result_int(interp, 1);
  }
  return core::result_int(interp, platform::wait_background(id) == 0 ? 1 : 0);
}

// stop_wav: stops the background sound. Result: 1 when one was playing, 0
// when none was.
Code nuvelCommandStopWav(Interp& interp, int, Value*, void*) {
  SoundState& sound = interp.state<SoundState>();
  bool stopped = platform::stop_background(sound.id);
  sound.id = 0;
  return core::result_bool(interp, stopped);
}

// --- clipboard -----------------------------------------------------------------------

// The clipboard tool of this desktop: wl-copy/wl-paste under Wayland, xclip
// or xsel under X; `get`, `set` and `clear` are its argument vectors.
struct ClipboardTool {
  std::vector<std::string> get;
  std::vector<std::string> set;
  std::vector<std::string> clear;  // empty: clear by setting ""
};

std::optional<ClipboardTool> clipboard_tool() {
  bool found = false;
  if (!platform::get_env("WAYLAND_DISPLAY", &found).empty() && found &&
      !platform::find_program("wl-copy").empty() && !platform::find_program("wl-paste").empty()) {
    return ClipboardTool{{"wl-paste", "--no-newline"}, {"wl-copy"}, {"wl-copy", "--clear"}};
  }
  if (platform::get_env("DISPLAY", &found).empty() || !found) return std::nullopt;
  if (!platform::find_program("xclip").empty()) {
    return ClipboardTool{
        {"xclip", "-selection", "clipboard", "-o"}, {"xclip", "-selection", "clipboard", "-i"}, {}};
  }
  if (!platform::find_program("xsel").empty()) {
    return ClipboardTool{{"xsel", "--clipboard", "--output"},
                         {"xsel", "--clipboard", "--input"},
                         {"xsel", "--clipboard", "--clear"}};
  }
  return std::nullopt;
}

// Runs a tool that takes `input` and answers with nothing (set, clear).
Code run_setter(Interp& interp, const std::vector<std::string>& words, std::string_view input) {
  platform::CaptureOptions options;
  options.input = input;
  options.discard_output = true;
  options.timeout_ms = kClipboardTimeoutMs;
  std::string ignored;
  if (platform::run_captured(words, options, ignored) != 0) {
    return core::fail(interp, Msg::ClipboardToolFailed, words[0]);
  }
  return core::result_int(interp, 1);
}

// clipboard get: the clipboard's text ("" when it holds none).
Code clipboard_get(Interp& interp, int, Value*, void*) {
  std::optional<ClipboardTool> tool = clipboard_tool();
  if (!tool) return core::fail(interp, Msg::EnvNotSupported);
  platform::CaptureOptions options;
  options.input = std::string_view();
  options.merge_stderr = false;
  options.timeout_ms = kClipboardTimeoutMs;
  std::string text;
  int status = platform::run_captured(tool->get, options, text);
  if (status < 0) return core::fail(interp, Msg::ClipboardToolFailed, tool->get[0]);
  // The tools end with a failure when the clipboard holds no text.
  core::nuvelSetResult(interp, Value(status == 0 ? text : std::string()));
  return Code::Ok;
}

// clipboard set text: puts the text on the clipboard. Result: 1.
Code clipboard_set(Interp& interp, int, Value* argv, void*) {
  std::optional<ClipboardTool> tool = clipboard_tool();
  if (!tool) return core::fail(interp, Msg::EnvNotSupported);
  return run_setter(interp, tool->set, argv[2].view());
}

// clipboard clear: empties the clipboard. Result: 1.
Code clipboard_clear(Interp& interp, int, Value*, void*) {
  std::optional<ClipboardTool> tool = clipboard_tool();
  if (!tool) return core::fail(interp, Msg::EnvNotSupported);
  return run_setter(interp, tool->clear.empty() ? tool->set : tool->clear, "");
}

// clipboard has: 1 when a display and a clipboard tool are there, else 0.
Code clipboard_has(Interp& interp, int, Value*, void*) {
  return core::result_bool(interp, clipboard_tool().has_value());
}

const EnsembleRow kClipboardRows[] = {
    {"get", clipboard_get, 2, 2, ""},
    {"set", clipboard_set, 3, 3, "text"},
    {"clear", clipboard_clear, 2, 2, ""},
    {"has", clipboard_has, 2, 2, ""},
};

const core::Ensemble kClipboardEnsemble{"clipboard", kClipboardRows, Msg::UnknownOption};

// clipboard ?get|set text|clear|has?   (default get)
Code nuvelCommandClipboard(Interp& interp, int argc, Value* argv, void*) {
  if (argc == 1) return clipboard_get(interp, argc, argv, nullptr);
  return core::dispatch_ensemble(interp, kClipboardEnsemble, argc, argv);
}

const CommandRow kDesktopCommands[] = {
    {"beep", nuvelCommandBeep, 1, 3, "?frequency? ?ms?"},
    {"play_wav", nuvelCommandPlayWav, 2, 4, "file ?-async? ?-loop?", core::kUnsafe},
    {"stop_wav", nuvelCommandStopWav, 1, 1, "", core::kUnsafe},
    {"clipboard", nuvelCommandClipboard, 1, 3, "?get|set text|clear|has?", core::kUnsafe},
};

}  // namespace

[[gnu::section(".text.startup.register")]] void register_desktop_cmds(Interp& interp) {
  core::register_rows(interp, kDesktopCommands);
  core::register_ensemble(interp, kClipboardEnsemble);
}

}  // namespace syslib
