// Variable listings: vars (the coloured table of one frame, or a list of
// names) and inspect (every field of one variable record).
#include <cinttypes>

#include "core/cmd_helpers.h"
#include "core/collection_text.h"
#include "core/var_store.h"
#include "platform/console.h"
#include "vars/value_kind.h"

namespace vars {
namespace {

using core::Code;
using core::Msg;
using core::Value;

bool all_of(std::string_view s, const char* set) {
  return !s.empty() && s.find_first_not_of(set) == std::string_view::npos;
}

bool is_digits(std::string_view s) {
  return all_of(s, "0123456789");
}

// The kind column of vars: what the value text looks like.
const char* value_kind(std::string_view v) {
  if (v.empty()) return "empty";
  std::string_view body = v;
  if (body[0] == '+' || body[0] == '-') body.remove_prefix(1);
  size_t dot = body.find('.');
  if (dot != std::string_view::npos && body.find('.', dot + 1) == std::string_view::npos &&
      body.size() > 1 && all_of(body, "0123456789.")) {
    return "float";
  }
  auto lower2 = [&v](const char* prefix) { return v.size() > 2 && core::istarts_with(v, prefix); };
  if ((lower2("0x") || lower2("&h")) && all_of(v.substr(2), "0123456789abcdefABCDEF")) {
    return "hexint";
  }
  if ((lower2("0b") || lower2("&b")) && all_of(v.substr(2), "01")) return "binary";
  if (lower2("0o") && all_of(v.substr(2), "01234567")) return "octal";
  if (is_digits(body)) {
    if (body.size() > 11) return "int64";
    int64_t n = core::leading_int(v);
    return n >= INT32_MIN && n <= INT32_MAX ? "integer" : "int64";
  }
  if (v.front() == '{' && v.back() == '}') return "list";
  size_t e = v.find_first_of("eE");
  if (e != std::string_view::npos && e > 0 && all_of(v.substr(0, e), "+-0123456789.") &&
      e + 1 < v.size() && all_of(v.substr(e + 1), "+-0123456789.")) {
    return "sci";
  }
  return "string";
}

int kind_colour(std::string_view kind) {
  if (kind == "struct") return 12;
  if (kind == "array") return 11;
  if (kind == "integer") return 10;
  if (kind == "int64") return 13;
  if (kind == "float") return 14;
  if (kind == "list") return 9;
  return 7;
}

// vars ?pattern? ?-auto|-const|-all? ?-level n? ?-list? ?-q? ?-wide?
// Results: the number of variables listed, or their names with -list.
// Side effects: prints the table of the frame's variables (unless -list/-q).
Code nuvelCommandVars(Interp& interp, int argc, Value* argv, void*) {
  enum { kAuto, kConst, kAll } which = kAuto;
  bool as_list = false, quiet = false, wide = false;
  CallFrame* frame = interp.callframe;
  int shown_level = frame->level;
  std::string_view pattern;
  for (int i = 1; i < argc; ++i) {
    std::string_view w = argv[i].view();
    if (core::iequals(w, "-auto")) {
      which = kAuto;
    } else if (core::iequals(w, "-const")) {
      which = kConst;
    } else if (core::iequals(w, "-all")) {
      which = kAll;
    } else if (core::iequals(w, "-list")) {
      as_list = true;
    } else if (core::iequals(w, "-q")) {
      quiet = true;
    } else if (core::iequals(w, "-wide")) {
      wide = true;
    } else if (core::iequals(w, "-level") && i + 1 < argc) {
      frame = frame_at_level(interp, static_cast<int>(core::leading_int(argv[++i].view())));
      shown_level = frame->level;
    } else if (!core::starts_with(w, "-")) {
      pattern = w;
    }
  }
  std::vector<VarRef> chosen;
  for (VarRef v : frame_records(*frame)) {
    if (which == kAuto && v.is_constant()) continue;
    if (which == kConst && !v.is_constant()) continue;
    if (!pattern.empty() && !collections::wild_match(pattern, v.name(), true)) continue;
    chosen.push_back(v);
  }
  if (as_list) {
    std::string out;
    for (VarRef v : chosen) {
      if (!out.empty()) out.push_back(' ');
      if (v.name().find(' ') != std::string::npos) {
        out += "{" + v.name() + "}";
      } else {
        out += v.name();
      }
    }
    core::nuvelSetResult(interp, Value(std::move(out)));
    return Code::Ok;
  }
  if (!quiet) {
    std::string p(pattern);
    platform::out("\nDefined ");
    platform::out(which == kConst ? "constants " : "variables ");
    if (!pattern.empty()) platform::outf("matching '%s' ", p.c_str());
    platform::outf("at level %i\n", shown_level);
    platform::out(std::string(75, '-') + "\n");
    for (VarRef v : chosen) {
      // A link shows its target's current value.
      VarRef shown = lookup(interp, v.name(), frame == interp.callframe ? -1 : 0);
      VarRef rec = shown ? shown : v;
      const char* kind;
      const char* fixed = nullptr;
      switch (rec.kind()) {
        case VT_STRUCT:
          kind = "struct";
          fixed = "<struct>";
          break;
        case VT_ARRAY:
          kind = "array";
          fixed = "<array>";
          break;
        case VT_STACK:
          kind = "stack";
          fixed = "<stack>";
          break;
        default:
          kind = value_kind(rec.value().view());
          if (rec.value().empty()) fixed = "<empty>";
      }
      int colour = kind_colour(kind);
      platform::set_attribute(colour);
      platform::outf("%-8.8s", kind);
      platform::set_attribute(7);
      platform::out(rec.is_pointer() ? "* " : "  ");
      if (wide) {
        platform::outf("%s ", rec.name().c_str());
      } else if (rec.name().size() > 20) {
        platform::outf("%-19.19s..", rec.name().c_str());
      } else {
        platform::outf("%-20.20s ", rec.name().c_str());
      }
      platform::set_attribute(colour);
      if (fixed) {
        platform::out(fixed);
      } else if (rec.value().size() >= 48) {
        platform::outf("%-46.46s..", rec.value().c_str());
      } else {
        platform::outf("%-48.48s", rec.value().c_str());
      }
      platform::reset_attribute();
      platform::out("\n");
    }
    if (chosen.empty()) {
      platform::out("<no matches found>");
      if (which == kAuto) platform::outf(" (try: %s -const)", argv[0].c_str());
      platform::out("\n");
    }
  }
  return core::result_int(interp, static_cast<int64_t>(chosen.size()));
}

uintptr_t address(const void* p) {
  return reinterpret_cast<uintptr_t>(p);
}

// inspect name ?note?
// Results: "1", or "0" when there is no such variable (code ok in both cases).
// Side effects: prints every field of the variable record.
Code nuvelCommandInspect(Interp& interp, int argc, Value* argv, void*) {
  std::string_view name = argv[1].view();
  if (size_t open = name.find('('); open != std::string_view::npos && open > 0) {
    name = name.substr(0, open);
  }
  VarRef var = lookup(interp, name);
  if (!var) {
    platform::out(core::message_of(interp, Msg::VariableNotFound, name));
    core::nuvelSetResult(interp, Value("0"));
    return Code::Ok;
  }
  VarRef next = older_record(interp, var);
  VarInfo v = describe(var);
  std::string rule(70, '-');
  rule.push_back('\n');
  platform::out(rule);
  platform::outf("INSPECT Var '%s' at 0x%" PRIxPTR, v.name.c_str(), address(v.address));
  if (argc == 3) platform::outf(" (%s)", argv[2].c_str());
  platform::out("\n");
  platform::outf("Level:          '%i'\n", v.level);
  platform::outf("Name:           '%s'\n", v.name.c_str());
  platform::outf("Value:          '%-.50s'\n", v.value.c_str());
  platform::outf("Type:            %i (%s)\n", v.kind, var_type_name(v.kind));
  platform::outf("Subscript:      '%-.50s'...\n", v.subscript ? v.subscript->c_str() : "<NULL>");
  platform::outf("Size:            %i\n", v.size);
  platform::outf("List:          0x%" PRIxPTR "\n", address(v.list));
  platform::outf("Stack:         0x%" PRIxPTR "\n", address(v.stack));
  platform::outf("Table:         0x%" PRIxPTR "\n", address(v.table));
  platform::outf("Variant:       0x%x\n", static_cast<unsigned>(v.variant));
  platform::outf("Parent:        0x%" PRIxPTR "\n", address(v.parent));
  platform::outf("Next->:        0x%" PRIxPTR "\n", address(next.record()));
  platform::outf("Changed:         %i\n", v.changed ? 1 : 0);
  platform::outf("is_pointer       %i\n", v.is_pointer ? 1 : 0);
  platform::outf("is_constant      %i\n", v.is_constant ? 1 : 0);
  platform::outf("is_protected     %i\n", v.is_protected ? 1 : 0);
  platform::outf("ignore_case      %i\n", v.ignore_case ? 1 : 0);
  platform::out(rule);
  core::nuvelSetResult(interp, Value("1"));
  return Code::Ok;
}

constexpr core::CommandRow kVarInfoCommands[] = {
    {"vars", nuvelCommandVars, 1, core::kAnyWords,
     "?pattern? ?-auto|-const|-all? ?-level n? ?-list? ?-q? ?-wide?"},
    {"inspect", nuvelCommandInspect, 2, 3, "name ?note?"},
};

}  // namespace

[[gnu::section(".text.startup.register")]] void register_var_info_cmds(core::Interp& interp) {
  core::register_rows(interp, kVarInfoCommands);
}

const char* kind_of_value(std::string_view v) {
  return value_kind(v);
}

}  // namespace vars
