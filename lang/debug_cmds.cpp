// The debugger: command tracing (the Exec and Retn lines), breakpoints and
// the single-step prompt, the variable watch list and the debug switch. The
// evaluator calls the trace and single-step hooks this family installs; both
// cost nothing while tracing and single-step are off.
#include <string>
#include <vector>

#include "core/cmd_helpers.h"
#include "core/glob.h"
#include "core/switches.h"
#include "core/var_store.h"
#include "platform/console.h"
#include "platform/line_edit.h"
#include "platform/system.h"

namespace lang {
namespace {

using core::Code;
using core::CommandRow;
using core::Ensemble;
using core::EnsembleRow;
using core::iequals;
using core::Interp;
using core::kAnyWords;
using core::Msg;
using core::switches;
using core::Value;

// Console colours of the debugger (background * 16 + foreground).
constexpr int kColourExec = 11;     // light cyan
constexpr int kColourRetn = 13;     // light magenta
constexpr int kColourPrompt = 224;  // black on yellow
constexpr int kColourCommand = 31;  // bright white on blue
constexpr int kColourWatch = 62;    // yellow on cyan
constexpr int kColourMissing = 79;  // bright white on red

// The count each traced command had when its Exec line was printed, so that
// its Retn line shows the same one. Entries pair up by handler depth: a
// command the single-step prompt stopped drops its own entry.
struct TraceState {
  struct Pending {
    int depth;
    int64_t count;
  };
  std::vector<Pending> pending;
};

// Writes text in a colour and puts the previous colours back.
void out_coloured(int colour, std::string_view text) {
  int saved = platform::attribute();
  platform::set_attribute(colour);
  platform::out(text);
  platform::set_attribute(saved);
}

// The command line as the trace shows it: words joined by one blank, a word
// holding a blank in braces, an empty word as "{}".
std::string command_line(int argc, const Value* argv) {
  std::string line;
  for (int i = 0; i < argc; ++i) {
    if (i > 0) line.push_back(' ');
    std::string_view w = argv[i].view();
    if (w.empty()) {
      line += "{}";
    } else if (w.find(' ') != std::string_view::npos) {
      line.push_back('{');
      line.append(w);
      line.push_back('}');
    } else {
      line.append(w);
    }
  }
  return line;
}

std::string or_braces(std::string_view text) {
  return text.empty() ? std::string("{}") : std::string(text);
}

bool is_traced(const Interp& interp, std::string_view name) {
  if (!interp.trace_on) return false;
  for (const auto& n : interp.trace_names) {
    if (n == name || n == "*") return true;
  }
  return false;
}

// The evaluator's trace hook: "Exec" before the handler runs (the command
// count is the one before this command's increment), "Retn" after it.
void trace_line(Interp& interp, int argc, Value* argv, bool returning, int) {
  TraceState& st = interp.state<TraceState>();
  const int depth = interp.nesting_depth_handlers;
  std::string text;
  if (!returning) {
    st.pending.push_back({depth, interp.cmdcount});
    text = core::format_message("Exec %li (%d)> '%s'",
                                {interp.cmdcount, depth, or_braces(command_line(argc, argv))});
    out_coloured(kColourExec, text);
  } else {
    int64_t count = interp.cmdcount;
    while (!st.pending.empty() && st.pending.back().depth > depth) st.pending.pop_back();
    if (!st.pending.empty() && st.pending.back().depth == depth) {
      count = st.pending.back().count;
      st.pending.pop_back();
    }
    text = core::format_message("Retn %li (%d)> '%s' -> '%s'",
                                {count, depth, argv[0], or_braces(interp.result.view())});
    out_coloured(kColourRetn, text);
  }
  platform::clear_to_eol();
  platform::out("\n");
  platform::flush();
}

// Ends the prompt's line: a terminal redraws it, other output moves on.
void end_prompt_line() {
  if (platform::escapes_enabled()) {
    platform::erase_line();
  } else {
    platform::out("\n");
  }
}

// One line per watched name: its value in the current frame, or that it is
// out of scope.
void show_watches(Interp& interp) {
  for (const std::string& name : interp.watch_names) {
    out_coloured(kColourPrompt, "Watch:");
    platform::out(" ");
    vars::VarRef var = vars::lookup(interp, name);
    if (var) {
      std::string_view value = var.value().view();
      std::string text = "'" + name.substr(0, 30) + "'->";
      if (value.size() <= 38) {
        text += "'" + std::string(value) + "'";
      } else {
        text += "'" + std::string(value.substr(0, 34)) + "'...";
      }
      out_coloured(kColourWatch, text);
    } else {
      out_coloured(kColourMissing, "'" + name + "' is out of scope ");
    }
    platform::out("\n");
  }
}

// The evaluator's single-step hook: runs before every command while
// single-step is on. Returns Stop to end the evaluation without running it.
Code single_step(Interp& interp, int argc, Value* argv) {
  platform::reset_attribute();
  for (;;) {
    if (interp.watch_on && !interp.watch_names.empty()) show_watches(interp);
    out_coloured(kColourPrompt, core::format_message("(%lu): Next ", {interp.cmdcount}));
    out_coloured(kColourCommand, "[" + std::string(argv[0].view()) + "]");
    out_coloured(kColourPrompt, core::format_message("  Info Next Trace Resume Vars Watch%s Quit ",
                                                     {interp.watch_on ? "(ON) " : "(OFF)"}));
    int key = platform::read_key();
    if (key >= 'A' && key <= 'Z') key += 'a' - 'A';
    end_prompt_line();
    switch (key) {
      case 'i':
        nuvelSetErrorText(&interp, core::text_of(Msg::StepStack));
        continue;
      case 'n':
      case ' ':
        return Code::Ok;
      case 't':
        nuvelSetErrorText(&interp, core::text_of(Msg::StepStack));
        return Code::Ok;
      case 'r':
        switches().single_step = 0;
        return Code::Ok;
      case 'v': {
        core::ResultSaver keep(interp);
        core::ScopedRestore<uint16_t> no_step(switches().single_step, 0);
        Value word("vars");
        (void)core::nuvelCallCommand(interp, 1, &word);
        continue;
      }
      case 'w':
        interp.watch_on = interp.watch_on ? 0 : 1;
        continue;
      case 'q':
      case 27:
      case 3: {
        if (key == 3) (void)platform::take_break_flag();
        switches().single_step = 0;
        // The command does not run, so its Exec line gets no Retn line.
        TraceState& st = interp.state<TraceState>();
        if (is_traced(interp, argv[0].view()) && !st.pending.empty()) st.pending.pop_back();
        return Code::Stop;
      }
      default:
        continue;
    }
  }
}

// The evaluator's view of the debugger: the trace line and the prompt above.
class Debugger final : public core::EvalObserver {
 public:
  void trace(Interp& interp, int argc, Value* argv, bool returning, int code) const override {
    trace_line(interp, argc, argv, returning, code);
  }
  Code single_step(Interp& interp, int argc, Value* argv) const override {
    return lang::single_step(interp, argc, argv);
  }
};

constexpr Debugger kDebugger;

// --- trace ---------------------------------------------------------------------

// trace list
// Results: empty; prints the names traced, or that there are none.
Code trace_list(Interp& interp, int, Value*, void*) {
  if (interp.trace_names.empty()) {
    platform::out("No traces registered\n");
    return Code::Ok;
  }
  for (size_t i = 0; i < interp.trace_names.size(); ++i) {
    platform::out(core::format_message("trace %i: '%s'\n", {i, interp.trace_names[i]}));
  }
  return Code::Ok;
}

// Removes a name from a trace or watch list ("*" empties it); the switch goes
// off once the list is empty, and the count follows the list.
void remove_name(std::vector<std::string>& names, uint16_t& on, int32_t& count,
                 std::string_view name) {
  if (name == "*") {
    names.clear();
  } else {
    std::erase(names, name);
  }
  if (names.empty()) {
    names.shrink_to_fit();
    on = 0;
  }
  count = static_cast<int32_t>(names.size());
}

// trace add name
// Side effects: tracing is on; the name is added unless it is there already.
Code trace_add(Interp& interp, int, Value* argv, void*) {
  interp.trace_on = 1;
  std::string name(argv[2].view());
  for (const auto& n : interp.trace_names) {
    if (n == name) return Code::Ok;
  }
  interp.trace_names.push_back(std::move(name));
  interp.trace_count = static_cast<int32_t>(interp.trace_names.size());
  return Code::Ok;
}

// trace remove name
// Side effects: "*" empties the list; otherwise the entries equal to the
// name go. Tracing is off once the list is empty.
Code trace_remove(Interp& interp, int, Value* argv, void*) {
  remove_name(interp.trace_names, interp.trace_on, interp.trace_count, argv[2].view());
  return Code::Ok;
}

constexpr EnsembleRow kTraceRows[] = {
    {"list", trace_list, 2, kAnyWords, "list"},
    {"add", trace_add, 3, kAnyWords, "add name"},
    {"remove", trace_remove, 3, kAnyWords, "remove name"},
};
constexpr Ensemble kTraceEnsemble{"trace", kTraceRows, Msg::TraceUseAddRemove};

// trace list|add|remove ?name?
// Another subcommand word with a name is answered with a hint (code 0).
Code nuvelCommandTrace(Interp& interp, int argc, Value* argv, void*) {
  if (core::find_subcommand(kTraceEnsemble, argv[1].view()) == nullptr) {
    if (argc < 3) return core::nuvelWrongArgs(interp, argc, argv);
    (void)core::fail(interp, Msg::TraceUseAddRemove);
    return Code::Ok;
  }
  return core::dispatch_ensemble(interp, kTraceEnsemble, argc, argv);
}

// --- halt and resume -------------------------------------------------------------

// halt | resume
// Side effects: halt switches single-step on while breakpoints are on (the
// next command shows the prompt); resume switches it off. The result stays.
Code nuvelCommandHalt(Interp&, int, Value* argv, void*) {
  if (iequals(argv[0].view(), "resume")) {
    switches().single_step = 0;
  } else if (switches().breakpoint) {
    switches().single_step = 1;
  }
  return Code::Ok;
}

// --- watch -------------------------------------------------------------------------

Code watch_list(Interp& interp, int, Value*, void*) {
  if (interp.watch_names.empty()) {
    platform::out("No watches registered\n");
    return Code::Ok;
  }
  for (size_t i = 0; i < interp.watch_names.size(); ++i) {
    platform::out(core::format_message("watch %i: '%s'\n", {i, interp.watch_names[i]}));
  }
  return Code::Ok;
}

Code watch_on(Interp& interp, int, Value*, void*) {
  interp.watch_on = 1;
  return Code::Ok;
}

Code watch_off(Interp& interp, int, Value*, void*) {
  interp.watch_on = 0;
  return Code::Ok;
}

// watch add name: the name is added unless an entry matches it as a pattern.
Code watch_add(Interp& interp, int, Value* argv, void*) {
  interp.watch_on = 1;
  std::string name(argv[2].view());
  for (const auto& n : interp.watch_names) {
    if (core::glob_match(name, n, false)) return Code::Ok;
  }
  interp.watch_names.push_back(std::move(name));
  interp.watch_count = static_cast<int32_t>(interp.watch_names.size());
  return Code::Ok;
}

Code watch_remove(Interp& interp, int, Value* argv, void*) {
  remove_name(interp.watch_names, interp.watch_on, interp.watch_count, argv[2].view());
  return Code::Ok;
}

// watch trace pattern ?-nocase? ?-value? ?-halt? ?-line n?
// Prints each variable of the current frame whose name (or value) matches.
// With -halt the first match stops the evaluation (code 6) with its name
// (or value) as the result.
Code watch_trace(Interp& interp, int argc, Value* argv, void*) {
  std::string_view pattern = argv[2].view();
  bool nocase = false;
  bool by_value = false;
  bool halt = false;
  const Value* line = nullptr;
  for (int i = 3; i < argc; ++i) {
    std::string_view w = argv[i].view();
    if (w == "-nocase") {
      nocase = true;
    } else if (w == "-value") {
      by_value = true;
    } else if (w == "-halt") {
      halt = true;
    } else if (w == "-line" && i + 1 < argc) {
      line = &argv[++i];
    }
  }
  if (interp.callframe == nullptr) return Code::Ok;
  for (vars::VarRef var : vars::frame_records(*interp.callframe)) {
    const std::string& name = var.name();
    Value value = var.value();
    if (!core::glob_match(pattern, by_value ? value.view() : std::string_view(name), nocase)) {
      continue;
    }
    std::string_view shown = value.empty() ? std::string_view("<empty>") : value.view();
    std::string text;
    if (line != nullptr) {
      text = core::format_message("%s: Line %s: '%s' -> '%.70s'", {argv[0], *line, name, shown});
    } else {
      text = core::format_message("%s: '%s' -> '%.60s'...", {argv[0], name, shown});
    }
    int saved = platform::attribute();
    platform::set_attribute(kColourRetn);
    platform::out(text);
    if (halt) {
      platform::out(" (* Break *)\n");
      platform::set_attribute(saved);
      core::nuvelSetResult(interp, by_value ? value : Value(name));
      return Code::Stop;
    }
    platform::out("\n");
    platform::set_attribute(saved);
  }
  return Code::Ok;
}

constexpr EnsembleRow kWatchRows[] = {
    {"list", watch_list, 2, kAnyWords, "list"},
    {"on", watch_on, 2, kAnyWords, "on"},
    {"off", watch_off, 2, kAnyWords, "off"},
    {"add", watch_add, 3, kAnyWords, "add name"},
    {"remove", watch_remove, 3, kAnyWords, "remove name"},
    {"trace", watch_trace, 3, kAnyWords, "trace pattern ?-nocase? ?-value? ?-halt? ?-line n?"},
};
constexpr Ensemble kWatchEnsemble{"watch", kWatchRows, Msg::UnknownSubcommand};

// watch list|on|off|add|remove|trace ?word ...?
// Another subcommand word with more words does nothing.
Code nuvelCommandWatch(Interp& interp, int argc, Value* argv, void*) {
  if (core::find_subcommand(kWatchEnsemble, argv[1].view()) == nullptr) {
    if (argc < 3) return core::nuvelWrongArgs(interp, argc, argv);
    return Code::Ok;
  }
  return core::dispatch_ensemble(interp, kWatchEnsemble, argc, argv);
}

// --- debug -----------------------------------------------------------------------

// debug ?on|off|-quiet ...? | debug print ?text ...?
// Results: "1" or "0" for the debug switch (print: empty). Side effects: the
// switch changes; its state is printed unless a word said otherwise.
Code nuvelCommandDebug(Interp& interp, int argc, Value* argv, void*) {
  if (argc >= 2 && iequals(argv[1].view(), "print")) {
    std::string text;
    for (int i = 2; i < argc; ++i) {
      if (i > 2) text.push_back(' ');
      text.append(argv[i].view());
    }
    if (switches().escape) text = core::nuvelUnescape(text);
    platform::out(text);
    platform::out("\n");
    return Code::Ok;
  }
  bool quiet = false;
  for (int i = 1; i < argc; ++i) {
    std::string_view w = argv[i].view();
    if (iequals(w, "-quiet")) {
      quiet = true;
    } else if (iequals(w, "on")) {
      switches().debug = 1;
      quiet = true;
    } else if (iequals(w, "off")) {
      switches().debug = 0;
      quiet = true;
    }
  }
  if (!quiet) platform::out(switches().debug ? "Debug is ON\n" : "Debug is OFF\n");
  return core::result_bool(interp, switches().debug != 0);
}

constexpr CommandRow kDebugCommands[] = {
    {"trace", nuvelCommandTrace, 2, kAnyWords, "list|add|remove ?name?"},
    {"halt", nuvelCommandHalt, 1, 1, "", core::kUnsafe | core::kNoFuzz},
    {"resume", nuvelCommandHalt, 1, 1, ""},
    {"watch", nuvelCommandWatch, 2, kAnyWords,
     "list|on|off|add|remove|trace ?name? ?-nocase? ?-value? ?-halt? ?-line n?"},
    {"debug", nuvelCommandDebug, 1, kAnyWords, "?on|off? ?-quiet? | print ?text?"},
};

}  // namespace

[[gnu::section(".text.startup.register")]] void register_debug_cmds(Interp& interp) {
  core::register_rows(interp, kDebugCommands);
  core::register_ensemble(interp, kTraceEnsemble);
  core::register_ensemble(interp, kWatchEnsemble);
  interp.hooks.observer = &kDebugger;
}

}  // namespace lang
