// Open file streams by handle. Handles are positive decimal numbers that
// scripts pass around as text; only handles in the open-stream set are used.
#pragma once

#include <cstdio>
#include <memory>
#include <string_view>
#include <vector>

#include "core/nuvel.h"

namespace syslib {

// The open-stream set of one interpreter. Handles count up from 1 and are
// never reused, so a closed handle can never reach a later stream. Streams
// still open when the interpreter ends are closed (flushing what was written
// to them).
class StreamTable {
 public:
  static StreamTable& of(core::Interp& interp);
  StreamTable() = default;
  StreamTable(const StreamTable&) = delete;
  StreamTable& operator=(const StreamTable&) = delete;
  // Registers an open stream; returns its handle.
  long add(std::FILE* file);
  // The stream for a handle, or null when the handle is not open.
  std::FILE* get(long handle) const;
  // Closes a stream; false when the handle was not open or closing failed.
  bool close(long handle);
  void close_all();
  size_t open_count() const { return entries_.size(); }
  ~StreamTable();

 private:
  struct Entry {
    long handle;
    std::FILE* file;
  };
  std::vector<Entry> entries_;
  long next_ = 1;
};

// Parses a handle word ("%li" decimal, read like atol); 0 when it is not a number.
long parse_handle(std::string_view word);

// The seek operation behind `file seek`: argv holds the command word, the
// stream ("stdin" or a handle), the offset and an optional origin (0 start,
// 1 current, 2 end; below 0 counts as 0, above 1 as 2).
// Results: "1" on success, "0" on failure; an invalid handle fails with
// "Invalid handle". The stream and offset must be given (3 or 4 words).
core::Code nuvelStreamSeek(core::Interp& interp, int argc, core::Value* argv);

}  // namespace syslib
