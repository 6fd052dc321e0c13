// The script parser: a small state machine of scanning routines driven by
// parser_next. Blanks are space and tab; line ends are LF and CR.
#include "core/parser.h"

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "core/value.h"

namespace core {

// Where brace groups of a shared text close: offset of the "{" to offset of
// its "}", both in the shared text. Only long groups are kept.
struct BraceMemo {
  std::unordered_map<uint32_t, uint32_t> close;
};

namespace {

// Groups shorter than this are scanned again rather than remembered.
constexpr ptrdiff_t kMemoMinGroup = 256;

inline bool is_name_char(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
         c == '.';
}

inline char at(const Parser& P, ptrdiff_t offset = 0) {
  return P.text[static_cast<size_t>(P.p + offset)];
}

inline void advance(Parser& P, ptrdiff_t n = 1) {
  if (n > P.len) n = P.len;
  P.p += n;
  P.len -= n;
}

// separator := (space | tab | CR | LF)+ ; holding a line end it ends the command.
int parse_sep(Parser& P) {
  P.start = P.p;
  bool line_end = false;
  while (P.len > 0) {
    char c = at(P);
    if (c == '\n' || c == '\r') {
      line_end = true;
    } else if (c != ' ' && c != '\t') {
      break;
    }
    advance(P);
  }
  P.end = P.p - 1;
  if (line_end) {
    P.type = PT_EOL;
  } else if (P.type != PT_EOL) {
    P.type = PT_SEP;
  }
  return 0;
}

// eol := (LF | ";") (space | tab | CR | LF | ";")*
int parse_eol(Parser& P) {
  P.start = P.p;
  while (P.len > 0) {
    char c = at(P);
    if (c != ' ' && c != '\t' && c != '\n' && c != '\r' && c != ';') break;
    advance(P);
  }
  P.end = P.p - 1;
  P.type = PT_EOL;
  return 0;
}

// comment := "#" up to (not over) the next LF, at the start of a command.
void skip_comment(Parser& P) {
  while (P.len > 0 && at(P) != '\n') advance(P);
}

// brace group := "{" text with nested braces "}" ; "{*}" at the very start is
// the expansion marker.
// A scan from a "{" depends only on the text from there on, so a group that
// opens inside a scanned group where no quote is open closes where that scan
// saw it close: in a shared text those are remembered, and a later scan from
// the same "{" (the parse of a nested script) jumps to the "}".
BraceMemo* brace_memo(const Parser& P) {
  // Offsets are kept in 32 bits.
  if (P.shared == nullptr || P.shared->text.size() >= UINT32_MAX) return nullptr;
  if (!P.shared->braces) P.shared->braces = std::make_shared<BraceMemo>();
  return P.shared->braces.get();
}

bool expansion_marker_at(const Parser& P, ptrdiff_t brace) {
  return brace + 2 < P.p + P.len && at(P, brace + 1 - P.p) == '*' && at(P, brace + 2 - P.p) == '}';
}

int parse_brace(Parser& P) {
  BraceMemo* memo = brace_memo(P);
  const ptrdiff_t open = P.p;
  if (memo != nullptr && !expansion_marker_at(P, open)) {
    auto it = memo->close.find(static_cast<uint32_t>(P.shared_offset + open));
    if (it != memo->close.end()) {
      ptrdiff_t close = static_cast<ptrdiff_t>(it->second) - P.shared_offset;
      if (close < P.p + P.len) {
        P.start = open + 1;
        P.end = close - 1;
        advance(P, close + 1 - open);
        P.type = PT_STR;
        return 0;
      }
    }
  }
  // Opening offsets of the groups open inside this one (-1 for an expansion
  // marker or a brace inside a quote, which are not remembered).
  std::vector<ptrdiff_t> inner;
  advance(P);  // the "{"
  P.start = P.p;
  int level = 1;
  bool in_quote = false;
  bool first = true;
  while (P.len > 0) {
    char c = at(P);
    if (c == '\\' && P.len >= 2 && at(P, 1) == '\\') {
      advance(P, 2);
      first = false;
      continue;
    }
    if (c == '"' && !(P.p > 0 && P.text[static_cast<size_t>(P.p - 1)] == '\\')) {
      in_quote = !in_quote;
    } else if (c == '\\' && P.len >= 2) {
      advance(P);  // the escaped character is passed over
    } else if (c == '}') {
      if (!in_quote && --level == 0) break;
      if (!in_quote && memo != nullptr) {
        ptrdiff_t from = inner.back();
        inner.pop_back();
        if (from >= 0 && P.p - from >= kMemoMinGroup) {
          memo->close[static_cast<uint32_t>(P.shared_offset + from)] =
              static_cast<uint32_t>(P.shared_offset + P.p);
        }
      }
    } else if (first && c == '*' && P.len >= 2 && at(P, 1) == '}') {
      advance(P, 2);
      if (P.len > 0 && (at(P) == ' ' || at(P) == '\t')) return 1;
      P.start = P.p;
      P.end = P.start - 1;
      P.type = PT_EXPAND;
      return 0;
    } else if (c == '{' && !in_quote) {
      ++level;
      if (memo != nullptr) inner.push_back(expansion_marker_at(P, P.p) ? -1 : P.p);
    }
    advance(P);
    first = false;
  }
  P.end = P.p - 1;
  if (memo != nullptr && P.len > 0 && P.p - open >= kMemoMinGroup) {
    memo->close[static_cast<uint32_t>(P.shared_offset + open)] =
        static_cast<uint32_t>(P.shared_offset + P.p);
  }
  if (P.len > 0) advance(P);  // the closing "}"
  P.type = PT_STR;
  return 0;
}

// command := "[" text with nested brackets "]" ; brackets inside braces do not
// count, quotes only hide braces.
int parse_cmd(Parser& P) {
  advance(P);  // the "["
  P.start = P.p;
  int level = 1;
  int brace_level = 0;
  bool in_quote = false;
  P.bracket_depth = 1;
  while (P.len > 0) {
    char c = at(P);
    if (c == '"') {
      in_quote = !in_quote;
    } else if (c == '[' && brace_level == 0) {
      if (++level > P.bracket_depth) P.bracket_depth = level;
    } else if (c == ']' && brace_level == 0) {
      if (--level == 0) break;
    } else if (c == '\\') {
      if (P.len >= 2) advance(P);
    } else if (c == '{' && !in_quote) {
      ++brace_level;
    } else if (c == '}' && !in_quote) {
      if (brace_level > 0) --brace_level;
    }
    advance(P);
  }
  P.end = P.p - 1;
  if (P.len > 0 && at(P) == ']') advance(P);
  P.type = PT_CMD;
  return 0;
}

// variable := "$" "$"* ["::"] (name | name "{" ... "}" | "{" ... "}") ["(" subscript ")"]
int parse_var(Parser& P) {
  ptrdiff_t dollar = P.p;
  advance(P);
  P.has_subscript = 0;
  P.subscript_start = P.subscript_end = P.subscript_len = 0;
  P.start = P.p;
  while (P.len > 0 && at(P) == '$') advance(P);
  if (P.len > 0 && (at(P) == '(' || at(P) == ')')) return 1;
  if (P.len >= 2 && at(P) == ':' && at(P, 1) == ':') advance(P, 2);
  int braces = 0;
  while (P.len > 0) {
    char c = at(P);
    if (c == '{') {
      ++braces;
      advance(P);
      continue;
    }
    if (c == '}' && braces > 0) {
      --braces;
      P.end = P.p;
      advance(P);
      if (braces == 0) {
        P.type = PT_VAR;
        return 0;
      }
      continue;
    }
    if (braces > 0) {
      advance(P);
      continue;
    }
    if (is_name_char(c)) {
      advance(P);
    } else if (c == ':' && P.len >= 2 && at(P, 1) == ':' && !(P.len >= 3 && at(P, 2) == ':')) {
      advance(P, 2);
    } else {
      break;
    }
  }
  if (braces > 0) return 1;  // "${" without its "}"
  if (P.p == P.start) {
    P.start = P.end = dollar;
    P.type = PT_STR;
    return 0;
  }
  P.type = PT_VAR;
  P.end = P.p - 1;
  if (P.len > 0 && at(P) == '(') {
    int depth = 0;
    for (ptrdiff_t i = 0; i < P.len; ++i) {
      char c = at(P, i);
      if (c == '(') {
        ++depth;
      } else if (c == ')' && --depth == 0) {
        P.has_subscript = 1;
        P.subscript_start = P.p + 1;
        P.subscript_end = P.p + i - 1;
        P.subscript_len = i - 1;
        advance(P, i + 1);
        break;
      }
    }
  }
  return 0;
}

// word := bare or quoted text up to a blank, ";", line end, "$" or "[".
int parse_word(Parser& P) {
  bool new_word = P.type == PT_ESC || P.type == PT_STR || P.type == PT_SEP || P.type == PT_EOL ||
                  P.type == PT_EXPAND;
  if (new_word) {
    if (at(P) == '{') return parse_brace(P);
    if (at(P) == '"') {
      P.in_quote = 1;
      advance(P);
    }
  }
  P.start = P.p;
  while (P.len > 0) {
    char c = at(P);
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == ';') {
      if (!P.in_quote) {
        P.end = P.p - 1;
        P.type = PT_ESC;
        return 0;
      }
    } else if (c == '"') {
      if (P.in_quote) {
        P.end = (P.len >= 2 && at(P, 1) == ')') ? P.p : P.p - 1;
        advance(P);
        P.in_quote = 0;
        P.type = PT_ESC;
        return 0;
      }
      P.in_quote = 1;
    } else if (c == '$' || c == '[') {
      if (!(P.len >= 2 && at(P, 1) == '"')) {
        P.end = P.p - 1;
        P.type = PT_ESC;
        return 0;
      }
    } else if (c == '\\' && P.len >= 2) {
      char next = at(P, 1);
      if (P.in_quote) {
        switch (next) {
          case ' ':
          case '"':
          case '$':
          case '(':
          case ')':
          case '[':
          case '\\':
          case ']':
          case '{':
          case '}':
            advance(P);
            break;
          default:
            break;
        }
      } else {
        advance(P);
        if (next == ' ' && P.len >= 2) advance(P);
      }
    }
    advance(P);
  }
  P.end = P.p - 1;
  P.type = PT_ESC;
  return 0;
}

}  // namespace

