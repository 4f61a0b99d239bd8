// MQTT for one bus station, as the settings say: a serving station (modes 0..2) publishes its
// hall, a remote station (modes 3 and 4) with "Subscribe" takes the serving station's hall from
// the broker instead of the shared data file. The client runs its own thread; everything here
// runs on the station's thread.
#pragma once
#include <functional>
#include <memory>
#include <string>

#include "mqtt/MqttClient.h"
#include "mqtt/MqttPublisher.h"
#include "mqtt/MqttRemote.h"
#include "mqtt/MqttSettings.h"

namespace vs {
class AlarmList;
class Station;
struct Settings;
}  // namespace vs

namespace vs::mqtt {

class MqttStation {
 public:
  // Publishes or subscribes as the station's mode is now (a change of mode takes effect at the
  // next start). A second copy that only watches publishes nothing.
  MqttStation(Station& st, const Settings& settings, AlarmList* alarms, const MqttSettings& m,
              MqttClientOptions tuning = {});
  ~MqttStation();
  MqttStation(const MqttStation&) = delete;
  MqttStation& operator=(const MqttStation&) = delete;

  // Every 100 ms: states held back by the once-a-second limit.
  void tick100ms();
  // Every second, after the station's own second: the client's notices to `report`, the
  // publisher's second.
  void tick1s(const std::function<void(const std::string&)>& report);

  bool publishing() const { return publisher_ != nullptr; }
  bool subscribing() const { return remote_ != nullptr; }
  MqttClient& client() { return *client_; }
  MqttPublisher* publisher() { return publisher_.get(); }
  MqttRemote* remote() { return remote_.get(); }

 private:
  Station& st_;
  std::unique_ptr<MqttClient> client_;
  std::shared_ptr<MqttPublisher> publisher_;
  std::unique_ptr<MqttRemote> remote_;
};

}  // namespace vs::mqtt
