#include "mqtt/MqttMessages.h"

#include <cstdio>

#include "config/Workstation.h"
#include "mqtt/MqttJson.h"
#include "mqtt/MqttSettings.h"
#include "station/RowTexts.h"
#include "station/Zones.h"
#include "web/AlarmEvents.h"
#include "web/Json.h"

namespace vs::mqtt {
namespace {

using web::appendJsonString;

void text(std::string& out, const char* name, const std::string& value) {
  out += ",\"";
  out += name;
  out += "\":";
  appendJsonString(out, value);
}

void raw(std::string& out, const char* name, const std::string& value) {
  out += ",\"";
  out += name;
  out += "\":";
  out += value;
}

// A temperature in hundredths as a JSON number, or null.
std::string degrees(bool valid, std::int32_t hundredthsValue) {
  return valid ? hundredths(hundredthsValue) : "null";
}

// The tray text without the blanks the table aligns with.
std::string trimmed(const std::string& s) {
  const std::size_t b = s.find_first_not_of(' ');
  if (b == std::string::npos) return {};
  return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

}  // namespace

std::string topicPrefix(const std::string& station) {
  return std::string(kTopicRoot) + "/" + station + "/";
}
std::string statusTopic(const std::string& station) {
  return topicPrefix(station) + "status";
}
std::string hallTopic(const std::string& station) {
  return topicPrefix(station) + "hall";
}
std::string alarmsTopic(const std::string& station) {
  return topicPrefix(station) + "alarms";
}
std::string stateTopic(const std::string& station, int number) {
  return topicPrefix(station) + "incubator/" + std::to_string(number) + "/state";
}

std::string stateJson(const StationTables& t, const TFile_config& cfg, int nk, int kolT,
                      bool linked, const RowAnswer& answer) {
  const auto n = static_cast<std::size_t>(nk);
  const std::uint16_t c2 = t.C2[n], c3 = t.C3[n];
  const bool answered = answer.time != 0;
  std::string out;
  out.reserve(512);
  out = "{\"row\":" + std::to_string(nk) + ",\"number\":" + std::to_string(cfg.konfig_n[n]);
  text(out, "name", cfg.konfig_s[n].utf8());
  raw(out, "polled", cfg.konfig_o[n] ? "true" : "false");
  raw(out, "link", linked ? "true" : "false");
  raw(out, "answered", answered ? "true" : "false");
  // T1 and the humidity share one sensor: bit 10 spoils both.
  const bool t1ok = answered && !(c2 & (1u << 10));
  raw(out, "t1", degrees(t1ok, t.T1k[n]));
  text(out, "z1", zoneName(temperatureZone(t, nk, t.T1k[n])));
  if (kolT >= 1) {
    raw(out, "t2", degrees(answered && !(c2 & (1u << 11)), t.T2k[n]));
    text(out, "z2", zoneName(temperatureZone(t, nk, t.T2k[n])));
  }
  if (kolT >= 2) {
    raw(out, "t3", degrees(answered && !(c2 & (1u << 12)), t.T3k[n]));
    text(out, "z3", zoneName(temperatureZone(t, nk, t.T3k[n])));
  }
  raw(out, "humidity", t1ok ? std::to_string(t.BL[n]) : "null");
  text(out, "zh", zoneName(humidityZone(t, nk)));
  // A damper board reports its angle; 100 and above is no position.
  if (answered && (c3 & (1u << 9)))
    raw(out, "damper", t.ugol[n] < 100 ? std::to_string(t.ugol[n]) : "null");
  text(out, "trays", answered ? trimmed(mainRowTexts(t, nk, kolT).trays) : std::string());
  out += ",\"alarms\":[";
  bool any = false;
  const std::uint16_t alarms = answered ? (c2 & web::kAlarmBits) : 0;
  for (int bit = 0; bit < 16; ++bit) {
    // Bits 9 and 14 are one alarm with one caption.
    if (!(alarms & (1u << bit)) || (bit == 14 && (alarms & (1u << 9)))) continue;
    if (any) out += ',';
    any = true;
    out += "{\"bit\":" + std::to_string(bit) + ",\"caption\":";
    appendJsonString(out, web::alarmCaption(bit));
    out += '}';
  }
  out += ']';
  raw(out, "lastAnswer", answered ? "\"" + isoDateTime(answer.time) + "\"" : "null");
  const auto len = static_cast<std::size_t>(answer.length < 0 ? 0 : answer.length);
  text(out, "raw", base64(answer.data.data(), std::min<std::size_t>(len, answer.data.size())));
  out += '}';
  return out;
}

std::string hallJson(const TFile_config& cfg, int rows, int kolT) {
  std::string out = "{\"title\":";
  appendJsonString(out, kAppTitle);
  out += ",\"incubators\":" + std::to_string(rows) + ",\"kolT\":" + std::to_string(kolT) +
         ",\"numbers\":[";
  for (int n = 0; n < rows; ++n) {
    if (n) out += ',';
    out += std::to_string(cfg.konfig_n[static_cast<std::size_t>(n)]);
  }
  out += "]}";
  return out;
}

std::string alarmChangeJson(const AlarmChange& c) {
  using Type = AlarmChange::Type;
  std::string out = "{\"event\":";
  appendJsonString(out, alarmChangeName(c.type));
  raw(out, "number", std::to_string(c.key.number));
  text(out, "name", c.name);
  const bool ofAlarm = c.type != Type::Shelve && c.type != Type::Unshelve;
  if (ofAlarm) {
    text(out, "alarm", alarmKindKey(c.key.kind));
    text(out, "caption", alarmCaption(c.key.kind));
  }
  text(out, "time", isoDateTime(c.time));
  if (ofAlarm && c.raised != 0) text(out, "raised", isoDateTime(c.raised));
  if (c.type == Type::Acknowledge || c.type == Type::Shelve || c.type == Type::Unshelve)
    text(out, "author", c.author);
  if (c.type == Type::Shelve) text(out, "until", isoDateTime(c.until));
  out += '}';
  return out;
}

std::string identifier(const std::string& name) {
  std::string out;
  for (char c : name) {
    const auto u = static_cast<unsigned char>(c);
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-') {
      out.push_back(c);
    } else {
      char buf[4];
      std::snprintf(buf, sizeof buf, "_%02x", u);
      out += buf;
    }
  }
  return out;
}

namespace {

struct Entity {
  const char* component;  // "sensor", "binary_sensor"
  const char* object;     // t1, t2, t3, humidity, link
  const char* name;
  const char* deviceClass;
  const char* unit;  // nullptr: none
  const char* valueTemplate;
};

constexpr Entity kEntities[] = {
    {"sensor", "t1", "T1", "temperature", "°C", "{{ value_json.t1 }}"},
    {"sensor", "t2", "T2", "temperature", "°C", "{{ value_json.t2 }}"},
    {"sensor", "t3", "T3", "temperature", "°C", "{{ value_json.t3 }}"},
    {"sensor", "humidity", "Влажность", "humidity", "%", "{{ value_json.humidity }}"},
    {"binary_sensor", "link", "Связь", "connectivity", nullptr,
     "{{ 'ON' if value_json.link else 'OFF' }}"},
};

std::string deviceId(const std::string& station, int number) {
  return "vetrostan_" + identifier(station) + "_" + std::to_string(number);
}

std::string discoveryTopic(const Entity& e, const std::string& station, int number) {
  return std::string("homeassistant/") + e.component + "/" + deviceId(station, number) + "/" +
         e.object + "/config";
}

}  // namespace

std::vector<std::pair<std::string, std::string>> discoveryMessages(const std::string& station,
                                                                   int number,
                                                                   const std::string& name,
                                                                   int kolT) {
  std::vector<std::pair<std::string, std::string>> out;
  const std::string device = deviceId(station, number);
  const std::string shown = name.empty() ? "Инкубатор " + std::to_string(number) : name;
  for (const Entity& e : kEntities) {
    const std::string object = e.object;
    if ((object == "t2" && kolT < 1) || (object == "t3" && kolT < 2)) continue;
    std::string p = "{\"name\":";
    appendJsonString(p, e.name);
    text(p, "unique_id", device + "_" + object);
    text(p, "object_id", device + "_" + object);
    text(p, "state_topic", stateTopic(station, number));
    text(p, "value_template", e.valueTemplate);
    text(p, "device_class", e.deviceClass);
    if (e.unit) {
      text(p, "unit_of_measurement", e.unit);
      text(p, "state_class", "measurement");
    }
    text(p, "availability_topic", statusTopic(station));
    text(p, "payload_available", kOnline);
    text(p, "payload_not_available", kOffline);
    p += ",\"device\":{\"identifiers\":[";
    appendJsonString(p, device);
    p += "],\"name\":";
    appendJsonString(p, shown);
    text(p, "model", "Инкубатор №" + std::to_string(number));
    text(p, "suggested_area", station);
    p += "}}";
    out.emplace_back(discoveryTopic(e, station, number), std::move(p));
  }
  return out;
}

std::vector<std::string> discoveryTopics(const std::string& station, int number) {
  std::vector<std::string> out;
  for (const Entity& e : kEntities) out.push_back(discoveryTopic(e, station, number));
  return out;
}

}  // namespace vs::mqtt
