// What the station says on the broker, byte for byte: the "MQTT" settings, base64 of an
// answer, the reader of what comes back from the broker, the state of one incubator, the
// alarm list's changes and the Home Assistant discovery messages.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "config/Settings.h"
#include "config/SettingsFile.h"
#include "mqtt/MqttJson.h"
#include "mqtt/MqttMessages.h"
#include "mqtt/MqttSettings.h"
#include "tests/hall_home.h"
#include "tests/test_workstation_fixture.h"

namespace vs::mqtt {
namespace {

TEST(MqttSettings, BrokerAddressesAndNamesFitForTopics) {
  struct Case {
    std::string text, host;
    int port;  // 0: refused
  };
  const std::vector<Case> cases = {
      {"broker.local", "broker.local", 1883},
      {" 10.0.0.5:8883 ", "10.0.0.5", 8883},
      {"[::1]:1884", "::1", 1884},
      {"[fe80::1]", "fe80::1", 1883},
      {"host:65535", "host", 65535},
      {"host:0", "", 0},
      {"host:65536", "", 0},
      {"host:", "", 0},
      {"host:12x", "", 0},
      {"::1:1883", "", 0},
      {"[::1", "", 0},
      {"[::1]x", "", 0},
      {":1883", "", 0},
      {"a b:1", "", 0},
      {"a/b", "", 0},
  };
  for (const Case& c : cases) {
    std::string host, why;
    int port = 0;
    const bool ok = parseBroker(c.text, host, port, why);
    EXPECT_EQ(ok, c.port != 0) << c.text << ": " << why;
    if (!ok) {
      EXPECT_FALSE(why.empty()) << c.text;
      continue;
    }
    EXPECT_EQ(host, c.host) << c.text;
    EXPECT_EQ(port, c.port) << c.text;
  }

  // Read from the settings file; the hall takes the host name unless named.
  testing::ScratchInstall dir;
  const auto ini = dir.home / "Vetrostan.INI";
  testing::writeIni(ini, {"[mqtt]", "broker=[::1]:1884", "User=op", "Password=p;w", "TLS=1",
                          "CAFile=/etc/ca.pem", "HomeAssistant=1", "Subscribe=Цех 2"});
  Settings s;
  loadSettings(ini, s, nullptr);
  MqttSettings m = mqttSettings(s, "pc/with#odd+name");
  EXPECT_TRUE(m.enabled()) << m.problem;
  EXPECT_EQ(m.brokerText(), "[::1]:1884");
  EXPECT_EQ(m.station, "pc_with_odd_name");
  EXPECT_EQ(m.user, "op");
  EXPECT_EQ(m.password, "p;w");
  EXPECT_TRUE(m.tls);
  EXPECT_EQ(m.caFile, "/etc/ca.pem");
  EXPECT_TRUE(m.homeAssistant);
  EXPECT_EQ(m.subscribe, "Цех 2");

  // Off without a broker; a name that would break the topics turns it off with a reason.
  EXPECT_FALSE(mqttSettings(Settings{}, "pc").enabled());
  EXPECT_TRUE(mqttSettings(Settings{}, "pc").problem.empty());
  s.mqttStation = "hall/1";
  m = mqttSettings(s, "pc");
  EXPECT_FALSE(m.enabled());
  EXPECT_NE(m.problem.find("Station=hall/1"), std::string::npos) << m.problem;
  s.mqttStation = "hall1";
  s.mqttSubscribe = "#";
  EXPECT_FALSE(mqttSettings(s, "pc").enabled());
  s.mqttSubscribe.clear();
  s.mqttBroker = "host:99999";
  m = mqttSettings(s, "pc");
  EXPECT_FALSE(m.enabled());
  EXPECT_NE(m.problem.find("Broker=host:99999"), std::string::npos) << m.problem;
}

TEST(MqttJson, Base64BothWaysAndRefusals) {
  const std::vector<std::pair<std::string, std::string>> vectors = {
      {"", ""},
      {"f", "Zg=="},
      {"fo", "Zm8="},
      {"foo", "Zm9v"},
      {"foob", "Zm9vYg=="},
      {"foobar", "Zm9vYmFy"},
      {std::string("\xff\xfe\x00\x01", 4), "//4AAQ=="},
  };
  for (const auto& [plain, coded] : vectors) {
    const std::vector<std::uint8_t> bytes(plain.begin(), plain.end());
    EXPECT_EQ(base64(bytes.data(), bytes.size()), coded);
    std::vector<std::uint8_t> back;
    ASSERT_TRUE(unbase64(coded, back)) << coded;
    EXPECT_EQ(back, bytes) << coded;
  }
  std::vector<std::uint8_t> out;
  for (const char* bad : {"Zg=", "Zg=a", "Z===", "Zm9v!A==", "=AAA", "Zg==Zg==", "Zm 9"})
    EXPECT_FALSE(unbase64(bad, out)) << bad;
}

TEST(MqttJson, ReadsFlatObjectsAndRefusesWhatIsNotWellFormed) {
  const auto m = readJsonObject(
      R"( {"a":1,"b":-37.52e0,"s":"x\"\\\/\u0416\ud83d\ude00\n","t":true,"f":false,"n":null,)"
      R"("arr":[1,{"x":[2,3]},"]"],"o":{},"a":2} )");
  ASSERT_TRUE(m);
  EXPECT_EQ(m->at("a").number, 1) << "the first of a repeated name counts";
  EXPECT_DOUBLE_EQ(m->at("b").number, -37.52);
  EXPECT_EQ(m->at("s").text, "x\"\\/Ж\xF0\x9F\x98\x80\n");
  EXPECT_TRUE(m->at("t").flag);
  EXPECT_EQ(m->at("f").kind, JsonValue::Kind::Bool);
  EXPECT_FALSE(m->at("f").flag);
  EXPECT_EQ(m->at("n").kind, JsonValue::Kind::Null);
  EXPECT_EQ(m->at("arr").kind, JsonValue::Kind::Nested);
  EXPECT_EQ(m->at("o").kind, JsonValue::Kind::Nested);

