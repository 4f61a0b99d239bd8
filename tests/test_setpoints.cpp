// The setpoint grid and the write engine: what each display type shows, what a double-click
// asks and writes, what a typed value may be, and whole write cycles through the assembled bus
// station over the simulated line in virtual time.
#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/BusStation.h"
#include "config/Workstation.h"
#include "setpoints/SetpointEdit.h"
#include "setpoints/SetpointMap.h"
#include "setpoints/WriteEngine.h"
#include "sim/SimBus.h"
#include "tests/hall_home.h"
#include "tests/hall_time.h"
#include "tests/test_workstation_fixture.h"

namespace vs {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Grid row of a caption (1..35).
int rowOf(std::string_view caption) {
  for (int r = 1; r <= kSetpointRows; ++r)
    if (rowCaption(r) == caption) return r;
  ADD_FAILURE() << "no row " << caption;
  return 0;
}

void setHigh(StationTables& t, int word, int byte) {
  auto& w = t.ZON[0][static_cast<std::size_t>(word)];
  w = static_cast<std::int16_t>((static_cast<std::uint16_t>(w) & 0x00FF) | (byte << 8));
}

TEST(SetpointMap, RowsShowTheirWordsByDisplayType) {
  // Captions are exact, blanks and letters included: row 4 has a Latin T, rows 5, 6 Cyrillic.
  EXPECT_EQ(rowCaption(3), "Нижняя  Темп.");
  EXPECT_EQ(rowCaption(4), "Калибр. T1");
  EXPECT_EQ(rowCaption(5),
            "Калибр. \u0422"
            "2");
  EXPECT_EQ(rowCaption(12), "Влажн. пауза(сек)");
  EXPECT_EQ(rowCaption(24), "Вентиляция вкл-выкл");
  EXPECT_EQ(rowCaption(35), "Задержки по авариям");
  EXPECT_EQ(rowWord(12), 23);
  EXPECT_EQ(rowWord(27), 21);
  EXPECT_EQ(rowWord(34), 33);

  auto t = std::make_unique<StationTables>();
  auto& z = t->ZON[0];
  auto text = [&](int r) { return zonText(*t, 0, r); };

  z[1] = 3750;
  z[3] = -50;
  z[0] = 5;
  EXPECT_EQ(text(2), "37.50");
  EXPECT_EQ(text(4), "-00.50");
  EXPECT_EQ(text(1), "00.05");
  z[23] = -7;
  EXPECT_EQ(text(12), "-7");
  z[6] = 2;
  EXPECT_EQ(text(7), "T3");
  z[19] = 0x0100;  // incubation, ventilation on
  EXPECT_EQ(text(22), "НЕТ");
  EXPECT_EQ(text(24), "ДА");
  z[20] = 1;
  EXPECT_EQ(text(23), "ДА");

  // 9: the sensor byte; CO2 sensor 1 with humidity type 0 is 16 and names no sensor.
  z[21] = 16;
  EXPECT_EQ(text(27), "(16)");
  z[21] = 3;
  EXPECT_EQ(text(27), "(3)HIH50xx+DS18B20 ");
  // 10: the reed-switch alarm is the high byte of word 21, though the row's word is 22.
  setHigh(*t, 21, 1);
  EXPECT_EQ(text(28), "(1)Ав. по герконам");
  setHigh(*t, 21, 7);
  EXPECT_EQ(text(28), "(7)");
  z[25] = 1;
  EXPECT_EQ(text(29), "(1)на размыкание");
  // 12: the stop method is the high byte of word 25; 2 (external control) has no name.
  setHigh(*t, 25, 0);
  EXPECT_EQ(text(30), "(0)по любому");
  setHigh(*t, 25, 2);
  EXPECT_EQ(text(30), "(2)");

  z[22] = static_cast<std::int16_t>(0xBC9E);  // every 30 min for 60 s
  EXPECT_EQ(text(25), "30 мин");
  EXPECT_EQ(text(26), "60 сек");
  z[22] = 0x0C05;  // every 5 hours for 12 minutes
  EXPECT_EQ(text(25), "5 час");
  EXPECT_EQ(text(26), "12 мин");

  // 23 and 24 both read word 26: bit 0 disables the cooling alarm, the high byte & 0x2F is
  // the delay code, shown as "0" when above 5.
  z[26] = 0x1301;
  EXPECT_EQ(text(34), "НЕТ");
  EXPECT_EQ(text(35), "1.5 мин");  // 0x13 & 0x2F = 3
  z[26] = 0x0600;
  EXPECT_EQ(text(34), "ДА");
  EXPECT_EQ(text(35), "0");
  z[26] = static_cast<std::int16_t>(0x8500);  // the bell bit is not part of the code
  EXPECT_EQ(text(35), "3 мин");

  // Versions: 14 and 15 read bit 15 the opposite ways round.
  t->versia_avt[0] = 310;
  t->C2[0] = 1u << 13;
  t->versia_ind[0] = 0x8000 | 105;
  t->versia_xmeg[0] = 0x8000 | 23;
  EXPECT_EQ(text(31), "v310");
  EXPECT_EQ(text(32), "v105");
  EXPECT_EQ(text(33), "V23");
  t->versia_xmeg[0] = 23;
  EXPECT_EQ(text(33), "v23");

  EXPECT_EQ(zonText(*t, 0, 0), "");
  EXPECT_EQ(zonText(*t, 0, 36), "");
  EXPECT_EQ(zonText(*t, -1, 1), "");
  EXPECT_EQ(zonText(*t, 256, 1), "");
}

TEST(SetpointMap, TypedValuesThatDoNotFitTheWordAreRefused) {
  EXPECT_EQ(parseTemperature("37.5"), 3750);
  EXPECT_EQ(parseTemperature(" 37.5 "), 3750);
  EXPECT_EQ(parseTemperature("+38"), 3800);
  EXPECT_EQ(parseTemperature("-0.5"), -50);
  EXPECT_EQ(parseTemperature("0.125"), 12);  // ties go to the even hundredth
  EXPECT_EQ(parseTemperature("0.135"), 14);
  EXPECT_EQ(parseTemperature("327.67"), 32767);
  EXPECT_EQ(parseTemperature("-327.68"), -32768);
  // Once the lowest 16 bits of x 100 were sent: "1000" became 0x86A0, a setpoint of -310.72.
  for (const char* bad : {"1000", "327.68", "-327.69", "37,5", "", " ", "abc", "37.5x", "nan",
                          "inf", "1e400", "--1", "+-1"})
    EXPECT_FALSE(parseTemperature(bad)) << bad;

  EXPECT_EQ(parseWord("-7"), -7);
  EXPECT_EQ(parseWord("32767"), 32767);
  for (const char* bad : {"32768", "-32769", "70000", "1.5", "5 5", "0x10"})
    EXPECT_FALSE(parseWord(bad)) << bad;
  EXPECT_EQ(parseByte("255"), 255);
  EXPECT_FALSE(parseByte("256"));
  EXPECT_FALSE(parseByte("-1"));

  EXPECT_TRUE(fitsWrite(1, -32768));
  EXPECT_TRUE(fitsWrite(1, 65535));
  EXPECT_FALSE(fitsWrite(1, 65536));
  EXPECT_TRUE(fitsWrite(10, 255));
  EXPECT_FALSE(fitsWrite(10, 256));
  EXPECT_FALSE(fitsWrite(211, -1));
}

// Operator boxes answered from a script; what was asked is kept.
struct ScriptedDialogs final : Dialogs {
  std::deque<std::optional<std::string>> inputs;
  std::deque<Answer> answers;
  std::vector<std::string> asked, messages;

