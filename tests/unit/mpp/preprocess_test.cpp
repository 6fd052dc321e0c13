// The macro preprocessor through core::mpp_preprocess: comments, directives,
// macros, escapes, line joining, the balance checks with their messages, the
// optimising walk and the inputs that must neither crash nor hang.
#include <gtest/gtest.h>

#include <string>

#include "core/switches.h"
#include "mpp/mpp.h"
#include "platform/console.h"
#include "platform/identity.h"
#include "support/script_harness.h"

namespace {

struct PreRun {
  int rc = 0;
  std::string text;    // the processed text
  std::string output;  // what the run printed
};

// Captures console output for the length of a scope.
class Capture {
 public:
  Capture() { platform::set_capture(&sink_); }
  ~Capture() { platform::set_capture(nullptr); }
  Capture(const Capture&) = delete;
  Capture& operator=(const Capture&) = delete;
  const std::string& text() const { return sink_; }

 private:
  std::string sink_;
};

class PreprocessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = core::switches();
    core::process().ndebug = false;
    interp_ = testing_support::fresh_interp();
  }
  void TearDown() override {
    interp_.reset();
    core::switches() = saved_;
  }

  PreRun pre(std::string text, bool evaluate = true, std::string_view file = "") {
    PreRun r;
    Capture capture;
    r.rc = core::mpp_preprocess(*interp_, text, evaluate, file);
    r.text = std::move(text);
    r.output = capture.text();
    return r;
  }

  std::unique_ptr<core::Interp> interp_;
  core::Switches saved_;
};

// --- Comments and whitespace ---------------------------------------------------

TEST_F(PreprocessTest, CommentsLeaveNoBlankLines) {
  PreRun r = pre("set a 1\n# a comment\n## another\n#!shebang\nset b 2\n");
  EXPECT_EQ(r.text, "set a 1\nset b 2");
  EXPECT_EQ(r.rc, static_cast<int>(r.text.size()));
  EXPECT_EQ(r.output, "");
}

TEST_F(PreprocessTest, BlockCommentsAreDroppedAndCountLines) {
  PreRun r = pre("set a 1 /* one\ntwo\nthree */\nputs #__LINE__\n");
  EXPECT_EQ(r.text, "set a 1 \nputs 4");
  r = pre("a/**/b");
  EXPECT_EQ(r.text, "ab");
}

TEST_F(PreprocessTest, UnterminatedBlockCommentFailsTheRun) {
  // Nothing of the text runs: silently dropping what follows the "/*" would
  // run a truncated script.
  PreRun r = pre("set a 1\n/* never closed\nset b 2\n");
  EXPECT_EQ(r.rc, mpp::kCommentMismatch);
  EXPECT_EQ(r.text, "");
  EXPECT_EQ(r.output, "Error: Mismatched /* ... */ comment found near line 2\n");
  // A glob in a path is the usual way to open one by accident.
  r = pre("puts a\nset p /var/log/*.log\nputs b\n");
  EXPECT_EQ(r.rc, mpp::kCommentMismatch);
  EXPECT_NE(r.output.find("near line 2"), std::string::npos);
}

TEST_F(PreprocessTest, HashStartsADirectiveAnywhereOutsideStrings) {
  EXPECT_EQ(pre("set x a#b\nputs $x\n").text, "set x a\nputs $x");
  EXPECT_EQ(pre("puts \"a # b\"\n").text, "puts \"a # b\"");
  EXPECT_EQ(pre("set x 1 ;# note\n").text, "set x 1 ;");
}

TEST_F(PreprocessTest, TrailingBlanksAreDropped) {
  EXPECT_EQ(pre("set a 1   \t\nset b  2\n").text, "set a 1\nset b  2");
}

// --- Macros ------------------------------------------------------------------------

TEST_F(PreprocessTest, DefineReplacesWholeWords) {
  PreRun r = pre("#define PI 3.14159\nset r [* PI 2]\nputs PI\n");
  EXPECT_EQ(r.text, "set r [* 3.14159 2]\nputs 3.14159");
}

TEST_F(PreprocessTest, DefineWithoutValueIsOne) {
  EXPECT_EQ(pre("#define FLAG\nputs FLAG\n").text, "puts 1");
  EXPECT_EQ(pre("#define FLAG   \nputs FLAG\n").text, "puts 1");
}

