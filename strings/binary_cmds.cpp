// The binary command: packing values into bytes and unpacking them by a
// format of field specifiers, and the Base64 and hex transfer encodings.
//
// A field specifier is a type letter followed by an optional count (digits
// or "*"):
//   a A   text, padded with NUL (a) or spaces (A); scanning A strips them
//   b B   binary digits, low bit first (b) or high bit first (B)
//   h H   hex digits, low nibble first (h) or high nibble first (H)
//   c s S i I w W   8-, 16-, 32- and 64-bit integers; lower case little
//                   endian, upper case big endian (c is one byte)
//   f d   float and double in the machine's order (little endian)
//   x X @ NUL bytes / skip forward, move back, move to an absolute position
// Numbers without a count take one value; with a count a list of values.
#include <cstring>
#include <string>
#include <vector>

#include "containers/codec.h"
#include "core/cmd_helpers.h"
#include "core/list_value.h"
#include "expr/number.h"
#include "strings/encoding_support.h"

namespace strings {
namespace {

using expr::float15_value;
using expr::int_value;
using expr::whole_double;
using expr::whole_int;

using core::Code;
using core::Interp;
using core::Msg;
using core::nuvelSetResult;
using core::Value;

// Largest result binary format builds, and largest count a field may have.
constexpr size_t kMaxBytes = size_t{64} << 20;

constexpr int64_t kNoCount = -1;
constexpr int64_t kStar = -2;

struct Field {
  char type;
  int64_t count;  // kNoCount, kStar or a count
};

// Reads the format into fields; fails (reported) on an unknown letter or a
// count beyond the size limit.
Code read_format(Interp& interp, std::string_view fmt, std::vector<Field>& out) {
  static constexpr std::string_view kTypes = "aAbBhHcsSiIwWfdxX@";
  size_t i = 0;
  while (i < fmt.size()) {
    char t = fmt[i++];
    if (t == ' ' || t == '\t' || t == '\n' || t == '\r') continue;
    if (kTypes.find(t) == std::string_view::npos) {
      return core::fail(interp, Msg::BinBadSpecifier, std::string(1, t));
    }
    Field f{t, kNoCount};
    if (i < fmt.size() && fmt[i] == '*') {
      f.count = kStar;
      ++i;
    } else if (i < fmt.size() && fmt[i] >= '0' && fmt[i] <= '9') {
      int64_t n = 0;
      while (i < fmt.size() && fmt[i] >= '0' && fmt[i] <= '9') {
        n = n * 10 + (fmt[i++] - '0');
        if (n > static_cast<int64_t>(kMaxBytes) * 8) return core::fail(interp, Msg::BinTooLarge);
      }
      f.count = n;
    }
    if (t == '@' && f.count == kNoCount) return core::fail(interp, Msg::BinMissingCount);
    out.push_back(f);
  }
  return Code::Ok;
}

bool takes_value(char t) {
  return t != 'x' && t != 'X' && t != '@';
}

// Byte width of a number type, 0 for other types.
size_t number_width(char t) {
  switch (t) {
    case 'c':
      return 1;
    case 's':
    case 'S':
      return 2;
    case 'i':
    case 'I':
    case 'f':
      return 4;
    case 'w':
    case 'W':
    case 'd':
      return 8;
    default:
      return 0;
  }
}

bool big_endian(char t) {
  return t == 'S' || t == 'I' || t == 'W';
}

// --- binary format -------------------------------------------------------------------

// The output of binary format with its cursor.
struct Packer {
  std::string out;
  size_t at = 0;

