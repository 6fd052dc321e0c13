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

const std::string& Value::str() const noexcept {
  static const std::string empty;
  return rep_ ? rep_->text : empty;
}

}  // namespace core
