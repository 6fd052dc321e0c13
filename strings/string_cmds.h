// Stand-alone string commands that the `string` command also offers as
// subcommands, and the character-class test they share.
#pragma once

#include <span>
#include <string_view>

#include "core/command_table.h"
#include "core/nuvel.h"

namespace strings {

using core::Code;
using core::Interp;
using core::Value;

// The command rows of the stand-alone string commands, for the subcommands of
// `string` that run them.
std::span<const core::CommandRow> string_extra_rows();
std::span<const core::CommandRow> string_split_rows();

Code nuvelCommandLeft(Interp& interp, int argc, Value* argv, void* data);
Code nuvelCommandRight(Interp& interp, int argc, Value* argv, void* data);
Code nuvelCommandMids(Interp& interp, int argc, Value* argv, void* data);
Code nuvelCommandMatch(Interp& interp, int argc, Value* argv, void* data);
Code nuvelCommandSlice(Interp& interp, int argc, Value* argv, void* data);
Code nuvelCommandMap(Interp& interp, int argc, Value* argv, void* data);

// Character classes of the is_... tests.
enum class CharClass { Alpha, Alnum, Digit, Lower, Punct, Space, Upper, Xdigit };
// True when every byte of the text belongs to the class (and for the empty text).
bool all_of_class(std::string_view text, CharClass cls);

// Reports a variable whose value cannot be replaced, on the console as the
// in-place commands do; returns Error.
Code refuse_store(Interp& interp, std::string_view cmd, std::string_view name, int type,
                  bool is_constant);

}  // namespace strings
