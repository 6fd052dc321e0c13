// Text utilities: character codes, the last character, delimited pieces,
// word wrapping, a character replaced in place, repeated fill texts and
// comparisons. Positions and lengths count UTF-8 characters, except asc and
// chr, which deal in byte values as BASIC's ASC and CHR$ do.
#include <algorithm>
#include <string>
#include <vector>

#include "core/cmd_helpers.h"
#include "core/list_value.h"
#include "core/var_store.h"
#include "expr/option_words.h"
#include "expr/utf8_text.h"
#include "expr/whole_number.h"
#include "platform/files.h"
#include "strings/string_support.h"

namespace strings {
namespace {

using namespace expr;

using core::Code;
using core::Msg;

// Texts longer than this would only exhaust memory (the limit of string
// repeat).
constexpr int64_t kMaxLength = 64 * 1024 * 1024;

// asc text ?position?
// Results: the byte value (0-255) at the 1-based position (default 1); "0"
// for an empty text or a position outside it.
Code nuvelCommandAsc(Interp& interp, int argc, Value* argv, void*) {
  int64_t pos = 1;
  if (argc > 2) {
    auto p = read_whole_int64(argv[2].view());
    if (!p) return core::fail(interp, Msg::InvalidArgument, argv[2]);
    pos = *p;
  }
  std::string_view t = argv[1].view();
  if (pos < 1 || static_cast<uint64_t>(pos) > t.size()) return core::result_int(interp, 0);
  return core::result_int(interp, static_cast<unsigned char>(t[static_cast<size_t>(pos) - 1]));
}

// chr code ?code ...? ?-utf8?
// Results: the characters with these byte values (1-255), or with -utf8 the
// UTF-8 encodings of these code points (1-0x10FFFF, no surrogates).
Code nuvelCommandChr(Interp& interp, int argc, Value* argv, void*) {
  OptionWords o;
  if (!o.parse(interp, argc, argv, {{"-utf8"}})) return o.code;
  if (o.count() < 1) return core::nuvelWrongArgs(interp, argc, argv);
  bool utf8 = o.has("-utf8");
  std::string out;
  for (size_t k = 0; k < o.count(); ++k) {
    auto c = read_whole_int64(o[k].view());
    bool ok =
        c && *c >= 1 && *c <= (utf8 ? 0x10FFFF : 255) && !(utf8 && *c >= 0xD800 && *c <= 0xDFFF);
    if (!ok) return core::fail(interp, Msg::TextInvalidCharCode, o[k]);
    if (utf8) {
      append_utf8(out, static_cast<uint32_t>(*c));
    } else {
      out += static_cast<char>(*c);
    }
  }
  return set_text(interp, std::move(out));
}

// lastchar text ?-var?
// Results: the last character ("" for an empty text): a whole UTF-8
// sequence when the text ends with one, else the last byte.
Code nuvelCommandLastchar(Interp& interp, int argc, Value* argv, void*) {
  OptionWords o;
  if (!o.parse(interp, argc, argv, {{"-var"}}, OptionWords::Unknown::Value)) return o.code;
  if (o.count() != 1) return core::nuvelWrongArgs(interp, argc, argv);
  Value text = text_or_var(interp, o[0], o.has("-var"));
  std::string_view t = text.view();
  if (t.empty()) return set_text(interp, "");
  size_t last = t.size() - 1;
  for (size_t back = 1; back <= 3 && back <= last; ++back) {
    size_t at = t.size() - 1 - back;
    Utf8Char c = utf8_char_at(t, at);
    if (c.code >= 0 && at + c.length == t.size())
      return set_text(interp, std::string(t.substr(at)));
  }
  return set_text(interp, std::string(t.substr(last)));
}

// extract text left right ?-nocase? ?-all? ?-include?
// Results: the text between the first occurrence of left and the next
// occurrence of right after it ("" when either is missing); -all gives the
// list of every such piece; -include keeps the delimiters.
Code nuvelCommandExtract(Interp& interp, int argc, Value* argv, void*) {
  OptionWords o;
  if (!o.parse(interp, argc, argv, {{"-nocase"}, {"-all"}, {"-include"}},
               OptionWords::Unknown::Value)) {
    return o.code;
  }
  if (o.count() != 3) return core::nuvelWrongArgs(interp, argc, argv);
  std::string_view t = o[0].view();
  std::string_view left = o[1].view();
  std::string_view right = o[2].view();
  bool nocase = o.has("-nocase");
  bool include = o.has("-include");
  std::vector<Value> pieces;
  size_t from = 0;
  for (;;) {
    size_t a = find_text(t, left, from, nocase);
    if (a == std::string_view::npos) break;
    size_t inner = a + left.size();
    size_t b = find_text(t, right, inner, nocase);
    if (b == std::string_view::npos) break;
    pieces.emplace_back(include ? t.substr(a, b + right.size() - a) : t.substr(inner, b - inner));
    from = b + right.size();
    if (!o.has("-all")) break;
  }
  if (!o.has("-all")) return set_text(interp, pieces.empty() ? "" : std::string(pieces[0].view()));
  return set_text(interp, pieces.empty() ? "{}" : list_write(pieces));
}

// content text ?open close?
// Results: what lies inside the first balanced pair of the delimiter
// characters (default "{" and "}"), nesting counted; "" when there is none.
Code nuvelCommandContent(Interp& interp, int argc, Value* argv, void*) {
  if (argc == 3) return core::nuvelWrongArgs(interp, argc, argv);
  std::string_view open = "{";
  std::string_view close = "}";
  if (argc == 4) {
    if (argv[2].empty()) return core::fail(interp, Msg::InvalidArgument, argv[2]);
    if (argv[3].empty()) return core::fail(interp, Msg::InvalidArgument, argv[3]);
    open = argv[2].view().substr(0, utf8_char_at(argv[2].view(), 0).length);
    close = argv[3].view().substr(0, utf8_char_at(argv[3].view(), 0).length);
  }
  std::string_view t = argv[1].view();
  size_t start = t.find(open);
  if (start == std::string_view::npos) return set_text(interp, "");
  size_t inner = start + open.size();
  int64_t depth = 1;
  for (size_t i = inner; i < t.size();) {
    if (t.compare(i, close.size(), close) == 0) {
      if (--depth == 0) return set_text(interp, std::string(t.substr(inner, i - inner)));
      i += close.size();
    } else if (t.compare(i, open.size(), open) == 0) {
      ++depth;
      i += open.size();
    } else {
      ++i;
    }
  }
  return set_text(interp, "");
}

// wrap text ?width? ?-indent n?
// Results: every line of the text word-wrapped at width characters (default
// 79): a line of exactly the width fits, words longer than the width stand
// alone, continuation lines start with n spaces (counted in the width).
Code nuvelCommandWrap(Interp& interp, int argc, Value* argv, void*) {
  OptionWords o;
  if (!o.parse(interp, argc, argv, {{"-indent", true}}, OptionWords::Unknown::Value)) {
    return o.code;
  }
  if (o.count() < 1 || o.count() > 2) return core::nuvelWrongArgs(interp, argc, argv);
  int64_t width = 79;
  if (o.count() > 1) {
    auto w = read_whole_int64(o[1].view());
    if (!w || *w < 1 || *w > kMaxLength) return core::fail(interp, Msg::InvalidArgument, o[1]);
    width = *w;
  }
  int64_t indent = 0;
  if (const Value* n = o.value("-indent")) {
    auto w = read_whole_int64(n->view());
    if (!w || *w < 0 || *w >= width) return core::fail(interp, Msg::InvalidArgument, *n);
    indent = *w;
  }
  std::string_view t = o[0].view();
  std::string out;
  size_t line_start = 0;
  for (;;) {
    size_t end = t.find('\n', line_start);
    std::string_view line =
        t.substr(line_start, end == std::string_view::npos ? end : end - line_start);
    int64_t used = 0;  // characters on the output line so far
    bool empty_line = true;
    size_t i = 0;
    while (i < line.size()) {
      while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
      size_t w0 = i;
      while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') ++i;
      if (w0 == i) break;
      std::string_view word = line.substr(w0, i - w0);
      auto wlen = static_cast<int64_t>(utf8_count(word));
      if (!empty_line && used + 1 + wlen > width) {
        out += '\n';
        out.append(static_cast<size_t>(indent), ' ');
        used = indent;
        empty_line = true;
      }
      if (!empty_line) {
        out += ' ';
        ++used;
      }
      out += word;
      used += wlen;
      empty_line = false;
    }
    if (end == std::string_view::npos) break;
    out += '\n';
    line_start = end + 1;
  }
  return set_text(interp, std::move(out));
}

// unwrap text
// Results: the lines of each paragraph joined with single spaces; blank
// lines separate paragraphs, which are joined with "\n\n".
Code nuvelCommandUnwrap(Interp& interp, int argc, Value* argv, void*) {
  std::string_view t = argv[1].view();
  std::string out;
  std::string paragraph;
  auto finish = [&]() {
    if (paragraph.empty()) return;
    if (!out.empty()) out += "\n\n";
    out += paragraph;
    paragraph.clear();
  };
  size_t start = 0;
  while (start <= t.size()) {
    size_t end = t.find('\n', start);
    if (end == std::string_view::npos) end = t.size();
    std::string_view line = t.substr(start, end - start);
    size_t b = line.find_first_not_of(" \t\r");
    if (b == std::string_view::npos) {
      finish();
    } else {
      size_t e = line.find_last_not_of(" \t\r");
      if (!paragraph.empty()) paragraph += ' ';
      paragraph += line.substr(b, e - b + 1);
    }
    start = end + 1;
  }
  finish();
  return set_text(interp, std::move(out));
}

// setat varName position char
// Results: the character that was at the 1-based position.
// Side effects: the variable's value gets the first character of char there.
Code nuvelCommandSetat(Interp& interp, int argc, Value* argv, void*) {
  std::string_view name = argv[1].view();
  vars::VarRef var = vars::lookup(interp, name);
  if (!var) return core::fail(interp, Msg::VariableNotFound, argv[1]);
  if (var.is_constant() || var.kind() == vars::VT_CONST) {
    return core::fail(interp, Msg::TextConstVariable, argv[1]);
  }
  if (!writable(var)) return core::fail(interp, Msg::VariableNotFound, argv[1]);
  if (argv[3].empty()) return core::fail(interp, Msg::InvalidArgument, argv[3]);
  std::string value(var.value().view());
  std::vector<std::string_view> chars = utf8_chars(value);
  auto pos = read_whole_int64(argv[2].view());
  if (!pos || *pos < 1 || static_cast<uint64_t>(*pos) > chars.size()) {
    return core::fail(interp, Msg::TextBoundsError, pos.value_or(core::leading_int(argv[2].view())),
                      static_cast<int64_t>(chars.size()));
  }
  std::string_view old = chars[static_cast<size_t>(*pos) - 1];
  std::string_view repl = argv[3].view().substr(0, utf8_char_at(argv[3].view(), 0).length);
  std::string old_text(old);
  size_t at = static_cast<size_t>(old.data() - value.data());
  std::string changed = value.substr(0, at) + std::string(repl) + value.substr(at + old.size());
  if (!store_text(interp, name, Value(std::move(changed)))) {
    return core::fail(interp, Msg::TextConstVariable, argv[1]);
  }
  return set_text(interp, std::move(old_text));
}

// makestr length ?fill?
// Results: a text of length characters made by repeating the fill text
// (default a space) and cutting it; "" for length <= 0.
Code nuvelCommandMakestr(Interp& interp, int argc, Value* argv, void*) {
  auto length = read_whole_int64(argv[1].view());
  if (!length) return core::fail(interp, Msg::InvalidArgument, argv[1]);
  if (*length <= 0) return set_text(interp, "");
  if (*length > kMaxLength) return core::fail(interp, Msg::TextOverLimit, *length, kMaxLength);
  std::string_view fill = argc > 2 ? argv[2].view() : " ";
  if (fill.empty()) return core::fail(interp, Msg::InvalidArgument, argv[2]);
  std::vector<std::string_view> chars = utf8_chars(fill);
  // The limit holds for the bytes made, whatever the characters' sizes.
  auto count = static_cast<size_t>(*length);
  size_t bytes = count / chars.size() * fill.size();
  for (size_t i = 0; i < count % chars.size(); ++i) bytes += chars[i].size();
  if (bytes > static_cast<size_t>(kMaxLength)) {
    return core::fail(interp, Msg::TextOverLimit, *length, kMaxLength);
  }
  std::string out;
  out.reserve(bytes);
  for (size_t i = 0; i < count; ++i) out += chars[i % chars.size()];
  return set_text(interp, std::move(out));
}

int sign_of(int v) {
  return v < 0 ? -1 : (v > 0 ? 1 : 0);
}

// cmp a b ?-nocase? ?-file?
// Results: "-1", "0" or "1": as numbers when both are numbers, else byte by
// byte (letters folded with -nocase); with -file the two files' contents.
Code nuvelCommandCmp(Interp& interp, int argc, Value* argv, void*) {
  OptionWords o;
  if (!o.parse(interp, argc, argv, {{"-nocase"}, {"-file"}}, OptionWords::Unknown::Value)) {
    return o.code;
  }
  if (o.count() != 2) return core::nuvelWrongArgs(interp, argc, argv);
  if (o.has("-file")) {
    std::string a, b;
    if (!platform::read_file(o[0].view(), a))
      return core::fail(interp, Msg::TextFileNotFound, o[0]);
    if (!platform::read_file(o[1].view(), b))
      return core::fail(interp, Msg::TextFileNotFound, o[1]);
    return core::result_int(interp, sign_of(a.compare(b)));
  }
  return core::result_int(interp, compare_values(o[0].view(), o[1].view(), o.has("-nocase")));
}

// sc a b ?-nocase? ?-length n?
// Results: "-1", "0" or "1" comparing the texts byte by byte (letters folded
// with -nocase), over the first n characters with -length (all when n < 0).
Code nuvelCommandSc(Interp& interp, int argc, Value* argv, void*) {
  OptionWords o;
  if (!o.parse(interp, argc, argv, {{"-nocase"}, {"-length", true}}, OptionWords::Unknown::Value)) {
    return o.code;
  }
  if (o.count() != 2) return core::nuvelWrongArgs(interp, argc, argv);
  std::string_view a = o[0].view();
  std::string_view b = o[1].view();
  if (const Value* n = o.value("-length")) {
    auto len = read_whole_int64(n->view());
    if (!len) return core::fail(interp, Msg::InvalidArgument, *n);
    auto cut = [&](std::string_view t) {
      if (*len < 0) return t;
      size_t at = 0;
      for (int64_t k = 0; k < *len && at < t.size(); ++k) at += utf8_char_at(t, at).length;
      return t.substr(0, at);
    };
    a = cut(a);
    b = cut(b);
  }
  bool nocase = o.has("-nocase");
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    auto x = static_cast<unsigned char>(nocase ? fold_lower(a[i]) : a[i]);
    auto y = static_cast<unsigned char>(nocase ? fold_lower(b[i]) : b[i]);
    if (x != y) return core::result_int(interp, x < y ? -1 : 1);
  }
  return core::result_int(interp, a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0));
}

