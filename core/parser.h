// The script parser: cuts a script text into tokens in place. A token is a
// pair of positions into the text; the parser copies nothing and changes
// nothing. Substitution belongs to the evaluator.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace core {

struct SharedText;

enum TokenType : int {
  PT_ESC = 0,      // a plain word or word fragment (bare or quoted text)
  PT_STR = 1,      // text taken literally: a brace group's inside, or a lone "$"
  PT_CMD = 2,      // the inside of a bracketed command
  PT_VAR = 3,      // a variable reference (the text after "$")
  PT_SEP = 4,      // blanks between words
  PT_EOL = 5,      // end of a command (newline or ";" run)
  PT_EOF = 6,      // end of the text
  PT_FLOAT = 7,    // reserved
  PT_NONE = 8,     // reserved
  PT_EXPAND = 9,   // the expansion marker "{*}" at the start of a word
  PT_UNKNOWN = 10  // reserved
};

// Short display names of the token kinds 0..9.
const char* token_type_name(int type);

// Scanning state. Positions are offsets into `text`; `end` is inclusive, so an
// empty token has end == start - 1.
struct Parser {
  std::string_view text;
  ptrdiff_t p = 0;
  ptrdiff_t len = 0;  // characters left from p
  ptrdiff_t start = 0;
  ptrdiff_t end = -1;
  TokenType type = PT_EOL;
  int in_quote = 0;
  int has_subscript = 0;
  ptrdiff_t subscript_start = 0;
  ptrdiff_t subscript_end = 0;
  ptrdiff_t subscript_len = 0;
  int bracket_depth = 0;  // deepest "[" nesting inside the last PT_CMD token
  // The shared storage `text` lies in (at `shared_offset`), when it is a
  // slice of a longer text: brace groups already matched there are not
  // scanned again.
  const SharedText* shared = nullptr;
  ptrdiff_t shared_offset = 0;

  std::string_view token() const {
    return end >= start
               ? text.substr(static_cast<size_t>(start), static_cast<size_t>(end - start + 1))
               : std::string_view();
  }
  std::string_view subscript() const {
    return subscript_len > 0 ? text.substr(static_cast<size_t>(subscript_start),
                                           static_cast<size_t>(subscript_len))
                             : std::string_view();
  }
};

void parser_init(Parser& parser, std::string_view text, const SharedText* shared = nullptr,
                 size_t shared_offset = 0);
// Scans one token. Returns 1 for a syntax error at the current position.
int parser_next(Parser& parser);

}  // namespace core
