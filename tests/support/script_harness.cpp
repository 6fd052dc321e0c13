// Test helpers shared by the unit tests and the script-test runner.
#include "support/script_harness.h"

#include "builtins/builtins.h"
#include "core/switches.h"
#include "core/var.h"
#include "platform/console.h"
#include "platform/system.h"

namespace testing_support {

std::unique_ptr<core::Interp> fresh_interp() {
  return core::nuvelCreateTopInterp(0, nullptr);
}

ScriptRun run_script(core::Interp& interp, std::string_view script) {
  ScriptRun run;
  std::string* previous = platform::capture();
  platform::set_capture(&run.output);
  run.code = core::rindoEval(interp, core::Value(script));
  platform::set_capture(previous);
  run.result = std::string(interp.result.view());
  if (vars::Var* msg = vars::nuvelGetVar(interp, "::errorMsg")) {
    run.errorMsg = std::string(msg->value.view());
  }
  return run;
}

ScriptRun run_script(std::string_view script) {
  auto interp = fresh_interp();
  return run_script(*interp, script);
}

ScriptRun run_script_deep(std::string_view script) {
  ScriptRun run;
  platform::run_with_stack(size_t{1} << 30, [&] {
    run = run_script(script);
    return 0;
  });
  return run;
}

ScriptRun run_script_deep(core::Interp& interp, std::string_view script) {
  ScriptRun run;
  platform::run_with_stack(size_t{1} << 30, [&] {
    run = run_script(interp, script);
    return 0;
  });
  return run;
}

std::string var_value(core::Interp& interp, std::string_view name) {
  vars::Var* v = vars::nuvelGetVar(interp, name);
  return v ? std::string(v->value.view()) : std::string();
}

}  // namespace testing_support
