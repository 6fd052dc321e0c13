// Structures: the struct command and its subcommands, the member operators
// -> and =>, new (a copy of a layout) and the byte comparison <=>. A struct
// is one zero-filled block with its fields laid out in order without
// padding; every field is also a variable named struct.field whose value is
// the decimal address of its bytes. Bytes are reached only through the
// memory registry, so a struct released elsewhere is never touched.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "core/cmd_helpers.h"
#include "core/list_value.h"
#include "core/mem_registry.h"
#include "core/var_store.h"
#include "vars/mem_cmds.h"

namespace vars {
namespace {

using core::Code;
using core::fail;
using core::Msg;
using core::Value;

constexpr size_t kMaxFieldName = 256;

std::vector<std::string_view> blank_words(std::string_view text) {
  std::vector<std::string_view> out;
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && core::is_blank(text[i])) ++i;
    size_t start = i;
    while (i < text.size() && !core::is_blank(text[i])) ++i;
    if (i > start) out.push_back(text.substr(start, i - start));
  }
  return out;
}

// Cuts the field elements into one text per field ("name width"). An element
// of an even number of words above two holds several pairs; a run of
// one-word elements pairs up as name, width (so {x 4 y 4} is two fields);
// any other element is one field.
std::vector<std::string> field_texts(const std::vector<Value>& elements) {
  std::vector<std::string> out;
  for (size_t i = 0; i < elements.size(); ++i) {
    std::vector<std::string_view> words = blank_words(elements[i].view());
    if (words.size() > 2 && words.size() % 2 == 0) {
      for (size_t k = 0; k < words.size(); k += 2) {
        out.push_back(std::string(words[k]) + " " + std::string(words[k + 1]));
      }
    } else if (words.size() == 1 && i + 1 < elements.size() &&
               blank_words(elements[i + 1].view()).size() == 1) {
      out.push_back(std::string(words[0]) + " " + std::string(elements[i + 1].view()));
      ++i;
    } else {
      out.push_back(std::string(elements[i].view()));
    }
  }
  return out;
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && core::is_blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && core::is_blank(s.back())) s.remove_suffix(1);
  return s;
}

// Reads the fields; false (reported) when the list ends the command. Fields
// with braces or quotes, or without a width, are reported and skipped.
bool parse_fields(Interp& interp, std::string_view struct_name, const std::vector<Value>& elements,
                  std::vector<FieldSpec>& fields) {
  for (const std::string& text : field_texts(elements)) {
    if (text.find_first_of("{}\"") != std::string::npos) {
      (void)fail(interp, Msg::StructFieldIllegal, struct_name, text);
      continue;
    }
    std::string_view t = trim(text);
    size_t blank = t.find_first_of(" \t");
    if (blank == std::string_view::npos) {
      (void)fail(interp, Msg::StructFieldMissingArg, struct_name, text);
      continue;
    }
    std::string_view name = trim(t.substr(0, blank)).substr(0, kMaxFieldName);
    int64_t width = core::leading_int(t.substr(blank + 1));
    if (name.empty() || width <= 0) {
      (void)fail(interp, Msg::StructFieldSyntax, struct_name, text);
      return false;
    }
    fields.push_back({std::string(name), width});
  }
  return true;
}

std::string bare_name(std::string_view name) {
  return std::string(core::strip_global_prefix(name));
}

// The member variable names of a struct to be made: "::p" keeps its prefix
// so that the look-up searches the global frame.
std::string member_name(std::string_view name, const FieldSpec& f) {
  return std::string(name) + "." + f.name;
}

// Creates a struct after every check: the name and the member names must be
// free, the fields must fit the declared size (`declared` < 0: none).
Code build_struct(Interp& interp, std::string_view name, int64_t declared,
                  const std::vector<FieldSpec>& fields) {
  core::nuvelSetResult(interp, Value("0"));
  int64_t sum = 0;
  for (const FieldSpec& f : fields) {
    sum += std::min<int64_t>(f.width, core::kMaxScriptBlock + 1);
    sum = std::min<int64_t>(sum, core::kMaxScriptBlock + 1);
  }
  if (declared >= 0 && declared < sum) return fail(interp, Msg::StructFieldsExceed, sum, declared);
  int64_t size = declared >= 0 ? declared : sum;
  if (size <= 0 || size > core::kMaxScriptBlock || fields.empty()) {
    return fail(interp, Msg::StructInvalidSize, bare_name(name), size);
  }
  for (size_t i = 0; i < fields.size(); ++i) {
    std::string m = member_name(name, fields[i]);
    bool duplicate = false;
    for (size_t k = 0; k < i; ++k) duplicate = duplicate || fields[k].name == fields[i].name;
    if (duplicate || var_exists(interp, m)) {
      return fail(interp, Msg::StructMemberExists, core::strip_global_prefix(m));
    }
  }
  VarRef s = create_struct(interp, name, size, fields);
  if (!s) return fail(interp, Msg::StructRootFailed, bare_name(name));
  core::nuvelSetResult(interp, s.value());
  return Code::Ok;
}