  std::string deep = R"({"a":)";
  for (int i = 0; i < 40; ++i) deep += '[';
  for (int i = 0; i < 40; ++i) deep += ']';
  deep += '}';
  for (const std::string& bad : std::vector<std::string>{
           "", "[]", "{", "{}x", R"({"a"})", R"({"a":})", R"({"a":1,})", R"({'a':1})",
           R"({"a":01x})", R"({"a":"\x"})", R"({"a":"\ud800"})", R"({"a":"\udc00"})",
           "{\"a\":\"ctl\x01\"}", R"({"a":tru})", R"({"a":[1,]})", R"({"a":"open)", deep})
    EXPECT_FALSE(readJsonObject(bad)) << bad;
  EXPECT_TRUE(readJsonObject("{}"));
}

struct Row : ::testing::Test {
  StationTables t;
  std::unique_ptr<TFile_config> cfg = std::make_unique<TFile_config>();
  RowAnswer answer;

  void SetUp() override {
    cfg->konfig_n[1] = 7;
    cfg->konfig_s[1].setUtf8("Инкубатор \"7\"");
    cfg->konfig_o[1] = 1;
    t.T1k[1] = 3752;
    t.T2k[1] = -5;
    t.T3k[1] = 3800;
    t.BL[1] = 55;
    t.ZON_[1][0] = 3780;  // T above 37.80 is above its zone
    t.ZON_[1][2] = 3700;
    t.ZON_[1][7] = 60;
    t.ZON_[1][8] = 50;
    answer.time = 46000.25 + 5.0 / 86400;  // 09.12.2025 06:00:05
    answer.length = 4;
    answer.data = {5, 0xFF, 0, 0x80};
  }
};

TEST_F(Row, StateCarriesNumbersAsNumbersAndNullForAFaultySensor) {
  t.C2[1] = (1u << 2) | (1u << 9) | (1u << 14) | (1u << 11);  // T above; cut-off (9 and 14)
  EXPECT_EQ(stateJson(t, *cfg, 1, 2, true, answer),
            R"({"row":1,"number":7,"name":"Инкубатор \"7\"","polled":true,"link":true,)"
            R"("answered":true,"t1":37.52,"z1":"within","t2":null,"z2":"below","t3":38.00,)"
            R"("z3":"above","humidity":55,"zh":"within","trays":"00:00 +","alarms":[)"
            R"({"bit":2,"caption":"Темп. выше зоны"},{"bit":9,"caption":"Сработал отсекатель"}],)"
            R"("lastAnswer":"2025-12-09T06:00:05","raw":"Bf8AgA=="})");

