// The evaluator: substitutes the words of each compiled command, finds the
// command in the sorted command table and calls its handler, and decides from
// each result code whether to go on. Also the command table itself.
#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>

#include "core/cmd_helpers.h"
#include "core/guards.h"
#include "core/int_ops.h"
#include "core/list_value.h"
#include "core/nuvel.h"
#include "core/script.h"
#include "core/switches.h"
#include "core/var.h"
#include "platform/console.h"
#include "platform/system.h"

namespace core {

namespace {

// A fresh number for every state of every command table, so a cached look-up
// can never match another table or an older state of the same one.
uint64_t next_epoch() {
  static uint64_t epoch = 0;
  return ++epoch;
}

int compare_names(std::string_view a, std::string_view b) {
  size_t n = std::min(a.size(), b.size());
  int c = n ? std::memcmp(a.data(), b.data(), n) : 0;
  if (c != 0) return c;
  return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

int32_t find_index(const Interp& interp, std::string_view name) {
  if (name.size() >= 2 && name[0] == ':' && name[1] == ':') name.remove_prefix(2);
  const auto& cmds = interp.commands;
  if (cmds.empty() || !interp.commands_sorted) return -1;
  size_t lo = 0;
  size_t hi = cmds.size();
  while (lo < hi) {
    size_t mid = lo + (hi - lo) / 2;
    int c = compare_names(cmds[mid].name, name);
    if (c == 0) return static_cast<int32_t>(mid);
    if (c < 0) {
      lo = mid + 1;
    } else {
      hi = mid;
    }
  }
  return -1;
}

}  // namespace

// --- Command table ------------------------------------------------------------------

int nuvelRegisterCommand(Interp& interp, std::string_view name, CommandHandler handler, void* data,
                         bool is_proc, std::shared_ptr<void> owner) {
  if (name.data() == nullptr) return 1;
  auto& cmds = interp.commands;
  auto pos = std::lower_bound(
      cmds.begin(), cmds.end(), name,
      [](const CommandRecord& r, std::string_view n) { return compare_names(r.name, n) < 0; });
  if (pos != cmds.end() && pos->name == name) return 8;
  CommandRecord record;
  record.name = std::string(name);
  record.handler = handler;
  record.data = data;
  record.is_proc = is_proc;
  record.owner = std::move(owner);
  cmds.insert(pos, std::move(record));
  interp.command_count = static_cast<int32_t>(cmds.size());
  interp.commands_sorted = 1;
  interp.command_epoch = next_epoch();
  return 0;
}

CommandRecord* nuvelGetCommand(Interp& interp, std::string_view name) {
  int32_t i = find_index(interp, name);
  return i < 0 ? nullptr : &interp.commands[static_cast<size_t>(i)];
}

bool nuvelDeleteCommand(Interp& interp, std::string_view name) {
  int32_t i = find_index(interp, name);
  if (i < 0) return false;
  CommandRecord& rec = interp.commands[static_cast<size_t>(i)];
  if (interp.nesting_depth_handlers > 0 && rec.owner) {
    interp.retired_owners.push_back(std::move(rec.owner));
  }
  interp.commands.erase(interp.commands.begin() + i);
  interp.command_count = static_cast<int32_t>(interp.commands.size());
  interp.command_epoch = next_epoch();
  return true;
}

// --- Evaluation ---------------------------------------------------------------------

namespace {

// The words of one command: a few live inline, more spill to the heap. Up
// to kInline words are all inline; beyond, all are in `spill_`, so one
// comparison of the count says where they are.
class WordList {
 public:
  WordList() = default;
  WordList(const WordList&) = delete;
  WordList& operator=(const WordList&) = delete;
  ~WordList() { clear(); }

  [[gnu::always_inline]] void push(Value&& v) {
    if (count_ < kInline) {
      new (inline_values() + count_) Value(std::move(v));
      ++count_;
    } else {
      push_spilled(std::move(v));
    }
  }
  Value& back() { return data()[count_ - 1]; }
  Value* data() { return count_ <= kInline ? inline_values() : spill_->data(); }
  size_t size() const { return count_; }
  bool empty() const { return count_ == 0; }
  void clear() {
    if (count_ <= kInline) {
      for (size_t i = 0; i < count_; ++i) inline_values()[i].~Value();
    } else {
      spill_->clear();
    }
    count_ = 0;
  }

 private:
  // Words held in place: most commands have at most this many. Every
  // nested evaluation keeps a list on the stack, so the room is paid for at
  // every level of a recursion; longer commands move to a vector, made once
  // per list and kept for its later commands.
  static constexpr size_t kInline = 6;
  [[gnu::noinline]] void push_spilled(Value&& v) {
    if (count_ == kInline) {
      if (!spill_) spill_ = std::make_unique<std::vector<Value>>();
      spill_->reserve(kInline * 2);
      for (size_t i = 0; i < kInline; ++i) {
        spill_->push_back(std::move(inline_values()[i]));
        inline_values()[i].~Value();
      }
    }
    spill_->push_back(std::move(v));
    ++count_;
  }
  Value* inline_values() { return reinterpret_cast<Value*>(inline_); }

  alignas(Value) unsigned char inline_[kInline * sizeof(Value)];
  size_t count_ = 0;
  std::unique_ptr<std::vector<Value>> spill_;
};

bool starts_global(std::string_view s) {
  return s.size() >= 2 && s[0] == ':' && s[1] == ':';
}

bool is_digit(char c) {
  return c >= '0' && c <= '9';
}

// A word that is a decimal number (digits with at most one ".", an optional
// sign directly followed by a digit or "."; no exponent, no hexadecimal).
bool is_number_word(std::string_view w) {
  if (w.empty()) return false;
  char c = w[0];
  if (!(is_digit(c) || c == '+' || c == '-' || c == '.')) return false;
  size_t i = 0;
  if (c == '+' || c == '-') {
    if (w.size() < 2 || !(is_digit(w[1]) || w[1] == '.')) return false;
    i = 1;
  }
  bool digit = false;
  bool dot = false;
  for (; i < w.size(); ++i) {
    if (is_digit(w[i])) {
      digit = true;
    } else if (w[i] == '.' && !dot) {
      dot = true;
    } else {
      return false;
    }
  }
  return digit;
}

// Prints the source around a failing variable reference after its report.
void print_var_context(std::string_view source, uint32_t offset) {
  size_t from = offset > 30 ? offset - 30 : 0;
  std::string before;
  bool blank = false;
  for (size_t i = from; i < offset && i < source.size(); ++i) {
    char c = source[i];
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
      if (!blank) before.push_back(' ');
      blank = true;
    } else {
      before.push_back(c);
      blank = false;
    }
  }
  platform::out(before);
  std::string term;
  for (size_t i = offset; i < source.size() && term.size() < 31; ++i) {
    char c = source[i];
    if (c == ' ' || c == '\t' || c == '"') break;
    term.push_back(c);
  }
  platform::set_attribute(224);
  platform::out(term);
  platform::reset_attribute();
  platform::out("'\n");
}

// Finds a command by name; a command whose first word is a literal keeps the
// result until the command table changes.
int32_t resolve_command(Interp& interp, const CompiledCommand* cmd, std::string_view name,
                        CommandLookup* lookup) {
  if (lookup) {
    if (lookup->epoch != interp.command_epoch) {
      lookup->index = find_index(interp, name);
      lookup->epoch = interp.command_epoch;
    }
    return lookup->index;
  }
  bool literal = cmd && cmd->words[0].parts.size() == 1 &&
                 cmd->words[0].parts[0].kind == WordPart::Literal && !cmd->words[0].expand;
  if (literal && cmd->lookup_epoch == interp.command_epoch) return cmd->lookup_index;
  int32_t index = find_index(interp, name);
  if (literal) {
    cmd->lookup_epoch = interp.command_epoch;
    cmd->lookup_index = index;
  }
  return index;
}

class Evaluator {
 public:
  Evaluator(Interp& interp, const Value& source, bool no_vars)
      : interp_(interp), source_(source), no_vars_(no_vars) {}