// struct ?create? name ?size? {fields}  (also the fields as separate words)
// Results: the block address ("0" when nothing was made).
// Side effects: makes the struct variable and one member variable per field.
Code create_from_words(Interp& interp, int argc, Value* argv, int name_at) {
  core::nuvelSetResult(interp, Value("0"));
  std::string_view name = argv[name_at].view();
  if (name.empty() || var_exists(interp, name)) {
    return fail(interp, Msg::StructVarExists, bare_name(name));
  }
  int first = name_at + 1;
  int64_t declared = -1;
  if (argc - first >= 2) {
    if (std::optional<int64_t> n = core::parse_int(trim(argv[first].view()))) {
      declared = *n;
      ++first;
    }
  }
  std::vector<Value> elements;
  if (argc - first == 1) {
    elements = core::list_read_standard(trim(argv[first].view()));
  } else {
    for (int k = first; k < argc; ++k) elements.push_back(argv[k]);
  }
  if (elements.empty()) return fail(interp, Msg::StructParseFailed);
  std::vector<FieldSpec> fields;
  if (!parse_fields(interp, bare_name(name), elements, fields)) return Code::Error;
  return build_struct(interp, name, declared, fields);
}

Code struct_create(Interp& interp, int argc, Value* argv, void*) {
  return create_from_words(interp, argc, argv, 2);
}

// A member word "struct.field": the struct's variable and the field name.
struct MemberWord {
  std::string_view owner;
  std::string_view field;
};
std::optional<MemberWord> split_member(std::string_view word) {
  size_t dot = word.find('.');
  if (dot == std::string_view::npos) return std::nullopt;
  return MemberWord{word.substr(0, dot), word.substr(dot + 1)};
}

// -> struct.member  (also struct item)
// Results: the member's bytes up to the first NUL or its width.
Code nuvelCommandStructItem(Interp& interp, int, Value* argv, void*) {
  std::string_view word = argv[1].view();
  std::optional<MemberWord> mw = split_member(word);
  if (!mw) return fail(interp, Msg::StructMemberInvalid, "item", word);
  VarRef owner = lookup(interp, mw->owner);
  std::optional<StructInfo> info = struct_info(owner);
  if (!info || info->size <= 0 || info->members.empty()) {
    return fail(interp, Msg::StructItemNoStruct, mw->owner);
  }
  std::optional<MemberInfo> m = struct_member(owner, mw->field);
  if (!m) return fail(interp, Msg::StructItemNoMember, word);
  core::nuvelSetResult(interp, read_member_text(interp, m->address, m->width).value_or(Value()));
  return Code::Ok;
}

// => struct.member value ?length?  (also struct set with a value)
// Results: the member's address.
// Side effects: zeroes the member, then copies in at most its width of the
// value (or of length bytes); a value that fills the width has no NUL.
Code nuvelCommandStructSet(Interp& interp, int argc, Value* argv, void*) {
  std::string_view word = argv[1].view();
  std::optional<MemberWord> mw = split_member(word);
  if (!mw) return fail(interp, Msg::StructMemberInvalid, "put", word);
  int64_t length = -1;
  if (argc == 4) {
    std::optional<int64_t> n = core::parse_int(trim(argv[3].view()));
    if (!n || *n <= 0) return fail(interp, Msg::StructBadLength, "put", argv[3]);
    length = *n;
  }
  VarRef owner = lookup(interp, mw->owner);
  std::optional<StructInfo> info = struct_info(owner);
  if (!info) return fail(interp, Msg::StructPutNoStruct, mw->owner);
  std::optional<MemberInfo> m = struct_member(owner, mw->field);
  if (!m) return fail(interp, Msg::StructPutNoMember, word);
  std::optional<core::MemSpan> span =
      core::mem_registry(interp)->find(m->address, static_cast<uint64_t>(m->width), true);
  if (!span) return fail(interp, Msg::StructPutInvalidAddress);
  std::string_view value = argv[2].view();
  size_t n = value.size();
  if (length >= 0) n = std::min<size_t>(n, static_cast<size_t>(length));
  n = std::min<size_t>(n, static_cast<size_t>(m->width));
  std::memset(span->data, 0, static_cast<size_t>(m->width));
  if (n > 0) std::memcpy(span->data, value.data(), n);
  core::nuvelSetResult(interp, Value(std::to_string(m->address)));
  return Code::Ok;
}

