// The controller configuration window's engine on the assembled bus station over the simulated
// line in virtual time: what the pages show of a controller's answer (hidden tick boxes
// included), what each "Записать" sends and journals, and the two service commands that go to
// the service address only after the operator's Yes.
#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "app/BusStation.h"
#include "config/Workstation.h"
#include "setpoints/NastrD.h"
#include "setpoints/SetpointMap.h"
#include "sim/SimBus.h"
#include "tests/hall_home.h"
#include "tests/hall_time.h"
#include "tests/test_workstation_fixture.h"

namespace vs {
namespace {

struct ScriptedDialogs final : Dialogs {
  std::deque<Answer> answers;
  std::vector<std::string> questions;
  std::vector<std::string> messages;
  void message(const std::string& text) override { messages.push_back(text); }
  Answer question(const std::string& text, const std::string& title, bool) override {
    questions.push_back(title + ": " + text);
    if (answers.empty()) return Answer::Cancel;
    const Answer a = answers.front();
    answers.pop_front();
    return a;
  }
  std::optional<std::string> input(const std::string&, const std::string&,
                                   const std::string&) override {
    return std::nullopt;
  }
};

class NastrHall : public ::testing::Test {
 protected:
  static constexpr double kStart = 46000.25;

  void SetUp() override {
    for (std::uint8_t a : {3, 5, 7}) sim.addController(a);
    testing::writeHallConfig(dir.home / "config.cfg", {3, 5, 7});
    testing::writeIni(dir.home / "Vetrostan.INI",
                      {"[USB]", "usb-Serial_Number=SIM00001", "[Nastr]", "RUN_WIN=0"});
    clock.set(kStart);
    ws = std::make_unique<Workstation>(dir.home, clock, dir.registry);
    bus = std::make_unique<BusStation>(*ws, sim);
    ws->startUp();
    auto send = bus->station.hooks.send;
    bus->station.hooks.send = [this, send](std::uint8_t pol, std::uint8_t kadr,
                                           const std::uint8_t* d, std::uint8_t len) {
      if (kadr != 0) sent.push_back({pol, kadr, std::vector<std::uint8_t>(d, d + len)});
      send(pol, kadr, d, len);
    };
    ed = std::make_unique<NastrD>(bus->station);
    ed->dialogs = &dlg;
    ed->journal = [this](const std::string& l) { ws->journal.Err(l); };
    ed->writeDialog = [this] { return testing::runWriteDialog(nowUs, kStart, sim, clock, *bus); };
    bus->station.listeners.add(StatusStep::ConfigWindow, [this](const StatusEvent& e) {
      if (ed->Okno_NastrD) ed->OprosK(e.nk);
    });
    runMs(2000);
  }

  void TearDown() override {
    bus.reset();
    ws.reset();
  }

  void runMs(std::int64_t ms) { testing::runHall(nowUs, kStart, sim, clock, *bus, ms); }

  struct Sent {
    std::uint8_t to;
    std::uint8_t kind;
    std::vector<std::uint8_t> data;
    bool operator==(const Sent&) const = default;
  };

  testing::ScratchInstall dir;
  ManualClock clock;
  SimBus sim;
  std::unique_ptr<Workstation> ws;
  std::unique_ptr<BusStation> bus;
  std::unique_ptr<NastrD> ed;
  ScriptedDialogs dlg;
  std::vector<Sent> sent;
  std::int64_t nowUs = 0;
};

TEST_F(NastrHall, PagesFollowTheControllerAndEachZapisatWritesItsItem) {
  SimController& c5 = *sim.controller(5);
  c5.setC4(0x22);  // damper boxes and the bell box shown
  c5.setC3(static_cast<std::uint16_t>(c5.word(StatusAt::C3) | 0x0200));  // dampers fitted
  c5.setZon(26, static_cast<std::int16_t>(0x9001));  // delay byte 0x90, no cooling alarms
  c5.setZon(27, 0x4584);  // model 5, humidity by damper; motor 120 rpm, heater off
  ed->nk_Opros = 1;
  ed->activate();
  runMs(2000);
  EXPECT_EQ(ed->caption.rfind(kNastrCaptionFor, 0), 0u) << ed->caption;
  EXPECT_EQ(ed->numberLabel, "5");
  EXPECT_EQ(ed->state.delay, 0);  // 0x90 & 0x2F
  EXPECT_TRUE(ed->state.bell);
  EXPECT_EQ(ed->state.cooling, 1);
  EXPECT_EQ(ed->state.motor, 4);
  EXPECT_TRUE(ed->state.motorHeaterOff);
  EXPECT_FALSE(ed->state.motorHidden);
  EXPECT_EQ(ed->state.model, 5);
  EXPECT_TRUE(ed->state.humByDamper);
  EXPECT_TRUE(ed->state.dampers);

  // Without C4 bits 1 and 5 the damper box reads unticked and the bell box ticked.
  c5.setC4(0);
  c5.setZon(26, 0x0001);
  runMs(2000);
  EXPECT_FALSE(ed->state.damperBoxesShown);
  EXPECT_FALSE(ed->state.dampers);
  EXPECT_FALSE(ed->state.bellShown);
  EXPECT_TRUE(ed->state.bell);

  // While editing the controls keep what the operator chose.
  ed->setEditing(true);
  ed->state.humSensor = 4;  // "Si7021-i2s"
  ed->state.co2Sensor = 2;  // "СО2 = CDM7160"
  c5.setZon(21, 0x0100);
  runMs(2000);
  EXPECT_EQ(ed->state.humSensor, 4);
  ed->Zapisat(NPage::Sensors);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0], (Sent{5, 101, {5, 10, 44, 0x24, 0, 0}}));
  EXPECT_EQ(c5.zon(21) & 0xFF, 0x24);

