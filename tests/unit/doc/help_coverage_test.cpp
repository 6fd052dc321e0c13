// The help file and the command table cannot drift apart: every command of a
// fresh interpreter has a topic, and every topic names a command or one of
// the topics about the language itself.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <set>
#include <string>

#include "support/script_harness.h"

namespace {

// Topics that describe the language rather than one command.
const std::set<std::string> kLanguageTopics = {
    "nuvel",        "syntax",     "substitution",   "lists",        "expressions",
    "preprocessor", "options",    "error handling", "exit codes",   "coming from tcl",
    "variables",    "procedures", "flow control",   "command line",
};

std::string lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// Topic names of the help file, lower case (headers compare without case).
std::multiset<std::string> topics(const std::string& path) {
  std::ifstream in(path);
  std::multiset<std::string> names;
  std::string line;
  while (std::getline(in, line)) {
    size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos) continue;
    size_t end = line.find_last_not_of(" \t\r");
    std::string t = line.substr(start, end - start + 1);
    // ".." alone heads the topic of the dot command.
    if (t == ".." || (t.size() > 1 && t[0] == '.' && t[1] != '.')) names.insert(lower(t.substr(1)));
  }
  return names;
}

TEST(HelpFile, EveryCommandHasATopic) {
  const auto names = topics(NUVEL_SOURCE_DIR "/doc/nuvel.man");
  ASSERT_FALSE(names.empty());
  auto interp = testing_support::fresh_interp();
  int commands = 0;
  for (const core::CommandRecord& rec : interp->commands) {
    if (rec.is_proc) continue;
    ++commands;
    EXPECT_EQ(names.count(lower(rec.name)), 1u) << "command without one topic: " << rec.name;
  }
  EXPECT_GT(commands, 100);
}

TEST(HelpFile, EveryTopicNamesACommandOrTheLanguage) {
  auto interp = testing_support::fresh_interp();
  std::set<std::string> known = kLanguageTopics;
  for (const core::CommandRecord& rec : interp->commands) known.insert(lower(rec.name));
  for (const std::string& name : topics(NUVEL_SOURCE_DIR "/doc/nuvel.man")) {
    EXPECT_TRUE(known.count(name)) << "topic names no command: " << name;
  }
}

TEST(HelpFile, EveryLanguageTopicIsThere) {
  const auto names = topics(NUVEL_SOURCE_DIR "/doc/nuvel.man");
  for (const std::string& name : kLanguageTopics) {
    EXPECT_EQ(names.count(name), 1u) << "missing language topic: " << name;
  }
}

// A topic left open (a lost "..end", easy to get from a merge) would swallow
// the next topic: help would show both and the next could not be found.
TEST(HelpFile, EveryTopicAndBlockIsClosed) {
  std::ifstream in(NUVEL_SOURCE_DIR "/doc/nuvel.man");
  std::string line, topic;
  bool in_block = false;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos) continue;
    size_t end = line.find_last_not_of(" \t\r");
    std::string t = line.substr(start, end - start + 1);
    const bool header = t == ".." || (t.size() > 1 && t[0] == '.' && t[1] != '.');
    if (in_block) {
      EXPECT_FALSE(header) << "line " << number << ": topic " << t << " starts inside a block of "
                           << topic;
      if (t.rfind("..end", 0) == 0) in_block = false;
      continue;
    }
    if (header) {
      EXPECT_TRUE(topic.empty()) << "line " << number << ": topic " << t
                                 << " starts before the end of " << topic;
      topic = t;
    } else if (t == "..end") {
      topic.clear();
    } else if (t.rfind("..", 0) == 0 && t != "..grey") {
      in_block = true;  // colour, code and hidden blocks all end with "..end"
    }
  }
  EXPECT_FALSE(in_block) << "the last block is not closed";
  EXPECT_TRUE(topic.empty()) << "the last topic is not closed: " << topic;
}

}  // namespace