  // --- Integer operator chains ----------------------------------------------------
  //
  // A command such as "% [+ [* $x 31] $i] 1000003" whose commands all resolve
  // to the integer operator commands, with operands that are canonical
  // integers (literals or plain variables of the current frame), is computed
  // here in one pass: no words, no nested evaluation, no handler calls. Only
  // the outer result becomes text, the same text the commands would give, and
  // the command count grows by the number of commands the chain stands for.
  // Anything else -- a float or a text that is not a canonical integer ("007",
  // "1e3"), an operator renamed or replaced by a procedure, a fault such as a
  // division by zero, tracing, single-step or the call history -- leaves the
  // command to the ordinary path. The attempt has no side effects, so the
  // ordinary path sees the same state.

  // Whether chains may be computed now.
  bool chains_allowed() const {
    const Switches& sw = switches();
    return !no_vars_ && !interp_.trace_on && !sw.stacktrace && !sw.single_step &&
           interp_.math_handler != nullptr && !platform::break_flag();
  }

  // Computes a command as a chain; false when it is not one.
  bool compute_chain(const CompiledCommand& cmd, int64_t& out, int& commands, bool& nested) {
    return chain_value(cmd, 1, out, commands, nested);
  }
  // A command whose first word names no operator while the command table
  // stays as it is (most commands of three words) is no chain: known
  // without a call.
  bool known_no_chain(const CompiledCommand& cmd) const {
    return cmd.chain_epoch == interp_.command_epoch &&
           static_cast<IntOp>(cmd.chain_op) == IntOp::None;
  }

  // Whether a command is `expr` with one literal word.
  static bool quick_expr_form(const CompiledCommand& cmd) {
    if (cmd.expr_form != 0) return cmd.expr_form > 0;
    bool form = false;
    if (cmd.words.size() == 2) {
      const Word& name = cmd.words[0];
      const Word& text = cmd.words[1];
      form = name.parts.size() == 1 && !name.expand && name.parts[0].kind == WordPart::Literal &&
             name.parts[0].text.view() == "expr" && text.parts.size() == 1 && !text.expand &&
             text.parts[0].kind == WordPart::Literal;
    }
    cmd.expr_form = form ? 1 : -1;
    return form;
  }

  // --- Commands run directly -----------------------------------------------------
  //
  // `set name value`, `incr name ?step?` and `+= name value` (also -= and *=)
  // whose first word resolves to the built-in command, on a plain variable of
  // the current frame (no link, constant or pointer) and, for the arithmetic
  // ones, canonical integers, are done here: the same stored value, result and
  // command count as the handler gives, without building words or
  // dispatching. Anything else gets its words and is dispatched as usual. The
  // value word is substituted once either way, before anything is decided,
  // so that what it runs (which may rename a command or turn tracing on) is
  // seen exactly as the ordinary path would see it.

  enum class Direct : int8_t { None = -1, Set = 1, Incr, AddTo, SubtractFrom, MultiplyBy, Append };
  // `append` takes the direct road with at most this many words.
  static constexpr size_t kMaxDirectAppendWords = 8;
  enum class DirectStep { Done, Failed, Words };

  // The direct kind a command's words have.
  static Direct direct_form(const CompiledCommand& cmd) {
    if (cmd.direct_form != 0) return static_cast<Direct>(cmd.direct_form);
    auto literal = [](const Word& w) {
      return w.parts.size() == 1 && !w.expand && w.parts[0].kind == WordPart::Literal;
    };
    Direct kind = Direct::None;
    size_t n = cmd.words.size();
    bool simple_values = true;
    for (size_t w = 2; w < n; ++w) {
      simple_values = simple_values && cmd.words[w].parts.size() == 1 && !cmd.words[w].expand;
    }
    if (n >= 2 && n <= kMaxDirectAppendWords && literal(cmd.words[0]) && literal(cmd.words[1]) &&
        simple_values) {
      std::string_view name = cmd.words[0].parts[0].text.view();
      std::string_view var = cmd.words[1].parts[0].text.view();
      if (!var.empty() && var != "-" && var[0] != ':' && var.find('(') == std::string_view::npos) {
        if (n >= 3 && name == "append") {
          kind = Direct::Append;
        } else if (n > 3) {
          kind = Direct::None;
        } else if (name == "incr") {
          kind = Direct::Incr;
        } else if (n == 3 && name == "set") {
          kind = Direct::Set;
        } else if (n == 3 && name == "+=") {
          kind = Direct::AddTo;
        } else if (n == 3 && name == "-=") {
          kind = Direct::SubtractFrom;
        } else if (n == 3 && name == "*=") {
          kind = Direct::MultiplyBy;
        }
      }
    }
    cmd.direct_form = static_cast<int8_t>(kind);
    return kind;
  }

  // Runs a command of a direct form: Done when it ran here (its code is Ok),
  // Failed when substituting its value word failed (`rc` holds that code),
  // Words when `words` holds its words for dispatch.
  DirectStep run_direct(const CompiledCommand& cmd, Direct kind, WordList& words, Code& rc) {
    if (kind == Direct::Append) return run_append(cmd, words, rc);
    Value value;
    // The value of an arithmetic command that is an operator chain stays a
    // number; it becomes text (and the result, as the bracket would leave
    // it) only when the handler must run after all.
    int64_t number = 0;
    bool has_number = false;
    if (cmd.words.size() == 3) {
      const WordPart& part = cmd.words[2].parts[0];
      if (kind != Direct::Set && part.kind == WordPart::Command && !part.text.empty() &&
          !is_digit(part.text[0])) {
        const CompiledCommand* inner = single_command(part.text);
        has_number = chain_number(inner, number);
        int quick = 0;
        if (!has_number && inner && interp_.quick_expr && quick_expr_form(*inner)) {
          quick = quick_expr(*inner, value, &number);
          has_number = quick == 2;
          if (quick == 1) nuvelSetResult(interp_, value);
        }
        rc = has_number || quick == 1 ? Code::Ok : bracket_value(part, inner, value);
      } else {
        rc = part_value(part, value);
      }
      if (rc != Code::Ok) return DirectStep::Failed;
    }
    if (chains_allowed() && direct(cmd, kind, value, has_number ? &number : nullptr)) {
      rc = Code::Ok;
      return DirectStep::Done;
    }
    if (has_number) {
      nuvelSetResult(interp_, Value::from_int(number));
      value = interp_.result;
    }
    words.push(Value(cmd.words[0].parts[0].text));
    words.push(Value(cmd.words[1].parts[0].text));
    if (cmd.words.size() == 3) words.push(std::move(value));
    return DirectStep::Words;
  }