  bool fits(size_t n) const { return at <= kMaxBytes && n <= kMaxBytes - at; }
  void put(std::string_view bytes) {
    if (at + bytes.size() > out.size()) out.resize(at + bytes.size(), '\0');
    std::memcpy(out.data() + at, bytes.data(), bytes.size());
    at += bytes.size();
  }
};

// Packs one number of type `t` from a word.
Code pack_number(Interp& interp, Packer& p, char t, const Value& word) {
  unsigned char bytes[8];
  size_t width = number_width(t);
  if (t == 'f' || t == 'd') {
    std::optional<double> d = whole_double(word.view());
    if (!d) return core::fail(interp, Msg::BinExpectedFloat, word);
    if (t == 'f') {
      float f = static_cast<float>(*d);
      std::memcpy(bytes, &f, 4);
    } else {
      std::memcpy(bytes, &*d, 8);
    }
  } else {
    std::optional<int64_t> v = whole_int(word.view());
    if (!v) return core::fail(interp, Msg::BinExpectedInt, word);
    auto u = static_cast<uint64_t>(*v);
    for (size_t k = 0; k < width; ++k) {
      size_t shift = 8 * (big_endian(t) ? width - 1 - k : k);
      bytes[k] = static_cast<unsigned char>(u >> shift);
    }
  }
  p.put(std::string_view(reinterpret_cast<const char*>(bytes), width));
  return Code::Ok;
}

// Packs a digit string of type b B h H.
Code pack_digits(Interp& interp, Packer& p, const Field& f, const Value& word) {
  std::string_view digits = word.view();
  const bool bits = f.type == 'b' || f.type == 'B';
  const unsigned per_byte = bits ? 8 : 2;
  size_t count = f.count == kStar      ? digits.size()
                 : f.count == kNoCount ? 1
                                       : static_cast<size_t>(f.count);
  size_t nbytes = (count + per_byte - 1) / per_byte;
  if (!p.fits(nbytes)) return core::fail(interp, Msg::BinTooLarge);
  std::string bytes(nbytes, '\0');
  size_t used = count < digits.size() ? count : digits.size();
  for (size_t k = 0; k < used; ++k) {
    char c = digits[k];
    unsigned v;
    if (bits) {
      if (c != '0' && c != '1') return core::fail(interp, Msg::BinExpectedDigits, "binary", word);
      v = static_cast<unsigned>(c - '0');
    } else {
      int h = containers::hex_digit_value(c);
      if (h < 0) return core::fail(interp, Msg::BinExpectedDigits, "hexadecimal", word);
      v = static_cast<unsigned>(h);
    }
    size_t slot = k % per_byte;
    unsigned shift;
    if (bits) {
      shift = f.type == 'b' ? static_cast<unsigned>(slot) : 7 - static_cast<unsigned>(slot);
    } else {
      shift = (f.type == 'h') == (slot == 0) ? 0 : 4;
    }
    bytes[k / per_byte] =
        static_cast<char>(static_cast<unsigned char>(bytes[k / per_byte]) | v << shift);
  }
  p.put(bytes);
  return Code::Ok;
}

// binary format formatString ?arg ...?
// Results: the bytes built by the fields from the arguments.
Code binary_format(Interp& interp, int argc, Value* argv, void*) {
  std::vector<Field> fields;
  if (Code rc = read_format(interp, argv[2].view(), fields); rc != Code::Ok) return rc;
  int needed = 0;
  for (const Field& f : fields) needed += takes_value(f.type) ? 1 : 0;
  if (argc - 3 < needed) return core::fail(interp, Msg::BinNotEnoughArgs);
  if (argc - 3 > needed) return core::fail(interp, Msg::BinTooManyArgs);
  Packer p;
  int arg = 3;
  for (const Field& f : fields) {
    switch (f.type) {
      case 'a':
      case 'A': {
        std::string_view text = argv[arg++].view();
        size_t count = f.count == kStar      ? text.size()
                       : f.count == kNoCount ? 1
                                             : static_cast<size_t>(f.count);
        if (!p.fits(count)) return core::fail(interp, Msg::BinTooLarge);
        std::string field(count, f.type == 'a' ? '\0' : ' ');
        std::memcpy(field.data(), text.data(), text.size() < count ? text.size() : count);
        p.put(field);
        break;
      }
      case 'b':
      case 'B':
      case 'h':
      case 'H':
        if (Code rc = pack_digits(interp, p, f, argv[arg++]); rc != Code::Ok) return rc;
        break;
      case 'x': {
        if (f.count == kStar) return core::fail(interp, Msg::BinNoStarCount, "x");
        size_t count = f.count == kNoCount ? 1 : static_cast<size_t>(f.count);
        if (!p.fits(count)) return core::fail(interp, Msg::BinTooLarge);
        p.put(std::string(count, '\0'));
        break;
      }
      case 'X': {
        size_t back = f.count == kNoCount ? 1
                      : f.count == kStar  ? p.at
                                          : static_cast<size_t>(f.count);
        p.at = back > p.at ? 0 : p.at - back;
        break;
      }
      case '@': {
        size_t to = f.count == kStar ? p.out.size() : static_cast<size_t>(f.count);
        if (to > kMaxBytes) return core::fail(interp, Msg::BinTooLarge);
        if (to > p.out.size()) p.out.resize(to, '\0');
        p.at = to;
        break;
      }
      default: {
        const Value& word = argv[arg++];
        if (f.count == kNoCount) {
          if (Code rc = pack_number(interp, p, f.type, word); rc != Code::Ok) return rc;
          break;
        }
        auto list = list_standard(word);
        const auto& items = list->elements;
        size_t available = list->count(false);
        size_t count = f.count == kStar ? available : static_cast<size_t>(f.count);
        if (count > available) return core::fail(interp, Msg::BinListCount);
        if (!p.fits(count * number_width(f.type))) return core::fail(interp, Msg::BinTooLarge);
        for (size_t k = 0; k < count; ++k) {
          if (Code rc = pack_number(interp, p, f.type, items[k]); rc != Code::Ok) return rc;
        }
        break;
      }
    }
  }
  nuvelSetResult(interp, Value(std::move(p.out)));
  return Code::Ok;
}

// --- binary scan ---------------------------------------------------------------------

Value unpack_number(char t, const char* at) {
  size_t width = number_width(t);
  const auto* b = reinterpret_cast<const unsigned char*>(at);
  if (t == 'f') {
    float f;
    std::memcpy(&f, b, 4);
    return float15_value(f);
  }
  if (t == 'd') {
    double d;
    std::memcpy(&d, b, 8);
    return float15_value(d);
  }
  uint64_t u = 0;
  for (size_t k = 0; k < width; ++k) {
    size_t shift = 8 * (big_endian(t) ? width - 1 - k : k);
    u |= static_cast<uint64_t>(b[k]) << shift;
  }
  unsigned extend = static_cast<unsigned>(64 - 8 * width);
  return int_value(static_cast<int64_t>(u << extend) >> extend);
}

// binary scan data formatString ?varName ...?
// Results: the number of variables set. Scanning stops at the first field
// the remaining data cannot fill; later variables are left alone.
Code binary_scan(Interp& interp, int argc, Value* argv, void*) {
  std::vector<Field> fields;
  if (Code rc = read_format(interp, argv[3].view(), fields); rc != Code::Ok) return rc;
  int needed = 0;
  for (const Field& f : fields) needed += takes_value(f.type) ? 1 : 0;
  if (argc - 4 < needed) return core::fail(interp, Msg::BinNotEnoughArgs);
  if (argc - 4 > needed) return core::fail(interp, Msg::BinTooManyArgs);
  std::string_view data = argv[2].view();
  size_t at = 0;
  int arg = 4;
  int64_t set = 0;
  auto store = [&](Value v) { return core::set_variable(interp, argv[arg++].view(), v) == 0; };
  for (const Field& f : fields) {
    size_t left = data.size() - at;
    switch (f.type) {
      case 'a':
      case 'A': {
        size_t count = f.count == kStar      ? left
                       : f.count == kNoCount ? 1
                                             : static_cast<size_t>(f.count);
        if (count > left) return core::result_int(interp, set);
        std::string_view text = data.substr(at, count);
        at += count;
        if (f.type == 'A') {
          while (!text.empty() && (text.back() == ' ' || text.back() == '\0'))
            text.remove_suffix(1);
        }
        if (!store(Value(text))) return Code::Error;
        ++set;
        break;
      }
      case 'b':
      case 'B':
      case 'h':
      case 'H': {
        const bool bits = f.type == 'b' || f.type == 'B';
        const size_t per_byte = bits ? 8 : 2;
        size_t count = f.count == kStar      ? left * per_byte
                       : f.count == kNoCount ? 1
                                             : static_cast<size_t>(f.count);
        size_t nbytes = (count + per_byte - 1) / per_byte;
        if (nbytes > left) return core::result_int(interp, set);
        std::string digits;
        digits.reserve(count);
        for (size_t k = 0; k < count; ++k) {
          auto byte = static_cast<unsigned char>(data[at + k / per_byte]);
          size_t slot = k % per_byte;
          if (bits) {
            unsigned shift =
                f.type == 'b' ? static_cast<unsigned>(slot) : 7 - static_cast<unsigned>(slot);
            digits += static_cast<char>('0' + (byte >> shift & 1));
          } else {
            unsigned shift = (f.type == 'h') == (slot == 0) ? 0 : 4;
            digits += "0123456789abcdef"[byte >> shift & 15];
          }
        }
        at += nbytes;
        if (!store(Value(std::move(digits)))) return Code::Error;
        ++set;
        break;
      }
      case 'x': {
        size_t count = f.count == kNoCount ? 1
                       : f.count == kStar  ? left
                                           : static_cast<size_t>(f.count);
        at += count < left ? count : left;
        break;
      }
      case 'X': {
        size_t back = f.count == kNoCount ? 1
                      : f.count == kStar  ? at
                                          : static_cast<size_t>(f.count);
        at = back > at ? 0 : at - back;
        break;
      }
      case '@': {
        size_t to = f.count == kStar ? data.size() : static_cast<size_t>(f.count);
        at = to < data.size() ? to : data.size();
        break;
      }
      default: {
        size_t width = number_width(f.type);
        if (f.count == kNoCount) {
          if (width > left) return core::result_int(interp, set);
          Value v = unpack_number(f.type, data.data() + at);
          at += width;
          if (!store(v)) return Code::Error;
          ++set;
          break;
        }
        size_t count = f.count == kStar ? left / width : static_cast<size_t>(f.count);
        if (count > left / width) return core::result_int(interp, set);
        std::vector<Value> values;
        values.reserve(count);
        for (size_t k = 0; k < count; ++k, at += width) {
          values.push_back(unpack_number(f.type, data.data() + at));
        }
        if (!store(Value(list_write(values)))) return Code::Error;
        ++set;
        break;
      }
    }
  }
  return core::result_int(interp, set);
}

// --- binary encode / decode ----------------------------------------------------------

// binary encode base64|hex data   /   binary decode base64|hex data
Code binary_transfer(Interp& interp, int argc, Value* argv, void*) {
  bool encode = core::iequals(argv[1].view(), "encode");
  std::string_view kind = argv[2].view();
  std::string_view data = argv[3].view();
  if (core::iequals(kind, "base64")) {
    if (encode) {
      nuvelSetResult(interp, Value(containers::base64_encode(data)));
      return Code::Ok;
    }
    std::optional<std::string> bytes = containers::base64_decode(data);
    if (!bytes) return core::fail(interp, Msg::EncInvalidBase64);
    nuvelSetResult(interp, Value(std::move(*bytes)));
    return Code::Ok;
  }
  if (core::iequals(kind, "hex")) {
    if (encode) {
      nuvelSetResult(interp, Value(containers::hex_encode(data)));
      return Code::Ok;
    }
    std::optional<std::string> bytes = containers::hex_decode(data);
    if (!bytes) return core::fail(interp, Msg::EncInvalidHex, argv[3]);
    nuvelSetResult(interp, Value(std::move(*bytes)));
    return Code::Ok;
  }
  return core::fail(interp, Msg::UnknownOption, kind);
}

const core::EnsembleRow kBinaryRows[] = {
    {"format", binary_format, 3, core::kAnyWords, "format formatString ?arg ...?"},
    {"scan", binary_scan, 4, core::kAnyWords, "scan data formatString ?varName ...?"},
    {"encode", binary_transfer, 4, 4, "encode base64|hex data"},
    {"decode", binary_transfer, 4, 4, "decode base64|hex data"},
};

const core::Ensemble kBinary{"binary", kBinaryRows, Msg::UnknownOption};

Code nuvelCommandBinary(Interp& interp, int argc, Value* argv, void*) {
  return core::dispatch_ensemble(interp, kBinary, argc, argv);
}

const core::CommandRow kBinaryCommands[] = {
    {"binary", nuvelCommandBinary, 2, core::kAnyWords, "format|scan|encode|decode ?arg ...?"},
};

}  // namespace

[[gnu::section(".text.startup.register")]] void register_binary_cmds(Interp& interp) {
  core::register_rows(interp, kBinaryCommands);
  core::register_ensemble(interp, kBinary);
}

}  // namespace strings
