// The process-wide switches as commands: option, autoexec, and the escape and
// unescape text commands.
#include <optional>
#include <string>

#include "core/cmd_helpers.h"
#include "core/config.h"
#include "core/switches.h"
#include "platform/console.h"

namespace core {
namespace {

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

// option ?name? ?word ...?
// Results: without a name, untouched (the settings are printed); with the name
// alone, "ON" or "OFF" for the switch; with words, the result is untouched.
// Side effects: "on", "off", "push", "pop" and "reset" change the switch or
// its save slot. The first call fills every save slot from its switch.
// Fails for an unknown option name.
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
  std::string_view name = argv[1].view();
  OptionWords w = read_words(argc, argv);
  bool state = false;
  if (iequals(name, "autoexec")) {
    plain_switch(w, sw.autoexec, slots.autoexec, "AutoExec");
    state = sw.autoexec != 0;
  } else if (iequals(name, "echo")) {
    if (w.reset) {
      load(sw.echo, "ConsoleEcho");
      load(sw.verbose, "Verbose");
    } else {
      push_or_pop(w, sw.echo, slots.echo);
      on_or_off(w, sw.echo);
    }
    state = sw.echo != 0;
  } else if (iequals(name, "escape")) {
    if (w.reset) {
      load(sw.escape, "BackslashEscapes");
      if (sw.escape) sw.autoexec = 0;
    } else {
      push_or_pop(w, sw.escape, slots.escape);
      if (w.on) {
        sw.escape = 1;
        sw.autoexec = 0;
      } else if (w.off) {
        sw.escape = 0;
      }
    }
    state = sw.escape != 0;
  } else if (iequals(name, "expression")) {
    // The switch is stored inverted: 1 means conditions run as commands.
    if (w.reset) {
      if (std::optional<bool> v = config_switch("FlowControlUsesExpression")) {
        sw.flow_uses_eval = *v ? 0 : 1;
      }
    } else {
      push_or_pop(w, sw.flow_uses_eval, slots.flow_uses_eval);
      if (w.on) {
        sw.flow_uses_eval = 0;
      } else if (w.off) {
        sw.flow_uses_eval = 1;
      }
    }
    state = sw.flow_uses_eval == 0;
  } else if (iequals(name, "preprocessor")) {
    if (w.reset) {
      load(sw.preprocessor, "EnablePreprocessor");
    } else {
      push_or_pop(w, sw.preprocessor, slots.preprocessor);
    }
    on_or_off(w, sw.preprocessor);
    state = sw.preprocessor != 0;
  } else if (iequals(name, "stacktrace")) {
    plain_switch(w, sw.stacktrace, slots.stacktrace, "StackTrace");
    state = sw.stacktrace != 0;
  } else if (iequals(name, "breakpoint")) {
    if (w.reset) {
      sw.breakpoint = 1;
    } else {
      push_or_pop(w, sw.breakpoint, slots.breakpoint);
      on_or_off(w, sw.breakpoint);
    }
    if (sw.breakpoint) {
      sw.echo = 1;
      sw.stacktrace = 1;
    }
    state = sw.breakpoint != 0;
  } else {
    std::string message(argv[0].view());
    message += ": Unknown option '";
    message += name;
    message += "'\n";
    nuvelSetErrorText(&interp, message);
    nuvelSetResult(interp, Value(std::move(message)));
    return Code::Error;
  }
  if (argc == 2) nuvelSetResult(interp, Value(state ? "ON" : "OFF"));
  return Code::Ok;
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
  if (argc != 2) return nuvelWrongArgs(interp, argc, argv);
  nuvelSetResult(interp, Value(nuvelEscape(argv[1].view())));
  return Code::Ok;
}

// unescape text
// Results: the text with "\r", "\n", "\t" made control characters and the
// backslash before any other character dropped (a trailing one stays).
Code nuvelCommandUnescape(Interp& interp, int argc, Value* argv, void*) {
  if (argc != 2) return nuvelWrongArgs(interp, argc, argv);
  nuvelSetResult(interp, Value(nuvelUnescape(argv[1].view())));
  return Code::Ok;
}

const CommandSpec kOptionCommands[] = {
    {"option", nuvelCommandOption},
    {"autoexec", nuvelCommandAutoexec},
    {"escape", nuvelCommandEscape},
    {"unescape", nuvelCommandUnescape},
};

}  // namespace

void register_option_cmds(Interp& interp) {
  nuvelRegisterFamily(interp, kOptionCommands);
}

}  // namespace core
