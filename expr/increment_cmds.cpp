// The commands that step or assign variables: ++ -- incr decr (variables,
// array elements or plain numbers), +++ (quick increment), the conditional
// command ? and the assignment command let.
#include <cinttypes>
#include <cstdio>
#include <new>
#include <span>

#include "core/cmd_helpers.h"
#include "core/list_value.h"
#include "core/switches.h"
#include "core/var_store.h"
#include "expr/expr_engine.h"
#include "expr/number.h"
#include "expr/operator_support.h"

namespace expr {
namespace {

using core::CommandRow;
using core::kAnyWords;

// Splits name(subscript); false when the text has no element form.
bool split_element(std::string_view text, std::string_view& base, std::string_view& subscript) {
  size_t open = text.find('(');
  if (open == std::string_view::npos || open == 0 || text.back() != ')') return false;
  base = text.substr(0, open);
  subscript = text.substr(open + 1, text.size() - open - 2);
  return true;
}

bool is_option_word(std::string_view w) {
  return core::iequals(w, "-unsigned") || core::iequals(w, "-width");
}

Code unknown_type(Interp& interp, const Value& cmd, const Value& text) {
  return core::fail(interp, core::Msg::UnknownTypeNamed, cmd, text);
}

// Prints an element's new value by the width rules of ++ on array elements.
Value element_text(int64_t v, bool is_unsigned, int64_t width) {
  if (is_unsigned) return uint_value(static_cast<uint64_t>(v));
  switch (width) {
    case 8:
      return int_value(v & 0xFF);
    case 16:
      return int_value(v & 0xFFFF);
    case 32:
      return uint_value(static_cast<uint32_t>(v));
    default:
      return int_value(v);
  }
}

// ++ name ?step? ?-unsigned? ?-width n?, --, incr, decr
// Results: the stepped value.
// Side effects: stores it into the scalar variable or array element named;
// a plain number is stepped without storing anything.
Code nuvelCommandIncr(Interp& interp, int argc, Value* argv, void*) {
  std::string_view name = command_name(argv[0]);
  bool up = name == "++" || name == "incr";
  int64_t step = 1;
  const bool step_word = argc > 2 && !is_option_word(argv[2].view());
  if (step_word) step = read_decimal(argv[2]);
  bool is_unsigned = false;
  int64_t width = 0;
  // Options follow the step (or stand in its place); a lone step is none.
  if (argc > 3 || (argc == 3 && !step_word)) {
    is_unsigned = core::find_option(argc, argv, "-unsigned", 2) >= 0;
    int w = core::find_option(argc, argv, "-width", 2);
    if (w >= 0 && w + 1 < argc) width = std::max<int64_t>(0, read_decimal(argv[w + 1]));
  }
  auto stepped = [&](int64_t v) { return up ? wrap_add(v, step) : wrap_sub(v, step); };

  std::string_view target = argv[1].view();
  VarRef var = find_variable(interp, target);
  if (var && var.kind() != vars::VT_ARRAY && var.kind() != vars::VT_DICTIONARY &&
      var.kind() != vars::VT_STACK && var.kind() != vars::VT_STRUCT) {
    IntReading r = read_int(var.value());
    if (r.unknown_type) return unknown_type(interp, argv[0], var.value());
    int64_t v = stepped(r.value);
    Value text = is_unsigned ? uint_value(static_cast<uint64_t>(v)) : int_value(v);
    if (!store_variable(interp, target, var, text)) return Code::Error;
    nuvelSetResult(interp, std::move(text));
    return Code::Ok;
  }
  std::string_view base;
  std::string_view subscript;
  if (!var && split_element(target, base, subscript)) {
    VarRef array = find_variable(interp, base);
    std::optional<Value> element;
    if (array) element = vars::array_element(array, subscript);
    if (element) {
      if (classify_text(element->view()) == NumClass::NotNumeric) {
        return core::fail(interp, core::Msg::ArrayArgNotNumber, argv[1]);
      }
      IntReading r = read_int(*element);
      Value text = element_text(stepped(r.value), is_unsigned, width);
      if (vars::nuvelArraySetElement(interp, base, subscript, text, false, false) != 0) {
        return Code::Error;
      }
      nuvelSetResult(interp, std::move(text));
      return Code::Ok;
    }
  }
  if (target.empty() || (target[0] != '&' && classify_text(target) == NumClass::NotNumeric)) {
    return core::fail(interp, core::Msg::NeitherScalarNorNumber, argv[1]);
  }
  IntReading r = read_int(argv[1]);
  if (r.unknown_type) return unknown_type(interp, argv[0], argv[1]);
  int64_t v = stepped(r.value);
  nuvelSetResult(interp, is_unsigned ? uint_value(static_cast<uint64_t>(v)) : int_value(v));
  return Code::Ok;
}

// +++ name
// Results: the variable's value (or the word itself) plus 1, "%I64i".
// Side effects: stores the new value when the variable exists.
Code nuvelCommandQuickIncr(Interp& interp, int argc, Value* argv, void*) {
  std::string_view target = argv[1].view();
  VarRef var = find_variable(interp, target);
  const Value& text = var ? var.value() : argv[1];
  IntReading r = read_int(text);
  if (r.unknown_type) return unknown_type(interp, argv[0], text);
  Value v = int_value(wrap_add(r.value, 1));
  if (var && !store_variable(interp, target, var, v)) return Code::Error;
  nuvelSetResult(interp, std::move(v));
  return Code::Ok;
}

// Evaluates a condition by the flow-control setting: as a script, or as an
// expression.
Code evaluate_condition(Interp& interp, const Value& condition, Value& value) {
  if (core::switches().flow_uses_eval) {
    Code rc = core::rindoEval(interp, condition);
    value = interp.result;
    return rc;
  }
  return expr_evaluate_value(interp, condition, value);
}

// ? condition then-script ?:? else-script
// Results: the result of the chosen script.
Code nuvelCommandConditional(Interp& interp, int argc, Value* argv, void*) {
  Value value;
  Code rc = evaluate_condition(interp, argv[1], value);
  if (rc != Code::Ok) {
    nuvelSetResult(interp, value);
    return rc;
  }
  int branch;
  if (read_double(value) != 0.0) {
    branch = 2;
  } else {
    branch = (argv[3].view() == ":" && argc > 4) ? 4 : 3;
  }
  Value script = argv[branch];
  return core::rindoEval(interp, script);
}

// --- let ----------------------------------------------------------------------------

bool is_let_op(std::string_view w) {
  return w == "=" || w == ":=" || w == "++" || w == "--" || w == "+=" || w == "-=";
}

// Reads "$name" or "$name(index)" as a variable reference.
std::optional<Value> dollar_value(Interp& interp, std::string_view word) {
  std::string_view ref = word.substr(1);
  std::string_view base;
  std::string_view subscript;
  if (split_element(ref, base, subscript)) {
    VarRef array = find_variable(interp, base);
    if (!array) return std::nullopt;
    return vars::array_element(array, subscript);
  }
  VarRef var = find_variable(interp, ref);
  if (var && var.kind() == vars::VT_AUTO) return var.value();
  return std::nullopt;
}

Code let_command(Interp& interp, int argc, Value* argv) {
  int op_index = -1;
  for (int i = 2; i < argc; ++i) {
    if (is_let_op(argv[i].view())) {
      op_index = i;
      break;
    }
  }
  if (op_index < 0) return core::nuvelWrongArgs(interp, argc, argv);
  std::string_view op = argv[op_index].view();
  int first_value = op_index + 1;
  Value value;
  bool have_value = false;
  if (argc - first_value == 1 && !argv[first_value].empty() && argv[first_value][0] == '$') {
    if (auto v = dollar_value(interp, argv[first_value].view())) {
      value = std::move(*v);
      have_value = true;
    }
  }
  if (!have_value && first_value < argc && (op == ":=" || op == "=")) {
    if (op == ":=") {
      value = Value(core::list_join(
          std::span<const Value>(argv + first_value, static_cast<size_t>(argc - first_value))));
    } else {
      std::string text;
      for (int i = first_value; i < argc; ++i) text += argv[i].view();
      Code rc = expr_evaluate(interp, text, value);
      if (rc != Code::Ok) return rc;
    }
  }
  Value last;
  for (int t = 1; t < op_index; ++t) {
    std::string_view target = argv[t].view();
    std::string_view base;
    std::string_view subscript;
    if (split_element(target, base, subscript)) {
      Value stored = value;
      if (op == "++" || op == "--") {
        int64_t cur = 0;
        if (VarRef array = find_variable(interp, base)) {
          if (auto e = vars::array_element(array, subscript)) cur = read_decimal(*e);
        }
        stored = int_value(op == "++" ? wrap_add(cur, 1) : wrap_sub(cur, 1));
      }
      if (vars::nuvelArraySetElement(interp, base, subscript, stored, false, false) != 0) {
        return Code::Error;
      }
      last = stored;
      continue;
    }
    VarRef var = find_variable(interp, target);
    Value stored;
    if (op == "++" || op == "--") {
      int64_t cur = var ? read_decimal(var.value()) : 0;
      stored = int_value(op == "++" ? wrap_add(cur, 1) : wrap_sub(cur, 1));
    } else if (op == "+=" || op == "-=") {
      Value amount;
      std::string_view text = argv[argc - 1].view();
      if (op_index + 1 < argc && text.find_first_not_of(" \t") != std::string_view::npos) {
        Code rc = expr_evaluate(interp, text, amount);
        if (rc != Code::Ok) return rc;
      }
      if (amount.empty()) {
        if (var) last = var.value();
        continue;
      }
      double cur = var ? read_double(var.value()) : 0.0;
      double d = read_double(amount);
      stored = Value(format_double("%f", op == "+=" ? cur + d : cur - d));
    } else {
      stored = value;
    }
    if (var) {
      if (!store_variable(interp, target, var, stored)) return Code::Error;
    } else if (core::set_variable(interp, target, stored) != 0) {
      return Code::Error;
    }
    last = stored;
  }
  nuvelSetResult(interp, last);
  return Code::Ok;
}

// let name ?name ...? op ?value ...?  (op: = := ++ -- += -=)
// Results: the value stored last.
// Side effects: assigns or steps every target before op.
Code nuvelCommandLet(Interp& interp, int argc, Value* argv, void*) {
  try {
    return let_command(interp, argc, argv);
  } catch (const std::exception& e) {
    core::nuvelExceptionReport("nuvelCommandLet", e.what());
    return Code::Error;
  }
}

constexpr CommandRow kIncrementCommands[] = {
    {"++", nuvelCommandIncr, 2, kAnyWords, "name ?step? ?-unsigned? ?-width n?"},
    {"--", nuvelCommandIncr, 2, kAnyWords, "name ?step? ?-unsigned? ?-width n?"},
    {"incr", nuvelCommandIncr, 2, kAnyWords, "name ?step? ?-unsigned? ?-width n?"},
    {"decr", nuvelCommandIncr, 2, kAnyWords, "name ?step? ?-unsigned? ?-width n?"},
    {"+++", nuvelCommandQuickIncr, 2, kAnyWords, "name"},
    {"?", nuvelCommandConditional, 4, kAnyWords, "condition then-script ?:? else-script"},
    {"let", nuvelCommandLet, 3, kAnyWords, "name ?name ...? op ?value ...?"},
};

}  // namespace

[[gnu::section(".text.startup.register")]] void register_increment_cmds(Interp& interp) {
  core::register_rows(interp, kIncrementCommands);
  interp.incr_handler = nuvelCommandIncr;
}

}  // namespace expr
