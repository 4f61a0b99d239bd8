// What the web view accepts from a client, decided before anything is served: the request head
// read within fixed limits, the few paths it serves, and the access token of clients from other
// machines. Pure functions over bytes and strings, so that every refusal is testable alone.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vs::web {

struct HeadLimits {
  std::size_t maxHead = 8192;    // request line and headers together
  std::size_t maxTarget = 2048;  // the request target
  std::size_t maxHeaders = 64;
  std::size_t maxBody = 1024;  // the one request that has a body: an acknowledgement
};

struct RequestHead {
  enum class State { Incomplete, Complete, Refused };
  State state = State::Incomplete;
  int status = 0;      // the refusal's HTTP status
  std::string method;  // "GET" or "HEAD" once complete; "POST" of an acknowledgement
  std::string path;    // percent-decoded, always beginning with "/"
  std::string query;   // raw, without the "?"
  std::vector<std::pair<std::string, std::string>> headers;  // names in lower case
  std::size_t length = 0;      // bytes of the head, the blank line included
  std::size_t bodyLength = 0;  // the body that follows the head (a POST only)

  // The first header of this (lower-case) name, or empty.
  std::string header(std::string_view name) const;
};

// Reads a request head from the bytes received so far. GET and HEAD without a body are taken,
// and POST of the acknowledgement path with a Content-Length of at most `maxBody` (its body is
// not part of the head; a missing length gets 411, a longer or chunked body 413). Any other
// known method that changes something, or POST to another path, gets 405, an unknown method
// 501, a body on anything else 413, a head past the limits 431 (a target 414), anything
// malformed or a path that climbs out of the site ("..", "." segments, a backslash, a NUL, a
// bad escape) 400.
RequestHead parseRequestHead(std::string_view bytes, const HeadLimits& limits = {});

enum class Route {
  HallPage,
  AlarmsPage,
  Script,
  Style,
  HallJson,
  AlarmsJson,
  ActiveAlarmsJson,
  AcknowledgeJson,  // POST only
  Events,
  NotFound
};
Route routeOf(std::string_view path);

// The reason phrase of the statuses the view answers with.
const char* statusText(int status);

// The value of `name` in a query string ("a=1&token=x"), percent-decoded; nullopt if absent.
std::optional<std::string> queryValue(std::string_view query, std::string_view name);
// The value of cookie `name` in a Cookie header; nullopt if absent.
std::optional<std::string> cookieValue(std::string_view cookies, std::string_view name);

inline constexpr const char* kTokenCookie = "vetrostan_token";

// Compares in time that does not depend on where the texts first differ.
bool sameToken(std::string_view a, std::string_view b);
// 32 hexadecimal digits of the given random bytes.
std::string tokenFromBytes(const std::array<std::uint8_t, 16>& bytes);

struct Access {
  bool allowed = false;
  bool setCookie = false;  // the token came in the address: keep it for the page's own requests
};
// A client on this machine that names it by address or as "localhost" is let in as it is; any
// other must present `token` as "Authorization: Bearer", as "?token=" or in the cookie. An
// empty station token lets no such client in.
Access decideAccess(bool localPeer, const RequestHead& head, std::string_view token);
// The acknowledgement asks more: "Authorization: Bearer" with the token, from any client. A
// local page does not get it for free, and a page of another site cannot add the header.
bool bearerMatches(const RequestHead& head, std::string_view token);

// "[ADDR:]PORT" of --web and of the settings key: the address defaults to 127.0.0.1; an IPv6
// address is written in brackets ("[::1]:8080"). nullopt when it cannot be used.
struct ListenAt {
  std::string address;
  int port = 0;  // 0: any free port
};
std::optional<ListenAt> parseListen(std::string_view text);

}  // namespace vs::web
