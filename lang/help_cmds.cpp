// The help commands: `help` shows a topic of the help file, `find` lists the
// topics that mention a keyword.
#include <cstdio>
#include <string>

#include "core/cmd_helpers.h"
#include "expr/expr_engine.h"
#include "platform/console.h"
#include "syslib/console_layer.h"
#include "syslib/help_file.h"

namespace lang {
namespace {

using core::Code;
using core::CommandRow;
using core::Interp;
using core::kAnyWords;
using core::kUnsafe;
using core::message_of;
using core::Msg;
using core::nuvelGetCommand;
using core::nuvelResetResult;
using core::register_rows;
using core::result_int;
using core::Value;

// The lines `help` prints without a topic, after the product banner.
constexpr const char* kHelpBanner[] = {
    " Useful Commands:",
    "",
    " help  topic          Show detailed help",
    " find  keyword        List topics containing keyword",
    " run   ?filename?     Run a script file",
    " option               Show the current option settings",
    " <command>            Run a Windows command if autoexec is on",
    " exit ?n?             Exit the Nuvel shell with optional errorlevel",
    " nuvel.exe /?         Detailed command-line help",
    "",
};

// Words that code examples show highlighted: registered commands, the
// at_exit procedure name and the expression functions.
syslib::CommandTest command_test(Interp& interp) {
  return [&interp](std::string_view word) {
    return word == "at_exit" || nuvelGetCommand(interp, word) != nullptr ||
           expr::is_expr_function(word);
  };
}

// The words from argv[1] on, joined with single blanks.
std::string joined_words(int argc, const Value* argv) {
  std::string text;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) text += ' ';
    text += argv[i].view();
  }
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

// help ?topic ...?
// Without words prints the banner and the useful commands; with words shows
// the topic they name, paging only on a terminal. A missing file or topic is
// reported on the console. Result: empty; the code is always ok.
Code nuvelCommandHelp(Interp& interp, int argc, Value* argv, void*) {
  nuvelResetResult(interp);
  if (argc < 2) {
    for (std::string_view line : syslib::banner_lines()) {
      platform::out(line);
      platform::out("\n");
    }
    for (const char* line : kHelpBanner) {
      platform::out(line);
      platform::out("\n");
    }
    return Code::Ok;
  }
  const std::string topic = joined_words(argc, argv);
  std::string text;
  if (!syslib::read_help_file(interp.state<syslib::HelpFileState>().path, text)) {
    platform::out(message_of(interp, Msg::HelpFileNotFound, syslib::kHelpFileName));
    return Code::Ok;
  }
  auto lines = syslib::read_topic(text, topic);
  if (!lines) {
    platform::out(message_of(interp, Msg::HelpTopicNotFound, topic));
    return Code::Ok;
  }
  // Pages only on a terminal, and only when the topic does not fit on one
  // screen, so a short topic never waits for a key.
  const bool paging = platform::is_terminal_output() &&
                      static_cast<int>(lines->size()) > platform::window_rows() - 2;
  syslib::show_topic(*lines, command_test(interp), paging);
  return Code::Ok;
}

// find ?keyword ...?
// Lists the topics whose text contains the keyword, each topic once per
// appearance, sorted, and the number found. Result: the number of topics.
Code nuvelCommandFind(Interp& interp, int argc, Value* argv, void*) {
  nuvelResetResult(interp);
  if (argc < 2) return Code::Ok;
  const std::string keyword = syslib::clean_keyword(joined_words(argc, argv));
  char header[128];
  std::snprintf(header, sizeof header, "%-79.79s",
                (" Help topics containing keyword '" + keyword + "'").c_str());
  platform::set_attribute(62);
  platform::out(header);
  platform::reset_attribute();
  platform::out("\n\n");
  std::string text;
  if (!syslib::read_help_file(interp.state<syslib::HelpFileState>().path, text)) {
    platform::out(message_of(interp, Msg::HelpFileNotFound, syslib::kHelpFileName));
    return result_int(interp, 0);
  }
  const std::vector<std::string> matches = syslib::find_topics(text, keyword);
  syslib::print_matches(matches);
  platform::outf("\nFound %i topic(s)\n", static_cast<int>(matches.size()));
  return result_int(interp, static_cast<int64_t>(matches.size()));
}

const CommandRow kHelpCommands[] = {
    {"help", nuvelCommandHelp, 1, kAnyWords, "?topic ...?", kUnsafe},
    {"find", nuvelCommandFind, 1, kAnyWords, "?keyword ...?", kUnsafe},
};

}  // namespace

[[gnu::section(".text.startup.register")]] void register_help_cmds(Interp& interp) {
  register_rows(interp, kHelpCommands);
}

}  // namespace lang
