// The alarm list as the browser sees it, and the one change the browser may make to it: the
// acknowledgement of one incubator's alarms or of all. The request body is a tiny JSON object
// of exactly one of two shapes; anything else is refused with a reason the client can read.
#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace vs {
class AlarmList;
}

namespace vs::web {

// {"unacknowledged": N, "alarms": [{"number", "name", "caption", "state", "raised",
// "acknowledged", "by", "shelvedUntil"}]} in the order the alarms were raised; times as the
// view's other JSON gives them ("DD.MM.YYYY HH:MM:SS", local), empty when there is none.
std::string activeAlarmsJson(const AlarmList& list);

// A body larger than this is refused before it is read.
inline constexpr std::size_t kMaxAckBody = 1024;

struct AckRequest {
  bool all = false;
  int number = 0;  // the incubator's bus number, 1..255, when not `all`
};

// {"number": N} or {"all": true}, with any JSON white space; nullopt with the reason in `why`.
std::optional<AckRequest> parseAckBody(std::string_view body, std::string* why);

// Acknowledges what the request names, on behalf of `author`; how many alarms that was.
int applyAck(AlarmList& list, const AckRequest& request, const std::string& author);

}  // namespace vs::web
