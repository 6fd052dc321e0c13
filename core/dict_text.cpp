// The text form of dictionary variables. A dictionary reads as the text of
// all its pairs; building that text costs a walk of the table, so the record
// keeps the last text with the generation of the table it was built from, and
// builds it again only after the table changed. The text itself remembers
// its table in a cache slot, so that dict get on the text of a large
// dictionary looks the key up in the table instead of re-reading the text.
#include <memory>

#include "containers/hash_table.h"
#include "core/collection_text.h"
#include "core/var.h"

namespace vars {

using collections::append_dict_item;
using containers::hash_table;
using core::Value;

namespace {

// What a dictionary text knows about where it came from.
struct TextSource {
  std::weak_ptr<const hash_table> table;
  uint64_t generation = 0;
};

bool same_table(const std::weak_ptr<const hash_table>& a, const std::shared_ptr<hash_table>& b) {
  return !a.owner_before(b) && !b.owner_before(a);
}

}  // namespace

std::string table_text(const hash_table& table) {
  std::string out;
  table.for_each([&out](const std::string& key, const Value& value) {
    append_dict_item(out, key);
    append_dict_item(out, value.view());
  });
  return out;
}

const hash_table* dict_table_of_text(const Value& text) {
  if (text.empty()) return nullptr;
  std::shared_ptr<const TextSource> source = text.cached<TextSource>(core::CacheSlot::DictSource);
  if (!source) return nullptr;
  std::shared_ptr<const hash_table> live = source->table.lock();
  if (!live || live->generation() != source->generation) return nullptr;
  return live.get();
}

Value dict_table_text(const Var& owner) {
  if (!owner.table) return Value();
  // The cache fields are mutable: keeping the text changes nothing a script sees.
  if (owner.extra && same_table(owner.extra->text_table, owner.table) &&
      owner.extra->text_generation == owner.table->generation()) {
    return owner.extra->text_form;
  }
  Value text(table_text(*owner.table));
  auto source = std::make_shared<TextSource>();
  source->table = owner.table;
  source->generation = owner.table->generation();
  text.set_cached<TextSource>(core::CacheSlot::DictSource, std::move(source));
  VarExtra& kept = owner.more();
  kept.text_form = text;
  kept.text_table = owner.table;
  kept.text_generation = owner.table->generation();
  return text;
}

}  // namespace vars
