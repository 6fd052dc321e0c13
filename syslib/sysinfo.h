// The machine facts that `info` reports: the system description, user and
// host names, memory figures, disks, network adapters, monitors and GUIDs.
// The subcommand handlers are here; the `info` ensemble that lists them with
// the interpreter's own questions is built in lang/info_cmds.cpp.
#pragma once

#include <string>

#include "core/nuvel.h"

namespace syslib {

// The system description: "<product> [<version>.<build>] 64 bit"; with
// `as_list` "{<product>} <version>.<build> 64"; with `version_only` only the
// version text ("6.1").
std::string system_description(bool as_list, bool version_only);
// The host name (gethostname, else $COMPUTERNAME, else $HOSTNAME).
std::string host_name_text();
// The effective user's name (else $USER, else "").
std::string user_name_text();

// Subcommand handlers of `info` (argv[0] "info", argv[1] the subcommand).
core::Code info_winver(core::Interp& interp, int argc, core::Value* argv, void*);
core::Code info_username(core::Interp& interp, int argc, core::Value* argv, void*);
// One word: the host name; with an adapter number: that adapter's host name.
core::Code info_hostname(core::Interp& interp, int argc, core::Value* argv, void*);
core::Code info_is_elevated(core::Interp& interp, int argc, core::Value* argv, void*);
core::Code info_is_networked(core::Interp& interp, int argc, core::Value* argv, void*);
core::Code info_adapter_count(core::Interp& interp, int argc, core::Value* argv, void*);
// Every per-adapter subcommand: adapter_id ... secondary_wins n.
core::Code info_adapter_property(core::Interp& interp, int argc, core::Value* argv, void*);
core::Code info_disks(core::Interp& interp, int argc, core::Value* argv, void*);
core::Code info_disksize(core::Interp& interp, int argc, core::Value* argv, void*);
core::Code info_disktype(core::Interp& interp, int argc, core::Value* argv, void*);
// memtotal, memavail, memtotalpage, memavailpage, memtotalvirtual,
// memavailvirtual.
core::Code info_memory(core::Interp& interp, int argc, core::Value* argv, void*);
core::Code info_mempercentfree(core::Interp& interp, int argc, core::Value* argv, void*);
core::Code info_monitorcount(core::Interp& interp, int argc, core::Value* argv, void*);
core::Code info_guid(core::Interp& interp, int argc, core::Value* argv, void*);
core::Code info_lib(core::Interp& interp, int argc, core::Value* argv, void*);

}  // namespace syslib
