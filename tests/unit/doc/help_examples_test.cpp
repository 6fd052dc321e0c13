// Every code block of the help file is a script that runs without error in a
// fresh interpreter, so the examples users copy from the help always work.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/switches.h"
#include "support/script_harness.h"

namespace {

struct Example {
  std::string topic;
  int line = 0;
  std::string code;
};

std::vector<Example> read_examples(const std::string& path) {
  std::ifstream in(path);
  std::vector<Example> out;
  std::string line, topic;
  bool in_code = false;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    std::string trimmed = line;
    while (!trimmed.empty() && (trimmed.back() == ' ' || trimmed.back() == '\t')) {
      trimmed.pop_back();
    }
    size_t start = trimmed.find_first_not_of(" \t");
    trimmed = start == std::string::npos ? "" : trimmed.substr(start);
    if (in_code) {
      if (trimmed == "..end") {
        in_code = false;
      } else {
        out.back().code += line + "\n";
      }
      continue;
    }
    if (trimmed.rfind("..code", 0) == 0) {
      in_code = true;
      out.push_back(Example{topic, number, ""});
    } else if (trimmed == ".." || (trimmed.size() > 1 && trimmed[0] == '.' && trimmed[1] != '.')) {
      topic = trimmed.substr(1);
    }
  }
  return out;
}

TEST(HelpFile, EveryExampleRuns) {
  std::vector<Example> examples = read_examples(NUVEL_SOURCE_DIR "/doc/nuvel.man");
  ASSERT_FALSE(examples.empty());
  // An unknown name must fail here, not run as a program.
  const auto saved_autoexec = core::switches().autoexec;
  core::switches().autoexec = 0;
  for (const Example& ex : examples) {
    testing_support::ScriptRun run = testing_support::run_script(ex.code);
    EXPECT_EQ(run.code, core::Code::Ok)
        << "topic " << ex.topic << " (line " << ex.line << "): " << run.errorMsg << "\n"
        << ex.code;
  }
  core::switches().autoexec = saved_autoexec;
}

}  // namespace
