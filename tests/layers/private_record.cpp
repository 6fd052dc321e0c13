// Compiled against the collections layer's include view: the store API is
// found, the variable record behind it is not.
#include "core/var.h"
#include "core/var_store.h"
