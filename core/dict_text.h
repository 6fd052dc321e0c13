// The text form of dictionary variables: a dictionary reads as the text of
// all its pairs, built from its table and kept until the table changes.
#pragma once

#include <string>

#include "core/var.h"

namespace containers {
class hash_table;
}

namespace vars {

// The text of all pairs of a table, in scan order.
std::string table_text(const containers::hash_table& table);
// Text form of a dictionary's table, cached until the table changes.
core::Value dict_table_text(const Var& owner);
// Forgets the cached text form of a table (call after every change).
void dict_table_changed(const Var& owner);
// The live table behind `text` when it is the cached text form of a table.
const containers::hash_table* dict_text_table(const core::Value& text);

}  // namespace vars
