// Commands that drive the evaluator and read the command table: eval,
// expand, subst, setresult, result, is_command and commands.
#include <string_view>
#include <vector>

#include "core/cmd_helpers.h"
#include "core/glob.h"
#include "core/var_store.h"
#include "lang/flow.h"

namespace lang {
namespace {

using core::code_name;
using core::iequals;

using core::Code;
using core::CommandRecord;
using core::CommandRow;
using core::kAnyWords;
using core::nuvelUnescape;

// Index of the closing character that balances the opening one at `open`
// (counting nested pairs), or npos.
size_t matching_close(std::string_view text, size_t open, char opening, char closing) {
  int depth = 0;
  for (size_t j = open; j < text.size(); ++j) {
    if (text[j] == opening) {
      ++depth;
    } else if (text[j] == closing && --depth == 0) {
      return j;
    }
  }
  return std::string_view::npos;
}

// eval arg ?arg ...?
// Results: the result and code of the script made of the words joined with
// single spaces; a word that begins with "{" contributes only what lies
// inside its outer braces. An empty script gives "" and code 0.
Code nuvelCommandEval(Interp& interp, int argc, Value* argv, void*) {
  if (argc == 2 && (argv[1].empty() || argv[1][0] != '{')) {
    // One plain word is evaluated as it is, so its compiled form is reused.
    Value script = argv[1];
    if (script.empty()) {
      nuvelResetResult(interp);
      return Code::Ok;
    }
    return rindoEval(interp, script);
  }
  std::string text;
  for (int k = 1; k < argc; ++k) {
    std::string_view w = argv[k].view();
    if (!w.empty() && w[0] == '{') {
      size_t close = matching_close(w, 0, '{', '}');
      if (close != std::string_view::npos) w = w.substr(1, close - 1);
    }
    if (w.empty()) continue;
    if (!text.empty()) text.push_back(' ');
    text += w;
  }
  if (text.empty()) {
    nuvelResetResult(interp);
    return Code::Ok;
  }
  return rindoEval(interp, Value(std::move(text)));
}

// expand text
// Results: the result and code of one command whose words are the elements
// of the list in the text (the text evaluated after "{*}").
Code nuvelCommandExpand(Interp& interp, int argc, Value* argv, void*) {
  std::string text = "{*}";
  text += argv[1].view();
  return rindoEval(interp, Value(std::move(text)));
}

}  // namespace

namespace {

bool is_subst_name_char(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ' ' ||
         c == '\t' || c == ':' || c == '&' || c == '_' || c == '.' || c == '(' || c == ')';
}

// The partner of every opening character of a text (npos when it stays
// open), found in one pass on first use: looking each one up alone costs
// time in proportion to the square of the text when many stay open
// ("[[[[..."). Gives the same answers as matching_close.
class Partners {
 public:
  Partners(std::string_view text, char opening, char closing)
      : text_(text), opening_(opening), closing_(closing) {}

  size_t of(size_t open) {
    if (table_.empty()) build();
    return table_[open];
  }

 private:
  void build() {
    table_.assign(text_.size(), std::string_view::npos);
    std::vector<size_t> open;
    for (size_t j = 0; j < text_.size(); ++j) {
      if (text_[j] == opening_) {
        open.push_back(j);
      } else if (text_[j] == closing_ && !open.empty()) {
        table_[open.back()] = j;
        open.pop_back();
      }
    }
  }

