#include "mqtt/MqttRemote.h"

#include <algorithm>
#include <charconv>
#include <cstring>

#include "mqtt/MqttJson.h"
#include "mqtt/MqttMessages.h"
#include "station/Station.h"

namespace vs::mqtt {
namespace {

bool parseNumber(std::string_view s, int& out) {
  if (s.empty() || s.size() > 5) return false;
  const auto r = std::from_chars(s.data(), s.data() + s.size(), out);
  return r.ec == std::errc() && r.ptr == s.data() + s.size() && out >= 0 && out <= 65535;
}

using Members = std::map<std::string, JsonValue>;

const JsonValue* member(const Members& m, const char* name, JsonValue::Kind kind) {
  auto it = m.find(name);
  return it != m.end() && it->second.kind == kind ? &it->second : nullptr;
}

}  // namespace

MqttRemote::MqttRemote(Station& st, std::string serving, std::string where)
    : st_(st), prefix_(topicPrefix(serving)), where_(std::move(where)) {}

void MqttRemote::take(const std::vector<std::pair<std::string, std::string>>& messages) {
  for (const auto& [topic, payload] : messages) {
    if (topic.rfind(prefix_, 0) != 0) continue;
    const std::string_view rest = std::string_view(topic).substr(prefix_.size());
    lastMessage_ = st_.clock().now();
    if (rest == "status") {
      online_ = payload == kOnline;
    } else if (rest == "hall") {
      takeHall(payload);
    } else if (rest.rfind("incubator/", 0) == 0 && rest.size() > 16 &&
               rest.substr(rest.size() - 6) == "/state") {
      int number = 0;
      if (parseNumber(rest.substr(10, rest.size() - 16), number)) takeState(number, payload);
    }
  }
}

void MqttRemote::takeHall(const std::string& payload) {
  const auto m = readJsonObject(payload);
  if (!m) return;
  const JsonValue* count = member(*m, "incubators", JsonValue::Kind::Number);
  if (!count || !member(*m, "numbers", JsonValue::Kind::Nested)) return;
  // The numbers are an array; the reader steps over nested values, so they are read here.
  const auto at = payload.find("\"numbers\":[");
  if (at == std::string::npos) return;
  std::vector<int> numbers;
  std::size_t p = at + 11;
  while (p < payload.size() && payload[p] != ']' && numbers.size() < kMaxRows) {
    const std::size_t end = payload.find_first_of(",]", p);
    if (end == std::string::npos) return;
    int n = 0;
    if (!parseNumber(std::string_view(payload).substr(p, end - p), n)) return;
    numbers.push_back(n);
    p = payload[end] == ',' ? end + 1 : end;
  }
  if (static_cast<double>(numbers.size()) != count->number) return;
  numbers_ = std::move(numbers);
  hallKnown_ = true;
}

void MqttRemote::takeState(int number, const std::string& payload) {
  if (payload.empty()) {  // the serving station removed the incubator
    byNumber_.erase(number);
    return;
  }
  const auto m = readJsonObject(payload);
  if (!m) return;
  const JsonValue* row = member(*m, "row", JsonValue::Kind::Number);
  const JsonValue* num = member(*m, "number", JsonValue::Kind::Number);
  const JsonValue* raw = member(*m, "raw", JsonValue::Kind::String);
  if (!row || !num || !raw || num->number != number) return;
  if (!(row->number >= 0 && row->number < kMaxRows)) return;
  State s;
  s.row = static_cast<int>(row->number);
  if (s.row != row->number) return;
  if (!unbase64(raw->text, s.raw) || s.raw.size() > static_cast<std::size_t>(kDanMaxData)) return;
  if (const JsonValue* v = member(*m, "name", JsonValue::Kind::String)) s.name = v->text;
  if (const JsonValue* v = member(*m, "polled", JsonValue::Kind::Bool)) s.polled = v->flag;
  if (const JsonValue* v = member(*m, "link", JsonValue::Kind::Bool)) s.link = v->flag;
  if (const JsonValue* v = member(*m, "lastAnswer", JsonValue::Kind::String))
    if (!parseIsoDateTime(v->text, s.time)) s.time = 0;
  if (!byNumber_.count(number) && byNumber_.size() >= kMaxStates) return;
  byNumber_[number] = std::move(s);
  ++received_;
}

void MqttRemote::DanRead(bool brokerUp) {
  DanFile& dan = st_.dan;
  if (!st_.serverUD || !st_.controls.RS) return;
  if (!brokerUp || !online_ || !hallKnown_) {
    if (dan.linkIndicator) dan.linkIndicator(true, "нет сети");
    return;
  }
  TdanWm& r = dan.danR;
  const int kol = std::min<int>(static_cast<int>(numbers_.size()), kDanRows);
  r.kol = static_cast<std::uint8_t>(kol);
  for (int n = 0; n < kol; ++n) {
    TdanW& e = r.d[static_cast<std::size_t>(n)];
    e = TdanW{};
    e.n_t = static_cast<std::uint8_t>(n);
    const int number = numbers_[static_cast<std::size_t>(n)];
    e.n_s = static_cast<std::uint8_t>(number & 0xFF);
    auto it = byNumber_.find(number);
    // A state of another row is left from an older configuration of the serving station.
    if (it == byNumber_.end() || it->second.row != n) continue;
    const State& s = it->second;
    e.on = s.link ? 1 : 0;
    e.on_sw = s.polled ? 1 : 0;
    e.naim.setUtf8(s.name);
    if (e.naim.len > 30) e.naim.len = 30;  // as the shared file keeps it
    e.dt = s.time;
    const auto len = std::min<std::size_t>(s.raw.size(), kDanMaxData);
    e.kol_z = static_cast<std::uint8_t>(len);
    e.d[0] = static_cast<std::uint8_t>(len);
    if (len) std::memcpy(e.d.data() + 1, s.raw.data(), len);
    e.kol_i = received_;
  }
  if (dan.fileCaption) dan.fileCaption(where_ + " " + prefix_, lastMessage_);
  if (dan.linkIndicator) dan.linkIndicator(false, {});
  dan.replayRead();
}

}  // namespace vs::mqtt
