// Procedures: the proc command and the procedure-call routine, and the
// commands that return from, inspect, call, rename, alias and remove them:
// return level args procs is_proc defined call apply rename undef alias
// clearprocs.
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/cmd_helpers.h"
#include "core/glob.h"
#include "core/list_value.h"
#include "core/switches.h"
#include "core/text_util.h"
#include "core/var_store.h"
#include "expr/expr_engine.h"
#include "lang/flow.h"
#include "lang/proc.h"
#include "platform/console.h"

namespace lang {

using vars::CallFrame;

using vars::FrameGuard;
using vars::MAX_PROC_LEVEL;
using vars::set_var;

using core::Code;
using core::CommandRecord;
using core::CommandRow;
using core::kAnyWords;

namespace {

// Removes one pair of surrounding double quotes from a formal's name or default.
std::string_view unquote(std::string_view s) {
  if (s.size() > 1 && s.front() == '"' && s.back() == '"') return s.substr(1, s.size() - 2);
  return s;
}

bool same_name(std::string_view a, std::string_view b) {
  return core::strip_global_prefix(a) == core::strip_global_prefix(b);
}

// The value of a trailing `args` formal that takes several words: each word
// braced when it holds a space or tab, an empty word written "{}".
std::string join_args(int argc, const Value* argv, int from) {
  std::string out;
  for (int i = from; i < argc; ++i) {
    std::string_view w = argv[i].view();
    if (i > from) out.push_back(' ');
    if (w.empty()) {
      out += "{}";
    } else if (w.find_first_of(" \t") != std::string_view::npos) {
      out.push_back('{');
      out += w;
      out.push_back('}');
    } else {
      out += w;
    }
  }
  return out;
}

// Binds the formals of a procedure to the words of its call in the call's
// new frame. Apart from nuvelProcCall so that its locals do not widen the
// stack frame every level of a recursion pays for.
[[gnu::noinline]] bool bind_formals(Interp& interp, const ProcDef& pd, vars::CallFrame& frame,
                                    int argc, Value* argv) {
  // Room for the formals and a few locals, so that the first variables do
  // not each grow the list.
  frame.vars.reserve(pd.formals.size() + 3);
  // k counts the actual arguments taken by the formals bound so far.
  int k = 1;
  for (const ProcArg& formal : pd.formals) {
    if (formal.count == 0 || formal.name.empty()) continue;
    if (pd.distinct_local_formals) {
      if (k >= argc) {
        vars::add_fresh_local(interp, formal.name, formal.default_value);
      } else if (k == pd.formal_count && argc - k > 1 && formal.name == "args") {
        vars::add_fresh_local(interp, formal.name, Value(join_args(argc, argv, k)));
      } else {
        vars::add_fresh_local(interp, formal.name, argv[k]);
      }
      ++k;
      continue;
    }
    int rc;
    if (k >= argc) {
      rc = set_var(interp, formal.name, formal.default_value);
    } else if (k == pd.formal_count && argc - k > 1 && formal.name == "args") {
      rc = set_var(interp, formal.name, Value(join_args(argc, argv, k)));
    } else {
      rc = set_var(interp, formal.name, argv[k]);
    }
    if (rc != 0) {
      (void)core::fail(interp, core::Msg::ProcSetVariableFailed, argv[0], formal.name);
      (void)core::fail(interp, core::Msg::ProcException, argv[0]);
      core::nuvelResetResult(interp);
      return false;
    }
    ++k;
  }
  return true;
}

}  // namespace

Code nuvelProcCall(Interp& interp, int argc, Value* argv, void* data) {
  const auto* pd = static_cast<const ProcDef*>(data);
  if (!pd) {
    return core::fail(interp, core::Msg::ProcNullDefinition);
  }
  long level = interp.callframe ? interp.callframe->level : 0;
  if (level >= MAX_PROC_LEVEL) {
    // No stale result: catch then hands on the report's message.
    core::nuvelResetResult(interp);
    return core::fail(interp, core::Msg::ProcStackOverflow, argv[0], level);
  }
  if (pd->formal_count > 0 && pd->formals.empty()) {
    return core::fail(interp, core::Msg::ProcArgListInvalid, argv[0], pd->arg_list);
  }
  FrameGuard frame(interp, argv[0]);
  if (!pd->formals.empty() && !bind_formals(interp, *pd, frame.frame(), argc, argv)) {
    return Code::Error;
  }
  Code rc = core::rindoEval(interp, pd->body);
  // A body ended by `return` completes the call normally, wherever the call
  // was made (inside if, loops, catch, apply or another procedure).
  return rc == Code::Return ? Code::Ok : rc;
}

Code define_proc(Interp& interp, std::string_view command, std::string_view name,
                 const Value& arg_list, const Value& body) {
  std::string proc_name(core::strip_global_prefix(name));
  std::string cmd(command);
  auto pd = std::make_shared<ProcDef>();
  pd->arg_list = arg_list;
  pd->body = body;
  // Argument lists are read with the word-list reader.
  std::shared_ptr<const std::vector<Value>> words = core::list_words(arg_list);
  const std::vector<Value>& elements = *words;
  pd->formal_count = static_cast<int32_t>(elements.size());
  pd->formals.reserve(elements.size());
  for (const Value& element : elements) {
    std::string_view text = element.view();
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    std::vector<Value> parts = core::list_read_words(text);
    if (parts.size() > 2) {
      return core::fail(interp, core::Msg::ProcInvalidArgument, cmd, proc_name);
    }
    ProcArg formal;
    formal.count = static_cast<int32_t>(parts.size());
    if (!parts.empty()) formal.name = std::string(unquote(parts[0].view()));
    if (parts.size() == 2) {
      std::string_view def = unquote(parts[1].view());
      if (!def.empty() && def != "{}" && def != "\"\"") {
        // Bracketed commands in a default run once, now.
        std::optional<std::string> substituted = subst_text(interp, def, false, true);
        formal.default_value = substituted ? Value(std::move(*substituted)) : Value(def);
      }
    }
    pd->formals.push_back(std::move(formal));
  }
  pd->distinct_local_formals = true;
  for (size_t i = 0; i < pd->formals.size(); ++i) {
    const ProcArg& f = pd->formals[i];
    if (f.count == 0 || f.name.empty()) continue;  // skipped at the call
    bool distinct = !core::has_global_prefix(f.name);
    for (size_t j = 0; distinct && j < i; ++j) {
      distinct = pd->formals[j].count == 0 || pd->formals[j].name != f.name;
    }
    if (!distinct) pd->distinct_local_formals = false;
  }
  void* data = pd.get();
  if (const core::CommandRecord* old = core::nuvelGetCommand(interp, proc_name);
      old && !old->is_proc && (old->flags & core::kProcMayReplace) != 0) {
    (void)core::nuvelDeleteCommand(interp, proc_name);
  }
  int rc = core::nuvelRegisterCommand(interp, proc_name, nuvelProcCall, data, true, std::move(pd));
  if (rc == 8) {
    return core::fail(interp, core::Msg::ProcAlreadyDefined, cmd, proc_name);
  }
  core::nuvelResetResult(interp);
  return rc == 0 ? Code::Ok : static_cast<Code>(rc);
}

int proc_active_state(Interp& interp, std::string_view name) {
  CallFrame* frame = interp.callframe;
  if (!frame || frame->level == 0 || !frame->has_proc_name) return 0;
  if (same_name(frame->proc_name, name)) return 1;
  for (frame = frame->parent; frame; frame = frame->parent) {
    if (frame->has_proc_name && same_name(frame->proc_name, name)) return 2;
  }
  return 0;
}

namespace {

// proc name args body
// Results: empty. Side effects: registers the procedure; an existing command
// of that name is never replaced.
Code nuvelCommandProc(Interp& interp, int argc, Value* argv, void*) {
  return define_proc(interp, argv[0].view(), argv[1].view(), argv[2], argv[3]);
}

// return ?value? ?-code code?
// Results: the value. The code is "return" (2) unless -code names another
// (a code name or a decimal number).
Code nuvelCommandReturn(Interp& interp, int argc, Value* argv, void*) {
  Value value = argc > 1 ? argv[1] : Value();
  int code = 2;
  if (argc > 2) {
    int at = core::find_option(argc, argv, "-code", 1);
    if (at == 1) value = argc > 3 ? argv[3] : Value();
    if (at > 0 && at + 1 < argc) {
      std::string_view word = argv[at + 1].view();
      int named = -1;
      for (int c = 0; c <= 8; ++c) {
        if (core::iequals(word, core::code_name(c))) named = c;
      }
      code = named >= 0 ? named : static_cast<int>(core::leading_int(word));
    }
  }
  core::nuvelSetResult(interp, std::move(value));
  return static_cast<Code>(code);
}

// level
// Results: the current frame's level (0 at the top level).
Code nuvelCommandLevel(Interp& interp, int, Value*, void*) {
  return core::result_int(interp, interp.callframe ? interp.callframe->level : 0);
}

// args word...
// Results: the words as one list ("{}" for an empty word, words with a space
// or tab braced unless they start with "{").
Code nuvelCommandArgs(Interp& interp, int argc, Value* argv, void*) {
  std::string out;
  for (int i = 1; i < argc; ++i) core::list_append_element(out, argv[i].view());
  core::nuvelSetResult(interp, Value(std::move(out)));
  return Code::Ok;
}

// procs ?pattern?
// Results: the names of the procedures in table order (matching the glob
// pattern without case when one is given), separated by spaces.
Code nuvelCommandProcs(Interp& interp, int argc, Value* argv, void*) {
  std::string out;
  for (const CommandRecord& rec : interp.commands) {
    if (!rec.is_proc) continue;
    if (argc > 1 && !core::glob_match(argv[1].view(), rec.name, true)) continue;
    if (!out.empty()) out.push_back(' ');
    out += rec.name;
  }
  core::nuvelSetResult(interp, Value(std::move(out)));
  return Code::Ok;
}

// is_proc name
// Results: "1" when a command of that name exists and is a procedure.
Code nuvelCommandIsProc(Interp& interp, int argc, Value* argv, void*) {
  const CommandRecord* rec = core::nuvelGetCommand(interp, argv[1].view());
  return core::result_bool(interp, rec && rec->is_proc);
}

// defined name ?-proc? ?-command? ?-funct?
// Results: "1" when name is a command (a procedure with -proc, a built-in
// with -command) or, with -funct, an expression function.
Code nuvelCommandDefined(Interp& interp, int argc, Value* argv, void*) {
  std::string_view name = argv[1].view();
  if (core::find_option_exact(argc, argv, "-funct", 2) >= 0) {
    return core::result_bool(interp, expr::is_expr_function(name));
  }
  bool only_procs = core::find_option_exact(argc, argv, "-proc", 2) >= 0;
  bool only_builtins = core::find_option_exact(argc, argv, "-command", 2) >= 0;
  const CommandRecord* rec = core::nuvelGetCommand(interp, name);
  bool found = rec && !(only_procs && !rec->is_proc) && !(only_builtins && rec->is_proc);
  return core::result_bool(interp, found);
}

// call name ?arg...?
// Results: a procedure's result with its code folded to ok or error; for any
// other command the words are joined and evaluated, and that code returned.
Code nuvelCommandCall(Interp& interp, int argc, Value* argv, void*) {
  const CommandRecord* rec = core::nuvelGetCommand(interp, argv[1].view());
  if (rec && rec->is_proc) {
    Code rc = core::nuvelCallCommand(interp, argc - 1, argv + 1);
    return rc == Code::Error ? Code::Error : Code::Ok;
  }
  std::string script;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) script.push_back(' ');
    script += argv[i].view();
  }
  if (script.empty()) {
    return core::fail(interp, core::Msg::CallFailed);
  }
  return core::rindoEval(interp, Value(std::move(script)));
}