  std::string_view text_;
  char opening_;
  char closing_;
  std::vector<size_t> table_;
};

// Appends a variable's value for subst; false (after a report) when there is
// no such variable.
bool subst_variable(Interp& interp, std::string_view name, bool unescape, std::string& out) {
  std::optional<Value> v = vars::get_var_value(interp, name);
  if (!v) {
    (void)core::fail(interp, core::Msg::SubstVariableNotFound, name);
    return false;
  }
  if (unescape) {
    out += nuvelUnescape(v->view());
  } else {
    out += v->view();
  }
  return true;
}

}  // namespace

// The substitution routine of subst: one left-to-right pass copying the text
// and replacing $name, ${name} and [script]. It translates no backslash
// sequences in the text itself. Nothing when a variable is missing or a
// bracketed script fails (both already reported).
std::optional<std::string> subst_text(Interp& interp, std::string_view text, bool variables,
                                      bool commands, bool backslashes) {
  std::string out;
  out.reserve(text.size());
  size_t i = 0;
  const size_t n = text.size();
  Partners braces(text, '{', '}');
  Partners brackets(text, '[', ']');
  while (i < n) {
    char c = text[i];
    if (c == '$' && variables) {
      if (i + 1 < n && text[i + 1] == '{') {
        size_t close = braces.of(i + 1);
        if (close == std::string_view::npos) {
          out.push_back(c);
          ++i;
          continue;
        }
        if (close == i + 2) {
          i += 2;  // "${}" drops the "$" and the "{"
          continue;
        }
        if (!subst_variable(interp, text.substr(i + 2, close - i - 2), backslashes, out)) {
          return std::nullopt;
        }
        i = close + 1;
        continue;
      }
      size_t end = i + 1;
      while (end < n && is_subst_name_char(text[end])) ++end;
      if (end == i + 1) {
        out.push_back(c);
        ++i;
        continue;
      }
      if (!subst_variable(interp, text.substr(i + 1, end - i - 1), true, out)) return std::nullopt;
      i = end;
      continue;
    }
    if (c == '[' && commands && !(i > 0 && text[i - 1] == '\\')) {
      size_t close = brackets.of(i);
      if (close == std::string_view::npos) {
        out.push_back(c);
        ++i;
        continue;
      }
      if (close == i + 1) {
        ++i;  // "[]" drops the "["
        continue;
      }
      Code rc = rindoEval(interp, Value(text.substr(i + 1, close - i - 1)));
      if (rc != Code::Ok && rc != Code::Return && rc != Code::Continue) return std::nullopt;
      out += interp.result.view();
      i = close + 1;
      continue;
    }
    out.push_back(c);
    ++i;
  }
  return out;
}

namespace {

// subst ?-nobackslashes? ?-nocommands? ?-novariables? text
// Results: the text with variables and bracketed commands substituted; ""
// when a variable is missing or a command fails. The code is always 0.
Code nuvelCommandSubst(Interp& interp, int argc, Value* argv, void*) {
  bool backslashes = true;
  bool commands = true;
  bool variables = true;
  Value text;
  for (int k = 1; k < argc; ++k) {
    std::string_view w = argv[k].view();
    if (iequals(w, "-nobackslashes")) {
      backslashes = false;
    } else if (iequals(w, "-nocommands")) {
      commands = false;
    } else if (iequals(w, "-novariables")) {
      variables = false;
    } else {
      text = argv[k];
    }
  }
  std::optional<std::string> out =
      subst_text(interp, text.view(), variables, commands, backslashes);
  nuvelSetResult(interp, out ? Value(std::move(*out)) : Value());
  return Code::Ok;
}

// setresult text
// Results: the text.
Code nuvelCommandSetResult(Interp& interp, int argc, Value* argv, void*) {
  nuvelSetResult(interp, argv[1]);
  return Code::Ok;
}

// result ?-code?
// Results: the name of the code of the last bracketed command substitution
// (also stored in ::errorCode); with -code the code as a number.
Code nuvelCommandResult(Interp& interp, int argc, Value* argv, void*) {
  uint32_t code = interp.last_subst_code;
  if (argc == 2) {
    if (argv[1].view() != "-code") {
      return core::fail(interp, core::Msg::UnknownOption, argv[1]);
    }
    return result_int(interp, code);
  }
  if (code > 8) {
    (void)core::fail(interp, core::Msg::UnknownErrorCode, code);
    nuvelResetResult(interp);
    return Code::Error;
  }
  // Naming the code also leaves it in ::errorCode.
  nuvelSetResult(interp, nuvelResultCodeName(interp, static_cast<int>(code)));
  return Code::Ok;
}

// is_command name
// Results: "1" when a command of that name exists, else "0".
Code nuvelCommandIsCommand(Interp& interp, int argc, Value* argv, void*) {
  return result_bool(interp, nuvelGetCommand(interp, argv[1].view()) != nullptr);
}

// commands ?pattern?
// Results: the names of the commands matching the glob pattern (letters
// without regard to case) in table order, joined by single spaces.
Code nuvelCommandCommands(Interp& interp, int argc, Value* argv, void*) {
  std::string out;
  for (const CommandRecord& rec : interp.commands) {
    if (argc == 2 && !core::glob_match(argv[1].view(), rec.name, true)) continue;
    if (!out.empty()) out.push_back(' ');
    out += rec.name;
  }
  nuvelSetResult(interp, Value(std::move(out)));
  return Code::Ok;
}

constexpr CommandRow kEvalCommands[] = {
    {"eval", nuvelCommandEval, 2, kAnyWords, "arg ?arg ...?"},
    {"expand", nuvelCommandExpand, 2, kAnyWords, "text"},
    {"subst", nuvelCommandSubst, 2, kAnyWords,
     "?-nobackslashes? ?-nocommands? ?-novariables? text"},
    {"setresult", nuvelCommandSetResult, 2, kAnyWords, "text"},
    {"result", nuvelCommandResult, 1, 2, "?-code?"},
    {"is_command", nuvelCommandIsCommand, 2, 2, "name"},
    {"commands", nuvelCommandCommands, 1, 2, "?pattern?"},
};

}  // namespace

[[gnu::section(".text.startup.register")]] void register_eval_cmds(Interp& interp) {
  core::register_rows(interp, kEvalCommands);
}

}  // namespace lang
