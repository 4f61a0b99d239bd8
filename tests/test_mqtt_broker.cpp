// The hall on a real broker: Mosquitto started on a free local port, the program itself as the
// serving station (the demo's simulated hall in real time), a subscriber, and a remote station
// that takes the hall from the broker. Skipped when Mosquitto is not installed.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/BusStation.h"
#include "mqtt/MqttJson.h"
#include "tests/bus_hall.h"
#include "tests/hall_home.h"
#include "tests/test_mqtt_support.h"
#include "tests/test_workstation_fixture.h"

namespace vs {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing::Broker;
using testing::Subscriber;
using testing::waitFor;

std::string fileText(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::size_t occurrences(const std::string& text, const std::string& what) {
  return testing::occurrences(text, what);
}

class MqttBroker : public ::testing::Test {
 protected:
  void SetUp() override {
    if (testing::mosquittoBinary().empty())
      GTEST_SKIP() << "mosquitto is not installed (scripts/setup.sh installs it)";
    broker = std::make_unique<Broker>(dir.root / "broker", testing::freePort());
    ASSERT_TRUE(broker->start()) << fileText(broker->dir / "broker.log");
  }
  void TearDown() override { testing::stopChild(program); }

  // The program without windows on the demo hall, publishing as "h".
  void startProgram() {
    const fs::path demo = dir.home / "demo";
    fs::create_directories(demo);
    if (!fs::exists(demo / "Vetrostan.INI"))
      testing::writeIni(
          demo / "Vetrostan.INI",
          {"[USB]", "usb-Serial_Number=SIM00001", "[Nastr]", "RUN_WIN=0", "KOL_T=2", "[MQTT]",
           "Broker=127.0.0.1:" + std::to_string(broker->port), "Station=h"});
    fs::create_directories(dir.root / "tmp");
    program = testing::spawn({VETROSTAN_BIN, "--headless", "--demo", "--home", dir.home.string()},
                             dir.root / ("program" + std::to_string(++starts) + ".log"),
                             {"XDG_CONFIG_HOME=" + (dir.root / "xdg").string(),
                              "TMPDIR=" + (dir.root / "tmp").string()});
    ASSERT_GT(program, 0);
  }
  bool hallOnBroker(Subscriber& sub, int ms) {
    return waitFor(
        [&] {
          return sub.latest("vetrostan/h/status") == "online" &&
                 sub.topicsStartingWith("vetrostan/h/incubator/") == 12 &&
                 !sub.latest("vetrostan/h/hall").empty();
        },
        ms);
  }

  testing::ScratchInstall dir;
  std::unique_ptr<Broker> broker;
  pid_t program = -1;
  int starts = 0;
};

// A remote station in this process, as the program runs one: mode 3, the hall from the broker.
struct RemoteStation {
  testing::ScratchInstall dir;
  SystemClock clock;
  SimBus line;
  std::unique_ptr<Workstation> ws;
  std::unique_ptr<BusStation> bus;
  std::string indicator;
  explicit RemoteStation(int port) {
    testing::writeHallConfig(dir.home / "config.cfg", {1});
    testing::writeIni(dir.home / "Vetrostan.INI",
                      {"[Server]", "ServerP=3", "[Nastr]", "RUN_WIN=0", "[MQTT]",
                       "Broker=127.0.0.1:" + std::to_string(port), "Subscribe=h"});
    ws = std::make_unique<Workstation>(dir.home, clock, dir.registry);
    ws->message = [](const std::string&) {};
    ws->notice = [](const std::string&) {};
    bus = std::make_unique<BusStation>(*ws, line);
    ws->startUp();
    bus->station.dan.linkIndicator = [this](bool on, const std::string& text) {
      indicator = on ? text : "";
    };
    bus->startMqtt("remote-pc");
    bus->tick100ms();  // "Работа" is pressed with the program
  }
  // The 1 s tick, a little faster than real time.
  bool runUntil(const std::function<bool()>& done, int ms) {
    return waitFor(
        [&] {
          bus->tick1s();
          return done();
        },
        ms);
  }
};

TEST_F(MqttBroker, TheServingProgramPublishesItsHallAndTheRemoteStationShowsIt) {
  Subscriber sub(broker->port, {"vetrostan/h/#"});
  startProgram();
  ASSERT_TRUE(hallOnBroker(sub, 15000)) << fileText(dir.root / "program1.log");
  ASSERT_TRUE(waitFor(
      [&] {
        return sub.latest("vetrostan/h/incubator/1/state").find("\"answered\":true") !=
               std::string::npos;
      },
      5000));
  const auto hall = mqtt::readJsonObject(sub.latest("vetrostan/h/hall"));
  ASSERT_TRUE(hall);
  EXPECT_EQ(hall->at("incubators").number, 12);
  const auto first = mqtt::readJsonObject(sub.latest("vetrostan/h/incubator/1/state"));
  ASSERT_TRUE(first);
  EXPECT_EQ(first->at("name").text, "Инкубатор 1");
  EXPECT_EQ(first->at("t1").kind, mqtt::JsonValue::Kind::Number);
  EXPECT_GT(first->at("t1").number, 30);
  EXPECT_FALSE(first->at("raw").text.empty());

  // The remote station shows the serving station's hall: names and decoded answers.
  RemoteStation remote(broker->port);
  const Station& rs = remote.bus->station;
  ASSERT_TRUE(remote.runUntil(
      [&] { return rs.T1k[0] > 3000 && rs.config().konfig_s[11].utf8() == "Выводной 12"; }, 8000))
      << "T1k " << rs.T1k[0] << " indicator '" << remote.indicator << "'";
  EXPECT_EQ(remote.indicator, "");
  EXPECT_TRUE(remote.bus->mqtt->subscribing());

  // Killed outright: the broker tells everyone "offline", the remote station "нет сети".
  testing::stopChild(program, SIGKILL);
  EXPECT_TRUE(waitFor([&] { return sub.latest("vetrostan/h/status") == "offline"; }, 5000));
  EXPECT_TRUE(remote.runUntil([&] { return remote.indicator == "нет сети"; }, 5000));
}

TEST_F(MqttBroker, ABrokerRestartedGetsTheStatesAgainAndTheStationSaysSoOnce) {
  Subscriber sub(broker->port, {"vetrostan/h/#"});
  startProgram();
  ASSERT_TRUE(hallOnBroker(sub, 15000)) << fileText(dir.root / "program1.log");
  // A restarted broker without persistence has forgotten every retained message.
  broker->stop();
  sub.clear();
  std::this_thread::sleep_for(500ms);
  ASSERT_TRUE(broker->start());
  EXPECT_TRUE(hallOnBroker(sub, 15000));
  // The discovery and the states are not waiting for new answers: all twelve came back.
  EXPECT_EQ(sub.topicsStartingWith("vetrostan/h/incubator/"), 12u);
  EXPECT_TRUE(waitFor(
      [&] {
        return fileText(dir.root / "program1.log").find("восстановлена") != std::string::npos;
      },
      3000));
  testing::stopChild(program);  // a clean end says "offline" itself
  EXPECT_TRUE(waitFor([&] { return sub.latest("vetrostan/h/status") == "offline"; }, 5000));
  const std::string log = fileText(dir.root / "program1.log");
  EXPECT_EQ(occurrences(log, "MQTT: подключено к брокеру"), 1u) << log;
  EXPECT_EQ(occurrences(log, "MQTT: потеряна связь с брокером"), 1u) << log;
  EXPECT_EQ(occurrences(log, "восстановлена"), 1u) << log;
}

// The figure for the answer's road: from its decoding on the bus to its state at a subscriber.
// Answers that fall due at once are timed (one that comes within a second of the last state of
// its incubator waits for its second by design).
class MqttFigure : public testing::BusHall {
 protected:
  void SetUp() override {
    if (testing::mosquittoBinary().empty())
      GTEST_SKIP() << "mosquitto is not installed (scripts/setup.sh installs it)";
    BusHall::SetUp();
    broker = std::make_unique<Broker>(dir.root / "broker", testing::freePort());
    ASSERT_TRUE(broker->start());
  }
  std::unique_ptr<Broker> broker;
};

TEST_F(MqttFigure, AnswerToSubscriber) {
  extraIni = {"[MQTT]", "Broker=127.0.0.1:" + std::to_string(broker->port), "Station=f"};
  start();
  std::array<std::chrono::steady_clock::time_point, 256> decoded{};
  st().listeners.add(StatusStep::DetailTime, [&](const StatusEvent& e) {
    decoded[static_cast<std::size_t>(e.nk)] = std::chrono::steady_clock::now();
  });
  bus->startMqtt("pc");
  std::mutex mu;
  std::vector<double> micros;
  Subscriber sub(broker->port, {"vetrostan/f/incubator/+/state"});
  ASSERT_TRUE(waitFor([&] { return bus->mqtt->client().connected(); }, 5000));
  std::this_thread::sleep_for(300ms);
  sub.onMessage = [&](const std::string& topic, const std::string&) {
    const auto now = std::chrono::steady_clock::now();
    for (std::size_t n = 0; n < testing::kAddresses.size(); ++n) {
      if (topic != "vetrostan/f/incubator/" + std::to_string(testing::kAddresses[n]) + "/state")
        continue;
      const double us = std::chrono::duration<double, std::micro>(now - decoded[n]).count();
      std::lock_guard l(mu);
      if (us < 100'000) micros.push_back(us);
    }
  };
  // The hall in real time: 20 ms of the line, then 20 ms of wall clock.
  for (int i = 0; i < 250; ++i) {
    runMs(20);
    std::this_thread::sleep_for(20ms);
  }
  sub.onMessage = nullptr;
  std::lock_guard l(mu);
  ASSERT_GE(micros.size(), 5u);
  std::sort(micros.begin(), micros.end());
  std::cout << "answer to subscriber: median " << micros[micros.size() / 2] << " us, max "
            << micros.back() << " us over " << micros.size() << " states\n";
}

}  // namespace
}  // namespace vs
