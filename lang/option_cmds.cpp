// The process-wide switches as commands: option, autoexec, and the escape and
// unescape text commands.
#include <optional>
#include <string>

#include "core/cmd_helpers.h"
#include "core/config.h"
#include "core/switches.h"
#include "platform/console.h"

namespace lang {
namespace {

using core::Code;
using core::CommandRow;
using core::config_switch;
using core::dispatch_ensemble;
using core::Ensemble;
using core::EnsembleRow;
using core::fail;
using core::find_subcommand;
using core::iequals;
using core::Interp;
using core::kAnyWords;
using core::message_of;
using core::Msg;
using core::nuvelEscape;
using core::nuvelSetResult;
using core::nuvelUnescape;
using core::process;
using core::register_ensemble;
using core::register_rows;
using core::Switches;
using core::switches;
using core::SwitchSlots;
using core::Value;

// The words after an option name. Other words are ignored.
struct OptionWords {
  bool on = false;
  bool off = false;
  bool push = false;
  bool pop = false;
  bool reset = false;
};

OptionWords read_words(int argc, const Value* argv) {
  OptionWords w;
  for (int i = 2; i < argc; ++i) {
    std::string_view word = argv[i].view();
    if (iequals(word, "on")) {
      w.on = true;
    } else if (iequals(word, "off")) {
      w.off = true;
    } else if (iequals(word, "push")) {
      w.push = true;
    } else if (iequals(word, "pop")) {
      w.pop = true;
    } else if (iequals(word, "reset")) {
      w.reset = true;
    }
  }
  return w;
}

// "push" saves the switch into its slot, else "pop" restores it.
template <class T>
void push_or_pop(const OptionWords& w, T& value, T& slot) {
  if (w.push) {
    slot = value;
  } else if (w.pop) {
    value = slot;
  }
}

// "on" sets the switch, else "off" clears it.
template <class T>
void on_or_off(const OptionWords& w, T& value) {
  if (w.on) {
    value = 1;
  } else if (w.off) {
    value = 0;
  }
}

// Loads a switch from its configuration key; unchanged when the key is missing.
template <class T>
void load(T& value, std::string_view key) {
  if (std::optional<bool> v = config_switch(key)) value = *v ? 1 : 0;
}

// The common pattern: reset reads the key; otherwise push/pop, then on/off.
template <class T>
void plain_switch(const OptionWords& w, T& value, T& slot, std::string_view key) {
  if (w.reset) {
    load(value, key);
    return;
  }
  push_or_pop(w, value, slot);
  on_or_off(w, value);
}

const char* on_off(bool v) {
  return v ? "on" : "off";
}

void print_settings() {
  const Switches& sw = switches();
  bool expressions = sw.flow_uses_eval == 0;
  platform::out("Option Settings:\n\n");
  platform::out("Subcommand    Arg  Comment\n");
  platform::out(std::string(75, '-'));
  platform::out("\n");
  platform::outf("autoexec      %3s: Autoexec unknown (disables CLI C-like escapes if ON)\n",
                 on_off(sw.autoexec));
  platform::outf("echo          %3s: Echo command and error results\n", on_off(sw.echo));
  platform::outf("escape        %3s: C-like escapes. (Disabled in CLI by autoexec ON)\n",
                 on_off(sw.escape));
  platform::outf("expression    %3s: Flow control uses %s\n", on_off(expressions),
                 expressions ? "[expr]" : "[eval]");
  platform::outf("preprocessor  %3s: Macro preprocessor\n", on_off(sw.preprocessor));
  platform::outf("stacktrace    %3s: Debug stack trace\n", on_off(sw.stacktrace));
  platform::outf("breakpoint    %3s: Debugging Breakpoints\n", on_off(sw.breakpoint));
}

// The state of a switch as the result of `option name` (and nothing with
// more words).
Code report_state(Interp& interp, int argc, bool state) {
  if (argc == 2) nuvelSetResult(interp, Value(state ? "ON" : "OFF"));
  return Code::Ok;
}

// option autoexec|stacktrace ?word ...?
Code option_autoexec(Interp& interp, int argc, Value* argv, void*) {
  Switches& sw = switches();
  plain_switch(read_words(argc, argv), sw.autoexec, process().slots.autoexec, "AutoExec");
  return report_state(interp, argc, sw.autoexec != 0);
}

Code option_stacktrace(Interp& interp, int argc, Value* argv, void*) {
  Switches& sw = switches();
  plain_switch(read_words(argc, argv), sw.stacktrace, process().slots.stacktrace, "StackTrace");
  return report_state(interp, argc, sw.stacktrace != 0);
}

// option echo ?word ...?: reset also reloads verbose.
Code option_echo(Interp& interp, int argc, Value* argv, void*) {
  Switches& sw = switches();
  OptionWords w = read_words(argc, argv);
  if (w.reset) {
    load(sw.echo, "ConsoleEcho");
    load(sw.verbose, "Verbose");
  } else {
    push_or_pop(w, sw.echo, process().slots.echo);
    on_or_off(w, sw.echo);
  }
  return report_state(interp, argc, sw.echo != 0);
}

// option escape ?word ...?: switching escapes on switches autoexec off.
Code option_escape(Interp& interp, int argc, Value* argv, void*) {
  Switches& sw = switches();
  OptionWords w = read_words(argc, argv);
  if (w.reset) {
    load(sw.escape, "BackslashEscapes");
    if (sw.escape) sw.autoexec = 0;
  } else {
    push_or_pop(w, sw.escape, process().slots.escape);
    if (w.on) {
      sw.escape = 1;
      sw.autoexec = 0;
    } else if (w.off) {
      sw.escape = 0;
    }
  }
  return report_state(interp, argc, sw.escape != 0);
}

// option expression ?word ...?
Code option_expression(Interp& interp, int argc, Value* argv, void*) {
  Switches& sw = switches();
  OptionWords w = read_words(argc, argv);
  // The switch is stored inverted: 1 means conditions run as commands.
  if (w.reset) {
    if (std::optional<bool> v = config_switch("FlowControlUsesExpression")) {
      sw.flow_uses_eval = *v ? 0 : 1;
    }
  } else {
    push_or_pop(w, sw.flow_uses_eval, process().slots.flow_uses_eval);
    if (w.on) {
      sw.flow_uses_eval = 0;
    } else if (w.off) {
      sw.flow_uses_eval = 1;
    }
  }
  return report_state(interp, argc, sw.flow_uses_eval == 0);
}

// option preprocessor ?word ...?: on/off apply after reset too.
Code option_preprocessor(Interp& interp, int argc, Value* argv, void*) {
  Switches& sw = switches();
  OptionWords w = read_words(argc, argv);
  if (w.reset) {
    load(sw.preprocessor, "EnablePreprocessor");
  } else {
    push_or_pop(w, sw.preprocessor, process().slots.preprocessor);
  }
  on_or_off(w, sw.preprocessor);
  return report_state(interp, argc, sw.preprocessor != 0);
}

// option breakpoint ?word ...?: breakpoints switch echo and stacktrace on.
Code option_breakpoint(Interp& interp, int argc, Value* argv, void*) {
  Switches& sw = switches();
  OptionWords w = read_words(argc, argv);
  if (w.reset) {
    sw.breakpoint = 1;
  } else {
    push_or_pop(w, sw.breakpoint, process().slots.breakpoint);
    on_or_off(w, sw.breakpoint);
  }
  if (sw.breakpoint) {
    sw.echo = 1;
    sw.stacktrace = 1;
  }
  return report_state(interp, argc, sw.breakpoint != 0);
}

constexpr EnsembleRow kOptionSubs[] = {
    {"autoexec", option_autoexec, 2, kAnyWords, "?on|off|push|pop|reset ...?"},
    {"echo", option_echo, 2, kAnyWords, "?on|off|push|pop|reset ...?"},
    {"escape", option_escape, 2, kAnyWords, "?on|off|push|pop|reset ...?"},
    {"expression", option_expression, 2, kAnyWords, "?on|off|push|pop|reset ...?"},
    {"preprocessor", option_preprocessor, 2, kAnyWords, "?on|off|push|pop|reset ...?"},
    {"stacktrace", option_stacktrace, 2, kAnyWords, "?on|off|push|pop|reset ...?"},
    {"breakpoint", option_breakpoint, 2, kAnyWords, "?on|off|push|pop|reset ...?"},
};

constexpr Ensemble kOptionEnsemble{"option", kOptionSubs, Msg::UnknownOption};

// option ?name? ?word ...?
// Results: without a name, untouched (the settings are printed); with the name
// alone, "ON" or "OFF" for the switch; with words, the result is untouched.
// Side effects: "on", "off", "push", "pop" and "reset" change the switch or
// its save slot; other words are ignored. The first call fills every save
// slot from its switch. An unknown option name fails, with the message as
// the result.
Code nuvelCommandOption(Interp& interp, int argc, Value* argv, void*) {
  Switches& sw = switches();
  SwitchSlots& slots = process().slots;
  if (!slots.filled) {
    slots.filled = true;
    slots.autoexec = sw.autoexec;
    slots.echo = sw.echo;
    slots.escape = sw.escape;
    slots.flow_uses_eval = sw.flow_uses_eval;
    slots.preprocessor = sw.preprocessor;
    slots.stacktrace = sw.stacktrace;
    slots.breakpoint = sw.breakpoint;
  }
  if (argc < 2) {
    print_settings();
    return Code::Ok;
  }
  if (find_subcommand(kOptionEnsemble, argv[1].view()) == nullptr) {
    std::string message = message_of(interp, Msg::UnknownOption, argv[1]);
    Code rc = fail(interp, Msg::UnknownOption, argv[1]);
    nuvelSetResult(interp, Value(std::move(message)));
    return rc;
  }
  return dispatch_ensemble(interp, kOptionEnsemble, argc, argv);
}

// autoexec ?word?
// Results: untouched.
// Side effects: without a word (or with more than one) prints the state; "on"
// (any case) switches autoexec on; any other word switches it off and reloads
// escape from the configuration key "BackslashEscapes".
Code nuvelCommandAutoexec(Interp& interp, int argc, Value* argv, void*) {
  Switches& sw = switches();
  if (argc != 2) {
    platform::out(sw.autoexec ? "Autoexec is ON\n" : "Autoexec is OFF\n");
    return Code::Ok;
  }
  if (iequals(argv[1].view(), "on")) {
    sw.autoexec = 1;
  } else {
    sw.autoexec = 0;
    load(sw.escape, "BackslashEscapes");
  }
  return Code::Ok;
}

// escape text
// Results: the text with backslashes doubled and a backslash put before each
// of $ [ ] { }.
Code nuvelCommandEscape(Interp& interp, int argc, Value* argv, void*) {
  nuvelSetResult(interp, Value(nuvelEscape(argv[1].view())));
  return Code::Ok;
}

// unescape text
// Results: the text with "\r", "\n", "\t" made control characters and the
// backslash before any other character dropped (a trailing one stays).
Code nuvelCommandUnescape(Interp& interp, int argc, Value* argv, void*) {
  nuvelSetResult(interp, Value(nuvelUnescape(argv[1].view())));
  return Code::Ok;
}

constexpr CommandRow kOptionCommands[] = {
    {"option", nuvelCommandOption, 1, kAnyWords, "?name? ?on|off|push|pop|reset ...?"},
    {"autoexec", nuvelCommandAutoexec, 1, kAnyWords, "?on|off?"},
    {"escape", nuvelCommandEscape, 2, 2, "text"},
    {"unescape", nuvelCommandUnescape, 2, 2, "text"},
};

}  // namespace

[[gnu::section(".text.startup.register")]] void register_option_cmds(Interp& interp) {
  register_rows(interp, kOptionCommands);
  register_ensemble(interp, kOptionEnsemble);
}

}  // namespace lang
