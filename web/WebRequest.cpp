#include "web/WebRequest.h"

#include <algorithm>
#include <cctype>

namespace vs::web {
namespace {

bool isTokenChar(char c) {
  const auto u = static_cast<unsigned char>(c);
  if (std::isalnum(u)) return true;
  return std::string_view("!#$%&'*+-.^_`|~").find(c) != std::string_view::npos;
}

std::string lower(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return r;
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Percent-decoding; nullopt on a broken escape. `plusIsSpace` for query values.
std::optional<std::string> decode(std::string_view s, bool plusIsSpace) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%') {
      if (i + 2 >= s.size()) return std::nullopt;
      const int hi = hexValue(s[i + 1]), lo = hexValue(s[i + 2]);
      if (hi < 0 || lo < 0) return std::nullopt;
      out.push_back(static_cast<char>(hi * 16 + lo));
      i += 2;
    } else if (plusIsSpace && s[i] == '+') {
      out.push_back(' ');
    } else {
      out.push_back(s[i]);
    }
  }
  return out;
}

// A decoded path that stays inside the site: no NUL or backslash, no "." or ".." segment.
bool safePath(std::string_view p) {
  if (p.empty() || p.front() != '/') return false;
  if (p.find('\0') != std::string_view::npos || p.find('\\') != std::string_view::npos)
    return false;
  std::size_t at = 1;
  while (at <= p.size()) {
    const std::size_t end = std::min(p.find('/', at), p.size());
    const std::string_view seg = p.substr(at, end - at);
    if (seg == "." || seg == "..") return false;
    at = end + 1;
  }
  return true;
}

RequestHead refused(int status) {
  RequestHead h;
  h.state = RequestHead::State::Refused;
  h.status = status;
  return h;
}

// The Host header names this machine by address or as "localhost". A page of another site
// that had its name pointed at 127.0.0.1 still sends its own name, and so is not taken for a
// local client.
bool hostIsLocalName(std::string_view host) {
  if (host.empty()) return true;  // HTTP/1.0 clients may send none
  if (host.front() == '[') return host.find(']') != std::string_view::npos;
  host = host.substr(0, host.find(':'));
  if (!host.empty() && std::all_of(host.begin(), host.end(),
                                   [](char c) { return (c >= '0' && c <= '9') || c == '.'; }))
    return true;
  return lower(host) == "localhost";
}

}  // namespace

std::string RequestHead::header(std::string_view name) const {
  for (const auto& [k, v] : headers)
    if (k == name) return v;
  return {};
}

