// The configuration reader and the configuration-file path.
#include "core/config.h"

#include <fstream>
#include <string>

#include "core/cmd_helpers.h"
#include "core/switches.h"
#include "platform/system.h"

namespace core {
namespace {

std::string_view trim(std::string_view s, std::string_view chars) {
  size_t b = s.find_first_not_of(chars);
  if (b == std::string_view::npos) return {};
  size_t e = s.find_last_not_of(chars);
  return s.substr(b, e - b + 1);
}

constexpr std::string_view kBlanks = " \t\r\n";

}  // namespace

std::optional<bool> nuvelReadConfig(std::string_view path, std::string_view section,
                                    std::string_view key) {
  if (path.empty() || path.find('\0') != std::string_view::npos) return std::nullopt;
  std::ifstream in{std::string(path), std::ios::binary};
  if (!in) return std::nullopt;
  bool in_section = false;
  std::string line;
  while (std::getline(in, line)) {
    std::string_view text = trim(line, kBlanks);
    if (text.empty() || text[0] == ';' || text[0] == '#') continue;
    if (text[0] == '[') {
      size_t close = text.find(']');
      std::string_view name =
          text.substr(1, close == std::string_view::npos ? text.size() - 1 : close - 1);
      in_section = iequals(trim(name, kBlanks), section);
      continue;
    }
    if (!in_section) continue;
    size_t eq = text.find('=');
    if (eq == std::string_view::npos || !iequals(trim(text.substr(0, eq), kBlanks), key)) {
      continue;
    }
    std::string_view value = trim(text.substr(eq + 1), " \t;\"\r\n");
    if (iequals(value, "yes") || iequals(value, "true") || value == "1") return true;
    return false;  // "no", "false", "0" and any other text
  }
  return std::nullopt;
}

std::optional<bool> config_switch(std::string_view key) {
  return nuvelReadConfig(process().config_path, kConfigSection, key);
}

bool nuvelSetConfigPath(std::string_view path) {
  if (path.size() > kConfigPathMax || path.find('\0') != std::string_view::npos) return false;
  process().config_path = std::string(path);
  return true;
}

void config_path_from_environment() {
  bool found = false;
  std::string path = platform::get_env("NUVEL_CONFIG", &found);
  if (found) (void)nuvelSetConfigPath(path);
}

}  // namespace core
