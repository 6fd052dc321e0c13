// Path texts and name patterns of the file commands.
#include "syslib/path_text.h"

#include <utility>

#include "core/switches.h"
#include "platform/fs.h"

namespace syslib {

std::string file_word(const core::Value& word) {
  return core::switches().escape ? core::nuvelUnescape(word.view()) : std::string(word.view());
}

size_t last_separator(std::string_view path) {
  return path.find_last_of("/\\");
}

std::string forward_slashes(std::string_view path) {
  std::string out(path);
  for (char& c : out) {
    if (c == '\\') c = '/';
  }
  return out;
}

bool has_wildcards(std::string_view pattern) {
  for (size_t i = 0; i < pattern.size(); ++i) {
    char c = pattern[i];
    if (c == '\\') {
      ++i;
    } else if (c == '*' || c == '?' || c == '[') {
      return true;
    }
  }
  return false;
}

std::string unquote_pattern(std::string_view pattern) {
  std::string out;
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == '\\' && i + 1 < pattern.size()) ++i;
    out.push_back(pattern[i]);
  }
  return out;
}

namespace {

// Matches one "[...]" set at pattern[p] (just after "["); moves p past "]".
// A set without its "]" matches nothing.
bool set_match(std::string_view pattern, size_t& p, unsigned char c) {
  bool hit = false;
  while (p < pattern.size() && pattern[p] != ']') {
    unsigned char lo = static_cast<unsigned char>(pattern[p]);
    if (lo == '\\' && p + 1 < pattern.size()) lo = static_cast<unsigned char>(pattern[++p]);
    ++p;
    unsigned char hi = lo;
    if (p + 1 < pattern.size() && pattern[p] == '-' && pattern[p + 1] != ']') {
      hi = static_cast<unsigned char>(pattern[p + 1]);
      if (hi == '\\' && p + 2 < pattern.size()) {
        hi = static_cast<unsigned char>(pattern[p + 2]);
        ++p;
      }
      p += 2;
    }
    if (lo > hi) std::swap(lo, hi);
    if (c >= lo && c <= hi) hit = true;
  }
  if (p >= pattern.size()) return false;
  ++p;  // the "]"
  return hit;
}

}  // namespace

bool name_match(std::string_view pattern, std::string_view name) {
  // Iterative matching with one back-track point for the last "*": linear
  // in practice, never exponential.
  size_t p = 0, n = 0;
  size_t star_p = std::string_view::npos, star_n = 0;
  while (n < name.size()) {
    if (p < pattern.size()) {
      char pc = pattern[p];
      if (pc == '*') {
        star_p = ++p;
        star_n = n;
        continue;
      }
      if (pc == '?') {
        ++p;
        ++n;
        continue;
      }
      if (pc == '[') {
        size_t q = p + 1;
        if (set_match(pattern, q, static_cast<unsigned char>(name[n]))) {
          p = q;
          ++n;
          continue;
        }
      } else {
        if (pc == '\\' && p + 1 < pattern.size()) pc = pattern[++p];
        if (pc == name[n]) {
          ++p;
          ++n;
          continue;
        }
      }
    }
    if (star_p == std::string_view::npos) return false;
    p = star_p;
    n = ++star_n;
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

std::vector<std::string> expand_braces(std::string_view pattern) {
  // The first "{" with its matching "}" at the same depth.
  size_t open = std::string_view::npos;
  int depth = 0;
  std::vector<size_t> commas;
  size_t close = std::string_view::npos;
  for (size_t i = 0; i < pattern.size(); ++i) {
    char c = pattern[i];
    if (c == '\\') {
      ++i;
    } else if (c == '{') {
      if (depth++ == 0) open = i;
    } else if (c == '}' && depth > 0) {
      if (--depth == 0) {
        close = i;
        break;
      }
    } else if (c == ',' && depth == 1) {
      commas.push_back(i);
    }
  }
  if (open == std::string_view::npos || close == std::string_view::npos) {
    return {std::string(pattern)};
  }
  std::string_view head = pattern.substr(0, open);
  std::string_view tail = pattern.substr(close + 1);
  std::vector<std::string> out;
  size_t from = open + 1;
  commas.push_back(close);
  for (size_t to : commas) {
    std::string one(head);
    one.append(pattern.substr(from, to - from));
    one.append(tail);
    for (std::string& e : expand_braces(one)) out.push_back(std::move(e));
    from = to + 1;
  }
  return out;
}

namespace {

std::string join_path(std::string_view folder, std::string_view name) {
  std::string out(folder);
  if (!out.empty() && out.back() != '/') out.push_back('/');
  out.append(name);
  return out;
}

}  // namespace

void glob_paths(std::string_view pattern, std::string_view base, std::vector<std::string>& out) {
  std::vector<std::string_view> parts;
  size_t at = 0;
  while (at <= pattern.size()) {
    size_t slash = pattern.find('/', at);
    if (slash == std::string_view::npos) slash = pattern.size();
    if (slash > at) parts.push_back(pattern.substr(at, slash - at));
    at = slash + 1;
  }
  if (parts.empty()) {
    if (!pattern.empty()) out.push_back("/");  // the pattern "/"
    return;
  }
  bool absolute = pattern.front() == '/';
  // Where a shown path lives on disk.
  auto on_disk = [&](const std::string& shown) {
    if (absolute || base.empty()) return shown.empty() ? std::string(".") : shown;
    return join_path(base, shown);
  };
  std::vector<std::string> current{absolute ? "/" : ""};
  std::vector<platform::DirEntry> entries;
  for (size_t i = 0; i < parts.size() && !current.empty(); ++i) {
    bool last = i + 1 == parts.size();
    std::string_view part = parts[i];
    std::vector<std::string> next;
    for (const std::string& folder : current) {
      if (!has_wildcards(part)) {
        std::string path = join_path(folder, unquote_pattern(part));
        platform::FileFacts facts;
        if (platform::file_facts(on_disk(path), facts, false) == 0) {
          if (last || platform::is_directory(on_disk(path))) next.push_back(std::move(path));
        }
        continue;
      }
      if (platform::list_directory(on_disk(folder), entries) != 0) continue;
      bool dot_pattern = part[0] == '.' || (part.size() > 1 && part[0] == '\\' && part[1] == '.');
      for (const platform::DirEntry& e : entries) {
        if (e.name[0] == '.' && !dot_pattern) continue;
        if (!last && !e.is_dir) continue;
        if (name_match(part, e.name)) next.push_back(join_path(folder, e.name));
      }
    }
    current = std::move(next);
  }
  for (std::string& p : current) out.push_back(std::move(p));
}

}  // namespace syslib
