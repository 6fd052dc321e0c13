// The optimising walk of the preprocessor. Internal to mpp/.
#pragma once

#include <string>

#include "core/nuvel.h"
#include "mpp/macros.h"

namespace mpp {

// Rewrites every [calc ...], {calc ...}, [expr ...] and {expr ...} form of
// `text` in one forward walk. False (after the report) when a form has no
// closing character or cannot be translated; `text` is then unchanged.
bool optimise(core::Interp& interp, std::string& text, const MacroTable& macros);

}  // namespace mpp
