// The help file "nuvel.man": where it is found, the lines of one topic as they
// are shown, the keyword search over all topics, and the display of a topic
// through the console pager.
//
// The file is plain text. A line "." followed by a name starts the topic of
// that name; lines starting with ".." are directives: colour blocks ("..red",
// "..yellow", "..orange", "..magenta", "..cyan", "..white", "..green",
// "..url..."), "..grey" (back to the normal colour), code blocks ("..code",
// "..html"), hidden blocks ("..link...", "..a...") and "..end", which ends the
// open block or, outside a block, the topic.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace syslib {

inline constexpr std::string_view kHelpFileName = "nuvel.man";

// Where help looks for its file, per interpreter: tests point `path` at a
// file of their own; empty means the usual places.
struct HelpFileState {
  std::string path;
};

// The places looked at, in order: "nuvel.man" in the current folder, then
// beside the executable, in its ../doc folder and in its ../share/nuvel folder.
std::vector<std::string> help_file_candidates();

// Reads the first help file that exists (or `override_path` alone when it is
// not empty) into `text`; false when there is none.
bool read_help_file(const std::string& override_path, std::string& text);

// One shown line of a topic.
struct TopicLine {
  std::string text;
  int colour = 7;      // colour of a plain or colour-block line
  bool code = false;   // inside a code block: command names are highlighted
  bool title = false;  // the first shown line of the topic
};

// The shown lines of `topic` (header compared without regard to case), or
// nullopt when the file has no such topic.
std::optional<std::vector<TopicLine>> read_topic(std::string_view file_text,
                                                 std::string_view topic);

// The keyword search: one line "%-25.25s %-54.54s" (topic, matching line) per
// topic appearance whose text contains `keyword` (any case), sorted without
// regard to case. Lines starting with ".." and lines containing "see also"
// do not match.
std::vector<std::string> find_topics(std::string_view file_text, std::string_view keyword);

// The keyword as the search uses it: surrounding double quotes removed,
// trailing tabs and line ends trimmed.
std::string clean_keyword(std::string_view keyword);

// A piece of a code line: a word or the separators between words.
struct CodePiece {
  std::string_view text;
  bool command = false;  // a word for which `is_command` answered true
};
using CommandTest = std::function<bool(std::string_view word)>;
std::vector<CodePiece> split_code_line(std::string_view line, const CommandTest& is_command);

// Shows a topic through the console pager (paging only when `paging`): the
// title in attribute 62 padded to 79 columns, colour blocks in their colour,
// command names of code lines highlighted. Returns 27 when Esc ended it.
int show_topic(const std::vector<TopicLine>& lines, const CommandTest& is_command, bool paging);

// Prints the search result: the header of the search, then each match with
// its topic in bright white.
void print_matches(const std::vector<std::string>& matches);

}  // namespace syslib
