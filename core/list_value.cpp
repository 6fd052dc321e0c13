// List readers, the list writer, the joiner and the brace stripper.
#include "core/list_value.h"

#include <array>

#include "core/text_util.h"

namespace core {
namespace {}  // namespace

namespace {

// The characters the standard reader treats apart outside braces and
// quotes; every other one is copied into the element as it is.
constexpr std::array<bool, 256> kListSpecial = [] {
  std::array<bool, 256> special{};
  for (unsigned char c : {' ', '\t', '\r', '\n', '"', '{'}) special[c] = true;
  return special;
}();
inline bool is_list_special(char c) {
  return kListSpecial[static_cast<unsigned char>(c)];
}

// The standard reader's scan. Fills `out` (when given) and returns the count;
// `trailing_empty` tells whether an explicit empty last element was kept.
size_t read_standard(std::string_view text, std::vector<Value>* out, bool* warning, bool keep_empty,
                     bool* trailing_empty, bool* extendable = nullptr) {
  size_t count = 0;
  size_t i = 0;
  size_t n = text.size();
  while (i < n && is_blank_or_line_end(text[i])) ++i;
  while (n > i && is_blank_or_line_end(text[n - 1])) --n;
  if (i >= n) return 0;
  int depth = 0;
  bool in_quote = false;
  bool explicit_empty = false;  // current element was written as {} or ""
  char prev = ' ';
  std::string element;
  bool pending = false;  // an element has started
  for (; i < n; ++i) {
    char c = text[i];
    if (depth == 0 && !in_quote) {
      if (!is_list_special(c)) {
        // A run of plain characters joins the element at once, as each of
        // them would one by one.
        size_t end = i + 1;
        while (end < n && !is_list_special(text[end])) ++end;
        if (element.empty() && end < n &&
            (text[end] == ' ' || text[end] == '\r' || text[end] == '\n')) {
          // A whole element (most are): made from the text at once, and the
          // separator after it read as below.
          if (out) out->emplace_back(text.substr(i, end - i));
          ++count;
          pending = false;
          explicit_empty = false;
          prev = text[end];
          i = end;
          continue;
        }
        element.append(text.data() + i, end - i);
        pending = true;
        explicit_empty = false;
        prev = text[end - 1];
        i = end - 1;
        continue;
      }
      if (c == '\t') continue;
      if (c == ' ' || c == '\r' || c == '\n') {
        if (prev != ' ' && prev != '\r' && prev != '\n') {
          if (out) out->emplace_back(std::move(element));
          ++count;
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
        if (i + 1 < n && (text[i + 1] == '\r' || text[i + 1] == '\n') && warning) {
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
    if (trailing_empty) *trailing_empty = element.empty();
    if (extendable) {
      *extendable = depth == 0 && !in_quote && keep_empty && n == text.size() &&
                    !core::is_blank_or_line_end(text[n - 1]);
    }
    if (out) out->emplace_back(std::move(element));
    ++count;
  }
  return count;
}

}  // namespace

std::vector<Value> list_read_standard(std::string_view text, bool* warning, bool keep_empty) {
  std::vector<Value> out;
  read_standard(text, &out, warning, keep_empty, nullptr);
  return out;
}

size_t list_count_standard(std::string_view text, bool keep_empty) {
  return read_standard(text, nullptr, nullptr, keep_empty, nullptr);
}

namespace {

bool is_tab_space(char c) {
  return c == ' ' || c == '\t';
}

std::string_view trim_trailing(std::string_view s, bool line_ends) {
  while (!s.empty() &&
         (is_tab_space(s.back()) || (line_ends && (s.back() == '\r' || s.back() == '\n')))) {
    s.remove_suffix(1);
  }
  return s;
}

// Index of the "}" that closes the "{" at `open`, or npos. With `pairs`, a
// backslash and the character after it are passed over together.
size_t matching_brace(std::string_view text, size_t open, bool pairs) {
  int depth = 0;
  for (size_t j = open; j < text.size(); ++j) {
    char c = text[j];
    if (pairs && c == '\\' && j + 1 < text.size()) {
      ++j;
    } else if (c == '{') {
      ++depth;
    } else if (c == '}' && --depth == 0) {
      return j;
    }
  }
  return std::string_view::npos;
}

}  // namespace

// Word-list reader. Every element is a stretch of the text (backslash pairs
// are kept, nothing is translated), so elements are cut out directly.
std::vector<Value> list_read_words(std::string_view text) {
  std::vector<Value> out;
  const size_t n = text.size();
  size_t i = 0;
  while (i < n && is_blank_or_line_end(text[i])) ++i;
  while (i < n) {
    char c = text[i];
    if (c == '"') {
      size_t j = i + 1;
      while (j < n && text[j] != '"') j += (text[j] == '\\' && j + 1 < n) ? 2 : 1;
      if (j >= n) {
        // An unterminated quote: the rest is the pending element.
        std::string_view rest = trim_trailing(text.substr(i + 1), true);
        if (!rest.empty()) out.emplace_back(rest);
        break;
      }
      out.emplace_back(text.substr(i + 1, j - i - 1));
      i = j + 1;
      continue;
    }
    if (c == '{') {
      size_t j = matching_brace(text, i, true);
      if (j == std::string_view::npos) {
        std::string_view rest = trim_trailing(text.substr(i + 1), true);
        if (!rest.empty()) out.emplace_back(rest);
        break;
      }
      out.emplace_back(text.substr(i + 1, j - i - 1));
      i = j + 2;  // the one character after the closing brace is skipped
      continue;
    }
    if (c == '\r' || c == '\n') {
      i += (c == '\r' && i + 1 < n && text[i + 1] == '\n') ? 2 : 1;
      continue;
    }
    size_t j = i;
    while (j < n && !is_blank_or_line_end(text[j])) j += (text[j] == '\\' && j + 1 < n) ? 2 : 1;
    if (j > n) j = n;
    std::string_view word = text.substr(i, j - i);
    if (j >= n) word = trim_trailing(word, true);
    if (!word.empty()) out.emplace_back(word);
    i = j + 1;  // the one separator after a bare word is skipped
  }
  return out;
}

// Element reader (lset). Elements are stretches of the text as well.
std::vector<Value> list_read_elements(std::string_view text) {
  std::vector<Value> out;
  const size_t n = text.size();
  size_t i = 0;
  while (i < n && is_tab_space(text[i])) ++i;
  size_t pending = std::string_view::npos;  // start of a bare element
  auto end_pending = [&](size_t at) {
    if (pending == std::string_view::npos) return;
    std::string_view e = trim_trailing(text.substr(pending, at - pending), false);
    if (!e.empty()) out.emplace_back(e);
    pending = std::string_view::npos;
  };
  while (i < n) {
    char c = text[i];
    if (c == '"') {
      end_pending(i);
      size_t j = text.find('"', i + 1);
      if (j == std::string_view::npos) j = n;
      if (j > i + 1) out.emplace_back(text.substr(i + 1, j - i - 1));
      i = j + 1;
    } else if (c == '{') {
      end_pending(i);
      size_t j = matching_brace(text, i, false);
      if (j == std::string_view::npos) j = n;
      if (j > i + 1) out.emplace_back(text.substr(i + 1, j - i - 1));
      i = j + 1;
    } else if (is_tab_space(c) || c == '\n') {
      end_pending(i);
      ++i;
    } else if (c == '\r' && i + 1 < n && text[i + 1] == '\n') {
      end_pending(i);
      i += 2;
    } else {
      if (pending == std::string_view::npos) pending = i;
      ++i;
    }
  }
  end_pending(n);
  return out;
}

std::shared_ptr<const StandardList> list_standard(const Value& text) {
  if (auto form = text.cached<StandardList>(core::CacheSlot::ListTcl)) return form;
  auto form = std::make_shared<StandardList>();
  read_standard(text.view(), &form->elements, &form->warning, true, &form->trailing_empty,
                &form->extendable);
  text.set_cached<StandardList>(core::CacheSlot::ListTcl, form);
  return form;
}

void list_extend_cached(const Value& text, std::shared_ptr<const StandardList> old_form,
                        std::string_view tail) {
  if (!old_form || !old_form->extendable || tail.empty() || tail[0] != ' ') return;
  StandardList added;
  read_standard(tail, &added.elements, &added.warning, true, &added.trailing_empty,
                &added.extendable);
  if (added.elements.empty()) return;
  std::shared_ptr<StandardList> form;
  if (old_form.use_count() == 1) {
    // Nothing else holds the old form: it grows in place. It was made
    // mutable by list_standard, so dropping const is sound.
    form = std::const_pointer_cast<StandardList>(std::move(old_form));
  } else {
    form = std::make_shared<StandardList>(*old_form);
  }
  for (Value& e : added.elements) form->elements.push_back(std::move(e));
  form->warning = form->warning || added.warning;
  form->trailing_empty = added.trailing_empty;
  form->extendable = added.extendable;
  text.set_cached<StandardList>(core::CacheSlot::ListTcl, std::move(form));
}

std::shared_ptr<const std::vector<Value>> list_words(const Value& text) {
  using Form = std::vector<Value>;
  if (auto form = text.cached<Form>(core::CacheSlot::ListWhite)) return form;
  auto form = std::make_shared<const Form>(list_read_words(text.view()));
  text.set_cached<Form>(core::CacheSlot::ListWhite, form);
  return form;
}

std::shared_ptr<const std::vector<Value>> list_elements(const Value& text) {
  using Form = std::vector<Value>;
  if (auto form = text.cached<Form>(core::CacheSlot::ListBrace)) return form;
  auto form = std::make_shared<const Form>(list_read_elements(text.view()));
  text.set_cached<Form>(core::CacheSlot::ListBrace, form);
  return form;
}

void list_append_braced(std::string& out, std::string_view element) {
  if (!out.empty()) out.push_back(' ');
  if (element.empty()) {
    out += "{}";
  } else if (element.find_first_of(" \t") != std::string_view::npos) {
    out.push_back('{');
    out += element;
    out.push_back('}');
  } else {
    out += element;
  }
}

std::string list_join(std::span<const Value> strings, size_t start) {
  if (strings.size() == 1) return std::string(strings[0].view());
  std::string out;
  for (size_t k = start; k < strings.size(); ++k) {
    std::string_view s = strings[k].view();
    if (!s.empty() && s.front() == '{' && s.back() == '}') {
      while (!s.empty() && s.front() == '{') s.remove_prefix(1);
      while (!s.empty() && s.back() == '}') s.remove_suffix(1);
    }
    if (k > start) out.push_back(' ');
    if (s.find_first_of(" \t") != std::string_view::npos) {
      out.push_back('{');
      out += s;
      out.push_back('}');
    } else {
      out += s;
    }
  }
  return out;
}

bool brace_strip(std::string& text) {
  size_t first = text.find('{');
  if (first == std::string::npos) return false;
  size_t last = text.find_last_of("{}");
  if (last == first || text[last] != '}') return false;
  text = text.substr(first + 1, last - first - 1);
  return true;
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

std::string list_write(std::span<const Value> elements, size_t max) {
  std::string out;
  size_t count = elements.size();
  if (max > 0 && max < count) count = max;
  for (size_t k = 0; k < count; ++k) {
    list_append_element(out, elements[k].view());
  }
  return out;
}

}  // namespace core
