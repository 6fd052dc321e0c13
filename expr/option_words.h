// Option words of the utility commands: words beginning with "-", matched
// without regard to case and accepted anywhere after the command name; "--"
// ends them. A word that reads as a number ("-5") is always a value.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/nuvel.h"

namespace expr {

struct OptionDef {
  std::string_view name;
  bool takes_value = false;  // the next word is the option's value
};

class OptionWords {
 public:
  // What a "-word" that names no option is: an error (the command takes
  // numbers and names) or a plain value (the command takes texts).
  enum class Unknown { Fail, Value };

  // Splits argv[1..]. False when an option is unknown (reported) or lacks its
  // value (answered with the wrong-argument report); `code` is then the code
  // to return.
  bool parse(core::Interp& interp, int argc, core::Value* argv,
             std::initializer_list<OptionDef> defs, Unknown unknown = Unknown::Fail);

  std::vector<const core::Value*> pos;
  core::Code code = core::Code::Ok;

  size_t count() const { return pos.size(); }
  const core::Value& operator[](size_t i) const { return *pos[i]; }
  bool has(std::string_view name) const;
  // The value word of an option taking one, or null when it was not given.
  const core::Value* value(std::string_view name) const;

 private:
  std::vector<std::pair<std::string_view, const core::Value*>> options_;
};

// Sets a text result; Ok.
inline core::Code set_text(core::Interp& interp, std::string text) {
  core::nuvelSetResult(interp, core::Value(std::move(text)));
  return core::Code::Ok;
}

}  // namespace expr