  // `append` of a direct form: its words are substituted in order into
  // `words`, as for any command; then the evaluator appends them itself when
  // the handler would append in place, and leaves the words for dispatch
  // otherwise.
  [[gnu::noinline]] DirectStep run_append(const CompiledCommand& cmd, WordList& words, Code& rc) {
    words.push(Value(cmd.words[0].parts[0].text));
    words.push(Value(cmd.words[1].parts[0].text));
    for (size_t w = 2; w < cmd.words.size(); ++w) {
      Value v;
      rc = part_value(cmd.words[w].parts[0], v);
      if (rc != Code::Ok) return DirectStep::Failed;
      words.push(std::move(v));
    }
    if (!chains_allowed() || !append_here(cmd, words)) return DirectStep::Words;
    words.clear();
    rc = Code::Ok;
    return DirectStep::Done;
  }

  // The handler's in-place road: a plain local whose text only it holds
  // grows by the words. False, having changed nothing the handler would not
  // change first, when the handler must run.
  bool append_here(const CompiledCommand& cmd, WordList& words) {
    int32_t index = resolve_command(interp_, &cmd, cmd.words[0].parts[0].text.view(), nullptr);
    if (index < 0) return false;
    const CommandRecord& rec = interp_.commands[static_cast<size_t>(index)];
    const int argc = static_cast<int>(words.size());
    if (interp_.append_handler == nullptr || rec.handler != interp_.append_handler ||
        argc < rec.min_words || (rec.max_words >= 0 && argc > rec.max_words)) {
      return false;
    }
    Var* var = vars::find_plain_local(interp_, cmd.words[1].parts[0].text.view(), cmd.direct_var);
    if (!var || var->is_pointer || var->is_constant) return false;
    // As the handler does first: the result may hold the old text, which
    // would keep it shared.
    if (interp_.result.same_rep(var->value)) nuvelResetResult(interp_);
    const Value* w = words.data();
    std::string tail;
    for (int k = 2; k < argc; ++k) tail += w[k].view();
    // A text past the limit is the handler's to report.
    if (var->value.size() + tail.size() > kMaxTextLength || !var->value.append_in_place(tail)) {
      return false;
    }
    ++interp_.cmdcount;
    interp_.result_type = 0;
    var->changed = true;
    var->size = static_cast<int32_t>(std::min<size_t>(var->value.size(), INT32_MAX));
    nuvelSetResult(interp_, var->value);
    if (interp_.nesting_depth_handlers == 0 && !interp_.retired_owners.empty()) {
      interp_.retired_owners.clear();
    }
    return true;
  }

  // The compiled command of a bracketed script that is one command.
  static const CompiledCommand* single_command(const Value& text) {
    if (text.empty() || text.size() > kCompileCacheLimit || is_digit(text[0])) return nullptr;
    const CompiledScript& script = compiled_script(text);
    if (script.has_error || script.commands.size() != 1) return nullptr;
    return &script.commands[0];
  }

  // Substitutes the words of a command into `words`.
  Code substitute(const CompiledCommand& cmd, WordList& words) {
    for (const Word& word : cmd.words) {
      // Most words are one literal, variable or bracketed command.
      if (word.parts.size() == 1 && !word.expand) {
        const WordPart& part = word.parts[0];
        if (part.kind == WordPart::Literal) {
          words.push(Value(part.text));
          continue;
        }
        Value v;
        Code rc =
            part.kind == WordPart::Variable ? variable_value(part, v) : command_value(part, v);
        if (rc != Code::Ok) return rc;
        words.push(std::move(v));
        continue;
      }
      Value first;
      Code rc = part_value(word.parts[0], first);
      if (rc != Code::Ok) return rc;
      if (word.expand) {
        interp_.result = first;
        interp_.last_subst_code = 0;
        for (Value& e : list_read_standard(first.view())) {
          if (e.empty()) {
            words.push(Value("{}"));
          } else if (e[0] == '$' || e[0] == '[') {
            std::string w;
            w.reserve(e.size() + 2);
            w.push_back('{');
            w += e.view();
            w.push_back('}');
            words.push(Value(std::move(w)));
          } else {
            words.push(std::move(e));
          }
        }
      } else {
        words.push(std::move(first));
      }
      if (word.parts.size() == 1) continue;
      // Later tokens join the last word.
      std::string joined;
      if (!words.empty()) joined = std::string(words.back().view());
      for (size_t k = 1; k < word.parts.size(); ++k) {
        Value v;
        rc = part_value(word.parts[k], v);
        if (rc != Code::Ok) return rc;
        joined += v.view();
      }
      if (words.empty()) {
        words.push(Value(std::move(joined)));
      } else {
        words.back() = Value(std::move(joined));
      }
    }
    return Code::Ok;
  }

 private:
  // The form of a chain command: an operator name and two operands, each one
  // literal, plain variable or bracketed command.
  static bool chain_form(const CompiledCommand& cmd) {
    if (cmd.chain_form != 0) return cmd.chain_form > 0;
    bool ok = cmd.words.size() == 3;
    for (size_t w = 0; ok && w < cmd.words.size(); ++w) {
      const Word& word = cmd.words[w];
      if (word.expand || word.parts.size() != 1) {
        ok = false;
        break;
      }
      const WordPart& part = word.parts[0];
      if (part.text.empty()) {
        ok = false;
      } else if (w == 0) {
        ok = part.kind == WordPart::Literal && part.text[0] != ':';
      } else if (part.kind == WordPart::Variable) {
        ok = !part.has_subscript && part.text[0] != '$' && part.text[0] != '{';
      }
    }
    cmd.chain_form = ok ? 1 : -1;
    return ok;
  }

  // The operator a chain command's first word names now: None unless it
  // resolves to the built-in combined-math or relational command under a name
  // that command reads as an operator.
  IntOp chain_operator(const CompiledCommand& cmd) {
    const Value& name = cmd.words[0].parts[0].text;
    int32_t index = resolve_command(interp_, &cmd, name.view(), nullptr);
    if (index < 0) return IntOp::None;
    const CommandRecord& rec = interp_.commands[static_cast<size_t>(index)];
    if (rec.min_words > 3 || (rec.max_words >= 0 && rec.max_words < 3)) return IntOp::None;
    if (rec.handler == interp_.math_handler) return int_math_op(name.view());
    if (rec.handler == interp_.compare_handler) return int_compare_op(name.view());
    return IntOp::None;
  }

  bool chain_value(const CompiledCommand& cmd, int depth, int64_t& out, int& commands,
                   bool& nested) {
    if (!chain_form(cmd) || interp_.eval_depth + depth > kMaxEvalDepth) return false;
    if (cmd.chain_epoch != interp_.command_epoch) {
      cmd.chain_op = static_cast<uint8_t>(chain_operator(cmd));
      cmd.chain_epoch = interp_.command_epoch;
    }
    IntOp op = static_cast<IntOp>(cmd.chain_op);
    if (op == IntOp::None) return false;
    int64_t a;
    int64_t b;
    bool never = false;
    if (!chain_operand(cmd.words[1].parts[0], depth, a, commands, nested, never) ||
        !chain_operand(cmd.words[2].parts[0], depth, b, commands, nested, never) ||
        !int_operate(op, a, b, out)) {
      // An operand that can never be one (a literal that is no integer, a
      // bracket that is no chain) makes this no chain until the command
      // table changes: later runs skip the attempt.
      if (never) cmd.chain_op = static_cast<uint8_t>(IntOp::None);
      return false;
    }
    ++commands;
    return true;
  }

