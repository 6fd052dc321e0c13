// List values: lists are ordinary texts; these are the readers that cut a text
// into elements, the writer that makes a text from elements, the joiner and the
// brace stripper. The three readers differ on purpose (tabs, grouping inside
// words, backslash pairs, empty elements); each command uses a fixed one.
#pragma once

#include <cstddef>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/value.h"

namespace core {

// The standard list reader. `warning` (when given) is set when a closing quote
// is followed directly by a line end. With `keep_empty`, an empty last element
// written as "{}" or "\"\"" is kept.
std::vector<Value> list_read_standard(std::string_view text, bool* warning = nullptr,
                                      bool keep_empty = false);
// The standard reader in count-only mode.
size_t list_count_standard(std::string_view text, bool keep_empty);

// The word-list reader: quoted and braced words at the start of an element,
// bare words up to a tab, space or line end, backslash pairs kept as they are.
std::vector<Value> list_read_words(std::string_view text);

// The element reader used by lset: braces and quotes group anywhere, tabs and
// spaces separate, empty elements are never stored.
std::vector<Value> list_read_elements(std::string_view text);

// Elements of a text under the standard reader together with the reader's
// warning. `elements` holds an explicit empty last element ("{}" or "\"\"" at
// the end of the text) when there is one; `trailing_empty` says so, and
// `count(false)` leaves it out as the reader does without keep-empty.
struct StandardList {
  std::vector<Value> elements;
  bool warning = false;
  bool trailing_empty = false;
  size_t count(bool keep_empty) const {
    return elements.size() - (trailing_empty && !keep_empty ? 1 : 0);
  }
};

// Cached forms: the elements of a text under each reader, kept on the value so
// that reading the same text again (lindex in a loop) costs nothing. The
// returned form is never null.
std::shared_ptr<const StandardList> list_standard(const Value& text);
std::shared_ptr<const std::vector<Value>> list_words(const Value& text);
std::shared_ptr<const std::vector<Value>> list_elements(const Value& text);

// The list writer: empty elements become "{}", elements holding a space or a
// tab (and not starting with "{") are braced. `max` > 0 limits the count.
std::string list_write(std::span<const Value> elements, size_t max = 0);
inline std::string list_write(const std::vector<Value>& elements, size_t max = 0) {
  return list_write(std::span<const Value>(elements), max);
}
// Appends one element to a list text as the writer would.
void list_append_element(std::string& out, std::string_view element);

// Appends one element the way most list commands write their results: an
// empty element as "{}", one holding a space or tab inside braces (whatever
// its first character), any other as it is; a space separates it from what
// `out` already holds.
void list_append_braced(std::string& out, std::string_view element);

// The list joiner: one string comes back unchanged; otherwise the strings from
// `start` on lose their outer braces ("{{a}}" becomes "a"), are braced again
// when they hold a space or tab, and are joined with single spaces.
std::string list_join(std::span<const Value> strings, size_t start = 0);

// The brace stripper: keeps what lies strictly between the first "{" and the
// last brace after it when that brace is "}"; returns whether it did.
bool brace_strip(std::string& text);

}  // namespace core
