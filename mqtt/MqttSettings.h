// The "MQTT" section of the settings file as the client and the topics need it: the broker's
// host and port, the hall's name in topics, the credentials and TLS, Home Assistant discovery,
// and the hall a remote station takes from the broker.
#pragma once
#include <string>

namespace vs {
struct Settings;
}

namespace vs::mqtt {

inline constexpr int kDefaultPort = 1883;
// Every topic lives under "vetrostan/<station>/".
inline constexpr const char* kTopicRoot = "vetrostan";

struct MqttSettings {
  std::string host;  // empty: MQTT is off
  int port = kDefaultPort;
  std::string station;  // the hall's name in topics
  std::string user, password;
  bool tls = false;
  std::string caFile;
  bool homeAssistant = false;
  std::string subscribe;  // the serving station's name, for a remote station
  // What was wrong with "Broker" or a name (the settings are then off); empty when fine.
  std::string problem;

  bool enabled() const { return !host.empty() && problem.empty(); }
  // "host:port", as messages name the broker.
  std::string brokerText() const;
};

// "host", "host:port", "[v6 address]:port"; false (with `why`) for anything else, a port
// outside 1..65535 included.
bool parseBroker(const std::string& text, std::string& host, int& port, std::string& why);

// A name fit to be one topic level: not empty, no "/", "+", "#", no control characters.
bool validTopicLevel(const std::string& name);

// The section as read into the settings; `hostName` is the station's name when "Station" is
// empty (a host name with characters a topic level cannot hold has them replaced by "_").
MqttSettings mqttSettings(const Settings& s, const std::string& hostName);

}  // namespace vs::mqtt
