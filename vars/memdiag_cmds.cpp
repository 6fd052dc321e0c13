// Memory diagnostics: checkheap, mem_used, sysfree, leakmem and dumpmem.
// They read the interpreter's memory registry (the blocks scripts may
// address), the C heap's own figures and the system's.
#include <cstdio>
#include <string>
#include <vector>

#include "containers/hash_table.h"
#include "core/cmd_helpers.h"
#include "core/mem_registry.h"
#include "core/var_store.h"
#include "platform/console.h"
#include "platform/sysinfo.h"
#include "vars/mem_cmds.h"

namespace vars {
namespace {

using core::Code;
using core::fail;
using core::Msg;
using core::Value;

// The first broken invariant of an array's or dictionary's table: every key
// it lists must be found again, and the count must match the listing.
std::string check_table(const std::string& name, const containers::hash_table& table) {
  std::vector<std::string> keys;
  std::vector<Value> values;
  size_t n = table.keys_and_values(keys, values);
  if (n != keys.size() || keys.size() != values.size() ||
      static_cast<int64_t>(n) != static_cast<int64_t>(table.count())) {
    return "Table of '" + name + "' counts " + std::to_string(table.count()) + " entries, lists " +
           std::to_string(n);
  }
  for (const std::string& k : keys) {
    if (!table.get(k)) return "Table of '" + name + "' lost key '" + k + "'";
  }
  return std::string();
}

std::string check_frame(const CallFrame& frame) {
  for (VarRef v : frame_records(frame)) {
    if (v.is_link()) continue;
    if ((v.kind() == VT_ARRAY || v.kind() == VT_DICTIONARY) && v.table()) {
      std::string fault = check_table(v.name(), *v.table());
      if (!fault.empty()) return fault;
    }
  }
  return std::string();
}

// checkheap
// Results: "1" when the block registry and every table of the active frames
// are sound; else "0" and a report of the first fault.
Code nuvelCommandCheckheap(Interp& interp, int, Value*, void*) {
  std::string fault = core::mem_registry(interp)->check();
  for (CallFrame* f = interp.callframe; fault.empty() && f; f = f->parent) fault = check_frame(*f);
  if (fault.empty() && interp.global_frame) fault = check_frame(*interp.global_frame);
  if (!fault.empty()) {
    core::nuvelSetResult(interp, Value("0"));
    return fail(interp, Msg::CheckheapFault, fault);
  }
  return core::result_bool(interp, true);
}

// mem_used ?-process?
// Results: the bytes the C heap has handed out; with -process the resident
// set size of the process.
Code nuvelCommandMemUsed(Interp& interp, int argc, Value* argv, void*) {
  if (argc == 2) {
    if (!core::iequals(argv[1].view(), "-process")) {
      return fail(interp, Msg::UnknownOption, argv[1]);
    }
    return core::result_int(interp, static_cast<int64_t>(platform::resident_bytes()));
  }
  return core::result_int(interp, static_cast<int64_t>(platform::heap_in_use()));
}

// sysfree ?-percent?
// Results: the available physical memory in bytes, or with -percent its
// share of the total ("%.2f").
Code nuvelCommandSysfree(Interp& interp, int argc, Value* argv, void*) {
  platform::MemoryStatus m = platform::memory_status();
  if (argc == 2) {
    if (!core::iequals(argv[1].view(), "-percent")) {
      return fail(interp, Msg::UnknownOption, argv[1]);
    }
    double percent =
        m.total ? static_cast<double>(m.avail) * 100.0 / static_cast<double>(m.total) : 0.0;
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.2f", percent);
    core::nuvelSetResult(interp, Value(buf));
    return Code::Ok;
  }
  return core::result_int(interp, static_cast<int64_t>(m.avail));
}

// leakmem ?-list?
// Results: the number of malloc blocks still live, or their addresses.
Code nuvelCommandLeakmem(Interp& interp, int argc, Value* argv, void*) {
  auto registry = core::mem_registry(interp);
  if (argc == 2) {
    if (!core::iequals(argv[1].view(), "-list")) {
      return fail(interp, Msg::UnknownOption, argv[1]);
    }
    std::string out;
    for (uint64_t a : registry->malloc_addresses()) {
      if (!out.empty()) out.push_back(' ');
      out += std::to_string(a);
    }
    core::nuvelSetResult(interp, out.empty() ? Value("{}") : Value(std::move(out)));
    return Code::Ok;
  }
  return core::result_int(interp, registry->malloc_count());
}

// dumpmem address ?length?
// Results: "".
// Side effects: prints a hex dump of length bytes (default 64) at the
// address, which must lie inside one live block.
Code nuvelCommandDumpmem(Interp& interp, int argc, Value* argv, void*) {
  std::optional<uint64_t> address = core::read_address(argv[1].view());
  int64_t length = 64;
  if (argc == 3) {
    std::optional<int64_t> n = core::parse_int(argv[2].view());
    if (!n || *n <= 0) return fail(interp, Msg::InvalidArgument, argv[2]);
    length = *n;
  }
  std::optional<core::MemSpan> span;
  if (address)
    span = core::mem_registry(interp)->find(*address, static_cast<uint64_t>(length), false);
  if (!span) return fail(interp, Msg::InvalidAddress, argv[1]);
  platform::out(hex_dump(span->data, static_cast<size_t>(length), *address));
  core::nuvelResetResult(interp);
  return Code::Ok;
}

constexpr core::CommandRow kMemdiagCommands[] = {
    {"checkheap", nuvelCommandCheckheap, 1, 1, ""},
    {"mem_used", nuvelCommandMemUsed, 1, 2, "?-process?"},
    {"sysfree", nuvelCommandSysfree, 1, 2, "?-percent?"},
    {"leakmem", nuvelCommandLeakmem, 1, 2, "?-list?"},
    {"dumpmem", nuvelCommandDumpmem, 2, 3, "address ?length?"},
};

}  // namespace

[[gnu::section(".text.startup.register")]] void register_memdiag_cmds(core::Interp& interp) {
  core::register_rows(interp, kMemdiagCommands);
}

}  // namespace vars