  // `never` is set when the operand fails for a reason that holds while the
  // command table is unchanged; values of variables can change, so those
  // failures leave it alone.
  [[gnu::always_inline]] bool chain_operand(const WordPart& part, int depth, int64_t& out,
                                            int& commands, bool& nested, bool& never) {
    switch (part.kind) {
      case WordPart::Literal:
        if (part.text.canonical_int(out)) return true;
        never = true;
        return false;
      case WordPart::Variable: {
        const Var* var = vars::find_plain_local(interp_, part.text.view(), part.lookup);
        return var && var->value.canonical_int(out);
      }
      case WordPart::Command: {
        if (!part.text.empty() && is_digit(part.text[0])) {
          if (part.text.canonical_int(out)) return true;
          never = true;
          return false;
        }
        const CompiledCommand* inner = single_command(part.text);
        if (!inner) {
          never = true;
          return false;
        }
        if (depth >= kMaxBracketNesting) return false;
        nested = true;
        if (chain_value(*inner, depth + 1, out, commands, nested)) return true;
        never = inner->chain_form < 0 || (inner->chain_epoch == interp_.command_epoch &&
                                          inner->chain_op == static_cast<uint8_t>(IntOp::None));
        return false;
      }
    }
    return false;
  }

  Code part_value(const WordPart& part, Value& out) {
    switch (part.kind) {
      case WordPart::Literal:
        out = part.text;
        return Code::Ok;
      case WordPart::Command:
        return command_value(part, out);
      case WordPart::Variable:
        return variable_value(part, out);
    }
    return Code::Ok;
  }

  // Does a direct command's work; false, having changed nothing, when the
  // handler must run.
  bool direct(const CompiledCommand& cmd, Direct kind, Value& value, const int64_t* number) {
    int32_t index = resolve_command(interp_, &cmd, cmd.words[0].parts[0].text.view(), nullptr);
    if (index < 0) return false;
    const CommandRecord& rec = interp_.commands[static_cast<size_t>(index)];
    CommandHandler wanted = kind == Direct::Set    ? interp_.set_handler
                            : kind == Direct::Incr ? interp_.incr_handler
                                                   : interp_.assign_handler;
    const int argc = static_cast<int>(cmd.words.size());
    if (wanted == nullptr || rec.handler != wanted || argc < rec.min_words ||
        (rec.max_words >= 0 && argc > rec.max_words)) {
      return false;
    }
    Var* var = vars::find_plain_local(interp_, cmd.words[1].parts[0].text.view(), cmd.direct_var);
    if (!var || var->is_pointer || var->is_constant) return false;
    Value result;
    if (kind == Direct::Set) {
      // A dictionary just made becomes the variable's table: the handler's work.
      if (interp_.result_type == vars::VT_DICTIONARY || value.size() > kMaxTextLength) return false;
      result = std::move(value);
    } else {
      int64_t x;
      int64_t y = 1;
      if (!var->value.canonical_int(x)) return false;
      if (number) {
        y = *number;
      } else if (argc == 3 && !value.canonical_int(y)) {
        return false;
      }
      IntOp op = kind == Direct::SubtractFrom ? IntOp::Sub
                 : kind == Direct::MultiplyBy ? IntOp::Mul
                                              : IntOp::Add;
      int64_t r = 0;
      (void)int_operate(op, x, y, r);
      result = Value::from_int(r);
    }
    ++interp_.cmdcount;
    interp_.result_type = 0;
    vars::write_chain(*var, result);
    nuvelSetResult(interp_, std::move(result));
    if (interp_.nesting_depth_handlers == 0 && !interp_.retired_owners.empty()) {
      interp_.retired_owners.clear();
    }
    return true;
  }

  // Computes a bracketed command that is an operator chain, with the count
  // and marks the bracket leaves, all but its result; false when it is not
  // one (having changed nothing).
  bool chain_number(const CompiledCommand* inner, int64_t& out) {
    if (!inner || inner->chain_form < 0 || !chains_allowed()) return false;
    int commands = 0;
    bool nested = false;
    if (!compute_chain(*inner, out, commands, nested)) return false;
    interp_.cmdcount += commands;
    interp_.result_type = 0;
    interp_.last_subst_code = 0;
    return true;
  }

  Code command_value(const WordPart& part, Value& out);
  Code bracket_value(const WordPart& part, const CompiledCommand* inner, Value& out);
  Code run_bracket(const CompiledCommand& cmd, const Value& text);
  int quick_expr(const CompiledCommand& cmd, Value& out, int64_t* number = nullptr);

  long level() const { return interp_.callframe ? interp_.callframe->level : 0; }

  Code no_reference(long marker, const Value& t) {
    (void)fail(interp_, Msg::EvalNoVariableReference, marker, t, level());
    nuvelResetResult(interp_);
    return Code::Error;
  }

  // The no-variable report: the message, then the source before the token
  // and the token itself.
  Code no_variable(const WordPart& part, std::string_view name, bool indirect) {
    long marker_line = switches().expand_marker_line;
    char buf[1024];
    if (marker_line > 0 && indirect) {
      size_t from = part.offset > 30 ? part.offset - 30 : 0;
      std::string ctx(source_.view().substr(std::min(from, source_.size()), 30));
      snprintf(buf, sizeof buf,
               "(%li) eval: No variable '%.*s' at level %li near term:'%-.30s'...\n\tPossible "
               "problem {*} was found after line %li\n",
               13591L, static_cast<int>(name.size()), name.data(), level(), ctx.c_str(),
               marker_line);
      nuvelSetErrorText(&interp_, buf);
    } else {
      long marker = indirect ? 13596 : (marker_line > 0 ? 13931 : 13980);
      snprintf(buf, sizeof buf, "(%li) eval: No variable '%.*s' at level %li near term:\n'", marker,
               static_cast<int>(name.size()), name.data(), level());
      if (report_error_inline(&interp_, buf)) {
        print_var_context(source_.view(), part.offset);
        if (!indirect && marker_line > 0) platform::out("Check for problematic {*} operator\n");
      }
    }
    nuvelResetResult(interp_);
    return Code::Error;
  }

  // Reads name(subscript): evaluates the subscript and fetches the element.
  Code element_value(std::string_view name, const Value& subscript, Value& out) {
    Value key;
    if (vars::plain_subscript_key(interp_, subscript, key)) return element_of(name, key, out);
    std::string sub(subscript.view());
    size_t b = sub.find_first_not_of(" \t");
    size_t e = sub.find_last_not_of(" \t");
    sub = b == std::string::npos ? std::string() : sub.substr(b, e - b + 1);
    for (size_t i = 0; (i = sub.find("\\ ", i)) != std::string::npos;) sub.erase(i, 1), ++i;
    // A subscript that needs no change is evaluated as the word's own text,
    // whose compiled form is kept from one evaluation to the next.
    Code rc =
        rindoEval(interp_, sub.size() == subscript.size() ? subscript : Value(sub), true, false);
    if (rc != Code::Ok || interp_.result.empty()) {
      return fail(interp_, Msg::EvalBadSubscript, sub);
    }
    return element_of(name, interp_.result, out);
  }

