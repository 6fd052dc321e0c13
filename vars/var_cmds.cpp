// Variable commands: set (also registered as variable and =).
#include "core/builtins.h"
#include "core/cmd_helpers.h"
#include "vars/var.h"

namespace vars {
namespace {

using core::Code;
using core::CommandSpec;
using core::Value;

// set name ?value?
// Results: the value read or assigned.
// Side effects: creates or assigns the variable (all name forms).
Code nuvelCommandSet(Interp& interp, int argc, Value* argv, void*) {
  if (argc < 2 || argc > 3) return core::nuvelWrongArgs(interp, argc, argv);
  std::string_view name = argv[1].view();
  if (name == "-") return Code::Ok;
  if (name.empty()) {
    core::nuvelSetError(&interp, "%s: Variable name is empty\n", "set");
    return Code::Error;
  }
  // A dictionary result taken over by set is handled by the dictionary
  // commands; the marker only lives until the next set.
  interp.result_type = 0;
  int rc = access_var(interp, name, argc == 3 ? &argv[2] : nullptr, true);
  return rc == 0 ? Code::Ok : Code::Error;
}

const CommandSpec kVarCommands[] = {
    {"set", nuvelCommandSet},
    {"variable", nuvelCommandSet},
    {"=", nuvelCommandSet},
};

}  // namespace

void register_var_cmds(core::Interp& interp) { core::nuvelRegisterFamily(interp, kVarCommands); }

}  // namespace vars
