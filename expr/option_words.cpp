// Option words of the utility commands.
#include "expr/option_words.h"

#include "core/cmd_helpers.h"
#include "expr/whole_number.h"

namespace expr {

bool OptionWords::parse(core::Interp& interp, int argc, core::Value* argv,
                        std::initializer_list<OptionDef> defs, Unknown unknown) {
  bool options_open = true;
  for (int k = 1; k < argc; ++k) {
    std::string_view w = argv[k].view();
    bool dashed = options_open && w.size() > 1 && w[0] == '-';
    if (dashed && w == "--") {
      options_open = false;
      continue;
    }
    if (!dashed || read_whole_number(w)) {
      pos.push_back(&argv[k]);
      continue;
    }
    const OptionDef* def = nullptr;
    for (const OptionDef& d : defs) {
      if (core::iequals(w, d.name)) def = &d;
    }
    if (def == nullptr) {
      if (unknown == Unknown::Value) {
        pos.push_back(&argv[k]);
        continue;
      }
      code = core::fail(interp, core::Msg::UnknownOption, w);
      return false;
    }
    const core::Value* value = nullptr;
    if (def->takes_value) {
      if (k + 1 >= argc) {
        code = core::nuvelWrongArgs(interp, argc, argv);
        return false;
      }
      value = &argv[++k];
    }
    options_.emplace_back(def->name, value);
  }
  return true;
}

bool OptionWords::has(std::string_view name) const {
  for (const auto& o : options_) {
    if (o.first == name) return true;
  }
  return false;
}

const core::Value* OptionWords::value(std::string_view name) const {
  const core::Value* found = nullptr;
  for (const auto& o : options_) {
    if (o.first == name) found = o.second;
  }
  return found;
}

}  // namespace expr
