// Plug-in libraries: the folder bare library names resolve in, the report
// of start-up's /DEBUG switch, and the `lib` family's registration.
#pragma once

#include <string>
#include <string_view>

#include "core/nuvel.h"

namespace syslib {

// The folder of the running executable ("." when unknown).
std::string executable_folder();
// The library folder: the executable's folder followed by "/lib".
std::string library_folder();
// The file a `lib` name stands for: a name without a folder is looked for
// beside the executable and then in the library folder (the library folder
// when it is in neither); a name with a folder is used as given after
// backslash escapes are processed. ".so" is added when the name has no
// extension.
std::string library_file_name(std::string_view name);
// The module key of a library name: its file name without folder and
// extension.
std::string library_key(std::string_view name);

// Prints the library folder, the plug-ins found beside the executable and in
// the library folder with their version and comment, and the modules loaded
// in `interp` (start-up's /DEBUG switch).
void print_library_report(core::Interp& interp);

void register_lib_cmds(core::Interp& interp);

}  // namespace syslib