// struct set struct.member ?value? ?length?: reads without a value.
Code struct_set(Interp& interp, int argc, Value* argv, void*) {
  if (argc == 3) return core::run_handler(interp, nuvelCommandStructItem, argc - 1, argv + 1);
  return core::run_handler(interp, nuvelCommandStructSet, argc - 1, argv + 1);
}

Code struct_item(Interp& interp, int argc, Value* argv, void*) {
  return core::run_handler(interp, nuvelCommandStructItem, argc - 1, argv + 1);
}

Code struct_setb(Interp& interp, int argc, Value* argv, void*) {
  return core::run_handler(interp, nuvelCommandSetb, argc - 1, argv + 1);
}

Code struct_ofaddressb(Interp& interp, int argc, Value* argv, void*) {
  return core::run_handler(interp, nuvelCommandOfAddressB, argc - 1, argv + 1);
}

Code struct_dump(Interp& interp, int argc, Value* argv, void*) {
  return core::run_handler(interp, nuvelCommandDump, argc - 1, argv + 1);
}

// struct unset name ?-nocomplain? ?-const?
// Side effects: deletes the members, frees the block and removes the struct.
Code struct_unset(Interp& interp, int argc, Value* argv, void*) {
  bool quiet = false;
  std::string_view name;
  for (int k = 2; k < argc; ++k) {
    std::string_view w = argv[k].view();
    if (w == "-nocomplain" || w == "-const") {
      quiet = true;
    } else if (name.empty()) {
      name = w;
    }
  }
  VarRef var = lookup(interp, name).pinned();
  if (!var || !struct_info(var)) {
    if (quiet) return Code::Ok;
    return fail(interp, Msg::StructNotFound, name);
  }
  (void)release_struct(interp, var);
  return Code::Ok;
}

// struct size name
// Results: the block size in bytes.
Code struct_size(Interp& interp, int, Value* argv, void*) {
  std::optional<StructInfo> info = struct_info(lookup(interp, argv[2].view()));
  if (!info) return fail(interp, Msg::StructNotFound, argv[2]);
  return core::result_int(interp, info->size);
}

// struct elements name ?-value? ?-size?
// Results: the member names separated by single spaces; with -value their
// addresses, with -size their widths.
Code struct_elements(Interp& interp, int argc, Value* argv, void*) {
  std::optional<StructInfo> info = struct_info(lookup(interp, argv[2].view()));
  if (!info) return fail(interp, Msg::StructNotAStruct, argv[2]);
  bool values = false;
  bool sizes = false;
  for (int k = 3; k < argc; ++k) {
    if (core::iequals(argv[k].view(), "-value")) {
      values = true;
    } else if (core::iequals(argv[k].view(), "-size")) {
      sizes = true;
    } else {
      return fail(interp, Msg::UnknownOption, argv[k]);
    }
  }
  std::string out;
  for (const MemberInfo& m : info->members) {
    if (!out.empty()) out.push_back(' ');
    if (sizes) {
      out += std::to_string(m.width);
    } else if (values) {
      out += std::to_string(m.address);
    } else {
      out += m.name;
    }
  }
  core::nuvelSetResult(interp, Value(std::move(out)));
  return Code::Ok;
}

// struct copy name address
// Results: the struct's size.
// Side effects: copies size bytes from the address into the block; the
// whole source range must lie in one live block.
Code struct_copy(Interp& interp, int, Value* argv, void*) {
  std::optional<StructInfo> info = struct_info(lookup(interp, argv[2].view()));
  std::optional<uint64_t> from = core::read_address(argv[3].view());
  if (!info || info->size <= 0 || !from || *from == 0) return fail(interp, Msg::StructCopyError);
  auto registry = core::mem_registry(interp);
  std::optional<core::MemSpan> src =
      registry->find(*from, static_cast<uint64_t>(info->size), false);
  if (!src) return fail(interp, Msg::InvalidAddress, argv[3]);
  std::optional<core::MemSpan> dst =
      registry->find(info->address, static_cast<uint64_t>(info->size), true);
  if (!dst) return fail(interp, Msg::StructCopyError);
  std::memmove(dst->data, src->data, static_cast<size_t>(info->size));
  return core::result_int(interp, info->size);
}