  // T1 and the humidity are one sensor; extra temperatures follow the table's columns.
  t.C2[1] = 1u << 10;
  t.C3[1] = 1u << 9;  // a damper board
  t.ugol[1] = 45;
  EXPECT_EQ(stateJson(t, *cfg, 1, 0, false, answer),
            R"({"row":1,"number":7,"name":"Инкубатор \"7\"","polled":true,"link":false,)"
            R"("answered":true,"t1":null,"z1":"within","humidity":null,"zh":"within",)"
            R"("damper":45,"trays":"00:00 +","alarms":[],)"
            R"("lastAnswer":"2025-12-09T06:00:05","raw":"Bf8AgA=="})");

  // A row that never answered says so instead of showing zeros.
  EXPECT_EQ(stateJson(t, *cfg, 1, 0, false, RowAnswer{}),
            R"({"row":1,"number":7,"name":"Инкубатор \"7\"","polled":true,"link":false,)"
            R"("answered":false,"t1":null,"z1":"within","humidity":null,"zh":"within",)"
            R"("trays":"","alarms":[],"lastAnswer":null,"raw":""})");
  EXPECT_TRUE(readJsonObject(stateJson(t, *cfg, 1, 2, true, answer)));
}

TEST_F(Row, HallAlarmChangesAndDiscovery) {
  cfg->konfig_n[0] = 3;
  EXPECT_EQ(hallJson(*cfg, 2, 1),
            R"({"title":"ВЕСТ-RS485","incubators":2,"kolT":1,"numbers":[3,7]})");
  EXPECT_EQ(stateTopic("Цех 1", 7), "vetrostan/Цех 1/incubator/7/state");
  EXPECT_EQ(statusTopic("h"), "vetrostan/h/status");
  EXPECT_EQ(alarmsTopic("h"), "vetrostan/h/alarms");

  AlarmChange c;
  c.type = AlarmChange::Type::Acknowledge;
  c.key = {7, slotKind(2)};
  c.name = "Инк 7";
  c.time = answer.time;
  c.raised = 46000.25;
  c.author = "оператор";
  EXPECT_EQ(alarmChangeJson(c), R"({"event":"acknowledge","number":7,"name":"Инк 7","alarm":"z2",)"
                                R"("caption":"Темп. выше зоны","time":"2025-12-09T06:00:05",)"
                                R"("raised":"2025-12-09T06:00:00","author":"оператор"})");
  c.type = AlarmChange::Type::Shelve;
  c.until = 46000.5;
  EXPECT_EQ(alarmChangeJson(c),
            R"({"event":"shelve","number":7,"name":"Инк 7","time":"2025-12-09T06:00:05",)"
            R"("author":"оператор","until":"2025-12-09T12:00:00"})");
  c.type = AlarmChange::Type::Raise;
  c.key = {0, AlarmKind::Usb};
  c.name.clear();
  EXPECT_EQ(alarmChangeJson(c), R"({"event":"raise","number":0,"name":"","alarm":"usb",)"
                                R"("caption":"USB не работает","time":"2025-12-09T06:00:05",)"
                                R"("raised":"2025-12-09T06:00:00"})");

  EXPECT_EQ(identifier("Цех 1"), "_d0_a6_d0_b5_d1_85_201");
  EXPECT_NE(identifier("a_b"), identifier("a b"));
  const auto d = discoveryMessages("Цех 1", 7, "", 1);
  ASSERT_EQ(d.size(), 4u) << "T1, T2, humidity, link";
  const std::string dev = "vetrostan__d0_a6_d0_b5_d1_85_201_7";
  EXPECT_EQ(d[0].first, "homeassistant/sensor/" + dev + "/t1/config");
  EXPECT_EQ(d[0].second,
            R"({"name":"T1","unique_id":")" + dev + R"(_t1","object_id":")" + dev +
                R"(_t1","state_topic":"vetrostan/Цех 1/incubator/7/state",)"
                R"("value_template":"{{ value_json.t1 }}","device_class":"temperature",)"
                R"("unit_of_measurement":"°C","state_class":"measurement",)"
                R"("availability_topic":"vetrostan/Цех 1/status","payload_available":"online",)"
                R"("payload_not_available":"offline","device":{"identifiers":[")" +
                dev +
                R"("],"name":"Инкубатор 7","model":"Инкубатор №7","suggested_area":"Цех 1"}})");
  EXPECT_EQ(d[3].first, "homeassistant/binary_sensor/" + dev + "/link/config");
  const auto link = readJsonObject(d[3].second);
  ASSERT_TRUE(link);
  EXPECT_EQ(link->at("value_template").text, "{{ 'ON' if value_json.link else 'OFF' }}");
  EXPECT_EQ(link->count("unit_of_measurement"), 0u);
  EXPECT_EQ(discoveryTopics("Цех 1", 7).size(), 5u) << "every entity, for removal";
}

}  // namespace
}  // namespace vs::mqtt
