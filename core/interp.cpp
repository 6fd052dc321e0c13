// The interpreter record, its creation in three steps and the start-up
// variables.
#include <algorithm>
#include <atomic>
#include <cstring>

#include "core/cmd_helpers.h"
#include "core/switches.h"
#include "core/var.h"
#include "platform/system.h"

namespace core {

Interp* _pglobal_interp = nullptr;

Process g_process;

std::size_t next_state_index() {
  static std::atomic<std::size_t> next{0};
  return next.fetch_add(1, std::memory_order_relaxed);
}

void* StateRegistry::make(std::size_t index, Owned object) {
  if (index >= by_index_.size()) by_index_.resize(index + 1, nullptr);
  void* p = object.get();
  slots_.push_back(Slot{index, std::move(object)});
  by_index_[index] = p;
  return p;
}

void StateRegistry::clear() {
  // Newest first, so a state may use an older one while it is destroyed.
  while (!slots_.empty()) {
    Owned object = std::move(slots_.back().object);
    by_index_[slots_.back().index] = nullptr;
    slots_.pop_back();
    object.reset();
  }
}

uint64_t fresh_command_epoch();

Interp::Interp() {
  global_frame = std::make_unique<CallFrame>();
  callframe = global_frame.get();
  command_epoch = fresh_command_epoch();
  previous = _pglobal_interp;
  if (previous) install = previous->install;
  _pglobal_interp = this;
  process().interps.push_back(this);
}

Interp::~Interp() {
  // Interpreters may end in any order: none may keep pointing at this one.
  auto& alive = process().interps;
  alive.erase(std::remove(alive.begin(), alive.end(), this), alive.end());
  for (Interp* other : alive) {
    if (other->previous == this) other->previous = previous;
  }
  if (_pglobal_interp == this) _pglobal_interp = previous;
  callframe = global_frame.get();
  commands.clear();
  global_frame.reset();
  states_.clear();
}

namespace {

// "Jan  6 2022" and "17:50:40" -> "2022/Jan/06@17:50:40".
std::string build_date() {
  const char* d = __DATE__;
  std::string month(d, 3);
  std::string day(d + 4, 2);
  if (day[0] == ' ') day[0] = '0';
  std::string year(d + 7, 4);
  return year + "/" + month + "/" + day + "@" + __TIME__;
}

void define(Interp& interp, std::string_view name, std::string_view value) {
  (void)vars::define_const(interp, name, Value(value), true, false);
}

}  // namespace

void nuvelSetStartupVars(Interp& interp, int count, const std::vector<std::string>* words) {
  std::string exe = platform::executable_path();
  if (!exe.empty()) {
    std::string escaped = nuvelEscape(exe);
    process().exe_path = escaped;
    define(interp, "exe_name", escaped);
  }
  if (words && count > 1 && static_cast<size_t>(count) <= words->size()) {
    define(interp, "argv0", (*words)[1]);
    define(interp, "argc", std::to_string(count - 1));
    for (int i = 1; i < count; ++i) {
      (void)vars::nuvelArraySetElement(interp, "argv", std::to_string(i - 1),
                                       Value(nuvelEscape((*words)[static_cast<size_t>(i)])), false,
                                       false);
    }
    if (vars::Var* argv = vars::nuvelGetVar(interp, "argv")) {
      argv->is_constant = true;
      argv->is_protected = true;
    }
  } else {
    define(interp, "argc", "0");
    define(interp, "argv0", "");
  }
  bool any_env = false;
  for (const std::string& entry : platform::environment()) {
    size_t eq = entry.find('=');
    if (entry.empty() || eq == std::string::npos || eq == 0) continue;
    (void)vars::nuvelArraySetElement(interp, "env", entry.substr(0, eq),
                                     Value(nuvelEscape(entry.substr(eq + 1))), false, false);
    any_env = true;
  }
  if (any_env) {
    if (vars::Var* env = vars::nuvelGetVar(interp, "env")) {
      env->is_constant = true;
      env->is_protected = true;
    }
  }
  define(interp, "tcl_precision", "2");
  define(interp, "tcl_version", "1.26");
  if (!process().config_path.empty()) {
    define(interp, "tcl_config", nuvelEscape(process().config_path));
  }
  define(interp, "tcl_threaded", "0");
  (void)vars::define_const(interp, "tcl_cli", Value("0"), true, true);
  define(interp, "tcl_date", build_date());
  define(interp, "win64", "False");
  define(interp, "NAN", "-1.#IND00000000000");
  define(interp, "pi", "3.14159265358979323");
  define(interp, "qbf", "The quick brown fox jumps over the lazy dog");
  define(interp, "eof", "-1");
  define(interp, "true", "1");
  define(interp, "false", "0");
  (void)vars::set_var(interp, "autoexec_ran", Value("0"));
  (void)vars::set_var(interp, "tcl_cgi", Value("0"));
}

std::unique_ptr<Interp> nuvelCreateInterp(int count, const std::vector<std::string>* words) {
  auto interp = std::make_unique<Interp>();
  if (interp->install) interp->install(*interp, 0);
  nuvelSetStartupVars(*interp, count, words);
  return interp;
}

Code nuvelRunAtExit(Interp* interp) {
  if (!interp) return Code::Error;
  CommandRecord* rec = nuvelGetCommand(*interp, "at_exit");
  if (!rec) return Code::Error;
  Value word("at_exit");
  return nuvelCallCommand(*interp, 1, &word);
}

}  // namespace core