TEST_F(PreprocessTest, MacrosApplyOnlyWhereAWordStarts) {
  // xTrue and my_False are identifiers of their own, not macros.
  PreRun r = pre("set xTrue 1\nset my_False 2\nset 9True 3\nputs True False\n");
  EXPECT_EQ(r.text, "set xTrue 1\nset my_False 2\nset 9True 3\nputs 1 0");
  // A word after another character still starts there.
  EXPECT_EQ(pre("puts $True [list True] {False}\n").text, "puts $1 [list 1] {0}");
}

TEST_F(PreprocessTest, MacroWordsEndAtTheDesignedTerminators) {
  // ';' and '"' do not end a word, so these are not looked up.
  EXPECT_EQ(pre("#define A x\nputs A;\nputs (A)\n").text, "puts A;\nputs (x)");
}

TEST_F(PreprocessTest, MacrosAreNotReplacedInsideStrings) {
  EXPECT_EQ(pre("#define A x\nputs \"A B\" A\n").text, "puts \"A B\" x");
}

TEST_F(PreprocessTest, MacroChainsAndInnerParts) {
  PreRun r = pre("#define A B\n#define B 42\nputs A\n");
  EXPECT_EQ(r.text, "puts 42");
  r = pre("#define ONE 1\n#define PAIR {ONE ONE}\nputs PAIR\n");
  EXPECT_EQ(r.text, "puts {1 1}");
}

TEST_F(PreprocessTest, QuotedValuesLoseTheirQuotes) {
  PreRun r = pre("#define MSG \"hello world\"\nputs [list MSG]\n");
  EXPECT_EQ(r.text, "puts [list hello world]");
  r = pre("#define Q \"say \\\"hi\\\"\"\nputs Q\n");
  EXPECT_EQ(r.text, "puts say \"hi\"");
  EXPECT_EQ(pre("#define E \"\"\nputs <E>\n").text, "puts <E>");
}

TEST_F(PreprocessTest, ValueStopsAtAComment) {
  EXPECT_EQ(pre("#define N 5 # five\nputs N\n").text, "puts 5");
}

TEST_F(PreprocessTest, UndefRemovesAMacro) {
  EXPECT_EQ(pre("#define N 5\nputs N\n#undef N\nputs N\n").text, "puts 5\nputs N");
}

TEST_F(PreprocessTest, SelfNamingMacrosEnd) {
  EXPECT_EQ(pre("#define X X\nputs X\n").text, "puts X");
  EXPECT_EQ(pre("#define A B\n#define B A\nputs A B\n").rc > 0, true);
}

TEST_F(PreprocessTest, MacroChainsStopAtTheStepLimit) {
  // M0 -> M1 -> ... -> M199: substitution follows 100 steps past the first
  // value, then replaces the final word once more.
  std::string text;
  for (int i = 0; i < 200; ++i) {
    text += "#define M" + std::to_string(i) + " M" + std::to_string(i + 1) + "\n";
  }
  text += "puts M0\n";
  EXPECT_EQ(pre(text).text, "puts M102");
  // A cycle met at definition time ends after its 1000 steps.
  PreRun r = pre("#define A B\n#define B A\n#define C A\nputs C\n");
  EXPECT_GT(r.rc, 0);
}

TEST_F(PreprocessTest, NdebugFlag) {
  (void)pre("#define NDEBUG\n");
  EXPECT_TRUE(core::process().ndebug);
  (void)pre("#undef ndebug\n");
  EXPECT_FALSE(core::process().ndebug);
}

TEST_F(PreprocessTest, LineMacro) {
  EXPECT_EQ(pre("puts __LINE__\n\nputs __LINE__ #__LINE__\n").text, "puts 1\n\nputs 3 3");
}

TEST_F(PreprocessTest, DefineAtTheVeryEnd) {
  PreRun r = pre("puts a\n#define");
  EXPECT_EQ(r.text, "puts a");
  r = pre("puts a\n#define LAST");
  EXPECT_EQ(r.text, "puts a");
  EXPECT_GE(r.rc, 0);
}

TEST_F(PreprocessTest, DeflistPrintsEveryMacro) {
  PreRun r = pre("#define PI 3.14\n#deflist\n");
  EXPECT_EQ(r.output,
            "True                          \t1\n"
            "False                         \t0\n"
            "__LINE__                      \t0\n"
            "PI                            \t3.14\n\n");
  EXPECT_EQ(r.text, "");
}

