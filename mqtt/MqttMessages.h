// What the station publishes, built from its tables: the topic names under
// "vetrostan/<station>/", the retained state of one incubator as JSON (numbers as numbers, null
// for a faulty sensor or a row that never answered, the answer's data bytes in base64), the
// retained description of the hall, the alarm list's changes, and the Home Assistant discovery
// topics of an incubator.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "alarms/AlarmList.h"
#include "common/DateTime.h"
#include "config/TFile_config.h"
#include "station/StationTables.h"

namespace vs::mqtt {

std::string topicPrefix(const std::string& station);  // "vetrostan/<station>/"
std::string statusTopic(const std::string& station);  // ".../status": "online" / "offline"
std::string hallTopic(const std::string& station);    // ".../hall"
std::string alarmsTopic(const std::string& station);  // ".../alarms"
std::string stateTopic(const std::string& station, int number);  // ".../incubator/<n>/state"

inline constexpr const char* kOnline = "online";
inline constexpr const char* kOffline = "offline";

// The last answer of one row as it came off the bus.
struct RowAnswer {
  TDateTime time = 0;  // 0: no answer since start
  int length = 0;
  std::array<std::uint8_t, 256> data{};
};

// {"row", "number", "name", "polled", "link", "answered", "t1", "z1", ["t2", "z2", ["t3",
// "z3"]], "humidity", "zh", ["damper"], "trays", "alarms": [{"bit", "caption"}],
// "lastAnswer", "raw"}: the row of the web view's hall with numbers as numbers; `kolT` extra
// temperatures as the main table shows them.
std::string stateJson(const StationTables& t, const TFile_config& cfg, int nk, int kolT,
                      bool linked, const RowAnswer& answer);

// {"title", "incubators", "kolT", "numbers": [...]}: how many rows the hall has and the number
// of each, so that a remote station knows which retained states belong to it.
std::string hallJson(const TFile_config& cfg, int rows, int kolT);

// {"event", "number", "name", ["alarm", "caption"], "time", ["raised"], ["author"],
// ["until"]}: one change of the alarm list, times in ISO 8601.
std::string alarmChangeJson(const AlarmChange& c);

// The retained discovery messages of one incubator for Home Assistant: temperatures T1..T3 as
// `kolT` says, humidity and the link, each bound to the incubator's state topic and to the
// station's status for availability. Pairs of topic and payload.
std::vector<std::pair<std::string, std::string>> discoveryMessages(const std::string& station,
                                                                   int number,
                                                                   const std::string& name,
                                                                   int kolT);
// The discovery topics of one incubator (their payloads emptied remove it from Home Assistant).
std::vector<std::string> discoveryTopics(const std::string& station, int number);

// An identifier-safe form of a name, one to one: Latin letters, digits and "-" kept, every
// other byte as "_" and two hex digits ("Цех 1" and "Цех 2" stay apart).
std::string identifier(const std::string& name);

}  // namespace vs::mqtt
