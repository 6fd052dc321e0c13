// The stack command: stack variables, each a Var of type stack owning a
// string-mode Stack of fixed capacity.
#include <array>

#include "containers/stack.h"
#include "core/cmd_helpers.h"
#include "core/list_value.h"
#include "core/var.h"

namespace containers {
namespace {

using core::Code;
using core::Interp;
using core::nuvelSetError;
using core::Value;
using vars::Var;

constexpr std::array<std::string_view, 14> kSubcommands = {
    "create", "push", "pop",   "peek", "count",   "size",  "is_empty",
    "clear",  "list", "listr", "item", "foreach", "unset", ""};

bool known(std::string_view sub) {
  for (std::string_view s : kSubcommands) {
    if (!s.empty() && core::iequals(sub, s)) return true;
  }
  return false;
}

Code fail(Interp& interp, const char* result) {
  core::nuvelSetResult(interp, Value(result));
  return Code::Error;
}

// stack create name size
Code stack_create(Interp& interp, int argc, Value* argv) {
  if (argc < 4) return core::nuvelWrongArgs(interp, argc, argv);
  const char* cmd = argv[0].c_str();
  if (vars::nuvelGetVar(interp, argv[2].view())) {
    nuvelSetError(&interp, "%s %s: Variable '%s' already exists\n", cmd, argv[1].c_str(),
                  argv[2].c_str());
    return fail(interp, "0");
  }
  int64_t size = core::leading_int(argv[3].view());
  if (size < 1) size = 1;
  if (size > INT32_MAX) size = INT32_MAX;
  if (vars::set_var(interp, argv[2].view(), Value("<stack>")) != 0) {
    nuvelSetError(&interp, "%s create: '%s' failed\n", cmd, argv[2].c_str());
    return Code::Error;
  }
  Var* var = vars::nuvelGetVar(interp, argv[2].view());
  if (!var) {
    nuvelSetError(&interp, "%s create failed\n", cmd);
    return Code::Error;
  }
  var->type = vars::VT_STACK;
  var->stack = std::make_shared<Stack>(static_cast<int32_t>(size), true);
  var->changed = true;
  core::nuvelSetResult(interp, Value("1"));
  return Code::Ok;
}

// stack foreach name varname body ?-r?: break ends the loop and continue moves
// on, both with code ok; return ends it with ok; any other code ends the loop
// and is the command's code.
Code stack_foreach(Interp& interp, int argc, Value* argv, Stack& stack) {
  if (argc < 5) return core::nuvelWrongArgs(interp, argc, argv);
  bool reverse = argc > 5 && core::starts_with(argv[5].view(), "-r");
  Value varname = argv[3];
  Value body = argv[4];
  int32_t n = stack.count();
  for (int32_t k = 0; k < n; ++k) {
    int32_t index = reverse ? n - 1 - k : k;
    std::optional<Value> item = stack.get_string(index);
    if (core::set_variable(interp, varname.view(), item ? *item : Value()) != 0) {
      return Code::Error;
    }
    Code c = core::rindoEval(interp, body);
    if (c == Code::Ok || c == Code::Continue) {
      // The body may have popped items: never read past the top.
      if (stack.count() < n) n = stack.count();
      continue;
    }
    if (c == Code::Break || c == Code::Return) return Code::Ok;
    return c;
  }
  return Code::Ok;
}

// stack subcommand name ?argument ...?
// Results: as each subcommand describes.
// Side effects: create makes a stack variable; push, pop, clear change it;
// unset removes it.
Code nuvelCommandStack(Interp& interp, int argc, Value* argv, void*) {
  if (argc < 3) return core::nuvelWrongArgs(interp, argc, argv);
  std::string_view sub = argv[1].view();
  const char* cmd = argv[0].c_str();
  auto is = [sub](std::string_view name) { return core::iequals(sub, name); };
  if (!known(sub)) {
    nuvelSetError(&interp, "%s: Unknown argument '%s'\n", cmd, argv[1].c_str());
    return Code::Error;
  }
  if (is("create")) return stack_create(interp, argc, argv);
  Var* var = vars::nuvelGetVar(interp, argv[2].view());
  if (!var) {
    if (core::find_option(argc, argv, "-nocomplain", 3) >= 0) {
      core::nuvelSetResult(interp, Value("1"));
      return Code::Ok;
    }
    nuvelSetError(&interp, "%s %s: '%s' not found\n", cmd, argv[1].c_str(), argv[2].c_str());
    return fail(interp, "0");
  }
  Var* owner = vars::array_owner(*var);
  if (!owner || owner->type != vars::VT_STACK) {
    nuvelSetError(&interp, "%s %s: '%s' exists and is not a stack variable\n", cmd, argv[1].c_str(),
                  argv[2].c_str());
    return Code::Error;
  }
  if (!owner->stack || !owner->stack->is_allocated()) {
    nuvelSetError(&interp, "%s %s: Stack '%s' not initialised\n", cmd, argv[1].c_str(),
                  argv[2].c_str());
    return fail(interp, "0");
  }
  // Hold the stack: a body run by foreach may unset the variable.
  std::shared_ptr<Stack> hold = owner->stack;
  Stack& stack = *hold;
  if (is("push")) {
    for (int k = 3; k < argc; ++k) {
      if (argv[k].empty()) continue;
      if (stack.count() >= stack.capacity()) return fail(interp, "Stack overflow");
      (void)stack.pushstr(argv[k]);
    }
    owner->changed = true;
    return core::result_int(interp, stack.count());
  }
  if (is("pop")) {
    std::optional<Value> top = stack.pop_string();
    core::nuvelSetResult(interp, top ? *top : Value());
    owner->changed = true;
    return Code::Ok;
  }
  if (is("peek")) {
    std::optional<Value> top = stack.peek_string();
    core::nuvelSetResult(interp, top ? *top : Value());
    return Code::Ok;
  }
  if (is("count")) return core::result_int(interp, stack.count());
  if (is("size")) return core::result_int(interp, stack.capacity());
  if (is("is_empty")) return core::result_bool(interp, stack.is_empty());
  if (is("clear")) {
    stack.clear();
    owner->changed = true;
    core::nuvelSetResult(interp, Value("1"));
    return Code::Ok;
  }
  if (is("list") || is("listr")) {
    bool bottom_up = is("listr");
    std::string out;
    int32_t n = stack.count();
    for (int32_t k = 0; k < n; ++k) {
      std::optional<Value> item = stack.get_string(bottom_up ? k : n - 1 - k);
      if (item && !item->empty()) core::list_append_element(out, item->view());
    }
    core::nuvelSetResult(interp, Value(std::move(out)));
    return Code::Ok;
  }
  if (is("item")) {
    if (argc < 4) return core::nuvelWrongArgs(interp, argc, argv);
    std::optional<Value> item;
    if (argv[argc - 1].view() == "-end") {
      item = stack.peek_string();
    } else {
      int64_t index = core::leading_int(argv[3].view());
      if (index < 0) index = 0;
      if (index < stack.count()) item = stack.get_string(static_cast<int32_t>(index));
    }
    if (!item) item = argc > 4 && argv[4].view() != "-end" ? argv[4] : Value("{}");
    core::nuvelSetResult(interp, *item);
    return Code::Ok;
  }
  if (is("foreach")) return stack_foreach(interp, argc, argv, stack);
  // unset name ?-nocomplain?
  bool nocomplain = core::find_option(argc, argv, "-nocomplain", 3) >= 0;
  if (owner == var) {
    stack.release();
    var->stack.reset();
    var->type = vars::VT_AUTO;
  }
  std::vector<Value> words = {Value("unset"), argv[2]};
  if (nocomplain) words.emplace_back("-nocomplain");
  Code c = core::nuvelCallCommand(interp, static_cast<int>(words.size()), words.data());
  core::nuvelSetResult(interp, Value(c == Code::Ok ? "1" : "0"));
  return c;
}

const core::CommandSpec kStackCommands[] = {
    {"stack", nuvelCommandStack},
};

}  // namespace

void register_stack_cmds(Interp& interp) {
  core::nuvelRegisterFamily(interp, kStackCommands);
}

}  // namespace containers
