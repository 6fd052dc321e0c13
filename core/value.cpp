// Value: shared text representation helpers.
#include "core/value.h"

#include <charconv>

namespace core {

Value Value::from_int(int64_t v) {
  char buf[24];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
  (void)ec;
  Value r(std::string_view(buf, static_cast<size_t>(end - buf)));
  r.remember_int(v);
  return r;
}

bool Value::canonical_int(int64_t& out) const noexcept {
  if (known_int(out)) return true;
  std::string_view t = view();
  if (t.empty() || t.size() > 20) return false;
  size_t i = t[0] == '-' ? 1 : 0;
  if (i == t.size() || t[i] < '0' || t[i] > '9') return false;
  if (t[i] == '0' && (t.size() > i + 1 || i == 1)) return false;
  auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), out);
  if (ec != std::errc() || end != t.data() + t.size()) return false;
  remember_int(out);
  return true;
}

const std::string& Value::str() const noexcept {
  static const std::string empty;
  return rep_ ? rep_->text : empty;
}

}  // namespace core
