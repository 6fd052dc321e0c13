// Helpers for command handlers: argument checks, option words, numbers and
// results. Command families use only this header and core/nuvel.h.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/command_table.h"
#include "core/guards.h"
#include "core/messages.h"
#include "core/nuvel.h"
#include "core/text_util.h"

namespace core {

// ASCII case-insensitive comparison (options and subcommands).
bool iequals(std::string_view a, std::string_view b);
bool istarts_with(std::string_view text, std::string_view prefix);
inline bool starts_with(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

inline Code result_bool(Interp& interp, bool v) {
  nuvelSetResult(interp, Value(v ? "1" : "0"));
  return Code::Ok;
}
inline Code result_int(Interp& interp, int64_t v) {
  nuvelSetResultInt(interp, v);
  return Code::Ok;
}

// Finds `option` among argv[from..argc-1] (case-insensitive); index or -1.
int find_option(int argc, const Value* argv, std::string_view option, int from = 1);
// Same, compared exactly.
int find_option_exact(int argc, const Value* argv, std::string_view option, int from = 1);

// Sets a variable by name (all name forms); 0 on success.
int set_variable(Interp& interp, std::string_view name, const Value& value);

}  // namespace core
