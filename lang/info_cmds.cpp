// The info command: questions about the interpreter (commands, procedures,
// variables, call levels, the running script) and, through syslib, about the
// machine. It reads the command table, the call frames and procedure
// definitions and changes nothing but the variable named by `info default`.
// List results are written by the list writer: words joined by single spaces,
// an empty word as "{}", a word holding a space or tab braced.
#include <algorithm>
#include <cinttypes>
#include <cstdio>

#include "containers/hash_table.h"
#include "core/cmd_helpers.h"
#include "core/glob.h"
#include "core/list_value.h"
#include "core/switches.h"
#include "core/var_store.h"
#include "expr/expr_engine.h"
#include "lang/proc.h"
#include "platform/identity.h"
#include "syslib/sysinfo.h"

namespace vars {
namespace {

using lang::ProcArg;
using lang::ProcDef;

using core::Code;
using core::EnsembleRow;
using core::Value;

constexpr const char* kVersion = "1.26";
constexpr const char* kPatchLevel = "0";

Code result_text(Interp& interp, std::string_view text) {
  core::nuvelSetResult(interp, text);
  return Code::Ok;
}

CallFrame& current_frame(Interp& interp) {
  return interp.callframe ? *interp.callframe : *frame_at_level(interp, 0);
}

// --- Variables -----------------------------------------------------------------

// Whether one element of an array (or dictionary) variable exists.
bool element_exists(Interp& interp, std::string_view array, std::string_view subscript,
                    bool nocase) {
  VarRef var = lookup(interp, array);
  VarRef owner = var ? var.storage() : VarRef();
  const containers::hash_table* table = owner ? owner.table() : nullptr;
  if (table == nullptr) return false;
  if (nocase) return table->scan_get(subscript, nullptr, true);
  return table->get(subscript);
}

// info exists name ?-nocase?
// Results: "1" when the variable exists; "name(sub)" asks for an element
// (-nocase: its subscript without regard to case). Other words starting with
// "-" are ignored; the remaining words, joined without separator, are the name.
Code info_exists(Interp& interp, int argc, Value* argv, void*) {
  if (argc == 3) {
    std::string_view name = argv[2].view();
    if (name.empty()) return core::result_bool(interp, false);
    size_t open = name.back() == ')' ? name.find('(') : std::string_view::npos;
    if (open == std::string_view::npos) {
      return core::result_bool(interp, static_cast<bool>(lookup(interp, name)));
    }
    if (open > 0) {
      return core::result_bool(
          interp, element_exists(interp, name.substr(0, open),
                                 name.substr(open + 1, name.size() - open - 2), false));
    }
  }
  bool nocase = false;
  std::string name;
  for (int i = 2; i < argc; ++i) {
    std::string_view w = argv[i].view();
    if (core::iequals(w, "-nocase")) {
      nocase = true;
    } else if (w.empty() || w[0] != '-') {
      name += w;
    }
  }
  size_t open = name.find('(');
  if (open != std::string::npos && open > 0 && name.back() == ')') {
    std::string_view whole(name);
    return core::result_bool(
        interp, element_exists(interp, whole.substr(0, open),
                               whole.substr(open + 1, name.size() - open - 2), nocase));
  }
  return core::result_bool(interp, !name.empty() && static_cast<bool>(lookup(interp, name)));
}

// info vars|locals|globals ?pattern? ?-nocase? ?-const?
// Results: the variable names of the current (globals: the global) frame,
// sorted without regard to case; filtered by a glob pattern (case-sensitive
// unless -nocase); -const lists constants only.
Code info_vars(Interp& interp, int argc, Value* argv, void*) {
  bool nocase = false, consts = false;
  std::optional<std::string_view> pattern;
  for (int i = 2; i < argc; ++i) {
    std::string_view w = argv[i].view();
    if (core::iequals(w, "-nocase")) {
      nocase = true;
    } else if (core::iequals(w, "-const")) {
      consts = true;
    } else if (!pattern && (w.empty() || w[0] != '-')) {
      pattern = w;
    }
  }
  bool global = core::iequals(argv[1].view(), "globals");
  CallFrame& frame = global ? *frame_at_level(interp, 0) : current_frame(interp);
  std::vector<std::string_view> names;
  std::vector<VarRef> records = frame_records(frame);
  for (const VarRef& var : records) {
    if (!var) continue;
    if (consts && !var.is_constant() && var.kind() != VT_CONST) continue;
    if (pattern && !core::glob_match(*pattern, var.name(), nocase)) continue;
    names.push_back(var.name());
  }
  auto lower_less = [](std::string_view a, std::string_view b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
      auto lx = static_cast<unsigned char>(x >= 'A' && x <= 'Z' ? x + 32 : x);
      auto ly = static_cast<unsigned char>(y >= 'A' && y <= 'Z' ? y + 32 : y);
      return lx < ly;
    });
  };
  std::stable_sort(names.begin(), names.end(), lower_less);
  names.erase(std::unique(names.begin(), names.end()), names.end());
  std::string out;
  for (std::string_view n : names) core::list_append_element(out, n);
  return result_text(interp, out);
}

