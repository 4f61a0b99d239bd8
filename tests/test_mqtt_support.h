// What the MQTT tests share: an outbox that keeps what it is handed, a real broker started as a
// child process on a free local port, and a subscriber on it.
#pragma once
#include <fcntl.h>
#include <gtest/gtest.h>
#include <mosquitto.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "mqtt/MqttOutbox.h"

extern char** environ;

namespace vs::testing {

struct FakeOutbox final : mqtt::MqttOutbox {
  std::map<std::string, std::string> kept;  // newest retained payload per topic
  std::vector<std::pair<std::string, std::string>> retainedLog, events;
  void retained(const std::string& topic, const std::string& payload) override {
    kept[topic] = payload;
    retainedLog.emplace_back(topic, payload);
  }
  void event(const std::string& topic, const std::string& payload) override {
    events.emplace_back(topic, payload);
  }
  std::size_t count(const std::string& topic) const {
    std::size_t n = 0;
    for (const auto& [t, p] : retainedLog) n += t == topic ? 1 : 0;
    return n;
  }
  // What a subscriber that came late gets: every retained topic with a payload.
  std::vector<std::pair<std::string, std::string>> asRetained() const {
    std::vector<std::pair<std::string, std::string>> out;
    for (const auto& [t, p] : kept)
      if (!p.empty()) out.emplace_back(t, p);
    return out;
  }
};

// A local port nobody listens on at the moment of asking.
inline int freePort() {
  const int s = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
  socklen_t len = sizeof a;
  ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
  ::close(s);
  return ntohs(a.sin_port);
}

// A port that takes connections and never reads nor answers.
struct BlackHole {
  int fd = -1, port = 0;
  BlackHole() {
    fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::listen(fd, 16);
    socklen_t len = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    port = ntohs(a.sin_port);
  }
  ~BlackHole() { ::close(fd); }
};

inline std::string mosquittoBinary() {
  for (const char* p : {"/usr/sbin/mosquitto", "/usr/bin/mosquitto", "/usr/local/sbin/mosquitto"})
    if (::access(p, X_OK) == 0) return p;
  return {};
}

inline bool waitFor(const std::function<bool()>& done, int ms) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < end) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return done();
}

inline pid_t spawn(const std::vector<std::string>& argv, const std::filesystem::path& log,
                   const std::vector<std::string>& extraEnv = {}) {
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&fa, 1, 2);
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  std::vector<std::string> envText(extraEnv);
  for (char** e = environ; *e; ++e) envText.emplace_back(*e);
  std::vector<char*> env;
  for (std::string& e : envText) env.push_back(e.data());
  env.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawn(&pid, args[0], &fa, nullptr, args.data(), env.data()) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&fa);
  return pid;
}

inline void stopChild(pid_t& pid, int sig = SIGTERM) {
  if (pid <= 0) return;
  ::kill(pid, sig);
  for (int i = 0; i < 150; ++i) {
    if (::waitpid(pid, nullptr, WNOHANG) == pid) {
      pid = -1;
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ::kill(pid, SIGKILL);
  ::waitpid(pid, nullptr, 0);
  pid = -1;
}

// Mosquitto on 127.0.0.1:<port>, anonymous, nothing kept on disk: a restart forgets every
// retained message.
struct Broker {
  std::filesystem::path dir;
  int port = 0;
  pid_t pid = -1;

  Broker(std::filesystem::path folder, int p) : dir(std::move(folder)), port(p) {
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "mosquitto.conf") << "listener " << port
                                          << " 127.0.0.1\nallow_anonymous true\n"
                                             "persistence false\n";
  }
  ~Broker() { stop(); }
  bool start() {
    pid = spawn({mosquittoBinary(), "-c", (dir / "mosquitto.conf").string()}, dir / "broker.log");
    if (pid <= 0) return false;
    return waitFor(
        [this] {
          const int s = ::socket(AF_INET, SOCK_STREAM, 0);
          sockaddr_in a{};
          a.sin_family = AF_INET;
          a.sin_port = htons(static_cast<std::uint16_t>(port));
          a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
          const bool ok = ::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
          ::close(s);
          return ok;
        },
        5000);
  }
  void stop() { stopChild(pid); }
};

// A subscriber with libmosquitto's own thread: the newest payload of every topic, and how many
// messages each topic brought, with the moment the last one came.
class Subscriber {
 public:
  Subscriber(int port, const std::vector<std::string>& filters) : filters_(filters) {
    mosquitto_lib_init();
    m_ = mosquitto_new(nullptr, true, this);
    mosquitto_connect_callback_set(m_, [](mosquitto* m, void* self, int rc) {
      if (rc != 0) return;
      for (const std::string& f : static_cast<Subscriber*>(self)->filters_)
        mosquitto_subscribe(m, nullptr, f.c_str(), 1);
    });
    mosquitto_message_callback_set(m_, [](mosquitto*, void* self, const mosquitto_message* msg) {
      auto* s = static_cast<Subscriber*>(self);
      std::lock_guard l(s->mu_);
      std::string p(static_cast<const char*>(msg->payload),
                    static_cast<std::size_t>(msg->payloadlen));
      s->latest_[msg->topic] = p;
      ++s->counts_[msg->topic];
      s->when_[msg->topic] = std::chrono::steady_clock::now();
      if (s->onMessage) s->onMessage(msg->topic, p);
    });
    mosquitto_connect(m_, "127.0.0.1", port, 30);
    mosquitto_loop_start(m_);
  }
  ~Subscriber() {
    mosquitto_disconnect(m_);
    mosquitto_loop_stop(m_, false);
    mosquitto_destroy(m_);
  }
  std::string latest(const std::string& topic) {
    std::lock_guard l(mu_);
    auto it = latest_.find(topic);
    return it == latest_.end() ? std::string() : it->second;
  }
  int count(const std::string& topic) {
    std::lock_guard l(mu_);
    return counts_[topic];
  }
  std::size_t topicsStartingWith(const std::string& prefix) {
    std::lock_guard l(mu_);
    std::size_t n = 0;
    for (const auto& [t, p] : latest_) n += t.rfind(prefix, 0) == 0 && !p.empty() ? 1 : 0;
    return n;
  }
  void clear() {
    std::lock_guard l(mu_);
    latest_.clear();
    counts_.clear();
  }
  // Called on the subscriber's thread.
  std::function<void(const std::string&, const std::string&)> onMessage;

 private:
  std::vector<std::string> filters_;
  mosquitto* m_ = nullptr;
  std::mutex mu_;
  std::map<std::string, std::string> latest_;
  std::map<std::string, int> counts_;
  std::map<std::string, std::chrono::steady_clock::time_point> when_;
};

}  // namespace vs::testing
