// The parameter editor and its two small dialogs: the step buttons' hold-to-repeat and wrap
// driven tick by tick, and whole writes through the assembled bus station over the simulated
// line in virtual time (what goes out, what is refused, what the journal gets).
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/BusStation.h"
#include "config/Workstation.h"
#include "setpoints/ParamEditor.h"
#include "setpoints/SetpointMap.h"
#include "setpoints/WriteEngine.h"
#include "sim/SimBus.h"
#include "tests/hall_home.h"
#include "tests/hall_time.h"
#include "tests/test_workstation_fixture.h"

namespace vs {
namespace {

struct NoteDialogs final : Dialogs {
  std::vector<std::string> messages;
  void message(const std::string& text) override { messages.push_back(text); }
  Answer question(const std::string&, const std::string&, bool) override { return Answer::Cancel; }
  std::optional<std::string> input(const std::string&, const std::string&,
                                   const std::string&) override {
    return std::nullopt;
  }
};

class ParamHall : public ::testing::Test {
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
      if (kadr == 101) writes.push_back({pol, std::vector<std::uint8_t>(d, d + len)});
      send(pol, kadr, d, len);
    };
    ed = std::make_unique<ParamEditor>(bus->station);
    ed->dialogs = &dlg;
    ed->journal = [this](const std::string& l) { ws->journal.Err(l); };
    ed->writeDialog = [this] { return testing::runWriteDialog(nowUs, kStart, sim, clock, *bus); };
    bus->station.listeners.add(StatusStep::ParamEditor, [this](const StatusEvent& e) {
      if (ed->Okno_ParamWrite) ed->ReadBL(e.nk);
    });
    runMs(2000);
  }

  void TearDown() override {
    bus.reset();
    ws.reset();
  }

  void runMs(std::int64_t ms) { testing::runHall(nowUs, kStart, sim, clock, *bus, ms); }
  ParamEditor::Value& f(PField p) { return ed->fields[static_cast<std::size_t>(p)]; }

  struct Write {
    std::uint8_t to;
    std::vector<std::uint8_t> data;
  };

  testing::ScratchInstall dir;
  ManualClock clock;
  SimBus sim;
  std::unique_ptr<Workstation> ws;
  std::unique_ptr<BusStation> bus;
  std::unique_ptr<ParamEditor> ed;
  NoteDialogs dlg;
  std::vector<Write> writes;
  std::int64_t nowUs = 0;
};

TEST_F(ParamHall, StepButtonsRepeatWhileHeldAndWrapAtTheEnds) {
  ed->activate();
  ASSERT_EQ(f(PField::Working).text, "37.8");

  // "++" held 1.5 s: ten ticks counted, the first auto step on the 12th, then one a tick, and
  // the click after the release one more.
  std::vector<std::string> seen;
  ed->press(PField::Working, true, true);
  for (int t = 1; t <= 15; ++t) {
    ed->Timer100();
    seen.push_back(f(PField::Working).text);
  }
  ed->release();
  ed->Timer100();  // released: nothing more
  ed->click(PField::Working, true, true);
  EXPECT_EQ(std::vector<std::string>(seen.begin(), seen.begin() + 11),
            std::vector<std::string>(11, "37.8"));
  EXPECT_EQ(std::vector<std::string>(seen.begin() + 11, seen.end()),
            (std::vector<std::string>{"38.8", "39.8", "40.8", "41.8"}));
  EXPECT_EQ(f(PField::Working).text, "42.8");

  // A short click is one step; tenths add up without binary tails.
  f(PField::CoolOn).text = "37.7";
  ed->press(PField::CoolOn, true, false);
  ed->release();
  ed->click(PField::CoolOn, true, false);
  EXPECT_EQ(f(PField::CoolOn).text, "37.8");

  // Above 100 becomes 0; below 0 becomes 99, not 100; held too.
  f(PField::Upper).text = "99.95";
  ed->click(PField::Upper, true, false);
  EXPECT_EQ(f(PField::Upper).text, "0");
  f(PField::Lower).text = "0.05";
  ed->click(PField::Lower, false, false);
  EXPECT_EQ(f(PField::Lower).text, "99");
  f(PField::CoolOff).text = "0.5";
  ed->press(PField::CoolOff, false, true);
  for (int t = 0; t < 12; ++t) ed->Timer100();
  ed->release();
  EXPECT_EQ(f(PField::CoolOff).text, "99");
  EXPECT_EQ(f(PField::Lower).text, "99") << "only the held field moves";

  // A text that is not a number stops the step, and the operator is told.
  f(PField::Working).text = "37,8";
  ed->press(PField::Working, true, false);
  EXPECT_FALSE(ed->kB);
  for (int t = 0; t < 20; ++t) ed->Timer100();
  ed->click(PField::Working, true, false);
  EXPECT_EQ(f(PField::Working).text, "37,8");
  EXPECT_EQ(dlg.messages, std::vector<std::string>(2, kRefused));
}