// --- Conditionals ------------------------------------------------------------------

TEST_F(PreprocessTest, IfdefKeepsOneBranch) {
  EXPECT_EQ(pre("#define A\n#ifdef A\nputs yes\n#else\nputs no\n#endif\n").text, "puts yes");
  EXPECT_EQ(pre("#ifdef A\nputs yes\n#else\nputs no\n#endif\n").text, "puts no");
  EXPECT_EQ(pre("#ifndef A\nputs yes\n#endif\nputs after\n").text, "puts yes\nputs after");
  EXPECT_EQ(pre("#IFDEF A\nputs yes\n#Endif\n").text, "");
}

TEST_F(PreprocessTest, SkippedBlocksIgnoreDirectivesAndQuotes) {
  PreRun r = pre("#ifdef NONE\n#define X 1\nputs \"open\n#exit now\n#endif\nputs X\n");
  EXPECT_EQ(r.text, "puts X");
  EXPECT_EQ(r.rc, 6);
}

TEST_F(PreprocessTest, NestedIfdefIsAnError) {
  PreRun r = pre("#define A\n#ifdef A\n#ifdef B\nputs x\n#endif\n#endif\n");
  EXPECT_EQ(r.rc, mpp::kIfWithoutEndif);
  EXPECT_EQ(r.output,
            "Preprocessor error near line 5\n"
            "Error: #if(def) without matching #endif, or nested #if(def) near line: 5\n"
            "       Did you intend a macro '#if' or the comment '# if' ?\n");
}

TEST_F(PreprocessTest, MissingEndif) {
  PreRun r = pre("puts a\n#ifdef A\nputs b\n");
  EXPECT_EQ(r.rc, mpp::kIfWithoutEndif);
  EXPECT_EQ(r.output,
            "Error: #if(def) without matching #endif, or nested #if(def) near line: 2\n"
            "       Did you intend a macro '#if' or the comment '# if' ?\n");
}

TEST_F(PreprocessTest, LoneEndif) {
  PreRun r = pre("puts a\n\n#endif\nputs b\n");
  EXPECT_EQ(r.rc, mpp::kUnexpectedEndif);
  EXPECT_EQ(r.output, "Preprocessor error near line 3\nError: Unexpected #endif near line: 3\n");
}

TEST_F(PreprocessTest, IfEvaluatesInAPrivateInterpreter) {
  PreRun r = pre("#if 1\nputs one\n#endif\n#if 0\nputs zero\n#endif\n");
  EXPECT_EQ(r.text, "puts one");
  r = pre("#if [eq a a]\nputs eq\n#endif\n#if {[eq a b]}\nputs ne\n#endif\n");
  EXPECT_EQ(r.text, "puts eq");
  // An empty result leaves the condition true.
  EXPECT_EQ(pre("#if \"\"\nputs empty\n#endif\n").text, "puts empty");
  // The caller's variables are out of reach, and #exec changes nothing here.
  (void)testing_support::run_script(*interp_, "set mine 1");
  r = pre("#exec set mine 2\n#exec set other 3\n#if [set other]\nputs seen\n#endif\n");
  EXPECT_EQ(r.text, "puts seen");
  EXPECT_EQ(testing_support::var_value(*interp_, "mine"), "1");
  EXPECT_EQ(testing_support::var_value(*interp_, "other"), "");
  EXPECT_EQ(core::_pglobal_interp, interp_.get());
}

TEST_F(PreprocessTest, IfSeesMacros) {
  EXPECT_EQ(pre("#define LEVEL 3\n#if [> LEVEL 2]\nputs high\n#endif\n").text, "puts high");
}

TEST_F(PreprocessTest, IfWithoutEvaluationCountsAsTrue) {
  EXPECT_EQ(pre("#if 0\nputs a\n#endif\n", false).text, "puts a");
}

