// Call points of the evaluator that later subsystems fill in: command tracing,
// the single-step prompt and the operating-system command path of autoexec.
#pragma once

#include "core/nuvel.h"

namespace core {

struct EvalHooks {
  // Prints the "Exec" (returning false) or "Retn" (returning true) trace line.
  void (*trace)(Interp& interp, int argc, Value* argv, bool returning, int code) = nullptr;
  // The single-step prompt; Stop ends the evaluation.
  Code (*single_step)(Interp& interp, int argc, Value* argv) = nullptr;
  // Runs an unknown command as an operating-system command (autoexec on).
  Code (*run_external)(Interp& interp, int argc, Value* argv) = nullptr;
};

EvalHooks& eval_hooks();

}  // namespace core
