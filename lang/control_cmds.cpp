// Branching and looping: if while for do foreach switch break continue.
// Conditions are scripts by default and infix expressions when the
// expression option is on; each command keeps its own truth test.
#include <memory>
#include <string>
#include <vector>

#include "core/cmd_helpers.h"
#include "core/glob.h"
#include "core/list_value.h"
#include "core/script.h"
#include "core/switches.h"
#include "core/var_store.h"
#include "lang/flow.h"
#include "platform/console.h"
#include "platform/system.h"

namespace lang {
namespace {

using vars::lookup;
using vars::set_var;
using vars::VarRef;

using core::Code;
using core::CommandRow;
using core::kAnyWords;
using core::rindoEval;

bool conditions_are_scripts() {
  return core::switches().flow_uses_eval != 0;
}

// if (both modes): a non-empty text whose leading decimal value is not 0.
bool if_true(std::string_view text) {
  return !text.empty() && leading_double(text) != 0.0;
}
// The leading decimal integer of a value's text, read from the value when
// its number is known (a canonical integer reads as that number).
int64_t leading_int_of(const Value& v) {
  int64_t known;
  return v.known_int(known) ? known : core::leading_int(v.view());
}

// The same of a result, read as its number when that is known.
bool if_true(const Value& result) {
  int64_t known;
  return result.known_int(known) ? known != 0 : if_true(result.view());
}

// while, script mode: false only for the empty text and texts made of "+",
// "-", "." and "0".
bool while_script_true(std::string_view text) {
  return text.find_first_not_of("+-.0") != std::string_view::npos;
}

// do (while sense): false when the text is empty or its leading integer is 0.
bool do_true(std::string_view text) {
  return !text.empty() && core::leading_int(text) != 0;
}

// Runs a condition as a script or as an expression by the current mode;
// the text to test is left in the result.
Code run_condition(Interp& interp, const Value& cond) {
  if (conditions_are_scripts()) return rindoEval(interp, cond);
  return eval_expression(interp, cond);
}

// The first condition of if in expression mode: trimmed, stripped of line
// breaks, substituted (variables and bracketed commands), then evaluated.
Code if_first_expression(Interp& interp, const Value& cond) {
  std::string_view t = cond.view();
  size_t b = t.find_first_not_of("\r\n\t ");
  size_t e = t.find_last_not_of("\r\n\t ");
  t = b == std::string_view::npos ? std::string_view() : t.substr(b, e - b + 1);
  std::string text;
  text.reserve(t.size());
  for (char c : t) {
    if (c != '\r' && c != '\n') text.push_back(c);
  }
  Code rc = rindoEval(interp, Value(std::move(text)), true, false);
  if (rc != Code::Ok) return rc;
  if (interp.result.empty()) return Code::Ok;
  Value substituted = interp.result;
  return eval_expression(interp, substituted);
}

// The report of a word where elseif or else belongs; out of line, so that
// nuvelCommandIf's stack frame, which every nesting level pays for, stays
// small.
[[gnu::noinline]] Code expected_else(Interp& interp, const Value& word, int index) {
  platform::out(core::message_of(interp, core::Msg::IfExpectedElse, word, index));
  return Code::Error;
}

// The choice of if: tests the conditions in turn and gives the position in
// argv of the body to run, or -1 when no body runs (`rc` then holds the
// command's code: ok, or the failure of a condition or of the words).
[[gnu::always_inline]] inline int if_branch(Interp& interp, int argc, Value* argv, Code& rc) {
  rc = Code::Ok;
  if (argc == 4 || argc == 7) {
    rc = core::nuvelWrongArgs(interp, argc, argv);
    return -1;
  }
  rc = conditions_are_scripts() ? rindoEval(interp, argv[1]) : if_first_expression(interp, argv[1]);
  if (rc != Code::Ok) return -1;
  if (if_true(interp.result)) return 2;
  if (argc == 3) return -1;
  bool has_else = argv[argc - 2].view() == "else";
  int chain_end = has_else ? argc - 2 : argc;
  for (int i = 3; i < chain_end; i += 3) {
    if (argv[i].view() != "elseif") {
      rc = expected_else(interp, argv[i], i);
      return -1;
    }
    if (i + 2 >= chain_end) {
      rc = core::nuvelWrongArgs(interp, argc, argv);
      return -1;
    }
    rc = run_condition(interp, argv[i + 1]);
    if (rc != Code::Ok) return -1;
    if (if_true(interp.result)) return i + 2;
  }
  return has_else ? argc - 1 : -1;
}

// if cond body ?elseif cond body ...? ?else body?
// Results: the code and result of the body run, or ok. (An if that ends a
// script is run by the evaluator itself, through if_branch: see
// run_ending_in_if in core/eval.cpp.)
Code nuvelCommandIf(Interp& interp, int argc, Value* argv, void*) {
  Code rc;
  const int body = if_branch(interp, argc, argv, rc);
  return body < 0 ? rc : rindoEval(interp, argv[body]);
}

// Loops whose body and condition hold no command never reach the
// evaluator's look at the break flag, so every loop looks at it each round:
// Ctrl+C ends the loop with "Interrupted" (code stop).
bool interrupted(Interp& interp) {
  if (!platform::break_flag() || !platform::take_break_flag()) return false;
  (void)core::fail(interp, core::Msg::Interrupted);
  return true;
}

// while cond body
// Results: ok when the condition turns false or the body breaks; other codes
// of the body (return, error, ...) end the loop and are passed on.
Code nuvelCommandWhile(Interp& interp, int argc, Value* argv, void*) {
  const Value& cond = argv[1];
  const Value& body = argv[2];
  bool scripts = conditions_are_scripts();
  for (;;) {
    if (interrupted(interp)) return Code::Stop;
    bool go;
    if (scripts) {
      Code rc = rindoEval(interp, cond);
      if (rc == Code::Error || rc == Code::Exit || rc == Code::Stop) return rc;
      go = while_script_true(interp.result.view());
    } else {
      // A failing expression ends the loop with its error (never a silent ok).
      Code rc = eval_expression(interp, cond);
      if (rc != Code::Ok) return rc;
      go = interp.result.empty() || core::leading_int(interp.result.view()) != 0;
    }
    if (!go) return Code::Ok;
    Code rc = rindoEval(interp, body);
    if (rc == Code::Ok || rc == Code::Continue) continue;
    return rc == Code::Break ? Code::Ok : rc;
  }
}

// for init cond next body
// Results: ok when the condition turns false or the body breaks. The body
// runs before the condition is first tested.
Code nuvelCommandFor(Interp& interp, int argc, Value* argv, void*) {
  Value cond = argv[2].empty() ? Value("1") : argv[2];
  const Value& next = argv[3];
  const Value& body = argv[4];
  if (rindoEval(interp, argv[1]) != Code::Ok) {
    return core::fail(interp, core::Msg::ForInitFailed, argv[1]);
  }
  for (;;) {
    if (interrupted(interp)) return Code::Stop;
    Code rc = rindoEval(interp, body);
    if (rc == Code::Break) return Code::Ok;
    if (rc != Code::Ok && rc != Code::Continue) return rc;
    if (rindoEval(interp, next) != Code::Ok) return Code::Error;
    // A condition that is an operator chain gives its number without text;
    // the text is the result only where it stays (the loop ends, or Ctrl+C
    // ends it before the body runs again).
    if (int64_t truth; conditions_are_scripts() && core::rindoEvalChain(interp, cond, truth)) {
      if (truth == 0 || platform::break_flag())
        core::nuvelSetResult(interp, Value::from_int(truth));
      if (truth == 0) return Code::Ok;
      continue;
    }
    rc = run_condition(interp, conditions_are_scripts() ? cond : argv[2]);
    if (rc != Code::Ok) return rc;
    if (leading_int_of(interp.result) == 0) return Code::Ok;
  }
}

// do body ?while|until? cond  |  do while|until cond body
// Results: "1" when the loop stops on its condition; the body runs first.
Code nuvelCommandDo(Interp& interp, int argc, Value* argv, void*) {
  Value body = argv[1];
  Value cond = argv[2];
  bool until = false;
  if (argc == 4) {
    if (core::iequals(argv[1].view(), "while") || core::iequals(argv[1].view(), "until")) {
      until = core::iequals(argv[1].view(), "until");
      cond = argv[2];
      body = argv[3];
    } else {
      until = argv[2].view() == "until";
      cond = argv[3];
    }
  }
  for (;;) {
    if (interrupted(interp)) return Code::Stop;
    Code rc = rindoEval(interp, body);
    if (rc == Code::Break || rc == Code::Goto) return Code::Ok;
    if (rc == Code::Continue) continue;
    if (rc != Code::Ok) return rc;
    rc = run_condition(interp, cond);
    if (rc == Code::Error || rc == Code::Exit || rc == Code::Stop) {
      core::nuvelSetResult(interp, Value("0"));
      return rc;
    }
    std::string_view out = interp.result.view();
    bool stop = until ? core::leading_int(out) != 0 : !do_true(out);
    if (stop) {
      core::nuvelSetResult(interp, Value("1"));
      return Code::Ok;
    }
    if (rc != Code::Ok) return Code::Ok;  // return, break or goto from the condition
  }
}

// Adds the step to a loop counter; false when it would overflow (the loop
// then ends, since no further value can be reached).
bool advance(int64_t& counter, int64_t step) {
  return !__builtin_add_overflow(counter, step, &counter);
}

// The counter's current value: re-read from the variable, which the body may
// have changed.
int64_t reread_counter(Interp& interp, std::string_view name, int64_t fallback,
                       core::VarLookupCache& cache) {
  VarRef var = lookup(interp, name, cache);
  return var ? leading_int_of(var.value()) : fallback;
}

// loop count body  |  loop count step body  |  loop var from to ?step? body
// Results: ok when the count is reached or the body breaks. With a variable,
// the end value is exclusive and var keeps the first value that failed.
Code nuvelCommandLoop(Interp& interp, int argc, Value* argv, void*) {
  const Value& body = argv[argc - 1];
  if (argc <= 4) {
    int64_t count = core::leading_int(argv[1].view());
    int64_t step = argc == 4 ? core::leading_int(argv[2].view()) : 1;
    for (int64_t counter = 0; step > 0 ? counter < count : counter > count;) {
      if (interrupted(interp)) return Code::Stop;
      Code rc = rindoEval(interp, body);
      if (rc == Code::Break) return Code::Ok;
      if (rc != Code::Ok && rc != Code::Continue) return rc;
      if (!advance(counter, step)) break;
    }
    return Code::Ok;
  }
  std::string_view name = argv[1].view();
  int64_t counter = core::leading_int(argv[2].view());
  int64_t to = core::leading_int(argv[3].view());
  int64_t step = argc >= 6 ? core::leading_int(argv[4].view()) : 1;
  if (counter > to) {
    step = -1;
  } else if (step == 0) {
    return core::fail(interp, core::Msg::InvalidIncrementZero);
  }
  bool up = step > 0;
  // The counter's record, found again only when the frame's records change.
  core::VarLookupCache counter_var;
  for (;;) {
    int set = set_var(interp, name, Value::from_int(counter), counter_var);
    if (up ? counter >= to : counter <= to) return set == 0 ? Code::Ok : Code::Error;
    // A counter that cannot be written (an array of that name, say) ends
    // the loop with the report made: read back, it would restart the count
    // forever.
    if (set != 0) return Code::Error;
    if (interrupted(interp)) return Code::Stop;
    Code rc = rindoEval(interp, body);
    if (rc == Code::Break) return Code::Ok;
    if (rc != Code::Ok && rc != Code::Continue) return rc;
    counter = reread_counter(interp, name, counter, counter_var);
    if (!advance(counter, step)) return Code::Ok;
  }
}

// floop var from to ?step? body
// Results: as loop with a variable, counting in doubles ("%.15f").
Code nuvelCommandFloop(Interp& interp, int argc, Value* argv, void*) {
  const Value& body = argv[argc - 1];
  std::string_view name = argv[1].view();
  double counter = leading_double(argv[2].view());
  double to = leading_double(argv[3].view());
  double step = argc >= 6 ? leading_double(argv[4].view()) : 1.0;
  if (counter > to) {
    step = -1.0;
  } else if (step == 0.0) {
    return core::fail(interp, core::Msg::InvalidIncrementZero);
  }
  bool up = step > 0;
  for (;;) {
    char buf[400];
    snprintf(buf, sizeof buf, "%.15f", counter);
    int set = set_var(interp, name, Value(buf));
    if (up ? counter >= to : counter <= to) return set == 0 ? Code::Ok : Code::Error;
    if (interrupted(interp)) return Code::Stop;
    Code rc = rindoEval(interp, body);
    if (rc == Code::Break) return Code::Ok;
    if (rc != Code::Ok && rc != Code::Continue) return rc;
    VarRef var = lookup(interp, name);
    if (var && !var.value().empty()) counter = leading_double(var.value().view());
    counter += step;
  }
}

// foreach varlist list ?varlist list ...? body ?-tail?
// Results: ok when the lists are used up or the body breaks. Variables past
// the end of their value list take the empty string.
Code nuvelCommandForeach(Interp& interp, int argc, Value* argv, void*) {
  int body_at = core::iequals(argv[argc - 1].view(), "-tail") ? argc - 2 : argc - 1;
  int pair_words = body_at - 1;
  if (pair_words % 2 != 0 || pair_words == 0) {
    platform::out(core::message_of(interp, core::Msg::ForeachPairs, argv[0], pair_words));
    return Code::Error;
  }
  // The element forms are cached on the list texts, so a foreach run again
  // over the same lists does not read them again.
  struct Pair {
    std::shared_ptr<const core::StandardList> names;
    std::shared_ptr<const core::StandardList> values;
    size_t name_count = 0;
    size_t value_count = 0;
    size_t next = 0;
  };
  std::vector<Pair> pairs(static_cast<size_t>(pair_words / 2));
  size_t most_names = 0;
  size_t most_values = 0;
  size_t iterations = 0;
  for (size_t p = 0; p < pairs.size(); ++p) {
    Pair& pair = pairs[p];
    pair.names = core::list_standard(argv[1 + 2 * p]);
    pair.values = core::list_standard(argv[2 + 2 * p]);
    pair.name_count = pair.names->count(false);
    pair.value_count = pair.values->count(false);
    most_names = std::max(most_names, pair.name_count);
    most_values = std::max(most_values, pair.value_count);
    // An empty variable list takes no values, so it adds no iterations.
    if (most_names > 0) {
      iterations = std::max(iterations, (most_values + most_names - 1) / most_names);
    }
  }
  const Value& body = argv[body_at];
  for (size_t n = 0; n < iterations; ++n) {
    for (Pair& pair : pairs) {
      for (size_t k = 0; k < pair.name_count; ++k) {
        const Value value =
            pair.next < pair.value_count ? pair.values->elements[pair.next++] : Value();
        if (set_var(interp, pair.names->elements[k].view(), value) != 0) return Code::Error;
      }
    }
    Code rc = rindoEval(interp, body);
    if (rc == Code::Break) return Code::Ok;
    if (rc != Code::Ok && rc != Code::Continue) return rc;
  }
  return Code::Ok;
}

bool is_digit(char c) {
  return c >= '0' && c <= '9';
}

// A decimal number with exactly one point: optional sign, digits and one ".".
bool is_point_number(std::string_view s) {
  size_t i = !s.empty() && (s[0] == '+' || s[0] == '-') ? 1 : 0;
  int points = 0;
  bool digit = false;
  for (; i < s.size(); ++i) {
    if (s[i] == '.') {
      ++points;
    } else if (is_digit(s[i])) {
      digit = true;
    } else {
      return false;
    }
  }
  return digit && points == 1;
}

bool is_integer_text(std::string_view s) {
  size_t i = !s.empty() && (s[0] == '+' || s[0] == '-') ? 1 : 0;
  if (i == s.size()) return false;
  for (; i < s.size(); ++i) {
    if (!is_digit(s[i])) return false;
  }
  return true;
}

bool fold_equal(std::string_view a, std::string_view b, bool nocase) {
  return nocase ? core::iequals(a, b) : a == b;
}

// One switch comparison: numbers first (doubles when either side has one
// point, 64-bit integers when both are integers), then the text mode.
bool switch_matches(std::string_view pattern, std::string_view value, bool glob, bool nocase) {
  if (pattern.empty()) return false;
  if (is_point_number(pattern) || is_point_number(value)) {
    return leading_double(pattern) == leading_double(value);
  }
  if (is_integer_text(pattern) && is_integer_text(value)) {
    return core::leading_int(pattern) == core::leading_int(value);
  }
  return glob ? core::glob_match(pattern, value, nocase) : fold_equal(pattern, value, nocase);
}

Code no_matching_case(Interp& interp, const Value& value) {
  core::nuvelResetResult(interp);
  return core::fail(interp, core::Msg::SwitchNoMatch, value);
}

// Runs a matching case's body; the value becomes the result when the body
// leaves none, and a return from the body completes the switch normally.
Code run_case(Interp& interp, const Value& body, const Value& value) {
  Code rc = body.view() == "{}" ? Code::Ok : rindoEval(interp, body);
  if (body.view() == "{}") core::nuvelResetResult(interp);
  if (interp.result.empty()) core::nuvelSetResult(interp, value);
  return rc == Code::Return ? Code::Ok : rc;
}

// switch ?-glob|-exact? ?-nocase? ?-eval? ?--? value {pattern body ...}
// switch ?options? value pattern body ?pattern body ...?
// Results: the code and result of the matching case's body. Side effects:
// sets the variable `this` to the value. No matching case is an error.
Code nuvelCommandSwitch(Interp& interp, int argc, Value* argv, void*) {
  bool glob = false;
  bool nocase = false;
  bool eval_patterns = false;
  std::vector<int> others;
  for (int i = 1; i < argc; ++i) {
    std::string_view w = argv[i].view();
    if (core::iequals(w, "-glob")) {
      glob = true;
    } else if (core::iequals(w, "-exact")) {
      glob = false;
    } else if (core::iequals(w, "-nocase")) {
      nocase = true;
    } else if (core::iequals(w, "-eval")) {
      eval_patterns = true;
    } else if (w != "--") {
      others.push_back(i);
    }
  }
  if (others.size() < 2) {
    core::nuvelResetResult(interp);
    return core::fail(interp, core::Msg::SwitchArgumentCount);
  }
  Value value = argv[others[0]];
  std::vector<Value> cases;
  if (others.size() == 2) {
    // An empty body written last ("x {}") is a case of its own.
    cases = core::list_read_standard(argv[others[1]].view(), nullptr, true);
  } else {
    if ((others.size() - 1) % 2 != 0) return core::nuvelWrongArgs(interp, argc, argv);
    for (size_t k = 1; k < others.size(); ++k) cases.push_back(argv[others[k]]);
  }
  (void)set_var(interp, "this", value);
  if (cases.size() % 2 != 0) {
    return core::fail(interp, core::Msg::SwitchOddPairs, cases.size());
  }
  if (cases.empty()) return no_matching_case(interp, value);
  bool forced = false;  // a fall-through case matched: this case runs
  for (size_t i = 0; i < cases.size(); i += 2) {
    Value pattern = cases[i];
    const Value& body = cases[i + 1];
    bool fall_through = body.view() == "-";
    if (pattern.view() == "default") {
      if (i + 2 != cases.size()) {
        core::nuvelResetResult(interp);
        return core::fail(interp, core::Msg::SwitchDefaultLast);
      }
      if (body.empty() || body.view() == "{}") {
        core::nuvelResetResult(interp);
        return Code::Ok;
      }
      if (fall_through) return no_matching_case(interp, value);
      return run_case(interp, body, value);
    }
    if (!forced) {
      bool dollar = !pattern.empty() && pattern[0] == '$';
      if (eval_patterns) {
        Code rc = eval_expression(interp, pattern);
        if (rc != Code::Ok) return rc;
        pattern = interp.result;
      }
      if (!glob && dollar && pattern.size() > 1) {
        VarRef var = lookup(interp, pattern.view().substr(1));
        if (!var) continue;
        pattern = var.value();
      }
      if (fall_through && !glob && !dollar) {
        // Only an exact equal match makes the next case run.
        forced = !pattern.empty() && pattern.view() == value.view();
        continue;
      }
      if (!switch_matches(pattern.view(), value.view(), glob, nocase)) continue;
    }
    if (fall_through) {
      forced = true;
      continue;
    }
    return run_case(interp, body, value);
  }
  return no_matching_case(interp, value);
}

// break, continue
// Results: code break (3) or continue (4) by the name used; ok for any other
// name (an alias).
Code nuvelCommandBreak(Interp& interp, int argc, Value* argv, void*) {
  if (argv[0].view() == "break") return Code::Break;
  if (argv[0].view() == "continue") return Code::Continue;
  return Code::Ok;
}

constexpr CommandRow kControlCommands[] = {
    {"if", nuvelCommandIf, 3, kAnyWords, "cond body ?elseif cond body ...? ?else body?"},
    {"while", nuvelCommandWhile, 3, 3, "cond body"},
    {"for", nuvelCommandFor, 5, 5, "init cond next body"},
    {"do", nuvelCommandDo, 3, kAnyWords, "body ?while|until? cond"},
    {"loop", nuvelCommandLoop, 3, kAnyWords, "var from to ?step? body"},
    {"floop", nuvelCommandFloop, 5, kAnyWords, "var from to ?step? body"},
    {"foreach", nuvelCommandForeach, 4, kAnyWords, "varlist list ?varlist list ...? body ?-tail?"},
    {"switch", nuvelCommandSwitch, 1, kAnyWords, "?options? value {pattern body ...}"},
    {"break", nuvelCommandBreak, 1, 1, ""},
    {"continue", nuvelCommandBreak, 1, 1, ""},
};

}  // namespace

Code test_if_condition(Interp& interp, const Value& cond, bool& truth) {
  truth = false;
  Code rc = conditions_are_scripts() ? rindoEval(interp, cond) : if_first_expression(interp, cond);
  if (rc == Code::Ok) truth = if_true(interp.result);
  return rc;
}

[[gnu::section(".text.startup.register")]] void register_control_cmds(Interp& interp) {
  core::register_rows(interp, kControlCommands);
  interp.if_handler = nuvelCommandIf;
  interp.if_branch = if_branch;
}

}  // namespace lang
