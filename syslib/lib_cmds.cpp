// The `lib` command: loads plug-in libraries (shared objects that add
// commands), lists and queries them and unloads them again. The module table
// lives in the interpreter (LibState); each registered command holds its
// module, so no command can ever call into a closed library.
#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/cmd_helpers.h"
#include "core/list_value.h"
#include "core/switches.h"
#include "platform/console.h"
#include "platform/fs.h"
#include "platform/system.h"
#include "syslib/plugin_state.h"
#include "syslib/plugins.h"

namespace syslib {

using core::Code;
using core::CommandRow;
using core::Interp;
using core::Msg;
using core::Value;

std::string executable_folder() {
  std::string exe = platform::executable_path();
  size_t slash = exe.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? std::string("/") : exe.substr(0, slash);
}

std::string library_folder() {
  std::string folder = executable_folder();
  if (folder.back() != '/') folder.push_back('/');
  return folder + "lib";
}

namespace {

// The last component of a path.
std::string_view base_name(std::string_view path) {
  size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// Whether the last component has an extension (a dot after its first
// character, so ".hidden" has none).
bool has_extension(std::string_view path) {
  std::string_view base = base_name(path);
  size_t dot = base.rfind('.');
  return dot != std::string_view::npos && dot > 0;
}

std::string join(std::string folder, std::string_view name) {
  if (folder.empty() || folder.back() != '/') folder.push_back('/');
  folder += name;
  return folder;
}

}  // namespace

std::string library_file_name(std::string_view name) {
  bool has_folder = name.find('/') != std::string_view::npos;
  std::string file = has_folder ? core::nuvelUnescape(name) : std::string(name);
  if (!has_extension(file)) file += ".so";
  if (has_folder) return file;
  std::string beside = join(executable_folder(), file);
  if (platform::path_exists(beside) && !platform::is_directory(beside)) return beside;
  return join(library_folder(), file);
}

std::string library_key(std::string_view name) {
  bool has_folder = name.find('/') != std::string_view::npos;
  std::string file = has_folder ? core::nuvelUnescape(name) : std::string(name);
  std::string base(base_name(file));
  size_t dot = base.rfind('.');
  if (dot != std::string::npos && dot > 0) base.resize(dot);
  return base;
}

namespace {

// The words of one `lib` call.
struct LibOptions {
  bool list = false;
  bool nocomplain = false;
  bool verbose = false;
  bool unload = false;
  bool replace = false;
  bool info = false;
  bool modules = false;
  bool commands = false;
  bool description = false;
  bool loaded = false;
  std::string name;  // the library name as written ("" when none)
  bool has_name = false;
  std::string unknown;  // the first unknown option word
};

LibOptions read_options(int argc, const Value* argv) {
  struct Word {
    const char* text;
    bool LibOptions::*flag;
  };
  static constexpr Word kWords[] = {
      {"-list", &LibOptions::list},
      {"-nocomplain", &LibOptions::nocomplain},
      {"-verbose", &LibOptions::verbose},
      {"-unload", &LibOptions::unload},
      {"-replace", &LibOptions::replace},
      {"-info", &LibOptions::info},
      {"-modules", &LibOptions::modules},
      {"-commands", &LibOptions::commands},
      {"-description", &LibOptions::description},
      {"-loaded", &LibOptions::loaded},
  };
  LibOptions o;
  for (int i = 1; i < argc; ++i) {
    std::string_view w = argv[i].view();
    bool matched = false;
    for (const Word& word : kWords) {
      if (core::iequals(w, word.text)) {
        o.*(word.flag) = true;
        matched = true;
      }
    }
    if (matched) continue;
    if (w.size() > 1 && w[0] == '-') {
      if (o.unknown.empty()) o.unknown = std::string(w);
    } else if (!o.has_name) {
      o.name = std::string(w);
      o.has_name = true;
    }
  }
  return o;
}

// One call of the command: its words, the file and key they name, and the
// way it reports.
struct LibCall {
  Interp& interp;
  const LibOptions& o;
  std::string file;
  std::string key;

