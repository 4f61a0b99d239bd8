// Where the publisher leaves its messages: the client takes them on its own thread. Both calls
// return at once, whatever the network does.
#pragma once
#include <string>

namespace vs::mqtt {

class MqttOutbox {
 public:
  virtual ~MqttOutbox() = default;
  // A retained message: only the newest payload of a topic waits, and every retained topic is
  // published again after a reconnect. An empty payload removes the topic from the broker.
  virtual void retained(const std::string& topic, const std::string& payload) = 0;
  // An event (QoS 1, not retained): kept in order, the oldest dropped beyond a bound.
  virtual void event(const std::string& topic, const std::string& payload) = 0;
};

}  // namespace vs::mqtt
