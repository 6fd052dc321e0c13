// The stack command: stack variables, each a Var of type stack owning a
// string-mode Stack of fixed capacity.
#include "containers/stack.h"
#include "core/cmd_helpers.h"
#include "core/list_value.h"
#include "core/var_store.h"

namespace containers {
namespace {

using core::Code;
using core::Interp;
using core::Msg;
using core::Value;
using vars::VarRef;

Code fail_with_result(Interp& interp, const char* result) {
  core::nuvelSetResult(interp, Value(result));
  return Code::Error;
}

// stack create name size
Code stack_create(Interp& interp, int argc, Value* argv, void*) {
  if (vars::lookup(interp, argv[2].view())) {
    (void)core::fail(interp, Msg::StackExists, argv[2]);
    return fail_with_result(interp, "0");
  }
  int64_t size = core::leading_int(argv[3].view());
  if (size < 1) size = 1;
  if (size > INT32_MAX) size = INT32_MAX;
  if (!vars::create_stack(interp, argv[2].view(), static_cast<int32_t>(size))) {
    return core::fail(interp, Msg::StackCreateFailed, argv[0], argv[2]);
  }
  core::nuvelSetResult(interp, Value("1"));
  return Code::Ok;
}

// The stack variable named by argv[2], through links. Null with the failure
// reported (or, for a missing name with -nocomplain, `done` set).
VarRef stack_of(Interp& interp, int argc, Value* argv, Code& done) {
  done = Code::Error;
  VarRef var = vars::lookup(interp, argv[2].view());
  if (!var) {
    if (core::find_option(argc, argv, "-nocomplain", 3) >= 0) {
      core::nuvelSetResult(interp, Value("1"));
      done = Code::Ok;
      return VarRef();
    }
    (void)core::fail(interp, Msg::StackNotFound, argv[2]);
    done = fail_with_result(interp, "0");
    return VarRef();
  }
  VarRef owner = var.storage();
  if (!owner || owner.kind() != vars::VT_STACK) {
    done = core::fail(interp, Msg::StackNotAStack, argv[2]);
    return VarRef();
  }
  if (!owner.stack() || !owner.stack()->is_allocated()) {
    (void)core::fail(interp, Msg::StackNotInitialised, argv[2]);
    done = fail_with_result(interp, "0");
    return VarRef();
  }
  return owner;
}

// Runs `body` on the stack variable of argv[2] (see stack_of).
template <class F>
Code with_stack(Interp& interp, int argc, Value* argv, F&& body) {
  Code done;
  VarRef owner = stack_of(interp, argc, argv, done);
  if (!owner) return done;
  // Hold the stack: a body run by foreach may unset the variable.
  std::shared_ptr<const Stack> hold = owner.stack();
  return body(owner, *hold);
}

// stack push name item ?item ...?
Code stack_push(Interp& interp, int argc, Value* argv, void*) {
  return with_stack(interp, argc, argv, [&](VarRef owner, const Stack& stack) {
    for (int k = 3; k < argc; ++k) {
      if (argv[k].empty()) continue;
      if (stack.count() >= stack.capacity()) return fail_with_result(interp, "Stack overflow");
      (void)vars::stack_push(owner, argv[k]);
    }
    return core::result_int(interp, stack.count());
  });
}

// stack pop name
Code stack_pop(Interp& interp, int argc, Value* argv, void*) {
  return with_stack(interp, argc, argv, [&](VarRef owner, const Stack&) {
    std::optional<Value> top = vars::stack_pop(owner);
    core::nuvelSetResult(interp, top ? *top : Value());
    return Code::Ok;
  });
}

// stack peek name
Code stack_peek(Interp& interp, int argc, Value* argv, void*) {
  return with_stack(interp, argc, argv, [&](VarRef, const Stack& stack) {
    std::optional<Value> top = stack.peek_string();
    core::nuvelSetResult(interp, top ? *top : Value());
    return Code::Ok;
  });
}

// stack count name
Code stack_count(Interp& interp, int argc, Value* argv, void*) {
  return with_stack(interp, argc, argv, [&](VarRef, const Stack& stack) {
    return core::result_int(interp, stack.count());
  });
}

// stack size name
Code stack_size(Interp& interp, int argc, Value* argv, void*) {
  return with_stack(interp, argc, argv, [&](VarRef, const Stack& stack) {
    return core::result_int(interp, stack.capacity());
  });
}

// stack is_empty name
Code stack_is_empty(Interp& interp, int argc, Value* argv, void*) {
  return with_stack(interp, argc, argv, [&](VarRef, const Stack& stack) {
    return core::result_bool(interp, stack.is_empty());
  });
}

// stack clear name
Code stack_clear(Interp& interp, int argc, Value* argv, void*) {
  return with_stack(interp, argc, argv, [&](VarRef owner, const Stack&) {
    vars::stack_clear(owner);
    core::nuvelSetResult(interp, Value("1"));
    return Code::Ok;
  });
}

// stack list|listr name: top down, or bottom up
Code stack_list(Interp& interp, int argc, Value* argv, bool bottom_up) {
  return with_stack(interp, argc, argv, [&](VarRef, const Stack& stack) {
    std::string out;
    int32_t n = stack.count();
    for (int32_t k = 0; k < n; ++k) {
      std::optional<Value> item = stack.get_string(bottom_up ? k : n - 1 - k);
      if (item && !item->empty()) core::list_append_element(out, item->view());
    }
    core::nuvelSetResult(interp, Value(std::move(out)));
    return Code::Ok;
  });
}

Code stack_list_top(Interp& interp, int argc, Value* argv, void*) {
  return stack_list(interp, argc, argv, false);
}

Code stack_list_bottom(Interp& interp, int argc, Value* argv, void*) {
  return stack_list(interp, argc, argv, true);
}

// stack item name index|-end ?default?
Code stack_item(Interp& interp, int argc, Value* argv, void*) {
  return with_stack(interp, argc, argv, [&](VarRef, const Stack& stack) {
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
  });
}

// stack foreach name varname body ?-r?: break ends the loop and continue moves
// on, both with code ok; return ends it with ok; any other code ends the loop
// and is the command's code.
Code stack_foreach(Interp& interp, int argc, Value* argv, void*) {
  return with_stack(interp, argc, argv, [&](VarRef, const Stack& stack) {
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
  });
}

// stack unset name ?-nocomplain?
Code stack_unset(Interp& interp, int argc, Value* argv, void*) {
  Code done;
  VarRef owner = stack_of(interp, argc, argv, done);
  if (!owner) return done;
  bool nocomplain = core::find_option(argc, argv, "-nocomplain", 3) >= 0;
  // The stack's own variable gives its stack up; a link leaves it alone.
  if (owner == vars::lookup(interp, argv[2].view())) vars::make_plain(owner);
  std::vector<Value> words = {Value("unset"), argv[2]};
  if (nocomplain) words.emplace_back("-nocomplain");
  Code c = core::nuvelCallCommand(interp, static_cast<int>(words.size()), words.data());
  core::nuvelSetResult(interp, Value(c == Code::Ok ? "1" : "0"));
  return c;
}

constexpr core::EnsembleRow kStackRows[] = {
    {"create", stack_create, 4, core::kAnyWords, "create name size"},
    {"push", stack_push, 3, core::kAnyWords, "push name ?item ...?"},
    {"pop", stack_pop, 3, core::kAnyWords, "pop name ?-nocomplain?"},
    {"peek", stack_peek, 3, core::kAnyWords, "peek name"},
    {"count", stack_count, 3, core::kAnyWords, "count name"},
    {"size", stack_size, 3, core::kAnyWords, "size name"},
    {"is_empty", stack_is_empty, 3, core::kAnyWords, "is_empty name"},
    {"clear", stack_clear, 3, core::kAnyWords, "clear name"},
    {"list", stack_list_top, 3, core::kAnyWords, "list name"},
    {"listr", stack_list_bottom, 3, core::kAnyWords, "listr name"},
    {"item", stack_item, 4, core::kAnyWords, "item name index|-end ?default?"},
    {"foreach", stack_foreach, 5, core::kAnyWords, "foreach name varname body ?-r?"},
    {"unset", stack_unset, 3, core::kAnyWords, "unset name ?-nocomplain?"},
};

constexpr core::Ensemble kStackEnsemble{"stack", kStackRows, Msg::StackUnknownArgument};

// stack subcommand name ?argument ...?
// Results: as each subcommand describes.
// Side effects: create makes a stack variable; push, pop, clear change it;
// unset removes it.
Code nuvelCommandStack(Interp& interp, int argc, Value* argv, void*) {
  return core::dispatch_ensemble(interp, kStackEnsemble, argc, argv);
}

constexpr core::CommandRow kStackCommands[] = {
    {"stack", nuvelCommandStack, 3, core::kAnyWords, "subcommand name ?argument ...?"},
};

}  // namespace

[[gnu::section(".text.startup.register")]] void register_stack_cmds(Interp& interp) {
  core::register_rows(interp, kStackCommands);
  core::register_ensemble(interp, kStackEnsemble);
}

}  // namespace containers
