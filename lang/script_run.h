// Running script files: what source does, for the commands that load and run
// scripts (run, chain, the dot command).
#pragma once

#include <optional>
#include <string>

#include "core/nuvel.h"

namespace lang {

// The script `load` keeps (preprocessed) for `run`, with the file it came
// from; per interpreter.
struct LoadedScript {
  std::optional<core::Value> text;
  std::string file;
};

// Runs script text in the current frame with argv and argc describing
// `args` (args[0] is the file name), then puts the caller's argv and argc
// back (or removes them when it had none). Return becomes ok.
core::Code run_with_args(core::Interp& interp, const core::Value& text, int count,
                         const core::Value* args);

// source filename ?arg ...?
core::Code nuvelCommandSource(core::Interp& interp, int argc, core::Value* argv, void* data);

}  // namespace lang
