// Every built-in command, called many times with random argument lists made of
// hostile words, must never crash, hang, leak, make absurd allocations or trip
// the sanitizers, and must leave the interpreter usable (this runs under the
// sanitizers in CI).
//
// The words go to the handler as they are (no parsing), through the same
// dispatch the evaluator uses. The command rows say which commands reach the
// file system, other processes, the terminal or standard input, or end the
// process; those are left out, and the ensemble tables give the subcommand
// words that most calls of a command start with. Nothing reaches the shell: the autoexec path and
// the single-step prompt are replaced by stubs for the length of the test.
//
// NUVEL_COMMAND_FUZZ_ONLY=name restricts the run to one command, prints each
// call before making it and looks for leaks after each one (for reproducing
// a report).
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "core/command_table.h"
#include "core/switches.h"
#include "fuzz/fuzz_interp.h"
#include "platform/console.h"
#include "platform/system.h"
#include "support/script_harness.h"

// Entry points of the sanitizer runtime; null in builds without sanitizers.
extern "C" {
int __sanitizer_install_malloc_and_free_hooks(void (*malloc_hook)(const volatile void*, size_t),
                                              void (*free_hook)(const volatile void*))
    __attribute__((weak));
void __sanitizer_set_death_callback(void (*callback)()) __attribute__((weak));
int __lsan_do_recoverable_leak_check() __attribute__((weak));
}

