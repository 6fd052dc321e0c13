// The help viewer: topic reading with its blocks, the keyword search, code
// highlighting and the help and find commands, including the "/?" path.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/script_harness.h"
#include "syslib/help_file.h"

namespace {

using syslib::TopicLine;

const char* const kFixture = NUVEL_SOURCE_DIR "/tests/unit/syslib/help_fixture.man";

std::string fixture_text() {
  std::string text;
  EXPECT_TRUE(syslib::read_help_file(kFixture, text));
  return text;
}

std::vector<std::string> texts(const std::vector<TopicLine>& lines) {
  std::vector<std::string> out;
  for (const TopicLine& l : lines) out.push_back(l.text);
  return out;
}

TEST(HelpTopic, BlocksHiddenLinesAndTheEnd) {
  auto lines = syslib::read_topic(fixture_text(), "ALPHA");
  ASSERT_TRUE(lines.has_value());
  EXPECT_EQ(texts(*lines), (std::vector<std::string>{
                               "alpha ?word?",
                               "Plain text of alpha mentions the Keyword.",
                               "red line",
                               "set x [alpha $alpha]",
                               "Second mention of keyword in alpha.",
                           }));
  EXPECT_TRUE((*lines)[0].title);
  EXPECT_FALSE((*lines)[1].title);
  EXPECT_EQ((*lines)[1].colour, 7);
  EXPECT_EQ((*lines)[2].colour, 12);
  EXPECT_TRUE((*lines)[3].code);
  EXPECT_FALSE((*lines)[4].code);
  EXPECT_EQ((*lines)[4].colour, 7);
}

TEST(HelpTopic, HeaderMustMatchWholeAndTabsExpand) {
  EXPECT_FALSE(syslib::read_topic(fixture_text(), "alph").has_value());
  EXPECT_FALSE(syslib::read_topic(fixture_text(), "nothing").has_value());
  auto lines = syslib::read_topic(fixture_text(), "alpha2  ");
  ASSERT_TRUE(lines.has_value());
  EXPECT_EQ(texts(*lines), std::vector<std::string>{"  tab  line with KEYWORD"});
}

TEST(HelpFind, EachTopicOnceSortedWithoutCase) {
  std::vector<std::string> matches = syslib::find_topics(fixture_text(), "keyword");
  ASSERT_EQ(matches.size(), 3u);
  // alpha matches once although three of its lines mention the keyword;
  // beta's "see also" and directive lines never match.
  EXPECT_EQ(matches[0].substr(0, 26), "Alpha                     ");
  EXPECT_EQ(matches[0].substr(26, 41), "Plain text of alpha mentions the Keyword.");
  EXPECT_EQ(matches[1].substr(0, 6), "alpha2");
  EXPECT_EQ(matches[1].substr(26, 22), "tab  line with KEYWORD");
  EXPECT_EQ(matches[2].substr(0, 5), "Gamma");
  EXPECT_EQ(matches[0].size(), 80u);
}

TEST(HelpFind, KeywordQuotesAndLineEndsGo) {
  EXPECT_EQ(syslib::clean_keyword("\"red line\"\t\n"), "red line");
  EXPECT_EQ(syslib::find_topics(fixture_text(), syslib::clean_keyword("\"red line\"")).size(), 1u);
  EXPECT_TRUE(syslib::find_topics(fixture_text(), "no such words").empty());
}

TEST(HelpCode, CommandWordsAreFoundButNotVariables) {
  auto is_command = [](std::string_view w) { return w == "set" || w == "llength"; };
  std::string highlighted;
  for (const auto& piece : syslib::split_code_line("set n [llength $set]; set", is_command)) {
    if (piece.command) highlighted += std::string(piece.text) + "|";
  }
  EXPECT_EQ(highlighted, "set|llength|set|");
}

// Runs a script with help reading `path`.
testing_support::ScriptRun run_with_help_file(const std::string& path, const char* script) {
  auto interp = testing_support::fresh_interp();
  interp->state<syslib::HelpFileState>().path = path;
  return testing_support::run_script(*interp, script);
}

TEST(HelpCommand, MissingFileAndMissingTopic) {
  auto run = run_with_help_file(NUVEL_SOURCE_DIR "/no/such/nuvel.man", "help puts");
  EXPECT_EQ(run.code, core::Code::Ok);
  EXPECT_EQ(run.output, "Help file 'nuvel.man' not found\n");
  run = run_with_help_file(kFixture, "help no  such topic ");
  EXPECT_EQ(run.code, core::Code::Ok);
  EXPECT_EQ(run.output, "Help topic 'no such topic' not found\n");
}

TEST(HelpCommand, ShowsATopicWithoutPagingThroughAPipe) {
  auto run = run_with_help_file(kFixture, "help gamma");
  EXPECT_EQ(run.code, core::Code::Ok);
  EXPECT_EQ(run.output, "gamma Keyword here" + std::string(79 - 18, ' ') + "\n");
}

TEST(HelpCommand, BannerWithoutWords) {
  auto run = run_with_help_file(kFixture, "help");
  EXPECT_NE(run.output.find("\n Useful Commands:\n\n help  topic          Show detailed help\n"),
            std::string::npos);
  EXPECT_NE(run.output.find(" nuvel.exe /?         Detailed command-line help\n\n"),
            std::string::npos);
}

TEST(HelpCommand, FindPrintsHeadersMatchesAndCount) {
  auto run = run_with_help_file(kFixture, "find keyword");
  EXPECT_EQ(run.code, core::Code::Ok);
  EXPECT_EQ(run.result, "3");
  const std::string header = " Help topics containing keyword 'keyword'";
  std::string expected = header + std::string(79 - header.size(), ' ') + "\n\n";
  expected += "Topic                     Text\n\n";
  for (const std::string& m : syslib::find_topics(fixture_text(), "keyword")) expected += m + "\n";
  expected += "\nFound 3 topic(s)\n";
  EXPECT_EQ(run.output, expected);
  run = run_with_help_file(kFixture, "find");
  EXPECT_EQ(run.output, "");
}

TEST(HelpCommand, QuestionMarkAndDashDashHelpShowTheTopic) {
  const std::string doc = NUVEL_SOURCE_DIR "/doc/nuvel.man";
  auto run = run_with_help_file(doc, "puts /?");
  EXPECT_EQ(run.code, core::Code::Ok);
  EXPECT_EQ(run.output.rfind("puts ?-nonewline?", 0), 0u) << run.output;
  run = run_with_help_file(doc, "lsort --HELP");
  EXPECT_EQ(run.output.rfind("lsort list-or-var", 0), 0u) << run.output;
  // Too many words ending in /? take the same road.
  run = run_with_help_file(doc, "lrange {a b} /?");
  EXPECT_EQ(run.output.rfind("lrange list first last", 0), 0u) << run.output;
  // A procedure gets its words as they are.
  run = run_with_help_file(doc, "proc p {a} {return <$a>}; p /?");
  EXPECT_EQ(run.result, "</?>");
  EXPECT_EQ(run.output, "");
}

}  // namespace
