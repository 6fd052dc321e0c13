// Compiling a script text into commands and words. Word boundaries, the
// expansion marker and syntax errors depend only on the token stream, so the
// grouping the evaluator would do token by token is done once here.
#include "core/script.h"

#include <algorithm>

#include "core/parser.h"

namespace core {

struct ScriptReader::State {
  Value source;
  Parser parser;
  int last_kind = PT_EOL;
  bool expand = false;
};

ScriptReader::ScriptReader(const Value& text) : state_(std::make_unique<State>()) {
  state_->source = text;
  size_t offset = 0;
  const SharedText* shared = text.shared_text(offset);
  parser_init(state_->parser, text.view(), shared, offset);
}

ScriptReader::~ScriptReader() = default;

// Replays the evaluator's word assembly rules: a token after a separator or an
// end of command starts a new word, any other token is appended to the last
// word.
ScriptReader::Step ScriptReader::next(CompiledCommand& cmd, CompiledScript& error) {
  Parser& P = state_->parser;
  // A fresh command, with none of the previous command's cached findings;
  // only the word list's storage is kept.
  std::vector<Word> words = std::move(cmd.words);
  words.clear();
  cmd = CompiledCommand{};
  cmd.words = std::move(words);
  cmd.offset = static_cast<uint32_t>(P.p);
  bool started = false;
  auto fail = [&](std::string message) {
    error.has_error = true;
    error.partial = std::move(cmd);
    error.error_offset = static_cast<uint32_t>(P.start);
    ptrdiff_t from = std::max<ptrdiff_t>(0, P.start - 30);
    error.error_context = std::string(P.text.substr(static_cast<size_t>(from), 30));
    error.error_message = std::move(message);
    return Step::Error;
  };
  for (;;) {
    int prev_kind = state_->last_kind;
    if (parser_next(P) == 1) return fail("");
    int kind = P.type;
    if (kind == PT_EXPAND && !(P.len > 0 && P.text[static_cast<size_t>(P.p)] == '"')) {
      state_->expand = true;
      state_->last_kind = PT_SEP;
      continue;
    }
    if (kind == PT_EOF) return Step::End;
    if (kind == PT_SEP) {
      state_->last_kind = PT_SEP;
      continue;
    }
    if (kind == PT_EOL) {
      state_->last_kind = PT_EOL;
      return Step::Command;
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
          return fail("eval: Brackets nested too deeply (more than " +
                      std::to_string(kMaxBracketNesting) + " levels)\n");
        }
        break;
      default:
        part.kind = WordPart::Literal;
        break;
    }
    // A long brace group or bracketed script shares the script's storage.
    part.text =
        part.kind == WordPart::Variable ? Value(P.token()) : state_->source.slice(P.token());
    if (!started) {
      cmd.offset = part.offset;
      started = true;
    }
    if (prev_kind == PT_SEP || prev_kind == PT_EOL || cmd.words.empty()) {
      if (kind == PT_ESC) state_->expand = false;
      Word word;
      word.expand = state_->expand;
      state_->expand = false;
      word.parts.push_back(std::move(part));
      cmd.words.push_back(std::move(word));
    } else {
      cmd.words.back().parts.push_back(std::move(part));
    }
    state_->last_kind = kind;
  }
}

std::shared_ptr<const CompiledScript> compile_script(const Value& text) {
  if (auto cached = text.cached<CompiledScript>(CacheSlot::Script)) return cached;
  auto script = std::make_shared<CompiledScript>();
  ScriptReader reader(text);
  CompiledCommand cmd;
  for (;;) {
    ScriptReader::Step step = reader.next(cmd, *script);
    if (step != ScriptReader::Step::Command) break;
    script->commands.push_back(std::move(cmd));
    cmd = CompiledCommand{};
  }
  if (!script->has_error && !script->commands.empty()) {
    const std::vector<Word>& words = script->commands.back().words;
    script->ends_in_if = words.size() >= 3 && words[0].parts.size() == 1 && !words[0].expand &&
                         words[0].parts[0].kind == WordPart::Literal &&
                         words[0].parts[0].text.view() == "if";
  }
  std::shared_ptr<const CompiledScript> result = std::move(script);
  text.set_cached<CompiledScript>(CacheSlot::Script, result);
  return result;
}

const CompiledScript& compile_cached(const Value& text) {
  if (text.empty()) {
    // Nothing to cache the form on: the empty script is one shared form.
    static const CompiledScript empty;
    return empty;
  }
  return *compile_script(text);
}

}  // namespace core