namespace {

using Clock = std::chrono::steady_clock;

// Calls per command, and calls between fresh interpreters.
constexpr int kCallsPerCommand = 1500;
constexpr int kCallsPerInterp = 100;
// A single allocation above this size is absurd for any of the inputs below.
constexpr size_t kAbsurdAllocation = size_t{256} << 20;
// A call still running after this long is interrupted (as Ctrl+C would);
// one that does not end within kHangAfter of its start is a hang.
constexpr auto kInterruptAfter = std::chrono::milliseconds(50);
constexpr auto kSlowCall = std::chrono::milliseconds(2500);
constexpr auto kHangAfter = std::chrono::seconds(120);

// Whether a command may be called with random words: it has a table row, and
// the row does not mark it as reaching the system (kUnsafe) or ending the
// process (kNoFuzz). A command without a row (a family not yet on the
// command tables) is left out, since nothing says what it touches.
bool fuzzable(const core::CommandRecord& rec) {
  if (rec.usage == nullptr) return false;
  return (rec.flags & (core::kUnsafe | core::kNoFuzz)) == 0;
}

// The subcommand words of a command's ensemble that may be fuzzed (none for
// a command without subcommands).
std::vector<std::string> subcommand_words(const core::Interp& interp, const std::string& name) {
  std::vector<std::string> words;
  if (const core::Ensemble* e = core::find_ensemble(interp, name)) {
    for (const core::EnsembleRow& row : e->rows) {
      if ((row.flags & (core::kUnsafe | core::kNoFuzz)) == 0) words.emplace_back(row.name);
    }
  }
  return words;
}

// Fixed hostile words, in groups that are picked with equal weight.
const char* const kNumbers[] = {"",
                                "0",
                                "1",
                                "2",
                                "-1",
                                "-2",
                                "-9223372036854775808",
                                "9223372036854775807",
                                "9223372036854775808",
                                "-9223372036854775809",
                                "2000000000",
                                "-2000000000",
                                "4294967296",
                                "2147483647",
                                "2147483648",
                                "-2147483648",
                                "1e308",
                                "-1e308",
                                "1e309",
                                "1e-320",
                                "nan",
                                "NaN",
                                "inf",
                                "-inf",
                                "0x",
                                "0x7fffffffffffffff",
                                "0xffffffffffffffff",
                                "0b2",
                                "0b",
                                "0o9",
                                "&h",
                                "&hFF",
                                "08",
                                "09",
                                "1.5",
                                "-0",
                                "+",
                                "-",
                                ".",
                                "1e",
                                "0.0",
                                "3.",
                                " 1",
                                "1 ",
                                "1,5"};
const char* const kIndexes[] = {"end",
                                "end-1",
                                "end+1",
                                "end-999999999",
                                "end--1",
                                "end-9223372036854775808",
                                "end+2000000000",
                                "end-",
                                "end+",
                                "END",
                                "e",
                                "0",
                                "-1",
                                "2000000000",
                                "9223372036854775807",
                                "-9223372036854775808",
                                "1-1",
                                "1+end"};
const char* const kOptions[] = {
    "-nocase",  "-exact",      "-glob",       "-all",     "-index",     "-integer",   "-var",
    "-const",   "-nocomplain", "-length",     "-start",   "-inline",    "-not",       "-sort",
    "-real",    "-decreasing", "-descending", "-unique",  "-command",   "-list",      "-names",
    "-values",  "-tail",       "-end",        "-level",   "-code",      "-nonewline", "-width",
    "-base",    "-format",     "-array",      "-append",  "-left",      "-right",     "-chars",
    "-numeric", "-unsigned",   "-wide",       "-reverse", "-stop",      "-stopchar",  "-stopstr",
    "-mask",    "-quiet",      "-eval",       "-proc",    "-funct",     "-value",     "-pair",
    "-remove",  "-reset",      "--",          "-",        "-asc",       "-literal",   "-leave",
    "-join",    "-bare",       "-explain",    "-regexp",  "-dictionary"};
const char* const kStructure[] = {"{",
                                  "}",
                                  "{}",
                                  "}{",
                                  "{{}",
                                  "{a b",
                                  "a b}",
                                  "[",
                                  "]",
                                  "[]",
                                  "\"",
                                  "\"a",
                                  "a\"b",
                                  "\\",
                                  "\\{",
                                  "a\\",
                                  "(",
                                  ")",
                                  "()",
                                  "a b c",
                                  "{a b} c {d {e f}}",
                                  "a {b",
                                  "\"a b\" c",
                                  "{*}",
                                  "{*}{a b}",
                                  "x y z w v u",
                                  "1 2 3",
                                  "3 1 2",
                                  "a 1 b 2",
                                  "a 1 b",
                                  "k v k2 {x y}",
                                  ";",
                                  "\n",
                                  "\t",
                                  "#",
                                  "\\0",
                                  "a*",
                                  "*a*",
                                  "*",
                                  "?",
                                  "[a-",
                                  "[]]",
                                  "\\x",
                                  "\\u",
                                  "\\777",
                                  "\x01",
                                  "\xff",
                                  "\xc3\xa9",
                                  "\xc3"};
const char* const kTemplates[] = {"%s",
                                  "%d",
                                  "%*d",
                                  "%2000000000d",
                                  "%-2000000000s",
                                  "%.2000000000f",
                                  "%n",
                                  "%ll",
                                  "%lld",
                                  "%I64d",
                                  "%I64",
                                  "%%",
                                  "%",
                                  "%c",
                                  "%x",
                                  "%e",
                                  "%g",
                                  "%5$s",
                                  "%*.*f",
                                  "%[a-z]",
                                  "%[",
                                  "%2000000000c",
                                  "%-s",
                                  "%#o",
                                  "% d",
                                  "%+.3e",
                                  "%i%i%i%i",
                                  "%li",
                                  "%lu",
                                  "%hhd",
                                  "%p",
                                  "%z",
                                  "%9223372036854775807d",
                                  "%.*s",
                                  "%0*d",
                                  "%1$s%2$s",
                                  "%$s",
                                  "%2000000000[a]",
                                  "%*s",
                                  "%1s"};
const char* const kNames[] = {
    "::",    "::s",    "::a(k)",    "a::b", "x::",   "s",        "n",        "a",
    "d",     "st",     "c",         "l",    "e",     "f",        "pr",       "a(k)",
    "a(1)",  "a(",     "a)",        "a(k",  "a(()",  "s(x)",     "d(k)",     "c(1)",
    "st(1)", "nosuch", "nosuch(1)", "a b",  "::::s", "::nosuch", "errorMsg", "::errorMsg",
    "argv",  "env",    "a(*)",      "a(,)", ""};
const char* const kSubstituted[] = {"$",
                                    "$s",
                                    "${s}",
                                    "$a(k)",
                                    "$a(",
                                    "$nosuch",
                                    "$$s",
                                    "${",
                                    "$::s",
                                    "$a($s)",
                                    "[set s]",
                                    "[set s",
                                    "[error boom]",
                                    "[return -code break]",
                                    "[list a b]",
                                    "[[",
                                    "[break]",
                                    "[continue]",
                                    "[stop]",
                                    "[return]",
                                    "[set s][set n]",
                                    "$s$n",
                                    "\\$s",
                                    "\\[set s]"};
const char* const kScripts[] = {"set s 2",
                                "error x",
                                "break",
                                "continue",
                                "return",
                                "incr s",
                                "list a",
                                "stop",
                                "1 == 1",
                                "$s == hello",
                                "0 ||",
                                "1+",
                                "(1",
                                "1)",
                                "2**64",
                                "1/0",
                                "1%0",
                                "-9223372036854775808/-1",
                                "-9223372036854775808%-1",
                                "1<<64",
                                "1<<-1",
                                "abs(-9223372036854775808)",
                                "int(1e308)",
                                "double(nan)",
                                "sqrt(-1)",
                                "round(1e308)",
                                "on",
                                "off",
                                "true",
                                "false",
                                "yes",
                                "proc s {} {}",
                                "rename set {}",
                                "unset s",
                                "set s(1) 2",
                                "array set s {}",
                                "goto x",
                                "return -code error x",
                                "return -level 2",
                                "uplevel 1 {}",
                                "upvar 1 s t",
                                "{*}$l",
                                "incr n 9223372036854775807",
                                "set l [lrange $l 0 end]",
                                "string repeat x 10"};

struct WordGroup {
  const char* const* words;
  size_t count;
};
const WordGroup kGroups[] = {
    {kNumbers, std::size(kNumbers)},         {kIndexes, std::size(kIndexes)},
    {kOptions, std::size(kOptions)},         {kStructure, std::size(kStructure)},
    {kTemplates, std::size(kTemplates)},     {kNames, std::size(kNames)},
    {kSubstituted, std::size(kSubstituted)}, {kScripts, std::size(kScripts)}};

// Words made at run time: NUL bytes, long texts and numbers.
std::vector<std::string> built_words() {
  std::vector<std::string> w;
  w.push_back(std::string("\0", 1));
  w.push_back(std::string("a\0b", 3));
  w.push_back(std::string("%\0d", 3));
  w.push_back(std::string("{\0}", 3));
  w.push_back(std::string(100000, 'x'));
  w.push_back(std::string(100000, '{'));
  w.push_back(std::string(100000, '['));
  w.push_back(std::string(100000, '9'));
  w.push_back(std::string(100000, ' '));
  std::string list;
  for (int i = 0; i < 20000; ++i) list += "a{b} ";
  w.push_back(list);
  std::string numbers;
  for (int i = 0; i < 20000; ++i) numbers += std::to_string((i * 7919) % 1000 - 500) + " ";
  w.push_back(numbers);
  std::string percents;
  for (int i = 0; i < 20000; ++i) percents += "%s%d";
  w.push_back(percents);
  w.push_back(std::string(2000, '(') + "1" + std::string(2000, ')'));
  w.push_back("end-" + std::string(300, '9'));
  w.push_back("%" + std::string(300, '9') + "d");
  return w;
}

// Variables of every kind, made in each fresh interpreter.
constexpr const char* kSetup =
    "set s hello; set n 42; set f 1.5; set e {}; set l {a {b c} \"d e\" {}}; "
    "set a(k) v; set a(1) 2; set a(-1) x; dict set d k v; dict set d k2 {x y}; "
    "stack create st 8; stack push st p q; const c 7; set {a b} spaced; "
    "proc pr {x {y 2} args} {return $x}";

// --- Observers -------------------------------------------------------------------

// Largest single allocation made during the current call (sanitizer builds).
std::atomic<size_t> g_largest_allocation{0};
// Text of the call in progress, printed when the process dies.
std::string g_current_call;
char g_current_call_buffer[2048];

void on_malloc(const volatile void*, size_t size) {
  size_t seen = g_largest_allocation.load(std::memory_order_relaxed);
  while (size > seen && !g_largest_allocation.compare_exchange_weak(seen, size)) {
  }
}
void on_free(const volatile void*) {}

void on_death() {
  const char head[] = "\ncommand_fuzz: the process died during: ";
  (void)!::write(2, head, sizeof head - 1);
  (void)!::write(2, g_current_call_buffer,
                 strnlen(g_current_call_buffer, sizeof g_current_call_buffer));
  (void)!::write(2, "\n", 1);
}

// Interrupts a call that runs too long (through the break flag, as Ctrl+C
// does) and ends the process with the call's text when it never returns.
class Watchdog {
 public:
  Watchdog() : thread_([this] { run(); }) {}
  ~Watchdog() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
  }
  Watchdog(const Watchdog&) = delete;
  Watchdog& operator=(const Watchdog&) = delete;