// A fresh random (version 4) GUID in the program's format.
// The generator of GUIDs, one per interpreter.
struct GuidGenerator {
  std::mt19937_64 engine{std::random_device{}()};
};

std::string make_guid(Interp& interp) {
  std::mt19937_64& generator = interp.state<GuidGenerator>().engine;
  uint64_t hi = generator();
  uint64_t lo = generator();
  unsigned d1 = static_cast<unsigned>(hi >> 32);
  unsigned d2 = static_cast<unsigned>((hi >> 16) & 0xFFFF);
  unsigned d3 = static_cast<unsigned>((hi & 0x0FFF) | 0x4000);
  unsigned b[8];
  for (int i = 0; i < 8; ++i) b[i] = static_cast<unsigned>((lo >> (56 - 8 * i)) & 0xFF);
  b[0] = (b[0] & 0x3F) | 0x80;
  // Precision and zero padding both give the fixed widths of the format.
  char buf[40];
  snprintf(buf, sizeof buf, "%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X", d1, d2, d3, b[0],
           b[1], b[2], b[3], b[4], b[5], b[6], b[7]);
  return buf;
}

// The split of apply's first word, kept for the last text seen so that a
// body applied again and again keeps its cached token stream (one per
// interpreter).
struct ApplyCache {
  Value key;
  std::vector<Value> parts;
};

