// The http command: a single-shot, blocking HTTP client over plain TCP that
// returns the raw response (status line, headers and body).
#include <string>

#include "containers/codec.h"
#include "core/cmd_helpers.h"
#include "platform/net.h"
#include "platform/system.h"
#include "syslib/http_response.h"

namespace syslib {
namespace {

using core::Code;
using core::Interp;
using core::Msg;
using core::Value;

constexpr int kDefaultTimeoutMs = 30000;
constexpr size_t kReceiveBlock = 32768;
constexpr std::string_view kUserAgent =
    "User-Agent: Mozilla/5.0 (Windows; U; Windows NT 5.1; en-US; rv:1.8.1.22) Gecko/20090605 "
    "SeaMonkey/2.0.12\r\n";

// One request as the words describe it.
struct HttpCall {
  std::string host;         // for the resolver (no brackets around IPv6)
  std::string host_header;  // as written in the URL
  std::string port = "80";
  std::string path = "/";
  std::string var_name;
  std::string port_word;  // the port word after the URL, when it gives one
  bool port_given = false;
  std::string user, password;
  bool has_user = false, has_password = false;
  bool head = false, http10 = false, quiet = false;
  int timeout_ms = kDefaultTimeoutMs;
};

// Reports a failure unless -nocomplain was given; the code is error either way.
template <class... Args>
Code refuse(Interp& interp, const HttpCall& call, Msg id, const Args&... args) {
  if (call.quiet) {
    core::nuvelResetResult(interp);
    return Code::Error;
  }
  return core::fail(interp, id, args...);
}

bool is_option_word(std::string_view w) {
  return core::iequals(w, "-nocomplain") || core::iequals(w, "-head") || w == "-1" ||
         core::iequals(w, "-u") || core::iequals(w, "-p") || core::iequals(w, "-timeout");
}

bool takes_value(std::string_view w) {
  return core::iequals(w, "-u") || core::iequals(w, "-p") || core::iequals(w, "-timeout");
}

// A port word: a number in 1..65535 (leading digits, as the design reads
// it); 0 when the word gives no port, -1 when it is out of range.
int64_t port_number(std::string_view text) {
  int64_t n = core::leading_int(text);
  if (n <= 0) return 0;
  return n > 65535 ? -1 : n;
}

// Splits the URL into host, port and path. Fails (reported) on schemes
// other than http, on control characters and blanks (which would let a
// URL add lines to the request), and on a missing host.
Code parse_url(Interp& interp, HttpCall& call, std::string_view url) {
  const std::string_view word = url;  // for messages
  while (!url.empty() && (url.back() == '\r' || url.back() == '\n')) url.remove_suffix(1);
  size_t scheme_end = url.find("://");
  if (scheme_end != std::string_view::npos) {
    std::string_view scheme = url.substr(0, scheme_end);
    bool plain_scheme = !scheme.empty() && scheme.find_first_not_of(
                                               "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVW"
                                               "XYZ0123456789+-.") == std::string_view::npos;
    if (plain_scheme) {
      if (!core::iequals(scheme, "http")) {
        std::string lower(scheme);
        for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        return refuse(interp, call, Msg::HttpNotSupported, lower);
      }
      url.remove_prefix(scheme_end + 3);
    }
  }
  for (char c : url) {
    if (static_cast<unsigned char>(c) <= ' ' || c == 0x7f) {
      return refuse(interp, call, Msg::HttpInvalidUrl, word);
    }
  }
  size_t slash = url.find('/');
  std::string_view authority = url.substr(0, slash);
  if (slash != std::string_view::npos) call.path = std::string(url.substr(slash));
  std::string_view port_text;
  if (!authority.empty() && authority.front() == '[') {
    // An IPv6 address: "[::1]" or "[::1]:8080".
    size_t close = authority.find(']');
    if (close == std::string_view::npos) return refuse(interp, call, Msg::HttpInvalidUrl, word);
    call.host = std::string(authority.substr(1, close - 1));
    call.host_header = std::string(authority.substr(0, close + 1));
    std::string_view rest = authority.substr(close + 1);
    if (!rest.empty() && rest.front() != ':') {
      return refuse(interp, call, Msg::HttpInvalidUrl, word);
    }
    if (!rest.empty()) port_text = rest.substr(1);
  } else {
    size_t colon = authority.find(':');
    call.host = std::string(authority.substr(0, colon));
    call.host_header = call.host;
    if (colon != std::string_view::npos) port_text = authority.substr(colon + 1);
  }
  if (call.host.empty()) return refuse(interp, call, Msg::HttpInvalidUrl, word);
  int64_t port = port_number(port_text);
  if (port < 0) return refuse(interp, call, Msg::HttpInvalidUrl, word);
  if (port > 0) call.port = std::to_string(port);
  return Code::Ok;
}

// Reads the words after the URL: port and variable name in their places,
// options anywhere.
Code parse_words(Interp& interp, int argc, Value* argv, HttpCall& call) {
  // Options first, so that -nocomplain covers every later message.
  for (int i = 2; i < argc; ++i) {
    if (core::iequals(argv[i].view(), "-nocomplain")) call.quiet = true;
  }
  for (int i = 2; i < argc; ++i) {
    std::string_view w = argv[i].view();
    if (is_option_word(w)) {
      if (takes_value(w)) {
        if (i + 1 >= argc) return refuse(interp, call, Msg::HttpMissingValue, w);
        // The value is consumed here, so it is never taken for the port or
        // the variable name.
        std::string_view v = argv[++i].view();
        if (core::iequals(w, "-u")) {
          call.user = std::string(v);
          call.has_user = true;
        } else if (core::iequals(w, "-p")) {
          call.password = std::string(v);
          call.has_password = true;
        } else {
          std::optional<int64_t> ms = core::parse_int(v);
          if (!ms || *ms <= 0 || *ms > 86400000) {
            return refuse(interp, call, Msg::InvalidArgument, v);
          }
          call.timeout_ms = static_cast<int>(*ms);
        }
      } else if (core::iequals(w, "-head")) {
        call.head = true;
      } else if (w == "-1") {
        call.http10 = true;
      }
      continue;
    }
    if (i == 2) {
      if (w == "-") continue;
      int64_t port = port_number(w);
      if (port < 0) return refuse(interp, call, Msg::InvalidArgument, w);
      if (port > 0) {
        call.port_given = true;
        call.port_word = std::to_string(port);
      } else if (w.size() > 1 && w[0] == '-' && !core::parse_int(w)) {
        return refuse(interp, call, Msg::UnknownOption, w);
      }
      continue;
    }
    if (i == 3 && !w.empty() && w[0] != '-') {
      call.var_name = std::string(w);
      continue;
    }
    if (w.size() > 1 && w[0] == '-') return refuse(interp, call, Msg::UnknownOption, w);
  }
  return Code::Ok;
}

std::string build_request(const HttpCall& call) {
  std::string path = call.path;
  while (!path.empty() && (path.back() == '\r' || path.back() == '\n')) path.pop_back();
  std::string req = call.head ? "HEAD " : "GET ";
  req += path;
  if (call.http10) {
    req += " HTTP/1.0\r\n\r\n";
    return req;
  }
  req += " HTTP/1.1\r\nHost: ";
  req += call.host_header;
  req += "\r\n";
  req += kUserAgent;
  if (call.has_user) {
    std::string credentials = call.user;
    if (call.has_password) {
      credentials += ':';
      credentials += call.password;
    }
    req += "Authorization: Basic ";
    req += containers::base64_encode(credentials);
    req += "\r\n";
  }
  req += "\r\n";
  return req;
}

Code interrupted(Interp& interp) {
  (void)platform::take_break_flag();
  (void)core::fail(interp, Msg::Interrupted);
  return Code::Stop;
}

// http url ?port? ?varName? ?option ...?
// Options: -nocomplain (no messages), -head (HEAD request), -1 (HTTP/1.0),
// -u user, -p password (Basic credentials), -timeout ms (connection and
// silence limit, default 30000).
// Results: the raw response (status line, headers, blank line and body; a
// chunked body is decoded); with varName the response goes into that
// variable and the result is empty.
// Side effects: one TCP connection to the server.
Code nuvelCommandHttp(Interp& interp, int argc, Value* argv, void*) {
  HttpCall call;
  if (Code rc = parse_words(interp, argc, argv, call); rc != Code::Ok) return rc;
  if (Code rc = parse_url(interp, call, argv[1].view()); rc != Code::Ok) return rc;
  if (call.port_given) call.port = call.port_word;

  platform::TcpStream stream;
  int error = 0;
  switch (stream.connect(call.host, call.port, call.timeout_ms, error)) {
    case platform::NetStatus::Ok:
      break;
    case platform::NetStatus::ResolveFailed:
      return refuse(interp, call, Msg::HttpResolveFailed, error);
    case platform::NetStatus::SocketFailed:
      return refuse(interp, call, Msg::HttpSocketFailed, static_cast<long>(error));
    case platform::NetStatus::Interrupted:
      return interrupted(interp);
    default:
      return refuse(interp, call, Msg::HttpUnableToConnect, call.host);
  }
  switch (stream.send_all(build_request(call), call.timeout_ms, error)) {
    case platform::NetStatus::Ok:
      break;
    case platform::NetStatus::Interrupted:
      return interrupted(interp);
    case platform::NetStatus::TimedOut:
      return refuse(interp, call, Msg::HttpTimedOut, call.host, static_cast<long>(call.timeout_ms));
    default:
      return refuse(interp, call, Msg::HttpSendFailed, error);
  }

  HttpResponseReader reader(!call.http10, call.head);
  std::string block(kReceiveBlock, '\0');
  while (!reader.done()) {
    size_t got = 0;
    platform::NetStatus st =
        stream.receive(block.data(), block.size(), got, call.timeout_ms, error);
    if (st == platform::NetStatus::Ok) {
      if (reader.feed(std::string_view(block.data(), got)) ==
          HttpResponseReader::Progress::Malformed) {
        return refuse(interp, call, Msg::HttpBadChunk, call.host);
      }
      continue;
    }
    if (st == platform::NetStatus::Closed) {
      if (reader.empty()) return refuse(interp, call, Msg::HttpUnknown, "Error");
      if (!reader.complete_at_close()) return refuse(interp, call, Msg::HttpIncomplete, call.host);
      break;
    }
    if (st == platform::NetStatus::Interrupted) return interrupted(interp);
    if (st == platform::NetStatus::TimedOut) {
      return refuse(interp, call, Msg::HttpTimedOut, call.host, static_cast<long>(call.timeout_ms));
    }
    return refuse(interp, call, Msg::HttpReceiveFailed, error);
  }
  stream.close();

  Value response(reader.take());
  if (!call.var_name.empty()) {
    if (core::set_variable(interp, call.var_name, response) != 0) return Code::Error;
    core::nuvelResetResult(interp);
    return Code::Ok;
  }
  core::nuvelSetResult(interp, std::move(response));
  return Code::Ok;
}

const core::CommandRow kHttpCommands[] = {
    {"http", nuvelCommandHttp, 2, core::kAnyWords, "url ?port? ?varName? ?option ...?",
     core::kUnsafe},
};

}  // namespace

[[gnu::section(".text.startup.register")]] void register_http_cmds(Interp& interp) {
  core::register_rows(interp, kHttpCommands);
}

}  // namespace syslib