  void begin() {
    std::lock_guard<std::mutex> lock(mutex_);
    start_ = Clock::now();
    active_ = true;
    interrupted_ = false;
  }
  // Ends the call; true when it had to be interrupted.
  bool end() {
    std::lock_guard<std::mutex> lock(mutex_);
    active_ = false;
    (void)platform::take_break_flag();
    return interrupted_;
  }

 private:
  void run() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stop_) {
      wake_.wait_for(lock, std::chrono::milliseconds(10));
      if (!active_) continue;
      auto elapsed = Clock::now() - start_;
      if (elapsed > kInterruptAfter && !interrupted_) {
        platform::set_break_flag();
        interrupted_ = true;
      }
      if (elapsed > kHangAfter) {
        std::fprintf(stderr, "command_fuzz: hang in: %s\n", g_current_call_buffer);
        std::abort();
      }
    }
  }

  std::mutex mutex_;
  std::condition_variable wake_;
  bool stop_ = false;
  bool active_ = false;
  bool interrupted_ = false;
  Clock::time_point start_;
  std::thread thread_;
};

// A word as it could be typed: short, printable, quoted.
std::string show_word(const std::string& w) {
  std::string out = "\"";
  size_t n = std::min<size_t>(w.size(), 60);
  for (size_t i = 0; i < n; ++i) {
    unsigned char ch = static_cast<unsigned char>(w[i]);
    if (ch == '\0') {
      out += "\\0";
    } else if (ch == '\n') {
      out += "\\n";
    } else if (ch == '\t') {
      out += "\\t";
    } else if (ch == '"' || ch == '\\') {
      out += '\\';
      out += static_cast<char>(ch);
    } else {
      out += static_cast<char>(ch);
    }
  }
  if (w.size() > n) out += "...(" + std::to_string(w.size()) + " bytes)";
  return out + "\"";
}