TEST_F(PreprocessTest, FailingIfStopsTheRun) {
  PreRun r = pre("puts a\n#if [nosuchcommand_xyz]\nputs b\n#endif\n");
  EXPECT_EQ(r.rc, mpp::kIfWithoutEndif);
  EXPECT_NE(r.output.find("Error: Error in #if or #exec macro expression 'nosuchcommand_xyz'\n"),
            std::string::npos);
  EXPECT_NE(r.output.find("Preprocessor error near line 2\n"), std::string::npos);
  r = pre("puts a\n#exec error boom\nputs b\n");
  EXPECT_EQ(r.rc, mpp::kUnhandled);
  EXPECT_NE(r.output.find("Error: Error in #if or #exec macro expression 'error boom'\n"),
            std::string::npos);
  EXPECT_NE(r.output.find("Unhandled error near line 2\n"), std::string::npos);
  EXPECT_EQ(r.text, "puts a");
}

TEST_F(PreprocessTest, UnclosedCommentInIf) {
  PreRun r = pre("#exec set a 1 /* open\nputs b\n");
  EXPECT_EQ(r.rc, mpp::kUnhandled);
  EXPECT_NE(r.output.find("Error: Mismatched /* ... */ comment found\n"), std::string::npos);
}

TEST_F(PreprocessTest, AutoexecIsOffDuringTheRunAndRestored) {
  core::switches().autoexec = 1;
  PreRun r = pre("#exec set ::seen [option autoexec]\n#if [eq [set ::seen] OFF]\nok\n#endif\n");
  EXPECT_EQ(r.text, "ok");
  EXPECT_EQ(core::switches().autoexec, 1);
}

// --- Exit, echo --------------------------------------------------------------------

TEST_F(PreprocessTest, ExitStopsTheScan) {
  PreRun r = pre("puts a\nputs b\n#exit\nputs c\n{{{\n");
  EXPECT_EQ(r.rc, mpp::kExitRequested);
  EXPECT_EQ(r.text, "puts a\nputs b");
  EXPECT_EQ(r.output, "");
  // Fewer than two characters after it: an ordinary end.
  r = pre("puts a\n#exit\n");
  EXPECT_EQ(r.rc, 6);
}

TEST_F(PreprocessTest, EchoPrintsAtPreprocessingTime) {
  PreRun r = pre("#define WHO world\n#echo \"hello WHO\\tnow\" # comment\nputs a\n#echo\n");
  EXPECT_EQ(r.output, "hello world\tnow\n\n");
  EXPECT_EQ(r.text, "puts a");
  r = pre("#echo oops /* open\nputs a\n");
  EXPECT_EQ(r.output,
            "Error: Mismatched /* ... */ comment\nPreprocessor error near line 1\n"
            "Unhandled error near line 1\n");
  EXPECT_EQ(r.rc, mpp::kUnhandled);
}

// --- Escapes and line joining ----------------------------------------------------

TEST_F(PreprocessTest, EscapesWithEscapeOn) {
  core::switches().escape = 1;
  EXPECT_EQ(pre("puts \"a\\tb\\n\"").text, "puts \"a\tb\n\"");
  EXPECT_EQ(pre("puts \"\\x41\\x22\\x00\\101\\0\"").text, "puts \"A\\x22\\x00A?\"");
  EXPECT_EQ(pre("puts \"\\\" \\\\ \\q\"").text, "puts \"\\\" \\\\ \\q\"");
  // Fewer than two characters after \x: ordinary.
  EXPECT_EQ(pre("puts \\x1").text, "puts \\x1");
}

TEST_F(PreprocessTest, BadHexEscape) {
  core::switches().escape = 1;
  PreRun r = pre("puts a\nputs \"\\xZZ\"\n");
  EXPECT_EQ(r.rc, mpp::kBadEscape);
  EXPECT_EQ(r.output, "Error: Invalid Hex or Octal escape sequence near line 2\n");
}

TEST_F(PreprocessTest, EscapesWithEscapeOff) {
  core::switches().escape = 0;
  EXPECT_EQ(pre("puts \"a\\tb \\xZZ\"").text, "puts \"a\\tb \\xZZ\"");
  // A quote or brace after a backslash is not counted.
  EXPECT_EQ(pre("puts \\\" \\{").rc, 10);
}

TEST_F(PreprocessTest, EscapedBracketsAreNotCounted) {
  core::switches().escape = 1;
  PreRun r = pre("set a {\\}}\nset b \\[\n");
  EXPECT_EQ(r.rc, static_cast<int>(r.text.size()));
  EXPECT_EQ(r.text, "set a {\\}}\nset b \\[");
}

