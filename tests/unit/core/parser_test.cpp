// Token sequences of the script parser.
#include "core/parser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using core::Parser;

// Renders every token of a text as kind:text, up to the end of the text or a
// syntax error ("ERR").
std::vector<std::string> tokens(std::string_view text) {
  Parser p;
  core::parser_init(p, text);
  std::vector<std::string> out;
  for (int guard = 0; guard < 1000; ++guard) {
    if (core::parser_next(p) == 1) {
      out.push_back("ERR");
      break;
    }
    static const char* const kKinds[] = {"ESC", "str",   "cmd",  "var",    "sep",    "EOL",
                                         "EOF", "float", "none", "expand", "unknown"};
    std::string t = kKinds[p.type];
    t += ":";
    t += p.token();
    if (p.type == core::PT_VAR && p.has_subscript) {
      t += "(";
      t += p.subscript();
      t += ")";
    }
    out.push_back(t);
    if (p.type == core::PT_EOF) break;
  }
  return out;
}

using V = std::vector<std::string>;

TEST(Parser, EmptyAndBlankTexts) {
  // The parser starts as if after an end of command, so an empty text ends at
  // once and blanks at the start count as another end of command.
  EXPECT_EQ(tokens(""), (V{"EOF:"}));
  EXPECT_EQ(tokens("  "), (V{"EOL:  ", "EOF:"}));
}

TEST(Parser, CommandsJoinedBySemicolon) {
  EXPECT_EQ(tokens("set a 1;  puts b"), (V{"ESC:set", "sep: ", "ESC:a", "sep: ", "ESC:1", "EOL:;  ",
                                           "ESC:puts", "sep: ", "ESC:b", "EOL:", "EOF:"}));
}

TEST(Parser, CommentsOnlyAtCommandStart) {
  EXPECT_EQ(tokens("  # note\nputs #x"),
            (V{"EOL:  ", "EOL:\n", "ESC:puts", "sep: ", "ESC:#x", "EOL:", "EOF:"}));
  // A semicolon or backslash does not end or continue a comment.
  EXPECT_EQ(tokens("# a; b \\\nc"), (V{"EOL:\n", "ESC:c", "EOL:", "EOF:"}));
}

TEST(Parser, BlanksHoldingALineEndEndTheCommand) {
  EXPECT_EQ(tokens("a \n b"), (V{"ESC:a", "EOL: \n ", "ESC:b", "EOL:", "EOF:"}));
}

TEST(Parser, BraceGroupsAreLiteralAndNest) {
  EXPECT_EQ(tokens("x {a {b} $c}"), (V{"ESC:x", "sep: ", "str:a {b} $c", "EOL:", "EOF:"}));
  // Quotes inside braces hide braces.
  EXPECT_EQ(tokens("{puts \"}\"}"), (V{"str:puts \"}\"", "EOL:", "EOF:"}));
  // An unterminated group runs to the end of the text.
  EXPECT_EQ(tokens("{abc"), (V{"str:abc", "EOL:", "EOF:"}));
}

TEST(Parser, ExpansionMarker) {
  EXPECT_EQ(tokens("{*}$a"), (V{"expand:", "var:a", "EOL:", "EOF:"}));
  EXPECT_EQ(tokens("{*} a"), (V{"ERR"}));
  // Not at the start of a brace group it is ordinary text.
  EXPECT_EQ(tokens("{a{*}}"), (V{"str:a{*}", "EOL:", "EOF:"}));
}

TEST(Parser, Variables) {
  EXPECT_EQ(tokens("$a(b c)x"), (V{"var:a(b c)", "ESC:x", "EOL:", "EOF:"}));
  EXPECT_EQ(tokens("$::g"), (V{"var:::g", "EOL:", "EOF:"}));
  EXPECT_EQ(tokens("$s.m"), (V{"var:s.m", "EOL:", "EOF:"}));
  EXPECT_EQ(tokens("${a b}"), (V{"var:{a b}", "EOL:", "EOF:"}));
  EXPECT_EQ(tokens("$a{b}"), (V{"var:a{b}", "EOL:", "EOF:"}));
  EXPECT_EQ(tokens("$$x"), (V{"var:$x", "EOL:", "EOF:"}));
  EXPECT_EQ(tokens("$ a"), (V{"str:$", "sep: ", "ESC:a", "EOL:", "EOF:"}));
  EXPECT_EQ(tokens("$(a)"), (V{"ERR"}));
  EXPECT_EQ(tokens("${a"), (V{"ERR"}));
  // A "(" without its ")" is left for the next token.
  EXPECT_EQ(tokens("$a(b"), (V{"var:a", "ESC:(b", "EOL:", "EOF:"}));
}

TEST(Parser, BracketedCommands) {
  EXPECT_EQ(tokens("[a [b] {]}]x"), (V{"cmd:a [b] {]}", "ESC:x", "EOL:", "EOF:"}));
  EXPECT_EQ(tokens("[abc"), (V{"cmd:abc", "EOL:", "EOF:"}));
}

TEST(Parser, QuotedWords) {
  EXPECT_EQ(tokens("\"a b\" c"), (V{"ESC:a b", "sep: ", "ESC:c", "EOL:", "EOF:"}));
  EXPECT_EQ(tokens("\"a $x b\""), (V{"ESC:a ", "var:x", "ESC: b", "EOL:", "EOF:"}));
  // A quoted word followed by ")" keeps its closing quote.
  EXPECT_EQ(tokens("\"a\")"), (V{"ESC:a\"", "ESC:)", "EOL:", "EOF:"}));
  // "$" before a quote is an ordinary character.
  EXPECT_EQ(tokens("a$\"b\""), (V{"ESC:a$\"b", "EOL:", "EOF:"}));
}

TEST(Parser, Backslashes) {
  // A backslash before a quote in a bare word keeps the quote ordinary.
  EXPECT_EQ(tokens("a\\\"b c"), (V{"ESC:a\\\"b", "sep: ", "ESC:c", "EOL:", "EOF:"}));
  // Backslash-space joins the next character to the word.
  EXPECT_EQ(tokens("a\\ b c"), (V{"ESC:a\\ b", "sep: ", "ESC:c", "EOL:", "EOF:"}));
  // A word ending in backslash and space at the end of the text ends there.
  EXPECT_EQ(tokens("a\\ "), (V{"ESC:a\\ ", "EOL:", "EOF:"}));
}

TEST(Parser, NulBytesAreOrdinaryCharacters) {
  std::string text("a\0b c", 5);
  auto t = tokens(text);
  ASSERT_EQ(t.size(), 5u);
  EXPECT_EQ(t[0], std::string("ESC:a\0b", 7));
}

}  // namespace