TEST_F(ParamHall, FieldsFollowTheLiveValuesUnlessEditingAndNavigateRound) {
  ed->activate();
  EXPECT_EQ(ed->caption, std::string(kParamCaption) + " -> " + testing::hallName(3));
  EXPECT_EQ(ed->numberLabel, "3");
  ed->prev();  // from the first to the last
  EXPECT_EQ(ed->nk_Opros, 2);
  EXPECT_EQ(ed->numberLabel, "7");
  ed->next();  // from the last to the first
  ed->next();
  EXPECT_EQ(ed->numberLabel, "5");

  sim.controller(5)->setZon(22, static_cast<std::int16_t>(0xBC9E));  // 30 мин, 60 сек
  sim.controller(5)->setZon(19, 0x0101);                             // hatching, ventilation on
  sim.controller(5)->setZon(6, 2);
  runMs(3000);
  EXPECT_EQ(f(PField::VentPeriod).text, "30");
  EXPECT_EQ(f(PField::VentPeriod).index, 1);
  EXPECT_EQ(f(PField::VentRun).text, "60");
  EXPECT_EQ(f(PField::VentRun).index, 1);
  EXPECT_EQ(f(PField::VentOn).index, 1);
  EXPECT_EQ(f(PField::TraysOn).index, 0);  // "Нет(ВЫВОД)"
  EXPECT_EQ(f(PField::Sensor).index, 2);

  // "Редактировать" down: answers leave the fields as the operator has them.
  ed->editing = true;
  f(PField::Heater).text = "55";
  sim.controller(5)->setZon(1, 3700);
  runMs(3000);
  EXPECT_EQ(f(PField::Working).text, "37.8");
  EXPECT_EQ(f(PField::Heater).text, "55");
  ed->editing = false;
  runMs(3000);
  EXPECT_EQ(f(PField::Working).text, "37");
  EXPECT_NE(f(PField::Heater).text, "55");

  // An arrow while "Редактировать" is down releases it and shows the next incubator's values,
  // so that what was typed for incubator 5 is never written to 7.
  sim.controller(7)->setZon(12, 33);
  runMs(3000);
  ed->editing = true;
  f(PField::Heater).text = "55";
  ed->next();
  EXPECT_FALSE(ed->editing);
  EXPECT_EQ(ed->numberLabel, "7");
  EXPECT_EQ(f(PField::Heater).text, "33");
}