// apply {args body ?namespace?} ?arg...?
// Results: the result of the body run as a temporary procedure with the
// arguments; the procedure (named by a fresh GUID) is removed afterwards.
Code nuvelCommandApply(Interp& interp, int argc, Value* argv, void*) {
  ApplyCache& cache = interp.state<ApplyCache>();
  if (!cache.key.same_rep(argv[1]) || cache.key.empty()) {
    cache.parts = core::list_read_standard(argv[1].view());
    cache.key = argv[1];
  }
  std::vector<Value> parts = cache.parts;
  if (parts.size() < 2 || parts.size() > 3) {
    return core::fail(interp, core::Msg::ApplyNotAPair);
  }
  std::string name = make_guid(interp);
  if (parts.size() == 3) name = std::string(parts[2].view()) + "::" + name;
  if (define_proc(interp, "proc", name, parts[0], parts[1]) != Code::Ok) return Code::Error;
  std::vector<Value> words;
  words.reserve(static_cast<size_t>(argc) - 1);
  words.emplace_back(name);
  for (int i = 2; i < argc; ++i) words.push_back(argv[i]);
  Code rc = core::nuvelCallCommand(interp, static_cast<int>(words.size()), words.data());
  if (!core::nuvelDeleteCommand(interp, core::strip_global_prefix(name))) {
    return core::fail(interp, core::Msg::ApplyUndefineFailed, name);
  }
  return rc;
}

