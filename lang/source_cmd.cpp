// Script files: the source command runs a file in the current frame with its
// own argv and argc, and puts the caller's back afterwards.
#include "core/cmd_helpers.h"
#include "core/switches.h"
#include "core/var_store.h"
#include "expr/expr_engine.h"
#include "lang/script_run.h"
#include "mpp/mpp.h"
#include "platform/files.h"

namespace lang {
namespace {

using core::leading_int;
using core::nuvelEscape;

using core::Value;

using core::Code;
using core::CommandRow;
using core::Interp;
using core::kAnyWords;

using core::process;
using core::switches;

// Replaces argv with the given elements and marks argv and argc constant.
void install_args(Interp& interp, const std::vector<std::string>& elements, int64_t count) {
  if (vars::CallFrame* frame = interp.callframe) {
    if (vars::VarRef argv = vars::lookup(interp, "argv")) {
      if (argv.kind() == vars::VT_ARRAY || argv.kind() == vars::VT_AUTO) {
        vars::remove_from_frame(*frame, argv);
      }
    }
  }
  for (size_t i = 0; i < elements.size(); ++i) {
    (void)vars::nuvelArraySetElement(interp, "argv", std::to_string(i), Value(elements[i]), false,
                                     false);
  }
  vars::set_constant(vars::lookup(interp, "argv"), true);
  vars::VarRef argc = vars::lookup(interp, "argc");
  if (argc) {
    vars::assign(argc, Value::from_int(count));
  } else {
    (void)vars::set_var(interp, "argc", Value::from_int(count));
    argc = vars::lookup(interp, "argc");
  }
  vars::set_constant(argc, true);
}

// Puts the preprocessor switch back when a scope ends.
class PreprocessorOn {
 public:
  PreprocessorOn() : saved_(switches().preprocessor) { switches().preprocessor = 1; }
  ~PreprocessorOn() { switches().preprocessor = saved_; }
  PreprocessorOn(const PreprocessorOn&) = delete;
  PreprocessorOn& operator=(const PreprocessorOn&) = delete;

 private:
  uint16_t saved_;
};

// Names the file as the current script while it is preprocessed and runs.
class ScriptNameScope {
 public:
  explicit ScriptNameScope(std::string name) : saved_(std::move(process().script_name)) {
    process().script_name = std::move(name);
  }
  ~ScriptNameScope() { process().script_name = std::move(saved_); }
  ScriptNameScope(const ScriptNameScope&) = delete;
  ScriptNameScope& operator=(const ScriptNameScope&) = delete;

 private:
  std::string saved_;
};

// Removes argc and argv from the current frame (source made them; the caller
// had none).
void remove_args(Interp& interp) {
  vars::CallFrame* frame = interp.callframe;
  if (!frame) return;
  for (const char* name : {"argv", "argc"}) {
    if (vars::VarRef var = vars::lookup(interp, name)) {
      if (vars::frame_of(interp, var) == frame) vars::remove_from_frame(*frame, var);
    }
  }
}

}  // namespace

// Runs script text with argv and argc describing `args` (args[0] the file
// name, as $argv(0) shows it) and puts the caller's back afterwards.
Code run_with_args(Interp& interp, const Value& text, int count, const Value* args) {
  // The caller's arguments.
  bool had_args = false;
  int64_t saved_count = 0;
  std::vector<std::string> saved;
  if (vars::VarRef caller_count = vars::lookup(interp, "argc")) {
    had_args = true;
    saved_count = std::max<int64_t>(0, leading_int(caller_count.value().view()));
    vars::VarRef caller_args = vars::lookup(interp, "argv");
    for (int64_t i = 0; i < saved_count && i < 100000; ++i) {
      std::optional<Value> v;
      if (caller_args) v = vars::array_element(caller_args, std::to_string(i));
      saved.emplace_back(v ? std::string(v->view()) : std::string());
    }
    saved_count = static_cast<int64_t>(saved.size());
  }
  std::vector<std::string> elements;
  for (int i = 0; i < count; ++i) elements.push_back(nuvelEscape(args[i].view()));
  install_args(interp, elements, count);
  uint32_t subst_code = interp.last_subst_code;
  Code rc = rindoEval(interp, text);
  Value result = interp.result;
  if (had_args) {
    install_args(interp, saved, saved_count);
  } else if (!had_args) {
    remove_args(interp);
  }
  interp.last_subst_code = subst_code;
  nuvelSetResult(interp, result);
  return rc == Code::Return ? Code::Ok : rc;
}

// source filename ?arg ...?
// Results: the result of the file's last command; return at top level is ok.
// Side effects: the file is preprocessed (its messages printed; a failed
// preprocessing runs nothing and is an error); argv/argc describe the file
// while it runs, then are restored (or removed when the caller had none); the
// current script name is the file meanwhile.
Code nuvelCommandSource(Interp& interp, int argc, Value* argv, void*) {
  std::string file(argv[1].view());
  if (!platform::file_exists(file)) {
    return core::fail(interp, core::Msg::FileNotFound, file);
  }
  std::string text;
  {
    PreprocessorOn on;
    if (!platform::read_file(file, text)) {
      return core::fail(interp, core::Msg::SourceReadFailed, file);
    }
    if (text.empty()) {
      nuvelResetResult(interp);
      return Code::Ok;
    }
  }
  ScriptNameScope script_name(file);
  int pre = mpp_preprocess(interp, text, true, file);
  if (pre < 0 && pre != mpp::kExitRequested) {
    return core::fail(interp, core::Msg::PreprocessingFailed, file);
  }
  // The text before an #exit runs like any other.
  if (!text.empty()) expr::normalise_numeric_literals(text);
  return run_with_args(interp, Value(std::move(text)), argc - 1, argv + 1);
}

namespace {

constexpr CommandRow kSourceCommands[] = {
    {"source", nuvelCommandSource, 2, kAnyWords, "filename ?arg ...?", core::kUnsafe},
};

}  // namespace

[[gnu::section(".text.startup.register")]] void register_source_cmds(Interp& interp) {
  core::register_rows(interp, kSourceCommands);
}

}  // namespace lang
