// BASIC-style flow: goto_block with goto/gosub pairs, and the goto, gosub
// and sub commands.
#include <string>
#include <vector>

#include "containers/stack.h"
#include "core/cmd_helpers.h"
#include "core/list_value.h"
#include "core/text_util.h"
#include "core/var_store.h"
#include "lang/flow.h"
#include "lang/proc.h"
#include "platform/system.h"

namespace lang {
namespace {

using vars::set_var;

using core::Code;
using core::CommandRecord;
using core::CommandRow;
using core::kAnyWords;

// Depth of the gosub return stack of one goto_block.
constexpr int32_t kGosubDepth = 1000;

// goto label
// Results: the label, with code goto (7); only goto_block acts on it.
Code nuvelCommandGoto(Interp& interp, int argc, Value* argv, void*) {
  core::nuvelSetResult(interp, argv[1]);
  return Code::Goto;
}

// gosub name
// Results: the result of the procedure called with no arguments; a return
// from it completes normally.
Code nuvelCommandGosub(Interp& interp, int argc, Value* argv, void*) {
  const CommandRecord* rec = core::nuvelGetCommand(interp, argv[1].view());
  if (!rec || !rec->is_proc || rec->name != core::strip_global_prefix(argv[1].view())) {
    return core::fail(interp, core::Msg::NotAValidProc, argv[1]);
  }
  Value words[1] = {argv[1]};
  Code rc = core::nuvelCallCommand(interp, 1, words);
  return rc == Code::Return ? Code::Ok : rc;
}

// sub name body
// Results: empty. Side effects: defines a procedure without arguments.
Code nuvelCommandSub(Interp& interp, int argc, Value* argv, void*) {
  if (argv[1].empty()) {
    return core::fail(interp, core::Msg::SubNameEmpty);
  }
  Code rc = define_proc(interp, argv[0].view(), argv[1].view(), Value(), argv[2]);
  return rc == Code::Ok ? Code::Ok : Code::Error;
}

// Index of the pair whose label matches; -1 when there is none.
int find_label(const std::vector<Value>& labels, std::string_view label, bool nocase) {
  for (size_t i = 0; i < labels.size(); ++i) {
    if (nocase ? core::iequals(labels[i].view(), label) : labels[i].view() == label) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

Code label_not_found(Interp& interp, std::string_view label) {
  std::string l(label);
  return core::fail(interp, core::Msg::GotoLabelNotFound, l);
}

// goto_block {label body label body ...}
// Results: the code of the last body run; break or a return outside a gosub
// end the block with ok. Pairs labelled "goto"/"gosub" jump to the label in
// their body; a `goto` command in a body jumps too (labels without case).
// Side effects: `this` is set to the label of each body run.
Code nuvelCommandGotoBlock(Interp& interp, int argc, Value* argv, void*) {
  // An empty body written last ("end {}") is a pair of its own.
  std::vector<Value> elements = core::list_read_standard(argv[1].view(), nullptr, true);
  if (elements.size() < 2 || elements.size() % 2 != 0) {
    return core::fail(interp, core::Msg::InvalidArgumentBare);
  }
  std::vector<Value> labels;
  std::vector<Value> bodies;
  labels.reserve(elements.size() / 2);
  bodies.reserve(elements.size() / 2);
  for (size_t i = 0; i < elements.size(); i += 2) {
    // Labels are substituted once, variables only.
    std::optional<std::string> label = subst_text(interp, elements[i].view(), true, false);
    labels.push_back(label ? Value(std::move(*label)) : elements[i]);
    bodies.push_back(elements[i + 1]);
  }
  containers::Stack returns(kGosubDepth);
  int pairs = static_cast<int>(labels.size());
  int pos = 0;
  Code code = Code::Ok;
  // Returns from a gosub to the pair after the one that made it.
  auto take_return = [&] { pos = static_cast<int>(returns.pop()) + 1; };
  while (pos < pairs) {
    std::string_view label = labels[pos].view();
    if (label == "goto" || label == "gosub") {
      // A block of jumps alone never reaches the evaluator, so the break
      // flag is looked at here as well.
      if (platform::break_flag() && platform::take_break_flag()) {
        (void)core::fail(interp, core::Msg::Interrupted);
        return Code::Stop;
      }
      int target = find_label(labels, bodies[pos].view(), false);
      if (target < 0) return label_not_found(interp, bodies[pos].view());
      if (label == "gosub" && returns.push(pos) < 0) {
        return core::fail(interp, core::Msg::GosubOverflow, kGosubDepth);
      }
      pos = target;
      continue;
    }
    if (bodies[pos].empty()) {
      core::nuvelResetResult(interp);
      code = Code::Ok;
    } else {
      if (!label.empty()) (void)set_var(interp, "this", labels[pos]);
      code = core::rindoEval(interp, bodies[pos]);
    }
    switch (code) {
      case Code::Error:
      case Code::Exit:
      case Code::Stop:
        return code;
      case Code::Return:
        if (returns.is_empty()) return Code::Ok;
        take_return();
        break;
      case Code::Break:
        return Code::Ok;
      case Code::Goto: {
        std::string target_label(interp.result.view());
        int target = find_label(labels, target_label, true);
        if (target < 0) return label_not_found(interp, target_label);
        pos = target;
        break;
      }
      default:
        if (returns.is_empty()) {
          ++pos;
        } else {
          take_return();
        }
        break;
    }
  }
  return code;
}

constexpr CommandRow kGotoCommands[] = {
    {"goto", nuvelCommandGoto, 2, 2, "label"},
    {"gosub", nuvelCommandGosub, 2, kAnyWords, "name"},
    {"sub", nuvelCommandSub, 3, kAnyWords, "name body"},
    {"goto_block", nuvelCommandGotoBlock, 2, 2, "{label body label body ...}"},
};

}  // namespace

[[gnu::section(".text.startup.register")]] void register_goto_cmds(Interp& interp) {
  core::register_rows(interp, kGotoCommands);
}

}  // namespace lang