TEST_F(PreprocessTest, BackslashJoinsLines) {
  PreRun r = pre("puts a \\\n  b\nputs #__LINE__\n");
  EXPECT_EQ(r.text, "puts a   b\nputs 3");
}

// --- Balance checks -----------------------------------------------------------------

TEST_F(PreprocessTest, MissingClosingBrace) {
  PreRun r = pre("puts a\nproc f {} {\n  puts b\n\nputs c\n");
  EXPECT_EQ(r.rc, mpp::kBraceMismatch);
  EXPECT_EQ(r.output,
            "Error: 1 too many { braces\n"
            "Error: Open brace started at line 2, last closing brace at 2\n");
  EXPECT_NE(r.text.find("puts c"), std::string::npos);
}

TEST_F(PreprocessTest, SurplusClosingBraceStopsTheScan) {
  PreRun r = pre("set a {x}\n}\nputs never\n");
  EXPECT_EQ(r.rc, mpp::kBraceMismatch);
  EXPECT_EQ(r.output,
            "Error: 1 too many } braces\n"
            "Error: Open brace started at line 1, last closing brace at 2\n");
  EXPECT_EQ(r.text.find("never"), std::string::npos);
}

TEST_F(PreprocessTest, BracketsAndParentheses) {
  PreRun r = pre("puts a\nset b [list 1\nputs c\n");
  EXPECT_EQ(r.rc, mpp::kBracketMismatch);
  EXPECT_EQ(r.output, "Error: 1 too many '[' brackets. Missing ']' bracket(s) near line 2\n");
  r = pre("puts a]\n\nputs b]\n");
  EXPECT_EQ(r.output, "Error: 2 too many ']' brackets. Missing '[' bracket(s) near line 3\n");
  r = pre("set a(1 2\n");
  EXPECT_EQ(r.rc, mpp::kParenMismatch);
  EXPECT_EQ(r.output, "Error: 1 too many ( brackets\n");
  r = pre("puts )\n");
  EXPECT_EQ(r.output, "Error: 1 too many ) brackets\n");
}

TEST_F(PreprocessTest, BracketsInsideStringsAreNotCounted) {
  PreRun r = pre("puts \"{ [ (\"\n");
  EXPECT_EQ(r.rc, static_cast<int>(r.text.size()));
}

TEST_F(PreprocessTest, OddQuotes) {
  PreRun r = pre("puts \"abc\n");
  EXPECT_EQ(r.rc, mpp::kQuoteMismatch);
  EXPECT_EQ(r.output, "Error: Mismatched double quotes (1)\n");
}

TEST_F(PreprocessTest, UnclosedQuotedDefineFailsAtTheLineEnd) {
  PreRun r = pre("puts a\n#define S \"open\nputs b\n");
  EXPECT_EQ(r.rc, mpp::kQuoteMismatch);
  EXPECT_EQ(r.output,
            "Error: Quote mismatch near line 2 (Count:1)\n"
            "       Check \\\\path escapes, \\\" combinations and mismatched \"quotes\n"
            "Error: Mismatched double quotes (1)\n");
  EXPECT_EQ(r.text, "");
}

TEST_F(PreprocessTest, LineNumbersInLongFiles) {
  std::string text;
  for (int i = 0; i < 5000; ++i) text += "set a" + std::to_string(i) + " {x}\n";
  text += "proc late {} {\n";
  for (int i = 0; i < 100; ++i) text += "  puts x\n";
  PreRun r = pre(text);
  EXPECT_EQ(r.rc, mpp::kBraceMismatch);
  EXPECT_EQ(r.output,
            "Error: 1 too many { braces\n"
            "Error: Open brace started at line 5001, last closing brace at 5001\n");
}

// --- Optimising walk ----------------------------------------------------------------

TEST_F(PreprocessTest, ExprKeepsItsBraces) {
  PreRun r = pre("puts [expr {2*3+4*5}]\n");
  EXPECT_EQ(r.text, "puts [expr {2*3+(4*5)}]");
  // Without braces, none are added.
  EXPECT_EQ(pre("puts [expr 1+2*3]\n").text, "puts [expr 1+(2*3)]");
  EXPECT_EQ(pre("puts [expr ]\n").text, "puts [expr {}]");
}