  Code element_of(std::string_view name, const Value& key, Value& out) {
    vars::Var* array = vars::nuvelGetVar(interp_, name);
    std::optional<Value> element;
    if (array) element = vars::array_get_element(interp_, *array, key.view());
    if (!element) {
      std::string n(name);
      return fail(interp_, Msg::EvalNoArrayItem, n, key);
    }
    out = std::move(*element);
    return Code::Ok;
  }

  Code variable_value(const WordPart& part, Value& out) {
    const Value& t = part.text;
    bool subscripted = part.has_subscript && !part.subscript.empty();
    if (t[0] == '$' || t[0] == '{') {
      if (subscripted) {
        size_t j = 0;
        while (j < t.size() && t[j] == '$') ++j;
        Value element;
        if (element_value(t.view().substr(j), part.subscript, element) != Code::Ok) {
          return no_reference(13638, t);
        }
        std::string name(j > 0 ? j - 1 : 0, '$');
        name += element.view();
        auto v = vars::get_var_value(interp_, name);
        if (!v) return no_variable(part, name, true);
        out = std::move(*v);
        return Code::Ok;
      }
      auto v = vars::get_var_value(interp_, t.view());
      if (!v) return no_reference(13684, t);
      out = std::move(*v);
      return Code::Ok;
    }
    if (no_vars_) {
      std::string s = "$";
      s += t.view();
      if (part.has_subscript) {
        s.push_back('(');
        s += part.subscript.view();
        s.push_back(')');
      }
      out = Value(std::move(s));
      return Code::Ok;
    }
    if (subscripted) {
      if (element_value(t.view(), part.subscript, out) != Code::Ok) return no_reference(13868, t);
      return Code::Ok;
    }
    vars::Var* var = vars::nuvelGetVar(interp_, t.view(), part.lookup);
    if (!var) {
      // A struct member reached through a link to its struct has no record
      // of that name here; the variable reader finds it by the struct.
      if (t.view().find('.') != std::string_view::npos) {
        if (auto member = vars::get_var_value(interp_, t.view())) {
          out = std::move(*member);
          return Code::Ok;
        }
      }
      return no_variable(part, t.view(), false);
    }
    if (var->type == vars::VT_FIELD) {
      out = vars::field_value(interp_, *var);
    } else if (var->type == vars::VT_DICTIONARY) {
      out = vars::dict_text_form(*var);
    } else {
      out = var->value;
    }
    return Code::Ok;
  }

  Interp& interp_;
  const Value& source_;
  bool no_vars_;
};

// Restores the current frame when a "::" command or uplevel changed it.
struct FrameRestore {
  Interp& interp;
  CallFrame* saved;
  ~FrameRestore() { interp.callframe = saved; }
};

// Gives a frame the words of the command it runs now, and puts back the words
// of the command that was running there before when this one ends, so that a
// frame never keeps words that are gone (info level reads them).
class FrameWords {
 public:
  FrameWords(CallFrame* frame, int argc, Value* argv)
      : frame_(frame), argc_(frame->cmd_argc), argv_(frame->cmd_argv) {
    frame->cmd_argc = argc;
    frame->cmd_argv = argv;
  }
  ~FrameWords() {
    frame_->cmd_argc = argc_;
    frame_->cmd_argv = argv_;
  }
  FrameWords(const FrameWords&) = delete;
  FrameWords& operator=(const FrameWords&) = delete;

 private:
  CallFrame* frame_;
  int argc_;
  Value* argv_;
};

// Keeps one call-history entry for the length of a command, popped exactly
// when it was pushed.
class HistoryEntry {
 public:
  HistoryEntry(int argc, Value* argv) {
    if (switches().stacktrace) push(argc, argv);
  }
  ~HistoryEntry() {
    auto& h = process().call_history;
    if (depth_ > 0 && h.size() >= depth_) h.resize(depth_ - 1);
  }
  HistoryEntry(const HistoryEntry&) = delete;
  HistoryEntry& operator=(const HistoryEntry&) = delete;

 private:
  [[gnu::noinline]] void push(int argc, Value* argv) {
    std::string entry(argv[0].view().substr(0, 80));
    entry.push_back(' ');
    if (!switches().suppress_args) {
      for (int i = 1; i < argc; ++i) {
        if (i > 1) entry.push_back(' ');
        entry.push_back('{');
        std::string_view w = argv[i].view();
        entry += w.substr(0, 80);
        if (w.size() >= 80) entry += "...";
        entry.push_back('}');
      }
    }
    process().call_history.push_back(std::move(entry));
    depth_ = process().call_history.size();
  }