// Reports a refusal to touch a running procedure; false when it may go on.
bool refuse_active(Interp& interp, std::string_view name, core::Msg self, core::Msg parent,
                   bool report) {
  int state = proc_active_state(interp, name);
  if (state == 0) return false;
  if (report) (void)core::fail(interp, state == 1 ? self : parent, name);
  return true;
}

// rename old new ?-nocomplain?
// The command keeps its word counts, usage and flags under the new name.
// Results: "1" on success. An empty new name deletes the command. Running
// procedures (and those further out on the frame chain) cannot be renamed.
Code nuvelCommandRename(Interp& interp, int argc, Value* argv, void*) {
  std::string_view old_name = core::strip_global_prefix(argv[1].view());
  std::string_view new_name = core::strip_global_prefix(argv[2].view());
  if (refuse_active(interp, old_name, core::Msg::RenameActive, core::Msg::RenameActiveParent,
                    true)) {
    return Code::Error;
  }
  bool nocomplain = core::find_option(argc, argv, "-nocomplain", 3) >= 0;
  CommandRecord* rec = core::nuvelGetCommand(interp, old_name);
  bool taken = !new_name.empty() && core::nuvelGetCommand(interp, new_name) != nullptr;
  if (rec && !taken) {
    if (new_name.empty()) {
      if (core::nuvelDeleteCommand(interp, old_name)) return core::result_bool(interp, true);
    } else {
      std::vector<CommandRecord> moved{*rec};
      moved[0].name = std::string(new_name);
      std::string keep_old(old_name);
      (void)core::nuvelDeleteCommand(interp, keep_old);
      if (core::nuvelRegisterCommands(interp, std::move(moved)) == 1) {
        return core::result_bool(interp, true);
      }
    }
  }
  if (!nocomplain && (core::switches().verbose || core::switches().debug)) {
    platform::out(core::message_of(interp, core::Msg::RenameNotFound, argv[1]));
  }
  core::nuvelSetResult(interp, Value("0"));
  return Code::Error;
}

// undef name... ?-nocomplain?  |  undef -glob pattern ?-proc? ?-nocomplain?
// Results: empty, or with -glob the list of removed names. Side effects:
// removes the commands; running procedures are skipped with a complaint.
Code nuvelCommandUndef(Interp& interp, int argc, Value* argv, void*) {
  bool complain = !core::iequals(argv[argc - 1].view(), "-nocomplain");
  int end = complain ? argc : argc - 1;
  const core::Msg self = core::Msg::UndefActive;
  const core::Msg parent = core::Msg::UndefActiveParent;
  Code code = Code::Ok;
  if (argv[1].view() == "-glob") {
    std::string_view pattern = end > 2 ? argv[2].view() : std::string_view();
    if (pattern.empty()) {
      return core::fail(interp, core::Msg::GlobNeedsFilter);
    }
    bool only_procs = core::find_option_exact(end, argv, "-proc", 3) >= 0;
    std::vector<std::string> names;
    for (const CommandRecord& rec : interp.commands) {
      if ((!only_procs || rec.is_proc) && core::glob_match(pattern, rec.name, true)) {
        names.push_back(rec.name);
      }
    }
    std::string removed;
    for (const std::string& name : names) {
      if (refuse_active(interp, name, self, parent, complain)) {
        if (complain) code = Code::Error;
        continue;
      }
      if (core::nuvelDeleteCommand(interp, name)) core::list_append_element(removed, name);
    }
    core::nuvelSetResult(interp, Value(removed.empty() ? std::string("{}") : removed));
    return code;
  }
  for (int i = 1; i < end; ++i) {
    std::string name(core::strip_global_prefix(argv[i].view()));
    if (refuse_active(interp, name, self, parent, complain)) {
      if (complain) code = Code::Error;
      continue;
    }
    if (!core::nuvelDeleteCommand(interp, name) && complain) {
      std::string message = core::message_of(interp, core::Msg::UndefFailed, name);
      Code rc = core::fail(interp, core::Msg::UndefFailed, name);
      core::nuvelSetResult(interp, Value(std::move(message)));
      return rc;
    }
  }
  if (code == Code::Ok) core::nuvelResetResult(interp);
  return code;
}