RequestHead parseRequestHead(std::string_view bytes, const HeadLimits& limits) {
  std::size_t end = bytes.find("\r\n\r\n");
  std::size_t sep = 4;
  if (const std::size_t lf = bytes.find("\n\n"); lf != std::string_view::npos && lf < end) {
    end = lf;
    sep = 2;
  }
  const std::size_t firstEol = bytes.find('\n');
  // A request line longer than any target we take is refused before its end arrives.
  if ((firstEol == std::string_view::npos ? bytes.size() : firstEol) > limits.maxTarget + 32)
    return refused(414);
  if (end == std::string_view::npos) {
    if (bytes.size() > limits.maxHead) return refused(431);
    RequestHead h;
    return h;
  }
  if (end + sep > limits.maxHead) return refused(431);

  RequestHead h;
  h.length = end + sep;
  std::vector<std::string_view> lines;
  const std::string_view head = bytes.substr(0, end);
  for (std::size_t at = 0; at <= head.size();) {
    std::size_t eol = head.find('\n', at);
    if (eol == std::string_view::npos) eol = head.size();
    std::string_view line = head.substr(at, eol - at);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    at = eol + 1;
  }
  if (lines.empty()) return refused(400);

  const std::string_view rl = lines.front();
  const std::size_t sp1 = rl.find(' ');
  const std::size_t sp2 = sp1 == std::string_view::npos ? sp1 : rl.find(' ', sp1 + 1);
  if (sp1 == std::string_view::npos || sp2 == std::string_view::npos ||
      rl.find(' ', sp2 + 1) != std::string_view::npos)
    return refused(400);
  const std::string_view method = rl.substr(0, sp1);
  const std::string_view target = rl.substr(sp1 + 1, sp2 - sp1 - 1);
  const std::string_view version = rl.substr(sp2 + 1);
  if (method.empty() || !std::all_of(method.begin(), method.end(), isTokenChar))
    return refused(400);
  if (version != "HTTP/1.1" && version != "HTTP/1.0")
    return refused(version.substr(0, 5) == "HTTP/" ? 505 : 400);
  const std::size_t q = target.find('?');
  // Only the acknowledgement is posted; its path is decided before anything else is read.
  const bool post = method == "POST" && routeOf(target.substr(0, q)) == Route::AcknowledgeJson;
  if (method != "GET" && method != "HEAD" && !post) {
    static constexpr std::string_view kKnown[] = {"POST",  "PUT",     "DELETE", "PATCH",
                                                  "TRACE", "CONNECT", "OPTIONS"};
    const bool known = std::find(std::begin(kKnown), std::end(kKnown), method) != std::end(kKnown);
    return refused(known ? 405 : 501);
  }
  if (target.size() > limits.maxTarget) return refused(414);
  if (target.empty() || target.front() != '/') return refused(400);
  for (char c : target)
    if (static_cast<unsigned char>(c) <= 0x20 || static_cast<unsigned char>(c) >= 0x7F)
      return refused(400);

  for (std::size_t i = 1; i < lines.size(); ++i) {
    const std::string_view line = lines[i];
    if (line.empty() || line.front() == ' ' || line.front() == '\t') return refused(400);
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos || colon == 0) return refused(400);
    const std::string_view name = line.substr(0, colon);
    if (!std::all_of(name.begin(), name.end(), isTokenChar)) return refused(400);
    if (h.headers.size() >= limits.maxHeaders) return refused(431);
    h.headers.emplace_back(lower(name), std::string(trim(line.substr(colon + 1))));
  }
  // Only an acknowledgement takes a body, a small one of a stated length; any other request
  // that announces one is refused before it is read.
  if (!h.header("transfer-encoding").empty()) return refused(413);
  const std::string cl = h.header("content-length");
  const bool digits = !cl.empty() && std::all_of(cl.begin(), cl.end(), ::isdigit);
  if (!cl.empty() && !digits) return refused(400);
  std::size_t length = 0;
  if (digits) {
    const std::size_t first = cl.find_first_not_of('0');
    if (first != std::string::npos && cl.size() - first > 9) return refused(413);
    length = first == std::string::npos ? 0 : std::stoul(cl.substr(first));
  }
  if (post) {
    if (cl.empty()) return refused(411);
    if (length > limits.maxBody) return refused(413);
    h.bodyLength = length;
  } else if (length != 0) {
    return refused(413);
  }

  const std::string_view rawPath = target.substr(0, q);
  const auto path = decode(rawPath, false);
  if (!path || !safePath(*path)) return refused(400);
  h.state = RequestHead::State::Complete;
  h.method = std::string(method);
  h.path = *path;
  if (q != std::string_view::npos) h.query = std::string(target.substr(q + 1));
  return h;
}

Route routeOf(std::string_view path) {
  if (path == "/" || path == "/index.html") return Route::HallPage;
  if (path == "/alarms" || path == "/alarms.html") return Route::AlarmsPage;
  if (path == "/app.js") return Route::Script;
  if (path == "/style.css") return Route::Style;
  if (path == "/api/hall") return Route::HallJson;
  if (path == "/api/alarms") return Route::AlarmsJson;
  if (path == "/api/alarms/active") return Route::ActiveAlarmsJson;
  if (path == "/api/alarms/ack") return Route::AcknowledgeJson;
  if (path == "/api/events") return Route::Events;
  return Route::NotFound;
}