TEST_F(ParamHall, EachZapisWritesItsEncodingAndJournalsOnceConfirmed) {
  ed->nk_Opros = 1;  // incubator 5
  ed->activate();
  ed->editing = true;

  // A stepped working temperature goes out as x 100 and is journalled with the field's text.
  ed->click(PField::Working, true, false);
  ed->Zapis(PField::Working);
  ASSERT_EQ(writes.size(), 1u);
  EXPECT_EQ(writes[0].to, 5);
  EXPECT_EQ(writes[0].data, (std::vector<std::uint8_t>{5, 1, 1, 0xCE, 0x0E, 0}));  // 3790
  EXPECT_EQ(sim.controller(5)->zon(1), 3790);

  // Ventilation period 12 "мин": item 46 = 140; "час": 12. Run 45 "сек": item 47 = 173.
  f(PField::VentPeriod) = {"12", 1};
  ed->Zapis(PField::VentPeriod);
  f(PField::VentRun) = {"45", 1};
  ed->Zapis(PField::VentRun);
  EXPECT_EQ(static_cast<std::uint16_t>(sim.controller(5)->zon(22)), 0xAD8C);
  f(PField::VentPeriod) = {"12", 0};
  ed->Zapis(PField::VentPeriod);
  EXPECT_EQ(writes.back().data, (std::vector<std::uint8_t>{5, 10, 46, 12, 0, 0}));

  // Trays "Да" is item 40 = 0; heater power and the working sensor are words 12 and 6.
  sim.controller(5)->setZon(19, 1);
  f(PField::TraysOn).index = 1;
  ed->Zapis(PField::TraysOn);
  EXPECT_EQ(writes.back().data, (std::vector<std::uint8_t>{5, 10, 40, 0, 0, 0}));
  EXPECT_EQ(sim.controller(5)->zon(19) & 1, 0);
  f(PField::Heater).text = "80";
  ed->Zapis(PField::Heater);
  f(PField::Sensor).index = 1;
  ed->Zapis(PField::Sensor);
  EXPECT_EQ(sim.controller(5)->zon(6), 1);
  f(PField::Upper).text = "38.3";
  ed->Zapis(PField::Upper);  // confirmed, but this field has no line of its own
  EXPECT_EQ(sim.controller(5)->zon(0), 3830);

  // Refused: not a number, beyond the word, ventilation beyond 0..99; nothing leaves.
  const std::size_t sent = writes.size();
  f(PField::Working).text = "1000";
  ed->Zapis(PField::Working);
  f(PField::CoolOn).text = "x";
  ed->Zapis(PField::CoolOn);
  f(PField::HumPause).text = "70000";
  ed->Zapis(PField::HumPause);
  f(PField::VentRun) = {"100", 0};
  ed->Zapis(PField::VentRun);
  EXPECT_EQ(writes.size(), sent);
  EXPECT_EQ(dlg.messages, std::vector<std::string>(4, kRefused));

  // An incubator no longer in the list: told, nothing queued.
  ed->nk_Opros = 3;
  ed->Zapis(PField::Heater);
  EXPECT_EQ(writes.size(), sent);
  EXPECT_EQ(dlg.messages.back(), kLogNoRow);
  ed->nk_Opros = 1;

  // A write the controller never answers gets no line of the editor.
  sim.controller(5)->options().refusesWrites = true;
  f(PField::CoolRun).text = "65535";
  ed->Zapis(PField::CoolRun);
  EXPECT_EQ(writes.size(), sent + 1);

  const std::string j = dir.journal();
  for (const char* line : {"Рабочая ТЕМП=37.9", "лотки ВКЛЮЧЕНЫ", "ТЭН=80%", "Рабочий датчик Т=2"})
    EXPECT_NE(j.find(line), std::string::npos) << line << "\n" << j;
  EXPECT_EQ(j.find("охлаждение Работа="), std::string::npos) << j;
}

TEST_F(ParamHall, SmallDialogsWriteTheWorkingSensorAndTheAlarmDelay) {
  // The working sensor from grid row 7 is word 6; the delay is item 55, its bell bit 0.
  TWriteCom& w = bus->station.WriteKom;
  fillWorkingSensor(w, 3, 7, 2);
  EXPECT_TRUE(ed->writeDialog());
  EXPECT_EQ(sim.controller(7)->zon(6), 2);
  sim.controller(7)->setZon(26, static_cast<std::int16_t>(0x8100));
  fillAlarmDelay(w, 3, 3);
  EXPECT_TRUE(ed->writeDialog());
  EXPECT_EQ(writes.back().data, (std::vector<std::uint8_t>{5, 10, 55, 3, 0, 0}));
  EXPECT_EQ(static_cast<std::uint16_t>(sim.controller(7)->zon(26)), 0x0300);
}

}  // namespace
}  // namespace vs
