// Compiled against the core layer's include view: core's own headers and the
// layers below it are found.
#include "containers/hash_table.h"
#include "core/cmd_helpers.h"
#include "core/var.h"
#include "platform/console.h"