  // The hidden bell box writes bit 7 whatever it holds.
  ed->state.delay = 3;  // "1 мин 30 сек"
  ed->state.bell = false;
  ed->Zapisat(NPage::Delay);
  EXPECT_EQ(sent.back().data, (std::vector<std::uint8_t>{5, 10, 55, 0x83, 0, 0}));
  EXPECT_EQ(static_cast<std::uint16_t>(c5.zon(26)) >> 8, 0x83);

  ed->state.motor = 4;  // "120 об. в мин"
  ed->state.motorHeaterOff = true;
  ed->state.motorHidden = false;
  ed->Zapisat(NPage::Motor);
  EXPECT_EQ(sent.back().data, (std::vector<std::uint8_t>{5, 10, 56, 0x84, 0, 0}));

  // "есть заслонки" counts only while shown.
  ed->state.model = 3;
  ed->state.dampers = true;
  ed->state.humByDamper = false;
  ed->Zapisat(NPage::Model);
  EXPECT_EQ(sent.back().data, (std::vector<std::uint8_t>{5, 10, 57, 0x03, 0, 0}));

  ed->state.vent = 2;
  ed->Zapisat(NPage::Vent);
  EXPECT_EQ(c5.zon(31) & 0xFF, 2);
  ed->state.trayStop = 2;
  ed->Zapisat(NPage::StopMode);
  EXPECT_EQ(static_cast<std::uint16_t>(c5.zon(25)) >> 8, 2);

  // A code with no entry is refused; nothing leaves.
  const std::size_t before = sent.size();
  ed->state.vent = -1;
  ed->Zapisat(NPage::Vent);
  EXPECT_EQ(sent.size(), before);
  EXPECT_EQ(dlg.messages, std::vector<std::string>{kRefused});

  // A controller that never answers the write gets no line of the window.
  c5.options().refusesWrites = true;
  ed->state.polarity = 1;
  ed->Zapisat(NPage::Polarity);
  EXPECT_EQ(sent.size(), before + 1);

  const std::string j = dir.journal();
  for (const char* line :
       {"КОНФИГУРАЦИЯ! Запись Тип Датчиков=24", "КОНФИГУРАЦИЯ! Запись Задержка Аварий=83",
        "КОНФИГУРАЦИЯ! Запись Мотор=84", "КОНФИГУРАЦИЯ! Запись Тип Блока=03",
        "КОНФИГУРАЦИЯ! Запись Вентиляция=2", "КОНФИГУРАЦИЯ! Запись Способ Отключения лотков=2"})
    EXPECT_NE(j.find(line), std::string::npos) << line << "\n" << j;
  EXPECT_EQ(j.find("Полярность Концевиков="), std::string::npos) << j;
}

TEST_F(NastrHall, ServiceCommandsGoToAddressZeroOnlyAfterYes) {
  SimController* c3 = sim.controller(3);
  SimController& c5 = *sim.controller(5);
  ed->nk_Opros = 1;
  ed->activate();
  ed->setEditing(true);
  ed->state.humSensor = 4;
  ed->Zapisat(NPage::Sensors);
  ASSERT_EQ(c5.zon(21) & 0x0F, 4);
  sent.clear();

  // The bus number needs its toggle; a page change releases it.
  ed->busNumber = "9";
  ed->writeBusNumber();
  ed->busEnabled = true;
  ed->setPage(NPage::Trays);
  EXPECT_FALSE(ed->busEnabled);
  ed->writeBusNumber();
  EXPECT_TRUE(dlg.questions.empty());

  // Refusing the factory reset sends nothing; Yes resets every controller on the line.
  dlg.answers = {Dialogs::Answer::No, Dialogs::Answer::Yes};
  ed->factoryReset();
  runMs(500);
  EXPECT_TRUE(sent.empty());
  ed->factoryReset();
  runMs(1000);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0], (Sent{0, 120, {0}}));
  EXPECT_NE(c5.zon(21) & 0x0F, 4);

  // Numbers the controllers do not take are refused before the question.
  ed->busEnabled = true;
  for (const char* bad : {"0", "252", "x"}) {
    ed->busNumber = bad;
    ed->writeBusNumber();
  }
  EXPECT_EQ(dlg.messages, std::vector<std::string>(3, kRefused));
  ed->busNumber = "9";
  dlg.answers = {Dialogs::Answer::Yes};
  ed->writeBusNumber();
  runMs(1000);
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[1], (Sent{0, 100, {9}}));
  EXPECT_EQ(c3->address(), 9);
  ASSERT_EQ(dlg.questions.size(), 3u);
  EXPECT_EQ(dlg.questions[0], std::string(kYesNoTitle) + ": " + kFactoryQuestion);
  EXPECT_EQ(dlg.questions[2], std::string(kYesNoTitle) + ": " + kBusNumberQuestion);

  const std::string j = dir.journal();
  EXPECT_NE(j.find("КОНФИГУРАЦИЯ! Заводские значения"), std::string::npos) << j;
  EXPECT_NE(j.find("КОНФИГУРАЦИЯ! Запись Номера Блока=9"), std::string::npos) << j;
}

}  // namespace
}  // namespace vs