  void message(const std::string& text) override { messages.push_back(text); }
  Answer question(const std::string& text, const std::string& title, bool cancel) override {
    asked.push_back(title + "|" + text + (cancel ? "|cancel" : ""));
    if (answers.empty()) return Answer::Cancel;
    const Answer a = answers.front();
    answers.pop_front();
    return a;
  }
  std::optional<std::string> input(const std::string& title, const std::string& prompt,
                                   const std::string& text) override {
    asked.push_back(title + "|" + prompt + "|" + text);
    if (inputs.empty()) return std::nullopt;
    auto v = inputs.front();
    inputs.pop_front();
    return v;
  }
};

TEST(SetpointEdit, EachRowTypeAsksWritesOrOpensItsEditor) {
  auto t = std::make_unique<StationTables>();
  t->ZON[2][6] = 1;
  t->ZON[2][26] = static_cast<std::int16_t>(0x9400);  // bell bit, delay 4
  TWriteCom w{};
  ScriptedDialogs d;
  int dialogs = 0;
  std::vector<std::string> opened;
  SetpointEditHooks hooks;
  hooks.writeDialog = [&] { ++dialogs; };
  hooks.workingSensor = [&](int v, int c, int r) {
    opened.push_back("T " + std::to_string(v) + " " + std::to_string(c) + " " + std::to_string(r));
  };
  hooks.alarmDelay = [&](int v, int c, int r) {
    opened.push_back("D " + std::to_string(v) + " " + std::to_string(c) + " " + std::to_string(r));
  };
  hooks.configWindow = [&](int page) { opened.push_back("K " + std::to_string(page)); };
  hooks.ventilationEditor = [&] { opened.push_back("V"); };
  auto click = [&](int c, int r, const std::string& cell = "") {
    zonTDblClick(c, r, cell, *t, w, d, hooks);
  };

  d.inputs = {"37.5"};
  click(3, rowOf("Рабочая Темп."), "37.80");
  EXPECT_EQ(d.asked.back(), "Изменение уставок|Рабочая Темп.|37.80");
  EXPECT_EQ(dialogs, 1);
  EXPECT_EQ(w.Col, 3);
  EXPECT_EQ(w.Row, 1);
  EXPECT_EQ(w.b, 3750);
  EXPECT_EQ(w.k, 1);

  d.inputs = {"-12"};
  click(2, rowOf("Влажн. пауза(сек)"));  // type 4, word 23
  EXPECT_EQ(w.Row, 23);
  EXPECT_EQ(w.b, 0xFFF4);

  // Refused: not a number, out of the word, cancelled. Nothing is written.
  const TWriteCom before = w;
  d.inputs = {"1000", "abc", "40000", std::nullopt};
  click(1, rowOf("Охл. Темп.  вкл"));
  click(1, rowOf("Охл. Темп.  вкл"));
  click(1, rowOf("Вл. упр. ВЕРХ(%)"));
  click(1, rowOf("Рабочая Темп."));
  EXPECT_EQ(d.messages, std::vector<std::string>(3, kRefused));
  EXPECT_EQ(dialogs, 2);
  EXPECT_EQ(w.Col, before.Col);
  EXPECT_EQ(w.b, before.b);

  // Questions: Yes and No give the item's two values; Cancel writes nothing.
  using A = Dialogs::Answer;
  d.answers = {A::No, A::Yes, A::Cancel, A::Yes};
  click(1, rowOf("Звук вкл-выкл"));
  EXPECT_EQ(d.asked.back(), "Да или НЕТ|Включить или Выключить ЗВУК|cancel");
  EXPECT_EQ(w.Row, 42);
  EXPECT_EQ(w.b, 0);
  EXPECT_EQ(w.k, 10);
  click(1, rowOf("ВЫВОД или инкуб."));
  EXPECT_EQ(d.asked.back(), "Да или НЕТ|Вывод или Инкубация");
  EXPECT_EQ(w.Row, 40);
  EXPECT_EQ(w.b, 1);
  click(1, rowOf("Вентиляция вкл-выкл"));
  EXPECT_EQ(w.Row, 40) << "cancelled";
  click(1, rowOf("Авария на охлажд."));  // Yes means the alarm is on: 0
  EXPECT_EQ(w.Row, 54);
  EXPECT_EQ(w.b, 0);
  EXPECT_EQ(dialogs, 5);

  // The other editors; calibration and versions are read-only; cells outside do nothing.
  for (int r : {7, 35, 27, 28, 29, 30, 25, 26, 4, 5, 6, 31, 32, 33}) click(3, r);
  click(0, 2);
  click(252, 2);
  click(1, 36);
  EXPECT_EQ(opened, (std::vector<std::string>{"T 1 3 7", "D 4 3 35", "K 0", "K 1", "K 2", "K 3",
                                              "V", "V"}));
  EXPECT_EQ(dialogs, 5);
}

// ---------------------------------------------------------------------------------------------
// Whole write cycles: the assembled bus station, three controllers on the simulated line.

const std::vector<std::uint8_t> kAddresses{3, 5, 7};

class WriteHall : public ::testing::Test {
 protected:
  static constexpr double kStart = 46000.25;

