// The text form cache of dictionary variables.
#include "core/dict_text.h"

#include <memory>
#include <unordered_map>

#include "containers/hash_table.h"
#include "core/collection_text.h"

namespace vars {

using collections::append_dict_item;
using containers::hash_table;
using core::Value;

namespace {

// --- Text form cache ----------------------------------------------------------
// A dictionary variable reads as the text of all its pairs. Building that text
// costs a walk of the table, so the last text built for a table is kept until
// the table changes; dict get recognises such a text and looks the key up in
// the table instead of re-reading the text.
struct CachedText {
  std::weak_ptr<hash_table> table;
  Value text;
};

std::unordered_map<const hash_table*, CachedText>& text_cache() {
  static std::unordered_map<const hash_table*, CachedText> cache;
  return cache;
}

// The table whose cached text was handed out last.
const hash_table* g_last_text_table = nullptr;

// The live table behind `text` when it is the cached text form of a table.
}  // namespace

std::string table_text(const hash_table& table) {
  std::string out;
  table.for_each([&out](const std::string& key, const Value& value) {
    append_dict_item(out, key);
    append_dict_item(out, value.view());
  });
  return out;
}

const hash_table* dict_text_table(const Value& text) {
  if (!g_last_text_table || text.empty()) return nullptr;
  auto& cache = text_cache();
  auto it = cache.find(g_last_text_table);
  if (it == cache.end() || !it->second.text.same_rep(text)) return nullptr;
  std::shared_ptr<hash_table> live = it->second.table.lock();
  if (live.get() != g_last_text_table) return nullptr;
  return g_last_text_table;
}

Value dict_table_text(const Var& owner) {
  if (!owner.table) return Value();
  const hash_table* key = owner.table.get();
  auto& cache = text_cache();
  auto it = cache.find(key);
  if (it != cache.end() && it->second.table.lock() == owner.table) {
    g_last_text_table = key;
    return it->second.text;
  }
  if (cache.size() >= 64) cache.clear();
  Value text(table_text(*owner.table));
  cache[key] = CachedText{owner.table, text};
  g_last_text_table = key;
  return text;
}

void dict_table_changed(const Var& owner) {
  if (!owner.table) return;
  text_cache().erase(owner.table.get());
  if (g_last_text_table == owner.table.get()) g_last_text_table = nullptr;
}

}  // namespace vars
