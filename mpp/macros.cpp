// The macro list of one preprocessor run and the substitution of macro words.
#include "mpp/macros.h"

#include <algorithm>

#include "mpp/mpp.h"

namespace mpp {

namespace {

// Delimiters of the parts of a macro value that are substituted once.
bool ends_value_part(char c) {
  switch (c) {
    case ' ':
    case '\t':
    case '{':
    case '}':
    case '[':
    case ']':
    case '(':
    case ')':
    case '\'':
    case ';':
      return true;
    default:
      return false;
  }
}

const std::string* text_of(const containers::PairNode* node) {
  return node ? std::get_if<std::string>(&node->value) : nullptr;
}

}  // namespace

MacroTable::MacroTable() {
  define("True", "1");
  define("False", "0");
  define("__LINE__", "0");
}

void MacroTable::define(std::string_view name, std::string_view value) {
  if (name.empty()) return;
  auto it = index_.find(name);
  containers::PairNode* node = it != index_.end() ? it->second : list_.add_name(name);
  if (!node) return;
  node->value = std::string(value);
  if (it == index_.end()) index_.emplace(std::string(name), node);
  first_chars_.set(static_cast<unsigned char>(name[0]));
  longest_ = std::max(longest_, name.size());
}

bool MacroTable::undefine(std::string_view name) {
  auto it = index_.find(name);
  if (it == index_.end()) return false;
  index_.erase(it);
  return list_.remove(name);
}

const std::string* MacroTable::find(std::string_view name) const {
  if (name.empty() || name.size() > longest_ ||
      !first_chars_.test(static_cast<unsigned char>(name[0]))) {
    return nullptr;
  }
  auto it = index_.find(name);
  return it == index_.end() ? nullptr : text_of(it->second);
}

void MacroTable::set_line(long line) {
  auto it = index_.find(std::string_view("__LINE__"));
  if (it != index_.end()) it->second->value = std::to_string(line);
}

std::string MacroTable::resolve(std::string_view value, int steps) const {
  const std::string* current = nullptr;
  for (int i = 0; i < steps; ++i) {
    const std::string* next = find(current ? std::string_view(*current) : value);
    if (!next) break;
    current = next;
  }
  return current ? *current : std::string(value);
}

std::string MacroTable::expansion(std::string_view name) const {
  std::string value = resolve(name, kSubstituteSteps + 1);
  std::string out;
  out.reserve(value.size());
  size_t start = 0;
  for (size_t i = 0; i <= value.size(); ++i) {
    if (i < value.size() && !ends_value_part(value[i])) continue;
    std::string_view part = std::string_view(value).substr(start, i - start);
    const std::string* replaced = part.empty() ? nullptr : find(part);
    out += replaced ? std::string_view(*replaced) : part;
    if (i < value.size()) out.push_back(value[i]);
    start = i + 1;
  }
  if (out.size() >= 2 && out.front() == '"' && out.back() == '"') {
    out = out.substr(1, out.size() - 2);
  }
  return out;
}

std::string MacroTable::substitute(std::string_view text) const {
  std::string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    char c = text[i];
    if (is_word_char(c) && (i == 0 || !is_word_char(text[i - 1]))) {
      size_t end = i;
      while (end < text.size() && !ends_macro_word(text[end])) ++end;
      std::string_view word = text.substr(i, end - i);
      if (word.size() <= kMaxMacroWord && find(word)) {
        out += expansion(word);
        i = end;
        continue;
      }
    }
    out.push_back(c);
    ++i;
  }
  return out;
}

expr::NameMap MacroTable::name_map() const {
  expr::NameMap names;
  for (int32_t i = 0; i < list_.count(); ++i) {
    const std::string* name = list_.name_at(i);
    const containers::PairValue* value = list_.value_at(i);
    const std::string* text = value ? std::get_if<std::string>(value) : nullptr;
    if (name && text) names.emplace_back(*name, *text);
  }
  return names;
}

}  // namespace mpp