  struct Sent {
    std::int64_t ms;
    std::uint8_t to, kind;
    Bytes data;
    bool writing;  // WriteKom.z when it went out
  };

  void SetUp() override {
    for (std::uint8_t a : kAddresses) sim.addController(a);
    testing::writeHallConfig(dir.home / "config.cfg", kAddresses);
    testing::writeIni(dir.home / "Vetrostan.INI",
                      {"[USB]", "usb-Serial_Number=SIM00001", "[Nastr]", "RUN_WIN=0"});
    clock.set(kStart);
    ws = std::make_unique<Workstation>(dir.home, clock, dir.registry);
    ws->message = [this](const std::string& m) { messages.push_back(m); };
    ws->notice = [this](const std::string& m) { notices.push_back(m); };
    bus = std::make_unique<BusStation>(*ws, sim);
    ws->startUp();

    auto send = bus->station.hooks.send;
    bus->station.hooks.send = [this, send](std::uint8_t pol, std::uint8_t kadr,
                                           const std::uint8_t* d, std::uint8_t len) {
      sent.push_back({nowUs / 1000, pol, kadr, Bytes(d, d + len), bus->station.WriteKom.z});
      send(pol, kadr, d, len);
    };
    auto write = bus->codec.write;
    bus->codec.write = [this, write](const std::uint8_t* p, std::int32_t n) {
      wire.emplace_back(p, p + n);
      return write(p, n);
    };
    bus->writer.logChanged = [this] {
      if (!bus->writer.WriteRE.empty()) logAt.push_back({nowUs / 1000, bus->writer.WriteRE.back()});
    };
    bus->writer.closeDialog = [this] { closedAt = nowUs / 1000; };
    hooks.writeDialog = [this] {
      openedAt = nowUs / 1000;
      bus->writer.activate();
    };
    runMs(2000);  // linked, every row answered
  }

