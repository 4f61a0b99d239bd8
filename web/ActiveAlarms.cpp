#include "web/ActiveAlarms.h"

#include "alarms/AlarmList.h"
#include "common/DateTime.h"
#include "common/TextCursor.h"
#include "web/Json.h"

namespace vs::web {
namespace {

std::string timeText(TDateTime t) {
  return t > 0 ? formatDateTime(t) : std::string();
}

void field(std::string& out, const char* name, const std::string& text) {
  out += ",\"";
  out += name;
  out += "\":";
  appendJsonString(out, text);
}

// Just enough of a JSON reader for an object of one member; every refusal names its reason.
class AckReader : TextCursor {
 public:
  explicit AckReader(std::string_view s) : TextCursor(s) {}

  std::optional<AckRequest> read(std::string* why) {
    auto fail = [why](const char* reason) -> std::optional<AckRequest> {
      if (why) *why = reason;
      return std::nullopt;
    };
    blanks();
    if (!take('{')) return fail("ожидается объект JSON: {\"number\": N} или {\"all\": true}");
    blanks();
    std::string key;
    if (!string(key)) return fail("ожидается имя поля \"number\" или \"all\"");
    blanks();
    if (!take(':')) return fail("после имени поля ожидается \":\"");
    blanks();
    AckRequest r;
    if (key == "all") {
      if (!word("true")) return fail("\"all\" может быть только true");
      r.all = true;
    } else if (key == "number") {
      if (!integer(r.number) || r.number < 1 || r.number > 255)
        return fail("\"number\" должен быть целым числом от 1 до 255");
    } else {
      return fail("неизвестное поле: допустимы только \"number\" или \"all\"");
    }
    blanks();
    if (peek() == ',') return fail("допустимо только одно поле: \"number\" или \"all\"");
    if (!take('}')) return fail("ожидается \"}\"");
    blanks();
    if (at_ != s_.size()) return fail("после объекта JSON лишние символы");
    return r;
  }

 private:
  // A plain string: the two names taken here need no escapes, so an escape is no name of ours.
  bool string(std::string& out) {
    if (!take('"')) return false;
    const std::size_t end = s_.find('"', at_);
    if (end == std::string_view::npos || end - at_ > 16) return false;
    out = std::string(s_.substr(at_, end - at_));
    if (out.find('\\') != std::string::npos) return false;
    at_ = end + 1;
    return true;
  }
  // A JSON integer without fraction or exponent, and without the leading zeros JSON forbids.
  bool integer(int& out) {
    const bool negative = take('-');
    const std::size_t from = at_;
    long long v = 0;
    while (peek() >= '0' && peek() <= '9') {
      if (at_ - from >= 6) return false;
      v = v * 10 + (s_[at_++] - '0');
    }
    const std::size_t digits = at_ - from;
    if (digits == 0 || (digits > 1 && s_[from] == '0')) return false;
    if (peek() == '.' || peek() == 'e' || peek() == 'E') return false;
    out = static_cast<int>(negative ? -v : v);
    return true;
  }
};

}  // namespace

std::string activeAlarmsJson(const AlarmList& list) {
  std::string out =
      "{\"unacknowledged\":" + std::to_string(list.unacknowledgedCount()) + ",\"alarms\":[";
  bool first = true;
  for (const Alarm& a : list.alarms()) {
    if (!first) out += ',';
    first = false;
    out += "{\"number\":" + std::to_string(a.key.number);
    field(out, "name", a.name);
    field(out, "caption", vs::alarmCaption(a.key.kind));
    field(out, "state", alarmStateName(list.state(a)));
    field(out, "raised", timeText(a.raised));
    field(out, "acknowledged", a.acknowledged ? timeText(a.acknowledgedAt) : std::string());
    field(out, "by", a.acknowledged ? a.acknowledgedBy : std::string());
    field(out, "shelvedUntil", timeText(list.shelvedUntil(a.key.number)));
    out += '}';
  }
  out += "]}";
  return out;
}

std::optional<AckRequest> parseAckBody(std::string_view body, std::string* why) {
  if (body.size() > kMaxAckBody) {
    if (why) *why = "тело запроса слишком велико";
    return std::nullopt;
  }
  return AckReader(body).read(why);
}

int applyAck(AlarmList& list, const AckRequest& request, const std::string& author) {
  return request.all ? list.acknowledgeAll(author)
                     : list.acknowledgeIncubator(request.number, author);
}

}  // namespace vs::web
