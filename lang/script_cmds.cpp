// Loading and running scripts (load, run, chain and the dot command) and the
// BASIC-like controls on ... goto|gosub and assert.
#include <optional>
#include <string>
#include <vector>

#include "core/cmd_helpers.h"
#include "core/switches.h"
#include "core/var_store.h"
#include "expr/expr_engine.h"
#include "lang/flow.h"
#include "lang/script_run.h"
#include "mpp/mpp.h"
#include "platform/files.h"

namespace lang {
namespace {

using core::Code;
using core::CommandRow;
using core::Interp;
using core::kAnyWords;
using core::Msg;
using core::Value;

// Reads and prepares a file as load does; the error code on failure.
Code load_file(Interp& interp, std::string_view file_word) {
  std::string file(file_word);
  if (!platform::file_exists(file)) return core::fail(interp, Msg::FileNotFound, file);
  std::string text;
  if (!platform::read_file(file, text)) return core::fail(interp, Msg::ScriptReadFailed, file);
  if (core::switches().preprocessor && !text.empty()) {
    core::ScopedRestore<std::string> name(core::process().script_name, file);
    int pre = core::mpp_preprocess(interp, text, true, file);
    if (pre < 0 && pre != mpp::kExitRequested) {
      return core::fail(interp, Msg::PreprocessingFailed, file);
    }
    if (!text.empty()) expr::normalise_numeric_literals(text);
  }
  LoadedScript& loaded = interp.state<LoadedScript>();
  loaded.text = Value(std::move(text));
  loaded.file = file;
  core::process().script_name = file;
  return Code::Ok;
}

// load filename
// Results: the length of the kept text. Side effects: the file (through the
// preprocessor while that is on) becomes the loaded script and its name the
// current script name; nothing is evaluated.
Code nuvelCommandLoad(Interp& interp, int, Value* argv, void*) {
  Code rc = load_file(interp, argv[1].view());
  if (rc != Code::Ok) return rc;
  return core::result_int(interp, static_cast<int64_t>(interp.state<LoadedScript>().text->size()));
}

// Runs the loaded script at level 0 with argv/argc for `args` (the file
// name first), as source does.
Code run_loaded(Interp& interp, int count, const Value* args) {
  LoadedScript& loaded = interp.state<LoadedScript>();
  if (!loaded.text) return core::fail(interp, Msg::ScriptNotLoaded);
  Value text = *loaded.text;
  core::ScopedRestore<vars::CallFrame*> global(interp.callframe, vars::frame_at_level(interp, 0));
  if (count > 0) return run_with_args(interp, text, count, args);
  Value name(loaded.file);
  return run_with_args(interp, text, 1, &name);
}

// run ?filename? ?arg ...?
// Results: the result and code of the script (return becomes ok). With a
// file name it is loaded first; without, the loaded script runs again.
Code nuvelCommandRun(Interp& interp, int argc, Value* argv, void*) {
  if (argc >= 2) {
    Code rc = load_file(interp, argv[1].view());
    if (rc != Code::Ok) return rc;
  }
  return run_loaded(interp, argc - 1, argv + 1);
}

// chain filename ?arg ...?
// Runs the file, then ends the calling script: code 5 (exit) with the
// chained script's result when it ended normally, else its own code.
Code nuvelCommandChain(Interp& interp, int argc, Value* argv, void*) {
  Code rc = load_file(interp, argv[1].view());
  if (rc != Code::Ok) return rc;
  rc = run_loaded(interp, argc - 1, argv + 1);
  return rc == Code::Ok ? Code::Exit : rc;
}

// on index goto|gosub label ?label ...?
// The index (1-based) picks a label: goto gives it as the result with code
// 7, gosub runs `gosub label`. An index out of range does nothing.
Code nuvelCommandOn(Interp& interp, int argc, Value* argv, void*) {
  std::string_view how = argv[2].view();
  bool is_goto = core::iequals(how, "goto");
  if (!is_goto && !core::iequals(how, "gosub")) {
    return core::fail(interp, Msg::OnExpectedGotoGosub, argv[2]);
  }
  int64_t index = core::leading_int(argv[1].view());
  if (index < 1 || index > argc - 3) {
    core::nuvelResetResult(interp);
    return Code::Ok;
  }
  const Value& label = argv[2 + index];
  if (is_goto) {
    core::nuvelSetResult(interp, label);
    return Code::Goto;
  }
  Value words[2] = {Value("gosub"), label};
  return core::nuvelCallCommand(interp, 2, words);
}

// assert condition ?message?
// Results: unchanged when the condition holds (or while the preprocessor's
// ndebug is defined); fails with the message or the condition otherwise. A
// condition that fails passes its own code on.
Code nuvelCommandAssert(Interp& interp, int argc, Value* argv, void*) {
  if (core::process().ndebug) return Code::Ok;
  core::ResultSaver keep(interp);
  bool truth = false;
  Code rc = test_if_condition(interp, argv[1], truth);
  if (rc != Code::Ok) {
    keep.release();
    return rc;
  }
  if (truth) return Code::Ok;
  keep.release();
  core::nuvelResetResult(interp);
  return core::fail(interp, Msg::AssertFailed, argc > 2 ? argv[2] : argv[1]);
}

constexpr CommandRow kScriptCommands[] = {
    {"load", nuvelCommandLoad, 2, 2, "filename", core::kUnsafe},
    {"run", nuvelCommandRun, 1, kAnyWords, "?filename? ?arg ...?",
     core::kUnsafe | core::kProcMayReplace},
    {"chain", nuvelCommandChain, 2, kAnyWords, "filename ?arg ...?", core::kUnsafe},
    {".", nuvelCommandSource, 2, kAnyWords, "filename ?arg ...?", core::kUnsafe},
    {"on", nuvelCommandOn, 4, kAnyWords, "index goto|gosub label ?label ...?"},
    {"assert", nuvelCommandAssert, 2, 3, "condition ?message?"},
};

}  // namespace

[[gnu::section(".text.startup.register")]] void register_script_cmds(Interp& interp) {
  core::register_rows(interp, kScriptCommands);
}

}  // namespace lang