constexpr core::CommandRow kTextUtilCommands[] = {
    {"asc", nuvelCommandAsc, 2, 3, "text ?position?"},
    {"chr", nuvelCommandChr, 2, core::kAnyWords, "code ?code ...? ?-utf8?"},
    {"lastchar", nuvelCommandLastchar, 2, 3, "text ?-var?"},
    {"extract", nuvelCommandExtract, 4, 7, "text left right ?-nocase? ?-all? ?-include?"},
    {"content", nuvelCommandContent, 2, 4, "text ?open close?"},
    {"wrap", nuvelCommandWrap, 2, 5, "text ?width? ?-indent n?"},
    {"unwrap", nuvelCommandUnwrap, 2, 2, "text"},
    {"setat", nuvelCommandSetat, 4, 4, "varName position char"},
    {"makestr", nuvelCommandMakestr, 2, 3, "length ?fill?"},
    {"cmp", nuvelCommandCmp, 3, 5, "a b ?-nocase? ?-file?", core::kUnsafe},
    {"sc", nuvelCommandSc, 3, 6, "a b ?-nocase? ?-length n?"},
};

}  // namespace

[[gnu::section(".text.startup.register")]] void register_text_util_cmds(core::Interp& interp) {
  core::register_rows(interp, kTextUtilCommands);
}

}  // namespace strings
