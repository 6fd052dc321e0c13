// List values: lists are ordinary texts; these are the readers that cut a text
// into elements and the writer that makes a text from elements.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/value.h"

namespace expr {

using core::Value;

// The standard list reader. `warning` (when given) is set when a closing quote
// is followed directly by a line end. With `keep_empty`, an empty last element
// written as "{}" or "\"\"" is kept.
std::vector<Value> list_read_standard(std::string_view text, bool* warning = nullptr,
                                      bool keep_empty = false);

// The word-list reader: quoted and braced elements are kept even when empty
// (the one character after a closing brace is skipped), bare words run to the
// next space, tab or line end, and backslash pairs are copied unchanged.
std::vector<Value> list_read_words(std::string_view text);

// The list writer: empty elements become "{}", elements holding a space or a
// tab (and not starting with "{") are braced. `max` > 0 limits the count.
std::string list_write(const std::vector<Value>& elements, size_t max = 0);
// Appends one element to a list text as the writer would.
void list_append_element(std::string& out, std::string_view element);

}  // namespace expr
