// Compiled against the core layer's include view: the expression engine sits
// above core, so this include must not be found.
#include "core/nuvel.h"
#include "expr/expr_engine.h"