// info argcount arrayName
// Results: the number of elements whose subscript does not begin with "/".
Code info_argcount(Interp& interp, int, Value* argv, void*) {
  VarRef var = lookup(interp, argv[2].view());
  if (!var) return core::fail(interp, core::Msg::ArrayDoesNotExist, argv[2]);
  VarRef owner = var.storage();
  if (!owner || owner.kind() != VT_ARRAY || owner.table() == nullptr) {
    return core::fail(interp, core::Msg::InfoNotAnArray, argv[2]);
  }
  int64_t count = 0;
  for (const std::string& key : owner.table()->keys()) {
    if (key.empty() || key[0] != '/') ++count;
  }
  return core::result_int(interp, count);
}

// --- Commands and procedures ----------------------------------------------------------

// info commands|procs ?pattern?
// Results: command names in table order (procs: script procedures only),
// filtered by a glob pattern matched without regard to case.
Code info_commands(Interp& interp, int argc, Value* argv, void*) {
  bool procs_only = core::iequals(argv[1].view(), "procs");
  std::optional<std::string_view> pattern;
  if (argc > 2) pattern = argv[2].view();
  std::string out;
  for (const core::CommandRecord& rec : interp.commands) {
    if (procs_only && !rec.is_proc) continue;
    if (pattern && !core::glob_match(*pattern, rec.name, true)) continue;
    core::list_append_element(out, rec.name);
  }
  return result_text(interp, out);
}

// info functions ?pattern?: the math functions of expressions.
Code info_functions(Interp& interp, int argc, Value* argv, void*) {
  std::string out;
  for (std::string_view name : expr::expr_function_names()) {
    if (argc > 2 && !core::glob_match(argv[2].view(), name, true)) continue;
    core::list_append_element(out, name);
  }
  return result_text(interp, out);
}

// The definition behind a procedure name, or null after reporting why not.
const ProcDef* proc_definition(Interp& interp, const Value& name) {
  core::CommandRecord* rec = core::nuvelGetCommand(interp, name.view());
  if (rec == nullptr) {
    (void)core::fail(interp, core::Msg::InfoProcNotDefined, name);
    return nullptr;
  }
  if (!rec->is_proc || rec->data == nullptr) {
    (void)core::fail(interp, core::Msg::InfoProcDataEmpty, name);
    return nullptr;
  }
  return static_cast<const ProcDef*>(rec->data);
}

// info args procname: the argument names as a list.
Code info_args(Interp& interp, int, Value* argv, void*) {
  const ProcDef* pd = proc_definition(interp, argv[2]);
  if (pd == nullptr) return Code::Error;
  std::string out;
  for (const ProcArg& a : pd->formals) {
    if (a.count > 0 && !a.name.empty()) core::list_append_element(out, a.name);
  }
  return result_text(interp, out);
}

// info body procname: the body text.
Code info_body(Interp& interp, int, Value* argv, void*) {
  const ProcDef* pd = proc_definition(interp, argv[2]);
  if (pd == nullptr) return Code::Error;
  core::nuvelSetResult(interp, pd->body);
  return Code::Ok;
}

// info default procname argname varName
// Results: "1" after storing the argument's default value in varName; "0"
// after storing "" when the argument has none (or there is no such
// argument); "0" without storing anything when there is no such procedure.
Code info_default(Interp& interp, int, Value* argv, void*) {
  core::CommandRecord* rec = core::nuvelGetCommand(interp, argv[2].view());
  if (rec == nullptr || !rec->is_proc || rec->data == nullptr) {
    return core::result_bool(interp, false);
  }
  const auto* pd = static_cast<const ProcDef*>(rec->data);
  const ProcArg* found = nullptr;
  for (const ProcArg& a : pd->formals) {
    if (a.count > 0 && a.name == argv[3].view()) found = &a;
  }
  bool has_default = found != nullptr && found->count == 2;
  Value value = has_default ? found->default_value : Value("");
  if (core::set_variable(interp, argv[4].view(), value) != 0) return Code::Error;
  return core::result_bool(interp, has_default);
}

