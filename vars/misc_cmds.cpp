// Small utilities: the expression function names, a variable's type, fresh
// variable names, a key/value store shared by every interpreter and call
// frame, a command that does nothing and the K combinator.
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/cmd_helpers.h"
#include "core/glob.h"
#include "core/list_value.h"
#include "core/var_store.h"
#include "expr/expr_engine.h"
#include "expr/option_words.h"
#include "vars/value_kind.h"

namespace vars {
namespace {

using core::Code;
using core::Msg;

// functions ?pattern?
// Results: the names of the expression functions in table order, those
// matching the case-blind glob pattern when one is given.
Code nuvelCommandFunctions(Interp& interp, int argc, Value* argv, void*) {
  std::vector<Value> names;
  for (std::string_view name : expr::expr_function_names()) {
    if (argc < 2 || core::glob_match(argv[1].view(), name, true)) names.emplace_back(name);
  }
  core::nuvelSetResult(interp, Value(names.empty() ? std::string("{}") : core::list_write(names)));
  return Code::Ok;
}

// type name ?-value?
// Results: the type of the variable ("auto", "const", "array", ...); with
// -value the kind of the word itself as vars classifies values ("empty",
// "integer", "float", "string", ...).
Code nuvelCommandType(Interp& interp, int argc, Value* argv, void*) {
  expr::OptionWords o;
  if (!o.parse(interp, argc, argv, {{"-value"}}, expr::OptionWords::Unknown::Value)) {
    return o.code;
  }
  if (o.count() != 1) return core::nuvelWrongArgs(interp, argc, argv);
  if (o.has("-value")) {
    core::nuvelSetResult(interp, Value(kind_of_value(o[0].view())));
    return Code::Ok;
  }
  VarRef var = lookup(interp, o[0].view());
  if (!var) return core::fail(interp, Msg::VariableNotFound, o[0]);
  int type = var.kind();
  bool constant = var.is_constant();
  if (var.is_link()) {
    if (VarRef target = var.target()) constant = constant || target.is_constant();
  }
  core::nuvelSetResult(interp, Value(constant ? "const" : var_type_name(type)));
  return Code::Ok;
}

// The counter behind varname, per interpreter.
struct VarnameState {
  uint64_t counter = 0;
};

// varname ?prefix?
// Results: the prefix (default "var") followed by a decimal counter, a name
// no variable of the current frame uses. Each call moves the counter on, so
// two calls never give the same name.
Code nuvelCommandVarname(Interp& interp, int argc, Value* argv, void*) {
  std::string prefix(argc > 1 ? argv[1].view() : "var");
  uint64_t& counter = interp.state<VarnameState>().counter;
  for (;;) {
    std::string name = prefix + std::to_string(++counter);
    if (!lookup(interp, name)) {
      core::nuvelSetResult(interp, Value(std::move(name)));
      return Code::Ok;
    }
  }
}

// The store of `store`: one map shared by the interpreters of the process.
// A new interpreter takes the map of the interpreter it was created from when
// its commands are registered, so the map lives while any interpreter does.
using StoreMap = std::map<std::string, Value, std::less<>>;
struct SharedStore {
  std::shared_ptr<StoreMap> items;
};

StoreMap& shared_store(Interp& interp) {
  auto& items = interp.state<SharedStore>().items;
  if (!items) items = std::make_shared<StoreMap>();
  return *items;
}

// store ?name? ?value? ?-unset? ?-list?
// Results: store name value: the value; store name: the value stored under
// name; -unset: "1" when a value was removed, else "0"; -list or no word:
// the names, those matching a glob pattern when a name is given.
Code nuvelCommandStore(Interp& interp, int argc, Value* argv, void*) {
  expr::OptionWords o;
  if (!o.parse(interp, argc, argv, {{"-unset"}, {"-list"}})) return o.code;
  if (o.count() > 2 || (o.has("-unset") && o.count() != 1)) {
    return core::nuvelWrongArgs(interp, argc, argv);
  }
  auto& items = shared_store(interp);
  if (o.has("-list") || o.count() == 0) {
    std::vector<Value> names;
    for (const auto& [name, value] : items) {
      if (o.count() == 0 || core::glob_match(o[0].view(), name, false)) names.emplace_back(name);
    }
    core::nuvelSetResult(interp,
                         Value(names.empty() ? std::string("{}") : core::list_write(names)));
    return Code::Ok;
  }
  std::string_view name = o[0].view();
  auto it = items.find(name);
  if (o.has("-unset")) {
    bool found = it != items.end();
    if (found) items.erase(it);
    return core::result_bool(interp, found);
  }
  if (o.count() == 2) {
    items.insert_or_assign(std::string(name), o[1]);
    core::nuvelSetResult(interp, o[1]);
    return Code::Ok;
  }
  if (it == items.end()) return core::fail(interp, Msg::NotFound, o[0]);
  core::nuvelSetResult(interp, it->second);
  return Code::Ok;
}

// dummy ?arg ...?
// Results: "". Does nothing (a placeholder).
Code nuvelCommandDummy(Interp& interp, int argc, Value* argv, void*) {
  core::nuvelResetResult(interp);
  return Code::Ok;
}

// K a ?b ...?
// Results: a; the other words have been evaluated and are dropped.
Code nuvelCommandK(Interp& interp, int argc, Value* argv, void*) {
  core::nuvelSetResult(interp, argv[1]);
  return Code::Ok;
}

constexpr core::CommandRow kMiscCommands[] = {
    {"functions", nuvelCommandFunctions, 1, 2, "?pattern?"},
    {"type", nuvelCommandType, 2, 3, "name ?-value?"},
    {"varname", nuvelCommandVarname, 1, 2, "?prefix?"},
    {"store", nuvelCommandStore, 1, 4, "?name? ?value? ?-unset? ?-list?"},
    {"dummy", nuvelCommandDummy, 1, core::kAnyWords, "?arg ...?"},
    {"K", nuvelCommandK, 2, core::kAnyWords, "a ?b ...?"},
};

}  // namespace

[[gnu::section(".text.startup.register")]] void register_misc_cmds(Interp& interp) {
  core::register_rows(interp, kMiscCommands);
  if (interp.previous != nullptr) {
    shared_store(*interp.previous);  // makes the creator's map when it has none
    interp.state<SharedStore>().items = interp.previous->state<SharedStore>().items;
  }
}

}  // namespace vars
