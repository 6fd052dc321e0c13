// PairList: an ordered list of name/value pairs (macro definitions, structure
// members), kept in definition order.
#pragma once

#include <cstdint>
#include <list>
#include <string>
#include <string_view>
#include <variant>

namespace containers {

// A key or value of a pair: nothing, an owned text, an integer or a pointer
// the list does not own.
using PairValue = std::variant<std::monostate, std::string, int64_t, const void*>;

struct PairNode {
  PairValue key;
  PairValue value;
};

// Nodes are appended at the end and keep their place; pointers to nodes stay
// valid until the node is removed or the list released. Only nodes with text
// keys take part in searches by name.
class PairList {
 public:
  PairList() = default;

  // Finds `name` or appends it; its value becomes a copy of `text`. Nothing
  // (null) for an empty name or text.
  PairNode* define(std::string_view name, std::string_view text);
  // Finds `name` or appends it without a value. Null for an empty name.
  PairNode* add_name(std::string_view name);
  // Finds `name` or appends it; its value becomes `number`. Null for an empty name.
  PairNode* add_integer(std::string_view name, int64_t number);
  // Appends a node keyed by `object` unless that pointer is present already, in
  // which case that node is returned. Null for a null pointer.
  PairNode* add_object(const void* object);

  // The first node whose text key equals `name`: exactly, or without regard to
  // ASCII case under ignore_case(); only `prefix_len` leading characters when
  // that is 1 or more.
  PairNode* find(std::string_view name, int prefix_len = 0);
  const PairNode* find(std::string_view name, int prefix_len = 0) const;
  // The text value of `name`; null when missing or not text.
  const std::string* value_of(std::string_view name) const;
  // The integer value of `name`; 0 when missing or not an integer.
  int64_t integer_value_of(std::string_view name) const;
  // Removes the first node that find(name, prefix_len) would return.
  bool remove(std::string_view name, int prefix_len = 0);

  // Positional access in list order; null when the index is out of range.
  const std::string* name_at(int32_t index) const;
  const PairValue* value_at(int32_t index) const;
  PairNode* node_at(int32_t index);

  int32_t count() const { return static_cast<int32_t>(nodes_.size()); }
  bool ignore_case() const { return ignore_case_; }
  void set_ignore_case(bool fold) { ignore_case_ = fold; }

  // Drops every node.
  void release() { nodes_.clear(); }
  // Drops every node and marks the list destroyed.
  void destroy() {
    release();
    destroyed_ = true;
  }
  bool destroyed() const { return destroyed_; }

 private:
  PairNode* find_or_append(std::string_view name);

  std::list<PairNode> nodes_;
  bool ignore_case_ = false;
  bool destroyed_ = false;
};

}  // namespace containers
