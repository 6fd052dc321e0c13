// Test helpers: evaluate script text in a fresh interpreter and capture its
// console output.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "core/nuvel.h"

namespace testing_support {

struct ScriptRun {
  core::Code code = core::Code::Ok;
  std::string result;
  std::string output;    // everything written to the console
  std::string errorMsg;  // ::errorMsg after the run ("" when unset)
};

// A fresh interpreter with every built-in command and the start-up variables.
std::unique_ptr<core::Interp> fresh_interp();

// Evaluates `script` in `interp` (or a fresh interpreter), capturing output.
ScriptRun run_script(core::Interp& interp, std::string_view script);
ScriptRun run_script(std::string_view script);

// Same, on a thread with a large stack (for deep nesting).
ScriptRun run_script_deep(std::string_view script);
ScriptRun run_script_deep(core::Interp& interp, std::string_view script);

// Reads a variable's value ("" when missing).
std::string var_value(core::Interp& interp, std::string_view name);

}  // namespace testing_support
