// Conversions between arrays and texts or lists: array_to_string,
// string_to_array, array_to_list and list_to_array.
#include "collections/array_store.h"
#include "containers/hash_table.h"
#include "core/cmd_helpers.h"
#include "core/collection_text.h"
#include "core/list_value.h"
#include "core/var_store.h"

namespace collections {
namespace {

using core::Code;
using core::fail;
using core::Interp;
using core::Msg;
using core::Value;
using vars::VarRef;

// Whether `count` items numbered from `start` all have an index (the last
// one must not pass the largest integer).
bool indexes_fit(int64_t start, size_t count) {
  int64_t last;
  return count == 0 || !__builtin_add_overflow(start, static_cast<int64_t>(count - 1), &last);
}

Code start_too_large(Interp& interp, int64_t start, size_t count) {
  return fail(interp, Msg::StartIndexTooLarge, start, count);
}

// The array `name` when it has a table, else null.
VarRef table_array(Interp& interp, std::string_view name) {
  VarRef a = vars::as_array(interp, name);
  return a && a.table() ? a : VarRef();
}

// array_to_string name ?-start n? ?-stop n? ?-stopstr text? ?-join text? ?-nocase?
// Results: the values of name(start) ... name(stop-1) joined, ending before
// the first value equal to the stop text.
Code nuvelCommandArrayToString(Interp& interp, int argc, Value* argv, void*) {
  int64_t start = 0, stop = -1;
  const Value* stopstr = nullptr;
  Value join;
  bool nocase = false;
  for (int k = 2; k < argc; ++k) {
    std::string_view w = argv[k].view();
    bool has_next = k + 1 < argc;
    if (core::iequals(w, "-start") && has_next) {
      start = core::leading_int(argv[++k].view());
    } else if (core::iequals(w, "-stop") && has_next) {
      stop = core::leading_int(argv[++k].view());
    } else if (core::iequals(w, "-stopstr") && has_next) {
      stopstr = &argv[++k];
    } else if (core::iequals(w, "-join") && has_next) {
      join = argv[++k];
    } else if (core::iequals(w, "-nocase")) {
      nocase = true;
    } else {
      return fail(interp, Msg::UnknownOption, argv[k]);
    }
  }
  VarRef a = table_array(interp, argv[1].view());
  if (!a) return fail(interp, Msg::ArrayAccessError, argv[1]);
  int64_t count = a.table()->count();
  if (stop < 0 || stop > count) stop = count;
  if (start > count - 1) start = count - 1;
  if (start < 0) start = 0;
  std::string out;
  bool first = true;
  for (int64_t i = start; i < stop; ++i) {
    Value v;
    if (!a.table()->get(std::to_string(i), &v)) continue;
    if (stopstr && containers::equal_text(v.view(), stopstr->view(), nocase)) break;
    if (!first) out += join.view();
    out += v.view();
    first = false;
  }
  core::nuvelSetResult(interp, Value(std::move(out)));
  return Code::Ok;
}

// string_to_array text name ?-chars? ?-asc? ?-stopchar c? ?-start n? ?-append?
// Results: the number of elements written.
// Side effects: stores the lines (or characters) of text as name(n), name(n+1)...
Code nuvelCommandStringToArray(Interp& interp, int argc, Value* argv, void*) {
  std::string name(argv[2].view());
  bool chars = false, asc = false, append = false;
  int64_t start = 0;
  std::string_view text = argv[1].view();
  for (int k = 3; k < argc; ++k) {
    std::string_view w = argv[k].view();
    if (core::iequals(w, "-chars")) {
      chars = true;
    } else if (core::iequals(w, "-asc")) {
      chars = asc = true;
    } else if (core::iequals(w, "-append")) {
      append = true;
    } else if (core::iequals(w, "-stopchar") && k + 1 < argc) {
      std::string_view c = argv[++k].view();
      if (!c.empty()) {
        size_t at = text.find(c[0]);
        if (at != std::string_view::npos) text = text.substr(0, at);
      }
    } else if (core::iequals(w, "-start") && k + 1 < argc) {
      start = std::max<int64_t>(0, core::leading_int(argv[++k].view()));
    }
  }
  if (append) {
    VarRef a = table_array(interp, name);
    if (!a) return fail(interp, Msg::ArrayMissingForAppend, name);
    start = a.table()->count();
  } else if (vars::lookup(interp, name)) {
    return fail(interp, Msg::ArrayExists, name);
  }
  std::vector<Value> pieces;
  if (chars) {
    for (char c : text) {
      pieces.emplace_back(asc ? std::to_string(static_cast<unsigned char>(c)) : std::string(1, c));
    }
  } else {
    size_t from = 0;
    while (from < text.size()) {
      size_t nl = text.find('\n', from);
      size_t end = nl == std::string_view::npos ? text.size() : nl;
      std::string_view line = text.substr(from, end - from);
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      pieces.emplace_back(line);
      from = nl == std::string_view::npos ? text.size() : nl + 1;
    }
  }
  if (!indexes_fit(start, pieces.size())) return start_too_large(interp, start, pieces.size());
  for (size_t i = 0; i < pieces.size(); ++i) {
    int64_t index = start + static_cast<int64_t>(i);
    if (vars::nuvelArraySetElement(interp, name, std::to_string(index), pieces[i], false, false) !=
        0) {
      return fail(interp, Msg::ArrayWriteFailed, name, index);
    }
  }
  return core::result_int(interp, static_cast<int64_t>(pieces.size()));
}

// array_to_list name ?-values? ?varname?
// Results: the elements as a list of {key value} pairs (or the values only),
// "{}" when nothing is listed.
// Side effects: also stores the list in varname when given.
Code nuvelCommandArrayToList(Interp& interp, int argc, Value* argv, void*) {
  bool values_only = core::find_option(argc, argv, "-values", 2) >= 0;
  const Value* varname = nullptr;
  for (int k = 2; k < argc; ++k) {
    if (!core::starts_with(argv[k].view(), "-")) varname = &argv[k];
  }
  VarRef var = vars::lookup(interp, argv[1].view());
  if (!var) return fail(interp, Msg::ArrayDoesNotExist, argv[1]);
  VarRef a = var.storage();
  if (!a || a.kind() != vars::VT_ARRAY || !a.table()) {
    return fail(interp, Msg::ArrayNotAnArray, argv[1]);
  }
  if (a.table()->count() == 0) return fail(interp, Msg::ArrayEmpty, argv[1]);
  std::string out;
  a.table()->for_each([&](const std::string& key, const Value& value) {
    if (!out.empty()) out.push_back(' ');
    if (values_only) {
      append_braced(out, value.view());
      return;
    }
    out.push_back('{');
    append_braced(out, key);
    out.push_back(' ');
    append_braced(out, value.view());
    out.push_back('}');
  });
  Value result(out.empty() ? std::string("{}") : std::move(out));
  if (varname && core::set_variable(interp, varname->view(), result) != 0) {
    return fail(interp, Msg::FailedToSetVariable, *varname);
  }
  core::nuvelSetResult(interp, result);
  return Code::Ok;
}

// list_to_array list name ?start?
// Results: the number of items stored.
// Side effects: stores the list items as name(start), name(start+1), ...
Code nuvelCommandListToArray(Interp& interp, int argc, Value* argv, void*) {
  std::string name(argv[2].view());
  int64_t start = argc == 4 ? std::max<int64_t>(0, core::leading_int(argv[3].view())) : 0;
  std::vector<Value> items = core::list_read_standard(argv[1].view());
  if (!indexes_fit(start, items.size())) {
    return start_too_large(interp, start, items.size());
  }
  for (size_t i = 0; i < items.size(); ++i) {
    int64_t index = start + static_cast<int64_t>(i);
    if (vars::nuvelArraySetElement(interp, name, std::to_string(index), items[i], false, false) !=
        0) {
      return fail(interp, Msg::ArrayWriteFailed, name, index);
    }
  }
  return core::result_int(interp, static_cast<int64_t>(items.size()));
}

constexpr core::CommandRow kArrayConvertCommands[] = {
    {"array_to_string", nuvelCommandArrayToString, 2, core::kAnyWords,
     "name ?-start n? ?-stop n? ?-stopstr text? ?-join text? ?-nocase?"},
    {"string_to_array", nuvelCommandStringToArray, 3, core::kAnyWords,
     "text name ?-chars? ?-asc? ?-stopchar c? ?-start n? ?-append?"},
    {"array_to_list", nuvelCommandArrayToList, 2, core::kAnyWords, "name ?-values? ?varname?"},
    {"list_to_array", nuvelCommandListToArray, 3, 4, "list name ?start?"},
};

}  // namespace

[[gnu::section(".text.startup.register")]] void register_array_convert_cmds(Interp& interp) {
  core::register_rows(interp, kArrayConvertCommands);
}

}  // namespace collections
