// Encoding and hashing commands: Base64, URL encoding, hex, the byte images
// of numbers (mkn/cvn), MD5, the keyed obfuscation encrypt/decrypt and the
// UTF-8 code-point helpers. Every command is binary safe: NUL bytes travel
// through arguments and results like any other byte.
#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "containers/codec.h"
#include "containers/md5.h"
#include "core/cmd_helpers.h"
#include "core/list_value.h"
#include "expr/number.h"
#include "strings/encoding_support.h"
#include "strings/string_support.h"

namespace strings {
namespace {

using expr::float15_value;
using expr::read_double_text;
using expr::read_int_text;
using expr::utf8_append;
using expr::utf8_decode;
using expr::whole_int;

using core::Code;
using core::Interp;
using core::Msg;
using core::nuvelSetResult;
using core::nuvelWrongArgs;
using core::Value;

// --- Option words ------------------------------------------------------------------

struct OptionSpec {
  std::string_view name;
  bool takes_value;
};

// The words of a call split into positional words and options. Options are
// recognised anywhere after the command name (without regard to case); "--"
// makes every later word positional. A word that is not a known option is
// positional while positions are free; after that a word starting with "-"
// is an unknown option.
struct Words {
  std::vector<std::string_view> positional;
  std::array<const core::Value*, 4> option{};  // the option word (or its value)
  bool has(size_t i) const { return option[i] != nullptr; }
};

Code read_words(Interp& interp, int argc, Value* argv, std::initializer_list<OptionSpec> specs,
                size_t max_positional, Words& out) {
  bool options_ended = false;
  for (int i = 1; i < argc; ++i) {
    std::string_view w = argv[i].view();
    if (!options_ended && w == "--") {
      options_ended = true;
      continue;
    }
    size_t index = 0;
    const OptionSpec* hit = nullptr;
    if (!options_ended) {
      for (const OptionSpec& s : specs) {
        if (core::iequals(w, s.name)) {
          hit = &s;
          break;
        }
        ++index;
      }
    }
    if (hit != nullptr) {
      if (hit->takes_value) {
        if (i + 1 >= argc) return core::fail(interp, Msg::EncMissingValue, w);
        out.option[index] = &argv[++i];
      } else {
        out.option[index] = &argv[i];
      }
      continue;
    }
    if (out.positional.size() < max_positional) {
      out.positional.push_back(w);
      continue;
    }
    if (!options_ended && w.size() > 1 && w[0] == '-') {
      return core::fail(interp, Msg::UnknownOption, w);
    }
    return nuvelWrongArgs(interp, argc, argv);
  }
  return Code::Ok;
}

Code result_text(Interp& interp, std::string text) {
  nuvelSetResult(interp, Value(std::move(text)));
  return Code::Ok;
}

// --- Base64, URL and hex -----------------------------------------------------------

// base64 text ?-decode? ?-url? ?-wrap n?
// Results: the Base64 encoding of the text's bytes (standard alphabet with
// "=" fill; -url: the URL-safe alphabet without fill; -wrap n: a line end
// after every n characters), or with -decode the bytes the text encodes
// (blanks and line ends ignored).
Code nuvelCommandBase64(Interp& interp, int argc, Value* argv, void*) {
  Words w;
  Code rc =
      read_words(interp, argc, argv, {{"-decode", false}, {"-url", false}, {"-wrap", true}}, 1, w);
  if (rc != Code::Ok) return rc;
  if (w.positional.size() != 1) return nuvelWrongArgs(interp, argc, argv);
  auto alphabet = w.has(1) ? containers::Base64Alphabet::Url : containers::Base64Alphabet::Standard;
  if (w.has(0)) {
    std::optional<std::string> bytes = containers::base64_decode(w.positional[0], alphabet);
    if (!bytes) return core::fail(interp, Msg::EncInvalidBase64);
    return result_text(interp, std::move(*bytes));
  }
  size_t wrap = 0;
  if (w.has(2)) {
    std::optional<int64_t> n = whole_int(w.option[2]->view());
    if (!n || *n < 0) return core::fail(interp, Msg::InvalidArgument, *w.option[2]);
    wrap = static_cast<size_t>(*n);
  }
  return result_text(interp, containers::base64_encode(w.positional[0], alphabet, wrap));
}

bool unreserved(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '_' || c == '.' || c == '~';
}

// urlencode text ?-plus?
// Results: the text with every byte except A-Z a-z 0-9 - _ . ~ written as
// %XX (upper-case hex); with -plus a space is written as "+".
Code nuvelCommandUrlEncode(Interp& interp, int argc, Value* argv, void*) {
  Words w;
  Code rc = read_words(interp, argc, argv, {{"-plus", false}}, 1, w);
  if (rc != Code::Ok) return rc;
  if (w.positional.size() != 1) return nuvelWrongArgs(interp, argc, argv);
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(w.positional[0].size());
  for (char c : w.positional[0]) {
    if (unreserved(c)) {
      out += c;
    } else if (c == ' ' && w.has(0)) {
      out += '+';
    } else {
      auto b = static_cast<unsigned char>(c);
      out += '%';
      out += kDigits[b >> 4];
      out += kDigits[b & 15];
    }
  }
  return result_text(interp, std::move(out));
}

// urldecode text ?-raw?
// Results: the text with each %XX replaced by its byte and, unless -raw,
// each "+" by a space. A "%" not followed by two hex digits stays as it is.
Code nuvelCommandUrlDecode(Interp& interp, int argc, Value* argv, void*) {
  Words w;
  Code rc = read_words(interp, argc, argv, {{"-raw", false}}, 1, w);
  if (rc != Code::Ok) return rc;
  if (w.positional.size() != 1) return nuvelWrongArgs(interp, argc, argv);
  std::string_view in = w.positional[0];
  std::string out;
  out.reserve(in.size());
  for (size_t i = 0; i < in.size(); ++i) {
    char c = in[i];
    if (c == '%' && i + 2 < in.size() && containers::hex_digit_value(in[i + 1]) >= 0 &&
        containers::hex_digit_value(in[i + 2]) >= 0) {
      out += static_cast<char>(containers::hex_digit_value(in[i + 1]) << 4 |
                               containers::hex_digit_value(in[i + 2]));
      i += 2;
    } else if (c == '+' && !w.has(0)) {
      out += ' ';
    } else {
      out += c;
    }
  }
  return result_text(interp, std::move(out));
}

// tohex text ?-upper?
// Results: two hex digits per byte of the text ("Hi" gives 4869).
Code nuvelCommandToHex(Interp& interp, int argc, Value* argv, void*) {
  Words w;
  Code rc = read_words(interp, argc, argv, {{"-upper", false}}, 1, w);
  if (rc != Code::Ok) return rc;
  if (w.positional.size() != 1) return nuvelWrongArgs(interp, argc, argv);
  return result_text(interp, containers::hex_encode(w.positional[0], w.has(0)));
}

// fromhex hex
// Results: the bytes the hex digits stand for (blanks ignored).
Code nuvelCommandFromHex(Interp& interp, int argc, Value* argv, void*) {
  std::optional<std::string> bytes = containers::hex_decode(argv[1].view());
  if (!bytes) return core::fail(interp, Msg::EncInvalidHex, argv[1]);
  return result_text(interp, std::move(*bytes));
}

// --- Byte images of numbers ----------------------------------------------------------

enum class NumType { Char, Short, Int, Wide, Float, Double };

struct TypeRow {
  std::string_view name;
  NumType type;
  size_t size;
};

constexpr TypeRow kTypes[] = {
    {"char", NumType::Char, 1},     {"short", NumType::Short, 2}, {"int", NumType::Int, 4},
    {"long", NumType::Int, 4},      {"wide", NumType::Wide, 8},   {"float", NumType::Float, 4},
    {"double", NumType::Double, 8},
};

const TypeRow* find_type(std::string_view name) {
  for (const TypeRow& row : kTypes) {
    if (core::iequals(name, row.name)) return &row;
  }
  return nullptr;
}

// mkn value ?type? ?-raw?   /   cvn hex ?type? ?-raw?
// Types: char (signed), short, int and long (4 bytes), wide (8), float
// (4-byte IEEE), double (8, the default).
// Results: mkn gives the little-endian bytes of the number as lower-case
// hex digits (the bytes themselves with -raw); cvn reads such digits (bytes
// with -raw) back into the number: integers in decimal, floating values
// with fifteen decimals.
Code nuvelCommandMkn(Interp& interp, int argc, Value* argv, void*) {
  bool make = core::iequals(argv[0].view(), "mkn");
  Words w;
  Code rc = read_words(interp, argc, argv, {{"-raw", false}}, 2, w);
  if (rc != Code::Ok) return rc;
  if (w.positional.empty()) return nuvelWrongArgs(interp, argc, argv);
  const TypeRow* type = &kTypes[6];
  if (w.positional.size() > 1) {
    type = find_type(w.positional[1]);
    if (type == nullptr) return core::fail(interp, Msg::EncUnknownType, w.positional[1]);
  }
  const bool raw = w.has(0);
  unsigned char bytes[8] = {};
  if (make) {
    std::string_view value = w.positional[0];
    if (type->type == NumType::Float) {
      float f = static_cast<float>(read_double_text(value));
      std::memcpy(bytes, &f, sizeof f);
    } else if (type->type == NumType::Double) {
      double d = read_double_text(value);
      std::memcpy(bytes, &d, sizeof d);
    } else {
      auto v = static_cast<uint64_t>(read_int_text(value).value);
      for (size_t i = 0; i < type->size; ++i) bytes[i] = static_cast<unsigned char>(v >> (8 * i));
    }
    std::string_view image(reinterpret_cast<const char*>(bytes), type->size);
    return result_text(interp, raw ? std::string(image) : containers::hex_encode(image));
  }
  std::string image;
  if (raw) {
    image = std::string(w.positional[0]);
  } else {
    std::optional<std::string> decoded = containers::hex_decode(w.positional[0]);
    if (!decoded) return core::fail(interp, Msg::EncInvalidHex, w.positional[0]);
    image = std::move(*decoded);
  }
  if (image.size() != type->size) {
    return core::fail(interp, Msg::EncExpectedBytes, static_cast<long>(type->size),
                      static_cast<long>(image.size()));
  }
  std::memcpy(bytes, image.data(), type->size);
  if (type->type == NumType::Float) {
    float f;
    std::memcpy(&f, bytes, sizeof f);
    nuvelSetResult(interp, float15_value(f));
    return Code::Ok;
  }
  if (type->type == NumType::Double) {
    double d;
    std::memcpy(&d, bytes, sizeof d);
    nuvelSetResult(interp, float15_value(d));
    return Code::Ok;
  }
  uint64_t v = 0;
  for (size_t i = 0; i < type->size; ++i) v |= static_cast<uint64_t>(bytes[i]) << (8 * i);
  // Sign extension from the type's width.
  unsigned shift = static_cast<unsigned>(64 - 8 * type->size);
  auto value = static_cast<int64_t>(v << shift) >> shift;
  return core::result_int(interp, value);
}

// --- MD5 and the keyed obfuscation ---------------------------------------------------

// md5 text ?-var?
// Results: the MD5 digest of the text's bytes as 32 lower-case hex digits
// (the digest the hash tables choose their buckets by). With -var the text
// names a variable whose value is hashed.
Code nuvelCommandMd5(Interp& interp, int argc, Value* argv, void*) {
  Words w;
  Code rc = read_words(interp, argc, argv, {{"-var", false}}, 1, w);
  if (rc != Code::Ok) return rc;
  if (w.positional.size() != 1) return nuvelWrongArgs(interp, argc, argv);
  Value text = text_or_var(interp, Value(w.positional[0]), w.has(0));
  return result_text(interp, containers::md5_hex(text.view()));
}

// XORs `data` in place with the keystream MD5(key ":" 0), MD5(key ":" 1), ...
void apply_keystream(std::string& data, std::string_view key) {
  std::string seed(key);
  seed += ':';
  const size_t base = seed.size();
  for (size_t at = 0, block = 0; at < data.size(); ++block) {
    seed.resize(base);
    seed += std::to_string(block);
    containers::Md5Digest pad = containers::md5_digest(seed);
    for (size_t k = 0; k < pad.size() && at < data.size(); ++k, ++at) {
      data[at] = static_cast<char>(data[at] ^ static_cast<char>(pad[k]));
    }
  }
}

constexpr size_t kCheckBytes = 4;

// encrypt text key   /   decrypt text key
// Results: encrypt gives Base64 text of the text's bytes after four check
// bytes (the start of the text's MD5 digest), all XORed with a keystream
// made from MD5 digests of the key; decrypt gives the text back. This hides
// text from casual reading; it is not cryptography.
Code nuvelCommandEncrypt(Interp& interp, int argc, Value* argv, void*) {
  bool encrypt = core::iequals(argv[0].view(), "encrypt");
  std::string_view key = argv[2].view();
  if (key.empty()) return core::fail(interp, Msg::EncEmptyKey);
  if (encrypt) {
    containers::Md5Digest check = containers::md5_digest(argv[1].view());
    std::string data(reinterpret_cast<const char*>(check.data()), kCheckBytes);
    data += argv[1].view();
    apply_keystream(data, key);
    return result_text(interp, containers::base64_encode(data));
  }
  std::optional<std::string> data = containers::base64_decode(argv[1].view());
  if (!data || data->size() < kCheckBytes) return core::fail(interp, Msg::EncWrongKey);
  apply_keystream(*data, key);
  std::string_view text = std::string_view(*data).substr(kCheckBytes);
  containers::Md5Digest check = containers::md5_digest(text);
  if (std::memcmp(check.data(), data->data(), kCheckBytes) != 0) {
    return core::fail(interp, Msg::EncWrongKey);
  }
  return result_text(interp, std::string(text));
}

// --- UTF-8 code points -----------------------------------------------------------------

// wchar_length text
// Results: the number of Unicode characters in the UTF-8 text; a byte that
// begins no valid encoding counts as one character.
Code nuvelCommandWcharLength(Interp& interp, int argc, Value* argv, void*) {
  std::string_view text = argv[1].view();
  int64_t count = 0;
  for (size_t i = 0; i < text.size(); ++count) {
    uint32_t code = 0;
    size_t len = utf8_decode(text, i, code);
    i += len == 0 ? 1 : len;
  }
  return core::result_int(interp, count);
}

// wchar_to_string code ?code ...?
// Results: the UTF-8 text of the code points; each word may be a list of
// codes. Codes are numbers in 1..0x10FFFF outside D800..DFFF.
Code nuvelCommandWcharToString(Interp& interp, int argc, Value* argv, void*) {
  std::string out;
  for (int i = 1; i < argc; ++i) {
    auto codes = list_standard(argv[i]);
    for (const Value& word : codes->elements) {
      std::optional<int64_t> code = whole_int(word.view());
      if (!code || *code < 1 || *code > 0x10ffff || (*code >= 0xd800 && *code <= 0xdfff)) {
        return core::fail(interp, Msg::EncInvalidCode, word);
      }
      utf8_append(out, static_cast<uint32_t>(*code));
    }
  }
  return result_text(interp, std::move(out));
}

const core::CommandRow kEncodingCommands[] = {
    {"base64", nuvelCommandBase64, 2, 7, "text ?-decode? ?-url? ?-wrap n?"},
    {"urlencode", nuvelCommandUrlEncode, 2, 4, "text ?-plus?"},
    {"urldecode", nuvelCommandUrlDecode, 2, 4, "text ?-raw?"},
    {"tohex", nuvelCommandToHex, 2, 4, "text ?-upper?"},
    {"fromhex", nuvelCommandFromHex, 2, 2, "hex"},
    {"mkn", nuvelCommandMkn, 2, 5, "value ?type? ?-raw?"},
    {"cvn", nuvelCommandMkn, 2, 5, "hex ?type? ?-raw?"},
    {"md5", nuvelCommandMd5, 2, 4, "text ?-var?"},
    {"encrypt", nuvelCommandEncrypt, 3, 3, "text key"},
    {"decrypt", nuvelCommandEncrypt, 3, 3, "text key"},
    {"wchar_length", nuvelCommandWcharLength, 2, 2, "text"},
    {"wchar_to_string", nuvelCommandWcharToString, 2, core::kAnyWords, "code ?code ...?"},
};

}  // namespace

[[gnu::section(".text.startup.register")]] void register_encoding_cmds(Interp& interp) {
  core::register_rows(interp, kEncodingCommands);
}

}  // namespace strings
