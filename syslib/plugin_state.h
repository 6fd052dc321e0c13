// The module table of the `lib` family and the host side of the plug-in
// interface: what lib_cmds.cpp and plugin_host.cpp share.
#pragma once

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "core/nuvel.h"
#include "include/nuvel_plugin.h"
#include "platform/dynlib.h"

namespace syslib {

// One loaded library. Its commands hold it (through PluginCommand), so the
// shared object stays open until the last command that can call into it is
// gone, whatever removed the module record.
struct PluginModule {
  std::string key;   // file name without folder and extension
  std::string file;  // the file it was loaded from
  platform::DynLib lib;
  // Calls of the library's commands running now; while any runs, the
  // library can be neither unloaded nor loaded again over itself.
  int active = 0;

  template <class F>
  F entry(const char* name) const {
    return reinterpret_cast<F>(lib.symbol(name));
  }
};

// The private data of a registered plug-in command (and of its aliases and
// renamed copies, which share it).
struct PluginCommand : std::enable_shared_from_this<PluginCommand> {
  nuvel_command_fn fn = nullptr;
  std::shared_ptr<PluginModule> module;
};

// Per-interpreter state: the module table in load order.
struct LibState {
  std::vector<std::shared_ptr<PluginModule>> modules;
  // Names handed to plug-ins by the get_command routine; the address of an
  // entry is the routine's private data. Entries never move or go away.
  std::deque<std::string> command_tokens;
};

// The handler every plug-in command is registered with.
core::Code plugin_command_handler(core::Interp& interp, int argc, core::Value* argv, void* data);

// Hands the seventeen host routines to a library; returns what its
// `_export_common_routines` returned.
int export_host_routines(nuvel_export_common_routines_fn entry);

inline nuvel_interp* to_handle(core::Interp& interp) {
  return reinterpret_cast<nuvel_interp*>(&interp);
}
inline core::Interp* from_handle(nuvel_interp* interp) {
  return reinterpret_cast<core::Interp*>(interp);
}

}  // namespace syslib
