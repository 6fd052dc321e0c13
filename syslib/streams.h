// Open file streams by handle. Handles are positive decimal numbers that
// scripts pass around as text; only handles in the open-stream set are used.
#pragma once

#include <cstdio>
#include <memory>
#include <string_view>
#include <vector>

namespace syslib {

// The open-stream set. Streams still open at exit are closed.
class StreamTable {
 public:
  static StreamTable& instance();
  // Registers an open stream; returns its handle.
  long add(std::FILE* file);
  // The stream for a handle, or null when the handle is not open.
  std::FILE* get(long handle) const;
  // Closes a stream; false when the handle was not open or closing failed.
  bool close(long handle);
  void close_all();
  ~StreamTable();

 private:
  StreamTable() = default;
  struct Entry {
    long handle;
    std::FILE* file;
  };
  std::vector<Entry> entries_;
  long next_ = 1;
};

// Parses a handle word ("%li" decimal); 0 when it is not a number.
long parse_handle(std::string_view word);

}  // namespace syslib
