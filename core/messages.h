// The message catalogue: every error text of the built-in commands, by id, in
// core/messages.def. `fail` formats one, adds the command prefix, reports it
// through the shared error report and returns the error code, so a handler
// ends with `return fail(interp, Msg::NotANumber, text);`.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "core/nuvel.h"

namespace core {

enum class Msg : uint16_t {
#define NUVEL_MSG(id, prefix, text) id,
#include "core/messages.def"
#undef NUVEL_MSG
  Count
};

// What goes before a message's text.
enum class MsgPrefix : uint8_t {
  None,  // the text as it stands
  Cmd,   // "name: " (the command being run)
  Sub,   // "name sub: " (the command and its subcommand word)
};

// One argument of a catalogue message, converted without loss from the
// usual C++ types; the format's conversion decides how it is printed.
struct MsgArg {
  enum Kind : uint8_t { Int, Float, Text } kind;
  int64_t i = 0;
  double d = 0.0;
  std::string_view s;

  MsgArg(int v) : kind(Int), i(v) {}
  MsgArg(long v) : kind(Int), i(v) {}
  MsgArg(long long v) : kind(Int), i(v) {}
  MsgArg(unsigned v) : kind(Int), i(v) {}
  MsgArg(unsigned long v) : kind(Int), i(static_cast<int64_t>(v)) {}
  MsgArg(unsigned long long v) : kind(Int), i(static_cast<int64_t>(v)) {}
  MsgArg(char v) : kind(Int), i(v) {}
  MsgArg(double v) : kind(Float), d(v) {}
  MsgArg(const char* v) : kind(Text), s(v ? v : "") {}
  MsgArg(std::string_view v) : kind(Text), s(v) {}
  MsgArg(const std::string& v) : kind(Text), s(v) {}
  MsgArg(const Value& v) : kind(Text), s(v.view()) {}
};

// The catalogue text of a message (printf-style conversions, no prefix).
std::string_view message_text(Msg id);
MsgPrefix message_prefix(Msg id);

// printf-style formatting with checked arguments: each conversion takes the
// next argument and prints it by its own letter (%s a text, %i/%d/%li/%I64i
// an integer, %f/%g a number, %c a character); a missing argument prints as
// empty or zero. Width, precision and flags work as in printf.
std::string format_message(std::string_view format, std::initializer_list<MsgArg> args);

// The whole text of a message as it is reported, prefix included.
std::string message(const Interp& interp, Msg id, std::initializer_list<MsgArg> args);

// Reports a message through the shared error report; returns Code::Error.
Code fail_with(Interp& interp, Msg id, std::initializer_list<MsgArg> args);

template <class... Args>
Code fail(Interp& interp, Msg id, const Args&... args) {
  return fail_with(interp, id, {MsgArg(args)...});
}

// The text of a message without any prefix, for messages printed rather
// than reported (the preprocessor's diagnostics, traces).
template <class... Args>
std::string text_of(Msg id, const Args&... args) {
  return format_message(message_text(id), {MsgArg(args)...});
}

template <class... Args>
std::string message_of(const Interp& interp, Msg id, const Args&... args) {
  return message(interp, id, {MsgArg(args)...});
}

}  // namespace core
