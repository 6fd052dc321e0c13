// Compiling a script text into commands and words. Word boundaries, the
// expansion marker and syntax errors depend only on the token stream, so the
// grouping the evaluator would do token by token is done once here.
#include "core/script.h"

#include <algorithm>

#include "core/parser.h"

namespace core {
namespace {

// Builds the compiled form by replaying the evaluator's word assembly rules:
// a token after a separator or an end of command starts a new word, any other
// token is appended to the last word.
std::shared_ptr<CompiledScript> build(std::string_view text) {
  auto script = std::make_shared<CompiledScript>();
  Parser P;
  parser_init(P, text);
  CompiledCommand current;
  current.offset = 0;
  int last_kind = PT_EOL;
  bool expand = false;
  bool command_started = false;
  for (;;) {
    int prev_kind = last_kind;
    if (parser_next(P) == 1) {
      script->has_error = true;
      script->partial = std::move(current);
      ptrdiff_t from = std::max<ptrdiff_t>(0, P.start - 30);
      script->error_offset = static_cast<uint32_t>(P.start);
      script->error_context = std::string(text.substr(static_cast<size_t>(from), 30));
      return script;
    }
    int kind = P.type;
    if (kind == PT_EXPAND && !(P.len > 0 && P.text[static_cast<size_t>(P.p)] == '"')) {
      expand = true;
      last_kind = PT_SEP;
      continue;
    }
    if (kind == PT_EOF) break;
    if (kind == PT_SEP) {
      last_kind = PT_SEP;
      continue;
    }
    if (kind == PT_EOL) {
      script->commands.push_back(std::move(current));
      current = CompiledCommand{};
      command_started = false;
      last_kind = PT_EOL;
      continue;
    }
    WordPart part;
    part.offset = static_cast<uint32_t>(P.start);
    switch (kind) {
      case PT_VAR:
        part.kind = WordPart::Variable;
        part.offset = static_cast<uint32_t>(P.start > 0 ? P.start - 1 : 0);
        if (P.has_subscript) {
          part.has_subscript = true;
          part.subscript = Value(P.subscript());
        }
        break;
      case PT_CMD:
        part.kind = WordPart::Command;
        if (P.bracket_depth > kMaxBracketNesting) {
          script->has_error = true;
          script->partial = std::move(current);
          script->error_offset = static_cast<uint32_t>(P.start);
          script->error_message = "eval: Brackets nested too deeply (more than " +
                                  std::to_string(kMaxBracketNesting) + " levels)\n";
          return script;
        }
        break;
      default:
        part.kind = WordPart::Literal;
        break;
    }
    part.text = Value(P.token());
    if (!command_started) {
      current.offset = part.offset;
      command_started = true;
    }
    if (prev_kind == PT_SEP || prev_kind == PT_EOL || current.words.empty()) {
      if (kind == PT_ESC) expand = false;
      Word word;
      word.expand = expand;
      expand = false;
      word.parts.push_back(std::move(part));
      current.words.push_back(std::move(word));
    } else {
      current.words.back().parts.push_back(std::move(part));
    }
    last_kind = kind;
  }
  if (!current.words.empty()) script->commands.push_back(std::move(current));
  return script;
}

}  // namespace

std::shared_ptr<const CompiledScript> compile_script(const Value& text) {
  if (auto cached = text.cached<CompiledScript>(CacheSlot::Script)) return cached;
  std::shared_ptr<const CompiledScript> script = build(text.view());
  text.set_cached<CompiledScript>(CacheSlot::Script, script);
  return script;
}

}  // namespace core