// --- Levels ----------------------------------------------------------------------------

// info level ?n?   (also info frame ?n?)
// Results: without n the current level; with n the words of the command that
// opened frame n (n below 1 counts back from the current level).
Code info_level(Interp& interp, int argc, Value* argv, void*) {
  CallFrame& frame = current_frame(interp);
  int64_t current = frame.level;
  if (argc == 2) return core::result_int(interp, current);
  int64_t n = core::leading_int(argv[2].view());
  if (n < 1) n += current;
  if (n - 1 > current) return core::fail(interp, core::Msg::InfoInvalidCallframe, n);
  int64_t target = std::max<int64_t>(n - 1, 0);
  for (CallFrame* f = &frame; f != nullptr; f = f->parent) {
    if (f->level != target) continue;
    if (f->cmd_argc <= 0 || f->cmd_argv == nullptr) break;
    std::string out;
    for (int i = 0; i < f->cmd_argc; ++i) core::list_append_element(out, f->cmd_argv[i].view());
    return result_text(interp, out);
  }
  return core::fail(interp, core::Msg::InfoLevelNotFound, argv[2]);
}

Code info_procname(Interp& interp, int, Value*, void*) {
  CallFrame& frame = current_frame(interp);
  bool in_proc = frame.level > 0 && frame.has_proc_name;
  return result_text(interp, in_proc ? std::string_view(frame.proc_name) : std::string_view());
}

Code info_cmdcount(Interp& interp, int, Value*, void*) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%" PRIu64, static_cast<uint64_t>(interp.cmdcount));
  return result_text(interp, buf);
}

// --- The running script and the interpreter ----------------------------------------------

Code info_script(Interp& interp, int, Value*, void*) {
  return result_text(interp, core::process().script_name);
}

// The folder of the script's full path; "{}" when no script runs.
Code info_scriptpath(Interp& interp, int, Value*, void*) {
  const std::string& script = core::process().script_name;
  if (script.empty()) return result_text(interp, "{}");
  std::string full = platform::full_path(script);
  size_t slash = full.rfind('/');
  if (slash == std::string::npos) return result_text(interp, "{}");
  return result_text(interp, slash == 0 ? std::string("/") : full.substr(0, slash));
}

// The value of the start-up variable exe_name.
Code info_executable(Interp& interp, int, Value*, void*) {
  std::optional<Value> exe = get_var_value(interp, "::exe_name");
  core::nuvelSetResult(interp, exe ? *exe : Value(""));
  return Code::Ok;
}

Code info_fixed(Interp& interp, int, Value* argv, void*) {
  std::string_view sub = argv[1].view();
  if (core::iequals(sub, "tclversion")) return result_text(interp, kVersion);
  if (core::iequals(sub, "patchlevel")) return result_text(interp, kPatchLevel);
  return result_text(interp, "0");  // is_dll: this is the executable build
}

// info with no words: a summary of the interpreter and the system.
Code info_summary(Interp& interp) {
  std::string out = "Tcl Version\t";
  out += kVersion;
  out += "\nSystem:\t";
  out += syslib::system_description(false, false);
  out += "\nExecutable:\t";
  out += core::nuvelUnescape(core::process().exe_path);
  char buf[64];
  std::snprintf(buf, sizeof buf, "\nCommands:\t%" PRId64 "\n",
                static_cast<int64_t>(interp.cmdcount));
  out += buf;
  return result_text(interp, out);
}

