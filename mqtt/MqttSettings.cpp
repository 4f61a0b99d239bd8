#include "mqtt/MqttSettings.h"

#include <cctype>

#include "config/Settings.h"

namespace vs::mqtt {
namespace {

std::string trimmed(const std::string& s) {
  const auto b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return {};
  return s.substr(b, s.find_last_not_of(" \t\r\n") - b + 1);
}

bool allDigits(const std::string& s) {
  if (s.empty() || s.size() > 5) return false;
  for (char c : s)
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  return true;
}

}  // namespace

std::string MqttSettings::brokerText() const {
  const bool v6 = host.find(':') != std::string::npos;
  return (v6 ? "[" + host + "]" : host) + ":" + std::to_string(port);
}

bool parseBroker(const std::string& raw, std::string& host, int& port, std::string& why) {
  const std::string text = trimmed(raw);
  host.clear();
  port = kDefaultPort;
  std::string portText;
  if (!text.empty() && text[0] == '[') {
    const auto close = text.find(']');
    if (close == std::string::npos) {
      why = "нет закрывающей скобки адреса";
      return false;
    }
    host = text.substr(1, close - 1);
    const std::string rest = text.substr(close + 1);
    if (!rest.empty()) {
      if (rest[0] != ':') {
        why = "после адреса в скобках ожидается \":порт\"";
        return false;
      }
      portText = rest.substr(1);
      if (portText.empty()) {
        why = "не указан порт";
        return false;
      }
    }
  } else {
    const auto colon = text.find(':');
    if (colon != std::string::npos && text.find(':', colon + 1) != std::string::npos) {
      why = "адрес IPv6 пишется в квадратных скобках";
      return false;
    }
    host = text.substr(0, colon);
    if (colon != std::string::npos) {
      portText = text.substr(colon + 1);
      if (portText.empty()) {
        why = "не указан порт";
        return false;
      }
    }
  }
  if (host.empty()) {
    why = "не указан узел";
    return false;
  }
  for (char c : host) {
    if (std::isspace(static_cast<unsigned char>(c)) || c == '/' || c == '[' || c == ']') {
      why = "недопустимый символ в имени узла";
      return false;
    }
  }
  if (!portText.empty()) {
    const int p = allDigits(portText) ? std::stoi(portText) : 0;
    if (p < 1 || p > 65535) {
      why = "порт должен быть числом 1..65535";
      return false;
    }
    port = p;
  }
  return true;
}

bool validTopicLevel(const std::string& name) {
  if (name.empty()) return false;
  for (char c : name) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '/' || c == '+' || c == '#' || u < 0x20 || u == 0x7F) return false;
  }
  return true;
}

MqttSettings mqttSettings(const Settings& s, const std::string& hostName) {
  MqttSettings m;
  const std::string broker = trimmed(s.mqttBroker);
  m.user = s.mqttUser;
  m.password = s.mqttPassword;
  m.tls = s.mqttTLS;
  m.caFile = trimmed(s.mqttCAFile);
  m.homeAssistant = s.mqttHomeAssistant;
  m.subscribe = trimmed(s.mqttSubscribe);
  m.station = trimmed(s.mqttStation);
  if (m.station.empty()) {
    for (char c : trimmed(hostName)) {
      const auto u = static_cast<unsigned char>(c);
      m.station += (c == '/' || c == '+' || c == '#' || u < 0x20 || u == 0x7F) ? '_' : c;
    }
    if (m.station.empty()) m.station = "station";
  }
  if (broker.empty()) return m;
  std::string why;
  if (!parseBroker(broker, m.host, m.port, why)) {
    m.problem = "[MQTT] Broker=" + broker + ": " + why;
  } else if (!validTopicLevel(m.station)) {
    m.problem = "[MQTT] Station=" + m.station + ": имя не может содержать \"/\", \"+\", \"#\"";
  } else if (!m.subscribe.empty() && !validTopicLevel(m.subscribe)) {
    m.problem = "[MQTT] Subscribe=" + m.subscribe + ": имя не может содержать \"/\", \"+\", \"#\"";
  }
  return m;
}

}  // namespace vs::mqtt