std::string show_call(const std::vector<core::Value>& argv) {
  std::string out;
  for (const auto& v : argv) {
    if (!out.empty()) out += ' ';
    out += show_word(std::string(v.view()));
  }
  return out;
}

// --- Word generation ---------------------------------------------------------------

// Ordinary words, mixed in so that calls get past the argument checks and
// reach the code behind them.
const char* const kTameWords[] = {
    "0",   "1",   "2",     "3",   "5",     "-1",     "10",      "a",    "b",       "abc",
    "ABC", "a b", "a b c", "s",   "n",     "l",      "a",       "d",    "st",      "c",
    "k",   "k2",  "x",     "y",   "end",   "end-1",  "a*",      "*",    "1.5",     "{}",
    "%s",  "%d",  "-1 2",  ",",   "a,b",   "1+2",    "{a b} c", "$s",   "[set s]", "set s",
    "v",   "p",   "hello", "ll",  "e",     "a(k)",   "3 1 2",   "x y",  "%5.2f",   "-nocase",
    "on",  "off", "push",  "pop", "reset", "stdout", "stderr",  "-var", "-all",    "-glob",
};

class WordMaker {
 public:
  // `own` are the command's subcommand words, `others` those of every
  // ensemble (the words of one family often reach another through eval-like
  // commands).
  WordMaker(uint32_t seed, std::vector<std::string> own, const std::vector<std::string>& others)
      : rng_(seed), built_(built_words()), own_(std::move(own)), others_(others) {}