// struct clear name
// Side effects: zeroes the struct's block.
Code struct_clear(Interp& interp, int, Value* argv, void*) {
  std::optional<StructInfo> info = struct_info(lookup(interp, argv[2].view()));
  std::optional<core::MemSpan> span;
  if (info) {
    span = core::mem_registry(interp)->find(info->address, static_cast<uint64_t>(info->size), true);
  }
  if (!span) return fail(interp, Msg::SubVariableNotFound, argv[2]);
  std::memset(span->data, 0, static_cast<size_t>(info->size));
  return Code::Ok;
}

constexpr core::EnsembleRow kStructRows[] = {
    {"create", struct_create, 4, core::kAnyWords, "create name ?size? {fields}"},
    {"unset", struct_unset, 3, 5, "unset name ?-nocomplain? ?-const?"},
    {"size", struct_size, 3, 3, "size name"},
    {"elements", struct_elements, 3, 5, "elements name ?-value? ?-size?"},
    {"set", struct_set, 3, 5, "set struct.member ?value? ?length?"},
    {"item", struct_item, 3, 3, "item struct.member"},
    {"setb", struct_setb, 4, 6, "setb target source ?width? ?-value?"},
    {"ofaddressb", struct_ofaddressb, 3, 4, "ofaddressb name ?width?"},
    {"dump", struct_dump, 2, 5, "dump ?name? ?-echo? ?-crlf?"},
    {"copy", struct_copy, 4, 4, "copy name address"},
    {"clear", struct_clear, 3, 3, "clear name"},
};

constexpr core::Ensemble kStructEnsemble{"struct", kStructRows, Msg::UnknownSubcommand};

// struct name ?size? {fields} | struct subcommand ...
// A first word that is not a subcommand names a new struct.
Code nuvelCommandStruct(Interp& interp, int argc, Value* argv, void*) {
  if (core::find_subcommand(kStructEnsemble, argv[1].view())) {
    return core::dispatch_ensemble(interp, kStructEnsemble, argc, argv);
  }
  if (argc < 3) return core::nuvelWrongArgs(interp, argc, argv);
  return create_from_words(interp, argc, argv, 1);
}

// new source newname
// Side effects: makes struct newname with the fields of source (same names
// after the struct name, widths and order; size the sum of the widths).
Code nuvelCommandNew(Interp& interp, int, Value* argv, void*) {
  std::string_view name = argv[2].view();
  if (VarRef existing = lookup(interp, name)) {
    return fail(interp, existing.is_constant() ? Msg::StructConstExists : Msg::StructVarExists,
                bare_name(name));
  }
  std::optional<StructInfo> info = struct_info(lookup(interp, argv[1].view()));
  if (!info || info->members.empty()) return fail(interp, Msg::StructInvalidSource);
  std::vector<FieldSpec> fields;
  for (const MemberInfo& m : info->members) fields.push_back({m.field, m.width});
  if (name.empty()) return fail(interp, Msg::StructVarExists, name);
  return build_struct(interp, name, -1, fields);
}

// <=> a b
// Results: "-1", "0" or "1" as a compares with b byte by byte (unsigned).
Code nuvelCommandCompareBytes(Interp& interp, int, Value* argv, void*) {
  std::string_view a = argv[1].view();
  std::string_view b = argv[2].view();
  size_t n = std::min(a.size(), b.size());
  int c = n ? std::memcmp(a.data(), b.data(), n) : 0;
  if (c == 0) c = a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
  return core::result_int(interp, c < 0 ? -1 : (c > 0 ? 1 : 0));
}

constexpr core::CommandRow kStructCommands[] = {
    {"struct", nuvelCommandStruct, 2, core::kAnyWords,
     "name ?size? {fields} | subcommand ?arg ...?"},
    {"->", nuvelCommandStructItem, 2, 2, "struct.member"},
    {"=>", nuvelCommandStructSet, 3, 4, "struct.member value ?length?"},
    {"new", nuvelCommandNew, 3, 3, "source newname"},
    {"<=>", nuvelCommandCompareBytes, 3, 3, "a b"},
};

}  // namespace

[[gnu::section(".text.startup.register")]] void register_struct_cmds(core::Interp& interp) {
  core::register_rows(interp, kStructCommands);
  core::register_ensemble(interp, kStructEnsemble);
}

}  // namespace vars
