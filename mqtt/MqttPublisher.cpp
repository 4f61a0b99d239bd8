#include "mqtt/MqttPublisher.h"

#include <algorithm>
#include <cstring>

#include "config/Settings.h"
#include "station/Station.h"
#include "web/Json.h"

namespace vs::mqtt {

MqttPublisher::MqttPublisher(const Station& st, const Settings& settings, std::string station,
                             MqttOutbox& out, bool homeAssistant)
    : st_(st),
      settings_(settings),
      station_(std::move(station)),
      out_(out),
      homeAssistant_(homeAssistant) {
  sentNumber_.fill(-1);
}

void MqttPublisher::attach(const std::shared_ptr<MqttPublisher>& p, Station& st,
                           AlarmList* alarms) {
  std::weak_ptr<MqttPublisher> weak = p;
  st.listeners.add(StatusStep::DetailTime, [weak](const StatusEvent& e) {
    if (auto f = weak.lock()) f->onAnswer(e);
  });
  if (alarms) {
    // Whoever listened before still hears every change.
    auto before = std::move(alarms->onEvent);
    alarms->onEvent = [weak, before](const AlarmChange& c) {
      if (before) before(c);
      if (auto f = weak.lock()) f->onAlarm(c);
    };
  }
}

bool MqttPublisher::linked(int nk) const {
  const auto n = static_cast<std::size_t>(nk);
  const TFile_config& cfg = st_.config();
  return cfg.konfig_o[n] != 0 && st_.tab_otvet[n] < 5 && st_.kol_byte_opros[n] > 5;
}

void MqttPublisher::onAnswer(const StatusEvent& e) {
  // Answers replayed on a remote station are the serving station's to publish.
  if (e.nk < 0 || e.nk >= kMaxRows || st_.serverP > 2) return;
  const auto n = static_cast<std::size_t>(e.nk);
  RowAnswer& a = answers_[n];
  a.time = e.time;
  a.length = std::clamp<int>(e.frame.Kol_d, 0, static_cast<int>(a.data.size()));
  std::memcpy(a.data.data(), e.frame.Dann.data(),
              std::min<std::size_t>(static_cast<std::size_t>(a.length), e.frame.Dann.size()));
  pending_[n] = true;
  const TDateTime now = st_.clock().now();
  if (sentNumber_[n] < 0 || now - sentAt_[n] >= kMinInterval) publishRow(e.nk, now);
}

void MqttPublisher::clearTopic(std::size_t n) {
  if (sentNumber_[n] < 0) return;
  out_.retained(stateTopic(station_, sentNumber_[n]), {});
  if (!discovered_[n].empty())
    for (const std::string& t : discoveryTopics(station_, sentNumber_[n])) out_.retained(t, {});
  sent_[n].clear();
  discovered_[n].clear();
  sentNumber_[n] = -1;
}

void MqttPublisher::publishRow(int nk, TDateTime now) {
  const auto n = static_cast<std::size_t>(nk);
  pending_[n] = false;
  const TFile_config& cfg = st_.config();
  const int number = cfg.konfig_n[n];
  // A number configured twice is one controller on the bus: the first row speaks for it.
  if (st_.f_opros_inkub(number) != nk) {
    clearTopic(n);
    return;
  }
  if (sentNumber_[n] != number) clearTopic(n);
  const int kolT = settings_.kol_t();
  std::string json = stateJson(st_, cfg, nk, kolT, linked(nk), answers_[n]);
  if (homeAssistant_) {
    const std::string name = cfg.konfig_s[n].utf8();
    const std::string signature = std::to_string(kolT) + name;
    if (discovered_[n] != signature) {
      for (auto& [topic, payload] : discoveryMessages(station_, number, name, kolT))
        out_.retained(topic, payload);
      discovered_[n] = signature;
    }
  }
  sentNumber_[n] = number;
  if (json == sent_[n]) return;
  out_.retained(stateTopic(station_, number), json);
  ++statesPublished_;
  sent_[n] = std::move(json);
  sentAt_[n] = now;
}

void MqttPublisher::flushDue() {
  const TDateTime now = st_.clock().now();
  const int rows = st_.kol_inkub();
  for (int nk = 0; nk < rows; ++nk) {
    const auto n = static_cast<std::size_t>(nk);
    if (pending_[n] && now - sentAt_[n] >= kMinInterval) publishRow(nk, now);
  }
}

void MqttPublisher::tick() {
  const TFile_config& cfg = st_.config();
  const int rows = st_.kol_inkub();
  const int kolT = settings_.kol_t();
  std::string hall = hallJson(cfg, rows, kolT);
  if (hall != hallSent_) {
    out_.retained(hallTopic(station_), hall);
    hallSent_ = std::move(hall);
  }
  // Rows no longer configured leave the broker.
  for (int nk = rows; nk < rowsSent_; ++nk) clearTopic(static_cast<std::size_t>(nk));
  rowsSent_ = rows;
  // What changes without an answer: the link (five polls unanswered), the poll flag, the name,
  // the number. A row never sent goes out as configured.
  for (int nk = 0; nk < rows; ++nk) {
    const auto n = static_cast<std::size_t>(nk);
    if (pending_[n]) continue;
    if (sentNumber_[n] != cfg.konfig_n[n] || sent_[n].empty()) {
      pending_[n] = true;
      continue;
    }
    const std::string& s = sent_[n];
    const bool wasLinked = s.find(",\"link\":true") != std::string::npos;
    const bool wasPolled = s.find(",\"polled\":true") != std::string::npos;
    if (wasLinked != linked(nk) || wasPolled != (cfg.konfig_o[n] != 0) ||
        s.find(",\"name\":" + web::jsonString(cfg.konfig_s[n].utf8()) + ",") == std::string::npos)
      pending_[n] = true;
  }
  flushDue();
}

void MqttPublisher::onAlarm(const AlarmChange& c) {
  if (st_.serverP > 2) return;
  out_.event(alarmsTopic(station_), alarmChangeJson(c));
}

}  // namespace vs::mqtt
