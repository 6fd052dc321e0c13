// Stand-alone string commands: lengths and cases, left/right/mids/mid, trim
// and the prefix/suffix trimmers, glob match, the searches (instr, strchr,
// strstr and their relatives), the cutters strto/strtor/stripto/striptor,
// charcount and the character-class tests. Positions given to and reported
// to scripts are 1-based.
#include <algorithm>
#include <cctype>

#include "core/cmd_helpers.h"
#include "core/glob.h"
#include "core/var_store.h"
#include "platform/console.h"
#include "strings/string_cmds.h"
#include "strings/string_support.h"

namespace strings {

using core::CommandRow;
using core::kAnyWords;
using core::Msg;
using core::nuvelSetResult;

constexpr size_t npos = std::string_view::npos;

bool all_of_class(std::string_view text, CharClass cls) {
  auto in_class = [cls](unsigned char c) -> bool {
    switch (cls) {
      case CharClass::Alpha:
        return std::isalpha(c);
      case CharClass::Alnum:
        return std::isalnum(c);
      case CharClass::Digit:
        return std::isdigit(c);
      case CharClass::Lower:
        return std::islower(c);
      case CharClass::Punct:
        return std::ispunct(c);
      case CharClass::Space:
        return std::isspace(c);
      case CharClass::Upper:
        return std::isupper(c);
      case CharClass::Xdigit:
        return std::isxdigit(c);
    }
    return false;
  };
  return std::all_of(text.begin(), text.end(),
                     [&](char c) { return in_class(static_cast<unsigned char>(c)); });
}

Code refuse_store(Interp& interp, std::string_view cmd, std::string_view name, int type,
                  bool is_constant) {
  platform::out(core::message_of(interp, Msg::CannotAssignVariable, cmd, name,
                                 is_constant ? "const" : vars::var_type_name(type)));
  return Code::Error;
}

namespace {

std::string_view text_before_after(std::string_view text, size_t at, bool after) {
  return after ? text.substr(at + 1) : text.substr(0, at);
}

// len text
// Results: the length of the text in bytes.
Code nuvelCommandLen(Interp& interp, int argc, Value* argv, void*) {
  return core::result_int(interp, static_cast<int64_t>(argv[1].size()));
}

// tolower text ?-var?  /  toupper text ?-var?
// Results: the text with ASCII letters folded. With -var and a plain
// variable of that name, the variable's value is converted in place.
Code nuvelCommandToCase(Interp& interp, int argc, Value* argv, void*) {
  ArgSplit a(argc, argv, 1, 1, {"-var"});
  bool upper = core::iequals(argv[0].view(), "toupper");
  vars::VarRef var = a.has(0) ? plain_var(interp, a[0].view()) : vars::VarRef();
  std::string_view text = var ? var.value().view() : a[0].view();
  Value out(upper ? to_upper_text(text) : to_lower_text(text));
  if (var) {
    if (!writable(var)) {
      return refuse_store(interp, argv[0].view(), a[0].view(), var.kind(), var.is_constant());
    }
    if (!store_text(interp, a[0].view(), out)) return Code::Error;
  }
  nuvelSetResult(interp, std::move(out));
  return Code::Ok;
}

}  // namespace

// left text n ?-var?
// Results: the first n characters (all of them when n reaches the length,
// none when n <= 0).
Code nuvelCommandLeft(Interp& interp, int argc, Value* argv, void*) {
  ArgSplit a(argc, argv, 1, 2, {"-var"});
  Value text = text_or_var(interp, a[0], a.has(0));
  int32_t n = arg_int(a[1]);
  if (n <= 0) {
    nuvelSetResult(interp, Value());
  } else if (static_cast<size_t>(n) >= text.size()) {
    nuvelSetResult(interp, std::move(text));
  } else {
    nuvelSetResult(interp, text.view().substr(0, static_cast<size_t>(n)));
  }
  return Code::Ok;
}

// right text n ?-var?
// Results: the last n characters (all of them when n reaches the length).
Code nuvelCommandRight(Interp& interp, int argc, Value* argv, void*) {
  ArgSplit a(argc, argv, 1, 2, {"-var"});
  Value text = text_or_var(interp, a[0], a.has(0));
  int32_t n = arg_int(a[1]);
  if (n <= 0) {
    nuvelSetResult(interp, Value());
  } else if (static_cast<size_t>(n) >= text.size()) {
    nuvelSetResult(interp, std::move(text));
  } else {
    nuvelSetResult(interp, text.view().substr(text.size() - static_cast<size_t>(n)));
  }
  return Code::Ok;
}

// mids text start ?length? ?-var?
// Results: length characters from the 1-based start (0 counts as 1; default
// to the end; a negative length counts as 0; capped at the end).
Code nuvelCommandMids(Interp& interp, int argc, Value* argv, void*) {
  ArgSplit a(argc, argv, 1, 2, {"-var"});
  Value text = text_or_var(interp, a[0], a.has(0));
  if (text.empty()) {
    return core::fail(interp, Msg::InvalidArgumentBare);
  }
  int32_t start = arg_int(a[1]);
  if (start < 0 || static_cast<size_t>(start) > text.size()) {
    return core::fail(interp, Msg::MidsStartOutside, start, text.size());
  }
  size_t from = start == 0 ? 0 : static_cast<size_t>(start) - 1;
  size_t length = text.size() - from;
  if (a.count() >= 3) {
    int32_t n = arg_int(a[2]);
    length = std::min(length, static_cast<size_t>(std::max<int32_t>(n, 0)));
  }
  nuvelSetResult(interp, text.view().substr(from, length));
  return Code::Ok;
}

namespace {

// mid var text position ?length?
// Results: the number of characters written (empty when none).
// Side effects: overwrites the variable's value from the 1-based position
// with the text, never past the value's end; the length stays the same.
Code nuvelCommandMid(Interp& interp, int argc, Value* argv, void*) {
  std::string_view name = argv[1].view();
  vars::VarRef var = vars::lookup(interp, name);
  if (!var) {
    return core::fail(interp, Msg::VariableNotFound, argv[1]);
  }
  if (!writable(var)) {
    return refuse_store(interp, argv[0].view(), name, var.kind(), var.is_constant());
  }
  std::string_view value = var.value().view();
  int32_t pos = arg_int(argv[3]);
  if (pos <= 0) pos = 1;
  if (static_cast<size_t>(pos) > value.size()) {
    return core::fail(interp, Msg::MidBounds, pos, value.size());
  }
  size_t from = static_cast<size_t>(pos) - 1;
  size_t n = std::min(argv[2].size(), value.size() - from);
  if (argc > 4) n = std::min(n, static_cast<size_t>(std::max<int32_t>(arg_int(argv[4]), 0)));
  if (n == 0) {
    nuvelSetResult(interp, Value());
    return Code::Ok;
  }
  std::string out(value);
  out.replace(from, n, argv[2].view().substr(0, n));
  if (!store_text(interp, name, Value(std::move(out)))) return Code::Error;
  return core::result_int(interp, static_cast<int64_t>(n));
}

std::string_view trim_set(std::string_view text, const ByteSet& set, bool left, bool right) {
  size_t b = 0;
  size_t e = text.size();
  if (left)
    while (b < e && set.has(text[b])) ++b;
  if (right)
    while (e > b && set.has(text[e - 1])) --e;
  return text.substr(b, e - b);
}

// trim text ?chars? ?-var?
// Results: the text without the characters of the set at both ends; without
// a set (or with an empty one) tabs, line ends and spaces are removed.
// Side effects: with -var the variable's value is trimmed in place (the
// result is the trimmed value).
Code nuvelCommandTrim(Interp& interp, int argc, Value* argv, void*) {
  ArgSplit a(argc, argv, 1, 1, {"-var"});
  std::string_view chars = a.count() >= 2 ? a[1].view() : std::string_view();
  ByteSet set(chars.empty() ? std::string_view(" \t\r\n") : chars, false);
  if (!a.has(0)) {
    nuvelSetResult(interp, trim_set(a[0].view(), set, true, true));
    return Code::Ok;
  }
  vars::VarRef var = plain_var(interp, a[0].view());
  if (!var) {
    return core::fail(interp, Msg::VariableNotFound, a[0]);
  }
  if (!writable(var)) {
    return refuse_store(interp, argv[0].view(), a[0].view(), var.kind(), var.is_constant());
  }
  Value out(trim_set(var.value().view(), set, true, true));
  if (out.size() != var.value().size() && !store_text(interp, a[0].view(), out)) {
    return Code::Error;
  }
  nuvelSetResult(interp, std::move(out));
  return Code::Ok;
}

// trimprefix var prefix ?-nocase?  /  trimsuffix var suffix ?-nocase?
// Results: the length of the removed prefix (suffix), "0" when the value
// does not start (end) with it.
// Side effects: the variable's value loses the prefix (suffix) in place.
Code nuvelCommandTrimFix(Interp& interp, int argc, Value* argv, void*) {
  ArgSplit a(argc, argv, 1, 2, {"-nocase"});
  bool suffix = core::iequals(argv[0].view(), "trimsuffix");
  bool nocase = a.has(0);
  std::string_view name = a[0].view();
  vars::VarRef var = vars::lookup(interp, name);
  if (!var) {
    return core::fail(interp, Msg::NameNotFound, a[0]);
  }
  if (!writable(var)) {
    return refuse_store(interp, argv[0].view(), name, var.kind(), var.is_constant());
  }
  std::string_view value = var.value().view();
  std::string_view fix = a[1].view();
  if (fix.empty() || fix.size() > value.size()) return core::result_int(interp, 0);
  std::string_view part =
      suffix ? value.substr(value.size() - fix.size()) : value.substr(0, fix.size());
  if (!equal_text(part, fix, nocase)) return core::result_int(interp, 0);
  Value rest(suffix ? value.substr(0, value.size() - fix.size()) : value.substr(fix.size()));
  if (!store_text(interp, name, std::move(rest))) return Code::Error;
  return core::result_int(interp, static_cast<int64_t>(fix.size()));
}

}  // namespace

// match ?-nocase? pattern text
// Results: "1" when the text matches the glob pattern, else "0".
Code nuvelCommandMatch(Interp& interp, int argc, Value* argv, void*) {
  bool nocase = false;
  for (int i = 1; i < argc - 2; ++i) {
    if (core::iequals(argv[i].view(), "-nocase")) nocase = true;
  }
  return core::result_bool(interp,
                           core::glob_match(argv[argc - 2].view(), argv[argc - 1].view(), nocase));
}

namespace {

// instr text sub ?start? ?-nocase?
// Results: the 1-based position of sub counted from the 1-based start
// position (default 1), 0 when it does not occur there.
Code nuvelCommandInstr(Interp& interp, int argc, Value* argv, void*) {
  ArgSplit a(argc, argv, 1, 2, {"-nocase"});
  std::string_view text = a[0].view();
  int32_t start = a.count() >= 3 ? arg_int(a[2]) : 1;
  size_t from = start <= 1 ? 0 : static_cast<size_t>(start) - 1;
  size_t at = find_text(text, a[1].view(), from, a.has(0));
  return core::result_int(interp, at == npos ? 0 : static_cast<int64_t>(at - from + 1));
}

// strchr text chars ?-nocase? ?-var?
// Results: the 1-based position of the first occurrence of the first
// character of chars, 0 when absent.
Code nuvelCommandStrchr(Interp& interp, int argc, Value* argv, void*) {
  ArgSplit a(argc, argv, 1, 2, {"-nocase", "-var"});
  Value text = text_or_var(interp, a[0], a.has(1));
  std::string_view chars = a[1].view();
  if (chars.empty()) return core::result_int(interp, 0);
  size_t at = find_text(text.view(), chars.substr(0, 1), 0, a.has(0));
  return core::result_int(interp, at == npos ? 0 : static_cast<int64_t>(at + 1));
}

// strstr text sub ?-nocase? ?-var?  (strstrr, rinstr: the last occurrence)
// Results: the 1-based position of the first (last) occurrence of sub, 0 when
// absent. With -var both arguments name variables.
Code nuvelCommandStrstr(Interp& interp, int argc, Value* argv, void*) {
  ArgSplit a(argc, argv, 1, 2, {"-nocase", "-var"});
  Value words[2] = {a[0], a[1]};
  if (a.has(1)) {
    for (Value& w : words) {
      vars::VarRef var = plain_var(interp, w.view());
      if (!var) {
        return core::fail(interp, Msg::VariableNotFound, w);
      }
      w = var.value();
    }
  }
  bool last = !core::iequals(argv[0].view(), "strstr");
  size_t at = last ? rfind_text(words[0].view(), words[1].view(), a.has(0))
                   : find_text(words[0].view(), words[1].view(), 0, a.has(0));
  return core::result_int(interp, at == npos ? 0 : static_cast<int64_t>(at + 1));
}

// strto text chars ?-nocase? ?-var? ?-right?
// strtor text chars ?-nocase? ?-var? ?-left?
// Results: strto finds the first character of the text that is in the set
// and gives the part before it (with -right the part after it); strtor finds
// the last one and gives the part after it (with -left the part before it).
// No such character gives the empty string, an empty set the whole text.
Code nuvelCommandStrto(Interp& interp, int argc, Value* argv, void*) {
  bool reverse = core::iequals(argv[0].view(), "strtor");
  ArgSplit a(argc, argv, 1, 2, {"-nocase", "-var", reverse ? "-left" : "-right"});
  Value text = text_or_var(interp, a[0], a.has(1));
  if (a[1].empty()) {
    nuvelSetResult(interp, std::move(text));
    return Code::Ok;
  }
  ByteSet set(a[1].view(), a.has(0));
  std::string_view t = text.view();
  size_t at = npos;
  if (reverse) {
    for (size_t i = t.size(); i-- > 0;) {
      if (set.has(t[i])) {
        at = i;
        break;
      }
    }
  } else {
    for (size_t i = 0; i < t.size(); ++i) {
      if (set.has(t[i])) {
        at = i;
        break;
      }
    }
  }
  if (at == npos) {
    nuvelSetResult(interp, Value());
    return Code::Ok;
  }
  bool after = reverse ? !a.has(2) : a.has(2);
  nuvelSetResult(interp, text_before_after(t, at, after));
  return Code::Ok;
}

// stripto sub text ?-nocase? ?-var? ?-remove?
// Results: the text from the first occurrence of sub on (with -remove from
// just after it); the whole text when sub does not occur.
// striptor sub text ?-nocase? ?-var? ?-remove?
// Results: the text up to and including the last occurrence of sub (with
// -remove without it); the whole text when sub does not occur or when
// nothing would remain.
Code nuvelCommandStripto(Interp& interp, int argc, Value* argv, void*) {
  ArgSplit a(argc, argv, 1, 2, {"-nocase", "-var", "-remove"});
  bool reverse = core::iequals(argv[0].view(), "striptor");
  std::string_view sub = a[0].view();
  Value text = text_or_var(interp, a[1], a.has(1));
  std::string_view t = text.view();
  bool remove = a.has(2);
  if (!reverse) {
    size_t at = find_text(t, sub, 0, a.has(0));
    if (at != npos) {
      nuvelSetResult(interp, t.substr(remove ? at + sub.size() : at));
      return Code::Ok;
    }
  } else {
    size_t at = rfind_text(t, sub, a.has(0));
    if (at != npos) {
      size_t end = remove ? at : at + sub.size();
      if (end > 0) {
        nuvelSetResult(interp, t.substr(0, end));
        return Code::Ok;
      }
    }
  }
  nuvelSetResult(interp, std::move(text));
  return Code::Ok;
}

// charcount text chars ?-nocase?
// Results: the number of characters of the text that are in the set; when
// the set holds a backslash, a doubled backslash in the text counts once.
Code nuvelCommandCharcount(Interp& interp, int argc, Value* argv, void*) {
  ArgSplit a(argc, argv, 1, 2, {"-nocase"});
  ByteSet set(a[1].view(), a.has(0));
  std::string_view t = a[0].view();
  int64_t count = 0;
  for (size_t i = 0; i < t.size(); ++i) {
    if (!set.has(t[i])) continue;
    ++count;
    if (t[i] == '\\' && i + 1 < t.size() && t[i + 1] == '\\') ++i;
  }
  return core::result_int(interp, count);
}

// is_alpha text ?-var?  (and is_alnum, is_digit, is_lower, is_punct,
// is_space, is_upper, is_xdigit)
// Results: "1" when every character of the text is of the class named by the
// command (also for the empty text), else "0".
Code nuvelCommandIsClass(Interp& interp, int argc, Value* argv, void*) {
  ArgSplit a(argc, argv, 1, 1, {"-var"});
  static constexpr struct {
    std::string_view name;
    CharClass cls;
  } kClasses[] = {
      {"is_alpha", CharClass::Alpha}, {"is_alnum", CharClass::Alnum},
      {"is_digit", CharClass::Digit}, {"is_lower", CharClass::Lower},
      {"is_punct", CharClass::Punct}, {"is_space", CharClass::Space},
      {"is_upper", CharClass::Upper}, {"is_xdigit", CharClass::Xdigit},
  };
  CharClass cls = CharClass::Alpha;
  for (const auto& c : kClasses) {
    if (core::iequals(argv[0].view(), c.name)) cls = c.cls;
  }
  Value text = text_or_var(interp, a[0], a.has(0));
  return core::result_bool(interp, all_of_class(text.view(), cls));
}

constexpr CommandRow kStringExtraCommands[] = {
    {"len", nuvelCommandLen, 2, kAnyWords, "text"},
    {"tolower", nuvelCommandToCase, 2, kAnyWords, "text ?-var?"},
    {"toupper", nuvelCommandToCase, 2, kAnyWords, "text ?-var?"},
    {"left", nuvelCommandLeft, 3, kAnyWords, "text n ?-var?"},
    {"right", nuvelCommandRight, 3, kAnyWords, "text n ?-var?"},
    {"mids", nuvelCommandMids, 3, kAnyWords, "text start ?length? ?-var?"},
    {"mid", nuvelCommandMid, 4, kAnyWords, "var text position ?length?"},
    {"trim", nuvelCommandTrim, 2, kAnyWords, "text ?chars? ?-var?"},
    {"trimprefix", nuvelCommandTrimFix, 3, kAnyWords, "var prefix ?-nocase?"},
    {"trimsuffix", nuvelCommandTrimFix, 3, kAnyWords, "var suffix ?-nocase?"},
    {"match", nuvelCommandMatch, 3, kAnyWords, "?-nocase? pattern text"},
    {"instr", nuvelCommandInstr, 3, kAnyWords, "text sub ?start? ?-nocase?"},
    {"strchr", nuvelCommandStrchr, 3, kAnyWords, "text chars ?-nocase? ?-var?"},
    {"strstr", nuvelCommandStrstr, 3, kAnyWords, "text sub ?-nocase? ?-var?"},
    {"strstrr", nuvelCommandStrstr, 3, kAnyWords, "text sub ?-nocase? ?-var?"},
    {"rinstr", nuvelCommandStrstr, 3, kAnyWords, "text sub ?-nocase? ?-var?"},
    {"strto", nuvelCommandStrto, 3, kAnyWords, "text chars ?-nocase? ?-var? ?-right?"},
    {"strtor", nuvelCommandStrto, 3, kAnyWords, "text chars ?-nocase? ?-var? ?-left?"},
    {"stripto", nuvelCommandStripto, 3, kAnyWords, "sub text ?-nocase? ?-var? ?-remove?"},
    {"striptor", nuvelCommandStripto, 3, kAnyWords, "sub text ?-nocase? ?-var? ?-remove?"},
    {"charcount", nuvelCommandCharcount, 3, kAnyWords, "text chars ?-nocase?"},
    {"is_alpha", nuvelCommandIsClass, 2, kAnyWords, "text ?-var?"},
    {"is_alnum", nuvelCommandIsClass, 2, kAnyWords, "text ?-var?"},
    {"is_digit", nuvelCommandIsClass, 2, kAnyWords, "text ?-var?"},
    {"is_lower", nuvelCommandIsClass, 2, kAnyWords, "text ?-var?"},
    {"is_punct", nuvelCommandIsClass, 2, kAnyWords, "text ?-var?"},
    {"is_space", nuvelCommandIsClass, 2, kAnyWords, "text ?-var?"},
    {"is_upper", nuvelCommandIsClass, 2, kAnyWords, "text ?-var?"},
    {"is_xdigit", nuvelCommandIsClass, 2, kAnyWords, "text ?-var?"},
};

}  // namespace

std::span<const CommandRow> string_extra_rows() {
  return kStringExtraCommands;
}

[[gnu::section(".text.startup.register")]] void register_string_extra_cmds(Interp& interp) {
  core::register_rows(interp, kStringExtraCommands);
}

}  // namespace strings
