// The hall on the broker, fed on the station's thread: every decoded answer (the state of its
// incubator, at most once a second for each), the 1 s tick (link changes without an answer,
// the hall's description, rows renamed, renumbered or gone, Home Assistant discovery) and every
// change of the alarm list. It only builds payloads and hands them to the outbox; nothing here
// waits on the network.
#pragma once
#include <array>
#include <memory>
#include <string>

#include "alarms/AlarmList.h"
#include "mqtt/MqttMessages.h"
#include "mqtt/MqttOutbox.h"
#include "station/StatusListeners.h"

namespace vs {
class Station;
struct Settings;
}  // namespace vs

namespace vs::mqtt {

class MqttPublisher {
 public:
  MqttPublisher(const Station& st, const Settings& settings, std::string station, MqttOutbox& out,
                bool homeAssistant);

  // Registers on the station's listeners (after every other step of an answer) and on the
  // alarm list's events, holding the publisher weakly: one that is gone is not told any more.
  static void attach(const std::shared_ptr<MqttPublisher>& p, Station& st, AlarmList* alarms);

  // A decoded answer of row nk.
  void onAnswer(const StatusEvent& e);
  // Every 100 ms: states held back by the once-a-second limit that are now due.
  void flushDue();
  // Every second: what changes without an answer, then what is due.
  void tick();
  void onAlarm(const AlarmChange& c);

  // Messages handed to the outbox since start (for the tests and the figures).
  long long statesPublished() const { return statesPublished_; }

 private:
  static constexpr double kMinInterval = 1.0 / 86400.0;  // one second, in days

  bool linked(int nk) const;
  void publishRow(int nk, TDateTime now);
  void clearTopic(std::size_t n);

  const Station& st_;
  const Settings& settings_;
  std::string station_;
  MqttOutbox& out_;
  bool homeAssistant_;

  std::array<RowAnswer, kMaxRows> answers_{};
  std::array<std::string, kMaxRows> sent_{};        // the payload last handed on
  std::array<int, kMaxRows> sentNumber_{};          // under which number (-1: none)
  std::array<TDateTime, kMaxRows> sentAt_{};        // when
  std::array<bool, kMaxRows> pending_{};            // a change waits for its second
  std::array<std::string, kMaxRows> discovered_{};  // name and kolT of the discovery sent
  std::string hallSent_;
  int rowsSent_ = 0;
  long long statesPublished_ = 0;
};

}  // namespace vs::mqtt