  void TearDown() override {
    bus.reset();
    ws.reset();
  }

  void runMs(std::int64_t ms) { testing::runHall(nowUs, kStart, sim, clock, *bus, ms); }

  // A double-click in the grid, as the "Зоны" tab makes it.
  void click(int c, int r) {
    zonTDblClick(c, r, zonText(bus->station, c - 1, r), bus->station, bus->station.WriteKom, dlg,
                 hooks);
  }

  std::vector<std::string> lines() const {
    std::vector<std::string> v;
    for (const auto& [ms, l] : logAt) v.push_back(l);
    return v;
  }
  std::int64_t lineAt(const std::string& l) const {
    for (const auto& [ms, text] : logAt)
      if (text == l) return ms;
    ADD_FAILURE() << "no log line " << l;
    return -1;
  }
  const Sent* firstSent(std::uint8_t kind, std::int64_t fromMs, int dataByte0 = -1) const {
    for (const Sent& s : sent)
      if (s.kind == kind && s.ms >= fromMs && (dataByte0 < 0 || s.data.at(0) == dataByte0))
        return &s;
    return nullptr;
  }
  // Status polls (data byte 0) that went out while a write cycle was on.
  int pollsWhileWriting() const {
    int n = 0;
    for (const Sent& s : sent) n += s.kind == 0 && s.data.at(0) == 0 && s.writing;
    return n;
  }

