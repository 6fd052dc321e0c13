// The help file reader: topic display and keyword search over "nuvel.man".
#include "syslib/help_file.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "platform/console.h"
#include "platform/files.h"
#include "platform/system.h"
#include "syslib/console_layer.h"

namespace syslib {
namespace {

constexpr int kTitleAttribute = 62;  // yellow on dark cyan
constexpr int kMatchTopicColour = 15;
constexpr int kCommandColour = 14;
constexpr int kNormalColour = 7;
constexpr size_t kTitleWidth = 79;

char lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool same_text_any_case(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

bool contains_any_case(std::string_view text, std::string_view part) {
  if (part.empty()) return true;
  auto it = std::search(text.begin(), text.end(), part.begin(), part.end(),
                        [](char x, char y) { return lower(x) == lower(y); });
  return it != text.end();
}

bool starts_with(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

bool is_blank(char c) {
  return c == ' ' || c == '\t';
}

std::string_view trim(std::string_view text) {
  while (!text.empty() && is_blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && is_blank(text.back())) text.remove_suffix(1);
  return text;
}

// The file as lines: tabs become two spaces, line ends (also "\r\n") and
// trailing blanks go. Leading blanks stay, so code keeps its indentation.
std::vector<std::string> file_lines(std::string_view text) {
  std::vector<std::string> lines;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string line;
    for (char c : text.substr(pos, end - pos)) {
      if (c == '\t') {
        line += "  ";
      } else if (c != '\r') {
        line += c;
      }
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    lines.push_back(std::move(line));
    pos = end + 1;
  }
  return lines;
}

// A topic header: one dot and a name. A line of two dots alone heads the
// topic of the dot command (directives always have a word after the dots).
bool is_header(std::string_view trimmed) {
  return trimmed == ".." || (trimmed.size() > 1 && trimmed[0] == '.' && trimmed[1] != '.');
}

// Colour of a colour-block directive, or -1.
int block_colour(std::string_view directive) {
  struct Named {
    std::string_view name;
    int colour;
  };
  static constexpr Named kColours[] = {
      {"..red", 12},  {"..yellow", 14}, {"..orange", 6}, {"..magenta", 13},
      {"..cyan", 11}, {"..white", 15},  {"..green", 10},
  };
  for (const Named& n : kColours) {
    if (directive == n.name) return n.colour;
  }
  if (starts_with(directive, "..url")) return 9;
  return -1;
}

std::string padded(std::string_view text, size_t width) {
  std::string out(text);
  if (out.size() < width) out.append(width - out.size(), ' ');
  return out;
}

void write_topic_line(const TopicLine& line, const CommandTest& is_command) {
  if (line.title) {
    platform::set_attribute(kTitleAttribute);
    platform::out(padded(line.text, kTitleWidth));
    platform::reset_attribute();
    platform::out("\n");
    return;
  }
  if (line.code) {
    for (const CodePiece& piece : split_code_line(line.text, is_command)) {
      if (piece.command) {
        platform::set_foreground(kCommandColour);
        platform::out(piece.text);
        platform::set_foreground(kNormalColour);
      } else {
        platform::out(piece.text);
      }
    }
    platform::out("\n");
    return;
  }
  if (line.colour != kNormalColour) {
    platform::set_foreground(line.colour);
    platform::out(line.text);
    platform::reset_attribute();
  } else {
    platform::out(line.text);
  }
  platform::out("\n");
}

}  // namespace

std::vector<std::string> help_file_candidates() {
  std::vector<std::string> places{std::string(kHelpFileName)};
  const std::string exe = platform::executable_path();
  if (!exe.empty()) {
    const std::filesystem::path dir = std::filesystem::path(exe).parent_path();
    places.push_back((dir / kHelpFileName).string());
    places.push_back((dir / ".." / "doc" / kHelpFileName).lexically_normal().string());
    places.push_back((dir / ".." / "share" / "nuvel" / kHelpFileName).lexically_normal().string());
  }
  return places;
}

bool read_help_file(const std::string& override_path, std::string& text) {
  if (!override_path.empty()) return platform::read_file(override_path, text);
  for (const std::string& place : help_file_candidates()) {
    if (platform::file_exists(place) && !platform::path_is_directory(place) &&
        platform::read_file(place, text)) {
      return true;
    }
  }
  return false;
}

// Showing a topic: lines are skipped until the header; then blocks open and
// close by their directives, other directive lines are not shown, and "..end"
// outside a block ends the topic.
std::optional<std::vector<TopicLine>> read_topic(std::string_view file_text,
                                                 std::string_view topic) {
  std::string wanted = ".";
  wanted += topic;
  while (!wanted.empty() && (wanted.back() == ' ' || wanted.back() == '\t' ||
                             wanted.back() == '\n' || wanted.back() == '\r')) {
    wanted.pop_back();
  }
  enum class Block { None, Colour, Code, Hidden };
  std::vector<TopicLine> shown;
  bool found = false;
  Block block = Block::None;
  int colour = kNormalColour;
  for (const std::string& line : file_lines(file_text)) {
    std::string_view t = trim(line);
    if (!found) {
      found = is_header(t) && same_text_any_case(t, wanted);
      continue;
    }
    if (block == Block::Hidden) {
      if (starts_with(t, "..end")) block = Block::None;
      continue;
    }
    if (t == "..end") {
      if (block == Block::None) break;
      block = Block::None;
      colour = kNormalColour;
      continue;
    }
    if (int c = block_colour(t); c >= 0) {
      block = Block::Colour;
      colour = c;
      continue;
    }
    if (t == "..grey") {
      colour = kNormalColour;
      continue;
    }
    if (t == "..code" || t == "..html") {
      block = Block::Code;
      colour = kNormalColour;
      continue;
    }
    if (starts_with(t, "..link") || starts_with(t, "..a")) {
      block = Block::Hidden;
      continue;
    }
    if (starts_with(t, ".")) continue;
    TopicLine out;
    out.text = line;
    out.colour = colour;
    out.code = block == Block::Code;
    out.title = shown.empty();
    shown.push_back(std::move(out));
  }
  if (!found) return std::nullopt;
  return shown;
}

std::string clean_keyword(std::string_view keyword) {
  std::string k(keyword);
  while (!k.empty() && (k.back() == '\t' || k.back() == '\n' || k.back() == '\r')) k.pop_back();
  if (k.size() >= 2 && k.front() == '"' && k.back() == '"') k = k.substr(1, k.size() - 2);
  return k;
}

std::vector<std::string> find_topics(std::string_view file_text, std::string_view keyword) {
  std::vector<std::string> matches;
  std::string topic;
  for (const std::string& line : file_lines(file_text)) {
    std::string_view t = trim(line);
    if (is_header(t)) {
      topic = std::string(t.substr(1));
      continue;
    }
    if (topic.empty() || starts_with(t, "..") || !contains_any_case(t, keyword) ||
        contains_any_case(t, "see also")) {
      continue;
    }
    char row[128];
    std::snprintf(row, sizeof row, "%-25.25s %-54.54s", topic.c_str(), std::string(t).c_str());
    matches.emplace_back(row);
    // Each appearance of a topic yields one match.
    topic.clear();
  }
  std::stable_sort(matches.begin(), matches.end(), [](const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](char x, char y) { return lower(x) < lower(y); });
  });
  return matches;
}

// Words of a code line are the runs between blanks and the characters that
// group or substitute ([ ] { } " ; $): a word right after "$" is a variable
// name, never a command.
std::vector<CodePiece> split_code_line(std::string_view line, const CommandTest& is_command) {
  auto separator = [](char c) {
    return c == ' ' || c == '\t' || c == '[' || c == ']' || c == '{' || c == '}' || c == '"' ||
           c == ';';
  };
  std::vector<CodePiece> pieces;
  size_t pos = 0;
  while (pos < line.size()) {
    size_t end = pos;
    if (separator(line[pos])) {
      while (end < line.size() && separator(line[end])) ++end;
      pieces.push_back({line.substr(pos, end - pos), false});
    } else {
      while (end < line.size() && !separator(line[end])) ++end;
      std::string_view word = line.substr(pos, end - pos);
      pieces.push_back({word, word[0] != '$' && is_command(word)});
    }
    pos = end;
  }
  return pieces;
}

int show_topic(const std::vector<TopicLine>& lines, const CommandTest& is_command, bool paging) {
  return console_pager(
      lines.size(), [&](size_t index) { write_topic_line(lines[index], is_command); }, paging);
}

void print_matches(const std::vector<std::string>& matches) {
  platform::clear_screen();
  platform::set_attribute(kTitleAttribute);
  platform::out("Topic                     Text");
  platform::clear_to_eol();
  platform::reset_attribute();
  platform::out("\n\n");
  for (const std::string& match : matches) {
    std::string_view m = match;
    platform::set_foreground(kMatchTopicColour);
    platform::out(m.substr(0, 25));
    platform::reset_attribute();
    if (m.size() > 25) platform::out(m.substr(25));
    platform::out("\n");
  }
}

}  // namespace syslib
