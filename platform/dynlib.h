// Shared objects loaded at run time: opening one by path, finding an export
// by name and closing it again. A DynLib owns one reference of the system
// loader; the loader keeps a file that is opened twice (through any path)
// resident until its last reference goes, and hands out the same native
// handle for it, which callers use to tell that two paths name one library.
#pragma once

#include <string>
#include <string_view>

namespace platform {

class DynLib {
 public:
  DynLib() = default;
  ~DynLib();
  DynLib(DynLib&& other) noexcept;
  DynLib& operator=(DynLib&& other) noexcept;
  DynLib(const DynLib&) = delete;
  DynLib& operator=(const DynLib&) = delete;

  // Opens a shared object with every symbol bound at once (so a library
  // with unresolved references fails here rather than in a later call).
  // False with `error()` set when the file is missing or not a library.
  bool open(std::string_view path);
  // Opens a system library by its installed name ("libedit.so.2"), searched
  // for along the loader's own path list. It stays mapped until the process
  // ends, even once closed.
  bool open_system(std::string_view soname);
  // Takes a reference on a library only when it is already resident.
  bool open_resident(std::string_view path);
  // The address of an exported symbol, or null.
  void* symbol(const char* name) const;
  void close();

  bool is_open() const { return handle_ != nullptr; }
  // The loader's handle: equal for two DynLibs on one library.
  const void* native() const { return handle_; }
  const std::string& error() const { return error_; }

 private:
  void* handle_ = nullptr;
  std::string error_;
};

// Whether the library at `path` is resident in the process now.
bool library_is_resident(std::string_view path);

}  // namespace platform
