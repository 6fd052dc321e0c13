// Who and where: the user name, the host name and full paths.
#include "platform/identity.h"

#include <pwd.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

namespace platform {

std::string user_name() {
  long size = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buf(size > 0 ? static_cast<size_t>(size) : 16384);
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(geteuid(), &entry, buf.data(), buf.size(), &found) == 0 && found &&
      found->pw_name) {
    return found->pw_name;
  }
  const char* env = std::getenv("USER");
  return env ? env : "";
}

std::string host_name() {
  char buf[HOST_NAME_MAX + 1] = {};
  if (gethostname(buf, sizeof buf - 1) != 0) return {};
  return buf;
}

std::string full_path(std::string_view path) {
  if (path.empty()) return {};
  std::error_code ec;
  std::filesystem::path p = std::filesystem::absolute(std::filesystem::path(path), ec);
  if (ec) return {};
  return p.lexically_normal().string();
}

}  // namespace platform
