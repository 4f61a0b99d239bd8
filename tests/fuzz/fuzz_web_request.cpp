// Any bytes as what a web client sends: no crash, no read outside the bytes, and whatever is
// taken is a GET or HEAD of a path inside the site, or a POST of the acknowledgement with a
// small stated body, decided by its head alone; the body that follows is read within its
// bounds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "web/ActiveAlarms.h"
#include "web/WebRequest.h"

using vs::web::RequestHead;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const vs::web::HeadLimits limits{512, 128, 8};
  const RequestHead h = vs::web::parseRequestHead(bytes, limits);
  if (h.state == RequestHead::State::Refused) {
    switch (h.status) {
      case 400:
      case 405:
      case 411:
      case 413:
      case 414:
      case 431:
      case 501:
      case 505:
        break;
      default:
        std::abort();
    }
  }
  if (h.state == RequestHead::State::Complete) {
    const bool post = h.method == "POST";
    if (h.method != "GET" && h.method != "HEAD" && !post) std::abort();
    if (post && (h.path != "/api/alarms/ack" || h.bodyLength > limits.maxBody)) std::abort();
    if (!post && h.bodyLength != 0) std::abort();
    if (h.path.empty() || h.path.front() != '/') std::abort();
    if (h.path.find('\\') != std::string::npos || h.path.find('\0') != std::string::npos)
      std::abort();
    if (h.path == "/.." || h.path.find("/../") != std::string::npos ||
        h.path.find("/./") != std::string::npos ||
        (h.path.size() >= 3 && h.path.compare(h.path.size() - 3, 3, "/..") == 0))
      std::abort();
    if (h.length > size || h.length > limits.maxHead || h.headers.size() > limits.maxHeaders)
      std::abort();
    // Bytes after the head change nothing.
    const RequestHead again = vs::web::parseRequestHead(bytes.substr(0, h.length), limits);
    if (again.state != h.state || again.path != h.path || again.query != h.query) std::abort();
    if (post && size >= h.length + h.bodyLength) {
      std::string why;
      const auto ack = vs::web::parseAckBody(bytes.substr(h.length, h.bodyLength), &why);
      if (ack ? !why.empty() || (!ack->all && (ack->number < 1 || ack->number > 255)) : why.empty())
        std::abort();
    }
    vs::web::routeOf(h.path);
    vs::web::bearerMatches(h, "x");
    const auto token = vs::web::queryValue(h.query, "token");
    vs::web::decideAccess(false, h, token ? *token : "x");
    vs::web::decideAccess(true, h, "");
    vs::web::cookieValue(h.header("cookie"), vs::web::kTokenCookie);
  }
  if (const auto at = vs::web::parseListen(bytes); at && (at->port < 0 || at->port > 65535))
    std::abort();
  return 0;
}
