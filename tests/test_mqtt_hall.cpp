// The hall on the broker in virtual time, without a broker: the publisher over the simulated
// hall (every incubator's state, at most once a second each, link changes, alarm events, Home
// Assistant discovery, renumbered rows), a remote station that replays what was published
// exactly as a remote station replays the shared data file, and the client's bounds and
// time-outs while the broker is away or black-holes, which never slow the bus.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/BusStation.h"
#include "mqtt/MqttJson.h"
#include "mqtt/MqttMessages.h"
#include "mqtt/MqttPublisher.h"
#include "mqtt/MqttRemote.h"
#include "tests/bus_hall.h"
#include "tests/test_mqtt_support.h"

namespace vs {
namespace {

using testing::BusHall;
using testing::FakeOutbox;
using testing::kAddresses;

std::map<std::string, mqtt::JsonValue> parsed(const std::string& json) {
  auto m = mqtt::readJsonObject(json);
  EXPECT_TRUE(m) << json;
  return m ? *m : std::map<std::string, mqtt::JsonValue>{};
}

class MqttHall : public BusHall {
 protected:
  FakeOutbox out;
  std::shared_ptr<mqtt::MqttPublisher> pub;

  void publish(bool homeAssistant = false) {
    pub = std::make_shared<mqtt::MqttPublisher>(st(), ws->settings, "h", out, homeAssistant);
    mqtt::MqttPublisher::attach(pub, st(), &bus->alarms.list);
  }
  // The bus station's ticks with the publisher's, as BusStation runs them.
  void run(std::int64_t ms) {
    for (std::int64_t t = 0; t < ms; t += 100) {
      runMs(100);
      pub->flushDue();
      if (nowUs % 1'000'000 == 0) pub->tick();
    }
  }
  std::string state(int number) { return out.kept[mqtt::stateTopic("h", number)]; }
};

TEST_F(MqttHall, EveryIncubatorOnceASecondAtMostWithItsLinkAlarmsAndDiscovery) {
  start();
  publish(true);
  run(3000);
  EXPECT_EQ(out.kept["vetrostan/h/hall"],
            R"({"title":"ВЕСТ-RS485","incubators":3,"kolT":2,"numbers":[5,85,170]})");
  for (std::size_t n = 0; n < kAddresses.size(); ++n) {
    const int a = kAddresses[n];
    SCOPED_TRACE(a);
    auto m = parsed(state(a));
    EXPECT_EQ(m["row"].number, static_cast<double>(n));
    EXPECT_EQ(m["number"].number, a);
    EXPECT_DOUBLE_EQ(m["t1"].number, (3700 + a) / 100.0);
    EXPECT_EQ(m["t1"].kind, mqtt::JsonValue::Kind::Number);
    EXPECT_EQ(m["humidity"].number, 40 + a % 50);
    EXPECT_TRUE(m["link"].flag);
    std::vector<std::uint8_t> raw;
    ASSERT_TRUE(mqtt::unbase64(m["raw"].text, raw));
    EXPECT_EQ(raw.size(), static_cast<std::size_t>(st().kol_byte_opros[n]));
    // Five entities each: T1..T3, humidity, link.
    for (const char* e : {"t1", "t2", "t3", "humidity"})
      EXPECT_EQ(out.kept.count("homeassistant/sensor/vetrostan_h_" + std::to_string(a) + "/" + e +
                               "/config"),
                1u);
  }
  EXPECT_EQ(out.count("homeassistant/sensor/vetrostan_h_5/t1/config"), 1u) << "sent once";

  // Answers of one incubator ten times a second (its poll and nine more of its last answer
  // put through the decoding): its state goes out once a second at most, and every second
  // while they keep coming.
  const std::size_t before = out.count(mqtt::stateTopic("h", 85));
  for (int i = 0; i < 100; ++i) {
    run(100);
    RS232_T f{};
    const TdanW& e = st().dan.danW.d[1];
    f.Otpr = e.n_s;
    f.Kol_d = e.kol_z;
    std::memcpy(f.Dann.data(), e.d.data() + 1, e.kol_z);
    st().Obrabotka_Server(1, clock.now(), f);
  }
  const std::size_t sent = out.count(mqtt::stateTopic("h", 85)) - before;
  EXPECT_LE(sent, 10u);
  EXPECT_GE(sent, 9u);

  // A controller that falls silent: its state says so without any answer, and "Нет связи"
  // goes to the alarms topic; so does the operator's shelving.
  run(3000);
  const std::size_t seen = out.events.size();
  ctl(85).options().neverAnswers = true;
  run(12'000);
  EXPECT_FALSE(parsed(state(85))["link"].flag);
  EXPECT_TRUE(parsed(state(5))["link"].flag);
  bus->alarms.list.shelve(85, 600, "оператор");
  bus->alarms.list.acknowledgeAll("оператор");
  std::vector<std::string> kinds;
  for (std::size_t i = seen; i < out.events.size(); ++i) {
    EXPECT_EQ(out.events[i].first, "vetrostan/h/alarms");
    auto m = parsed(out.events[i].second);
    if (m["number"].number != 85) continue;
    kinds.push_back(m["event"].text + ":" + std::to_string(static_cast<int>(m["number"].number)) +
                    ":" + m["alarm"].text);
  }
  EXPECT_EQ(kinds,
            (std::vector<std::string>{"raise:85:link", "shelve:85:", "acknowledge:85:link"}));

  // A renumbered row leaves its old topics (an empty retained message removes them) and
  // comes under its new number.
  ws->store.config.konfig_n[2] = 171;
  run(2000);
  EXPECT_EQ(out.kept[mqtt::stateTopic("h", 170)], "");
  EXPECT_EQ(out.kept["homeassistant/sensor/vetrostan_h_170/t1/config"], "");
  EXPECT_EQ(parsed(state(171))["row"].number, 2);
  EXPECT_TRUE(parsed(out.kept["homeassistant/sensor/vetrostan_h_171/t1/config"]).count("name"));
  EXPECT_EQ(out.kept["vetrostan/h/hall"],
            R"({"title":"ВЕСТ-RS485","incubators":3,"kolT":2,"numbers":[5,85,171]})");
}

// A remote station that takes the hall from the broker ends up with the same tables as one
// that reads the serving station's shared data file: the same bytes through the same decoding.
TEST_F(MqttHall, RemoteStationThroughTheBrokerShowsWhatTheSharedFileShows) {
  configure = [](TFile_config& c) { c.konfig_s[1].setUtf8("Второй"); };
  ctl(170).setAlarmBits(1u << 2);
  start(1);
  publish();
  run(5000);

  struct Remote {
    testing::ScratchInstall dir;
    ManualClock clock{46000.25};
    SimBus line;
    std::unique_ptr<Workstation> ws;
    std::unique_ptr<BusStation> bus;
    std::vector<std::string> indicator;
    int count = 0;  // the incubator count the settings tab is given
    std::int64_t nowUs = 0;
    explicit Remote(const std::string& folder) {
      testing::writeHallConfig(dir.home / "config.cfg", {1});
      testing::writeIni(dir.home / "Vetrostan.INI",
                        {"[Server]", "ServerP=3", "[Nastr]", "RUN_WIN=0"});
      ws = std::make_unique<Workstation>(dir.home, clock, dir.registry);
      ws->message = [](const std::string&) {};
      bus = std::make_unique<BusStation>(*ws, line);
      ws->startUp();
      bus->link.Server_s = folder;
      bus->station.dan.linkIndicator = [this](bool on, const std::string& text) {
        indicator.push_back(on ? text : "-");
      };
      bus->station.dan.setIncubatorCount = [this](int kol) { count = kol; };
    }
    void run(std::int64_t ms) { testing::runHall(nowUs, 46000.25, line, clock, *bus, ms); }
  };
  Remote byFile(dir.home.string());
  Remote byBroker("/nowhere");
  mqtt::MqttRemote remote(byBroker.bus->station, "h", "mqtt://test");
  bool brokerUp = true;
  byBroker.bus->station.hooks.DanRead = [&] {
    remote.take(out.asRetained());
    remote.DanRead(brokerUp);
  };
  // Without "online" the serving station is away.
  byBroker.run(2000);
  EXPECT_EQ(byBroker.indicator.back(), "нет сети");
  out.kept["vetrostan/h/status"] = "online";
  byFile.run(2000);
  byBroker.run(2000);
  EXPECT_EQ(byBroker.indicator.back(), "-");

  const Station& a = byFile.bus->station;
  const Station& b = byBroker.bus->station;
  ASSERT_EQ(byBroker.count, 3);
  EXPECT_EQ(byFile.count, 3);
  for (std::size_t n = 0; n < kAddresses.size(); ++n) {
    SCOPED_TRACE(n);
    EXPECT_EQ(b.config().konfig_s[n].utf8(), a.config().konfig_s[n].utf8());
    EXPECT_EQ(b.config().konfig_o[n], 1);
    EXPECT_EQ(b.T1[n], 3700 + kAddresses[n]);
    EXPECT_EQ(b.T1k[n], a.T1k[n]);
    EXPECT_EQ(b.T3k[n], a.T3k[n]);
    EXPECT_EQ(b.BL[n], a.BL[n]);
    EXPECT_EQ(b.C2[n], a.C2[n]);
    EXPECT_EQ(b.ZON[n], a.ZON[n]);
    EXPECT_EQ(b.dan.danR.d[n].on, 1);
  }
  EXPECT_EQ(b.config().konfig_s[1].utf8(), "Второй");
  EXPECT_TRUE(b.C2[2] & (1u << 2));
  EXPECT_TRUE(byBroker.bus->alarms.list.find({170, slotKind(2)})) << "alarms as from the bus";

  // The broker gone, or the serving station gone: "нет сети", the tables stay as they were.
  brokerUp = false;
  byBroker.run(1000);
  EXPECT_EQ(byBroker.indicator.back(), "нет сети");
  brokerUp = true;
  out.kept["vetrostan/h/status"] = "offline";
  byBroker.run(1000);
  EXPECT_EQ(byBroker.indicator.back(), "нет сети");
  EXPECT_EQ(b.T1[0], 3705);

  // What the broker hands on is outside input: bad states are passed over, good ones kept.
  out.kept["vetrostan/h/status"] = "online";
  remote.take({{"vetrostan/h/incubator/5/state", R"({"row":0,"number":5,"raw":"!!"})"},
               {"vetrostan/h/incubator/85/state", R"({"row":999,"number":85,"raw":""})"},
               {"vetrostan/h/incubator/170/state", R"({"row":2,"number":171,"raw":""})"},
               {"vetrostan/h/incubator/x/state", "{}"},
               {"vetrostan/h/hall", R"({"incubators":300,"numbers":[1]})"},
               {"vetrostan/other/status", "offline"}});
  byBroker.run(1000);
  EXPECT_EQ(byBroker.indicator.back(), "-");
  EXPECT_EQ(byBroker.count, 3);
  EXPECT_EQ(b.T1[2], 3870);
}

// While the broker is away only the newest state of each topic waits, events to a bound; the
// loss is told once however many attempts fail.
TEST(MqttClient, KeepsOnlyTheNewestWhileTheBrokerIsAway) {
  mqtt::MqttClientOptions o;
  o.broker.host = "127.0.0.1";
  o.broker.port = testing::freePort();
  o.minBackoff = std::chrono::milliseconds(20);
  o.maxBackoff = std::chrono::milliseconds(40);
  o.maxEvents = 100;
  mqtt::MqttClient c(o);
  for (int i = 0; i < 1000; ++i) {
    c.retained("a/state", std::to_string(i));
    c.retained("b/state", std::to_string(i));
  }
  for (int i = 0; i < 250; ++i) c.event("alarms", std::to_string(i));
  EXPECT_EQ(c.waitingRetained(), 2u);
  EXPECT_EQ(c.waitingEvents(), 100u);
  EXPECT_EQ(c.droppedEvents(), 150);
  std::vector<std::string> notices;
  testing::waitFor(
      [&] {
        for (auto& n : c.takeNotices()) notices.push_back(n);
        return notices.size() >= 2;
      },
      3000);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));  // a dozen more attempts
  for (auto& n : c.takeNotices()) notices.push_back(n);
  ASSERT_EQ(notices.size(), 2u);
  // The worker may find the broker away before or after the events overflow.
  if (notices[0].find("отброшены") == std::string::npos) std::swap(notices[0], notices[1]);
  EXPECT_NE(notices[0].find("отброшены"), std::string::npos) << notices[0];
  EXPECT_NE(notices[1].find("нет связи с брокером 127.0.0.1:"), std::string::npos) << notices[1];
  EXPECT_FALSE(c.connected());
}

// An address that takes the connection and never answers: the attempt times out and counts as
// failed; the bus in virtual time sends and decodes exactly what it does without MQTT.
TEST_F(BusHall, KeepsItsPaceWhileTheBrokerBlackHolesOrIsDown) {
  testing::BlackHole hole;
  struct Run {
    long long answers;
    std::uint64_t masterBytes;
  };
  std::vector<std::string> told;
  const auto runWith = [&](const std::string& broker) {
    extraIni = {"[MQTT]", "Broker=" + broker, "Station=h"};
    bus.reset();
    ws.reset();
    start();
    ws->notice = [&told](const std::string& text) { told.push_back(text); };
    mqtt::MqttClientOptions tuning;
    tuning.connackTimeout = std::chrono::milliseconds(200);
    tuning.minBackoff = std::chrono::milliseconds(50);
    bus->startMqtt("pc", tuning);
    EXPECT_EQ(bus->mqtt != nullptr, !broker.empty());
    const std::uint64_t before = sim.counters().masterBytes;
    runMs(20'000);
    if (bus->mqtt) {
      EXPECT_FALSE(bus->mqtt->client().connected());
      // Three states and the hall: nothing piles up.
      EXPECT_EQ(bus->mqtt->client().waitingRetained(), 4u);
      testing::waitFor(
          [&] {
            bus->tick1s();
            return !told.empty();
          },
          3000);
    }
    return Run{st().answerCount, sim.counters().masterBytes - before};
  };
  const Run off = runWith("");
  EXPECT_TRUE(told.empty());
  const Run holed = runWith("127.0.0.1:" + std::to_string(hole.port));
  ASSERT_EQ(told.size(), 1u);
  EXPECT_NE(told[0].find("нет ответа на подключение"), std::string::npos) << told[0];
  told.clear();
  const Run down = runWith("127.0.0.1:" + std::to_string(testing::freePort()));
  ASSERT_EQ(told.size(), 1u);
  EXPECT_NE(told[0].find("нет связи с брокером"), std::string::npos) << told[0];
  EXPECT_GT(off.answers, 50);
  EXPECT_EQ(holed.answers, off.answers);
  EXPECT_EQ(holed.masterBytes, off.masterBytes);
  EXPECT_EQ(down.answers, off.answers);
  EXPECT_EQ(down.masterBytes, off.masterBytes);
}

}  // namespace
}  // namespace vs