// The rows most used in loops come first: the dispatcher tries rows in order.
const EnsembleRow kInfoRows[] = {
    {"exists", info_exists, 3, core::kAnyWords, "name ?-nocase?"},
    {"level", info_level, 2, 3, "?n?"},
    {"cmdcount", info_cmdcount, 2, 2, ""},
    {"procname", info_procname, 2, 2, ""},
    {"frame", info_level, 2, 3, "?n?"},
    {"commands", info_commands, 2, 3, "?pattern?"},
    {"procs", info_commands, 2, 3, "?pattern?"},
    {"functions", info_functions, 2, 3, "?pattern?"},
    {"vars", info_vars, 2, core::kAnyWords, "?pattern? ?-nocase? ?-const?"},
    {"locals", info_vars, 2, core::kAnyWords, "?pattern? ?-nocase? ?-const?"},
    {"globals", info_vars, 2, core::kAnyWords, "?pattern? ?-nocase? ?-const?"},
    {"args", info_args, 3, 3, "procname"},
    {"body", info_body, 3, 3, "procname"},
    {"default", info_default, 5, 5, "procname argname varName"},
    {"argcount", info_argcount, 3, 3, "arrayName"},
    {"script", info_script, 2, 2, ""},
    {"scriptpath", info_scriptpath, 2, 2, ""},
    {"executablename", info_executable, 2, 2, ""},
    {"nameofexecutable", info_executable, 2, 2, ""},
    {"tclversion", info_fixed, 2, 2, ""},
    {"patchlevel", info_fixed, 2, 2, ""},
    {"is_dll", info_fixed, 2, 2, ""},
    {"lib", syslib::info_lib, 2, 2, ""},
    {"is_elevated", syslib::info_is_elevated, 2, 2, ""},
    {"is_networked", syslib::info_is_networked, 2, 2, ""},
    {"winver", syslib::info_winver, 2, 5, "?-list? ?-vernum? ?-truever?"},
    {"username", syslib::info_username, 2, 2, ""},
    {"hostname", syslib::info_hostname, 2, 3, "?n?"},
    {"adapter_count", syslib::info_adapter_count, 2, 2, ""},
    {"disks", syslib::info_disks, 2, 2, ""},
    {"disksize", syslib::info_disksize, 3, 3, "path"},
    {"disktype", syslib::info_disktype, 3, 3, "path"},
    {"memtotal", syslib::info_memory, 2, 2, ""},
    {"memavail", syslib::info_memory, 2, 2, ""},
    {"memtotalpage", syslib::info_memory, 2, 2, ""},
    {"memavailpage", syslib::info_memory, 2, 2, ""},
    {"memtotalvirtual", syslib::info_memory, 2, 2, ""},
    {"memavailvirtual", syslib::info_memory, 2, 2, ""},
    {"mempercentfree", syslib::info_mempercentfree, 2, 2, ""},
    {"monitorcount", syslib::info_monitorcount, 2, 2, ""},
    {"guid", syslib::info_guid, 2, 2, ""},
    {"adapter_id", syslib::info_adapter_property, 3, 3, "n"},
    {"adapter_index", syslib::info_adapter_property, 3, 3, "n"},
    {"adapter_name", syslib::info_adapter_property, 3, 3, "n"},
    {"adapter_type", syslib::info_adapter_property, 3, 3, "n"},
    {"dhcp_enabled", syslib::info_adapter_property, 3, 3, "n"},
    {"dhcp_server", syslib::info_adapter_property, 3, 3, "n"},
    {"dhcp_start", syslib::info_adapter_property, 3, 3, "n"},
    {"dhcp_end", syslib::info_adapter_property, 3, 3, "n"},
    {"domain", syslib::info_adapter_property, 3, 3, "n"},
    {"gateway", syslib::info_adapter_property, 3, 3, "n"},
    {"ip_address", syslib::info_adapter_property, 3, 3, "n"},
    {"mac_address", syslib::info_adapter_property, 3, 3, "n"},
    {"fmac_address", syslib::info_adapter_property, 3, 3, "n"},
    {"netmask", syslib::info_adapter_property, 3, 3, "n"},
    {"primary_dns", syslib::info_adapter_property, 3, 3, "n"},
    {"secondary_dns", syslib::info_adapter_property, 3, 3, "n"},
    {"primary_wins", syslib::info_adapter_property, 3, 3, "n"},
    {"secondary_wins", syslib::info_adapter_property, 3, 3, "n"},
};

const core::Ensemble kInfoEnsemble{"info", kInfoRows, core::Msg::InfoUnknownArgument};

// info ?subcommand ...?
Code nuvelCommandInfo(Interp& interp, int argc, Value* argv, void*) {
  if (argc == 1) return info_summary(interp);
  return core::dispatch_ensemble(interp, kInfoEnsemble, argc, argv);
}

const core::CommandRow kInfoCommands[] = {
    {"info", nuvelCommandInfo, 1, core::kAnyWords, "?subcommand? ?arg ...?"},
};

}  // namespace

[[gnu::section(".text.startup.register")]] void register_info_cmds(Interp& interp) {
  core::register_rows(interp, kInfoCommands);
  core::register_ensemble(interp, kInfoEnsemble);
}

}  // namespace vars