  testing::ScratchInstall dir;
  ManualClock clock;
  SimBus sim;
  std::unique_ptr<Workstation> ws;
  std::unique_ptr<BusStation> bus;
  std::vector<std::string> messages, notices;
  std::vector<Sent> sent;
  std::vector<Bytes> wire;
  std::vector<std::pair<std::int64_t, std::string>> logAt;
  std::int64_t openedAt = -1, closedAt = -1;
  ScriptedDialogs dlg;
  SetpointEditHooks hooks;
  std::int64_t nowUs = 0;
};

TEST_F(WriteHall, TypedTemperatureIsWrittenCheckedJournalledAndShown) {
  const int r = rowOf("Рабочая Темп.");
  ASSERT_EQ(zonText(bus->station, 1, r), "37.80");
  dlg.inputs = {"37.5"};
  click(2, r);  // incubator 5
  ASSERT_GE(openedAt, 0);
  EXPECT_TRUE(bus->station.WriteKom.z);
  runMs(4000);

  // The write leaves after the 0.5 s pause, exactly once, byte for byte.
  const Sent* w = firstSent(101, openedAt);
  ASSERT_NE(w, nullptr);
  EXPECT_GT(w->ms - openedAt, 500);
  EXPECT_LE(w->ms - openedAt, 800);
  EXPECT_EQ(w->to, 5);
  EXPECT_EQ(w->data, (Bytes{5, 1, 1, 0xA6, 0x0E, 0}));
  int writes = 0;
  for (const Sent& s : sent) writes += s.kind == 101;
  EXPECT_EQ(writes, 1);
  bool onWire = false;
  const Bytes head{0x00, 0x00, 0xAA, 5, 222, 101, 6, 5, 1, 1, 0xA6, 0x0E, 0x00};
  for (const Bytes& b : wire)
    onWire |= b.size() == head.size() + 1 && Bytes(b.begin(), b.end() - 1) == head;
  EXPECT_TRUE(onWire);

  // Both answers moved the engine; the check request went straight to the controller.
  EXPECT_EQ(lines(), (std::vector<std::string>{kLogSent, kLogFirst, kLogCheck, kLogSecond}));
  const Sent* check = firstSent(0, w->ms, 1);
  ASSERT_NE(check, nullptr);
  EXPECT_EQ(check->to, 5);
  EXPECT_EQ(sim.controller(5)->counters().checks, 1u);
  EXPECT_EQ(pollsWhileWriting(), 0);
  EXPECT_FALSE(bus->station.WriteKom.z);
  EXPECT_EQ(bus->station.WrK, 0);
  EXPECT_GE(closedAt, lineAt(kLogSecond));

  // The controller holds it, its answers carry it, the tables and the grid show it.
  EXPECT_EQ(sim.controller(5)->zon(1), 3750);
  EXPECT_EQ(sim.controller(3)->zon(1), 3780);
  EXPECT_EQ(bus->station.ZON[1][1], 3750);
  EXPECT_EQ(zonText(bus->station, 1, r), "37.50");
  EXPECT_NE(dir.journal().find("Запись подтверждена: блок № 5, Рабочая Темп. 37.80 -> 37.50"),
            std::string::npos)
      << dir.journal();

  // Polling has resumed: a poll of every row after the cycle.
  const Sent* resumed = firstSent(0, closedAt, 0);
  ASSERT_NE(resumed, nullptr);
  EXPECT_LE(resumed->ms - closedAt, 1200);

  // An item through a question, the same road: sound off reads back "НЕТ".
  dlg.answers = {Dialogs::Answer::No};
  click(3, rowOf("Звук вкл-выкл"));
  runMs(4000);
  EXPECT_EQ(sim.controller(7)->zon(20) & 1, 0);
  EXPECT_EQ(zonText(bus->station, 2, rowOf("Звук вкл-выкл")), "НЕТ");
  EXPECT_NE(dir.journal().find("блок № 7, Звук вкл-выкл 1 -> 0"), std::string::npos);
  EXPECT_TRUE(notices.empty()) << notices.front();

  // An action command needs no dialog: it is sent, applied and not checked.
  sim.controller(3)->setAlarmBits(0x0020);
  bus->writer.KomAvt(3, 4);
  runMs(1500);
  EXPECT_EQ(sim.controller(3)->actions(), (std::vector<std::uint8_t>{4}));
  EXPECT_EQ(sim.controller(3)->counters().checks, 0u);
  EXPECT_EQ(bus->station.C2[0] & 0x0020, 0);
}

TEST_F(WriteHall, RefusingControllerEndsTheCycleAfterTwoSecondsAndPollingResumes) {
  sim.controller(5)->options().refusesWrites = true;
  dlg.inputs = {"38"};
  click(2, rowOf("Рабочая Темп."));
  runMs(4000);

  EXPECT_EQ(lines(), (std::vector<std::string>{kLogSent, kLogNoFirst}));
  const std::int64_t gave = lineAt(kLogNoFirst) - lineAt(kLogSent);
  EXPECT_GE(gave, 2000);
  EXPECT_LE(gave, 2200);
  EXPECT_FALSE(bus->station.WriteKom.z);
  EXPECT_EQ(closedAt, -1) << "the dialog stays open with its log";
  EXPECT_EQ(pollsWhileWriting(), 0);
  EXPECT_NE(firstSent(0, lineAt(kLogNoFirst), 0), nullptr) << "polling resumed";
  EXPECT_EQ(bus->station.ZON[1][1], 3780);
  // Not confirmed, and said so where a closed dialog cannot hide it.
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_NE(notices[0].find("Запись не выполнена: блок № 5, Рабочая Темп. 37.80 -> 38.00"),
            std::string::npos)
      << notices[0];
  EXPECT_NE(dir.journal().find(kLogNoFirst), std::string::npos);
  EXPECT_EQ(dir.journal().find("Запись подтверждена"), std::string::npos);

  // "Повторить" starts the cycle again, with a fresh log.
  sim.controller(5)->options().refusesWrites = false;
  bus->writer.activate();
  runMs(4000);
  EXPECT_EQ(bus->writer.WriteRE,
            (std::vector<std::string>{kLogSent, kLogFirst, kLogCheck, kLogSecond}));
  EXPECT_EQ(bus->station.ZON[1][1], 3800);
}

TEST_F(WriteHall, ControllerSilentAfterTheFirstAnswerNoLongerStopsPollingForGood) {
  sim.controller(5)->options().silentAfterWrite = 1;  // the check request goes unanswered
  dlg.inputs = {"60"};
  click(2, rowOf("Вл. упр. ВЕРХ(%)"));
  runMs(5000);

  EXPECT_EQ(lines(), (std::vector<std::string>{kLogSent, kLogFirst, kLogCheck, kLogNoSecond}));
  const std::int64_t gave = lineAt(kLogNoSecond) - lineAt(kLogCheck);
  EXPECT_GE(gave, 2000);
  EXPECT_LE(gave, 2200);
  EXPECT_FALSE(bus->station.WriteKom.z);
  EXPECT_EQ(bus->station.WrK, 0);
  EXPECT_EQ(pollsWhileWriting(), 0);
  EXPECT_NE(firstSent(0, lineAt(kLogNoSecond), 0), nullptr) << "polling resumed";
  // The controller took the write; the resumed polls bring it into the tables.
  EXPECT_EQ(bus->station.ZON[1][9], 60);
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_NE(notices[0].find(kLogNoSecond), std::string::npos);
}

TEST_F(WriteHall, StationThatDoesNotOwnTheBusNeitherSendsNorConfirms) {
  for (const bool remote : {true, false}) {
    SCOPED_TRACE(remote ? "remote station" : "second copy");
    bus->station.serverP = remote ? 3 : 0;
    bus->station.observer = !remote;
    dlg.inputs = {"38"};
    click(2, rowOf("Рабочая Темп."));
    // Replayed answers of the shared file reach the decoder as usual.
    RS232_T answer{};
    answer.Otpr = 5;
    answer.Kol_d = 122;
    answer.Dann[0] = 5;
    for (int i = 0; i < 20; ++i) {
      runMs(100);
      bus->station.Obrabotka_Server(1, clock.now(), answer);
    }
    EXPECT_EQ(bus->writer.WriteRE, std::vector<std::string>{kLogNotOwner});
    EXPECT_FALSE(bus->station.WriteKom.z);
    EXPECT_EQ(firstSent(101, openedAt), nullptr);
    EXPECT_EQ(firstSent(0, openedAt, 1), nullptr);
  }
  EXPECT_EQ(notices.size(), 2u);
  EXPECT_EQ(dir.journal().find("Запись подтверждена"), std::string::npos);
}

}  // namespace
}  // namespace vs
