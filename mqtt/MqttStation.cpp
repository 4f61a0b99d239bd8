#include "mqtt/MqttStation.h"

#include <unistd.h>

#include "alarms/AlarmList.h"
#include "mqtt/MqttMessages.h"
#include "station/Station.h"

namespace vs::mqtt {

MqttStation::MqttStation(Station& st, const Settings& settings, AlarmList* alarms,
                         const MqttSettings& m, MqttClientOptions tuning)
    : st_(st) {
  const bool remote = st.serverP == 3 || st.serverP == 4;
  MqttClientOptions o = std::move(tuning);
  o.broker = m;
  // One session per station and role: a second program under the same name would take it over.
  o.clientId = "vetrostan-" + identifier(m.station) + (remote ? "-remote-" : "-") +
               std::to_string(static_cast<long>(::getpid()));
  if (remote) {
    if (m.subscribe.empty()) return;  // the shared data file, as before
    o.inboundPrefix = topicPrefix(m.subscribe);
    o.subscriptions = {statusTopic(m.subscribe), hallTopic(m.subscribe),
                       topicPrefix(m.subscribe) + "incubator/+/state"};
    client_ = std::make_unique<MqttClient>(std::move(o));
    remote_ = std::make_unique<MqttRemote>(st, m.subscribe, "mqtt://" + m.brokerText());
    st.hooks.DanRead = [this] {
      remote_->take(client_->takeInbound());
      remote_->DanRead(client_->connected());
    };
    return;
  }
  if (st.observer) return;
  o.statusTopic = statusTopic(m.station);
  client_ = std::make_unique<MqttClient>(std::move(o));
  publisher_ = std::make_shared<MqttPublisher>(st, settings, m.station, *client_, m.homeAssistant);
  MqttPublisher::attach(publisher_, st, alarms);
}

MqttStation::~MqttStation() {
  if (remote_) st_.hooks.DanRead = nullptr;
  // The publisher goes first: the listeners hold it weakly and stop telling it.
  publisher_.reset();
}

void MqttStation::tick100ms() {
  if (publisher_ && st_.serverP <= 2) publisher_->flushDue();
}

void MqttStation::tick1s(const std::function<void(const std::string&)>& report) {
  if (!client_) return;
  for (const std::string& text : client_->takeNotices())
    if (report) report(text);
  if (publisher_ && st_.serverP <= 2) publisher_->tick();
  // The states keep coming between the exchanges of the one-minute mode: only the newest of
  // each waits here, not in the client.
  if (remote_) remote_->take(client_->takeInbound());
}

}  // namespace vs::mqtt