  size_t depth_ = 0;
};

bool trace_matches(const Interp& interp, std::string_view name) {
  if (!interp.trace_on || !interp.hooks.observer) return false;
  for (const auto& n : interp.trace_names) {
    if (n == name || n == "*") return true;
  }
  return false;
}

// A result longer than texts may be is dropped and reported. Out of line,
// like the other rare paths of the evaluator, so that the stack frames every
// nesting level pays for stay small.
[[gnu::noinline]] Code result_too_long(Interp& interp) {
  size_t length = interp.result.size();
  nuvelResetResult(interp);
  return fail(interp, Msg::ResultTooLong, length, kMaxTextLength);
}

// Calls a handler, turning C++ exceptions into a reported error. Always
// inlined into dispatch: every nesting level then pays for one stack frame
// instead of two, which also measured faster.
[[gnu::always_inline]] inline Code call_handler(Interp& interp, const CommandRecord& rec, int argc,
                                                Value* argv) {
  CommandHandler handler = rec.handler;
  void* data = rec.data;
  if (argc < rec.min_words || (rec.max_words >= 0 && argc > rec.max_words)) {
    return nuvelWrongArgs(interp, argc, argv);
  }
  // A built-in command asked for nothing but "/?" or "--help" shows its help
  // topic (through the wrong-argument report, which knows the way there).
  if (argc == 2 && !rec.is_proc &&
      (argv[1].view() == "/?" ||
       (argv[1].size() == 6 && argv[1][0] == '-' && iequals(argv[1].view(), "--help")))) {
    return nuvelWrongArgs(interp, argc, argv);
  }
  ScopedRestore<int> keep_argc(interp.command_argc, argc);
  ScopedRestore<const Value*> keep_argv(interp.command_argv, argv);
  const Value result_before = interp.result;
  ++interp.nesting_depth_handlers;
  Code rc;
  try {
    rc = handler(interp, argc, argv, data);
  } catch (const std::bad_alloc&) {
    nuvelExceptionReport(argv[0].c_str(), "Memory allocation");
    rc = Code::Error;
  } catch (const std::exception& e) {
    nuvelExceptionReport(argv[0].c_str(), e.what());
    rc = Code::Error;
  }
  --interp.nesting_depth_handlers;
  if (interp.nesting_depth_handlers == 0 && !interp.retired_owners.empty()) {
    interp.retired_owners.clear();
  }
  if (interp.result.size() > kMaxTextLength && rc == Code::Ok) rc = result_too_long(interp);
  // The innermost command that fails tells whether the result is its own
  // (catch hands a result left over from an earlier command to nobody).
  if (rc == Code::Error && !interp.failure_seen) {
    interp.failure_seen = true;
    interp.failure_result_stale = interp.result.same_rep(result_before);
  }
  return rc;
}

// What a command's code means to the script it ran in: ok goes on; a return
// from a procedure goes on too, and at the top level is just ok; a return
// from a built-in command reaching the top (no handler running) is ok.
// Every other code travels outwards. `keep_going` tells whether the
// evaluation goes on with the next command.
[[gnu::always_inline]] inline Code fold_code(const Interp& interp, Code rc, bool is_proc,
                                             const CallFrame& caller, bool& keep_going) {
  if (rc == Code::Ok) {
    keep_going = true;
  } else if (rc == Code::Return) {
    if (is_proc) {
      keep_going = true;
      if (caller.level <= 0) rc = Code::Ok;
    } else if (interp.nesting_depth_handlers == 0) {
      rc = Code::Ok;
    }
  }
  return rc;
}

// Runs a command no table knows: as a program under autoexec, else through
// a procedure named "unknown". Kept apart from dispatch so that its locals do
// not widen the stack frame every nested evaluation pays for.
[[gnu::noinline]] Code dispatch_unknown(Interp& interp, int argc, Value* argv, bool& keep_going,
                                        CallFrame* saved) {
  if (switches().autoexec) {
    ++interp.cmdcount;
    Code rc =
        interp.hooks.run_external ? interp.hooks.run_external(interp, argc, argv) : Code::Error;
    keep_going = rc == Code::Ok;
    return rc;
  }
  int32_t unknown = find_index(interp, "unknown");
  if (unknown < 0) {
    return fail(interp, Msg::EvalCommandNotFound, argv[0]);
  }
  std::vector<Value> words;
  words.reserve(static_cast<size_t>(argc) + 1);
  words.emplace_back("unknown");
  for (int i = 0; i < argc; ++i) words.push_back(argv[i]);
  CommandRecord rec = interp.commands[static_cast<size_t>(unknown)];
  ++interp.cmdcount;
  FrameWords frame_words(interp.callframe, argc + 1, words.data());
  Code rc = call_handler(interp, rec, argc + 1, words.data());
  interp.callframe = saved;
  return fold_code(interp, rc, rec.is_proc, *saved, keep_going);
}

// Runs a command with substituted words. `keep_going` is set when the
// evaluation goes on with the next command.
Code dispatch(Interp& interp, const CompiledCommand* cmd, int argc, Value* argv, bool& keep_going,
              CommandLookup* lookup = nullptr) {
  keep_going = false;
  FrameRestore restore{interp, interp.callframe};
  std::string_view name = argv[0].view();
  if (starts_global(name)) interp.callframe = vars::frame_at_level(interp, 0);
  if (!name.empty() && (is_digit(name[0]) || name[0] == '+' || name[0] == '-' || name[0] == '.') &&
      is_number_word(name)) {
    interp.result = argv[0];
    keep_going = true;
    return Code::Ok;
  }
  int32_t index = resolve_command(interp, cmd, name, lookup);
  if (index < 0) return dispatch_unknown(interp, argc, argv, keep_going, restore.saved);
  const CommandRecord& rec = interp.commands[static_cast<size_t>(index)];
  bool traced = trace_matches(interp, name);
  if (traced) interp.hooks.observer->trace(interp, argc, argv, false, 0);
  ++interp.cmdcount;
  FrameWords frame_words(interp.callframe, argc, argv);
  HistoryEntry history(argc, argv);
  if (switches().single_step && interp.hooks.observer) {
    Code step = interp.hooks.observer->single_step(interp, argc, argv);
    if (step == Code::Stop) return Code::Stop;
  }
  // (Compared by hand: a library compare is a call for every three-letter name.)
  if (!(name.size() == 3 && name[0] == 's' && name[1] == 'e' && name[2] == 't')) {
    interp.result_type = 0;
  }
  bool is_proc = rec.is_proc;
  Code rc = call_handler(interp, rec, argc, argv);
  interp.callframe = restore.saved;
  if (traced) interp.hooks.observer->trace(interp, argc, argv, true, static_cast<int>(rc));
  return fold_code(interp, rc, is_proc, *restore.saved, keep_going);
}

// Substitution mode: unescape every word but the first and join them.
[[gnu::noinline]] void join_substituted(Interp& interp, WordList& words) {
  if (words.size() == 1) {
    interp.result = words.data()[0];
    return;
  }
  std::string out;
  for (size_t i = 0; i < words.size(); ++i) {
    std::string w =
        i == 0 ? std::string(words.data()[i].view()) : nuvelUnescape(words.data()[i].view());
    if (i > 0) out.push_back(' ');
    if (w.empty()) {
      out += "{}";
    } else if (w.find(' ') != std::string::npos) {
      out.push_back('{');
      out += w;
      out.push_back('}');
    } else {
      out += w;
    }
  }
  interp.result = Value(std::move(out));
}

struct DepthGuard {
  Interp& interp;
  explicit DepthGuard(Interp& i) : interp(i) { ++interp.eval_depth; }
  ~DepthGuard() { --interp.eval_depth; }
};

// Runs one compiled command. Returns true when the evaluation goes on; `rc`
// then holds the code to end with if no further command follows. Always
// inlined into rindoEval, for the same reason as call_handler.
[[gnu::always_inline]] inline bool run_command(Interp& interp, Evaluator& ev,
                                               const CompiledCommand& cmd, WordList& words,
                                               bool subst_only, Code& rc) {
  if (cmd.words.empty()) {
    if (!subst_only) return true;
    nuvelResetResult(interp);
    rc = Code::Ok;
    return false;
  }
  if (platform::break_flag() && platform::take_break_flag()) {
    (void)fail(interp, Msg::Interrupted);
    rc = Code::Stop;
    return false;
  }
  words.clear();
  // The names of the direct forms (set, incr, append, +=, -=, *=) are never
  // operator names, so such a command is never an operator chain.
  Evaluator::Direct direct = subst_only ? Evaluator::Direct::None : Evaluator::direct_form(cmd);
  if (!subst_only && direct == Evaluator::Direct::None && cmd.chain_form >= 0 &&
      !ev.known_no_chain(cmd) && ev.chains_allowed()) {
    int64_t v;
    int commands = 0;
    bool nested = false;
    if (ev.compute_chain(cmd, v, commands, nested)) {
      interp.cmdcount += commands;
      interp.result_type = 0;
      if (nested) interp.last_subst_code = 0;
      nuvelSetResult(interp, Value::from_int(v));
      rc = Code::Ok;
      return true;
    }
  }
  if (direct != Evaluator::Direct::None) {
    Evaluator::DirectStep step = ev.run_direct(cmd, direct, words, rc);
    if (step != Evaluator::DirectStep::Words) return step == Evaluator::DirectStep::Done;
  } else if (Code sub = ev.substitute(cmd, words); sub != Code::Ok) {
    rc = sub;
    return false;
  }
  if (subst_only) {
    join_substituted(interp, words);
    rc = Code::Ok;
    return false;
  }
  if (words.empty()) return true;
  bool keep_going = false;
  rc = dispatch(interp, &cmd, static_cast<int>(words.size()), words.data(), keep_going);
  return keep_going;
}

[[gnu::noinline]] Code too_deep(Interp& interp) {
  (void)fail(interp, Msg::EvalTooDeep, kMaxEvalDepth);
  nuvelResetResult(interp);
  return Code::Error;
}

Code Evaluator::command_value(const WordPart& part, Value& out) {
  if (!part.text.empty() && is_digit(part.text[0])) {
    interp_.result = part.text;
    out = part.text;
    return Code::Ok;
  }
  const CompiledCommand* inner = single_command(part.text);
  if (int64_t v; chain_number(inner, v)) {
    nuvelSetResult(interp_, Value::from_int(v));
    out = interp_.result;
    return Code::Ok;
  }
  return bracket_value(part, inner, out);
}

// The value of a bracketed script that is no operator chain; `inner` is its
// command when it is one.
[[gnu::always_inline]] inline Code Evaluator::bracket_value(const WordPart& part,
                                                            const CompiledCommand* inner,
                                                            Value& out) {
  if (inner && interp_.quick_expr && quick_expr_form(*inner) && quick_expr(*inner, out) != 0) {
    nuvelSetResult(interp_, out);
    return Code::Ok;
  }
  Code rc = inner ? run_bracket(*inner, part.text) : rindoEval(interp_, part.text);
  if (rc == Code::Ok || rc == Code::Return || rc == Code::Break) {
    interp_.last_subst_code = static_cast<uint32_t>(rc);
    out = interp_.result;
    return Code::Ok;
  }
  return rc;
}

// [expr {...}] whose value the engine gives on numbers alone: what the
// command would leave, without running it. False, having changed nothing,
// when the command must run. Out of line, so that the stack frame every
// nested bracket pays for stays small.
// The bracket's result is left to the caller: `out`, or the text of
// `*number` when that is given and the value is an integer. 0 when the
// command must run (nothing changed), else as the engine's answer.
[[gnu::noinline]] int Evaluator::quick_expr(const CompiledCommand& cmd, Value& out,
                                            int64_t* number) {
  if (!chains_allowed() || interp_.eval_depth >= kMaxEvalDepth) return 0;
  int32_t index = resolve_command(interp_, &cmd, "expr", nullptr);
  if (index < 0 || interp_.commands[static_cast<size_t>(index)].handler != interp_.expr_handler) {
    return 0;
  }
  int got = interp_.quick_expr(interp_, cmd.words[1].parts[0].text, out, number);
  if (got == 0) return 0;
  ++interp_.cmdcount;
  interp_.result_type = 0;
  interp_.last_subst_code = 0;
  return got;
}

// A bracketed script of one command runs here rather than through a
// nested rindoEval: the same depth count and result reset, without finding
// the compiled form again.
Code Evaluator::run_bracket(const CompiledCommand& cmd, const Value& text) {
  DepthGuard depth(interp_);
  if (interp_.eval_depth > kMaxEvalDepth) return too_deep(interp_);
  nuvelResetResult(interp_);
  Evaluator ev(interp_, text, false);
  WordList words;
  Code rc = Code::Ok;
  run_command(interp_, ev, cmd, words, false, rc);
  return rc;
}

// A syntax error after the complete commands: the words read so far are
// substituted for their side effects, then the error is reported.
[[gnu::noinline]] Code syntax_error(Interp& interp, Evaluator& ev, const CompiledScript& script,
                                    WordList& words) {
  words.clear();
  Code sub = ev.substitute(script.partial, words);
  if (sub != Code::Ok) return sub;
  if (!script.error_message.empty()) {
    nuvelSetErrorText(&interp, script.error_message);
    return Code::Error;
  }
  char buf[256];
  snprintf(buf, sizeof buf, "eval: Parse error near term:\n'%-.30s'...",
           script.error_context.c_str());
  nuvelSetErrorCode(interp, 1, buf);
  return Code::Error;
}

// A long text is read and run one command at a time, never compiled whole.
// Apart from rindoEval, whose stack frame every nesting level pays for.
[[gnu::noinline]] Code run_long_text(Interp& interp, Evaluator& ev, const Value& text,
                                     bool subst_only) {
  Code rc = Code::Ok;
  WordList words;
  ScriptReader reader(text);
  CompiledScript error;
  CompiledCommand cmd;
  for (;;) {
    ScriptReader::Step step = reader.next(cmd, error);
    if (step == ScriptReader::Step::End) return rc;
    if (step == ScriptReader::Step::Error) return syntax_error(interp, ev, error, words);
    if (!run_command(interp, ev, cmd, words, subst_only, rc)) return rc;
  }
}

// --- An if that ends a script ---------------------------------------------------
//
// An `if` that is the last command of a script runs its chosen body as the
// rest of that script: the evaluation goes on with the body's commands
// instead of nesting an evaluation inside the command, so that a procedure
// that recurses through `if` costs one evaluation and one dispatch per level
// instead of two of each. Everything the command shows stays as it was: the
// command count, the frame's words and the message prefix while conditions
// run, the depth count (the body counts one level deeper), the result reset
// before the body, and what the command does with the body's code and
// result afterwards (finish_tail_if). Tracing, single-step and the call
// history, a replaced or renamed `if`, a `::if`, an empty or long body, and a
// script with a syntax error after the `if` take the usual road.

// The body runs as the rest of the script only when it would be compiled
// (the empty text and long texts run nested, as the command runs them).
bool tail_body(const Value& body) {
  return !body.empty() && (body.size() <= kCompileCacheLimit ||
                           body.cached_ptr<CompiledScript>(CacheSlot::Script) != nullptr);
}

// What the handler's caller does after the handler returns (call_handler
// and fold_code, for a command that is no procedure).
// `before` is the result as it was before the command ran. (When tail ifs
// follow one another, only the last one's finish can change anything: the
// earlier ones see what it leaves.)
[[gnu::noinline]] Code finish_tail_if(Interp& interp, Code rc, const Value& before) {
  if (interp.nesting_depth_handlers == 0 && !interp.retired_owners.empty()) {
    interp.retired_owners.clear();
  }
  if (interp.result.size() > kMaxTextLength && rc == Code::Ok) {
    const Value name("if");  // the command's first word, for the report
    ScopedRestore<int> keep_argc(interp.command_argc, 1);
    ScopedRestore<const Value*> keep_argv(interp.command_argv, &name);
    rc = result_too_long(interp);
  }
  if (rc == Code::Error && !interp.failure_seen) {
    interp.failure_seen = true;
    interp.failure_result_stale = interp.result.same_rep(before);
  }
  if (rc == Code::Return && interp.nesting_depth_handlers == 0) rc = Code::Ok;
  return rc;
}

// Runs the last command of a script whose first word is `if` up to the
// choice of its body. True: `hold` is now the body, to be run as the rest of
// the script; false: the command has run whole, and so has the script, with
// the code in `rc`.
[[gnu::noinline]] bool run_tail_if(Interp& interp, Evaluator& ev, const CompiledCommand& cmd,
                                   WordList& words, Value& hold, Value& before, Code& rc) {
  if (platform::break_flag() && platform::take_break_flag()) {
    (void)fail(interp, Msg::Interrupted);
    rc = Code::Stop;
    return false;
  }
  words.clear();
  if (Code sub = ev.substitute(cmd, words); sub != Code::Ok) {
    rc = sub;
    return false;
  }
  if (words.empty()) return false;
  const int argc = static_cast<int>(words.size());
  Value* argv = words.data();
  const Switches& sw = switches();
  int32_t index = -1;
  if (!interp.trace_on && !sw.stacktrace && !sw.single_step && interp.if_branch != nullptr &&
      !starts_global(argv[0].view())) {
    index = resolve_command(interp, &cmd, argv[0].view(), nullptr);
  }
  const CommandRecord* rec = index >= 0 ? &interp.commands[static_cast<size_t>(index)] : nullptr;
  if (!rec || rec->handler != interp.if_handler || argc < rec->min_words ||
      (rec->max_words >= 0 && argc > rec->max_words) || argc == 2) {
    bool keep_going = false;
    rc = dispatch(interp, &cmd, argc, argv, keep_going);
    return false;
  }
  // As dispatch and call_handler do around the handler.
  ++interp.cmdcount;
  CallFrame* const frame = interp.callframe;
  FrameWords frame_words(frame, argc, argv);
  interp.result_type = 0;
  before = interp.result;
  int body = -1;
  {
    ScopedRestore<int> keep_argc(interp.command_argc, argc);
    ScopedRestore<const Value*> keep_argv(interp.command_argv, argv);
    ++interp.nesting_depth_handlers;
    try {
      body = interp.if_branch(interp, argc, argv, rc);
      if (body >= 0 && !tail_body(argv[body])) {
        rc = rindoEval(interp, argv[body]);
        body = -1;
      }
    } catch (const std::bad_alloc&) {
      nuvelExceptionReport(argv[0].c_str(), "Memory allocation");
      rc = Code::Error;
      body = -1;
    } catch (const std::exception& e) {
      nuvelExceptionReport(argv[0].c_str(), e.what());
      rc = Code::Error;
      body = -1;
    }
    --interp.nesting_depth_handlers;
  }
  interp.callframe = frame;
  if (body < 0) {
    rc = finish_tail_if(interp, rc, before);
    return false;
  }
  // The text `cmd` lies in may go with the old `hold`: `cmd` is not used
  // after this.
  hold = argv[body];
  return true;
}

// Runs a compiled script that ends in `if`, and the bodies it leads to in
// turn, as one evaluation. `hold` holds the running text, which `ev` reads.
[[gnu::noinline]] Code run_ending_in_if(Interp& interp, Evaluator& ev, const CompiledScript* script,
                                        Value& hold, WordList& words) {
  Code rc = Code::Ok;
  Value before;  // the result before the last tail if ran
  // Each body runs one level deeper, as its own evaluation would.
  struct ExtraDepth {
    Interp& interp;
    int levels = 0;
    ~ExtraDepth() { interp.eval_depth -= levels; }
  } depth{interp};
  for (;;) {
    const bool tail = script->ends_in_if;
    const CompiledCommand* const last =
        script->commands.data() + script->commands.size() - (tail ? 1 : 0);
    bool stopped = false;
    for (const CompiledCommand* cmd = script->commands.data(); cmd != last; ++cmd) {
      if (!run_command(interp, ev, *cmd, words, false, rc)) {
        stopped = true;
        break;
      }
    }
    if (stopped) break;
    if (!tail) {
      if (script->has_error) rc = syntax_error(interp, ev, *script, words);
      break;
    }
    if (!run_tail_if(interp, ev, *last, words, hold, before, rc)) break;
    ++interp.eval_depth;
    ++depth.levels;
    if (interp.eval_depth > kMaxEvalDepth) {
      rc = too_deep(interp);
      break;
    }
    nuvelResetResult(interp);
    words.clear();
    rc = Code::Ok;
    script = &compiled_script(hold);
  }
  // A body of a tail if ran: the command's finish.
  if (depth.levels > 0) rc = finish_tail_if(interp, rc, before);
  return rc;
}

}  // namespace

Code rindoEval(Interp& interp, const Value& text, bool subst_only, bool no_vars) {
  if (text.empty()) return Code::Ok;
  DepthGuard depth(interp);
  if (interp.eval_depth > kMaxEvalDepth) return too_deep(interp);
  nuvelResetResult(interp);
  // The held copy keeps the text shared, so it cannot grow in place (which
  // would drop the compiled form) while its commands run.
  Value hold = text;
  Evaluator ev(interp, hold, no_vars);
  if (text.size() > kCompileCacheLimit && !text.cached_ptr<CompiledScript>(CacheSlot::Script)) {
    return run_long_text(interp, ev, text, subst_only);
  }
  Code rc = Code::Ok;
  WordList words;
  const CompiledScript& script = compiled_script(hold);
  if (script.ends_in_if && !subst_only && !no_vars) [[unlikely]] {
    return run_ending_in_if(interp, ev, &script, hold, words);
  }
  for (const CompiledCommand& cmd : script.commands) {
    if (!run_command(interp, ev, cmd, words, subst_only, rc)) return rc;
  }
  if (script.has_error) return syntax_error(interp, ev, script, words);
  return rc;
}

bool rindoEvalChain(Interp& interp, const Value& text, int64_t& out) {
  const CompiledCommand* cmd = Evaluator::single_command(text);
  if (!cmd || cmd->chain_form < 0) return false;
  DepthGuard depth(interp);
  if (interp.eval_depth > kMaxEvalDepth) return false;
  Evaluator ev(interp, text, false);
  int commands = 0;
  bool nested = false;
  if (!ev.chains_allowed() || !ev.compute_chain(*cmd, out, commands, nested)) return false;
  interp.cmdcount += commands;
  interp.result_type = 0;
  if (nested) interp.last_subst_code = 0;
  return true;
}

static_assert(static_cast<size_t>(IntOp::Ne) < sizeof(Interp::operator_index) / sizeof(int32_t));

bool nuvelIntOperate(Interp& interp, std::string_view name, int64_t x, int64_t y, int64_t& r) {
  const Switches& sw = switches();
  if (interp.trace_on || sw.stacktrace || sw.single_step || interp.math_handler == nullptr) {
    return false;
  }
  IntOp kind = int_math_op(name);
  CommandHandler wanted = interp.math_handler;
  if (kind == IntOp::None) {
    kind = int_compare_op(name);
    wanted = interp.compare_handler;
    if (kind == IntOp::None) return false;
  }
  if (interp.operator_epoch != interp.command_epoch) {
    for (int32_t& i : interp.operator_index) i = -2;
    interp.operator_epoch = interp.command_epoch;
  }
  int32_t& index = interp.operator_index[static_cast<size_t>(kind)];
  if (index == -2) index = find_index(interp, name);
  if (index < 0) return false;
  const CommandRecord& rec = interp.commands[static_cast<size_t>(index)];
  if (rec.handler != wanted || rec.min_words > 3 || (rec.max_words >= 0 && rec.max_words < 3) ||
      !int_operate(kind, x, y, r)) {
    return false;
  }
  ++interp.cmdcount;
  interp.result_type = 0;
  return true;
}

bool nuvelIntOperator(Interp& interp, const Value& op, const Value& a, const Value& b) {
  int64_t x;
  int64_t y;
  int64_t r;
  if (!a.canonical_int(x) || !b.canonical_int(y)) return false;
  if (!nuvelIntOperate(interp, op.view(), x, y, r)) return false;
  nuvelSetResult(interp, Value::from_int(r));
  return true;
}

Code nuvelCallCommand(Interp& interp, int argc, Value* argv) {
  if (argc < 1) return Code::Ok;
  bool keep_going = false;
  return dispatch(interp, nullptr, argc, argv, keep_going);
}

Code nuvelCallCommandCached(Interp& interp, int argc, Value* argv, CommandLookup& lookup) {
  if (argc < 1) return Code::Ok;
  bool keep_going = false;
  return dispatch(interp, nullptr, argc, argv, keep_going, &lookup);
}

}  // namespace core

namespace core {
uint64_t fresh_command_epoch() {
  return next_epoch();
}
}  // namespace core
