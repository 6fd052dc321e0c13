// List readers and the list writer.
#include "expr/list_value.h"

namespace expr {
namespace {

inline bool is_list_space(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

}  // namespace

std::vector<Value> list_read_standard(std::string_view text, bool* warning, bool keep_empty) {
  std::vector<Value> out;
  size_t i = 0;
  size_t n = text.size();
  while (i < n && is_list_space(text[i])) ++i;
  while (n > i && is_list_space(text[n - 1])) --n;
  if (i >= n) return out;
  int depth = 0;
  bool in_quote = false;
  bool explicit_empty = false;  // current element was written as {} or ""
  char prev = ' ';
  std::string element;
  bool pending = false;  // an element has started
  for (; i < n; ++i) {
    char c = text[i];
    if (depth == 0 && !in_quote) {
      if (c == '\t') continue;
      if (c == ' ' || c == '\r' || c == '\n') {
        if (prev != ' ' && prev != '\r' && prev != '\n') {
          out.emplace_back(std::move(element));
          element.clear();
          pending = false;
          explicit_empty = false;
        }
        prev = c;
        continue;
      }
    }
    if (c == '"' && depth == 0) {
      in_quote = !in_quote;
      pending = true;
      if (!in_quote) {
        explicit_empty = element.empty();
        if (i + 1 < text.size() && (text[i + 1] == '\r' || text[i + 1] == '\n') && warning) {
          *warning = true;
        }
      }
      prev = c;
      continue;
    }
    if (!in_quote && c == '{') {
      if (depth++ > 0) element.push_back(c);
      pending = true;
      prev = c;
      continue;
    }
    if (!in_quote && c == '}' && depth > 0) {
      if (--depth > 0) {
        element.push_back(c);
      } else {
        explicit_empty = element.empty();
      }
      prev = c;
      continue;
    }
    element.push_back(c);
    pending = true;
    explicit_empty = false;
    prev = c;
  }
  if (!element.empty() || (pending && keep_empty && explicit_empty)) {
    out.emplace_back(std::move(element));
  }
  return out;
}

namespace {

// Copies a backslash and the character after it (when there is one).
inline void copy_escape(std::string_view text, size_t& i, std::string& element) {
  element.push_back(text[i++]);
  if (i < text.size()) element.push_back(text[i++]);
}

void trim_trailing_space(std::string& element) {
  while (!element.empty() && is_list_space(element.back())) element.pop_back();
}

}  // namespace

std::vector<Value> list_read_words(std::string_view text) {
  std::vector<Value> out;
  const size_t n = text.size();
  size_t i = 0;
  while (i < n && is_list_space(text[i])) ++i;
  std::string element;
  while (i < n) {
    char c = text[i];
    element.clear();
    if (c == '"') {
      // "..." : everything up to the next quote, stored even when empty.
      ++i;
      while (i < n && text[i] != '"') {
        if (text[i] == '\\') {
          copy_escape(text, i, element);
        } else {
          element.push_back(text[i++]);
        }
      }
      if (i < n) {
        ++i;
        out.emplace_back(std::move(element));
      } else {
        trim_trailing_space(element);
        if (!element.empty()) out.emplace_back(std::move(element));
      }
      continue;
    }
    if (c == '{') {
      // {...} : up to the matching brace, stored even when empty; the one
      // character after the closing brace is skipped.
      ++i;
      int depth = 1;
      while (i < n) {
        char d = text[i];
        if (d == '\\') {
          copy_escape(text, i, element);
          continue;
        }
        if (d == '{') ++depth;
        if (d == '}' && --depth == 0) break;
        element.push_back(d);
        ++i;
      }
      if (i < n) {
        i += 2;
        out.emplace_back(std::move(element));
      } else {
        trim_trailing_space(element);
        if (!element.empty()) out.emplace_back(std::move(element));
      }
      continue;
    }
    if (c == '\r' || c == '\n') {
      ++i;
      continue;
    }
    // A bare word runs to the next tab, CR, LF or space, which is skipped.
    while (i < n && !is_list_space(text[i])) {
      if (text[i] == '\\') {
        copy_escape(text, i, element);
      } else {
        element.push_back(text[i++]);
      }
    }
    if (i < n) ++i;
    if (!element.empty()) out.emplace_back(std::move(element));
  }
  return out;
}

void list_append_element(std::string& out, std::string_view element) {
  if (!out.empty()) out.push_back(' ');
  if (element.empty()) {
    out += "{}";
  } else if (element[0] != '{' && element.find_first_of(" \t") != std::string_view::npos) {
    out.push_back('{');
    out += element;
    out.push_back('}');
  } else {
    out += element;
  }
}

std::string list_write(const std::vector<Value>& elements, size_t max) {
  std::string out;
  size_t count = elements.size();
  if (max > 0 && max < count) count = max;
  for (size_t k = 0; k < count; ++k) {
    list_append_element(out, elements[k].view());
  }
  return out;
}

}  // namespace expr
