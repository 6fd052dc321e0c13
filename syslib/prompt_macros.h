// The prompt macros of the interactive shell ("$u@$h$s$k$g"), shared by the
// shell and the prompt command so that both always agree.
#pragma once

#include <string>
#include <string_view>

#include "core/nuvel.h"

namespace syslib {

// The template the shell and the prompt command use by default.
inline constexpr std::string_view kDefaultPromptTemplate = "$u@$h$s$k$g";

// The host text shown by "$h": empty, as no embedding program sets one.
inline constexpr std::string_view kShellHost = "";

// Replaces every prompt macro of `templ`: the shell's own ("$s" blank, "$c"
// "(", "$f" ")", "$g" ">", "$h" host, "$d" date, "$t" time, "$k" command
// count, "$l" "<", "$p" folder, "$n" drive, "$u" user, "$_" line end) and the
// date, time and environment macros ("$dddd", "$yyyy", "$env.NAME", ...),
// filled from the local time now.
std::string expand_prompt(core::Interp& interp, std::string_view templ, std::string_view host);

}  // namespace syslib