  std::vector<core::Value> call(const std::string& name) {
    std::vector<core::Value> argv;
    argv.emplace_back(name);
    bool ensemble = !own_.empty();
    // Half the calls use mostly ordinary words with a hostile one here and
    // there; the others mostly hostile words.
    bool tame = pick(2) == 0;
    int argc = static_cast<int>(pick(7));
    if (pick(10) == 0) argc += static_cast<int>(pick(10));
    for (int i = 0; i < argc; ++i) {
      if (i == 0 && pick(ensemble ? 4 : 10) < 3) {
        const std::vector<std::string>& pool = ensemble ? own_ : others_;
        argv.emplace_back(pool[pick(pool.size())]);
      } else if (tame && pick(5) != 0) {
        argv.emplace_back(kTameWords[pick(std::size(kTameWords))]);
      } else {
        argv.emplace_back(word());
      }
    }
    return argv;
  }

 private:
  size_t pick(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(rng_); }

  const char* hostile() {
    const WordGroup& g = kGroups[pick(std::size(kGroups))];
    return g.words[pick(g.count)];
  }

  std::string word() {
    switch (pick(20)) {
      case 0:  // long texts are expensive under the sanitizers: rare
        return pick(3) == 0 ? built_[pick(built_.size())] : built_[pick(4)];
      case 1:
      case 2: {  // a few pieces glued together
        std::string w;
        for (size_t k = 1 + pick(3); k > 0; --k) w += hostile();
        return w;
      }
      case 3: {  // a list of pieces
        std::string w;
        for (size_t k = 1 + pick(5); k > 0; --k) {
          w += hostile();
          w += ' ';
        }
        return w;
      }
      default:
        return hostile();
    }
  }

  std::mt19937 rng_;
  std::vector<std::string> built_;
  std::vector<std::string> own_;
  const std::vector<std::string>& others_;
};

uint32_t name_seed(const std::string& name) {
  uint32_t h = 2166136261u;
  for (unsigned char ch : name) h = (h ^ ch) * 16777619u;
  return h ^ 20261208u;
}

core::Code no_external(core::Interp& interp, int, core::Value*) {
  core::nuvelSetResult(interp, "no external commands in the fuzz test");
  return core::Code::Error;
}
std::unique_ptr<core::Interp> prepared_interp() {
  auto interp = testing_support::fresh_interp();
  auto run = testing_support::run_script(*interp, kSetup);
  EXPECT_EQ(run.code, core::Code::Ok) << run.errorMsg;
  // Commands reached through eval-like ones (eval, catch, uplevel ...) keep
  // to the same rule: the unsafe ones are removed, here and in interpreters
  // made inside, so random words never make directories or delete files.
  if (interp->install != fuzzing::safe_install) fuzzing::full_install = interp->install;
  fuzzing::remove_unsafe_commands(*interp);
  interp->install = fuzzing::safe_install;
  // (remove_unsafe_commands took the single-step prompt away as well.)
  interp->hooks.run_external = no_external;
  return interp;
}

// Restores the process-wide state a command may change (switches, their save
// slots, the call history) to what the test runs with.
struct ProcessState {
  core::Switches sw;
  core::SwitchSlots slots;
  void restore() const {
    core::process().sw = sw;
    core::process().slots = slots;
    core::process().call_history.clear();
  }
};

