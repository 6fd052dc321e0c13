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
