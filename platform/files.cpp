// Whole-file access.
#include "platform/files.h"

#include <sys/stat.h>

#include <cstdio>
#include <memory>

namespace platform {

bool file_exists(std::string_view path) {
  struct stat st {};
  return ::stat(std::string(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool read_file(std::string_view path, std::string& out) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(std::fopen(std::string(path).c_str(), "rb"),
                                                    &std::fclose);
  if (!f) return false;
  out.clear();
  char buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f.get())) > 0) out.append(buf, n);
  return !std::ferror(f.get());
}

bool path_is_directory(std::string_view path) {
  struct stat st {};
  return ::stat(std::string(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace platform
