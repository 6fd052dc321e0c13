// The evaluating operators of the structure family: =>> runs the command a
// struct member names, @> substitutes a text's commands and runs the result.
#include <string>

#include "core/cmd_helpers.h"
#include "core/var_store.h"
#include "lang/flow.h"

namespace lang {
namespace {

using core::Code;
using core::Msg;

// =>> struct.member ?arg ...?
// Results: the code and result of the script made of the member's text
// followed by each argument in braces; ok and empty when the member is
// empty.
Code nuvelCommandStructDereference(Interp& interp, int argc, Value* argv, void*) {
  std::string_view word = argv[1].view();
  size_t dot = word.find('.');
  if (dot == std::string_view::npos)
    return core::fail(interp, Msg::StructMemberInvalid, "item", word);
  vars::VarRef owner = vars::lookup(interp, word.substr(0, dot));
  std::optional<vars::StructInfo> info = vars::struct_info(owner);
  if (!info || info->size <= 0 || info->members.empty()) {
    return core::fail(interp, Msg::StructItemNoStruct, word.substr(0, dot));
  }
  std::optional<vars::MemberInfo> m = vars::struct_member(owner, word.substr(dot + 1));
  if (!m) return core::fail(interp, Msg::StructItemNoMember, word);
  Value text = vars::read_member_text(interp, m->address, m->width).value_or(Value());
  core::nuvelResetResult(interp);
  if (text.empty()) return Code::Ok;
  std::string script(text.view());
  for (int k = 2; k < argc; ++k) {
    script += " {";
    script += argv[k].view();
    script += "}";
  }
  return core::rindoEval(interp, Value(std::move(script)));
}

// @> text
// Results: the code of the script; the text is first substituted (bracketed
// commands only, no variables) and the substituted text is then evaluated.
Code nuvelCommandEvalSubst(Interp& interp, int, Value* argv, void*) {
  std::optional<std::string> text = subst_text(interp, argv[1].view(), false, true);
  if (!text) return Code::Error;
  Value script = text->empty() ? Value("{}") : Value(std::move(*text));
  core::nuvelSetResult(interp, script);
  return core::rindoEval(interp, script);
}

constexpr core::CommandRow kStructEvalCommands[] = {
    {"=>>", nuvelCommandStructDereference, 2, core::kAnyWords, "struct.member ?arg ...?"},
    {"@>", nuvelCommandEvalSubst, 2, 2, "text"},
};

}  // namespace

[[gnu::section(".text.startup.register")]] void register_struct_eval_cmds(core::Interp& interp) {
  core::register_rows(interp, kStructEvalCommands);
}

}  // namespace lang
