// Compiled scripts: the token stream of a script text, grouped into commands
// and words. It depends only on the text, so it is cached on the text's Value
// and a loop body is scanned once however often it runs.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/value.h"

namespace vars {
struct Var;
}

namespace core {

// The record a variable token found the last time, kept with the stamp of the
// frame it was searched in (vars::CallFrame::stamp): while that frame's stamp
// is unchanged the same search gives the same record (or none).
struct VarLookupCache {
  uint64_t stamp = 0;
  vars::Var* var = nullptr;
};

// One token that contributes to a word.
struct WordPart {
  enum Kind : uint8_t { Literal, Variable, Command };
  Kind kind = Literal;
  bool has_subscript = false;
  Value text;                     // literal text, variable token text, or bracketed script
  Value subscript;                // variable subscript text
  uint32_t offset = 0;            // token start in the source (for messages)
  mutable VarLookupCache lookup;  // variable tokens: the last search's record
};

// A word: its first part may be expanded ({*}); later parts are appended to
// the last word the first part produced.
struct Word {
  std::vector<WordPart> parts;
  bool expand = false;
};

struct CompiledCommand {
  std::vector<Word> words;
  uint32_t offset = 0;  // start of the command in the source
  // Cached command look-up for a literal first word.
  mutable uint64_t lookup_epoch = 0;
  mutable int32_t lookup_index = -1;
  // Whether the command has the form of an integer operator chain (see
  // core/eval.cpp): 0 not yet known, 1 it has, -1 it has not.
  mutable int8_t chain_form = 0;
  // The integer operator the first word names (a core::IntOp; 0 for none),
  // valid while the command table's epoch equals `chain_epoch`.
  mutable uint8_t chain_op = 0;
  // Whether the command is `expr` with one literal word: 0 not yet known,
  // 1 it is, -1 it is not.
  mutable int8_t expr_form = 0;
  // Whether the evaluator may run the command itself (core/eval.cpp): 0 not
  // yet known, -1 never, else the kind of command its first word names.
  mutable int8_t direct_form = 0;
  // The variable its second word names, as last found.
  mutable VarLookupCache direct_var;
  mutable uint64_t chain_epoch = 0;
};

struct CompiledScript {
  std::vector<CompiledCommand> commands;
  // A syntax error met after the complete commands: the words scanned so far
  // (substituted for their side effects, then dropped) and the report.
  bool has_error = false;
  // The last command is the literal word `if` and two words or more, and no
  // syntax error follows it: the evaluator may run the body it chooses as
  // the rest of the script.
  bool ends_in_if = false;
  CompiledCommand partial;
  uint32_t error_offset = 0;
  std::string error_context;  // up to 30 characters before the failing token
  std::string error_message;  // set for errors other than parse errors
};

// Deepest nesting of bracketed commands in one text. Deeper texts fail to
// compile with a message instead of recursing through the evaluator.
inline constexpr int kMaxBracketNesting = 1000;

// Returns the compiled form of a text, from the cache when present.
std::shared_ptr<const CompiledScript> compile_script(const Value& text);
// The same without a reference count: the form lives as long as `text` does.
// Inline for the cached case; compile_cached compiles and caches.
const CompiledScript& compile_cached(const Value& text);
inline const CompiledScript& compiled_script(const Value& text) {
  if (const CompiledScript* cached = text.cached_ptr<CompiledScript>(CacheSlot::Script)) {
    return *cached;
  }
  return compile_cached(text);
}

// Texts longer than this are read one command at a time instead of being
// compiled and cached whole: a long straight-line script is run once, and
// keeping all its words would cost far more memory than it saves time.
inline constexpr size_t kCompileCacheLimit = 64 * 1024;

// Reads a script one command at a time.
class ScriptReader {
 public:
  enum class Step { Command, End, Error };
  explicit ScriptReader(const Value& text);
  ~ScriptReader();
  ScriptReader(const ScriptReader&) = delete;
  ScriptReader& operator=(const ScriptReader&) = delete;
  // Fills `cmd` with the next command (possibly without words). On a syntax
  // error fills the error fields of `error` (its `partial` takes the words
  // read so far).
  Step next(CompiledCommand& cmd, CompiledScript& error);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace core