const char* token_type_name(int type) {
  static const char* const kNames[] = {"ESC", "str", "cmd",   "var",    "sep",
                                       "EOL", "EOF", "float", "expand", "ERROR"};
  return type >= 0 && type <= 9 ? kNames[type] : "ERROR";
}

void parser_init(Parser& P, std::string_view text, const SharedText* shared, size_t shared_offset) {
  P = Parser{};
  P.text = text;
  P.len = static_cast<ptrdiff_t>(text.size());
  P.shared = shared;
  P.shared_offset = static_cast<ptrdiff_t>(shared_offset);
}

int parser_next(Parser& P) {
  while (P.len > 0) {
    char c = at(P);
    if (!P.in_quote && (c == ' ' || c == '\t' || c == '\r')) return parse_sep(P);
    if (!P.in_quote && (c == '\n' || c == ';')) return parse_eol(P);
    if (c == '#' && P.type == PT_EOL) {
      skip_comment(P);
      continue;
    }
    if (c == '$') return parse_var(P);
    if (c == '[') return parse_cmd(P);
    return parse_word(P);
  }
  P.type = (P.type == PT_EOL || P.type == PT_EOF) ? PT_EOF : PT_EOL;
  P.start = P.p;
  P.end = P.p - 1;
  return 0;
}

}  // namespace core
