// What the structure, pointer and memory-diagnostic families share: the
// handlers that `struct` offers again as subcommands, and the hex dump
// printout of `dump` and `dumpmem`.
#pragma once

#include <cstdint>
#include <string>

#include "core/nuvel.h"

namespace vars {

core::Code nuvelCommandSetb(core::Interp& interp, int argc, core::Value* argv, void* data);
core::Code nuvelCommandOfAddressB(core::Interp& interp, int argc, core::Value* argv, void* data);
core::Code nuvelCommandDump(core::Interp& interp, int argc, core::Value* argv, void* data);

// The hex dump of `length` bytes starting at `data` (shown at `address`):
// the column header, a ruler and rows of sixteen bytes with their ASCII.
std::string hex_dump(const unsigned char* data, size_t length, uint64_t address);

}  // namespace vars
