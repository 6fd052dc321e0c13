// The message catalogue and its checked formatter.
#include "core/messages.h"

#include <cstdio>
#include <cstring>

namespace core {

namespace {

struct Entry {
  MsgPrefix prefix;
  std::string_view text;
};

constexpr MsgPrefix None = MsgPrefix::None;
constexpr MsgPrefix Cmd = MsgPrefix::Cmd;
constexpr MsgPrefix Sub = MsgPrefix::Sub;

constexpr Entry kCatalogue[] = {
#define NUVEL_MSG(id, prefix, text) {prefix, text},
#include "core/messages.def"
#undef NUVEL_MSG
};
static_assert(std::size(kCatalogue) == static_cast<size_t>(Msg::Count));

bool is_flag(char c) {
  return c == '-' || c == '+' || c == ' ' || c == '#' || c == '0';
}
bool is_digit(char c) {
  return c >= '0' && c <= '9';
}

// Prints one conversion: `directive` holds the flags, width and precision, and
// `conv` the conversion letter; the argument is coerced to what it needs.
void append_conversion(std::string& out, const std::string& directive, char conv,
                       const MsgArg* arg) {
  char buf[512];
  std::string f = "%" + directive;
  int n = 0;
  switch (conv) {
    case 'd':
    case 'i':
    case 'u':
    case 'x':
    case 'X':
    case 'o': {
      long long v = 0;
      if (arg && arg->kind == MsgArg::Int) v = arg->i;
      if (arg && arg->kind == MsgArg::Float) v = static_cast<long long>(arg->d);
      f += "ll";
      f += conv;
      n = std::snprintf(buf, sizeof buf, f.c_str(), v);
      break;
    }
    case 'c': {
      int v = arg && arg->kind == MsgArg::Int ? static_cast<int>(arg->i) : ' ';
      f += 'c';
      n = std::snprintf(buf, sizeof buf, f.c_str(), v);
      break;
    }
    case 'f':
    case 'F':
    case 'e':
    case 'E':
    case 'g':
    case 'G': {
      double v = 0.0;
      if (arg && arg->kind == MsgArg::Float) v = arg->d;
      if (arg && arg->kind == MsgArg::Int) v = static_cast<double>(arg->i);
      f += conv;
      n = std::snprintf(buf, sizeof buf, f.c_str(), v);
      break;
    }
    default: {  // 's' and anything unknown: the argument as text
      std::string text;
      if (arg && arg->kind == MsgArg::Text) text.assign(arg->s);
      if (arg && arg->kind == MsgArg::Int) text = std::to_string(arg->i);
      if (arg && arg->kind == MsgArg::Float) {
        char num[64];
        std::snprintf(num, sizeof num, "%g", arg->d);
        text = num;
      }
      f += 's';
      n = std::snprintf(nullptr, 0, f.c_str(), text.c_str());
      if (n < 0) return;
      std::string wide(static_cast<size_t>(n) + 1, '\0');
      std::snprintf(wide.data(), wide.size(), f.c_str(), text.c_str());
      wide.resize(static_cast<size_t>(n));
      out += wide;
      return;
    }
  }
  if (n > 0) out.append(buf, std::min(static_cast<size_t>(n), sizeof buf - 1));
}

}  // namespace

std::string_view message_text(Msg id) {
  return kCatalogue[static_cast<size_t>(id)].text;
}

MsgPrefix message_prefix(Msg id) {
  return kCatalogue[static_cast<size_t>(id)].prefix;
}

std::string format_message(std::string_view format, std::initializer_list<MsgArg> args) {
  std::string out;
  out.reserve(format.size() + 32);
  const MsgArg* next = args.begin();
  size_t i = 0;
  while (i < format.size()) {
    char c = format[i++];
    if (c != '%' || i >= format.size()) {
      out += c;
      continue;
    }
    if (format[i] == '%') {
      out += '%';
      ++i;
      continue;
    }
    std::string directive;
    while (i < format.size() && is_flag(format[i])) directive += format[i++];
    while (i < format.size() && is_digit(format[i]) && directive.size() < 16)
      directive += format[i++];
    if (i < format.size() && format[i] == '.') {
      directive += format[i++];
      while (i < format.size() && is_digit(format[i]) && directive.size() < 24)
        directive += format[i++];
    }
    // Length modifiers say nothing here: the argument carries its own type.
    while (i < format.size() && std::strchr("hlLqjzt", format[i]) != nullptr) ++i;
    if (format.substr(i, 3) == "I64") i += 3;
    if (i >= format.size()) break;
    char conv = format[i++];
    const MsgArg* arg = next != args.end() ? next++ : nullptr;
    append_conversion(out, directive, conv, arg);
  }
  return out;
}

std::string message(const Interp& interp, Msg id, std::initializer_list<MsgArg> args) {
  std::string out;
  const Entry& e = kCatalogue[static_cast<size_t>(id)];
  if (e.prefix != MsgPrefix::None) {
    if (interp.command_argc > 0) out.append(interp.command_argv[0].view());
    if (e.prefix == MsgPrefix::Sub && interp.command_argc > 1) {
      out += ' ';
      out.append(interp.command_argv[1].view());
    }
    out += ": ";
  }
  out += format_message(e.text, args);
  return out;
}

Code fail_with(Interp& interp, Msg id, std::initializer_list<MsgArg> args) {
  if (id == Msg::Interrupted) ++interp.interrupts;
  nuvelSetErrorText(&interp, message(interp, id, args));
  return Code::Error;
}

}  // namespace core
