// The configuration reader: switches can be reloaded from an initialisation
// file (lines of key=value under bracketed section headers). The file's path
// is empty unless the embedding application or the environment variable
// NUVEL_CONFIG names one; nothing is read at start-up.
#pragma once

#include <optional>
#include <string_view>

namespace core {

// Longest configuration-file path, in characters.
inline constexpr size_t kConfigPathMax = 260;
// The section the switches are read from.
inline constexpr std::string_view kConfigSection = "Config";

// Reads `key` in `section` of the file at `path` (section and key names
// compared without regard to case; the first match counts). The value has
// ";", blanks, tabs and double quotes trimmed from both ends: "yes", "true"
// (any case) and "1" give true, "no", "false" and "0" give false, and any
// other text counts as found with the value false. Nullopt for an empty path,
// a file that cannot be read, or a missing key.
std::optional<bool> nuvelReadConfig(std::string_view path, std::string_view section,
                                    std::string_view key);

// Reads `key` from the "Config" section of the configured file.
std::optional<bool> config_switch(std::string_view key);

// Embedding API: names the configuration file (empty: none). False, with the
// path unchanged, when the path is longer than 260 characters or holds a NUL.
bool nuvelSetConfigPath(std::string_view path);

// Start-up: takes the path from the environment variable NUVEL_CONFIG when it
// is set (the file itself is not read).
void config_path_from_environment();

}  // namespace core
