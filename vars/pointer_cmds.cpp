// Pointers and raw memory: the address commands (addressof, addressofb,
// strptr, ofaddress, ofaddressb, setb), malloc, free, memcpy, memset,
// is_pointer, sizeof, the typed integer conversions and dump. Addresses are
// decimal numbers in script values; every address a script hands in is
// checked against the memory registry before a byte is read or written, so a
// stray, freed or foreign number is refused with the command's message.
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <string>

#include "containers/stack.h"
#include "core/cmd_helpers.h"
#include "core/mem_registry.h"
#include "core/var_store.h"
#include "expr/number.h"
#include "platform/console.h"
#include "vars/mem_cmds.h"

namespace vars {

using core::Code;
using core::fail;
using core::Msg;
using core::Value;

namespace {

Value address_value(uint64_t address) {
  return Value(std::to_string(address));
}

uint64_t record_address(VarRef var) {
  return reinterpret_cast<uintptr_t>(var.record());
}

bool is_container(int kind) {
  return kind == VT_ARRAY || kind == VT_STRUCT || kind == VT_VARIANT || kind == VT_DICTIONARY ||
         kind == VT_STACK;
}

// 1, 2..3, 4..7 and 8 or more bytes read or write 1, 2, 4 and 8 bytes.
size_t access_width(int64_t width) {
  if (width >= 8) return 8;
  if (width >= 4) return 4;
  if (width >= 2) return 2;
  return 1;
}

// A width word: default 4; a number above 0 as it is, anything else 1.
int64_t width_word(const Value* word) {
  if (!word) return 4;
  int64_t w = core::leading_int(word->view());
  return w > 0 ? w : 1;
}

// The text at a checked address: its bytes up to the first NUL, never past
// the end of the block.
std::optional<Value> text_at(Interp& interp, uint64_t address) {
  return read_member_text(interp, address, core::kMaxScriptBlock);
}

int64_t read_signed_le(const unsigned char* p, size_t bytes) {
  uint64_t v = 0;
  for (size_t i = 0; i < bytes; ++i) v |= static_cast<uint64_t>(p[i]) << (8 * i);
  switch (bytes) {
    case 1:
      return static_cast<int8_t>(v);
    case 2:
      return static_cast<int16_t>(v);
    case 4:
      return static_cast<int32_t>(v);
    default:
      return static_cast<int64_t>(v);
  }
}

void write_le(unsigned char* p, size_t bytes, uint64_t v) {
  for (size_t i = 0; i < bytes; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}

// addressof name
// Results: the address of the variable's record, in decimal.
Code nuvelCommandAddressOf(Interp& interp, int, Value* argv, void*) {
  VarRef var = lookup(interp, argv[1].view());
  if (!var) return fail(interp, Msg::NotFound, argv[1]);
  if (var.is_constant()) return fail(interp, Msg::AddressOfConst, argv[1]);
  core::nuvelSetResult(interp, address_value(record_address(var)));
  return Code::Ok;
}

// addressofb name  (also strptr)
// Results: for a struct or a member its value (already an address); for any
// other variable the address of its value text, which stays readable through
// that address for as long as the variable holds that text.
Code nuvelCommandAddressOfb(Interp& interp, int, Value* argv, void*) {
  VarRef var = lookup(interp, argv[1].view());
  if (!var) return fail(interp, Msg::NotFound, argv[1]);
  if (var.is_constant()) return fail(interp, Msg::AddressOfConst, argv[1]);
  if (var.kind() == VT_STRUCT || var.kind() == VT_FIELD) {
    core::nuvelSetResult(interp, var.value());
    return Code::Ok;
  }
  core::nuvelSetResult(interp, address_value(text_address(interp, var)));
  return Code::Ok;
}

// ofaddress x
// Results: for a pointer variable (a struct member, a setb target) the bytes
// at its address (its size of them, or the text up to a NUL when it has no
// size); for an address of a variable record (addressof) that record's
// value; for an address inside a live block the text there.
Code nuvelCommandOfAddress(Interp& interp, int, Value* argv, void*) {
  VarRef var = argv[1].empty() ? VarRef() : lookup(interp, argv[1].view());
  Value word = argv[1];
  if (var) {
    if (is_container(var.kind())) return fail(interp, Msg::DerefStructOrArray, argv[1]);
    word = var.value();
  }
  std::optional<uint64_t> address = core::read_address(word.view());
  if (!address || *address == 0) return fail(interp, Msg::InvalidAddress, word);
  if (var && var.is_pointer()) {
    int64_t size = describe(var).size;
    if (size < 1) {
      std::optional<Value> text = text_at(interp, *address);
      if (!text) return fail(interp, Msg::InvalidAddress, word);
      core::nuvelSetResult(interp, *text);
      return Code::Ok;
    }
    std::optional<core::MemSpan> span =
        core::mem_registry(interp)->find(*address, static_cast<uint64_t>(size), false);
    if (!span) return fail(interp, Msg::InvalidAddress, word);
    core::nuvelSetResult(interp, Value(std::string_view(reinterpret_cast<const char*>(span->data),
                                                        static_cast<size_t>(size))));
    return Code::Ok;
  }
  if (VarRef rec = record_at(interp, *address)) {
    core::nuvelSetResult(interp, rec.value());
    return Code::Ok;
  }
  std::optional<Value> text = text_at(interp, *address);
  if (!text) return fail(interp, Msg::InvalidAddress, word);
  core::nuvelSetResult(interp, *text);
  return Code::Ok;
}

// malloc n
// Results: the address of n + 1 zero-filled bytes; the block lives until
// free or the end of the interpreter (leakmem lists the live ones).
Code nuvelCommandMalloc(Interp& interp, int, Value* argv, void*) {
  std::optional<int64_t> n = core::parse_int(argv[1].view());
  if (!n || *n <= 0 || *n >= core::kMaxScriptBlock) {
    return fail(interp, Msg::InvalidArgument, argv[1]);
  }
  uint64_t address =
      core::mem_registry(interp)->allocate(static_cast<size_t>(*n + 1), core::BlockKind::Malloc);
  if (address == 0) return fail(interp, Msg::InvalidArgument, argv[1]);
  core::nuvelSetResult(interp, address_value(address));
  return Code::Ok;
}

// free x
// Results: "1" when x (a variable holding the address, or the address
// itself) was the start of a live malloc block, which is released (the
// variable becomes "0"); otherwise "0" and an error.
Code nuvelCommandFree(Interp& interp, int, Value* argv, void*) {
  VarRef var = argv[1].empty() ? VarRef() : lookup(interp, argv[1].view());
  bool through_var = var && var.kind() == VT_AUTO && !var.is_constant() && !var.is_pointer();
  Value word = through_var ? var.value() : argv[1];
  std::optional<uint64_t> address = core::read_address(word.view());
  if (!address || *address == 0 || !core::mem_registry(interp)->release_malloc(*address)) {
    core::nuvelSetResult(interp, Value("0"));
    return fail(interp, Msg::FreeBadArgument);
  }
  if (through_var) assign(var, Value("0"));
  core::nuvelSetResult(interp, Value("1"));
  return Code::Ok;
}

// memcpy dst src len ?-t?
// Results: len.
// Side effects: copies len bytes (with -t len - 1 bytes and a NUL at
// dst + len - 1); both ranges must lie inside live blocks, the target in a
// struct or malloc block.
Code nuvelCommandMemcpy(Interp& interp, int argc, Value* argv, void*) {
  bool terminate = false;
  if (argc == 5) {
    if (!core::iequals(argv[4].view(), "-t")) return fail(interp, Msg::UnknownOption, argv[4]);
    terminate = true;
  }
  std::optional<uint64_t> dst = core::read_address(argv[1].view());
  std::optional<uint64_t> src = core::read_address(argv[2].view());
  std::optional<int64_t> len = core::parse_int(argv[3].view());
  if (!dst || !src || *dst == 0 || *src == 0 || !len || *len <= 0) {
    return fail(interp, Msg::MemErrorInArguments);
  }
  auto registry = core::mem_registry(interp);
  uint64_t n = static_cast<uint64_t>(*len);
  uint64_t copied = terminate ? n - 1 : n;
  std::optional<core::MemSpan> to = registry->find(*dst, n, true);
  if (!to) return fail(interp, Msg::InvalidAddress, argv[1]);
  if (copied > 0) {
    std::optional<core::MemSpan> from = registry->find(*src, copied, false);
    if (!from) return fail(interp, Msg::InvalidAddress, argv[2]);
    std::memmove(to->data, from->data, static_cast<size_t>(copied));
  }
  if (terminate) to->data[n - 1] = 0;
  return core::result_int(interp, *len);
}

// memset target char count
// Results: the number of bytes filled.
// Side effects: fills with the first character of char either the value of
// a plain variable (at most its length) or count bytes at an address that
// lies inside a struct or malloc block.
Code nuvelCommandMemset(Interp& interp, int, Value* argv, void*) {
  std::optional<int64_t> count = core::parse_int(argv[3].view());
  if (!count || *count <= 0) return fail(interp, Msg::MemInvalidArguments);
  char fill = argv[2].empty() ? '\0' : argv[2][0];
  VarRef var = argv[1].empty() ? VarRef() : lookup(interp, argv[1].view());
  if (var) {
    if (var.kind() != VT_AUTO || var.is_constant() || var.is_pointer() || var.value().empty()) {
      return fail(interp, Msg::MemInvalidArguments);
    }
    std::string text(var.value().view());
    size_t n = std::min<size_t>(text.size(), static_cast<size_t>(*count));
    std::memset(text.data(), fill, n);
    assign(var, Value(std::move(text)));
    return core::result_int(interp, static_cast<int64_t>(n));
  }
  std::optional<uint64_t> address = core::read_address(argv[1].view());
  if (!address || *address == 0) return fail(interp, Msg::MemInvalidArguments);
  std::optional<core::MemSpan> span =
      core::mem_registry(interp)->find(*address, static_cast<uint64_t>(*count), true);
  if (!span) return fail(interp, Msg::InvalidAddress, argv[1]);
  std::memset(span->data, fill, static_cast<size_t>(*count));
  return core::result_int(interp, *count);
}

// is_pointer name
// Results: "1" when the variable holds a memory address (struct members,
// setb targets), "0" when not or when the name is empty.
Code nuvelCommandIsPointer(Interp& interp, int, Value* argv, void*) {
  if (argv[1].empty()) return core::result_bool(interp, false);
  VarRef var = lookup(interp, argv[1].view());
  if (!var) return fail(interp, Msg::VariableNotFound, argv[1]);
  return core::result_bool(interp, var.is_pointer());
}

// sizeof type
// Results: the size of a type name: char and byte 1, short 2, float, double
// and int64 8, any other word 4.
Code nuvelCommandSizeof(Interp& interp, int, Value* argv, void*) {
  std::string_view t = argv[1].view();
  int64_t size = 4;
  if (core::iequals(t, "char") || core::iequals(t, "byte")) {
    size = 1;
  } else if (core::iequals(t, "short")) {
    size = 2;
  } else if (core::iequals(t, "float") || core::iequals(t, "double") || core::iequals(t, "int64")) {
    size = 8;
  }
  return core::result_int(interp, size);
}

// char | uchar | short | ushort | long | ulong | int | wide | signed |
// unsigned | uint | float | double  value
// Results: the value (decimal, 0x, 0b, 0o, &h or &b) converted to the type the
// command names; float and double print "%.15f".
Code nuvelCommandTypedValue(Interp& interp, int, Value* argv, void*) {
  std::string_view type = argv[0].view();
  std::string_view text = argv[1].view();
  expr::IntReading r = expr::read_int_text(text);
  if (r.unknown_type) return fail(interp, Msg::UnknownIntType, argv[1]);
  int64_t v = r.value;
  std::string out;
  if (type == "float" || type == "double") {
    bool based = text.find_first_of("xXbBoO&") != std::string_view::npos;
    double d = !based && text.find('.') != std::string_view::npos ? expr::read_double_text(text)
                                                                  : static_cast<double>(v);
    char buf[400];
    std::snprintf(buf, sizeof buf, "%.15f", d);
    out = buf;
  } else if (type == "char") {
    out = std::to_string(static_cast<int8_t>(v));
  } else if (type == "uchar") {
    out = std::to_string(static_cast<uint8_t>(v));
  } else if (type == "short") {
    out = std::to_string(static_cast<int16_t>(v));
  } else if (type == "ushort") {
    out = std::to_string(static_cast<uint16_t>(v));
  } else if (type == "long") {
    out = std::to_string(static_cast<int32_t>(v));
  } else if (type == "ulong") {
    out = std::to_string(static_cast<uint32_t>(v));
  } else if (type == "unsigned" || type == "uint") {
    out = std::to_string(static_cast<uint64_t>(v));
  } else {
    out = std::to_string(v);
  }
  core::nuvelSetResult(interp, Value(std::move(out)));
  return Code::Ok;
}

const char* dump_kind(VarRef var) {
  switch (var.kind()) {
    case VT_ARRAY:
      return "array";
    case VT_STRUCT:
      return "struct";
    case VT_STACK:
      return "stack";
    default:
      return var.is_pointer() ? "pvar" : "var";
  }
}

std::string hex(uint64_t v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%" PRIx64, v);
  return buf;
}

// The chain of links from a record to the variable that holds the value.
std::string link_chain(VarRef var) {
  VarInfo info = describe(var);
  std::string out;
  char buf[512];
  if (!var.is_link()) {
    std::snprintf(buf, sizeof buf, "\n * Var %i::'%s' has no parents\n", info.level,
                  info.name.c_str());
    return buf;
  }
  std::snprintf(buf, sizeof buf, "\n \u250c Parents of %i::'%s' (0x%s / %" PRIu64 "):\n",
                info.level, info.name.c_str(),
                hex(reinterpret_cast<uintptr_t>(info.address)).c_str(),
                static_cast<uint64_t>(reinterpret_cast<uintptr_t>(info.address)));
  out += buf;
  out += info.value.view();
  out += "\n \u2502 Lvl::Variable Name           This       -> Parent      Type    Const\n";
  VarRef at = var;
  for (int hops = 0; at && hops < 1000; ++hops) {
    VarInfo i = describe(at);
    std::snprintf(buf, sizeof buf,
                  " \u251c %3i::%-20.20s\t0x%8.8" PRIx64 " -> 0x%8.8" PRIx64 "  %-.10s   %s\n",
                  i.level, i.name.c_str(),
                  static_cast<uint64_t>(reinterpret_cast<uintptr_t>(i.address)),
                  static_cast<uint64_t>(reinterpret_cast<uintptr_t>(i.parent)),
                  var_type_name(i.kind), i.is_constant ? "True" : "False");
    out += buf;
    out += i.value.view();
    out += "\n";
    at = at.target();
  }
  return out;
}

}  // namespace

std::string hex_dump(const unsigned char* data, size_t length, uint64_t address) {
  std::string out = "\n Address    0  1  2  3  4  5  6  7    8  9  A  B  C  D  E  F  ASCII\n";
  out += " " + std::string(76, '-') + "\n";
  char buf[64];
  for (size_t row = 0; row < length; row += 16) {
    std::snprintf(buf, sizeof buf, " %8.8" PRIx64 "  ", address + row);
    out += buf;
    std::string ascii;
    for (size_t i = 0; i < 16; ++i) {
      if (i == 8) out += "- ";
      if (row + i < length) {
        unsigned char c = data[row + i];
        std::snprintf(buf, sizeof buf, "%2.2X ", c);
        out += buf;
        if (c == '\r') {
          ascii += "\u25c4";
        } else if (c == '\n') {
          ascii += "\u2518";
        } else if (c < 32 || c >= 127) {
          ascii += ".";
        } else {
          ascii.push_back(static_cast<char>(c));
        }
      } else {
        out += "   ";
      }
    }
    out += " " + ascii + "\n";
  }
  return out;
}

// ofaddressb x ?width?
// Results: the signed little-endian integer of 1, 2, 4 or 8 bytes (width
// 1, 2..3, 4..7, 8 and more; default 4) at the address a variable holds; for
// a literal address, the text there.
Code nuvelCommandOfAddressB(Interp& interp, int argc, Value* argv, void*) {
  VarRef var = argv[1].empty() ? VarRef() : lookup(interp, argv[1].view());
  if (!var) {
    std::optional<uint64_t> address = core::read_address(argv[1].view());
    if (address && *address == 0) return fail(interp, Msg::NullAddress, argv[1]);
    std::optional<Value> text = address ? text_at(interp, *address) : std::nullopt;
    if (!text) return fail(interp, Msg::InvalidAddress, argv[1]);
    core::nuvelSetResult(interp, *text);
    return Code::Ok;
  }
  if (var.is_constant()) return fail(interp, Msg::DerefConst, argv[1]);
  if (is_container(var.kind())) return fail(interp, Msg::DerefMember, argv[1]);
  std::optional<uint64_t> address = core::read_address(var.value().view());
  if (!address || *address == 0) return fail(interp, Msg::NullAddress, argv[1]);
  size_t bytes = access_width(width_word(argc == 3 ? &argv[2] : nullptr));
  std::optional<core::MemSpan> span = core::mem_registry(interp)->find(*address, bytes, false);
  if (!span) return fail(interp, Msg::InvalidAddress, var.value());
  return core::result_int(interp, read_signed_le(span->data, bytes));
}

// setb target source ?width? ?-value?
// Results: the source text ("0" when the write was refused).
// Side effects: writes the source number in 1, 2, 4 or 8 little-endian bytes
// at the address the pointer variable target holds (a member limits the
// width to its size); a source that is not a number is copied into a member
// as bytes. A missing target is made as an empty pointer variable. A source
// naming a variable gives that variable's value unless -value is given.
Code nuvelCommandSetb(Interp& interp, int argc, Value* argv, void*) {
  bool literal = false;
  const Value* width_arg = nullptr;
  for (int k = 3; k < argc; ++k) {
    if (core::iequals(argv[k].view(), "-value")) {
      literal = true;
    } else if (!width_arg) {
      width_arg = &argv[k];
    }
  }
  std::string_view name = argv[1].view();
  VarRef target = name.empty() ? VarRef() : lookup(interp, name);
  if (!target) {
    if (name.empty() || set_var(interp, name, Value()) != 0 || !(target = lookup(interp, name))) {
      return fail(interp, Msg::PointerCreateFailed, argv[1]);
    }
    set_pointer(target, true);
  }
  if (target.is_constant()) return fail(interp, Msg::SetbConst, argv[1]);
  if (!target.is_pointer()) return fail(interp, Msg::SetbNotPointer, argv[1]);
  bool member = target.kind() == VT_FIELD;
  int64_t width = width_word(width_arg);
  int64_t member_size = describe(target).size;
  if (member && member_size > 0) width = std::min(width, member_size);
  Value source = argv[2];
  if (!literal && !source.empty()) {
    VarRef named = lookup(interp, source.view());
    if (named && !is_container(named.kind())) source = named.value();
  }
  Value address_word = target.value();
  std::optional<uint64_t> address = core::read_address(address_word.view());
  auto refuse = [&]() {
    core::nuvelSetResult(interp, Value("0"));
    return fail(interp, Msg::SetbDerefFailed, address_word, argv[2], argv[1]);
  };
  if (!address || *address == 0) return refuse();
  auto registry = core::mem_registry(interp);
  if (expr::classify_text(source.view()) == expr::NumClass::NotNumeric) {
    // Bytes rather than a number: up to the member's size (or the width),
    // followed by a NUL when there is room.
    int64_t room = member && member_size > 0 ? member_size : width;
    if (member) platform::out(core::text_of(Msg::SetbAssignBytes, name, room));
    std::optional<core::MemSpan> span = registry->find(*address, static_cast<uint64_t>(room), true);
    if (!span) return refuse();
    size_t n = std::min<size_t>(source.size(), static_cast<size_t>(room));
    if (n > 0) std::memcpy(span->data, source.view().data(), n);
    if (n < static_cast<size_t>(room)) span->data[n] = 0;
    core::nuvelSetResult(interp, argv[2]);
    return Code::Ok;
  }
  size_t bytes = access_width(width);
  std::optional<core::MemSpan> span = registry->find(*address, bytes, true);
  if (!span) return refuse();
  write_le(span->data, bytes, static_cast<uint64_t>(expr::read_int_text(source.view()).value));
  core::nuvelSetResult(interp, argv[2]);
  return Code::Ok;
}

// dump ?name? ?-echo? ?-crlf?  (also struct dump)
// Results: "".
// Side effects: prints the variable's kind, level, record and data addresses
// (decimal and hexadecimal), its members (structs), a hex dump of its data
// (a struct's block, else its value text) and its chain of links.
Code nuvelCommandDump(Interp& interp, int argc, Value* argv, void*) {
  std::string_view name;
  for (int k = 1; k < argc; ++k) {
    std::string_view w = argv[k].view();
    if (w.empty() || w[0] != '-') {
      name = argv[1].view();
      break;
    }
  }
  if (name.empty()) {
    // The interpreter keeps no copy of the script it was started with.
    return fail(interp, Msg::DumpNoScript);
  }
  VarRef var = lookup(interp, name);
  if (!var) return fail(interp, Msg::DumpVarNotFound, name);
  std::optional<StructInfo> info = var.kind() == VT_STRUCT ? struct_info(var) : std::nullopt;
  const unsigned char* data = nullptr;
  size_t length = 0;
  uint64_t data_address = 0;
  std::optional<core::MemSpan> span;
  if (info) {
    span =
        core::mem_registry(interp)->find(info->address, static_cast<uint64_t>(info->size), false);
    if (span) {
      data = span->data;
      length = static_cast<size_t>(info->size);
      data_address = info->address;
    }
  } else if (var.kind() != VT_STRUCT && !var.value().empty()) {
    data = reinterpret_cast<const unsigned char*>(var.value().c_str());
    length = var.value().size();
    data_address = reinterpret_cast<uintptr_t>(data);
  }
  if (!data) {
    return fail(interp, Msg::DumpNullAddress, name, var.kind() == VT_STRUCT ? "block-" : "");
  }
  Value keep = var.value();  // the printed text stays put while we print it
  VarInfo vi = describe(var);
  uint64_t rec = reinterpret_cast<uintptr_t>(vi.address);
  std::string out = "\n ";
  out += dump_kind(var);
  char buf[512];
  std::snprintf(
      buf, sizeof buf, " '%s' level %i (0x%s) data @%" PRIu64 " (0x%s)\n \u2502\t%zu byte(s)",
      vi.name.c_str(), vi.level, hex(rec).c_str(), data_address, hex(data_address).c_str(), length);
  out += buf;
  if (info) {
    std::snprintf(buf, sizeof buf, ", %zu member(s)\n", info->members.size());
    out += buf;
    int index = 1;
    for (const MemberInfo& m : info->members) {
      std::snprintf(buf, sizeof buf, "%i:'->%s'\t=> %" PRIu64 " (0x%s) %" PRId64 " byte(s)\n",
                    index++, m.name.c_str(), m.address, hex(m.address).c_str(), m.width);
      out += buf;
    }
  } else if (var.kind() == VT_STACK) {
    std::shared_ptr<const containers::Stack> stack = var.stack();
    std::snprintf(buf, sizeof buf, ", %i size, %i item(s)\n", stack ? stack->capacity() : 0,
                  stack ? stack->count() : 0);
    out += buf;
  } else if (var.kind() == VT_ARRAY) {
    out += " (Array data not shown. Use: array walk arrayname)\n";
  } else if (var.kind() == VT_DICTIONARY) {
    out += " (Dictionary data not shown. Use: dict walk dictname)\n";
  } else {
    out += "\n";
  }
  out += hex_dump(data, length, data_address);
  out += link_chain(var);
  platform::out(out);
  core::nuvelResetResult(interp);
  return Code::Ok;
}

namespace {

constexpr core::CommandRow kPointerCommands[] = {
    {"addressof", nuvelCommandAddressOf, 2, 2, "name"},
    {"addressofb", nuvelCommandAddressOfb, 2, 2, "name"},
    {"strptr", nuvelCommandAddressOfb, 2, 2, "name"},
    {"ofaddress", nuvelCommandOfAddress, 2, 2, "x"},
    {"ofaddressb", nuvelCommandOfAddressB, 2, 3, "x ?width?"},
    {"setb", nuvelCommandSetb, 3, 5, "target source ?width? ?-value?"},
    {"malloc", nuvelCommandMalloc, 2, 2, "n"},
    {"free", nuvelCommandFree, 2, 2, "x"},
    {"memcpy", nuvelCommandMemcpy, 4, 5, "dst src len ?-t?"},
    {"memset", nuvelCommandMemset, 4, 4, "target char count"},
    {"is_pointer", nuvelCommandIsPointer, 2, 2, "name"},
    {"sizeof", nuvelCommandSizeof, 2, 2, "type"},
    {"char", nuvelCommandTypedValue, 2, 2, "value"},
    {"uchar", nuvelCommandTypedValue, 2, 2, "value"},
    {"short", nuvelCommandTypedValue, 2, 2, "value"},
    {"ushort", nuvelCommandTypedValue, 2, 2, "value"},
    {"long", nuvelCommandTypedValue, 2, 2, "value"},
    {"ulong", nuvelCommandTypedValue, 2, 2, "value"},
    {"int", nuvelCommandTypedValue, 2, 2, "value"},
    {"wide", nuvelCommandTypedValue, 2, 2, "value"},
    {"signed", nuvelCommandTypedValue, 2, 2, "value"},
    {"unsigned", nuvelCommandTypedValue, 2, 2, "value"},
    {"uint", nuvelCommandTypedValue, 2, 2, "value"},
    {"float", nuvelCommandTypedValue, 2, 2, "value"},
    {"double", nuvelCommandTypedValue, 2, 2, "value"},
    {"dump", nuvelCommandDump, 1, 4, "?name? ?-echo? ?-crlf?"},
};

}  // namespace

[[gnu::section(".text.startup.register")]] void register_pointer_cmds(core::Interp& interp) {
  core::register_rows(interp, kPointerCommands);
}

}  // namespace vars