  bool chatty() const { return o.verbose || core::switches().debug; }
  // Reports a message unless -nocomplain silences it.
  template <class... Args>
  void complain(Msg id, const Args&... args) const {
    if (!o.nocomplain) (void)core::fail(interp, id, args...);
  }
  template <class... Args>
  Code refuse(Msg id, const Args&... args) const {
    complain(id, args...);
    return Code::Error;
  }
  template <class... Args>
  void print(Msg id, const Args&... args) const {
    platform::out(core::message_of(interp, id, args...));
  }
};

std::shared_ptr<PluginModule> find_module(LibState& state, std::string_view key) {
  for (const auto& m : state.modules) {
    if (core::iequals(m->key, key)) return m;
  }
  return nullptr;
}

std::shared_ptr<PluginModule> find_module_by_handle(LibState& state, const void* native) {
  for (const auto& m : state.modules) {
    if (m->lib.native() == native) return m;
  }
  return nullptr;
}

// Removes every command (aliases and renamed copies included) that calls
// into `module`; returns how many.
int64_t remove_module_commands(Interp& interp, const PluginModule& module) {
  std::vector<std::string> names;
  for (const core::CommandRecord& rec : interp.commands) {
    if (rec.handler == plugin_command_handler &&
        static_cast<const PluginCommand*>(rec.data)->module.get() == &module) {
      names.push_back(rec.name);
    }
  }
  int64_t removed = 0;
  for (const std::string& name : names) {
    if (core::nuvelDeleteCommand(interp, name)) ++removed;
  }
  return removed;
}

// Takes a module out of the interpreter: its commands, its cleanup entry
// and its record. The library closes when the last holder lets go.
int64_t drop_module(Interp& interp, const std::shared_ptr<PluginModule>& module, bool run_cleanup) {
  int64_t removed = remove_module_commands(interp, *module);
  auto& modules = interp.state<LibState>().modules;
  for (auto it = modules.begin(); it != modules.end(); ++it) {
    if (*it == module) {
      modules.erase(it);
      break;
    }
  }
  if (run_cleanup) {
    if (auto cleanup = module->entry<nuvel_lib_cleanup_fn>("_lib_cleanup")) cleanup(0);
  }
  return removed;
}

std::string version_line(const PluginModule& module, bool with_handle) {
  auto version = module.entry<nuvel_get_dll_version_fn>("_get_dll_version");
  auto date = module.entry<nuvel_get_dll_date_fn>("_get_dll_date");
  double v = version ? version() / 100.0 : 0.0;
  const char* d = date ? date() : nullptr;
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.2f ", v);
  std::string out = buf;
  out += d ? d : "";
  if (with_handle) {
    std::snprintf(buf, sizeof buf, " 0x%" PRIxPTR,
                  reinterpret_cast<uintptr_t>(module.lib.native()));
    out += buf;
  }
  return out;
}

// Registers the library's commands (steps shared by a first load and by
// -replace). Returns the count; `names` gets the names registered.
int64_t register_commands(const LibCall& call, const std::shared_ptr<PluginModule>& module,
                          std::string& names) {
  Interp& interp = call.interp;
  auto functions_of = module->entry<nuvel_get_function_list_fn>("_get_function_list");
  auto commands_of = module->entry<nuvel_get_command_list_fn>("_get_command_list");
  auto count_of = module->entry<nuvel_get_export_count_fn>("_get_export_count");
  if (!functions_of || !commands_of || !count_of) {
    call.complain(Msg::LibNoExports);
    return 0;
  }
  const char* const* functions = functions_of();
  const char* const* commands = commands_of();
  int count = count_of();
  if (!functions || !commands) count = 0;
  int64_t registered = 0;
  for (int i = 0; i < count; ++i) {
    const char* function = functions[i] ? functions[i] : "";
    const char* command = commands[i] ? commands[i] : "";
    void* symbol = *function ? module->lib.symbol(function) : nullptr;
    if (!symbol) {
      call.complain(Msg::LibNoExport, function, module->file);
      continue;
    }
    if (!*command) {
      call.complain(Msg::LibRegisterFailed, command, function);
      continue;
    }
    if (call.o.replace && core::nuvelGetCommand(interp, command)) {
      (void)core::nuvelDeleteCommand(interp, command);
    }
    auto plugin = std::make_shared<PluginCommand>();
    plugin->fn = reinterpret_cast<nuvel_command_fn>(symbol);
    plugin->module = module;
    int rc = core::nuvelRegisterCommand(interp, command, plugin_command_handler, plugin.get(),
                                        false, plugin);
    if (rc == core::code_int(Code::Defined)) {
      call.complain(Msg::LibCommandDefined, command);
      continue;
    }
    if (rc != 0) {
      call.complain(Msg::LibRegisterFailed, command, function);
      continue;
    }
    if (call.chatty()) call.print(Msg::LibLoadedCommand, command);
    core::list_append_element(names, command);
    ++registered;
  }
  return registered;
}

// lib name ?-list? ?-replace? ?-verbose? ?-info? ?-nocomplain?
// Results: the number of commands registered, or with -list their names.
// Side effects: opens the library, calls _lib_init, registers its commands
// and hands it the host routines. A library whose _export_common_routines
// does not answer 17 is unloaded again completely.
Code lib_load(const LibCall& call, std::shared_ptr<PluginModule> module) {
  Interp& interp = call.interp;
  LibState& state = interp.state<LibState>();
  if (module && !call.o.replace) {
    if (call.o.nocomplain) {
      core::nuvelResetResult(interp);
      return Code::Ok;
    }
    return call.refuse(Msg::LibAlreadyLoaded, call.o.name);
  }
  if (!module) {
    auto fresh = std::make_shared<PluginModule>();
    fresh->key = call.key;
    fresh->file = call.file;
    if (!fresh->lib.open(call.file)) {
      core::nuvelResetResult(interp);
      return call.refuse(Msg::LibLinkFailed, call.file);
    }
    // The same file reached through another path is the library loaded
    // already: the loader hands out the same handle for it.
    module = find_module_by_handle(state, fresh->lib.native());
    if (module) {
      if (!call.o.replace) {
        if (call.o.nocomplain) return Code::Ok;
        return call.refuse(Msg::LibAlreadyLoaded, call.o.name);
      }
    } else {
      module = fresh;
      state.modules.push_back(module);
    }
  }
  if (module->active > 0) return call.refuse(Msg::LibInUse, module->key);
  std::string names;
  int64_t count = 0;
  try {
    if (auto init = module->entry<nuvel_lib_init_fn>("_lib_init")) init();
    count = register_commands(call, module, names);
    if (call.chatty()) {
      call.print(Msg::LibLoadedSummary, module->key, count);
      if (call.o.info) call.print(Msg::LibVersionLine, version_line(*module, false));
    }
    if (call.o.list) {
      core::nuvelSetResult(interp, Value(names.empty() ? std::string("{}") : names));
    } else {
      core::nuvelSetResultInt(interp, count);
    }
    if (auto routines = module->entry<nuvel_export_common_routines_fn>("_export_common_routines")) {
      int answer = export_host_routines(routines);
      if (answer != NUVEL_PLUGIN_ROUTINE_COUNT) {
        (void)drop_module(interp, module, true);
        core::nuvelResetResult(interp);
        return call.refuse(Msg::LibExportFailed, module->key, answer);
      }
    }
  } catch (...) {
    // A library that throws while it is being loaded is not kept.
    (void)drop_module(interp, module, false);
    throw;
  }
  return Code::Ok;
}

// lib -unload name ?-verbose? ?-nocomplain?
// Results: the number of commands removed. Side effects: removes every
// command that calls into the library (aliases included), calls its
// _lib_cleanup and closes it. A library with a command running is refused.
Code lib_unload(const LibCall& call, std::shared_ptr<PluginModule> module) {
  Interp& interp = call.interp;
  if (!module) {
    // Loaded under another name (another path to the same file)?
    platform::DynLib probe;
    if (probe.open_resident(call.file)) {
      module = find_module_by_handle(interp.state<LibState>(), probe.native());
    }
  }
  if (!module) return call.refuse(Msg::LibCantUnload, call.o.name);
  if (module->active > 0) return call.refuse(Msg::LibInUse, module->key);
  int64_t removed = drop_module(interp, module, true);
  if (call.chatty()) call.print(Msg::LibUnloaded, module->key);
  return core::result_int(interp, removed);
}

// lib -commands name: the names of the commands a loaded library provides.
Code lib_commands(const LibCall& call, const PluginModule& module) {
  auto commands_of = module.entry<nuvel_get_command_list_fn>("_get_command_list");
  auto count_of = module.entry<nuvel_get_export_count_fn>("_get_export_count");
  const char* const* commands = commands_of ? commands_of() : nullptr;
  if (!commands || !count_of) return call.refuse(Msg::LibNoListExports, call.o.name);
  std::string out;
  int count = count_of();
  for (int i = 0; i < count; ++i) {
    if (!commands[i]) continue;
    if (!out.empty()) out.push_back(' ');
    out += commands[i];
  }
  core::nuvelSetResult(call.interp, Value(std::move(out)));
  return Code::Ok;
}

Code lib_dispatch(Interp& interp, int argc, Value* argv, const LibOptions& o) {
  LibState& state = interp.state<LibState>();
  if (!o.unknown.empty()) {
    if (!o.nocomplain) (void)core::fail(interp, Msg::UnknownOption, o.unknown);
    return Code::Error;
  }
  if (o.modules) {
    std::string out;
    for (const auto& m : state.modules) {
      if (!out.empty()) out.push_back(' ');
      out += m->key;
    }
    core::nuvelSetResult(interp, Value(out.empty() ? std::string("{}") : out));
    return Code::Ok;
  }
  if (!o.has_name) return core::nuvelWrongArgs(interp, argc, argv);
  LibCall call{interp, o, library_file_name(o.name), library_key(o.name)};
  std::shared_ptr<PluginModule> module = find_module(state, call.key);
  if (o.loaded) return core::result_bool(interp, module != nullptr);
  if (o.unload) return lib_unload(call, module);
  if (o.commands) {
    if (!module) return call.refuse(Msg::LibNotLoaded, o.name);
    return lib_commands(call, *module);
  }
  if (o.info && (module || !o.verbose)) {
    if (!module) return call.refuse(Msg::LibNotLoaded, o.name);
    core::nuvelSetResult(interp, Value(version_line(*module, true)));
    return Code::Ok;
  }
  if (o.description) {
    if (!module) return call.refuse(Msg::LibNotLoaded, o.name);
    auto comment = module->entry<nuvel_get_dll_comment_fn>("_get_dll_comment");
    const char* text = comment ? comment() : nullptr;
    core::nuvelSetResult(interp, Value(text ? text : ""));
    return Code::Ok;
  }
  return lib_load(call, module);
}

// lib ?option ...? name
// Options anywhere among the words: -list -nocomplain -verbose -unload
// -replace -info -modules -commands -description -loaded. The library name
// is the first word that is not an option.
Code nuvelCommandLib(Interp& interp, int argc, Value* argv, void*) {
  LibOptions o = read_options(argc, argv);
  try {
    return lib_dispatch(interp, argc, argv, o);
  } catch (...) {
    core::nuvelExceptionReport(argv[0].c_str(), core::text_of(Msg::LibUnhandledException).c_str());
    return Code::Error;
  }
}

const CommandRow kLibCommands[] = {
    {"lib", nuvelCommandLib, 2, core::kAnyWords,
     "?-list? ?-nocomplain? ?-verbose? ?-unload? ?-replace? ?-info? ?-modules? ?-commands? "
     "?-description? ?-loaded? name",
     core::kUnsafe},
};

// The plug-ins in one folder: every file ending in ".so" that exports at
// least one of the plug-in entry points.
void report_folder(const std::string& folder) {
  std::vector<platform::DirEntry> entries;
  if (platform::list_directory(folder, entries) != 0) return;
  std::sort(
      entries.begin(), entries.end(),
      [](const platform::DirEntry& a, const platform::DirEntry& b) { return a.name < b.name; });
  for (const platform::DirEntry& e : entries) {
    if (e.is_dir || e.name.size() < 4 || e.name.compare(e.name.size() - 3, 3, ".so") != 0) {
      continue;
    }
    PluginModule probe;
    std::string path = join(folder, e.name);
    if (!probe.lib.open(path)) {
      platform::outf("  %-24s (cannot be loaded: %s)\n", e.name.c_str(), probe.lib.error().c_str());
      continue;
    }
    if (!probe.lib.symbol("_get_export_count") && !probe.lib.symbol("_get_dll_version")) {
      continue;
    }
    auto comment = probe.entry<nuvel_get_dll_comment_fn>("_get_dll_comment");
    const char* text = comment ? comment() : nullptr;
    platform::outf("  %-24s v%s  %s\n", e.name.c_str(), version_line(probe, false).c_str(),
                   text ? text : "");
  }
}

}  // namespace

void print_library_report(Interp& interp) {
  std::string folder = library_folder();
  platform::outf("Library folder: %s%s\n", folder.c_str(),
                 platform::is_directory(folder) ? "" : " (not found)");
  platform::out("Plug-ins found:\n");
  try {
    report_folder(executable_folder());
    report_folder(folder);
  } catch (...) {
    platform::out("  (a plug-in failed while it was examined)\n");
  }
  const auto& modules = interp.state<LibState>().modules;
  if (modules.empty()) {
    platform::out("Loaded: none\n");
    return;
  }
  platform::out("Loaded:\n");
  for (const auto& m : modules) {
    platform::outf("  %-24s %s\n", m->key.c_str(), m->file.c_str());
  }
}

[[gnu::section(".text.startup.register")]] void register_lib_cmds(Interp& interp) {
  core::register_rows(interp, kLibCommands);
}

}  // namespace syslib
