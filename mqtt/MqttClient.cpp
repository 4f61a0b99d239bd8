#include "mqtt/MqttClient.h"

#include <fcntl.h>
#include <mosquitto.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <tuple>

#include "mqtt/MqttMessages.h"

namespace vs::mqtt {
namespace {

using Clock = std::chrono::steady_clock;

void initLibrary() {
  static std::once_flag once;
  std::call_once(once, [] { mosquitto_lib_init(); });
}

std::string reason(int rc) {
  if (rc == MOSQ_ERR_ERRNO) return std::strerror(errno);
  return mosquitto_strerror(rc);
}

}  // namespace

namespace {

// The waking pipe: a made pipe, or -1s (the worker then only sleeps its time-out).
std::pair<int, int> wakingPipe() {
  int fds[2] = {-1, -1};
  if (::pipe(fds) != 0) return {-1, -1};
  for (int fd : fds) {
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    ::fcntl(fd, F_SETFD, FD_CLOEXEC);
  }
  return {fds[0], fds[1]};
}

}  // namespace

MqttClient::MqttClient(MqttClientOptions options)
    : opt_(std::move(options)), backoff_(opt_.minBackoff) {
  std::tie(wakeRead_, wakeWrite_) = wakingPipe();
  worker_ = std::jthread([this](std::stop_token stop) { run(stop); });
}

MqttClient::~MqttClient() {
  worker_.request_stop();
  wake_.notify_all();
  wake();
  if (worker_.joinable()) worker_.join();
  if (wakeRead_ >= 0) ::close(wakeRead_);
  if (wakeWrite_ >= 0) ::close(wakeWrite_);
}

void MqttClient::wake() {
  if (wakeWrite_ < 0) return;
  const char b = 1;
  // A full pipe already holds a wake-up.
  [[maybe_unused]] const auto n = ::write(wakeWrite_, &b, 1);
}

void MqttClient::waitForWork() {
  pollfd fds[2] = {{wakeRead_, POLLIN, 0}, {-1, 0, 0}};
  const int sock = mosquitto_socket(mosq_);
  if (sock >= 0) {
    const bool writing = mosquitto_want_write(mosq_);
    fds[1] = {sock, static_cast<short>(POLLIN | (writing ? POLLOUT : 0)), 0};
  }
  ::poll(fds, 2, static_cast<int>(opt_.loopTimeout.count()));
  if (wakeRead_ >= 0 && (fds[0].revents & POLLIN)) {
    char buf[64];
    while (::read(wakeRead_, buf, sizeof buf) > 0) {
    }
  }
}

void MqttClient::retained(const std::string& topic, const std::string& payload) {
  std::lock_guard l(m_);
  retained_[topic] = payload;
  dirty_.insert(topic);
  wake();
}

void MqttClient::event(const std::string& topic, const std::string& payload) {
  std::lock_guard l(m_);
  if (events_.size() >= opt_.maxEvents) {
    events_.pop_front();
    ++droppedEvents_;
    if (!dropTold_) {
      dropTold_ = true;
      notices_.push_back("MQTT: брокер " + opt_.broker.brokerText() +
                         " долго недоступен, старые сообщения об авариях отброшены (хранятся " +
                         std::to_string(opt_.maxEvents) + " последних)");
    }
  }
  events_.emplace_back(topic, payload);
  wake();
}

std::vector<std::string> MqttClient::takeNotices() {
  std::lock_guard l(m_);
  return std::exchange(notices_, {});
}

std::vector<std::pair<std::string, std::string>> MqttClient::takeInbound() {
  std::lock_guard l(m_);
  std::vector<std::pair<std::string, std::string>> out(inbound_.begin(), inbound_.end());
  inbound_.clear();
  return out;
}

std::size_t MqttClient::waitingRetained() const {
  std::lock_guard l(m_);
  return dirty_.size();
}
std::size_t MqttClient::waitingEvents() const {
  std::lock_guard l(m_);
  return events_.size();
}
long long MqttClient::droppedEvents() const {
  std::lock_guard l(m_);
  return droppedEvents_;
}

void MqttClient::notice(std::string text) {
  std::lock_guard l(m_);
  notices_.push_back(std::move(text));
}

bool MqttClient::setUp() {
  initLibrary();
  mosq_ = mosquitto_new(opt_.clientId.empty() ? nullptr : opt_.clientId.c_str(), true, this);
  if (!mosq_) {
    notice("MQTT: клиент не создан (" + std::string(std::strerror(errno)) + "); публикации нет");
    return false;
  }
  mosquitto_int_option(mosq_, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
  mosquitto_connect_callback_set(mosq_, &MqttClient::onConnect);
  mosquitto_disconnect_callback_set(mosq_, &MqttClient::onDisconnect);
  mosquitto_publish_callback_set(mosq_, &MqttClient::onPublish);
  mosquitto_message_callback_set(mosq_, &MqttClient::onMessage);
  if (!opt_.statusTopic.empty())
    mosquitto_will_set(mosq_, opt_.statusTopic.c_str(), static_cast<int>(std::strlen(kOffline)),
                       kOffline, 1, true);
  const MqttSettings& b = opt_.broker;
  if (!b.user.empty())
    mosquitto_username_pw_set(mosq_, b.user.c_str(),
                              b.password.empty() ? nullptr : b.password.c_str());
  if (b.tls) {
    int rc = MOSQ_ERR_SUCCESS;
    if (b.caFile.empty())
      rc = mosquitto_int_option(mosq_, MOSQ_OPT_TLS_USE_OS_CERTS, 1);
    else
      rc = mosquitto_tls_set(mosq_, b.caFile.c_str(), nullptr, nullptr, nullptr, nullptr);
    if (rc != MOSQ_ERR_SUCCESS) {
      notice("MQTT: TLS не настроен (CAFile=" + b.caFile + ": " + reason(rc) + "); публикации нет");
      return false;
    }
  }
  return true;
}

void MqttClient::run(std::stop_token stop) {
  if (!setUp()) {
    if (mosq_) mosquitto_destroy(mosq_);
    mosq_ = nullptr;
    return;
  }
  attemptAt_ = Clock::now();
  while (!stop.stop_requested()) {
    if (phase_ == Phase::Idle) {
      const auto now = Clock::now();
      if (now < attemptAt_) {
        std::unique_lock l(m_);
        wake_.wait_until(l, stop, attemptAt_, [] { return false; });
        continue;
      }
      attempt();
      continue;
    }
    if (phase_ == Phase::Connected) sendWaiting();
    // The library's own pass without waiting: the wait is ours, so that a message handed over
    // wakes it at once.
    const int rc = mosquitto_loop(mosq_, 0, 1);
    if (rc != MOSQ_ERR_SUCCESS && phase_ != Phase::Idle) dropped(reason(rc));
    if (phase_ != Phase::Idle) waitForWork();
    if (phase_ == Phase::Connecting && Clock::now() - attemptStarted_ > opt_.connackTimeout) {
      const auto seconds =
          std::chrono::duration_cast<std::chrono::seconds>(opt_.connackTimeout).count();
      dropped("нет ответа на подключение за " + std::to_string(seconds) + " с");
    }
  }
  goodbye();
  mosquitto_destroy(mosq_);
  mosq_ = nullptr;
}

void MqttClient::attempt() {
  attemptStarted_ = Clock::now();
  phase_ = Phase::Connecting;
  // The TCP connection is made without waiting; only the name lookup may take a moment.
  const int rc = mosquitto_connect_async(mosq_, opt_.broker.host.c_str(), opt_.broker.port,
                                         opt_.keepAliveSeconds);
  if (rc != MOSQ_ERR_SUCCESS) dropped(reason(rc));
}

void MqttClient::dropped(const std::string& why) {
  const bool wasConnected = phase_ == Phase::Connected;
  phase_ = Phase::Idle;
  connected_ = false;
  inflight_.clear();
  {
    // Events not acknowledged go out again, in their order, before the newer ones.
    std::lock_guard l(m_);
    for (auto it = inflightEvents_.rbegin(); it != inflightEvents_.rend(); ++it)
      events_.push_front(std::move(it->second));
    while (events_.size() > opt_.maxEvents) {
      events_.pop_front();
      ++droppedEvents_;
    }
  }
  inflightEvents_.clear();
  attemptAt_ = Clock::now() + backoff_;
  backoff_ = std::min(backoff_ * 2, opt_.maxBackoff);
  lastWhy_ = why;
  if (downTold_) return;
  downTold_ = true;
  notice("MQTT: " +
         std::string(wasConnected ? "потеряна связь с брокером " : "нет связи с брокером ") +
         opt_.broker.brokerText() + " (" + why +
         "); станция работает дальше, подключение повторяется");
}

void MqttClient::sendWaiting() {
  struct Item {
    std::string topic, payload;
    bool event;
  };
  std::vector<Item> batch;
  {
    std::lock_guard l(m_);
    while (inflight_.size() + batch.size() < static_cast<std::size_t>(opt_.window)) {
      if (!events_.empty()) {
        batch.push_back(
            {std::move(events_.front().first), std::move(events_.front().second), true});
        events_.pop_front();
      } else if (!dirty_.empty()) {
        auto it = retained_.find(*dirty_.begin());
        dirty_.erase(dirty_.begin());
        if (it == retained_.end()) continue;
        batch.push_back({it->first, it->second, false});
        // A removal is published once, not again after each reconnect.
        if (it->second.empty()) retained_.erase(it);
      } else {
        break;
      }
    }
  }
  for (std::size_t i = 0; i < batch.size(); ++i) {
    Item& item = batch[i];
    int mid = 0;
    const int rc =
        mosquitto_publish(mosq_, &mid, item.topic.c_str(), static_cast<int>(item.payload.size()),
                          item.payload.data(), 1, !item.event);
    if (rc == MOSQ_ERR_SUCCESS) {
      inflight_.insert(mid);
      if (item.event) inflightEvents_[mid] = {std::move(item.topic), std::move(item.payload)};
      continue;
    }
    // Not taken (the connection is going): what is left waits for the next session.
    std::lock_guard l(m_);
    for (std::size_t k = batch.size(); k-- > i;) {
      Item& back = batch[k];
      if (back.event) {
        events_.emplace_front(std::move(back.topic), std::move(back.payload));
      } else {
        if (!retained_.count(back.topic)) retained_[back.topic] = back.payload;
        dirty_.insert(back.topic);
      }
    }
    break;
  }
}

void MqttClient::goodbye() {
  if (phase_ != Phase::Connected) return;
  closing_ = true;
  // What waits goes out first, for a second at most; then "offline", which a clean
  // disconnect does not leave behind by itself.
  const auto deadline = Clock::now() + std::chrono::milliseconds(1000);
  while (phase_ == Phase::Connected && Clock::now() < deadline) {
    sendWaiting();
    bool idle = inflight_.empty();
    if (idle) {
      std::lock_guard l(m_);
      idle = events_.empty() && dirty_.empty();
    }
    if (idle) break;
    mosquitto_loop(mosq_, 10, 1);
  }
  if (phase_ == Phase::Connected && !opt_.statusTopic.empty()) {
    int mid = 0;
    if (mosquitto_publish(mosq_, &mid, opt_.statusTopic.c_str(),
                          static_cast<int>(std::strlen(kOffline)), kOffline, 1,
                          true) == MOSQ_ERR_SUCCESS) {
      inflight_.insert(mid);
      const auto until = std::max(deadline, Clock::now() + std::chrono::milliseconds(300));
      while (phase_ == Phase::Connected && inflight_.count(mid) && Clock::now() < until)
        mosquitto_loop(mosq_, 10, 1);
    }
  }
  mosquitto_disconnect(mosq_);
  mosquitto_loop(mosq_, 10, 1);
}

void MqttClient::onConnect(mosquitto* mosq, void* self, int rc) {
  auto* c = static_cast<MqttClient*>(self);
  if (rc != 0) {
    c->dropped(std::string("брокер отказал: ") + mosquitto_connack_string(rc));
    mosquitto_disconnect(mosq);
    return;
  }
  c->phase_ = Phase::Connected;
  c->connected_ = true;
  ++c->connects_;
  c->backoff_ = c->opt_.minBackoff;
  c->inflight_.clear();
  c->inflightEvents_.clear();
  if (!c->opt_.statusTopic.empty())
    mosquitto_publish(mosq, nullptr, c->opt_.statusTopic.c_str(),
                      static_cast<int>(std::strlen(kOnline)), kOnline, 1, true);
  for (const std::string& s : c->opt_.subscriptions)
    mosquitto_subscribe(mosq, nullptr, s.c_str(), 1);
  {
    // A new session: the broker may have lost what it held, so every retained topic again.
    std::lock_guard l(c->m_);
    for (const auto& [topic, payload] : c->retained_) c->dirty_.insert(topic);
  }
  if (c->downTold_) {
    c->downTold_ = false;
    c->notice("MQTT: связь с брокером " + c->opt_.broker.brokerText() + " восстановлена");
  } else if (!c->everConnected_) {
    c->notice("MQTT: подключено к брокеру " + c->opt_.broker.brokerText());
  }
  c->everConnected_ = true;
}

void MqttClient::onDisconnect(mosquitto*, void* self, int rc) {
  auto* c = static_cast<MqttClient*>(self);
  if (c->closing_ || c->phase_ == Phase::Idle) return;
  c->dropped(rc == 0 ? "соединение закрыто" : "соединение прервано");
}

void MqttClient::onPublish(mosquitto*, void* self, int mid) {
  auto* c = static_cast<MqttClient*>(self);
  c->inflight_.erase(mid);
  c->inflightEvents_.erase(mid);
}

void MqttClient::onMessage(mosquitto*, void* self, const mosquitto_message* m) {
  auto* c = static_cast<MqttClient*>(self);
  if (!m || !m->topic) return;
  const std::string topic = m->topic;
  if (topic.rfind(c->opt_.inboundPrefix, 0) != 0) return;
  std::string payload;
  if (m->payload && m->payloadlen > 0)
    payload.assign(static_cast<const char*>(m->payload), static_cast<std::size_t>(m->payloadlen));
  std::lock_guard l(c->m_);
  auto it = c->inbound_.find(topic);
  if (it != c->inbound_.end()) {
    it->second = std::move(payload);
    return;
  }
  if (c->inbound_.size() >= c->opt_.maxInboundTopics) {
    if (!c->inboundFullTold_) {
      c->inboundFullTold_ = true;
      c->notices_.push_back("MQTT: слишком много тем от брокера, лишние не принимаются");
    }
    return;
  }
  c->inbound_.emplace(topic, std::move(payload));
}

}  // namespace vs::mqtt
