// Compiled against the collections layer's include view: the store API and
// the core headers a family uses are found.
#include "core/cmd_helpers.h"
#include "core/var_store.h"
