// Shared objects through dlopen, dlsym and dlclose.
#include "platform/dynlib.h"

#include <dlfcn.h>

#include <utility>

namespace platform {

namespace {

void* open_with(std::string_view path, int flags, std::string& error) {
  std::string name(path);
  if (name.find('\0') != std::string::npos) {
    error = "invalid file name";
    return nullptr;
  }
  // A name without a slash would make the loader search its own path list;
  // callers always mean a file.
  if (name.find('/') == std::string::npos) name = "./" + name;
  void* handle = dlopen(name.c_str(), flags);
  if (!handle) {
    const char* text = dlerror();
    error = text ? text : "cannot open library";
  }
  return handle;
}

}  // namespace

DynLib::~DynLib() {
  close();
}

DynLib::DynLib(DynLib&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)), error_(std::move(other.error_)) {}

DynLib& DynLib::operator=(DynLib&& other) noexcept {
  if (this != &other) {
    close();
    handle_ = std::exchange(other.handle_, nullptr);
    error_ = std::move(other.error_);
  }
  return *this;
}

bool DynLib::open(std::string_view path) {
  close();
  error_.clear();
  handle_ = open_with(path, RTLD_NOW | RTLD_LOCAL, error_);
  return handle_ != nullptr;
}

bool DynLib::open_system(std::string_view soname) {
  close();
  error_.clear();
  std::string name(soname);
  if (name.empty() || name.find('\0') != std::string::npos || name.find('/') != std::string::npos) {
    error_ = "invalid library name";
    return false;
  }
  // Never unmapped, as a linked library is not: its own records (terminal
  // descriptions, say) stay reachable until the process ends.
  handle_ = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  if (!handle_) {
    const char* text = dlerror();
    error_ = text ? text : "cannot open library";
  }
  return handle_ != nullptr;
}

bool DynLib::open_resident(std::string_view path) {
  close();
  error_.clear();
  handle_ = open_with(path, RTLD_NOW | RTLD_LOCAL | RTLD_NOLOAD, error_);
  return handle_ != nullptr;
}

void* DynLib::symbol(const char* name) const {
  if (!handle_) return nullptr;
  return dlsym(handle_, name);
}

void DynLib::close() {
  if (handle_) dlclose(std::exchange(handle_, nullptr));
}

bool library_is_resident(std::string_view path) {
  DynLib probe;
  return probe.open_resident(path);
}

}  // namespace platform
