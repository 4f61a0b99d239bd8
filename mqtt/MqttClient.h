// The connection to the broker: one worker thread owns the libmosquitto client entirely
// (connect, its loop, publish, subscribe), so the station's thread never waits on the network.
// The station hands messages over through the outbox calls, which only lock a mutex for a
// copy: retained messages as the newest payload of each topic (bounded by the topics there
// are), events in a bounded queue. Acknowledged publishing with a small window keeps the
// library's own queue short too. While the broker is away the client tries again with back-off
// (1 s doubling to 30 s); an attempt whose CONNACK does not come within the time-out (an address
// that takes connections and never answers) counts as failed. On every (re)connect it publishes
// "online" and every retained message again; the last will says "offline".
//
// What the station must hear (connection lost, regained, events dropped) waits in `notices`
// and is taken on the station's thread; so are the messages of the subscriptions.
#pragma once
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "mqtt/MqttOutbox.h"
#include "mqtt/MqttSettings.h"

struct mosquitto;
struct mosquitto_message;

namespace vs::mqtt {

struct MqttClientOptions {
  MqttSettings broker;  // host, port, credentials, TLS
  std::string clientId;
  // Published retained on every connect; its last will is `offlinePayload`. Empty: none.
  std::string statusTopic;
  std::vector<std::string> subscriptions;  // topic filters, QoS 1
  // Of the subscriptions' messages, only topics that begin with this are kept.
  std::string inboundPrefix;
  std::size_t maxInboundTopics = 600;
  std::size_t maxEvents = 1000;
  int keepAliveSeconds = 30;
  std::chrono::milliseconds connackTimeout{10'000};
  std::chrono::milliseconds minBackoff{1'000};
  std::chrono::milliseconds maxBackoff{30'000};
  // The longest the worker sleeps when nothing happens (keep-alive and time-outs run then).
  std::chrono::milliseconds loopTimeout{100};
  int window = 20;  // publications waiting for their acknowledgement
};

class MqttClient final : public MqttOutbox {
 public:
  explicit MqttClient(MqttClientOptions options);
  // Publishes "offline" (within a second at most) and disconnects.
  ~MqttClient() override;
  MqttClient(const MqttClient&) = delete;
  MqttClient& operator=(const MqttClient&) = delete;

  void retained(const std::string& topic, const std::string& payload) override;
  void event(const std::string& topic, const std::string& payload) override;

  // Texts for the journal and the operator, oldest first; each state change told once.
  std::vector<std::string> takeNotices();
  // Messages of the subscriptions since the last call: the newest payload of each topic.
  std::vector<std::pair<std::string, std::string>> takeInbound();

  bool connected() const { return connected_.load(); }
  // Times the session came up (1 after the first connect; more after reconnects).
  int connects() const { return connects_.load(); }
  std::size_t waitingRetained() const;
  std::size_t waitingEvents() const;
  long long droppedEvents() const;

 private:
  enum class Phase { Idle, Connecting, Connected };

  void run(std::stop_token stop);
  bool setUp();
  void attempt();
  void dropped(const std::string& why);
  void sendWaiting();
  void goodbye();
  void notice(std::string text);
  void wake();
  void waitForWork();

  static void onConnect(mosquitto*, void* self, int rc);
  static void onDisconnect(mosquitto*, void* self, int rc);
  static void onPublish(mosquitto*, void* self, int mid);
  static void onMessage(mosquitto*, void* self, const mosquitto_message* m);

  const MqttClientOptions opt_;

  // Shared with the station's thread.
  mutable std::mutex m_;
  std::map<std::string, std::string> retained_;  // every retained topic, newest payload
  std::set<std::string> dirty_;                  // of those, not yet published in this session
  std::deque<std::pair<std::string, std::string>> events_;
  long long droppedEvents_ = 0;
  bool dropTold_ = false;
  std::vector<std::string> notices_;
  std::map<std::string, std::string> inbound_;
  bool inboundFullTold_ = false;
  std::atomic<bool> connected_{false};
  std::atomic<int> connects_{0};
  std::condition_variable_any wake_;
  // A byte written here wakes the worker out of its wait on the socket.
  int wakeRead_ = -1, wakeWrite_ = -1;

  // The worker's own.
  mosquitto* mosq_ = nullptr;
  Phase phase_ = Phase::Idle;
  bool everConnected_ = false;
  bool downTold_ = false;
  bool closing_ = false;  // the goodbye's own disconnect is no loss
  std::chrono::steady_clock::time_point attemptAt_{}, attemptStarted_{};
  std::chrono::milliseconds backoff_{};
  std::map<int, std::pair<std::string, std::string>> inflightEvents_;
  std::set<int> inflight_;
  std::string lastWhy_;

  std::jthread worker_;  // last: it starts once everything above is in place
};

}  // namespace vs::mqtt