TEST_F(PreprocessTest, ExprBracesProtectAgainstInjection) {
  std::string script = "set v {[set injected 1]}\nset r [expr {$v == 0}]\n";
  PreRun r = pre(script);
  ASSERT_GT(r.rc, 0);
  testing_support::ScriptRun run = testing_support::run_script(*interp_, r.text);
  (void)run;
  EXPECT_EQ(testing_support::var_value(*interp_, "injected"), "");
}

TEST_F(PreprocessTest, CalcBecomesPrefixCommands) {
  EXPECT_EQ(pre("puts [calc 1+2*3]\n").text, "puts [+ 1 [* 2 3]]");
  EXPECT_EQ(pre("puts [calc {$a > 2 ? 10 : 20}]\n").text, "puts [? [> $a 2] 10 20]");
  EXPECT_EQ(pre("puts [calc 1?2:3]\n").text, "puts [? 1 2 3]");
  EXPECT_EQ(pre("puts [calc ]\n").text, "puts [expr {}]");
  EXPECT_EQ(pre("puts [calc True+1 -explain]\n").text, "puts [+ 1 1]");
  // A lone operand is no command: the form stays for run time.
  EXPECT_EQ(pre("puts [calc $a]\n").text, "puts [calc $a]");
}

TEST_F(PreprocessTest, UnmatchedFormFailsTheRun) {
  core::switches().escape = 0;
  PreRun r = pre("puts a\nputs \"[expr 1+2\"\n");
  EXPECT_EQ(r.rc, mpp::kNoText);
  EXPECT_EQ(r.output, "Bad preprocessor expression at line 2, near '[expr 1+2\"\n'\n");
  EXPECT_EQ(r.text, "");
}

// --- Inputs that must not crash or hang ----------------------------------------------

TEST_F(PreprocessTest, ThousandsOfOpenBraces) {
  std::string text(1500, '{');
  PreRun r = pre(text);
  EXPECT_EQ(r.rc, mpp::kBraceMismatch);
  EXPECT_EQ(r.output,
            "Error: 1500 too many { braces\nError: Open brace started at line 1, last closing "
            "brace at 0\n");
  // Balanced beyond the capacity of the line stack.
  text += std::string(1500, '}');
  r = pre(text);
  EXPECT_EQ(r.rc, 3000);
}

TEST_F(PreprocessTest, NulBytesAndEmptyText) {
  std::string text("puts a\0b\n#define N\0X 1\n", 23);
  PreRun r = pre(text);
  EXPECT_GT(r.rc, 0);
  EXPECT_EQ(r.text, std::string("puts a\0b", 8));
  EXPECT_EQ(pre("").rc, 0);
  EXPECT_EQ(pre(" \n\t\n").rc, 0);
}

TEST_F(PreprocessTest, LongWordsWithoutTerminators) {
  std::string text = "puts ";
  for (int i = 0; i < 200000; ++i) text += "a.";
  text += "\n";
  PreRun r = pre(text);
  EXPECT_EQ(r.rc, static_cast<int>(text.size() - 1));
}

TEST_F(PreprocessTest, PrivateInterpreterIsMadeOnlyWhenNeeded) {
  core::Interp* before = core::_pglobal_interp;
  (void)pre("#define A 1\nputs A\n");
  EXPECT_EQ(core::_pglobal_interp, before);
  (void)pre("#if 1\n#endif\n");
  EXPECT_EQ(core::_pglobal_interp, before);
}

TEST_F(PreprocessTest, FileMacro) {
  PreRun r = pre("puts #__FILE__\n", true, "/tmp/x/../script.tcl");
  EXPECT_EQ(r.text, "puts /tmp/script.tcl");
  EXPECT_EQ(pre("puts #__FILE__\n").text, "puts <unknown>");
  r = pre("puts #__DATE__ #__TIME__ #__USER__ #__HOST__\n");
  // "puts YYYYMMDD HH:MM:SS user host"
  std::string shape = r.text.substr(0, 23);
  for (char& c : shape) {
    if (c >= '0' && c <= '9') c = '9';
  }
  EXPECT_EQ(shape, "puts 99999999 99:99:99 ") << r.text;
  EXPECT_GT(r.text.size(), 24u);
  std::string user = platform::user_name();
  if (!user.empty()) {
    EXPECT_NE(r.text.find(" " + user + " "), std::string::npos);
  }
}

}  // namespace