// alias new existing
// Results: empty. Side effects: registers new with existing's handler and
// private data (an alias of a procedure shares its definition).
Code nuvelCommandAlias(Interp& interp, int argc, Value* argv, void*) {
  std::string_view new_name = core::strip_global_prefix(argv[1].view());
  const CommandRecord* rec = core::nuvelGetCommand(interp, argv[2].view());
  if (!rec) {
    return core::fail(interp, core::Msg::AliasTargetNotFound, argv[2]);
  }
  if (core::nuvelGetCommand(interp, new_name)) {
    return core::fail(interp, core::Msg::AliasExists, argv[1]);
  }
  if (!rec->handler) {
    return core::fail(interp, core::Msg::ErrorRetrieving, argv[2]);
  }
  // The copy keeps the word counts, usage and flags of its row, so the
  // evaluator checks an alias's words as it checks the original's.
  std::vector<CommandRecord> copy{*rec};  // registering moves the table's records
  copy[0].name = std::string(new_name);
  if (core::nuvelRegisterCommands(interp, std::move(copy)) != 1) {
    return core::fail(interp, core::Msg::AliasRegisterFailed, argv[1], argv[2]);
  }
  core::nuvelResetResult(interp);
  return Code::Ok;
}

// clearprocs ?pattern? ?-nocomplain?
// Results: the number of procedures removed (each through rename name {}).
Code nuvelCommandClearprocs(Interp& interp, int argc, Value* argv, void*) {
  bool nocomplain = argc > 1 && core::iequals(argv[argc - 1].view(), "-nocomplain");
  // A lone -nocomplain is the option, not a pattern.
  std::string_view pattern = argc > 1 && !(argc == 2 && nocomplain) ? argv[1].view() : "*";
  std::vector<std::string> names;
  for (const CommandRecord& rec : interp.commands) {
    if (rec.is_proc && core::glob_match(pattern, rec.name, true)) names.push_back(rec.name);
  }
  int64_t removed = 0;
  for (const std::string& name : names) {
    Value words[4] = {Value("rename"), Value(name), Value(), Value("-nocomplain")};
    if (core::run_handler(interp, nuvelCommandRename, nocomplain ? 4 : 3, words) == Code::Ok) {
      ++removed;
    }
  }
  return core::result_int(interp, removed);
}

constexpr CommandRow kProcCommands[] = {
    {"proc", nuvelCommandProc, 4, kAnyWords, "name args body"},
    {"return", nuvelCommandReturn, 1, 4, "?value? ?-code code?"},
    {"level", nuvelCommandLevel, 1, kAnyWords, ""},
    {"args", nuvelCommandArgs, 1, kAnyWords, "?word ...?"},
    {"procs", nuvelCommandProcs, 1, kAnyWords, "?pattern?"},
    {"is_proc", nuvelCommandIsProc, 2, kAnyWords, "name"},
    {"defined", nuvelCommandDefined, 2, kAnyWords, "name ?-proc? ?-command? ?-funct?"},
    {"call", nuvelCommandCall, 2, kAnyWords, "name ?arg ...?"},
    {"apply", nuvelCommandApply, 3, kAnyWords, "{args body ?namespace?} ?arg ...?"},
    {"rename", nuvelCommandRename, 3, kAnyWords, "old new ?-nocomplain?"},
    {"undef", nuvelCommandUndef, 2, kAnyWords,
     "name ... ?-nocomplain? | undef -glob pattern ?-proc? ?-nocomplain?"},
    {"alias", nuvelCommandAlias, 3, kAnyWords, "new existing"},
    {"clearprocs", nuvelCommandClearprocs, 1, kAnyWords, "?pattern? ?-nocomplain?"},
};

}  // namespace

[[gnu::section(".text.startup.register")]] void register_proc_cmds(Interp& interp) {
  core::register_rows(interp, kProcCommands);
}

}  // namespace lang