const char* statusText(int status) {
  switch (status) {
    case 200:
      return "OK";
    case 400:
      return "Bad Request";
    case 401:
      return "Unauthorized";
    case 403:
      return "Forbidden";
    case 404:
      return "Not Found";
    case 405:
      return "Method Not Allowed";
    case 408:
      return "Request Timeout";
    case 411:
      return "Length Required";
    case 413:
      return "Content Too Large";
    case 414:
      return "URI Too Long";
    case 431:
      return "Request Header Fields Too Large";
    case 501:
      return "Not Implemented";
    case 503:
      return "Service Unavailable";
    case 505:
      return "HTTP Version Not Supported";
    default:
      return "Error";
  }
}

std::optional<std::string> queryValue(std::string_view query, std::string_view name) {
  for (std::size_t at = 0; at <= query.size();) {
    std::size_t amp = query.find('&', at);
    if (amp == std::string_view::npos) amp = query.size();
    const std::string_view pair = query.substr(at, amp - at);
    const std::size_t eq = pair.find('=');
    if (pair.substr(0, eq) == name)
      return eq == std::string_view::npos ? std::string() : decode(pair.substr(eq + 1), true);
    at = amp + 1;
  }
  return std::nullopt;
}

std::optional<std::string> cookieValue(std::string_view cookies, std::string_view name) {
  for (std::size_t at = 0; at <= cookies.size();) {
    std::size_t semi = cookies.find(';', at);
    if (semi == std::string_view::npos) semi = cookies.size();
    const std::string_view pair = trim(cookies.substr(at, semi - at));
    const std::size_t eq = pair.find('=');
    if (eq != std::string_view::npos && pair.substr(0, eq) == name)
      return std::string(pair.substr(eq + 1));
    at = semi + 1;
  }
  return std::nullopt;
}

bool sameToken(std::string_view a, std::string_view b) {
  unsigned diff = a.size() == b.size() ? 0u : 1u;
  for (std::size_t i = 0; i < a.size(); ++i)
    diff |= static_cast<unsigned char>(a[i]) ^
            static_cast<unsigned char>(i < b.size() ? b[i] : static_cast<char>(~a[i]));
  return diff == 0;
}

std::string tokenFromBytes(const std::array<std::uint8_t, 16>& bytes) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string s;
  for (std::uint8_t b : bytes) {
    s.push_back(kHex[b >> 4]);
    s.push_back(kHex[b & 15]);
  }
  return s;
}

Access decideAccess(bool localPeer, const RequestHead& head, std::string_view token) {
  if (localPeer && hostIsLocalName(head.header("host"))) return {true, false};
  if (token.empty()) return {};
  if (bearerMatches(head, token)) return {true, false};
  if (const auto q = queryValue(head.query, "token"); q && sameToken(*q, token))
    return {true, true};
  if (const auto c = cookieValue(head.header("cookie"), kTokenCookie); c && sameToken(*c, token))
    return {true, false};
  return {};
}

bool bearerMatches(const RequestHead& head, std::string_view token) {
  if (token.empty()) return false;
  const std::string auth = head.header("authorization");
  return auth.size() > 7 && lower(auth.substr(0, 7)) == "bearer " &&
         sameToken(trim(std::string_view(auth).substr(7)), token);
}

std::optional<ListenAt> parseListen(std::string_view text) {
  text = trim(text);
  ListenAt at{"127.0.0.1", 0};
  std::string_view port = text;
  if (!text.empty() && text.front() == '[') {
    const std::size_t close = text.find(']');
    if (close == std::string_view::npos || close + 1 >= text.size() || text[close + 1] != ':')
      return std::nullopt;
    at.address = std::string(text.substr(1, close - 1));
    port = text.substr(close + 2);
  } else if (const std::size_t colon = text.rfind(':'); colon != std::string_view::npos) {
    at.address = std::string(text.substr(0, colon));
    port = text.substr(colon + 1);
  }
  if (at.address.empty() || port.empty() || port.size() > 5 ||
      !std::all_of(port.begin(), port.end(), ::isdigit))
    return std::nullopt;
  at.port = std::stoi(std::string(port));
  if (at.port > 65535) return std::nullopt;
  return at;
}

}  // namespace vs::web