TEST(CommandFuzz, HostileArgumentsNeverBreakTheInterpreter) {
  const core::Switches saved_switches = core::switches();
  const core::SwitchSlots saved_slots = core::process().slots;
  core::switches().autoexec = 0;  // nothing may reach the shell
  core::switches().verbose = 0;
  ProcessState state{core::switches(), core::process().slots};

  // The allocation hook stays installed (the runtime cannot remove it); it
  // only records sizes.
  static const bool hooked = __sanitizer_install_malloc_and_free_hooks != nullptr &&
                             __sanitizer_install_malloc_and_free_hooks(on_malloc, on_free) != 0;
  (void)hooked;
  if (__sanitizer_set_death_callback) __sanitizer_set_death_callback(on_death);

  const char* only = std::getenv("NUVEL_COMMAND_FUZZ_ONLY");
  std::vector<std::string> names;
  std::vector<std::string> left_out;
  std::map<std::string, std::vector<std::string>> subcommands;
  std::vector<std::string> every_subcommand;
  {
    auto interp = testing_support::fresh_interp();
    for (const auto& rec : interp->commands) {
      std::vector<std::string> words = subcommand_words(*interp, rec.name);
      every_subcommand.insert(every_subcommand.end(), words.begin(), words.end());
      subcommands[rec.name] = std::move(words);
      if (only != nullptr && rec.name != only) continue;
      (fuzzable(rec) ? names : left_out).push_back(rec.name);
    }
  }
  ASSERT_FALSE(names.empty());
  ASSERT_FALSE(every_subcommand.empty());

  std::map<std::string, int> interrupted;
  size_t calls = 0;
  size_t ok_calls = 0;  // calls that got past the argument checks
  size_t slow_calls = 0;
  auto started = Clock::now();
  std::string output;
  {
    Watchdog watchdog;
    for (const auto& name : names) {
      WordMaker maker(name_seed(name), subcommands[name], every_subcommand);
      std::unique_ptr<core::Interp> interp;
      for (int i = 0; i < kCallsPerCommand; ++i) {
        if (i % kCallsPerInterp == 0) {
          // Interpreters must end in the reverse order of their creation: the
          // current one falls back to the one made before it.
          interp.reset();
          interp = prepared_interp();
        }
        core::CommandRecord* set_cmd = core::nuvelGetCommand(*interp, "set");
        core::CommandHandler set_handler = set_cmd ? set_cmd->handler : nullptr;

        std::vector<core::Value> argv = maker.call(name);
        g_current_call = show_call(argv);
        std::snprintf(g_current_call_buffer, sizeof g_current_call_buffer, "%s",
                      g_current_call.c_str());
        g_largest_allocation = 0;
        if (only != nullptr) std::fprintf(stderr, "call: %s\n", g_current_call.c_str());

        std::string* previous = platform::capture();
        platform::set_capture(&output);
        auto call_start = Clock::now();
        watchdog.begin();
        core::Code code =
            core::nuvelCallCommand(*interp, static_cast<int>(argv.size()), argv.data());
        bool was_interrupted = watchdog.end();
        auto took = Clock::now() - call_start;
        platform::set_capture(previous);
        output.clear();
        state.restore();
        ++calls;
        if (code == core::Code::Ok) ++ok_calls;

        if (was_interrupted) ++interrupted[name];
        // Speed is not judged here (machines differ); slow calls are listed.
        if (took > kSlowCall) ++slow_calls;
        EXPECT_LE(g_largest_allocation.load(), kAbsurdAllocation)
            << "absurd allocation: " << g_current_call;
        ASSERT_EQ(interp->callframe, interp->global_frame.get()) << g_current_call;
        ASSERT_EQ(interp->eval_depth, 0) << g_current_call;
        ASSERT_EQ(interp->nesting_depth_handlers, 0) << g_current_call;
        // The interpreter still evaluates scripts (unless the call replaced
        // `set` itself, which a script may do).
        if (only != nullptr && __lsan_do_recoverable_leak_check &&
            __lsan_do_recoverable_leak_check() != 0) {
          ADD_FAILURE() << "leak after: " << g_current_call;
        }
        core::CommandRecord* now_set = core::nuvelGetCommand(*interp, "set");
        if (i % 25 == 24 && now_set && now_set->handler == set_handler) {
          auto probe = testing_support::run_script(*interp, "set probe ok");
          ASSERT_EQ(probe.result, "ok") << "after: " << g_current_call;
        }
      }
    }
  }
  auto seconds = std::chrono::duration<double>(Clock::now() - started).count();

  core::switches() = saved_switches;
  core::process().slots = saved_slots;

  std::string stopped;
  for (const auto& [name, count] : interrupted) {
    stopped += " " + name + "(" + std::to_string(count) + ")";
  }
  std::string skipped_list;
  for (const auto& n : left_out) skipped_list += " " + n;
  std::printf("command fuzz: %zu commands, %zu calls (%zu ok) in %.1f s; left out:%s\n",
              names.size(), calls, ok_calls, seconds, skipped_list.c_str());
  if (!stopped.empty()) std::printf("command fuzz: interrupted long calls:%s\n", stopped.c_str());
  if (slow_calls > 0) std::printf("command fuzz: %zu calls took over 2.5 s\n", slow_calls);
}

}  // namespace
