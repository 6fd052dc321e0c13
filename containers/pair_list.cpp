// PairList: lookups by name and position, definitions and removal.
#include "containers/pair_list.h"

#include <iterator>
#include <utility>

#include "containers/text_compare.h"

namespace containers {

PairNode* PairList::find_or_append(std::string_view name) {
  if (PairNode* node = find(name)) return node;
  nodes_.push_back(PairNode{std::string(name), std::monostate{}});
  return &nodes_.back();
}

PairNode* PairList::define(std::string_view name, std::string_view text) {
  if (name.empty() || text.empty()) return nullptr;
  PairNode* node = find_or_append(name);
  node->value = std::string(text);
  return node;
}

PairNode* PairList::add_name(std::string_view name) {
  if (name.empty()) return nullptr;
  return find_or_append(name);
}

PairNode* PairList::add_integer(std::string_view name, int64_t number) {
  if (name.empty()) return nullptr;
  PairNode* node = find_or_append(name);
  node->value = number;
  return node;
}

PairNode* PairList::add_object(const void* object) {
  if (!object) return nullptr;
  for (PairNode& node : nodes_) {
    const auto* key = std::get_if<const void*>(&node.key);
    if (key && *key == object) return &node;
  }
  nodes_.push_back(PairNode{object, std::monostate{}});
  return &nodes_.back();
}

const PairNode* PairList::find(std::string_view name, int prefix_len) const {
  for (const PairNode& node : nodes_) {
    const auto* key = std::get_if<std::string>(&node.key);
    if (key && equal_prefix(*key, name, prefix_len, ignore_case_)) return &node;
  }
  return nullptr;
}

PairNode* PairList::find(std::string_view name, int prefix_len) {
  return const_cast<PairNode*>(std::as_const(*this).find(name, prefix_len));
}

const std::string* PairList::value_of(std::string_view name) const {
  const PairNode* node = find(name);
  return node ? std::get_if<std::string>(&node->value) : nullptr;
}

int64_t PairList::integer_value_of(std::string_view name) const {
  const PairNode* node = find(name);
  const auto* number = node ? std::get_if<int64_t>(&node->value) : nullptr;
  return number ? *number : 0;
}

bool PairList::remove(std::string_view name, int prefix_len) {
  const PairNode* target = find(name, prefix_len);
  if (!target) return false;
  for (auto it = nodes_.begin(); it != nodes_.end(); ++it) {
    if (&*it == target) {
      nodes_.erase(it);
      return true;
    }
  }
  return false;
}

const std::string* PairList::name_at(int32_t index) const {
  if (index < 0 || index >= count()) return nullptr;
  return std::get_if<std::string>(&std::next(nodes_.begin(), index)->key);
}

const PairValue* PairList::value_at(int32_t index) const {
  if (index < 0 || index >= count()) return nullptr;
  return &std::next(nodes_.begin(), index)->value;
}

PairNode* PairList::node_at(int32_t index) {
  if (index < 0 || index >= count()) return nullptr;
  return &*std::next(nodes_.begin(), index);
}

}  // namespace containers
